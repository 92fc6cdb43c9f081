// Callbacks that call back into the library on live connections to fake printers:
// closing another connection from a received callback (also two connections closing each
// other at once), and writing from a written callback. Each case must complete; the
// watchdog ends the program when one hangs.
#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/FakePrinter.h"
#include "support/TestUtil.h"
#include "support/Watchdog.h"

using quorvane_test::WaitFor;
using quorvane_test::Watchdog;

namespace {

// Two connections, A and B, each to a printer of its own.
struct Pair {
    FakePrinter printerA, printerB;
    CP_Handle a = nullptr, b = nullptr;

    bool Open()
    {
        if (!printerA.Start() || !printerB.Start())
            return false;
        a = CP_Port_OpenTcp(nullptr, "127.0.0.1", printerA.Port(), 3000, 0);
        b = CP_Port_OpenTcp(nullptr, "127.0.0.1", printerB.Port(), 3000, 0);
        return a && b;
    }
    void CloseBoth()
    {
        CP_Port_Close(a);
        CP_Port_Close(b);
    }
};

bool Gone(CP_Handle h) { return !ptrs.Contains(static_cast<IOHandle *>(h)); }

// ---- A received callback closes another connection ------------------------------------

struct CloseOther {
    Pair *pair;
    std::atomic<bool> fired{false};
    std::atomic<int> bChunksDuringClose{0};
    std::atomic<bool> closing{false};
    std::atomic<int> closeResult{-1};
};

void ReceivedClosesOther(CP_Handle h, const unsigned char *, unsigned int, void *user)
{
    CloseOther *c = static_cast<CloseOther *>(user);
    if (h == c->pair->b && c->closing.load())
        ++c->bChunksDuringClose;
    if (h != c->pair->a || c->fired.exchange(true))
        return;
    // B receives while A's callback runs: B's read thread raises its own callbacks.
    c->closing = true;
    c->pair->printerB.Send("bbbb");
    WaitFor([c] { return c->bChunksDuringClose.load() > 0; }, 2000);
    c->closeResult = CP_Port_Close(c->pair->b);
}

TEST(CallbackReentry, ReceivedCallbackClosesAnotherConnection)
{
    Watchdog dog;
    Pair pair;
    ASSERT_TRUE(pair.Open());
    CloseOther state;
    state.pair = &pair;
    ASSERT_EQ(1, CP_Port_AddOnPortReceivedEvent(ReceivedClosesOther, &state));
    {
        Watchdog::Scope scope(dog, "received callback closing another connection", 8000);
        pair.printerA.Send("a");
        ASSERT_TRUE(WaitFor([&] { return state.closeResult.load() != -1; }, 6000));
        EXPECT_EQ(1, state.closeResult.load());
        EXPECT_GT(state.bChunksDuringClose.load(), 0);
        EXPECT_TRUE(WaitFor([&] { return Gone(pair.b); }, 5000));
        EXPECT_TRUE(pair.printerB.WaitForLive(0, 5000));
    }
    // A still works.
    const unsigned char ping[] = {0x1B, 0x40};
    EXPECT_EQ(2, CP_Port_Write(pair.a, ping, 2, 1000));
    EXPECT_TRUE(pair.printerA.WaitForReceived(FakePrinter::Hex("1B 40"), 2000));
    {
        Watchdog::Scope scope(dog, "removal and closes", 8000);
        EXPECT_EQ(1, CP_Port_RemoveOnPortReceivedEvent(ReceivedClosesOther));
        pair.CloseBoth();
    }
}

// ---- Two received callbacks close each other's connection at the same time ------------

struct CloseEachOther {
    Pair *pair;
    std::atomic<int> inside{0};
    std::atomic<int> results[2] = {{-1}, {-1}};
    std::atomic<bool> fired[2] = {{false}, {false}};
};

void ReceivedClosesTheOtherBack(CP_Handle h, const unsigned char *, unsigned int, void *user)
{
    CloseEachOther *c = static_cast<CloseEachOther *>(user);
    const int me = h == c->pair->a ? 0 : h == c->pair->b ? 1 : -1;
    if (me < 0 || c->fired[me].exchange(true))
        return;
    ++c->inside;
    WaitFor([c] { return c->inside.load() == 2; }, 2000); // both read threads are in here
    c->results[me] = CP_Port_Close(me == 0 ? c->pair->b : c->pair->a);
}

TEST(CallbackReentry, TwoReceivedCallbacksCloseEachOthersConnection)
{
    Watchdog dog;
    Pair pair;
    ASSERT_TRUE(pair.Open());
    CloseEachOther state;
    state.pair = &pair;
    ASSERT_EQ(1, CP_Port_AddOnPortReceivedEvent(ReceivedClosesTheOtherBack, &state));
    {
        Watchdog::Scope scope(dog, "two received callbacks closing each other's connection", 8000);
        pair.printerA.Send("a");
        pair.printerB.Send("b");
        ASSERT_TRUE(WaitFor([&] { return state.results[0].load() != -1 && state.results[1].load() != -1; }, 6000));
        EXPECT_EQ(2, state.inside.load());
        EXPECT_EQ(1, state.results[0].load());
        EXPECT_EQ(1, state.results[1].load());
        EXPECT_TRUE(WaitFor([&] { return Gone(pair.a) && Gone(pair.b); }, 5000));
        EXPECT_EQ(1, CP_Port_RemoveOnPortReceivedEvent(ReceivedClosesTheOtherBack));
    }
}

// ---- A written callback writes ------------------------------------------------------------

struct WriteBack {
    CP_Handle from, to;
    std::atomic<int> result{-2};
};

void WrittenWrites(CP_Handle h, const unsigned char *data, unsigned int count, void *user)
{
    WriteBack *w = static_cast<WriteBack *>(user);
    // Only the first byte string triggers a write; the callback's own write raises this
    // callback again and ends the recursion here.
    if (h != w->from || count != 1 || data[0] != 'A')
        return;
    const unsigned char follow[] = {'B'};
    w->result = CP_Port_Write(w->to, follow, 1, 1000);
}

TEST(CallbackReentry, WrittenCallbackWrites)
{
    struct Row {
        const char *what;
        bool sameConnection;
    } rows[] = {{"to the same connection", true}, {"to another connection", false}};
    Watchdog dog;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        Pair pair;
        ASSERT_TRUE(pair.Open());
        WriteBack w;
        w.from = pair.a;
        w.to = r.sameConnection ? pair.a : pair.b;
        ASSERT_EQ(1, CP_Port_AddOnPortWrittenEvent(WrittenWrites, &w));
        {
            Watchdog::Scope scope(dog, "written callback writing", 5000);
            const unsigned char first[] = {'A'};
            EXPECT_EQ(1, CP_Port_Write(pair.a, first, 1, 1000));
            EXPECT_EQ(1, w.result.load());
            EXPECT_EQ(1, CP_Port_RemoveOnPortWrittenEvent(WrittenWrites));
        }
        if (r.sameConnection) {
            EXPECT_TRUE(pair.printerA.WaitForReceivedCount(2, 2000));
            EXPECT_EQ("AB", pair.printerA.Received());
        } else {
            EXPECT_TRUE(pair.printerA.WaitForReceivedCount(1, 2000));
            EXPECT_TRUE(pair.printerB.WaitForReceivedCount(1, 2000));
            EXPECT_EQ("A", pair.printerA.Received());
            EXPECT_EQ("B", pair.printerB.Received());
        }
        pair.CloseBoth();
    }
}

} // namespace
