// Callback registration: refusal of duplicates and nulls, order of calls, removal.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "quorvane/cp_events.h"
#include "quorvane/quorvane.h"
#include "support/TestUtil.h"
#include "support/Watchdog.h"

using quorvane_test::WaitFor;
using quorvane_test::Watchdog;

namespace {

std::vector<std::string> g_calls;

void ClosedA(void *, void *user) { g_calls.push_back(std::string("A:") + static_cast<const char *>(user)); }
void ClosedB(void *, void *user) { g_calls.push_back(std::string("B:") + static_cast<const char *>(user)); }

TEST(Events, DuplicateIsRefusedAndFirstUserPointerStays)
{
    g_calls.clear();
    EXPECT_EQ(CP_Port_AddOnPortClosedEvent(ClosedA, (void *)"one"), 1);
    EXPECT_EQ(CP_Port_AddOnPortClosedEvent(ClosedA, (void *)"two"), 0);
    CallPortClosedEventForStructList(nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A:one"}));
    EXPECT_EQ(CP_Port_RemoveOnPortClosedEvent(ClosedA), 1);
    EXPECT_EQ(CP_Port_RemoveOnPortClosedEvent(ClosedA), 0);
}

TEST(Events, CallbacksRunInOrderAdded)
{
    g_calls.clear();
    ASSERT_EQ(CP_Port_AddOnPortClosedEvent(ClosedB, (void *)"b"), 1);
    ASSERT_EQ(CP_Port_AddOnPortClosedEvent(ClosedA, (void *)"a"), 1);
    CallPortClosedEventForStructList(nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"B:b", "A:a"}));
    EXPECT_EQ(CP_Port_RemoveOnPortClosedEvent(ClosedB), 1);
    g_calls.clear();
    CallPortClosedEventForStructList(nullptr);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"A:a"}));
    EXPECT_EQ(CP_Port_RemoveOnPortClosedEvent(ClosedA), 1);
    g_calls.clear();
    CallPortClosedEventForStructList(nullptr); // empty list: no effect
    EXPECT_TRUE(g_calls.empty());
}

// Every kind's add/remove pair, with a null callback and an unregistered removal.
void Opened(void *, const char *, void *) {}
void Failed(void *, const char *, void *) {}
void Written(void *, const unsigned char *, unsigned int, void *) {}
void Received(void *, const unsigned char *, unsigned int, void *) {}
void Status(void *, long long, long long, void *) {}
void RxCount(void *, unsigned int, void *) {}
void Printed(void *, unsigned int, void *) {}

struct KindRow {
    const char *kind;
    int (*addNull)();
    int (*add)();
    int (*remove)();
};

const KindRow kKinds[] = {
    {"PortOpened", [] { return CP_Port_AddOnPortOpenedEvent(nullptr, nullptr); },
     [] { return CP_Port_AddOnPortOpenedEvent(Opened, nullptr); }, [] { return CP_Port_RemoveOnPortOpenedEvent(Opened); }},
    {"PortOpenFailed", [] { return CP_Port_AddOnPortOpenFailedEvent(nullptr, nullptr); },
     [] { return CP_Port_AddOnPortOpenFailedEvent(Failed, nullptr); },
     [] { return CP_Port_RemoveOnPortOpenFailedEvent(Failed); }},
    {"PortClosed", [] { return CP_Port_AddOnPortClosedEvent(nullptr, nullptr); },
     [] { return CP_Port_AddOnPortClosedEvent(ClosedA, nullptr); }, [] { return CP_Port_RemoveOnPortClosedEvent(ClosedA); }},
    {"PortWritten", [] { return CP_Port_AddOnPortWrittenEvent(nullptr, nullptr); },
     [] { return CP_Port_AddOnPortWrittenEvent(Written, nullptr); }, [] { return CP_Port_RemoveOnPortWrittenEvent(Written); }},
    {"PortReceived", [] { return CP_Port_AddOnPortReceivedEvent(nullptr, nullptr); },
     [] { return CP_Port_AddOnPortReceivedEvent(Received, nullptr); },
     [] { return CP_Port_RemoveOnPortReceivedEvent(Received); }},
    {"PrinterStatus", [] { return CP_Printer_AddOnPrinterStatusEvent(nullptr, nullptr); },
     [] { return CP_Printer_AddOnPrinterStatusEvent(Status, nullptr); },
     [] { return CP_Printer_RemoveOnPrinterStatusEvent(Status); }},
    {"PrinterReceived", [] { return CP_Printer_AddOnPrinterReceivedEvent(nullptr, nullptr); },
     [] { return CP_Printer_AddOnPrinterReceivedEvent(RxCount, nullptr); },
     [] { return CP_Printer_RemoveOnPrinterReceivedEvent(RxCount); }},
    {"PrinterPrinted", [] { return CP_Printer_AddOnPrinterPrintedEvent(nullptr, nullptr); },
     [] { return CP_Printer_AddOnPrinterPrintedEvent(Printed, nullptr); },
     [] { return CP_Printer_RemoveOnPrinterPrintedEvent(Printed); }},
};

TEST(Events, EveryKindAddRemoveTable)
{
    for (const KindRow &row : kKinds) {
        SCOPED_TRACE(row.kind);
        EXPECT_EQ(row.addNull(), 0);
        EXPECT_EQ(row.remove(), 0);
        EXPECT_EQ(row.add(), 1);
        EXPECT_EQ(row.add(), 0);
        EXPECT_EQ(row.remove(), 1);
        EXPECT_EQ(row.remove(), 0);
    }
}

// ---- Callbacks that call back --------------------------------------------------------

// Callbacks that change the list while it is being walked. The walk calls the callbacks
// registered when the event came, in order; a removal takes effect at once.
void Adder(void *, void *);
void Late(void *, void *) { g_calls.push_back("late"); }
void SelfRemover(void *, void *)
{
    g_calls.push_back(std::string("self:") + std::to_string(CP_Port_RemoveOnPortClosedEvent(SelfRemover)));
}
void Adder(void *, void *) { g_calls.push_back(std::string("add:") + std::to_string(CP_Port_AddOnPortClosedEvent(Late, nullptr))); }
void RemovesNext(void *, void *) { g_calls.push_back(std::string("rm:") + std::to_string(CP_Port_RemoveOnPortClosedEvent(ClosedB))); }

TEST(EventsReentry, CallbacksChangingTheirOwnListTable)
{
    typedef void (*Fn)(void *, void *);
    struct Row {
        const char *what;
        std::vector<Fn> registered;
        std::vector<std::string> first, second;
    } rows[] = {
        {"a callback removes itself", {SelfRemover, ClosedA}, {"self:1", "A:x"}, {"A:x"}},
        {"a callback adds one: it runs from the next event on, last",
         {Adder, ClosedA},
         {"add:1", "A:x"},
         {"add:0", "A:x", "late"}},
        {"a callback removes one further on: it is not called", {RemovesNext, ClosedB}, {"rm:1"}, {"rm:0"}},
    };
    Watchdog dog;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        for (Fn f : r.registered)
            ASSERT_EQ(1, CP_Port_AddOnPortClosedEvent(f, (void *)"x"));
        for (const std::vector<std::string> *expected : {&r.first, &r.second}) {
            g_calls.clear();
            Watchdog::Scope call(dog, r.what, 5000);
            CallPortClosedEventForStructList(nullptr);
            EXPECT_EQ(*expected, g_calls);
        }
        for (Fn f : {SelfRemover, ClosedA, ClosedB, Adder, Late, RemovesNext})
            CP_Port_RemoveOnPortClosedEvent(f);
    }
}

// Callbacks of one kind on two threads run at the same time (each waits for the other).
std::atomic<int> g_inside{0};
void MeetsTheOther(void *, const unsigned char *, unsigned int, void *user)
{
    ++g_inside;
    if (WaitFor([] { return g_inside.load() >= 2; }, 3000))
        ++*static_cast<std::atomic<int> *>(user);
}

TEST(EventsReentry, OneKindRunsOnSeveralThreadsAtOnce)
{
    g_inside = 0;
    std::atomic<int> met{0};
    ASSERT_EQ(1, CP_Port_AddOnPortReceivedEvent(MeetsTheOther, &met));
    std::thread other([] { CallPortReceivedEventForStructList(nullptr, nullptr, 0); });
    CallPortReceivedEventForStructList(nullptr, nullptr, 0);
    other.join();
    EXPECT_EQ(2, met.load()); // each saw the other inside
    EXPECT_EQ(1, CP_Port_RemoveOnPortReceivedEvent(MeetsTheOther));
}

// A removal outside any callback returns only once the calls of that callback running
// elsewhere have ended, so the caller may free the user data right after it.
std::atomic<int> g_running{0};
std::atomic<bool> g_release{false};
void Blocks(void *, unsigned int, void *user)
{
    ++g_running;
    WaitFor([] { return g_release.load(); }, 5000);
    ++*static_cast<int *>(user);
    --g_running;
}

TEST(EventsReentry, RemovalWaitsForRunningCallsAndNoneStartsAfter)
{
    Watchdog dog;
    g_running = 0;
    g_release = false;
    int *user = new int(0);
    ASSERT_EQ(1, CP_Printer_AddOnPrinterPrintedEvent(Blocks, user));
    std::thread event([] { CallPrinterPrintedEventForStructList(nullptr, 1); });
    ASSERT_TRUE(WaitFor([] { return g_running.load() == 1; }, 3000));
    std::atomic<bool> removed{false};
    std::thread remover([&] {
        Watchdog::Scope call(dog, "removal of a running callback", 8000);
        EXPECT_EQ(1, CP_Printer_RemoveOnPrinterPrintedEvent(Blocks));
        removed = true;
    });
    EXPECT_FALSE(WaitFor([&] { return removed.load(); }, 200)); // still running
    g_release = true;
    remover.join();
    EXPECT_EQ(0, g_running.load());
    EXPECT_EQ(1, *user);
    delete user; // no call may touch it any more
    CallPrinterPrintedEventForStructList(nullptr, 2);
    event.join();
    EXPECT_EQ(0, g_running.load());
}

} // namespace
