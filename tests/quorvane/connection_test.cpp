// Opening and closing connections through the exported calls: the handle rule, the
// registry limit, TCP opens against the fake printer with their events, the auto-reply
// start-up, device loss, serial over a pty, and the opens that cannot succeed here.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/quorvane.h"
#include "support/BadHandles.h"
#include "support/FakePrinter.h"
#include "support/PtyPrinter.h"
#include "support/TestUtil.h"

using quorvane_test::ReadWholeFile;
using quorvane_test::WaitFor;

namespace {

const char *const kStatusFrame = "53 01 02 03 00 02 00 51";
const char *const kInitTry = "10 05 FF 01 02 10 05 FF 01 02 "
                             "03 FF 20 00 00 00 00 00 08 00 D4 18 44 45 56 49 43 45 3F 3F "
                             "1D 61 FF";

// Records every port event with the thread it ran on.
struct Events {
    std::mutex mutex;
    std::atomic<int> opened{0}, failed{0}, closed{0}, status{0}, written{0};
    std::vector<std::string> names;
    std::vector<void *> handles;
    std::thread::id openedThread, closedThread;
};
Events *g_ev = nullptr;

void OnOpened(void *h, const char *name, void *)
{
    std::lock_guard<std::mutex> lock(g_ev->mutex);
    g_ev->names.push_back(std::string("opened ") + name);
    g_ev->handles.push_back(h);
    g_ev->openedThread = std::this_thread::get_id();
    ++g_ev->opened;
}
void OnFailed(void *h, const char *name, void *)
{
    std::lock_guard<std::mutex> lock(g_ev->mutex);
    g_ev->names.push_back(std::string("failed ") + name);
    g_ev->handles.push_back(h);
    ++g_ev->failed;
}
void OnClosed(void *h, void *)
{
    std::lock_guard<std::mutex> lock(g_ev->mutex);
    g_ev->handles.push_back(h);
    g_ev->closedThread = std::this_thread::get_id();
    ++g_ev->closed;
}
void OnStatus(void *, long long, long long, void *) { ++g_ev->status; }
void OnWritten(void *, const unsigned char *, unsigned int, void *) { ++g_ev->written; }

class Connection : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_ev = &ev;
        CP_Port_AddOnPortOpenedEvent(OnOpened, nullptr);
        CP_Port_AddOnPortOpenFailedEvent(OnFailed, nullptr);
        CP_Port_AddOnPortClosedEvent(OnClosed, nullptr);
        CP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
        CP_Port_AddOnPortWrittenEvent(OnWritten, nullptr);
    }
    void TearDown() override
    {
        CP_Port_RemoveOnPortOpenedEvent(OnOpened);
        CP_Port_RemoveOnPortOpenFailedEvent(OnFailed);
        CP_Port_RemoveOnPortClosedEvent(OnClosed);
        CP_Printer_RemoveOnPrinterStatusEvent(OnStatus);
        CP_Port_RemoveOnPortWrittenEvent(OnWritten);
        g_ev = nullptr;
    }
    std::vector<std::string> Names()
    {
        std::lock_guard<std::mutex> lock(ev.mutex);
        return ev.names;
    }
    Events ev;
};

// Every handle call of this module with a handle that is refused.
int CallAll(void *h)
{
    int nonFailure = 0;
    int i = 7;
    long long ll = 7;
    unsigned int u = 7;
    double d = 7;
    char buf[8] = "x";
    nonFailure += CP_Port_Close(h) != 0;
    nonFailure += CP_Printer_GetPrinterResolutionInfo(h, &i, &i, &i) != 0;
    nonFailure += CP_Printer_GetPrinterFirmwareVersion(h, buf, sizeof(buf), &i) != 0;
    nonFailure += CP_Printer_GetPrinterStatusInfo(h, &ll, &ll, &ll) != 0;
    nonFailure += CP_Printer_GetPrinterReceivedInfo(h, &u, &ll) != 0;
    nonFailure += CP_Printer_GetPrinterPrintedInfo(h, &u, &ll) != 0;
    nonFailure += CP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &d, &d, &ll) != 0;
    nonFailure += CP_Printer_SetPrinterLabelPositionAdjustmentInfo(h, 1, 1) != 0;
    nonFailure += CP_Printer_ClearPrinterBuffer(h) != 0;
    nonFailure += CP_Printer_ClearPrinterError(h) != 0;
    nonFailure += Port_IsOpened(h);
    nonFailure += Port_Initialize(h);
    nonFailure += Printer_ClearPrinterBuffer(h, 10);
    nonFailure += Printer_SendTestPackage(h, 10);
    nonFailure += Printer_SendRTQueryPackage_1234(h, 10);
    nonFailure += Printer_SendRTQueryPackage_n(h, 1, 10);
    // Outputs untouched.
    nonFailure += i != 7 || ll != 7 || u != 7 || d != 7 || std::string(buf) != "x";
    return nonFailure;
}

TEST_F(Connection, RefusedHandlesFailAtOnce)
{
    const quorvane_test::BadHandles bad;
    for (const auto &b : bad.All())
        EXPECT_EQ(CallAll(b.handle), 0) << b.what;
    EXPECT_TRUE(bad.Untouched());
}

// What an application may still do with a value it kept after its connection went; each
// call must return its failure value.
struct StaleCall {
    const char *name;
    int (*call)(CP_Handle);
    int failure;
};
const StaleCall kStaleCalls[] = {
    {"close", [](CP_Handle h) { return CP_Port_Close(h); }, 0},
    {"write",
     [](CP_Handle h) { return CP_Port_Write(h, reinterpret_cast<const unsigned char *>("x"), 1, 100); }, -1},
    {"feed", [](CP_Handle h) { return CP_Pos_FeedLine(h, 1); }, 0},
    {"read",
     [](CP_Handle h) {
         unsigned char b;
         return CP_Port_Read(h, &b, 1, 0);
     },
     -1},
    {"available", [](CP_Handle h) { return CP_Port_Available(h); }, -1},
    {"clear memory", [](CP_Handle h) { return CP_Port_ClearMemoryBufferData(h); }, 0},
};

// Runs every stale call; the number that did not fail. `live` is a memory connection
// that must come out of it untouched: still open, nothing written.
int StaleCallsThatReached(CP_Handle stale, CP_Handle live, std::string *report)
{
    int reached = 0;
    for (const StaleCall &c : kStaleCalls) {
        if (c.call(stale) != c.failure) {
            ++reached;
            *report += std::string(c.name) + " ";
        }
    }
    if (CP_Port_IsOpened(live) != 1 || CP_Port_GetMemoryBufferDataLength(live) != 0) {
        ++reached;
        *report += "live connection touched ";
    }
    return reached;
}

// A value is never given to two connections, however often the handle memory is reused,
// and a closed connection's value reaches nothing.
TEST_F(Connection, ClosedHandleValuesNeverReachALaterConnection)
{
    std::set<CP_Handle> seen;
    int reused = 0, reached = 0;
    std::string report;
    CP_Handle previous = nullptr;
    for (int i = 0; i < 10000; ++i) {
        CP_Handle h = CP_Port_OpenMemoryBuffer(64);
        ASSERT_NE(h, nullptr) << i;
        if (!seen.insert(h).second)
            ++reused;
        if (previous)
            reached += StaleCallsThatReached(previous, h, &report);
        CP_Port_Close(h);
        previous = h;
    }
    EXPECT_EQ(reused, 0) << "opens that returned an earlier connection's value";
    EXPECT_EQ(reached, 0) << "calls with a closed value that did not fail: " << report.substr(0, 200);
    EXPECT_EQ(ptrs.Count(), 0u);
}

// The same after device loss destroyed the handle on its own.
TEST_F(Connection, ValueOfALostConnectionReachesNothing)
{
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    int reached = 0;
    std::string report;
    for (int round = 0; round < 10; ++round) {
        CP_Handle lost = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
        ASSERT_NE(lost, nullptr);
        ASSERT_TRUE(printer.WaitForLive(1, 2000));
        printer.ResetAll();
        ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == round + 1; }, 3000)) << round;
        ASSERT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 3000)) << round;
        CP_Handle live = CP_Port_OpenMemoryBuffer(64);
        ASSERT_NE(live, nullptr);
        EXPECT_NE(live, lost);
        reached += StaleCallsThatReached(lost, live, &report);
        EXPECT_EQ(CP_Port_Close(live), 1);
    }
    EXPECT_EQ(reached, 0) << report.substr(0, 200);
}

// A printer that closes its side and then refuses data (its socket is gone, so the system
// answers with a reset) while the application writes every 100 ms: the first refused
// write reports the connection lost, PortClosed runs once, the value reaches nothing, and
// the transport's message is printed once, not for every write.
TEST_F(Connection, PrinterThatClosedItsSideIsLostAtTheFirstRefusedWrite)
{
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(printer.WaitForLive(1, 2000));
    printer.CloseAll();
    ASSERT_TRUE(printer.WaitForLive(0, 2000));
    testing::internal::CaptureStdout();
    const unsigned char byte = 0x0A;
    int64_t firstFailure = 0;
    for (int i = 0; i < 30 && !firstFailure; ++i) {
        if (CP_Port_Write(h, &byte, 1, 500) < 0)
            firstFailure = NZUtils_MonotonicMs();
        else
            NZIOSleep::SleepMs(100);
    }
    while (firstFailure && ev.closed.load() == 0 && NZUtils_MonotonicMs() - firstFailure < 3000) {
        NZIOSleep::SleepMs(100);
        CP_Port_Write(h, &byte, 1, 500);
    }
    const bool closedInTime = ev.closed.load() == 1;
    for (int i = 0; i < 3; ++i) {
        NZIOSleep::SleepMs(100);
        EXPECT_EQ(CP_Port_Write(h, &byte, 1, 500), -1);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_NE(firstFailure, 0) << "no write failed";
    EXPECT_TRUE(closedInTime) << "PortClosed within 3 s of the first failed write";
    EXPECT_EQ(CP_Port_IsOpened(h), 0);
    EXPECT_EQ(CP_Port_IsConnectionValid(h), 0);
    CP_Handle live = CP_Port_OpenMemoryBuffer(64);
    ASSERT_NE(live, nullptr);
    std::string report;
    EXPECT_EQ(StaleCallsThatReached(h, live, &report), 0) << report;
    EXPECT_EQ(CP_Port_Close(live), 1);
    const size_t lines = quorvane_test::CountOf(out, "socket_send: send error: ");
    EXPECT_GE(lines, 1u);
    EXPECT_LE(lines, 3u) << out.substr(0, 300);
    EXPECT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 3000));
    EXPECT_EQ(ev.closed.load(), 1);
}

// Once a close has begun, the value reaches nothing: a second close right after the first
// (while the closed-event thread may still hold the handle) returns 0, and so does every
// other call; the PortClosed callbacks still get the value.
TEST_F(Connection, SecondCloseRightAfterTheFirstReturnsZero)
{
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    const struct {
        const char *name;
        std::function<CP_Handle()> open;
        int closedEvents;
    } rows[] = {
        {"tcp", [&] { return CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0); }, 1},
        {"memory", [] { return CP_Port_OpenMemoryBuffer(64); }, 0},
        {"pty", [&] { return CP_Port_OpenCom(device.Path(), 9600, CP_ComDataBits_8, CP_ComParity_NoParity,
                                             CP_ComStopBits_One, CP_ComFlowControl_None, 0); }, 1},
    };
    int closed = 0;
    for (const auto &row : rows) {
        for (int run = 0; run < 5; ++run) {
            SCOPED_TRACE(std::string(row.name) + " run " + std::to_string(run));
            CP_Handle h = row.open();
            ASSERT_NE(h, nullptr);
            CP_Handle live = CP_Port_OpenMemoryBuffer(64);
            ASSERT_NE(live, nullptr);
            EXPECT_EQ(CP_Port_Close(h), 1);
            std::string report; // the first stale call is the second close
            EXPECT_EQ(StaleCallsThatReached(h, live, &report), 0) << report;
            EXPECT_EQ(CP_Port_Close(live), 1);
            closed += row.closedEvents;
            ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == closed; }, 3000));
            ASSERT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 3000));
            if (row.closedEvents) {
                std::lock_guard<std::mutex> lock(ev.mutex);
                EXPECT_EQ(ev.handles.back(), h);
            }
        }
    }
}

TEST_F(Connection, HundredMemoryOpensThenFull)
{
    std::vector<CP_Handle> handles;
    for (int i = 0; i < 100; ++i) {
        CP_Handle h = CP_Port_OpenMemoryBuffer(64);
        ASSERT_NE(h, nullptr) << i;
        handles.push_back(h);
    }
    EXPECT_EQ(std::set<CP_Handle>(handles.begin(), handles.end()).size(), 100u);
    EXPECT_EQ(CP_Port_OpenMemoryBuffer(64), nullptr);

    // A transport that opens is closed again when the table is full.
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    EXPECT_EQ(CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0), nullptr);
    EXPECT_TRUE(printer.WaitForAccepted(1, 2000));
    EXPECT_TRUE(printer.WaitForLive(0, 3000));
    EXPECT_TRUE(WaitFor([&] { return ev.failed.load() == 1; }, 2000));

    EXPECT_EQ(CP_Port_Close(handles[37]), 1);
    CP_Handle again = CP_Port_OpenMemoryBuffer(64);
    EXPECT_NE(again, nullptr);
    handles[37] = again;
    for (CP_Handle h : handles)
        EXPECT_EQ(CP_Port_Close(h), 1);
    // Memory connections raise no open or close events.
    EXPECT_EQ(ev.opened.load(), 0);
    EXPECT_EQ(ev.closed.load(), 0);
    EXPECT_EQ(ptrs.Count(), 0u);
}

TEST_F(Connection, TcpOpenAndCloseRaiseEachEventOnce)
{
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    CP_Handle h = CP_Port_OpenTcp("", "127.0.0.1", printer.Port(), 3000, 0);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ev.opened.load() == 1; }, 2000));
    EXPECT_NE(ev.openedThread, std::this_thread::get_id());
    EXPECT_EQ(Names(), (std::vector<std::string>{"opened 127.0.0.1"}));
    {
        HandleGuard g(h);
        ASSERT_TRUE(static_cast<bool>(g));
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_TCP));
        EXPECT_EQ(std::string(g->m_openParams.netAddress), "127.0.0.1");
        EXPECT_EQ(g->m_openParams.tcpPort, printer.Port());
        EXPECT_EQ(g->m_posPrinter.GetIODefaultTimeout(), 3600000u);
        EXPECT_EQ(g->m_labelPrinter.GetIODefaultTimeout(), 3600000u);
        EXPECT_EQ(g->m_labelPrinter.GetIO(), g->m_currentPort);
        EXPECT_EQ(g->m_settingPackage.GetIO(), g->m_currentPort);
    }
    EXPECT_TRUE(Port_IsOpened(h));
    // Without auto-reply nothing is written during the open.
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(printer.ReceivedCount(), 0u);

    EXPECT_EQ(CP_Printer_ClearPrinterBuffer(h), 1);
    EXPECT_TRUE(printer.WaitForReceived(FakePrinter::Hex("10 05 FF 01 02"), 2000));
    EXPECT_EQ(ev.written.load(), 1);

    EXPECT_EQ(CP_Port_Close(h), 1);
    ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 2000));
    EXPECT_NE(ev.closedThread, std::this_thread::get_id());
    // The closed-event thread gives its reference back; then the handle is gone.
    ASSERT_TRUE(WaitFor([&] { return !ptrs.Contains(h); }, 2000));
    EXPECT_EQ(CP_Port_Close(h), 0);
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(ev.closed.load(), 1);
    EXPECT_EQ(ev.opened.load(), 1);
    EXPECT_EQ(ev.failed.load(), 0);
    EXPECT_TRUE(printer.WaitForLive(0, 2000));
}

TEST_F(Connection, AutoReplyWithSilentPrinterFailsAfterSixTries)
{
    FakePrinter printer;
    printer.SetSilent(true);
    ASSERT_TRUE(printer.Start());
    const int64_t start = NZUtils_MonotonicMs();
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 1);
    const int64_t took = NZUtils_MonotonicMs() - start;
    EXPECT_EQ(h, nullptr);
    EXPECT_GE(took, 5900);
    EXPECT_LT(took, 9000);
    ASSERT_TRUE(WaitFor([&] { return ev.failed.load() == 1; }, 2000));
    EXPECT_EQ(Names(), (std::vector<std::string>{"failed 127.0.0.1"}));
    std::string expected;
    for (int i = 0; i < 6; ++i)
        expected += FakePrinter::Hex(kInitTry);
    EXPECT_TRUE(printer.WaitForLive(0, 2000));
    EXPECT_EQ(quorvane_test::ToHex(reinterpret_cast<const unsigned char *>(printer.Received().data()),
                                   printer.Received().size()),
              quorvane_test::ToHex(reinterpret_cast<const unsigned char *>(expected.data()), expected.size()));
    EXPECT_EQ(ev.closed.load(), 0);
    EXPECT_EQ(ptrs.Count(), 0u);
}

TEST_F(Connection, AutoReplyWithAnsweringPrinterSucceeds)
{
    FakePrinter printer;
    printer.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrame));
    printer.AddRule(FakePrinter::Hex("44 45 56 49 43 45 3F 3F"),
                    FakePrinter::Hex("03 FF 20 00 00 00 00 00 03 00 DF 49 56 31 2E")); // firmware "V1."
    ASSERT_TRUE(printer.Start());
    const int64_t start = NZUtils_MonotonicMs();
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 1);
    const int64_t took = NZUtils_MonotonicMs() - start;
    ASSERT_NE(h, nullptr);
    EXPECT_LT(took, 1500);
    EXPECT_EQ(printer.Received(), FakePrinter::Hex(kInitTry));
    EXPECT_GE(ev.status.load(), 1);
    long long err = 0, info = 0, t = 0;
    EXPECT_EQ(CP_Printer_GetPrinterStatusInfo(h, &err, &info, &t), 1);
    EXPECT_EQ(err, 3);
    EXPECT_EQ(info, 2);
    EXPECT_GT(t, 0);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_autoReplyRequested, 1u);
    }
    char fw[16] = "";
    ASSERT_TRUE(WaitFor([&] {
        CP_Printer_GetPrinterFirmwareVersion(h, fw, sizeof(fw), nullptr);
        return std::string(fw) == "V1.";
    }, 2000));
    EXPECT_EQ(CP_Port_Close(h), 1);
    EXPECT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 2000));
}

TEST_F(Connection, DeviceLossClosesAndDestroysTheHandle)
{
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(printer.WaitForLive(1, 2000));
    printer.ResetAll();
    ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 3000));
    ASSERT_TRUE(WaitFor([&] { return !ptrs.Contains(h); }, 3000));
    EXPECT_EQ(CP_Port_Close(h), 0);
    EXPECT_EQ(CP_Printer_ClearPrinterBuffer(h), 0);
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(ev.closed.load(), 1);
    std::lock_guard<std::mutex> lock(ev.mutex);
    EXPECT_EQ(ev.handles.back(), h);
}

TEST_F(Connection, ApplicationCloseRacingDeviceLossClosesOnce)
{
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    for (int round = 0; round < 20; ++round) {
        CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
        ASSERT_NE(h, nullptr);
        ASSERT_TRUE(printer.WaitForLive(1, 2000));
        printer.ResetAll();
        if (round % 2)
            NZIOSleep::SleepMs(round % 5);
        const int r = CP_Port_Close(h);
        EXPECT_TRUE(r == 0 || r == 1);
        ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == round + 1; }, 3000)) << round;
        ASSERT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 3000));
        ASSERT_TRUE(printer.WaitForLive(0, 2000));
    }
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(ev.closed.load(), 20);
}

// A printer that resets every connection right after accepting it: whether the loss comes
// before or after the open finished, the opened and closed callbacks run once each.
TEST_F(Connection, LossRightAfterConnectIsReportedOnce)
{
    FakePrinter printer;
    printer.SetRefuse(true);
    ASSERT_TRUE(printer.Start());
    int successes = 0;
    for (int i = 0; i < 10; ++i) {
        CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
        if (h)
            ++successes;
        ASSERT_TRUE(WaitFor([&] { return ev.opened.load() + ev.failed.load() == i + 1; }, 2000));
        ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == successes; }, 3000)) << i;
        ASSERT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 3000));
    }
    EXPECT_EQ(ev.opened.load(), successes);
}

// With auto-reply, a printer that closes the connection ends the start-up at once.
TEST_F(Connection, AutoReplyEndsWhenThePrinterHangsUp)
{
    FakePrinter printer;
    printer.AddRule(FakePrinter::Hex("10 05 FF 01 02"), "", FakePrinter::After::Close);
    ASSERT_TRUE(printer.Start());
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 1), nullptr);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 2000);
    EXPECT_TRUE(WaitFor([&] { return ev.failed.load() == 1; }, 2000));
    EXPECT_EQ(ptrs.Count(), 0u);
}

// A close asked for on the connection's own read thread is refused.
std::atomic<int> g_closeFromReadThread{-1};
void CloseInsideReceived(void *h, const unsigned char *, unsigned int, void *)
{
    g_closeFromReadThread = CP_Port_Close(h);
}

TEST_F(Connection, CloseFromReadThreadReturnsZero)
{
    FakePrinter printer;
    printer.SetGreeting("hello");
    CP_Port_AddOnPortReceivedEvent(CloseInsideReceived, nullptr);
    ASSERT_TRUE(printer.Start());
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
    ASSERT_NE(h, nullptr);
    printer.Send("x");
    ASSERT_TRUE(WaitFor([&] { return g_closeFromReadThread.load() != -1; }, 2000));
    EXPECT_EQ(g_closeFromReadThread.load(), 0);
    EXPECT_TRUE(Port_IsOpened(h));
    CP_Port_RemoveOnPortReceivedEvent(CloseInsideReceived);
    EXPECT_EQ(CP_Port_Close(h), 1);
    EXPECT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 2000));
}

TEST_F(Connection, OpensThatFailReportTheName)
{
    FakePrinter closedPort;
    ASSERT_TRUE(closedPort.Start());
    const unsigned short deadPort = closedPort.Port();
    closedPort.Stop();

    struct Row {
        const char *name;
        CP_Handle (*open)();
        const char *event;
    };
    static unsigned short s_port;
    s_port = deadPort;
    const Row rows[] = {
        {"bt spp", [] { return CP_Port_OpenBtSpp("00:11:22:33:44:55", 0); }, "failed 00:11:22:33:44:55"},
        {"ble", [] { return CP_Port_OpenBtBle("00:11:22:33:44:56", 1); }, "failed 00:11:22:33:44:56"},
        {"ble v2", [] { return CP_Port_OpenBtBleProtoV2("AA", 0); }, "failed AA"},
        {"ble v3", [] { return CP_Port_OpenBtBleProtoV3("BB", 0); }, "failed BB"},
        {"usb none", [] { return CP_Port_OpenUsb("VID:0x0001,PID:0x0002", 0); }, "failed VID:0x0001,PID:0x0002"},
        {"usb null", [] { return CP_Port_OpenUsb(nullptr, 0); }, "failed "},
        {"com missing", [] { return CP_Port_OpenCom("/nonexistent/tty", 9600, CP_ComDataBits_8, CP_ComParity_NoParity,
                                                    CP_ComStopBits_One, CP_ComFlowControl_None, 0); },
         "failed /nonexistent/tty"},
        {"com not a terminal", [] { return CP_Port_OpenCom("/dev/null", 9600, CP_ComDataBits_8, CP_ComParity_NoParity,
                                                          CP_ComStopBits_One, CP_ComFlowControl_None, 0); },
         "failed /dev/null"},
        {"lpt missing", [] { return CP_Port_OpenLpt("/nonexistent/lp0"); }, "failed /nonexistent/lp0"},
        {"file null", [] { return CP_Port_OpenFile(nullptr); }, "failed "},
        {"tcp refused", [] { return CP_Port_OpenTcp(nullptr, "127.0.0.1", s_port, 1000, 0); }, "failed 127.0.0.1"},
        {"tcp null address", [] { return CP_Port_OpenTcp(nullptr, nullptr, 9100, 1000, 0); }, "failed "},
    };
    int n = 0;
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.open(), nullptr);
        ++n;
        ASSERT_TRUE(WaitFor([&] { return ev.failed.load() == n; }, 2000));
        EXPECT_EQ(Names().back(), row.event);
    }
    EXPECT_EQ(CP_Port_OpenMemoryBuffer(0), nullptr);
    EXPECT_EQ(ev.failed.load(), n); // the memory open raises nothing
    EXPECT_EQ(ev.opened.load(), 0);
    std::lock_guard<std::mutex> lock(ev.mutex);
    for (void *h : ev.handles)
        EXPECT_EQ(h, nullptr);
}

TEST_F(Connection, FileOpenAppendsAndRecordsThePath)
{
    char path[] = "/tmp/quorvane_conn_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "AB", 2), 2);
    close(fd);
    CP_Handle h = CP_Port_OpenFile(path);
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(WaitFor([&] { return ev.opened.load() == 1; }, 2000));
    EXPECT_EQ(Names().back(), std::string("opened ") + path);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_FILE));
        EXPECT_EQ(std::string(g->m_openParams.filePath), path);
    }
    EXPECT_EQ(CP_Printer_ClearPrinterError(h), 1);
    EXPECT_EQ(CP_Port_Close(h), 1);
    ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 2000));
    std::string written;
    ASSERT_TRUE(ReadWholeFile(path, written));
    unlink(path);
    ASSERT_GT(written.size(), 2u);
    EXPECT_EQ(written.substr(0, 2), "AB");
}

// Serial over a pty: with auto-reply requested, no flow control is used and 0 is recorded.
TEST_F(Connection, SerialAutoReplyUsesNoFlowControl)
{
    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    device.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrame));
    CP_Handle h = CP_Port_OpenCom(device.Path(), 115200, CP_ComDataBits_8, CP_ComParity_NoParity, CP_ComStopBits_One,
                                  CP_ComFlowControl_RtsCts, 1);
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_COM));
        EXPECT_EQ(g->m_openParams.comFlowControl, CP_ComFlowControl_None);
        EXPECT_EQ(g->m_openParams.comBaudrate, 115200);
        EXPECT_EQ(std::string(g->m_openParams.comName), device.Path());
    }
    EXPECT_EQ(device.Received(), FakePrinter::Hex(kInitTry));
    EXPECT_EQ(CP_Port_Close(h), 1);
    EXPECT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 2000));
}

// USB by device path: every write is padded with zeros to 64 bytes; unplugging the
// device runs the closed callbacks once and destroys the handle.
TEST_F(Connection, UsbDevicePathPadsWritesAndNoticesUnplug)
{
    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    CP_Handle h = CP_Port_OpenUsb(device.Path(), 0);
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_USB));
        EXPECT_EQ(g->m_currentPort, static_cast<NZIO *>(&g->m_usbIO));
        EXPECT_EQ(std::string(g->m_openParams.usbName), device.Path());
    }
    EXPECT_EQ(CP_Printer_ClearPrinterBuffer(h), 1);
    ASSERT_TRUE(device.WaitForReceivedCount(64, 2000));
    std::string expected = FakePrinter::Hex("10 05 FF 01 02");
    expected.resize(64, '\0');
    EXPECT_EQ(device.Received(), expected);

    device.Hang();
    ASSERT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 3000));
    ASSERT_TRUE(WaitFor([&] { return ptrs.Count() == 0; }, 3000));
    EXPECT_EQ(CP_Port_Close(h), 0);
}

// Parallel port: write only, nothing written at the open, the path recorded.
TEST_F(Connection, ParallelPortWritesOnly)
{
    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    CP_Handle h = CP_Port_OpenLpt(device.Path());
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_LPT));
        EXPECT_EQ(std::string(g->m_openParams.lptPath), device.Path());
        EXPECT_EQ(g->m_autoReplyRequested, 0u);
    }
    NZIOSleep::SleepMs(20);
    EXPECT_EQ(device.Received(), "");
    EXPECT_EQ(CP_Printer_ClearPrinterError(h), 1);
    EXPECT_TRUE(device.WaitForReceivedCount(1, 2000));
    EXPECT_EQ(CP_Port_Close(h), 1);
    EXPECT_TRUE(WaitFor([&] { return ev.closed.load() == 1; }, 2000));
}

// UDP (used by the packet-protocol opens): both package checks off, no events.
TEST_F(Connection, UdpOpenSwitchesPackageChecksOff)
{
    CP_Handle h = Port_OpenUdp(nullptr, 0, "127.0.0.1", 5100);
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_UDP));
        EXPECT_EQ(g->m_openParams.udpDestPort, 5100u);
        EXPECT_FALSE(g->m_protoHandler.checkHeadXor);
        EXPECT_FALSE(g->m_protoHandler.checkDataXor);
    }
    EXPECT_EQ(CP_Port_Close(h), 1);
    NZIOSleep::SleepMs(20);
    EXPECT_EQ(ev.opened.load() + ev.closed.load(), 0);
    EXPECT_EQ(ptrs.Count(), 0u);
}

} // namespace
