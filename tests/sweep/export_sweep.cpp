// Bad-input sweep over every function the shared library exports.
//
// One table row per exported function lists a generator for each argument: its first value
// is an ordinary one, the others are bad or extreme (null pointers, a pointer never returned
// by an open, a closed handle, zero / negative / INT_MAX lengths, out-of-range values, 1 MiB
// texts, missing paths). The sweep calls each function once with the ordinary values and
// then once per other value of each argument, that argument alone changed. Every call runs in
// a child process of its own with a time limit, so a crash, a sanitizer report, a leak or a
// hang fails only that case. Values marked Bad must make the call return the function's
// failure value, and a refused call on the memory connection must send nothing.
//
// The sweep fails when a function that the library exports (or that the header declares) has
// no row. Arguments: <path of libquorvane.so> <path of quorvane.h> [name filter]; with
// SWEEP_TIMING set in the environment it lists every call with its time.
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <sched.h>
#include <set>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <tuple>
#include <type_traits>
#include <unistd.h>
#include <utility>
#include <ctime>
#include <vector>

#include "quorvane/quorvane.h"
#include "support/ChildCases.h"
#include "support/TestImages.h"

namespace {

// ---- What the child works with --------------------------------------------------------

enum Tag { Good, Any, Bad }; // Bad: the call must return its failure value

std::string g_dir; // scratch directory the parent made (image file, output file)
bool g_leakCheck = true; // the child's exit runs the leak check

struct Ctx {
    CP_Handle mem = nullptr;    // a valid memory connection
    CP_Handle closed = nullptr; // a handle that was opened and closed again
    int local = 0;              // its address is a pointer never returned by an open
    std::string bigText, imagePath, outPath, missingPath, bigPath, pty;
    std::wstring bigWide;
    std::vector<unsigned char> bmp, gray, jbig, bytes;
    std::vector<unsigned int> pixels;
    unsigned char buf[4096] = {};
    char cbuf[4096] = {};
    int ints[256] = {}, ints2[256] = {};
    unsigned int u = 0;
    int i1 = 0, i2 = 0, i3 = 0, zero = 0, one = 1;
    long long ll1 = 0, ll2 = 0, ll3 = 0;
    double d1 = 0, d2 = 0;
};

Ctx &C()
{
    static Ctx c;
    return c;
}

// A small 24-bit BMP (8 x 8, a black diagonal on white).
std::vector<unsigned char> MakeBmp()
{
    std::vector<unsigned char> rgb(8 * 8 * 3, 0xFF);
    for (int i = 0; i < 8; ++i)
        memset(&rgb[(i * 8 + i) * 3], 0, 3);
    return quorvane_test::MakeBmp(8, 8, 24, rgb);
}

void SetupCtx()
{
    Ctx &c = C();
    c.mem = CP_Port_OpenMemoryBuffer(4u << 20);
    c.closed = CP_Port_OpenMemoryBuffer(64);
    CP_Port_Close(c.closed);
    c.imagePath = g_dir + "/image.bmp";
    c.outPath = g_dir + "/out.bin";
    c.missingPath = g_dir + "/missing/none.bmp";
    c.bmp = MakeBmp();
    c.gray.assign(64, 0x80);
    for (int i = 0; i < 64; i += 9)
        c.gray[i] = 0;
    for (int i = 0; i < 256; ++i) {
        c.ints[i] = 10 * i;
        c.ints2[i] = 10 * i + 5;
    }
}

// The large inputs, made only by the cases that use them.
const char *BigText()
{
    if (C().bigText.empty())
        C().bigText.assign(1u << 20, 'A');
    return C().bigText.c_str();
}
const wchar_t *BigWide()
{
    if (C().bigWide.empty())
        C().bigWide.assign(1u << 18, L'\x4E2D'); // 1 MiB of wide characters
    return C().bigWide.c_str();
}
const char *BigPath()
{
    if (C().bigPath.empty())
        C().bigPath = "/" + std::string((1u << 20) - 1, 'p');
    return C().bigPath.c_str();
}
unsigned int *PixelsOut()
{
    if (C().pixels.empty())
        C().pixels.assign(1u << 20, 0);
    return C().pixels.data();
}
const unsigned char *Bytes()
{
    if (C().bytes.empty())
        C().bytes.assign(70000, 0x41); // room for the largest package
    return C().bytes.data();
}
// An 8 x 8 picture compressed to JBIG.
const unsigned char *Jbig()
{
    Ctx &c = C();
    if (c.jbig.empty()) {
        c.jbig.resize(4096);
        const int n = CP_Image_GetCompressToJBIGDataBytes(c.gray.data(), 64, 8, 8, 8, 3, 1, c.jbig.data(), 4096);
        c.jbig.resize(n > 0 ? static_cast<size_t>(n) : 1);
    }
    return c.jbig.data();
}

// A pty device node: a terminal that nobody answers.
const char *Pty()
{
    Ctx &c = C();
    if (c.pty.empty()) {
        const int fd = posix_openpt(O_RDWR | O_NOCTTY);
        if (fd < 0 || grantpt(fd) != 0 || unlockpt(fd) != 0 || !ptsname(fd))
            return "/nonexistent/pty";
        c.pty = ptsname(fd); // the master stays open until the child ends
    }
    return c.pty.c_str();
}

// ---- Argument generators --------------------------------------------------------------

template <class T>
struct Val {
    std::string label;
    Tag tag;
    std::function<T()> make;
};
template <class T>
using Gen = std::vector<Val<T>>;

template <class T>
Gen<T> Fix(T v, const char *label = "ok")
{
    return {{label, Good, [v] { return v; }}};
}
// Ordinary value first, then extra values with their tags.
template <class T>
Gen<T> Ex(T good, std::vector<std::pair<T, Tag>> extra)
{
    Gen<T> g = Fix<T>(good);
    for (auto &e : extra) {
        T v = e.first;
        std::string label;
        if constexpr (std::is_floating_point<T>::value)
            label = std::to_string(v);
        else
            label = std::to_string(static_cast<long long>(v));
        g.push_back({label, e.second, [v] { return v; }});
    }
    return g;
}

// Handles: the memory connection, then null, a local's address and a closed handle.
Gen<CP_Handle> H()
{
    return {{"mem", Good, [] { return C().mem; }},
            {"null", Bad, [] { return CP_Handle(nullptr); }},
            {"&local", Bad, [] { return CP_Handle(&C().local); }},
            {"closed", Bad, [] { return C().closed; }}};
}
// Any int: the value, then -1, INT_MIN and INT_MAX.
Gen<int> I(int good)
{
    return Ex<int>(good, {{0, Any}, {-1, Any}, {INT_MIN, Any}, {INT_MAX, Any}});
}
// A length of bytes the caller passes: negative lengths are refused.
Gen<int> Len(int good)
{
    return Ex<int>(good, {{0, Any}, {-1, Bad}, {INT_MIN, Bad}});
}
Gen<unsigned> U(unsigned good)
{
    return Ex<unsigned>(good, {{0u, Any}, {1u, Any}, {UINT_MAX, Any}});
}
// Time-outs in ms: short ones only (longer ones are honoured by design).
Gen<unsigned> T(unsigned good)
{
    return Ex<unsigned>(good, {{0u, Any}});
}
// Text: the value, null (refused), empty, 1 MiB.
Gen<const char *> S(const char *good, Tag empty = Any)
{
    return {{good, Good, [good] { return good; }},
            {"null", Bad, [] { return static_cast<const char *>(nullptr); }},
            {"\"\"", empty, [] { return ""; }},
            {"1MiB", Any, [] { return BigText(); }}};
}
// Wide text: the value, null, empty, 1 MiB, a lone surrogate and a code point above
// U+10FFFF (both refused by every encoding).
Gen<const wchar_t *> W(const wchar_t *good, Tag empty = Any)
{
    return {{"wide", Good, [good] { return good; }},
            {"null", Bad, [] { return static_cast<const wchar_t *>(nullptr); }},
            {"L\"\"", empty, [] { return L""; }},
            {"1MiB", Any, [] { return BigWide(); }},
            {"surrogate", Bad, [] { return L"a\xD800z"; }},
            {"above U+10FFFF", Bad, [] { return L"a\x110000b"; }}};
}
// Paths: the given one, then null, missing, 1 MiB long and a directory (all refused).
Gen<const char *> P(std::function<const char *()> good, Tag goodTag = Good)
{
    return {{"path", goodTag, good},
            {"null", Bad, [] { return static_cast<const char *>(nullptr); }},
            {"missing", Bad, [] { return C().missingPath.c_str(); }},
            {"1MiB", Bad, [] { return BigPath(); }},
            {"dir", Bad, [] { return "/"; }}};
}
// Text whose 1 MiB form is refused.
Gen<const char *> Long(Gen<const char *> g)
{
    g[3].tag = Bad;
    return g;
}
// A local address to bind: null and "" mean any.
Gen<const char *> LocalIp()
{
    Gen<const char *> g = S("127.0.0.1");
    g[1].tag = Any;
    return g;
}
const char *ImagePath() { return C().imagePath.c_str(); }
// A required input pointer: null is refused.
template <class T>
Gen<T> In(std::function<T()> good, const char *label = "data")
{
    return {{label, Good, good}, {"null", Bad, [] { return T(nullptr); }}};
}
// An optional output pointer: null is allowed.
template <class T>
Gen<T> Out(std::function<T()> good)
{
    return {{"out", Good, good}, {"null", Any, [] { return T(nullptr); }}};
}
const unsigned char *Bmp() { return C().bmp.data(); }
const unsigned char *Gray() { return C().gray.data(); }

// ---- Rows -----------------------------------------------------------------------------

enum After { Keep, Free, Close };

struct Spec {
    bool check = true;        // the function has a failure value
    long long fail = 0;       // that value (pointers: 0 is null)
    bool baseOk = true;       // the ordinary call must succeed
    After after = Keep;       // what to do with a pointer result
    bool net = false;         // runs in a network namespace of its own
    void (*setup)() = nullptr;
    bool placesFirst = false; // sends its placement before a later step can fail
};
Spec ok(long long f = 0) { return Spec{true, f, true, Keep, false, nullptr}; }
Spec may(long long f = 0) { return Spec{true, f, false, Keep, false, nullptr}; }
Spec none() { return Spec{false, 0, false, Keep, false, nullptr}; }
Spec with(Spec s, After a) { s.after = a; return s; }
Spec net(Spec s) { s.net = true; return s; }
Spec setup(Spec s, void (*f)()) { s.setup = f; return s; }
// Page drawings move the print position first and stop at the first step that fails, so
// text the encoding cannot hold or an image the raster command cannot carry leaves the
// position commands sent.
Spec places(Spec s) { s.placesFirst = true; return s; }

struct Row {
    const char *name;
    Spec spec;
    size_t cases;
    // Runs case k; returns 0 when it held, else writes why and returns 1.
    std::function<int(size_t)> run;
    std::function<std::string(size_t)> label;
};

template <class R>
long long AsNumber(R r)
{
    if constexpr (std::is_pointer<R>::value)
        return r ? 1 : 0;
    else
        return static_cast<long long>(r);
}

template <class Tuple, class Use, size_t... N>
void PickValues(Tuple &gens, std::pair<size_t, size_t> c, Use &&use, std::index_sequence<N...>)
{
    use(std::get<N>(gens)[N == c.first ? c.second : 0]...);
}

template <class R, class... A, class... G>
Row MakeRow(const char *name, Spec spec, R (*fn)(A...), G... gens)
{
    static_assert(sizeof...(A) == sizeof...(G), "one generator per argument");
    auto gs = std::make_shared<std::tuple<Gen<A>...>>(Gen<A>(gens)...);
    std::vector<size_t> sizes;
    std::apply([&](auto &...g) { (sizes.push_back(g.size()), ...); }, *gs);
    // Case 0: every generator's first value; then one case per other value of each argument.
    std::vector<std::pair<size_t, size_t>> cases{{0, 0}};
    for (size_t p = 0; p < sizes.size(); ++p)
        for (size_t v = 1; v < sizes[p]; ++v)
            cases.push_back({p, v});
    auto pick = [gs, cases](size_t k, auto &&use) {
        PickValues(*gs, cases[k], use, std::index_sequence_for<A...>());
    };
    Row row;
    row.name = name;
    row.spec = spec;
    row.cases = cases.size();
    row.label = [pick, name](size_t k) {
        std::string s = std::string(name) + "(";
        pick(k, [&](auto &...v) {
            const char *sep = "";
            ((s += sep + v.label, sep = ", "), ...);
            (void)sep;
        });
        return s + ")";
    };
    row.run = [pick, fn, spec](size_t k) {
        int rc = 0;
        pick(k, [&](auto &...v) {
            Tag worst = Good;
            ((worst = v.tag > worst ? v.tag : worst), ...);
            // Leaks are looked for on the ordinary and the refused calls (the check costs
            // about as much as the call in a sanitized build).
            g_leakCheck = worst != Any;
            std::tuple<A...> args(v.make()...);
            bool usesMem = false;
            if constexpr (sizeof...(A) > 0) {
                if constexpr (std::is_same<std::tuple_element_t<0, std::tuple<A...>>, CP_Handle>::value)
                    usesMem = std::get<0>(args) == C().mem;
            }
            if (spec.setup)
                spec.setup();
            const unsigned before = CP_Port_GetMemoryBufferDataLength(C().mem);
            long long got = 0;
            if constexpr (std::is_void<R>::value) {
                std::apply(fn, args);
            } else {
                R r = std::apply(fn, args);
                got = AsNumber(r);
                if constexpr (std::is_pointer<R>::value) {
                    if (r && spec.after == Free)
                        free(const_cast<void *>(static_cast<const void *>(r)));
                    if (r && spec.after == Close && !CP_Port_Close(const_cast<void *>(static_cast<const void *>(r)))) {
                        printf("FINDING: the handle returned does not close\n");
                        rc = 1;
                    }
                }
            }
            const unsigned after = CP_Port_GetMemoryBufferDataLength(C().mem);
            if (!spec.check)
                return;
            const bool failed = got == spec.fail;
            if (worst == Bad && !failed) {
                printf("FINDING: returned %lld for bad input, expected the failure value %lld\n", got, spec.fail);
                rc = 1;
            } else if (worst == Bad && usesMem && after != before && !spec.placesFirst) {
                printf("FINDING: refused, yet %u bytes were sent\n", after - before);
                rc = 1;
            } else if (worst == Good && spec.baseOk && failed) {
                printf("FINDING: the ordinary call failed (%lld)\n", got);
                rc = 1;
            }
        });
        return rc;
    };
    return row;
}

#define ROW(spec, fn, ...) MakeRow(#fn, spec, fn, ##__VA_ARGS__)

// Callbacks for the registration rows.
void OnOpened(CP_Handle, const char *, void *) {}
void OnClosed(CP_Handle, void *) {}
void OnBytes(CP_Handle, const unsigned char *, unsigned int, void *) {}
void OnStatus(CP_Handle, long long, long long, void *) {}
void OnCount(CP_Handle, unsigned int, void *) {}
void OnNet(const char *, const char *, const char *, const char *, const void *) {}
void OnBt(const char *, const char *, const void *) {}
void OnP2P(const char *, const char *, const char *, const void *) {}
void WorkOn() { CP_Proto_SetWorkEnabled(C().mem, 1); }

template <class F>
Gen<F> Cb(F f)
{
    return {{"cb", Good, [f] { return f; }}, {"null", Bad, [] { return F(nullptr); }}};
}
Gen<void *> User() { return {{"user", Good, [] { return (void *)&C().local; }}, {"null", Any, [] { return (void *)nullptr; }}}; }
Gen<const void *> CUser() { return {{"user", Good, [] { return (const void *)&C().local; }}, {"null", Any, [] { return (const void *)nullptr; }}}; }
// Cancel flag for the searches: clear, null (never cancelled) or already set.
Gen<int *> Cancel()
{
    return {{"cancel=0", Good, [] { return &C().zero; }},
            {"null", Any, [] { return (int *)nullptr; }},
            {"cancel=1", Any, [] { return &C().one; }}};
}
template <class T>
Gen<T *> OutP(T *p) { return Out<T *>([p] { return p; }); }

Gen<unsigned char *> Buf() { return Out<unsigned char *>([] { return C().buf; }); }
Gen<char *> CBuf() { return Out<char *>([] { return C().cbuf; }); }
Gen<int> Fmt(int good) { return Ex<int>(good, {{0, Bad}, {10, Bad}, {-1, Bad}, {INT_MAX, Bad}}); }
Gen<int> Bin(int good) { return Ex<int>(good, {{3, Any}, {-1, Any}, {INT_MAX, Any}}); }
Gen<int> Comp(int good, std::vector<std::pair<int, Tag>> bad) { return Ex<int>(good, bad); }
Gen<int> Dim(int good) { return Ex<int>(good, {{0, Any}, {-1, Any}, {INT_MIN, Any}, {INT_MAX, Bad}, {100000, Any}}); }
Gen<const unsigned char *> Data(const unsigned char *(*f)()) { return In<const unsigned char *>(f); }
Gen<const unsigned char *> Pix() { return In<const unsigned char *>(Gray, "gray8x8"); }
// Pixel entries: an 8 x 8 gray picture of 64 bytes; any shape whose rows do not fit the
// data length is refused.
Gen<int> PixLen() { return Ex<int>(64, {{64000, Any}, {0, Bad}, {63, Bad}, {-1, Bad}, {INT_MIN, Bad}}); }
Gen<int> PixDim() { return Ex<int>(8, {{0, Bad}, {-1, Bad}, {INT_MIN, Bad}, {INT_MAX, Bad}}); }
Gen<int> PixStride() { return Ex<int>(8, {{7, Bad}, {0, Bad}, {-1, Bad}, {INT_MAX, Bad}}); }

// The JBIG data's length, then lengths that cut it short.
Gen<long long> JbigLen()
{
    Gen<long long> g = Ex<long long>(0, {{0, Bad}, {-1, Bad}, {10, Bad}, {LLONG_MIN, Bad}});
    g[0].make = [] {
        Jbig();
        return static_cast<long long>(C().jbig.size());
    };
    return g;
}

std::vector<Row> Table()
{
    const wchar_t *wtext = L"Text \x4E2D";
    std::vector<Row> t;
    auto add = [&](Row r) { t.push_back(std::move(r)); };

    // Library, logging.
    add(ROW(ok(), CP_Library_Version));
    add(ROW(none(), CP_Logger_SetDebugEnabled, I(1)));
    add(ROW(none(), CP_Logger_SetLogToFile, I(1)));

    // Opens.
    // The serial settings go in as a C caller passes them: plain ints, out-of-range values included.
    auto openCom = reinterpret_cast<CP_Handle (*)(const char *, int, int, int, int, int, int)>(CP_Port_OpenCom);
    add(MakeRow("CP_Port_OpenCom", with(may(), Close), openCom, P(Pty), Ex<int>(9600, {{0, Any}, {-1, Any}, {INT_MAX, Any}, {12345, Any}}),
                Ex<int>(8, {{0, Any}, {9, Any}, {-1, Any}}), Ex<int>(0, {{3, Any}, {-1, Any}}), Ex<int>(0, {{1, Any}, {-1, Any}}),
                Ex<int>(0, {{3, Any}, {-1, Any}}), Fix(0)));
    add(ROW(with(may(), Close), CP_Port_OpenUsb, P([] { return C().missingPath.c_str(); }, Bad), Ex<int>(0, {{1, Any}, {-1, Any}})));
    add(ROW(with(may(), Close), CP_Port_OpenLpt, P([] { return C().missingPath.c_str(); }, Bad)));
    add(ROW(with(ok(), Close), CP_Port_OpenFile, P([] { return C().outPath.c_str(); })));
    add(ROW(net(with(may(), Close)), CP_Port_OpenTcp, LocalIp(), S("127.0.0.1"), Ex<unsigned short>(9, {{0, Any}, {65535, Any}}), T(100), Fix(0)));
    add(ROW(with(may(), Close), CP_Port_OpenBtSpp, S("00:11:22:33:44:55", Bad), Ex<int>(0, {{1, Any}})));
    add(ROW(with(may(), Close), CP_Port_OpenBtBle, S("00:11:22:33:44:55", Bad), Ex<int>(0, {{1, Any}})));
    add(ROW(with(may(), Close), CP_Port_OpenBtBleProtoV2, S("00:11:22:33:44:55", Bad), Ex<int>(0, {{1, Any}})));
    add(ROW(with(may(), Close), CP_Port_OpenBtBleProtoV3, S("00:11:22:33:44:55", Bad), Ex<int>(0, {{1, Any}})));
    // A sanitized build takes seconds to map and unmap 4 GiB; 256 MiB shows the same path.
    add(ROW(with(ok(), Close), CP_Port_OpenMemoryBuffer, Ex<unsigned>(1024, {{0u, Bad}, {1u, Any}, {1u << 28, Any}})));
    auto protoOpenCom = reinterpret_cast<CP_Handle (*)(const char *, int, int, int, int)>(CP_Proto_OpenCom);
    add(MakeRow("CP_Proto_OpenCom", with(may(), Close), protoOpenCom, P(Pty), Ex<int>(9600, {{0, Any}, {-1, Any}, {INT_MAX, Any}}),
                Ex<int>(8, {{0, Any}, {-1, Any}}), Ex<int>(0, {{3, Any}}), Ex<int>(0, {{-1, Any}})));
    add(ROW(with(may(), Close), CP_Proto_OpenUsb, P([] { return C().missingPath.c_str(); }, Bad)));
    add(ROW(net(with(may(), Close)), CP_Proto_OpenUdp, LocalIp(), Ex<unsigned short>(0, {{65535, Any}}), S("127.0.0.1"),
            Ex<unsigned short>(9100, {{0, Any}})));
    add(ROW(ok(), CP_Port_Close, H()));

    // Callback registration (the callback is new in every child, so the add succeeds).
    add(ROW(ok(), CP_Port_AddOnPortOpenedEvent, Cb<CP_OnPortOpenedEvent>(OnOpened), User()));
    add(ROW(may(), CP_Port_RemoveOnPortOpenedEvent, Cb<CP_OnPortOpenedEvent>(OnOpened)));
    add(ROW(ok(), CP_Port_AddOnPortOpenFailedEvent, Cb<CP_OnPortOpenFailedEvent>(OnOpened), User()));
    add(ROW(may(), CP_Port_RemoveOnPortOpenFailedEvent, Cb<CP_OnPortOpenFailedEvent>(OnOpened)));
    add(ROW(ok(), CP_Port_AddOnPortClosedEvent, Cb<CP_OnPortClosedEvent>(OnClosed), User()));
    add(ROW(may(), CP_Port_RemoveOnPortClosedEvent, Cb<CP_OnPortClosedEvent>(OnClosed)));
    add(ROW(ok(), CP_Port_AddOnPortWrittenEvent, Cb<CP_OnPortWrittenEvent>(OnBytes), User()));
    add(ROW(may(), CP_Port_RemoveOnPortWrittenEvent, Cb<CP_OnPortWrittenEvent>(OnBytes)));
    add(ROW(ok(), CP_Port_AddOnPortReceivedEvent, Cb<CP_OnPortReceivedEvent>(OnBytes), User()));
    add(ROW(may(), CP_Port_RemoveOnPortReceivedEvent, Cb<CP_OnPortReceivedEvent>(OnBytes)));
    add(ROW(ok(), CP_Printer_AddOnPrinterStatusEvent, Cb<CP_OnPrinterStatusEvent>(OnStatus), User()));
    add(ROW(may(), CP_Printer_RemoveOnPrinterStatusEvent, Cb<CP_OnPrinterStatusEvent>(OnStatus)));
    add(ROW(ok(), CP_Printer_AddOnPrinterReceivedEvent, Cb<CP_OnPrinterReceivedEvent>(OnCount), User()));
    add(ROW(may(), CP_Printer_RemoveOnPrinterReceivedEvent, Cb<CP_OnPrinterReceivedEvent>(OnCount)));
    add(ROW(ok(), CP_Printer_AddOnPrinterPrintedEvent, Cb<CP_OnPrinterPrintedEvent>(OnCount), User()));
    add(ROW(may(), CP_Printer_RemoveOnPrinterPrintedEvent, Cb<CP_OnPrinterPrintedEvent>(OnCount)));

    // Device lists and searches.
    add(ROW(none(), CP_Port_EnumCom, CBuf(), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}), OutP(&C().u)));
    add(ROW(none(), CP_Port_EnumLpt, CBuf(), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}), OutP(&C().u)));
    add(ROW(none(), CP_Port_EnumUsb, CBuf(), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}), OutP(&C().u)));
    add(ROW(net(none()), CP_Port_EnumNetPrinter, Ex<unsigned>(1, {{0u, Any}}), Cancel(), Out<CP_OnNetPrinterDiscovered>([] { return OnNet; }), CUser()));
    add(ROW(none(), CP_Port_EnumBtDevice, Ex<unsigned>(10, {{0u, Any}, {UINT_MAX, Any}}), Cancel(), Out<CP_OnBluetoothDeviceDiscovered>([] { return OnBt; }), CUser()));
    add(ROW(none(), CP_Port_EnumBleDevice, Ex<unsigned>(10, {{0u, Any}, {UINT_MAX, Any}}), Cancel(), Out<CP_OnBluetoothDeviceDiscovered>([] { return OnBt; }), CUser()));
    add(ROW(none(), CP_Port_EnumWiFiP2PDevice, Ex<unsigned>(10, {{0u, Any}, {UINT_MAX, Any}}), Cancel(), Out<CP_OnWiFiP2PDeviceDiscovered>([] { return OnP2P; }), CUser()));
    add(ROW(may(), CP_Port_WiFiP2P_Connect, S("00:11:22:33:44:55", Bad), Ex<unsigned>(10, {{0u, Any}, {UINT_MAX, Any}})));
    add(ROW(none(), CP_Port_WiFiP2P_Disconnect));
    add(ROW(may(), CP_Port_WiFiP2P_IsConnected));

    // Raw port calls.
    add(ROW(ok(-1), CP_Port_Write, H(), In<const unsigned char *>(Bytes), Ex<unsigned>(16, {{0u, Any}}), T(100)));
    add(ROW(may(-1), CP_Port_Read, H(), In<unsigned char *>([] { return C().buf; }), Ex<int>(16, {{0, Any}, {-1, Any}, {INT_MIN, Any}, {INT_MAX, Any}}), T(10)));
    add(ROW(may(-1), CP_Port_ReadUntilByte, H(), In<unsigned char *>([] { return C().buf; }), Ex<int>(16, {{0, Any}, {-1, Any}, {INT_MAX, Any}}), T(10), Ex<unsigned char>(10, {{0, Any}, {255, Any}})));
    add(ROW(ok(-1), CP_Port_Available, H()));
    add(ROW(ok(), CP_Port_SkipAvailable, H()));
    add(ROW(ok(), CP_Port_IsOpened, H()));
    add(ROW(ok(), CP_Port_IsConnectionValid, H()));
    add(ROW(ok(), CP_Port_SetDefaultWriteTimeout, H(), U(1000)));
    add(ROW(may(), CP_Port_SetComBaudrate, H(), I(9600)));
    add(ROW(ok(), CP_Port_GetMemoryBufferDataPointer, H()));
    add(ROW(may(), CP_Port_GetMemoryBufferDataLength, H()));
    add(ROW(ok(), CP_Port_ClearMemoryBufferData, H()));
    add(ROW(may(), CP_Port_ClearBtBleProtoV2PacketSendTimesList, H()));
    add(ROW(may(), CP_Port_GetBtBleProtoV2PacketSendTimesListLength, H()));
    add(ROW(may(), CP_Port_GetBtBleProtoV2PacketSendTimesListValue, H(), Out<int *>([] { return C().ints; }), Ex<int>(16, {{0, Any}, {-1, Any}, {INT_MAX, Any}})));

    // Printer status.
    add(ROW(ok(), CP_Printer_GetPrinterResolutionInfo, H(), OutP(&C().i1), OutP(&C().i2), OutP(&C().i3)));
    add(ROW(ok(), CP_Printer_GetPrinterFirmwareVersion, H(), CBuf(), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}), OutP(&C().i1)));
    add(ROW(ok(), CP_Printer_GetPrinterStatusInfo, H(), OutP(&C().ll1), OutP(&C().ll2), OutP(&C().ll3)));
    add(ROW(ok(), CP_Printer_GetPrinterReceivedInfo, H(), OutP(&C().u), OutP(&C().ll1)));
    add(ROW(ok(), CP_Printer_GetPrinterPrintedInfo, H(), OutP(&C().u), OutP(&C().ll1)));
    add(ROW(may(), CP_Printer_GetPrinterLabelPositionAdjustmentInfo, H(), OutP(&C().d1), OutP(&C().d2), OutP(&C().ll1)));
    add(ROW(may(), CP_Printer_SetPrinterLabelPositionAdjustmentInfo, H(), Ex<double>(1.0, {{-1e300, Any}, {1e300, Any}, {NAN, Any}}), Ex<double>(-1.0, {{INFINITY, Any}, {-INFINITY, Any}})));
    add(ROW(ok(), CP_Printer_ClearPrinterBuffer, H()));
    add(ROW(ok(), CP_Printer_ClearPrinterError, H()));

    // Receipt commands.
    add(ROW(ok(), CP_Pos_KickOutDrawer, H(), I(0), I(50), I(50)));
    add(ROW(ok(), CP_Pos_Beep, H(), I(3), I(300)));
    add(ROW(ok(), CP_Pos_FeedAndHalfCutPaper, H()));
    add(ROW(ok(), CP_Pos_FullCutPaper, H()));
    add(ROW(ok(), CP_Pos_HalfCutPaper, H()));
    add(ROW(ok(), CP_Pos_FeedLine, H(), I(2)));
    add(ROW(ok(), CP_Pos_FeedDot, H(), I(20)));
    add(ROW(ok(), CP_Pos_PrintSelfTestPage, H()));
    add(ROW(ok(), CP_Pos_ResetPrinter, H()));
    add(ROW(ok(), CP_Pos_PrintText, H(), S("Hello")));
    add(ROW(ok(), CP_Pos_PrintTextInUTF8, H(), W(wtext)));
    add(ROW(ok(), CP_Pos_PrintTextInGBK, H(), W(wtext)));
    add(ROW(ok(), CP_Pos_PrintTextInBIG5, H(), W(wtext)));
    add(ROW(ok(), CP_Pos_PrintTextInShiftJIS, H(), W(wtext)));
    add(ROW(ok(), CP_Pos_PrintTextInEUCKR, H(), W(wtext)));
    add(ROW(ok(), CP_Pos_PrintTextInBytes, H(), In<const char *>([] { return "A\0B"; }), Len(3)));
    add(ROW(ok(), CP_Pos_PrintBarcode, H(), I(73), S("{B12345")));
    add(ROW(ok(), CP_Pos_PrintBarcode_Code128Auto, H(), S("No.12345", Bad)));
    add(ROW(ok(), CP_Pos_PrintQRCode, H(), I(0), I(1), S("hello")));
    add(ROW(ok(), CP_Pos_PrintQRCodeUseEpsonCmd, H(), I(4), I(1), S("hello")));
    add(ROW(ok(), CP_Pos_PrintDoubleQRCode, H(), I(3), I(0), I(1), I(1), S("left"), I(200), I(1), I(1), S("right")));
    add(ROW(ok(), CP_Pos_PrintPDF417BarcodeUseEpsonCmd, H(), I(0), I(0), I(3), I(3), I(1), I(0), S("pdf417")));
    add(ROW(ok(), CP_Pos_PrintRasterImageFromFile, H(), Dim(16), Dim(16), P(ImagePath), Bin(0), Comp(0, {{1, Any}, {2, Any}, {3, Bad}, {-1, Bad}})));
    add(ROW(ok(), CP_Pos_PrintRasterImageFromData, H(), Dim(16), Dim(16), Data(Bmp), Ex<int>(static_cast<int>(MakeBmp().size()), {{0, Bad}, {-1, Bad}, {INT_MIN, Bad}, {10, Bad}}), Bin(0), Comp(0, {{1, Any}, {2, Any}, {3, Bad}, {-1, Bad}})));
    add(ROW(ok(), CP_Pos_PrintRasterImageFromPixels, H(), Pix(), PixLen(), PixDim(), PixDim(), PixStride(), Fmt(3), Bin(0), Comp(0, {{1, Any}, {2, Any}, {3, Bad}, {-1, Bad}})));
    add(ROW(ok(), CP_Pos_PrintHorizontalLine, H(), I(0), I(100)));
    add(ROW(ok(), CP_Pos_PrintHorizontalLineSpecifyThickness, H(), I(0), I(100), Ex<int>(2, {{0, Bad}, {-1, Any}, {INT_MAX, Any}})));
    add(ROW(ok(), CP_Pos_PrintMultipleHorizontalLinesAtOneRow, H(), Ex<int>(4, {{0, Any}, {16, Any}, {-1, Any}, {INT_MAX, Any}}), In<int *>([] { return C().ints; }), In<int *>([] { return C().ints2; })));
    add(ROW(ok(), CP_Pos_SetPrintSpeed, H(), I(100)));
    add(ROW(ok(), CP_Pos_SetPrintDensity, H(), I(7)));
    add(ROW(ok(), CP_Pos_SetSingleByteMode, H()));
    add(ROW(ok(), CP_Pos_SetCharacterSet, H(), I(0)));
    add(ROW(ok(), CP_Pos_SetCharacterCodepage, H(), I(0)));
    add(ROW(ok(), CP_Pos_SetMultiByteMode, H()));
    add(ROW(ok(), CP_Pos_SetMultiByteEncoding, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetMovementUnit, H(), I(180), I(180)));
    add(ROW(ok(), CP_Pos_SetPrintAreaLeftMargin, H(), I(10)));
    add(ROW(ok(), CP_Pos_SetPrintAreaWidth, H(), I(384)));
    add(ROW(ok(), CP_Pos_SetHorizontalAbsolutePrintPosition, H(), I(10)));
    add(ROW(ok(), CP_Pos_SetHorizontalRelativePrintPosition, H(), I(-10)));
    add(ROW(ok(), CP_Pos_SetVerticalAbsolutePrintPosition, H(), I(10)));
    add(ROW(ok(), CP_Pos_SetVerticalRelativePrintPosition, H(), I(-10)));
    add(ROW(ok(), CP_Pos_SetAlignment, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextScale, H(), I(1), I(1)));
    add(ROW(ok(), CP_Pos_SetAsciiTextFontType, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextBold, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextUnderline, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextUpsideDown, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextWhiteOnBlack, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextRotate, H(), I(1)));
    add(ROW(ok(), CP_Pos_SetTextLineHeight, H(), I(32)));
    add(ROW(ok(), CP_Pos_SetAsciiTextCharRightSpacing, H(), I(2)));
    add(ROW(ok(), CP_Pos_SetKanjiTextCharSpacing, H(), I(2), I(2)));
    add(ROW(ok(), CP_Pos_SetBarcodeUnitWidth, H(), I(2)));
    add(ROW(ok(), CP_Pos_SetBarcodeHeight, H(), I(60)));
    add(ROW(ok(), CP_Pos_SetBarcodeReadableTextFontType, H(), I(0)));
    add(ROW(ok(), CP_Pos_SetBarcodeReadableTextPosition, H(), I(2)));
    add(ROW(may(), CP_Pos_QueryRTStatus, H(), T(30)));
    add(ROW(may(), CP_Pos_QueryPrintResult, H(), T(30)));
    add(ROW(ok(), CP_Settings_Hardware_SetPrintSpeed, H(), I(5)));

    // Page mode.
    add(ROW(ok(), CP_Page_SelectPageMode, H()));
    add(ROW(ok(), CP_Page_SelectPageModeEx, H(), I(200), I(200), I(0), I(0), I(384), I(400)));
    add(ROW(ok(), CP_Page_ExitPageMode, H()));
    add(ROW(ok(), CP_Page_PrintPage, H()));
    add(ROW(ok(), CP_Page_ClearPage, H()));
    add(ROW(ok(), CP_Page_SetPageArea, H(), I(0), I(0), I(384), I(400)));
    add(ROW(ok(), CP_Page_SetPageDrawDirection, H(), I(1)));
    add(ROW(ok(), CP_Page_DrawRect, H(), I(10), I(10), I(50), I(20), I(1)));
    add(ROW(ok(), CP_Page_DrawBox, H(), I(10), I(10), I(50), I(20), I(2), I(1)));
    add(ROW(ok(), CP_Page_DrawText, H(), I(-2), I(10), S("Hello")));
    add(ROW(places(ok()), CP_Page_DrawTextInUTF8, H(), I(-2), I(10), W(wtext)));
    add(ROW(places(ok()), CP_Page_DrawTextInGBK, H(), I(-2), I(10), W(wtext)));
    add(ROW(places(ok()), CP_Page_DrawTextInBIG5, H(), I(-2), I(10), W(wtext)));
    add(ROW(places(ok()), CP_Page_DrawTextInShiftJIS, H(), I(-2), I(10), W(wtext)));
    add(ROW(places(ok()), CP_Page_DrawTextInEUCKR, H(), I(-2), I(10), W(wtext)));
    add(ROW(ok(), CP_Page_DrawBarcode, H(), I(-3), I(10), I(73), S("{B12345")));
    add(ROW(ok(), CP_Page_DrawQRCode, H(), I(-2), I(10), I(0), I(1), S("hello")));
    add(ROW(places(ok()), CP_Page_DrawRasterImageFromFile, H(), I(-2), I(10), Dim(16), Dim(16), P(ImagePath), Bin(0)));
    add(ROW(places(ok()), CP_Page_DrawRasterImageFromData, H(), I(-2), I(10), Dim(16), Dim(16), Data(Bmp), Ex<int>(static_cast<int>(MakeBmp().size()), {{0, Bad}, {-1, Bad}, {INT_MIN, Bad}, {10, Bad}}), Bin(0)));
    add(ROW(ok(), CP_Page_DrawRasterImageFromPixels, H(), I(-2), I(10), Pix(), PixLen(), PixDim(), PixDim(), PixStride(), Fmt(3), Bin(0)));

    // Black-mark paper.
    add(ROW(ok(), CP_BlackMark_EnableBlackMarkMode, H()));
    add(ROW(ok(), CP_BlackMark_DisableBlackMarkMode, H()));
    add(ROW(ok(), CP_BlackMark_SetBlackMarkMaxFindLength, H(), I(500)));
    add(ROW(ok(), CP_BlackMark_FindNextBlackMark, H()));
    add(ROW(ok(), CP_BlackMark_SetBlackMarkPaperPrintPosition, H(), I(-10)));
    add(ROW(ok(), CP_BlackMark_SetBlackMarkPaperCutPosition, H(), I(10)));
    add(ROW(ok(), CP_BlackMark_FullCutBlackMarkPaper, H()));
    add(ROW(ok(), CP_BlackMark_HalfCutBlackMarkPaper, H()));

    // Label pages.
    add(ROW(ok(), CP_Label_EnableLabelMode, H()));
    add(ROW(ok(), CP_Label_DisableLabelMode, H()));
    add(ROW(ok(), CP_Label_CalibrateLabel, H()));
    add(ROW(ok(), CP_Label_FeedLabel, H()));
    add(ROW(ok(), CP_Label_PageBegin, H(), I(0), I(0), I(384), I(200), I(0)));
    add(ROW(ok(), CP_Label_PagePrint, H(), I(1)));
    add(ROW(ok(), CP_Label_DrawText, H(), I(10), I(10), I(24), I(0), S("Hello")));
    add(ROW(ok(), CP_Label_DrawTextInUTF8, H(), I(10), I(10), I(24), I(0), W(wtext)));
    add(ROW(ok(), CP_Label_DrawTextInGBK, H(), I(10), I(10), I(24), I(0), W(wtext)));
    add(ROW(ok(), CP_Label_DrawTextInBIG5, H(), I(10), I(10), I(24), I(0), W(wtext)));
    add(ROW(ok(), CP_Label_DrawTextInShiftJIS, H(), I(10), I(10), I(24), I(0), W(wtext)));
    add(ROW(ok(), CP_Label_DrawTextInEUCKR, H(), I(10), I(10), I(24), I(0), W(wtext)));
    add(ROW(ok(), CP_Label_DrawTextInBytes, H(), I(10), I(10), I(24), I(0), In<const char *>([] { return "A\0B"; }), Len(3)));
    add(ROW(ok(), CP_Label_DrawBarcode, H(), I(10), I(70), I(8), I(2), I(60), I(2), I(0), S("12345")));
    add(ROW(ok(), CP_Label_DrawQRCode, H(), I(10), I(10), I(0), I(1), I(4), I(0), S("hello")));
    add(ROW(ok(), CP_Label_DrawQRCodeInUTF8, H(), I(10), I(10), I(0), I(1), I(4), I(0), W(wtext)));
    add(ROW(ok(), CP_Label_DrawQRCodeInBytes, H(), I(10), I(10), I(0), I(1), I(4), I(0), Data(Bytes), Len(16)));
    add(ROW(ok(), CP_Label_DrawPDF417Code, H(), I(10), I(10), I(3), I(3), I(0), I(3), I(0), S("pdf417")));
    add(ROW(ok(), CP_Label_DrawImageFromFile, H(), I(0), I(0), Dim(16), Dim(16), P(ImagePath), Bin(0), Comp(0, {{2, Any}, {1, Bad}, {-1, Bad}})));
    add(ROW(ok(), CP_Label_DrawImageFromData, H(), I(0), I(0), Dim(16), Dim(16), Data(Bmp), Ex<int>(static_cast<int>(MakeBmp().size()), {{0, Bad}, {-1, Bad}, {INT_MIN, Bad}, {10, Bad}}), Bin(0), Comp(0, {{2, Any}, {1, Bad}, {-1, Bad}})));
    add(ROW(ok(), CP_Label_DrawImageFromPixels, H(), I(0), I(0), Pix(), PixLen(), PixDim(), PixDim(), PixStride(), Fmt(3), Bin(0), Comp(0, {{2, Any}, {1, Bad}, {-1, Bad}})));
    add(ROW(ok(), CP_Label_DrawLine, H(), I(0), I(0), I(100), I(100), I(2), I(1)));
    add(ROW(ok(), CP_Label_DrawRect, H(), I(20), I(20), I(200), I(10), I(1)));
    add(ROW(ok(), CP_Label_DrawBox, H(), I(0), I(0), I(384), I(200), I(1), I(1)));

    // Packet protocol (no printer answers the memory connection: requests end in 0).
    add(ROW(may(), CP_Proto_SetComBaudrate, H(), I(9600)));
    add(ROW(ok(), CP_Proto_SetWorkEnabled, H(), I(1)));
    add(ROW(may(), CP_Proto_IsWorkEnabled, H()));
    add(ROW(setup(may(), WorkOn), CP_Proto_SendPackageAndRecvResponseWithRetry, H(), Fix<unsigned char>(0xFF), Fix<unsigned short>(32),
            Fix<unsigned>(0), Ex<unsigned>(8, {{0u, Any}, {65535u, Any}, {65536u, Bad}, {UINT_MAX, Bad}}),
            In<const unsigned char *>(Bytes), T(10), T(10), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}),
            Buf(), OutP(&C().u), Ex<unsigned>(1, {{0u, Any}, {2u, Any}})));
    add(ROW(setup(may(), WorkOn), CP_Proto_SendDataWithRetry, H(), Fix<unsigned char>(0xFF), Fix<unsigned short>(40), Fix<unsigned>(0),
            Ex<unsigned>(200, {{0u, Any}, {70000u, Any}}), In<const unsigned char *>(Bytes),
            Ex<unsigned short>(64, {{0, Bad}, {65535, Any}}), T(10), T(10), Ex<unsigned>(1, {{0u, Any}, {2u, Any}})));
    add(ROW(setup(may(), WorkOn), CP_Proto_RecvDataWithRetry, H(), Fix<unsigned char>(0xFF), Fix<unsigned short>(40), Fix<unsigned>(0),
            T(10), T(10), Ex<unsigned>(600, {{0u, Any}, {UINT_MAX, Any}}), Buf(), OutP(&C().u), Ex<unsigned>(1, {{0u, Any}})));
    add(ROW(setup(may(), WorkOn), CP_Proto_CommunicationTest, H(), Fix<unsigned char>(0xFF), T(10), T(10), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}), Buf(), OutP(&C().u), Ex<unsigned>(1, {{0u, Any}, {2u, Any}})));
    add(ROW(setup(may(), WorkOn), CP_Proto_ClearParameters, H(), Fix<unsigned char>(0xFF), T(10), T(10), Ex<unsigned>(1, {{0u, Any}, {2u, Any}})));
    add(ROW(may(), CP_Proto_StopAtBootBySenda, H())); // work switch off: returns at once
    add(ROW(may(-1), CP_Proto_QueryBatteryLevel, H(), T(20)));
    add(ROW(may(-1), CP_Proto_QuerySerialNumber, H(), In<char *>([] { return C().cbuf; }), Ex<unsigned>(4096, {{0u, Any}, {1u, Any}}), T(20)));
    add(ROW(ok(), CP_Proto_SetSystemNameAndSerialNumber, H(), S("printer"), S("SN0001")));
    add(ROW(ok(), CP_Proto_SetBluetoothNameAndPassword, H(), S("printer"), S("0000")));
    add(ROW(ok(), CP_Proto_SetPTPBasicParameters, H(), U(1), Fix<unsigned char>(2), Fix<unsigned char>(3), Fix<unsigned char>(4),
            Ex<unsigned char>(5, {{255, Any}}), Fix<unsigned short>(6), Fix<unsigned short>(7), Fix<unsigned short>(8),
            Ex<unsigned short>(9, {{65535, Any}})));

    // Scrambling.
    add(ROW(none(), CP_CRC_Encrypt, Out<const unsigned char *>(Bytes), Ex<unsigned>(16, {{0u, Any}}),
            Out<unsigned char *>([] { return C().buf; }), OutP(&C().u)));

    // Symbols and images without a connection.
    const long long pixelBytes = (1LL << 20) * 4;
    add(ROW(ok(), CP_Barcode_GetBarcodeWidth, Ex<int>(2, {{-1, Bad}, {30, Bad}, {INT_MAX, Bad}}), Ex<int>(3, {{0, Bad}, {-1, Bad}, {INT_MAX, Any}}), S("123456789012", Bad)));
    add(ROW(ok(), CP_Barcode_GetBarcodeRGBAData, Ex<int>(2, {{-1, Bad}, {30, Bad}}), Ex<int>(1, {{0, Bad}, {-1, Bad}, {INT_MAX, Bad}}),
            Ex<int>(10, {{0, Bad}, {-1, Bad}, {INT_MAX, Bad}}), Fix(0xFFFFFFFFu), Fix(0xFF000000u), S("123456789012", Bad),
            In<unsigned int *>(PixelsOut), Ex<long long>(pixelBytes, {{0, Bad}, {-1, Bad}, {LLONG_MIN, Bad}, {4, Bad}}), OutP(&C().i1), OutP(&C().i2)));
    add(ROW(ok(), CP_Qrcode_GetQrcodeWidth, S("hello", Bad), Ex<int>(0, {{-1, Bad}, {41, Bad}, {INT_MAX, Bad}}), Ex<int>(1, {{-1, Bad}, {4, Bad}, {INT_MAX, Bad}})));
    add(ROW(ok(), CP_Qrcode_GetQrcodeRGBAData, S("hello", Bad), Ex<int>(0, {{-1, Bad}, {41, Bad}}), Ex<int>(1, {{-1, Bad}, {4, Bad}}),
            Fix(0xFFFFFFFFu), Fix(0xFF000000u), In<unsigned int *>(PixelsOut), Ex<long long>(pixelBytes, {{0, Bad}, {-1, Bad}, {4, Bad}}),
            OutP(&C().i1), OutP(&C().i2)));
    // A data length of 0 is "not given": the image is read from its width, height and stride.
    add(ROW(ok(), CP_Image_GetCompressToJBIGDataLength, Pix(), Ex<long long>(64, {{0, Any}, {-1, Bad}, {63, Bad}, {LLONG_MIN, Bad}}),
            Dim(8), Dim(8), Ex<int>(8, {{7, Bad}, {-1, Bad}, {INT_MAX, Bad}}), Fmt(3), Ex<int>(1, {{-1, Bad}, {3, Bad}})));
    add(ROW(ok(), CP_Image_GetCompressToJBIGDataBytes, Pix(), Ex<long long>(64, {{0, Any}, {-1, Bad}, {63, Bad}}), Dim(8), Dim(8),
            Ex<int>(8, {{7, Bad}, {-1, Bad}, {INT_MAX, Bad}}), Fmt(3), Ex<int>(1, {{-1, Bad}, {3, Bad}}),
            In<unsigned char *>([] { return C().buf; }), Ex<long long>(4096, {{0, Bad}, {-1, Bad}, {4, Bad}})));
    add(ROW(ok(), CP_Image_DecodeImageSizeFromJBIGData, In<const unsigned char *>(Jbig), JbigLen(),
            OutP(&C().i1), OutP(&C().i2)));
    add(ROW(ok(), CP_Image_DecodeRGBAImageFromJBIGData, In<const unsigned char *>(Jbig), JbigLen(), Fix(0xFFFFFFFFu), Fix(0xFF000000u),
            In<unsigned int *>(PixelsOut), OutP(&C().i1), OutP(&C().i2)));

    // Provisioning (inside a network namespace of the child's own, short time-outs).
    add(ROW(net(may()), CP_Airkiss_ConfigWireless, Long(S("ssid")), Long(S("password")), T(50)));
    add(ROW(none(), CP_Airkiss_CancelConfig));
    add(ROW(net(may()), CP_UDPBroadcast_ConfigIP, S(""), Ex<int>(0, {{-1, Any}, {70000, Any}}), S("255.255.255.255"),
            Ex<int>(9999, {{-1, Any}, {INT_MAX, Any}}), S("00-11-22-33-44-55", Bad), Ex<int>(0, {{1, Any}, {-1, Any}}),
            S("192.168.1.50"), S("255.255.255.0"), S("192.168.1.1"), T(20), T(60)));
    add(ROW(net(may()), CP_UDPBroadcast_ConfigName, S(""), Ex<int>(0, {{-1, Any}}), S("255.255.255.255"), Ex<int>(9999, {{INT_MIN, Any}}),
            S("00-11-22-33-44-55", Bad), S("printer"), T(20), T(60)));
    add(ROW(net(may()), CP_UDPBroadcast_ConfirmConfiguration, S(""), Ex<int>(0, {{-1, Any}}), S("255.255.255.255"),
            Ex<int>(9999, {{0, Any}}), S("00-11-22-33-44-55", Bad), T(20), T(60)));

    // Text conversion.
    add(ROW(with(ok(), Free), iconv_wcstombs, W(wtext), S("UTF-8", Bad)));
    add(ROW(with(ok(), Free), iconv_mbstowcs, S("Hello \xE4\xB8\xAD"), S("UTF-8", Bad)));
    add(ROW(with(ok(), Free), iconv_wcstolocalmbs, W(L"Hello")));
    add(ROW(with(ok(), Free), iconv_localmbstowcs, S("Hello")));
    add(ROW(with(ok(), Free), iconv_utftolocalmbs, S("Hello")));
    return t;
}

// ---- The names the library exports and the header declares ------------------------------

std::set<std::string> ExportedNames(const char *lib)
{
    std::set<std::string> names;
    const std::string cmd = std::string("nm -D --defined-only '") + lib + "'";
    FILE *p = popen(cmd.c_str(), "r");
    if (!p)
        return names;
    char line[512];
    while (fgets(line, sizeof line, p)) {
        char addr[64], type[8], name[400];
        if (sscanf(line, "%63s %7s %399s", addr, type, name) == 3 &&
            (strncmp(name, "CP_", 3) == 0 || strncmp(name, "iconv_", 6) == 0))
            names.insert(name);
    }
    pclose(p);
    return names;
}

std::set<std::string> DeclaredNames(const char *header)
{
    std::set<std::string> names;
    FILE *f = fopen(header, "r");
    if (!f)
        return names;
    std::string text;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, n);
    fclose(f);
    // Declarations read "CP_API <type> <name>(": take the word before the first "(".
    for (size_t at = text.find("CP_API "); at != std::string::npos; at = text.find("CP_API ", at + 1)) {
        const size_t paren = text.find('(', at);
        if (paren == std::string::npos || text.find(';', at) < paren)
            continue;
        size_t end = paren;
        while (end > at && text[end - 1] == ' ')
            --end;
        size_t begin = end;
        while (begin > at && (isalnum(static_cast<unsigned char>(text[begin - 1])) || text[begin - 1] == '_'))
            --begin;
        const std::string name = text.substr(begin, end - begin);
        if (name.rfind("CP_", 0) == 0 || name.rfind("iconv_", 0) == 0)
            names.insert(name);
    }
    return names;
}

int CountThreads()
{
    int n = 0;
    if (DIR *d = opendir("/proc/self/task")) {
        while (struct dirent *e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s <libquorvane.so> <quorvane.h> [name filter]\n", argv[0]);
        return 2;
    }
    const std::vector<Row> table = Table();
    std::set<std::string> rows;
    for (const Row &r : table)
        rows.insert(r.name);

    // Every exported and declared function has a row.
    int missing = 0;
    const std::set<std::string> exported = ExportedNames(argv[1]);
    const std::set<std::string> declared = DeclaredNames(argv[2]);
    if (exported.size() < 200 || declared.size() < 200) {
        fprintf(stderr, "could not list the functions (%zu exported, %zu declared)\n", exported.size(),
                declared.size());
        return 1;
    }
    for (const std::set<std::string> *set : {&exported, &declared})
        for (const std::string &name : *set)
            if (!rows.count(name)) {
                fprintf(stderr, "MISSING: %s has no row in the sweep\n", name.c_str());
                ++missing;
            }
    if (rows.size() != table.size()) {
        fprintf(stderr, "a function has more than one row\n");
        return 1;
    }

    // Scratch directory with a small image.
    char dirTemplate[] = "/tmp/quorvane-sweep-XXXXXX";
    if (!mkdtemp(dirTemplate)) {
        perror("mkdtemp");
        return 1;
    }
    g_dir = dirTemplate;
    {
        const std::vector<unsigned char> bmp = MakeBmp();
        FILE *f = fopen((g_dir + "/image.bmp").c_str(), "wb");
        if (!f || fwrite(bmp.data(), 1, bmp.size(), f) != bmp.size())
            return 1;
        fclose(f);
    }

    // Can a child get a network namespace of its own?
    const bool netns = quorvane_test::RunChildCases(
                           1, [](size_t) { return unshare(CLONE_NEWNET) == 0 ? 0 : 1; }, 5000, 1)[0]
                           .code == 0;
    if (!netns)
        printf("no network namespaces here: the network rows are skipped\n");

    struct Case {
        const Row *row;
        size_t k;
    };
    std::vector<Case> cases;
    size_t skipped = 0;
    const char *filter = argc > 3 ? argv[3] : nullptr;
    for (const Row &r : table) {
        if (filter && !strstr(r.name, filter))
            continue;
        if (r.spec.net && !netns) {
            skipped += r.cases;
            continue;
        }
        for (size_t k = 0; k < r.cases; ++k)
            cases.push_back({&r, k});
    }

    // The children start from the connections opened here (a memory connection runs no thread).
    SetupCtx();
    if (CountThreads() != 1) {
        fprintf(stderr, "the memory connection started a thread; children cannot be forked safely\n");
        return 1;
    }
    const int parallel = static_cast<int>(std::max(2u, std::thread::hardware_concurrency()));
    const int limitMs = 15000;
    const std::vector<quorvane_test::ChildOutcome> outcomes = quorvane_test::RunChildCases(
        cases.size(),
        [&](size_t i) {
            const Case &c = cases[i];
            if (c.row->spec.net && unshare(CLONE_NEWNET) != 0)
                return 3;
            const int rc = c.row->run(c.k);
            CP_Port_Close(C().mem);
            if (!g_leakCheck) {
                fflush(nullptr);
                _exit(rc ? 77 : 0);
            }
            return rc ? 77 : 0;
        },
        limitMs, parallel);

    int findings = 0;
    long long slowest = 0;
    std::string slowestName;
    for (size_t i = 0; i < cases.size(); ++i) {
        const quorvane_test::ChildOutcome &o = outcomes[i];
        if (o.ms > slowest) {
            slowest = o.ms;
            slowestName = cases[i].row->label(cases[i].k);
        }
        if (getenv("SWEEP_TIMING"))
            printf("%s: %lld ms %s", cases[i].row->label(cases[i].k).c_str(), o.ms, o.output.c_str());
        if (o.exited && o.code == 0)
            continue;
        ++findings;
        std::string why = o.timedOut ? "hung (killed after " + std::to_string(limitMs) + " ms)"
                          : !o.exited ? "killed by signal " + std::to_string(o.code)
                          : o.code == 77 ? "wrong result"
                                         : "exit code " + std::to_string(o.code) + " (sanitizer report or leak)";
        std::string out = o.output;
        if (out.size() > 6000)
            out = out.substr(0, 6000) + "\n[...]";
        printf("FAIL %s: %s\n%s\n", cases[i].row->label(cases[i].k).c_str(), why.c_str(), out.c_str());
    }
    printf("sweep: %zu functions, %zu calls, %zu skipped, %d failed, %d functions missing; slowest %lld ms (%s)\n",
           table.size(), cases.size(), skipped, findings, missing, slowest, slowestName.c_str());
    const std::string rm = "rm -rf '" + g_dir + "'";
    if (system(rm.c_str()) != 0)
        perror("rm");
    return findings || missing ? 1 : 0;
}
