// No exception leaves the C interface: an allocation that fails anywhere below an entry
// makes it return its failure value, frees what it had taken, and a later call gives the
// same result as if nothing had failed.
//
// This program replaces the global operator new: while armed, the k-th allocation of the
// whole process (every thread counted) throws std::bad_alloc. Each entry of the table runs
// for k = 1, 2, ... until a run sees no failure; LeakSanitizer (ASan build) then finds no
// leak at exit.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstdio>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "quorvane/quorvane.h"
#include "support/ChildCases.h"
#include "support/ImageFiles.h"
#include "support/TestImages.h"
#include "support/TestUtil.h"

namespace {

std::atomic<bool> g_armed{false};
std::atomic<long> g_countdown{0}; // the allocation that takes it to 0 fails
std::atomic<bool> g_fired{false};

void *Allocate(std::size_t n)
{
    if (g_armed.load(std::memory_order_relaxed) && g_countdown.fetch_sub(1) == 1) {
        g_fired = true;
        throw std::bad_alloc();
    }
    void *p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    return p;
}

} // namespace

void *operator new(std::size_t n) { return Allocate(n); }
void *operator new[](std::size_t n) { return Allocate(n); }
void *operator new(std::size_t n, const std::nothrow_t &) noexcept
{
    try {
        return Allocate(n);
    } catch (...) {
        return nullptr;
    }
}
void *operator new[](std::size_t n, const std::nothrow_t &t) noexcept { return operator new(n, t); }
void operator delete(void *p) noexcept { std::free(p); }
void operator delete[](void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete[](void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { std::free(p); }

namespace {

using namespace quorvane_test;

// What one run of an entry gave: its return value and the bytes it produced (written to
// the connection or stored in the caller's buffer). escaped: an exception came out.
struct Outcome {
    long long value = 0;
    Bytes bytes;
    bool escaped = false;
};

// Runs call with the k-th allocation failing (k = 0: none fails); fired tells whether
// the failure happened.
long long Injected(long k, const std::function<long long()> &call, bool *fired, bool *escaped)
{
    g_fired = false;
    g_countdown = k;
    g_armed = k > 0;
    long long r = 0;
    try {
        r = call();
    } catch (...) {
        *escaped = true;
    }
    g_armed = false;
    *fired = g_fired.load();
    return r;
}

typedef std::function<Outcome(long k, bool *fired)> Run;

struct Row {
    std::string name;
    long long failure; // the failure value
    Run run;
};

// An entry that writes to a memory connection opened (and closed) outside the injection.
Run OnConnection(std::function<int(CP_Handle)> call)
{
    return [call](long k, bool *fired) {
        Outcome o;
        CP_Handle h = CP_Port_OpenMemoryBuffer(1 << 20);
        if (!h)
            return o;
        o.value = Injected(k, [&] { return call(h); }, fired, &o.escaped);
        const unsigned char *p = static_cast<const unsigned char *>(CP_Port_GetMemoryBufferDataPointer(h));
        o.bytes.assign(p, p + CP_Port_GetMemoryBufferDataLength(h));
        CP_Port_Close(h);
        return o;
    };
}

// An entry that stores its result in a buffer of `size` bytes.
Run IntoBuffer(size_t size, std::function<long long(unsigned char *)> call)
{
    return [size, call](long k, bool *fired) {
        Outcome o;
        o.bytes.assign(size, 0x5A);
        o.value = Injected(k, [&] { return call(o.bytes.data()); }, fired, &o.escaped);
        return o;
    };
}

// An entry that hands back memory the caller frees (null on failure).
template <typename T>
Run Returned(std::function<T *()> call)
{
    return [call](long k, bool *fired) {
        Outcome o;
        T *got = nullptr;
        Injected(k, [&] { got = call(); return 0LL; }, fired, &o.escaped);
        o.value = got ? 1 : 0;
        if (got) {
            size_t n = 0;
            while (got[n])
                ++n;
            const unsigned char *b = reinterpret_cast<const unsigned char *>(got);
            o.bytes.assign(b, b + n * sizeof(T));
        }
        std::free(got);
        return o;
    };
}

// An open: the handle is closed outside the injection.
Run Open(std::function<CP_Handle()> call)
{
    return [call](long k, bool *fired) {
        Outcome o;
        CP_Handle h = nullptr;
        Injected(k, [&] { h = call(); return 0LL; }, fired, &o.escaped);
        o.value = h ? 1 : 0;
        if (h)
            CP_Port_Close(h);
        return o;
    };
}

const int kW = 44, kH = 20;

const Bytes &Gray() { static const Bytes g = MakePicture(kPhoto, kW, kH, 1); return g; }
const Bytes &Rgba() { static const Bytes g = MakePicture(kPhoto, kW, kH, 4); return g; }
const TempImage &PngFile() { static const TempImage t(Png(kW, kH, 3, MakePicture(kPhoto, kW, kH, 3)), "p.png"); return t; }
const TempImage &BmpFile() { static const TempImage t(GrayBmp(kW, kH, [](int x, int y) { return static_cast<unsigned char>(x * 5 + y * 3); })); return t; }

int JbigLength(const Bytes &px, int format, int stride, int method)
{
    return CP_Image_GetCompressToJBIGDataLength(px.data(), static_cast<long long>(px.size()), kW, kH, stride, format,
                                                method);
}

const Bytes &Jbig()
{
    static const Bytes bie = [] {
        Bytes b(static_cast<size_t>(JbigLength(Gray(), 3, kW, 2)));
        CP_Image_GetCompressToJBIGDataBytes(Gray().data(), static_cast<long long>(Gray().size()), kW, kH, kW, 3, 2,
                                            b.data(), static_cast<long long>(b.size()));
        return b;
    }();
    return bie;
}

std::vector<Row> Table()
{
    std::vector<Row> rows;
    const char *methods[] = {"dither", "threshold", "diffusion"};
    for (int m = 0; m < 3; ++m) {
        const std::string how = methods[m];
        for (int c = 0; c < 3; ++c) {
            const std::string cm = std::to_string(c);
            rows.push_back({"Pos pixels gray " + how + " compression " + cm, 0, OnConnection([=](CP_Handle h) {
                                return CP_Pos_PrintRasterImageFromPixels(h, Gray().data(), int(Gray().size()), kW, kH,
                                                                         kW, 3, m, c);
                            })});
            if (c == 1)
                continue;
            rows.push_back({"Label pixels rgba " + how + " compression " + cm, 0, OnConnection([=](CP_Handle h) {
                                return CP_Label_DrawImageFromPixels(h, 3, 4, Rgba().data(), int(Rgba().size()), kW,
                                                                    kH, kW * 4, 7, m, c);
                            })});
        }
        rows.push_back({"Pos file " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Pos_PrintRasterImageFromFile(h, 30, 0, PngFile().path(), m, 2);
                        })});
        rows.push_back({"Pos data " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Pos_PrintRasterImageFromData(h, 0, 0, BmpFile().data(), BmpFile().size(), m, 1);
                        })});
        rows.push_back({"Label file " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Label_DrawImageFromFile(h, 1, 2, 0, 16, PngFile().path(), m, 2);
                        })});
        rows.push_back({"Label data " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Label_DrawImageFromData(h, 1, 2, 0, 0, BmpFile().data(), BmpFile().size(), m, 0);
                        })});
        rows.push_back({"Page file " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Page_DrawRasterImageFromFile(h, 8, 8, 0, 0, PngFile().path(), m);
                        })});
        rows.push_back({"Page data " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Page_DrawRasterImageFromData(h, 8, 8, 20, 0, BmpFile().data(), BmpFile().size(), m);
                        })});
        rows.push_back({"Page pixels " + how, 0, OnConnection([=](CP_Handle h) {
                            return CP_Page_DrawRasterImageFromPixels(h, 8, 8, Gray().data(), int(Gray().size()), kW,
                                                                     kH, kW, 3, m);
                        })});
        rows.push_back({"JBIG length " + how, 0, IntoBuffer(0, [=](unsigned char *) {
                            return JbigLength(Rgba(), 7, kW * 4, m);
                        })});
    }
    rows.push_back({"JBIG bytes", 0, IntoBuffer(Jbig().size(), [](unsigned char *out) {
                        return CP_Image_GetCompressToJBIGDataBytes(Gray().data(), (long long)Gray().size(), kW, kH, kW,
                                                                   3, 2, out, (long long)Jbig().size());
                    })});
    rows.push_back({"JBIG size", 0, IntoBuffer(2 * sizeof(int), [](unsigned char *out) {
                        int *wh = reinterpret_cast<int *>(out);
                        return CP_Image_DecodeImageSizeFromJBIGData(Jbig().data(), (long long)Jbig().size(), wh,
                                                                    wh + 1);
                    })});
    rows.push_back({"JBIG decode", 0, IntoBuffer(kW * kH * 4 + 2 * sizeof(int), [](unsigned char *out) {
                        int *wh = reinterpret_cast<int *>(out);
                        return CP_Image_DecodeRGBAImageFromJBIGData(Jbig().data(), (long long)Jbig().size(), 0xFFFFFFFF,
                                                                    0xFF000000, reinterpret_cast<unsigned int *>(wh + 2),
                                                                    wh, wh + 1);
                    })});
    for (int type : {0, 4, 8, 10, 12, 29}) {
        const char *text = type == 12 ? "(01)12345678901231" : type == 29 ? "1234567890123" : "012345678905";
        rows.push_back({"Barcode width " + std::to_string(type), 0, IntoBuffer(0, [=](unsigned char *) {
                            return CP_Barcode_GetBarcodeWidth(type, 2, text);
                        })});
        rows.push_back({"Barcode pixels " + std::to_string(type), 0, IntoBuffer(1200 * 30 * 4 + 8, [=](unsigned char *o) {
                            int *wh = reinterpret_cast<int *>(o);
                            return CP_Barcode_GetBarcodeRGBAData(type, 2, 30, 0xFFFFFFFF, 0xFF000000, text,
                                                                 reinterpret_cast<unsigned int *>(wh + 2), 1200 * 30 * 4,
                                                                 wh, wh + 1);
                        })});
    }
    rows.push_back({"QR width", 0, IntoBuffer(0, [](unsigned char *) {
                        return CP_Qrcode_GetQrcodeWidth("boundary", 0, 1);
                    })});
    rows.push_back({"QR pixels", 0, IntoBuffer(64 * 64 * 4 + 8, [](unsigned char *o) {
                        int *wh = reinterpret_cast<int *>(o);
                        return CP_Qrcode_GetQrcodeRGBAData("boundary", 3, 2, 0xFFFFFFFF, 0xFF000000,
                                                           reinterpret_cast<unsigned int *>(wh + 2), 64 * 64 * 4, wh,
                                                           wh + 1);
                    })});
    rows.push_back({"Pos Code128 auto", 0, OnConnection([](CP_Handle h) {
                        return CP_Pos_PrintBarcode_Code128Auto(h, "AB12345678cd");
                    })});
    rows.push_back({"Pos text UTF-8", 0, OnConnection([](CP_Handle h) {
                        return CP_Pos_PrintTextInUTF8(h, L"Gr\u00fc\u00dfe \u4e2d\u6587");
                    })});
    rows.push_back({"Label QR UTF-8", 0, OnConnection([](CP_Handle h) {
                        return CP_Label_DrawQRCodeInUTF8(h, 1, 2, 0, 2, 3, 0, L"\u4e2d\u6587 qr");
                    })});
    rows.push_back({"iconv wide to GBK", 0, Returned<char>([] { return iconv_wcstombs(L"\u4e2d\u6587", "GBK"); })});
    rows.push_back({"iconv GBK to wide", 0, Returned<wchar_t>([] { return iconv_mbstowcs("\xd6\xd0", "GBK"); })});
    rows.push_back({"open memory", 0, Open([] { return CP_Port_OpenMemoryBuffer(4096); })});
    static const TempDir dir;
    static const std::string path = dir.Sub("out.prn");
    rows.push_back({"open file", 0, Open([] { return CP_Port_OpenFile(path.c_str()); })});
    // A TCP open starts the read thread and the open event's thread; the listener's
    // backlog completes the connection, and each run's connection is taken off it after.
    static const int listener = [] {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof(a)) != 0 || listen(fd, 16) != 0)
            return -1;
        return fd;
    }();
    rows.push_back({"open TCP", 0, [](long k, bool *fired) {
                        sockaddr_in a{};
                        socklen_t len = sizeof(a);
                        getsockname(listener, reinterpret_cast<sockaddr *>(&a), &len);
                        const Outcome o = Open([&] {
                            return CP_Port_OpenTcp(nullptr, "127.0.0.1", ntohs(a.sin_port), 2000, 0);
                        })(k, fired);
                        for (int fd; (fd = accept(listener, nullptr, nullptr)) >= 0;)
                            close(fd);
                        return o;
                    }});
    return rows;
}

TEST(Boundary, FailedAllocationsGiveTheFailureValue)
{
    int escapedRuns = 0, wrongRuns = 0, injectedRuns = 0;
    for (const Row &row : Table()) {
        bool fired = false;
        const Outcome reference = row.run(0, &fired);
        ASSERT_FALSE(reference.escaped) << row.name;
        ASSERT_NE(reference.value, row.failure) << row.name << ": the reference run fails";
        for (long k = 1;; ++k) {
            ASSERT_LT(k, 100000) << row.name;
            const Outcome o = row.run(k, &fired);
            if (!fired) {
                EXPECT_EQ(o.value, reference.value) << row.name << " k=" << k;
                EXPECT_EQ(o.bytes, reference.bytes) << row.name << " k=" << k;
                break;
            }
            ++injectedRuns;
            // A failure the work gets round (a helper thread that did not start) still
            // gives the whole result.
            const bool failed = !o.escaped && o.value == row.failure;
            const bool whole = !o.escaped && o.value == reference.value && o.bytes == reference.bytes;
            if (o.escaped)
                ++escapedRuns;
            else if (!failed && !whole)
                ++wrongRuns;
            EXPECT_TRUE(failed || whole) << row.name << " k=" << k << (o.escaped ? ": exception escaped" : "")
                                         << " value " << o.value;
        }
    }
    std::printf("injected runs %d, exceptions escaped %d, other wrong results %d\n", injectedRuns, escapedRuns,
                wrongRuns);
}

// Address space cut to 1 GiB and an image far beyond it: the JBIG length is 0, the
// process lives on. Sanitizer builds reserve far more address space than that.
TEST(Boundary, AddressSpaceLimitGivesTheFailureValue)
{
#ifdef QUORVANE_TEST_SANITIZED
    GTEST_SKIP() << "sanitizer builds reserve more address space than the limit";
#else
    const std::vector<ChildOutcome> out = RunChildCases(
        1,
        [](size_t) {
            const rlim_t limit = rlim_t(1) << 30;
            const struct rlimit rl = {limit, limit};
            if (setrlimit(RLIMIT_AS, &rl) != 0)
                return 3;
            const int side = 1 << 26;
            unsigned char *gray = static_cast<unsigned char *>(std::calloc(size_t(side), 1));
            if (!gray)
                return 4;
            // Called as from C: nothing may come out of it.
            const int r = [&]() noexcept {
                return CP_Image_GetCompressToJBIGDataLength(gray, side, side, 1, side, CP_ImagePixelFormat_Gray8,
                                                            CP_ImageBinarizationMethod_ErrorDiffusion);
            }();
            std::free(gray);
            return r == 0 ? 0 : 5;
        },
        60000, 1);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_TRUE(out[0].exited) << "signal " << out[0].code << ": " << out[0].output;
    EXPECT_EQ(out[0].code, 0) << out[0].output;
#endif
}

} // namespace
