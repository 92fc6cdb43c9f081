// Callback registration: refusal of duplicates and nulls, order of calls, removal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quorvane/cp_events.h"
#include "quorvane/quorvane.h"

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

} // namespace
