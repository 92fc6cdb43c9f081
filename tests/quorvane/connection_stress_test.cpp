// Eight threads open, write, query, register callbacks and close connections to fake
// printers that answer, drop, stall and reset at random, while one more thread closes
// handles the others are using, and callbacks write to, query and close other
// connections. Built also under AddressSanitizer and ThreadSanitizer.
//
// Checks: no crash or race (the sanitizers), no deadlock (every call returns within its
// time-out plus 2 s, or the watchdog ends the program), user data freed after a removal is
// never used, every open and close is reported once, and once everything is closed no
// handle, descriptor or thread is left over.
//
// Runs 3 s by default; QUORVANE_STRESS_SECONDS=<n> runs it longer.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/FakePrinter.h"
#include "support/TestUtil.h"
#include "support/Watchdog.h"

using quorvane_test::CountOpenFds;
using quorvane_test::CountThreads;
using quorvane_test::WaitFor;
using quorvane_test::Watchdog;

namespace {

const int kWorkers = 8;
const int kPrinters = 4;
const unsigned int kCallMs = 200;     // time-out of the workers' writes, reads and queries
const unsigned int kCallbackMs = 100; // time-out of the calls callbacks make
const int kSlackMs = 2000;
// A close waits up to 3 s (whole seconds) for the printer to answer its half-close, and
// for the read thread, which may be inside a callback's calls.
const int kCloseLimitMs = 4000 + 4 * static_cast<int>(kCallbackMs) + kSlackMs;
// Six auto-reply tries of 1 s each, and the writes of each try.
const int kOpenLimitMs = 6 * (1000 + 4 * static_cast<int>(kCallMs)) + kSlackMs;
// A write may run written callbacks, each of which makes one call of its own.
const int kCallLimitMs = 4 * static_cast<int>(kCallMs) + 4 * static_cast<int>(kCallbackMs) + kSlackMs;

Watchdog *g_dog = nullptr;

template <typename F>
auto Watched(const char *what, int limitMs, F f) -> decltype(f())
{
    Watchdog::Scope scope(*g_dog, what, limitMs);
    return f();
}

struct Counts {
    std::atomic<long> opens{0}, openOk{0}, writes{0}, queries{0}, reads{0}, closes{0}, closerCloses{0};
    std::atomic<long> registrations{0}, removals{0};
    std::atomic<long> callbacks{0}, callbackWrites{0}, callbackQueries{0}, callbackCloses{0};
    std::atomic<long> opened{0}, openFailed{0}, closed{0}, status{0};
    std::atomic<long> badUserData{0};
};
Counts g;

// Handles in use, for the closer thread and the callbacks to pick from.
class Pool {
public:
    void Add(CP_Handle h)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_handles.push_back(h);
    }
    void Remove(CP_Handle h)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (size_t i = 0; i < m_handles.size(); ++i) {
            if (m_handles[i] == h) {
                m_handles[i] = m_handles.back();
                m_handles.pop_back();
                return;
            }
        }
    }
    CP_Handle Pick(unsigned int r)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_handles.empty() ? nullptr : m_handles[r % m_handles.size()];
    }

private:
    std::mutex m_mutex;
    std::vector<CP_Handle> m_handles;
};
Pool g_pool;

// User data of the workers' callbacks: freed as soon as the removal returned.
const unsigned int kMagic = 0x5EC0DE;
struct UserData {
    unsigned int magic = kMagic;
    unsigned int worker;
};

bool Good(void *user)
{
    const UserData *d = static_cast<const UserData *>(user);
    if (!d || d->magic != kMagic) {
        ++g.badUserData;
        return false;
    }
    return true;
}

thread_local int tl_depth = 0; // callbacks nested on this thread

// One call on another connection, chosen by n: write, query, close or nothing.
void CallAnother(CP_Handle self, long n)
{
    if (tl_depth > 1)
        return; // a callback raised by a callback's own call: no further calls
    CP_Handle other = g_pool.Pick(static_cast<unsigned int>(n * 2654435761u));
    if (!other)
        return;
    static const unsigned char bytes[] = {0x1B, 0x40, 0x0A};
    switch (n % 8) {
    case 1:
        CP_Port_Write(other, bytes, sizeof(bytes), kCallbackMs);
        ++g.callbackWrites;
        break;
    case 3:
        CP_Pos_QueryRTStatus(other, kCallbackMs);
        ++g.callbackQueries;
        break;
    case 5:
        if (CP_Port_Close(other) == 1 && other != self)
            ++g.callbackCloses;
        break;
    default:
        break;
    }
}

struct Depth {
    Depth() { ++tl_depth; }
    ~Depth() { --tl_depth; }
};

template <int W>
void Received(CP_Handle h, const unsigned char *, unsigned int, void *user)
{
    Depth d;
    if (!Good(user))
        return;
    const long n = ++g.callbacks;
    Watched("received callback", 4 * static_cast<int>(kCallbackMs) + kSlackMs, [&] { CallAnother(h, n); });
}

template <int W>
void Written(CP_Handle h, const unsigned char *, unsigned int, void *user)
{
    Depth d;
    if (!Good(user))
        return;
    const long n = ++g.callbacks;
    Watched("written callback", 4 * static_cast<int>(kCallbackMs) + kSlackMs, [&] { CallAnother(h, n / 3); });
}

void OnOpened(CP_Handle, const char *, void *)
{
    const long n = ++g.callbacks;
    if (n % 16 == 0)
        Watched("opened callback", kCloseLimitMs, [&] { CP_Port_Close(g_pool.Pick(static_cast<unsigned int>(n))); });
    ++g.opened; // last: the test may end once every open was reported
}
void OnOpenFailed(CP_Handle, const char *, void *)
{
    ++g.openFailed;
    ++g.callbacks;
}
void OnClosed(CP_Handle h, void *)
{
    ++g.closed;
    ++g.callbacks;
    // The handle may already be gone: calls on it must then just fail.
    long long err = 0;
    CP_Printer_GetPrinterStatusInfo(h, &err, nullptr, nullptr);
}
void OnStatus(CP_Handle h, long long, long long, void *)
{
    ++g.status;
    ++g.callbacks;
    unsigned int count = 0;
    CP_Printer_GetPrinterReceivedInfo(h, &count, nullptr);
}

typedef void (*RxFn)(CP_Handle, const unsigned char *, unsigned int, void *);
const RxFn kReceived[kWorkers] = {Received<0>, Received<1>, Received<2>, Received<3>,
                                  Received<4>, Received<5>, Received<6>, Received<7>};
const RxFn kWritten[kWorkers] = {Written<0>, Written<1>, Written<2>, Written<3>,
                                 Written<4>, Written<5>, Written<6>, Written<7>};

// A worker's own two callbacks, registered and removed again at random.
struct Registrations {
    int worker;
    UserData *received = nullptr, *written = nullptr;

    void Toggle(bool receivedKind)
    {
        UserData *&slot = receivedKind ? received : written;
        if (slot) {
            const int removed = Watched("callback removal", kCallLimitMs, [&] {
                return receivedKind ? CP_Port_RemoveOnPortReceivedEvent(kReceived[worker])
                                    : CP_Port_RemoveOnPortWrittenEvent(kWritten[worker]);
            });
            EXPECT_EQ(1, removed);
            delete slot; // no call of the removed callback may use it any more
            slot = nullptr;
            ++g.removals;
        } else {
            slot = new UserData;
            slot->worker = static_cast<unsigned int>(worker);
            const int added = receivedKind ? CP_Port_AddOnPortReceivedEvent(kReceived[worker], slot)
                                           : CP_Port_AddOnPortWrittenEvent(kWritten[worker], slot);
            EXPECT_EQ(1, added);
            ++g.registrations;
        }
    }
    void Clear()
    {
        if (received)
            Toggle(true);
        if (written)
            Toggle(false);
    }
};

void Work(int w, std::vector<std::unique_ptr<FakePrinter>> &printers, int64_t endMs)
{
    std::mt19937 rng(static_cast<unsigned int>(w * 7919 + 1));
    Registrations regs;
    regs.worker = w;
    static const unsigned char data[] = {0x1B, 0x40, 'q', 'u', 'o', 'r', 'v', 'a', 'n', 'e', 0x0A};
    while (NZUtils_MonotonicMs() < endMs) {
        FakePrinter &p = *printers[rng() % printers.size()];
        const int autoReply = rng() % 8 == 0 ? 1 : 0;
        ++g.opens;
        CP_Handle h = Watched("CP_Port_OpenTcp", kOpenLimitMs,
                              [&] { return CP_Port_OpenTcp(nullptr, "127.0.0.1", p.Port(), 1000, autoReply); });
        if (!h)
            continue;
        ++g.openOk;
        g_pool.Add(h);
        CP_Port_SetDefaultWriteTimeout(h, kCallMs);
        const unsigned int ops = 1 + rng() % 6;
        for (unsigned int k = 0; k < ops; ++k) {
            switch (rng() % 8) {
            case 0:
                Watched("CP_Port_Write", kCallLimitMs, [&] { return CP_Port_Write(h, data, sizeof(data), kCallMs); });
                ++g.writes;
                break;
            case 1:
                Watched("CP_Pos_PrintText", kCallLimitMs, [&] { return CP_Pos_PrintText(h, "stress\n"); });
                ++g.writes;
                break;
            case 2:
                Watched("CP_Printer_ClearPrinterBuffer", kCallLimitMs, [&] { return CP_Printer_ClearPrinterBuffer(h); });
                ++g.writes;
                break;
            case 3:
                Watched("CP_Pos_QueryRTStatus", kCallLimitMs, [&] { return CP_Pos_QueryRTStatus(h, kCallMs); });
                ++g.queries;
                break;
            case 4: {
                unsigned char buf[16];
                Watched("CP_Port_Read", kCallLimitMs, [&] { return CP_Port_Read(h, buf, sizeof(buf), 20); });
                ++g.reads;
                break;
            }
            case 5: {
                long long err = 0, info = 0, t = 0;
                CP_Printer_GetPrinterStatusInfo(h, &err, &info, &t);
                ++g.queries;
                break;
            }
            default:
                regs.Toggle(rng() % 2 == 0);
                break;
            }
        }
        g_pool.Remove(h);
        if (Watched("CP_Port_Close", kCloseLimitMs, [&] { return CP_Port_Close(h); }) == 1)
            ++g.closes;
    }
    regs.Clear();
}

int StressSeconds()
{
    const char *text = getenv("QUORVANE_STRESS_SECONDS");
    const int n = text ? atoi(text) : 0;
    return n > 0 ? n : 3;
}

TEST(ConnectionStress, ThreadsOpenWriteQueryCloseWithCallbacksThatCallBack)
{
    Watchdog dog;
    g_dog = &dog;
    std::vector<std::unique_ptr<FakePrinter>> printers;
    for (int i = 0; i < kPrinters; ++i) {
        printers.emplace_back(new FakePrinter);
        FakePrinter &p = *printers.back();
        p.SetGreeting(FakePrinter::Hex("41 42 53 01 02 03 00 02 00 51 43"));
        p.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex("53 01 02 03 00 02 00 51"));
        p.AddRule(FakePrinter::Hex("10 05 FF 01 02"), FakePrinter::Hex("44 45 53 00 00 01 00 00 03 51"));
        p.AddRule(FakePrinter::Hex("10 04 01 10 04 02 10 04 03 10 04 04"), FakePrinter::Hex("12 12 12 12"));
        ASSERT_TRUE(p.Start());
    }
    // Connections of earlier tests are gone, their closed events with them: a late one
    // would be counted here.
    ASSERT_TRUE(WaitFor([] { return ptrs.Count() == 0; }, 5000)) << ptrs.Count() << " handles left before";
    ASSERT_EQ(1, CP_Port_AddOnPortOpenedEvent(OnOpened, nullptr));
    ASSERT_EQ(1, CP_Port_AddOnPortOpenFailedEvent(OnOpenFailed, nullptr));
    ASSERT_EQ(1, CP_Port_AddOnPortClosedEvent(OnClosed, nullptr));
    ASSERT_EQ(1, CP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr));

    // The printers' and the watchdog's threads are up; count from here.
    const int fdsBefore = CountOpenFds();
    const int threadsBefore = CountThreads();
    const int seconds = StressSeconds();
    const int64_t endMs = NZUtils_MonotonicMs() + seconds * 1000;

    // Printers answer, drop, reset, stall for a moment, or send status by themselves.
    std::atomic<bool> stop{false};
    std::thread chaos([&] {
        std::mt19937 rng(12345);
        while (!stop) {
            NZIOSleep::SleepMs(static_cast<int>(5 + rng() % 20));
            FakePrinter &p = *printers[rng() % kPrinters];
            switch (rng() % 6) {
            case 0:
                p.CloseAll();
                break;
            case 1:
                p.ResetAll();
                break;
            case 2:
                p.SetStalled(true);
                NZIOSleep::SleepMs(static_cast<int>(20 + rng() % 100));
                p.SetStalled(false);
                break;
            case 3:
                p.Send(FakePrinter::Hex("53 01 02 03 00 02 00 51 2A"));
                break;
            default:
                break; // answer as scripted
            }
        }
    });
    // Closes handles that workers are using.
    std::thread closer([&] {
        std::mt19937 rng(999);
        while (!stop) {
            NZIOSleep::SleepMs(static_cast<int>(3 + rng() % 10));
            CP_Handle h = g_pool.Pick(rng());
            if (h && Watched("CP_Port_Close (closer)", kCloseLimitMs, [&] { return CP_Port_Close(h); }) == 1)
                ++g.closerCloses;
        }
    });
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w)
        workers.emplace_back(Work, w, std::ref(printers), endMs);
    for (std::thread &t : workers)
        t.join();
    stop = true;
    closer.join();
    chaos.join();

    printf("stress %d s: opens %ld (%ld opened), writes %ld, queries %ld, reads %ld, closes %ld + %ld by the closer "
           "thread, callbacks %ld (writes %ld, queries %ld, closes %ld of other connections), registrations %ld, "
           "removals %ld, status events %ld, longest watched call %lld ms\n",
           seconds, g.opens.load(), g.openOk.load(), g.writes.load(), g.queries.load(), g.reads.load(),
           g.closes.load(), g.closerCloses.load(), g.callbacks.load(), g.callbackWrites.load(),
           g.callbackQueries.load(), g.callbackCloses.load(), g.registrations.load(), g.removals.load(),
           g.status.load(), static_cast<long long>(dog.LongestMs()));
    fflush(stdout);

    EXPECT_EQ(0, g.badUserData.load());
    EXPECT_TRUE(WaitFor([] { return g.opened.load() + g.openFailed.load() == g.opens.load(); }, 10000))
        << g.opened.load() << " opened + " << g.openFailed.load() << " failed of " << g.opens.load();
    EXPECT_EQ(g.openOk.load(), g.opened.load());
    EXPECT_TRUE(WaitFor([] { return g.closed.load() == g.openOk.load(); }, 10000))
        << g.closed.load() << " closed of " << g.openOk.load();
    EXPECT_TRUE(WaitFor([] { return ptrs.Count() == 0; }, 10000)) << ptrs.Count() << " handles left";
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threadsBefore; }, 10000))
        << CountThreads() << " threads, " << threadsBefore << " before";
    EXPECT_TRUE(WaitFor([&] { return CountOpenFds() == fdsBefore; }, 10000))
        << CountOpenFds() << " descriptors, " << fdsBefore << " before";
    EXPECT_GT(g.openOk.load(), 0);
    EXPECT_GT(g.callbackCloses.load() + g.callbackWrites.load() + g.callbackQueries.load(), 0);

    CP_Port_RemoveOnPortOpenedEvent(OnOpened);
    CP_Port_RemoveOnPortOpenFailedEvent(OnOpenFailed);
    CP_Port_RemoveOnPortClosedEvent(OnClosed);
    CP_Printer_RemoveOnPrinterStatusEvent(OnStatus);
    for (auto &p : printers)
        p->Stop();
    g_dog = nullptr;
}

} // namespace
