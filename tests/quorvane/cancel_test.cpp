// Threads that a C program cancels (pthread_cancel) inside library calls. Calls that change
// what the process holds (opens, closes, searches, provisioning, callback removal) run
// whole and the cancel takes effect after them; calls that wait on the printer end at the
// cancel and unwind. Either way nothing is left behind: descriptors, threads, handle slots
// and heap are as before, every connection that opened raises PortClosed once, and later
// calls of the same kind work.
//
// One table; each row runs in a child process of its own, so what one row leaves cannot
// reach another. A row cancels its entry `rounds` times, after delays spread from fromUs to
// toUs, then checks what was left and prints one line saying what.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/quorvane.h"
#include "support/ChildCases.h"
#include "support/DeviceFixtures.h"
#include "support/FakePrinter.h"
#include "support/FullQueue.h"
#include "support/PtyPrinter.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/ThreadCancel.h"
#include "support/UdpPeer.h"
#include "support/Watchdog.h"

#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/asan_interface.h>
#endif

extern char **environ;

using namespace quorvane_test;

namespace {

const char kStatusFrame[] = "53 01 02 03 00 02 00 51"; // status word 2: the printer is there

// ---- What the library reports through callbacks ------------------------------------------

struct Events {
    std::mutex lock;
    std::map<CP_Handle, int> opened, closed;
    int failed = 0;
    std::atomic<bool> cancelOpener{false}; // PortOpened cancels the thread that opened
    std::atomic<bool> openerKnown{false};
    pthread_t opener;
    std::atomic<int> writtenRunning{0};
    std::atomic<int> writtenSleepMs{0};
} g_events;

void OnOpened(CP_Handle h, const char *, void *)
{
    {
        std::lock_guard<std::mutex> g(g_events.lock);
        ++g_events.opened[h];
    }
    if (g_events.openerKnown.load() && g_events.cancelOpener.exchange(false))
        pthread_cancel(g_events.opener);
}

void OnOpenFailed(CP_Handle, const char *, void *)
{
    std::lock_guard<std::mutex> g(g_events.lock);
    ++g_events.failed;
}

void OnClosed(CP_Handle h, void *)
{
    std::lock_guard<std::mutex> g(g_events.lock);
    ++g_events.closed[h];
}

// Sleeps in steps that are cancellation points, as an application's callback may.
void OnWritten(CP_Handle, const unsigned char *, unsigned int, void *)
{
    struct Running {
        Running() { ++g_events.writtenRunning; }
        ~Running() { --g_events.writtenRunning; }
    } running;
    for (int i = 0; i < g_events.writtenSleepMs.load(); ++i)
        usleep(1000);
}

// ---- Far ends -----------------------------------------------------------------------------

struct Row;

// Everything a row's child works with.
struct Ctx {
    const Row *row = nullptr;
    std::unique_ptr<FakePrinter> printer;
    std::unique_ptr<PtyPrinter> device;
    std::unique_ptr<UdpPeer> udp;
    std::unique_ptr<FullQueue> queue;
    std::unique_ptr<TempDir> dir;
    CP_Handle h = nullptr; // the connection a wait uses or a close closes
    int enumCancel = 0;    // CP_Port_EnumNetPrinter's cancel flag
    // What a call started besides (a writer and its connection), ended after the round.
    std::thread writer;
    CP_Handle extra = nullptr;
    // This round's call: returned, and the handle it returned.
    std::atomic<bool> returned{false};
    std::atomic<CP_Handle> handle{nullptr};
};

// A way to reach a printer: the far end it starts, how its open is called, and what the
// far end does once the cancel was sent (let a stalled printer go, answer a status wait).
struct Transport {
    const char *name;
    bool events; // raises PortOpened/PortOpenFailed and PortClosed
    bool netns;  // broadcasts: the row runs inside a network namespace of its own
    std::function<bool(Ctx &)> start;
    std::function<CP_Handle(Ctx &)> open;
    std::function<void(Ctx &)> release;
};

CP_Handle OpenCom(Ctx &c, int autoReply)
{
    return CP_Port_OpenCom(c.device->Path(), 115200, CP_ComDataBits_8, CP_ComParity_NoParity, CP_ComStopBits_One,
                           CP_ComFlowControl_None, autoReply);
}

CP_Handle OpenTcp(Ctx &c, unsigned int timeoutMs = 3000, int autoReply = 0)
{
    return CP_Port_OpenTcp(nullptr, "127.0.0.1", c.printer->Port(), timeoutMs, autoReply);
}

bool StartPrinter(Ctx &c, bool stalled)
{
    c.printer.reset(new FakePrinter());
    c.printer->SetStalled(stalled);
    return c.printer->Start();
}

const Transport kTcp = {"TCP, printer answers", true, false, [](Ctx &c) { return StartPrinter(c, false); },
                        [](Ctx &c) { return OpenTcp(c); }, nullptr};
// Takes nothing and answers nothing (not even a close) until released.
const Transport kTcpStalled = {"TCP, printer stalled", true, false, [](Ctx &c) { return StartPrinter(c, true); },
                               [](Ctx &c) {
                                   c.printer->SetStalled(true);
                                   return OpenTcp(c);
                               },
                               [](Ctx &c) { c.printer->SetStalled(false); }};
const Transport kTcpFullQueue = {"TCP, listen queue full", true, false,
                                 [](Ctx &c) {
                                     c.queue.reset(new FullQueue());
                                     return c.queue->Start();
                                 },
                                 [](Ctx &c) {
                                     return CP_Port_OpenTcp(nullptr, "127.0.0.1", c.queue->Port(), 500, 0);
                                 },
                                 nullptr};
// Auto-reply: the printer gives its first status only once the cancel was sent.
const Transport kTcpAutoReply = {"TCP auto-reply, status after the cancel", true, false,
                                 [](Ctx &c) { return StartPrinter(c, false); },
                                 [](Ctx &c) { return OpenTcp(c, 3000, 1); },
                                 [](Ctx &c) {
                                     c.printer->AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrame));
                                     c.printer->Send(FakePrinter::Hex(kStatusFrame));
                                 }};
const Transport kSerial = {"serial (pty)", true, false,
                           [](Ctx &c) {
                               c.device.reset(new PtyPrinter());
                               return c.device->Ok();
                           },
                           [](Ctx &c) { return OpenCom(c, 0); }, nullptr};
const Transport kSerialAutoReply = {"serial (pty) auto-reply, status after the cancel", true, false, kSerial.start,
                                    [](Ctx &c) { return OpenCom(c, 1); },
                                    [](Ctx &c) {
                                        c.device->AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrame));
                                        c.device->Send(FakePrinter::Hex(kStatusFrame));
                                    }};
// A UDP peer that reads nothing and answers nothing.
const Transport kUdp = {"UDP (CP_Proto_OpenUdp), silent peer", false, false,
                        [](Ctx &c) {
                            c.udp.reset(new UdpPeer("127.0.0.1", 0));
                            return c.udp->Ok();
                        },
                        [](Ctx &c) { return CP_Proto_OpenUdp("127.0.0.1", 0, "127.0.0.1", c.udp->Port()); },
                        nullptr};
const Transport kFile = {"file", true, false,
                         [](Ctx &c) {
                             c.dir.reset(new TempDir());
                             return c.dir->WriteFile("out.bin", "");
                         },
                         [](Ctx &c) { return CP_Port_OpenFile(c.dir->Sub("out.bin").c_str()); }, nullptr};
const Transport kMemory = {"memory buffer", false, false, [](Ctx &) { return true; },
                           [](Ctx &) { return CP_Port_OpenMemoryBuffer(1u << 20); }, nullptr};
// Broadcasts stay inside a network namespace the row makes (only its loopback is there).
// Once the cancel was sent the search is asked to stop; so is AirKiss (a run that has not
// begun yet does not see an earlier stop).
const Transport kSearch = {"LAN search, test namespace", false, true, [](Ctx &) { return true; },
                           [](Ctx &) -> CP_Handle { return nullptr; },
                           [](Ctx &c) { __atomic_store_n(&c.enumCancel, 1, __ATOMIC_RELAXED); }};
const Transport kAirKiss = {"AirKiss, test namespace", false, true, [](Ctx &) { return true; },
                            [](Ctx &) -> CP_Handle { return nullptr; },
                            [](Ctx &c) {
                                for (int i = 0; i < 300 && !c.returned.load(); ++i) {
                                    CP_Airkiss_CancelConfig();
                                    usleep(10000);
                                }
                            }};
const Transport kUdpBroadcast = {"UDP broadcast command, silent peer", false, false, kUdp.start,
                                 [](Ctx &) -> CP_Handle { return nullptr; }, nullptr};

// ---- Rows -----------------------------------------------------------------------------------

enum class Kind {
    Open,  // the entry opens: the worker keeps the handle it returns, the test closes it
    Close, // each round opens a connection, the worker closes it
    Wait,  // the worker waits on one connection the row opens
    Other, // no connection: searches, provisioning, callback removal
};

struct Row {
    const char *entry;
    const Transport *transport;
    Kind kind;
    int fromUs, toUs, rounds; // fromUs < 0: the PortOpened callback cancels the opener
    bool inside;              // the cancel takes effect inside the call (a wait), else after it
    std::function<void(Ctx &)> call; // Wait and Other rows: the entry
    size_t heapLimit;                // Wait rows: the heap the rounds may keep, 0 unchecked
    std::function<void(Ctx &)> prepare = nullptr; // before each round, on the test's thread
};

const std::string &Big()
{
    static const std::string big(16u << 20, 'x');
    return big;
}

const unsigned char *U(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

// Heap handed out by the C library's malloc (a sanitizer's allocator is not counted here).
size_t HeapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

bool HeapMeasurable()
{
    const size_t before = HeapInUse();
    void *volatile p = malloc(64u << 10);
    const bool seen = HeapInUse() >= before + (64u << 10);
    free(p);
    return seen;
}

// Fills the socket buffers towards a stalled printer, so the next write waits.
void FillSendBuffer(CP_Handle h)
{
    for (int i = 0; i < 256 && CP_Port_Write(h, U(Big()), 1u << 20, 0) > 0; ++i) {
    }
}

// Runs CP_Airkiss_ConfigWireless with a time-out; its duration in ms.
int64_t AirKissMs(unsigned int timeoutMs)
{
    const int64_t start = NZUtils_MonotonicMs();
    CP_Airkiss_ConfigWireless("HomeNet", "pass1234", timeoutMs);
    return NZUtils_MonotonicMs() - start;
}

int ConfigIp(Ctx &c, unsigned int timeoutMs)
{
    return CP_UDPBroadcast_ConfigIP("127.0.0.1", 0, "127.0.0.1", c.udp->Port(), "00:11:22:33:44:55", 1,
                                    "192.168.1.100", "255.255.255.0", "192.168.1.1", 100, timeoutMs);
}

// ---- One row in its child -------------------------------------------------------------------

// The worker: this round's call, then a cancellation point.
void *Work(void *arg)
{
    Ctx &c = *static_cast<Ctx *>(arg);
    g_events.opener = pthread_self();
    g_events.openerKnown = true;
    CP_Handle h = nullptr;
    switch (c.row->kind) {
    case Kind::Open:
        h = c.row->transport->open(c);
        break;
    case Kind::Close:
        CP_Port_Close(c.h);
        break;
    default:
        c.row->call(c);
    }
    // Kept where the test sees it before the next cancellation point, as a C program's
    // cleanup handler would.
    c.handle = h;
    c.returned = true;
    // Cancelled from PortOpened: that may come after the open returned.
    for (int i = 0; i < 2000 && g_events.cancelOpener.load(); ++i)
        usleep(1000);
    pthread_testcancel();
    return nullptr;
}

void *SleepForever(void *)
{
    for (;;)
        pause();
    return nullptr;
}

// A row's exit code: the kinds of failure it found, added up, or one of the codes above 127.
enum Failure {
    kFds = 1,       // descriptors left
    kThreads = 2,   // threads left
    kSlots = 4,     // handle slots left taken
    kEvents = 8,    // PortOpened/PortOpenFailed/PortClosed not raised once
    kHeap = 16,     // heap kept
    kLater = 32,    // a later call of the same kind failed
    kCutShort = 64, // a call that runs whole was ended by the cancel
    kSetup = 200,   // the far end or a connection could not be had
    kStuck = 201,   // the worker did not end
    kNoNetns = 202, // no network namespace here: skipped
};

int RunRow(const Row &row)
{
    Ctx c;
    c.row = &row;
    const Transport &t = *row.transport;
    if (!t.start(c))
        return kSetup;
    CP_Port_AddOnPortOpenedEvent(OnOpened, nullptr);
    CP_Port_AddOnPortOpenFailedEvent(OnOpenFailed, nullptr);
    CP_Port_AddOnPortClosedEvent(OnClosed, nullptr);
    g_events.writtenSleepMs = 300;
    // The first cancel of the process loads the unwinder: not a leak of any row.
    CancelAndJoin(&SleepForever, nullptr, 1000, 10000);

    const int fds = CountOpenFds(), threads = CountThreads();
    if (row.kind == Kind::Wait && !(c.h = t.open(c)))
        return kSetup;
    if (row.heapLimit)
        FillSendBuffer(c.h);
    const bool measureHeap = row.heapLimit && HeapMeasurable();
    const size_t heap = HeapInUse();

    std::string diag;
    int failures = 0;
    auto fail = [&](int kind, const std::string &what) {
        failures |= kind;
        diag += (diag.empty() ? "" : "; ") + what;
    };
    int openCalls = 0, cutShort = 0;
    for (int k = 0; k < row.rounds; ++k) {
        const int delay = row.fromUs < 0 ? -1
                                         : row.fromUs + (row.rounds > 1 ? (row.toUs - row.fromUs) * k / (row.rounds - 1)
                                                                         : 0);
        if (row.kind == Kind::Close && !(c.h = t.open(c)))
            return kSetup;
        if (row.prepare)
            row.prepare(c);
        c.returned = false;
        c.handle = nullptr;
        __atomic_store_n(&c.enumCancel, 0, __ATOMIC_RELAXED);
        g_events.openerKnown = false;
        g_events.cancelOpener = row.fromUs < 0;
        openCalls += row.kind == Kind::Open;
        const CancelOutcome out = CancelAndJoin(&Work, &c, delay, 10000, [&] {
            if (t.release && row.kind != Kind::Wait) // a wait's printer stays stalled for all rounds
                t.release(c);
        });
        if (!out.joined) {
            printf("the worker did not end within 10 s of the cancel (round %d)\n", k);
            fflush(stdout);
            _exit(kStuck);
        }
        if (c.writer.joinable())
            c.writer.join();
        if (c.extra)
            CP_Port_Close(c.extra);
        c.extra = nullptr;
        cutShort += !row.inside && !c.returned.load();
        if (c.handle.load() && CP_Port_Close(c.handle.load()) != 1)
            fail(kLater, "closing the handle the cancelled open returned failed");
    }
    const size_t heapAfter = HeapInUse();
    g_events.writtenSleepMs = 0;
    if (cutShort)
        fail(kCutShort, std::to_string(cutShort) + " of " + std::to_string(row.rounds) + " calls ended by the cancel");
    if (row.kind == Kind::Wait) {
        if (t.release)
            t.release(c);
        if (CP_Port_Write(c.h, U("ok"), 2, 5000) != 2)
            fail(kLater, "a later write failed");
        if (CP_Port_Close(c.h) != 1)
            fail(kLater, "closing the connection failed");
    }

    // Threads end and the printers close their side a moment after the connections close.
    WaitFor([&] { return CountOpenFds() == fds && CountThreads() == threads; }, 2000);
    if (CountOpenFds() != fds)
        fail(kFds, std::to_string(CountOpenFds() - fds) + " descriptors left");
    if (CountThreads() != threads)
        fail(kThreads, std::to_string(CountThreads() - threads) + " threads left");
    {
        auto eventsRight = [&] {
            std::lock_guard<std::mutex> g(g_events.lock);
            bool right = !t.events || row.kind != Kind::Open ||
                         static_cast<int>(g_events.opened.size()) + g_events.failed == openCalls;
            for (const auto &o : g_events.opened) {
                auto it = g_events.closed.find(o.first);
                right = right && o.second == 1 && it != g_events.closed.end() && it->second == 1;
            }
            return right;
        };
        if (!WaitFor(eventsRight, 2000)) {
            std::lock_guard<std::mutex> g(g_events.lock);
            int closedOnce = 0;
            for (const auto &o : g_events.opened)
                closedOnce += g_events.closed.count(o.first) && g_events.closed[o.first] == 1;
            char text[160];
            if (row.kind == Kind::Open)
                snprintf(text, sizeof text,
                         "%d opens: PortOpened %zu, PortOpenFailed %d; PortClosed once for %d of %zu", openCalls,
                         g_events.opened.size(), g_events.failed, closedOnce, g_events.opened.size());
            else
                snprintf(text, sizeof text, "PortClosed once for %d of %zu connections", closedOnce,
                         g_events.opened.size());
            fail(kEvents, text);
        }
    }
    {
        std::vector<CP_Handle> slots;
        for (int i = 0; i < 100; ++i)
            if (CP_Handle m = CP_Port_OpenMemoryBuffer(16))
                slots.push_back(m);
        if (slots.size() != 100)
            fail(kSlots, std::to_string(100 - slots.size()) + " handle slots taken");
        for (CP_Handle m : slots)
            CP_Port_Close(m);
    }
    if (measureHeap && heapAfter > heap + row.heapLimit)
        fail(kHeap, std::to_string(heapAfter - heap) + " heap bytes kept");

    // A later call of the same kind.
    if (row.kind == Kind::Open || row.kind == Kind::Close) {
        if (row.transport == &kTcpFullQueue) {
            StartPrinter(c, false);
            c.h = OpenTcp(c);
        } else {
            c.h = t.open(c);
        }
        if (t.release)
            t.release(c);
        if (!c.h || CP_Port_Close(c.h) != 1)
            fail(kLater, "a later open and close failed");
    } else if (row.transport == &kAirKiss) {
        const int64_t ms = AirKissMs(1000);
        if (ms < 900 || ms > 3000)
            fail(kLater, "a later AirKiss run with a 1000 ms time-out took " + std::to_string(ms) + " ms");
    } else if (row.transport == &kSearch) {
        const int64_t start = NZUtils_MonotonicMs();
        CP_Port_EnumNetPrinter(1, nullptr, nullptr, nullptr);
        if (NZUtils_MonotonicMs() - start > 3000)
            fail(kLater, "a later search did not end in time");
    } else if (row.transport == &kUdpBroadcast) {
        const int64_t start = NZUtils_MonotonicMs();
        if (ConfigIp(c, 500) != 0 || NZUtils_MonotonicMs() - start < 400)
            fail(kLater, "a later command to a silent printer did not wait its time-out");
    } else if (row.transport == &kMemory && row.kind == Kind::Other) {
        if (CP_Port_AddOnPortWrittenEvent(OnWritten, nullptr) != 1)
            fail(kLater, "the removed callback could not be added again");
    }

    {
        Watchdog dog;
        Watchdog::Scope call(dog, "removing the callbacks after the cancels", 5000);
        CP_Port_RemoveOnPortWrittenEvent(OnWritten);
        CP_Port_RemoveOnPortOpenedEvent(OnOpened);
        CP_Port_RemoveOnPortOpenFailedEvent(OnOpenFailed);
        CP_Port_RemoveOnPortClosedEvent(OnClosed);
    }
    if (failures)
        printf("left: %s\n", diag.c_str());
    return failures;
}

std::string Describe(const Row &row)
{
    char delay[64];
    if (row.fromUs < 0)
        snprintf(delay, sizeof delay, "cancelled from its PortOpened callback");
    else if (row.rounds > 1)
        snprintf(delay, sizeof delay, "cancelled %d times at %g-%g ms", row.rounds, row.fromUs / 1000.0,
                 row.toUs / 1000.0);
    else
        snprintf(delay, sizeof delay, "cancelled at %g ms", row.fromUs / 1000.0);
    return std::string(row.entry) + ", " + row.transport->name + ", " + delay;
}

// Runs the rows in children, several at once, and reports each failing row on one line.
void RunRows(const std::vector<Row> &rows)
{
    const std::vector<ChildOutcome> out = RunChildCases(
        rows.size(),
        [&](size_t i) {
            if (!rows[i].transport->netns)
                return RunRow(rows[i]);
            TestNetns ns(false);
            if (!ns.Ok()) {
                printf("%s\n", ns.Reason().c_str());
                return static_cast<int>(kNoNetns);
            }
            int code = kSetup;
            ns.Run(false, [&] { code = RunRow(rows[i]); });
            return code;
        },
        30000, 8);
    for (size_t i = 0; i < out.size(); ++i) {
        const ChildOutcome &o = out[i];
        if (o.exited && o.code == kNoNetns) {
            printf("skipped: %s: %s", Describe(rows[i]).c_str(), o.output.c_str());
            continue;
        }
        const std::string end = o.timedOut ? "timed out"
                                : o.exited ? "exit " + std::to_string(o.code)
                                           : "signal " + std::to_string(o.code);
        EXPECT_TRUE(o.exited && o.code == 0) << Describe(rows[i]) << ": " << end << " after " << o.ms << " ms\n"
                                             << o.output;
    }
}

} // namespace

TEST(Cancel, CancelledCallsLeaveNothingBehind)
{
    static const std::string request(65535, 'r');
    // Rows whose cancel lands inside a library wait: in the address-sanitizer build the
    // sanitizers' runtime cannot follow an unwinding from there, so they run in the others.
#ifdef __SANITIZE_ADDRESS__
    const bool inside = false;
#else
    const bool inside = true;
#endif
    std::vector<Row> rows = {
        // Opens run whole.
        {"CP_Port_OpenTcp", &kTcpFullQueue, Kind::Open, 100000, 100000, 1, false, nullptr, 0},
        {"CP_Port_OpenTcp", &kTcp, Kind::Open, 0, 2000, 10, false, nullptr, 0},
        {"CP_Port_OpenCom", &kSerial, Kind::Open, 0, 2000, 10, false, nullptr, 0},
        {"CP_Proto_OpenUdp", &kUdp, Kind::Open, 0, 2000, 10, false, nullptr, 0},
        {"CP_Port_OpenTcp", &kTcpAutoReply, Kind::Open, 20000, 20000, 1, false, nullptr, 0},
        {"CP_Port_OpenCom", &kSerialAutoReply, Kind::Open, 20000, 20000, 1, false, nullptr, 0},
        {"CP_Port_OpenFile", &kFile, Kind::Open, -1, -1, 5, false, nullptr, 0},
        {"CP_Port_OpenFile", &kFile, Kind::Open, 0, 3000, 20, false, nullptr, 0},
        // Closes run whole.
        {"CP_Port_Close", &kTcpStalled, Kind::Close, 100000, 300000, 2, false, nullptr, 0},
        {"CP_Port_Close", &kUdp, Kind::Close, 0, 50000, 6, false, nullptr, 0},
        {"CP_Port_Close", &kSerial, Kind::Close, 0, 2000, 8, false, nullptr, 0},
        // Searches, provisioning and callback removal run whole.
        {"CP_Port_EnumNetPrinter", &kSearch, Kind::Other, 50000, 1000000, 3, false,
         [](Ctx &c) { CP_Port_EnumNetPrinter(5000, &c.enumCancel, nullptr, nullptr); }, 0},
        {"CP_Airkiss_ConfigWireless", &kAirKiss, Kind::Other, 1000, 1000000, 3, false,
         [](Ctx &) { CP_Airkiss_ConfigWireless("HomeNet", "pass1234", 3000); }, 0},
        {"CP_UDPBroadcast_ConfigIP", &kUdpBroadcast, Kind::Other, 50000, 50000, 1, false,
         [](Ctx &c) { ConfigIp(c, 500); }, 0},
        {"CP_Port_RemoveOnPortWrittenEvent while the callback runs", &kMemory, Kind::Other, 50000, 50000, 1, false,
         [](Ctx &) { CP_Port_RemoveOnPortWrittenEvent(OnWritten); }, 0,
         [](Ctx &c) { // a write on another thread is in the callback when the removal starts
             CP_Port_AddOnPortWrittenEvent(OnWritten, nullptr);
             CP_Handle m = c.extra = CP_Port_OpenMemoryBuffer(64);
             c.writer = std::thread([m] { CP_Port_Write(m, U("abc"), 3, 1000); });
             WaitFor([] { return g_events.writtenRunning.load() > 0; }, 2000);
         }},
    };
    if (inside) {
        std::vector<Row> waits = {
            // Waits on the printer end at the cancel and release what they hold.
            {"CP_Port_Read", &kTcp, Kind::Wait, 100000, 100000, 1, true,
             [](Ctx &c) { unsigned char b[8]; CP_Port_Read(c.h, b, 8, 60000); }, 0},
            {"CP_Port_Write", &kTcpStalled, Kind::Wait, 100000, 100000, 1, true,
             [](Ctx &c) { CP_Port_Write(c.h, U(Big()), static_cast<unsigned int>(Big().size()), 60000); }, 0},
            {"CP_Pos_QueryRTStatus", &kTcpStalled, Kind::Wait, 100000, 100000, 1, true,
             [](Ctx &c) { CP_Pos_QueryRTStatus(c.h, 60000); }, 0},
            {"CP_Proto_QueryBatteryLevel", &kUdp, Kind::Wait, 100000, 100000, 1, true,
             [](Ctx &c) { CP_Proto_QueryBatteryLevel(c.h, 60000); }, 0},
            {"CP_Proto_SendPackageAndRecvResponseWithRetry, 64 KB", &kTcpStalled, Kind::Wait, 20000, 20000, 10, true,
             [](Ctx &c) {
                 CP_Proto_SetWorkEnabled(c.h, 1);
                 CP_Proto_SendPackageAndRecvResponseWithRetry(c.h, 0xFF, 1, 0, 65535, U(request), 60000, 60000, 0,
                                                              nullptr, nullptr, 1);
             },
             64u << 10},
            {"CP_Settings_Hardware_SetPrintSpeed", &kTcpStalled, Kind::Wait, 5000, 5000, 10, true,
             [](Ctx &c) { CP_Settings_Hardware_SetPrintSpeed(c.h, 3); }, 200},
            {"CP_Port_Write, PortWritten callback sleeping", &kMemory, Kind::Wait, 20000, 20000, 1, true,
             [](Ctx &c) {
                 CP_Port_AddOnPortWrittenEvent(OnWritten, nullptr);
                 CP_Port_Write(c.h, U("abc"), 3, 1000);
             },
             0},
        };
        rows.insert(rows.end(), waits.begin(), waits.end());
    }
    RunRows(rows);
}

// The thread that raises PortOpened must not read the opener's frame once a cancel has
// ended the opener: with dead frames kept poisoned, the address sanitizer catches such a
// read. The option has to be there when the process starts, so the test runs itself again
// with it.
TEST(Cancel, OpenEventOutlivesCancelledOpeners)
{
#ifndef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "needs the address sanitizer (the table runs these opens in every build)";
#else
    const char *options = getenv("ASAN_OPTIONS");
    if (!options || !strstr(options, "detect_stack_use_after_return=1")) {
        const std::vector<ChildOutcome> out = RunChildCases(
            1,
            [&](size_t) {
                const std::string value =
                    std::string(options ? options : "") + (options && *options ? ":" : "") +
                    "detect_stack_use_after_return=1";
                setenv("ASAN_OPTIONS", value.c_str(), 1);
                const char *argv[] = {"tests_quorvane", "--gtest_filter=Cancel.OpenEventOutlivesCancelledOpeners",
                                      nullptr};
                execve("/proc/self/exe", const_cast<char **>(argv), environ);
                perror("execve");
                return 1;
            },
            60000, 1);
        EXPECT_TRUE(out[0].exited && out[0].code == 0)
            << (out[0].exited ? "exit " : "signal ") << out[0].code << "\n" << out[0].output;
        return;
    }
    ASSERT_NE(__asan_get_current_fake_stack(), nullptr) << "frames are not kept after return: nothing would be seen";
    std::vector<Row> rows(4, Row{"CP_Port_OpenFile", &kFile, Kind::Open, 0, 3000, 40, false, nullptr, 0});
    rows.push_back(Row{"CP_Port_OpenFile", &kFile, Kind::Open, -1, -1, 20, false, nullptr, 0});
    RunRows(rows);
#endif
}
