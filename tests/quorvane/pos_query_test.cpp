// Real-time status and print-result queries against the scripted fake printer on
// 127.0.0.1: request bytes, answer decoding, id matching, stop conditions and time-outs.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_pos_query.h"
#include "quorvane/quorvane.h"
#include "support/FakePrinter.h"
#include "support/TestUtil.h"

namespace {

const char *kRTQuery1234 = "10 04 01 10 04 02 10 04 03 10 04 04";
const char *kPrintResultPrefix = "1D 28 48 06 00 30 30";
// Status frame: status word 2, no error.
const char *kStatusFrameOk = "53 01 02 00 00 02 00 52";
// Status frame: error status bits 0-7 = 04.
const char *kStatusFrameError = "53 01 02 04 00 02 00 56";

std::string PrintResultRequest(unsigned int id)
{
    char hex[64];
    snprintf(hex, sizeof(hex), "1D 28 48 06 00 30 30 %02X 00 00 00", id);
    return FakePrinter::Hex(hex);
}

// Waits until the connection's receive buffer holds n bytes.
bool WaitForReceiveBuffer(CP_Handle handle, unsigned int n)
{
    return quorvane_test::WaitFor(
        [handle, n] {
            HandleGuard h(handle);
            std::lock_guard<std::mutex> lock(h->m_rxMutex);
            return h->m_rxBuffer.Available() >= n;
        },
        2000);
}

size_t CountOf(const std::string &haystack, const std::string &needle)
{
    size_t n = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        ++n;
    return n;
}

class PosQuery : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (handle)
            CP_Port_Close(handle);
        printer.Stop();
    }

    // Starts the fake printer and connects to it.
    void Connect(int autoReply = 0)
    {
        ASSERT_TRUE(printer.Start());
        handle = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 2000, autoReply);
        ASSERT_NE(handle, nullptr);
        printer.ClearReceived();
    }

    FakePrinter printer;
    CP_Handle handle = nullptr;
};

TEST_F(PosQuery, RTStatusPacksTheFourAnswers)
{
    printer.AddRule(FakePrinter::Hex(kRTQuery1234), FakePrinter::Hex("12 16 12 12"));
    Connect();
    EXPECT_EQ(CP_Pos_QueryRTStatus(handle, 2000), 0x12121612);
    EXPECT_EQ(printer.Received(), FakePrinter::Hex(kRTQuery1234));
}

TEST_F(PosQuery, RTStatusDropsBytesThatArrivedBefore)
{
    printer.AddRule(FakePrinter::Hex(kRTQuery1234), FakePrinter::Hex("12 16 12 12"));
    Connect();
    ASSERT_TRUE(printer.WaitForLive(1, 2000)); // Send reaches only connections accepted by then
    printer.Send(FakePrinter::Hex("01 02 03 04 05"));
    ASSERT_TRUE(WaitForReceiveBuffer(handle, 5));
    EXPECT_EQ(CP_Pos_QueryRTStatus(handle, 2000), 0x12121612);
}

TEST_F(PosQuery, RTStatusSilenceResendsEvery300MsThenFails)
{
    printer.SetSilent(true);
    Connect();
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Pos_QueryRTStatus(handle, 750), 0);
    const int64_t took = NZUtils_MonotonicMs() - start;
    EXPECT_GE(took, 750);
    EXPECT_LT(took, 1500);
    // Sent at 0, 300 and 600 ms.
    ASSERT_TRUE(printer.WaitForReceivedCount(36, 1000));
    EXPECT_EQ(CountOf(printer.Received(), FakePrinter::Hex(kRTQuery1234)), 3u);
}

TEST_F(PosQuery, RTStatusOneRequestSkipsNonStatusBytes)
{
    // 0x41 and 0x13 are not status bytes; 0x16 is.
    printer.AddRule(FakePrinter::Hex("10 04 02"), FakePrinter::Hex("41 13 16"));
    Connect();
    EXPECT_EQ(Pos_QueryRTStatus(handle, 2, 2000), 0x16);
    EXPECT_EQ(printer.Received(), FakePrinter::Hex("10 04 02"));
}

TEST_F(PosQuery, RTStatusZeroTimeoutFailsWithoutSending)
{
    Connect();
    EXPECT_EQ(CP_Pos_QueryRTStatus(handle, 0), 0);
    EXPECT_EQ(Pos_QueryRTStatus(handle, 1, 0), 0);
    NZUtils_SleepMs(50);
    EXPECT_EQ(printer.ReceivedCount(), 0u);
}

TEST_F(PosQuery, PrintResultIdsCycleZeroToNine)
{
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("12"));
    for (unsigned int id = 0; id < 10; ++id) {
        char answer[64];
        snprintf(answer, sizeof(answer), "37 22 %02X 00 00 00 00", id);
        printer.AddRule(PrintResultRequest(id), FakePrinter::Hex(answer));
    }
    Connect();
    for (int call = 0; call < 11; ++call)
        EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 2000), 1) << "call " << call;
    const std::string got = printer.Received();
    EXPECT_EQ(got.substr(0, 14), FakePrinter::Hex("10 04 01 1D 28 48 06 00 30 30 00 00 00 00"));
    EXPECT_EQ(CountOf(got, PrintResultRequest(0)), 2u);
    EXPECT_EQ(CountOf(got, PrintResultRequest(9)), 1u);
}

// The printer answers every print-result request with id 3.
struct IdRow {
    unsigned int id;
    bool expected;
};

TEST_F(PosQuery, PrintResultMatchesTheId)
{
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("12"));
    printer.AddRule(FakePrinter::Hex(kPrintResultPrefix), FakePrinter::Hex("37 22 03 00 00 00 00"));
    Connect();
    const IdRow rows[] = {{3, true}, {4, false}, {13, true}, {0, false}};
    for (const IdRow &r : rows)
        EXPECT_EQ(Pos_QueryPrintResult_WithQueryRTStatus(handle, r.id, 2000), r.expected) << r.id;
}

TEST_F(PosQuery, PrintResultSkipsOtherBytesWhileWaiting)
{
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("12"));
    // Noise, a status byte without the stop bit, then the answer.
    printer.AddRule(FakePrinter::Hex(kPrintResultPrefix), FakePrinter::Hex("41 42 12 37 22 00 00 00 00 00"));
    Connect();
    EXPECT_TRUE(Pos_QueryPrintResult_WithQueryRTStatus(handle, 0, 2000));
}

TEST_F(PosQuery, PrintResultMalformedAnswerFails)
{
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("12"));
    printer.AddRule(FakePrinter::Hex(kPrintResultPrefix), FakePrinter::Hex("37 23 00 00 00 00 00"));
    Connect();
    EXPECT_FALSE(Pos_QueryPrintResult_WithQueryRTStatus(handle, 0, 2000));
}

TEST_F(PosQuery, PrintResultStopStatusBeforeRequestSendsNoRequest)
{
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("1A"));
    Connect();
    EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 2000), 0);
    NZUtils_SleepMs(50);
    EXPECT_EQ(printer.Received(), FakePrinter::Hex("10 04 01"));
}

TEST_F(PosQuery, PrintResultStopStatusWhileWaitingEndsTheWait)
{
    // The first status poll says all is well, the one 300 ms into the wait says stopped.
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("12"));
    printer.AddRule(FakePrinter::Hex("1D 28 48 06 00 30 30 00 00 00 00 10 04 01"), FakePrinter::Hex("1A"));
    Connect();
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 3000), 0);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 2000);
}

TEST_F(PosQuery, PrintResultSilenceFailsWithinTwiceTheTimeout)
{
    // Status answers, the print result never comes: status wait plus result wait.
    printer.AddRule(FakePrinter::Hex("10 04 01"), FakePrinter::Hex("12"));
    Connect();
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 400), 0);
    const int64_t took = NZUtils_MonotonicMs() - start;
    EXPECT_GE(took, 400);
    EXPECT_LT(took, 2 * 400 + 500);
}

TEST_F(PosQuery, PrintResultSilentPrinterFails)
{
    printer.SetSilent(true);
    Connect();
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 400), 0);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 2 * 400 + 500);
}

TEST_F(PosQuery, AutoReplyPrintResultConfirmed)
{
    printer.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrameOk));
    printer.AddRule(PrintResultRequest(0), FakePrinter::Hex("37 22 00 00 00 00 00"));
    Connect(1);
    EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 2000), 1);
    // No status polling in auto-reply mode: only the request went out.
    EXPECT_EQ(printer.Received(), PrintResultRequest(0));
}

TEST_F(PosQuery, AutoReplyErrorStatusEndsTheWait)
{
    printer.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrameOk));
    // The error frame comes before an answer that would match.
    printer.AddRule(FakePrinter::Hex(kPrintResultPrefix),
                    FakePrinter::Hex(std::string(kStatusFrameError).append(" 37 22 00 00 00 00 00").c_str()));
    Connect(1);
    EXPECT_EQ(CP_Pos_QueryPrintResult(handle, 2000), 0);
}

TEST_F(PosQuery, AutoReplySilenceTimesOut)
{
    printer.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrameOk));
    Connect(1);
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_FALSE(Pos_QueryPrintResult_WithAutoReplyStatus(handle, 0, 300));
    const int64_t took = NZUtils_MonotonicMs() - start;
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 1000);
}

TEST_F(PosQuery, ClosedOrUnknownHandleFailsAtOnce)
{
    Connect();
    CP_Handle gone = handle;
    CP_Port_Close(handle);
    handle = nullptr;
    int local = 0;
    for (CP_Handle h : {static_cast<CP_Handle>(nullptr), gone, static_cast<CP_Handle>(&local)}) {
        const int64_t start = NZUtils_MonotonicMs();
        EXPECT_EQ(CP_Pos_QueryRTStatus(h, 1000), 0);
        EXPECT_EQ(CP_Pos_QueryPrintResult(h, 1000), 0);
        EXPECT_EQ(Pos_QueryRTStatus(h, 1, 1000), 0);
        EXPECT_FALSE(Pos_QueryPrintResult_WithAutoReplyStatus(h, 0, 1000));
        EXPECT_FALSE(Pos_QueryPrintResult_WithQueryRTStatus(h, 0, 1000));
        EXPECT_LT(NZUtils_MonotonicMs() - start, 500); // a wait would take 1 s per call
    }
}

TEST_F(PosQuery, PeerCloseEndsTheWait)
{
    printer.SetSilent(true);
    Connect();
    // The printer hangs up 200 ms into a long wait.
    std::thread closer([this] {
        NZUtils_SleepMs(200);
        printer.CloseAll();
    });
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Pos_QueryRTStatus(handle, 5000), 0);
    closer.join();
    EXPECT_LT(NZUtils_MonotonicMs() - start, 3000);
}

} // namespace
