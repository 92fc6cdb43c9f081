// Packet-protocol requests against the scripted printer on 127.0.0.1: replies built as
// real packages, chunked transfers both ways, retries, wrong, late, missing and
// malformed answers, and the ends of a pending request.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/proto_requests.h"
#include "quorvane/quorvane.h"
#include "support/FakePrinter.h"
#include "support/ProtoPackages.h"
#include "support/TestUtil.h"

using quorvane_test::Package;
using quorvane_test::WaitFor;

namespace {

std::string Pattern(size_t n, int seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = static_cast<char>((i * 31 + seed) & 0xFF);
    return s;
}

class ProtoPrinter : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(printer.Start());
        handle = Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
        ASSERT_NE(handle, nullptr);
        ASSERT_TRUE(printer.WaitForAccepted(1, 2000));
    }
    void TearDown() override
    {
        if (handle)
            CP_Port_Close(handle);
    }

    FakePrinter printer;
    CP_Handle handle = nullptr;
};

const std::string kProbe = "DEVICE??";

TEST_F(ProtoPrinter, CommunicationTestReturnsTheFirmwareText)
{
    printer.AddRule(Package(0x01, 32, 0, kProbe), Package(0x01, 32, 0, "FW 2.31"));
    CP_Proto_SetWorkEnabled(handle, 1);
    unsigned char buf[64];
    unsigned int got = 0;
    EXPECT_EQ(CP_Proto_CommunicationTest(handle, 0x01, 1000, 2000, sizeof(buf), buf, &got, 1), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), got), "FW 2.31");
    // Byte for byte: 03 01 | 20 00 | 00 00 00 00 | 08 00 | checks | "DEVICE??"
    EXPECT_EQ(printer.Received(), FakePrinter::Hex("03 01 20 00 00 00 00 00 08 00 2A 18") + kProbe);
    // The reply also set the firmware version record.
    char text[32];
    int needed = 0;
    EXPECT_EQ(CP_Printer_GetPrinterFirmwareVersion(handle, text, sizeof(text), &needed), 1);
    EXPECT_STREQ(text, "FW 2.31");
}

// How much of the reply reaches the caller's buffer.
TEST_F(ProtoPrinter, ReplyIntoTheBuffer)
{
    printer.AddRule(Package(0xFF, 7, 3, ""), Package(0xFF, 7, 3, "0123456789"));
    printer.AddRule(Package(0xFF, 7, 4, ""), Package(0xFF, 7, 4, ""));
    CP_Proto_SetWorkEnabled(handle, 1);
    struct Row {
        const char *name;
        unsigned int para;
        unsigned int size;
        bool withBuffer, withLength;
        unsigned int expectedLength;
        const char *expected;
    } rows[] = {
        {"fits", 3, 16, true, true, 10, "0123456789"},
        {"cut", 3, 4, true, true, 4, "0123"},
        {"size 0", 3, 0, true, true, 0, ""},
        {"no buffer", 3, 16, false, true, 0, ""},
        {"no length", 3, 16, true, false, 0, ""},
        {"empty reply", 4, 16, true, true, 0, ""},
    };
    for (const Row &row : rows) {
        unsigned char buf[16];
        memset(buf, '#', sizeof(buf));
        unsigned int got = 99;
        EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(handle, 0xFF, 7, row.para, 0, nullptr, 1000, 2000,
                                                               row.size, row.withBuffer ? buf : nullptr,
                                                               row.withLength ? &got : nullptr, 1),
                  1)
            << row.name;
        if (row.withLength) {
            EXPECT_EQ(got, row.expectedLength) << row.name;
        }
        const size_t n = strlen(row.expected);
        EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), n), row.expected) << row.name;
        EXPECT_EQ(buf[n], '#') << row.name;
    }
}

// A reply with the same command but another parameter does not answer; the request
// fails after its time-out and touches neither buffer nor length.
TEST_F(ProtoPrinter, WrongParameterDoesNotAnswer)
{
    printer.AddRule(Package(0xFF, 63, 86, ""), Package(0xFF, 63, 87, "xxxx85"));
    CP_Proto_SetWorkEnabled(handle, 1);
    unsigned char buf[8] = {0};
    unsigned int got = 99;
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(handle, 0xFF, 63, 86, 0, nullptr, 1000, 150, sizeof(buf),
                                                           buf, &got, 2),
              0);
    EXPECT_GE(NZUtils_MonotonicMs() - start, 2 * 150 + 200);
    EXPECT_EQ(got, 99u);
    EXPECT_EQ(buf[0], 0);
}

// The first try goes unanswered; the answer to it comes during the second try.
TEST_F(ProtoPrinter, LateAnswerServesTheNextTry)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    const std::string request = Package(0xFF, 253, 0, "");
    std::thread late([&]() {
        if (printer.WaitForReceivedCount(2 * request.size(), 3000))
            printer.Send(Package(0xFF, 253, 0, ""));
    });
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 100, 5), 1);
    late.join();
    EXPECT_EQ(printer.Received(), request + request);
}

// A reply already queued before a call ending in WithRetry is dropped by it.
TEST_F(ProtoPrinter, StaleRepliesAreDropped)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    printer.Send(Package(0xFF, 253, 0, ""));
    ASSERT_TRUE(WaitFor([&] { return Proto_GetReceivedProtoPackageCount(handle) == 1; }, 2000));
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 100, 1), 0);
}

TEST_F(ProtoPrinter, BatteryLevel)
{
    struct Row {
        const char *name;
        std::string data;
        int expected;
    } rows[] = {
        {"four bytes then 85", std::string("\x00\x01\xFF\x7F", 4) + "85", 85},
        {"spaces and sign", "abcd \t+42%", 42},
        {"negative", "abcd-7", -7},
        {"no digits", "abcdxyz", -1},
        {"sign without digits", "abcd -", -1},
        {"zero", "abcd0", 0},
        {"only four bytes", "abcd", -1},
        {"empty", "", -1},
        {"too large", "abcd99999999999999999999", INT_MAX},
        // Digits to the end of the 300 kept bytes and beyond: never read past them.
        {"all digits", "abcd" + std::string(400, '9'), INT_MAX},
    };
    for (const Row &row : rows) {
        printer.ClearRules();
        printer.AddRule(Package(0xFF, 63, 86, ""), Package(0xFF, 63, 86, row.data));
        EXPECT_EQ(CP_Proto_QueryBatteryLevel(handle, 2000), row.expected) << row.name;
    }
    // The query turned the switch on and left it on.
    EXPECT_EQ(CP_Proto_IsWorkEnabled(handle), 1);
    EXPECT_EQ(printer.Received().substr(0, 12), FakePrinter::Hex("03 FF 3F 00 56 00 00 00 00 00 95 00"));
}

TEST_F(ProtoPrinter, BatteryLevelWithoutAnswer)
{
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_QueryBatteryLevel(handle, 150), -1);
    EXPECT_GE(NZUtils_MonotonicMs() - start, 150);
}

TEST_F(ProtoPrinter, SerialNumber)
{
    printer.AddRule(FakePrinter::Hex("03 FF 3F 00 4E 00 00 00 00 00 8D 00"), Package(0xFF, 63, 78, "SN-000123"));
    // Terminated when the buffer has room; a full buffer holds only the bytes.
    const struct {
        unsigned int size;
        int stored;
        const char *expected; // the buffer's first size bytes afterwards
        size_t expectedLen;
    } rows[] = {
        {32, 9, "SN-000123\0#", 11},
        {10, 9, "SN-000123\0", 10},
        {9, 9, "SN-000123", 9},
        {4, 4, "SN-0", 4},
    };
    for (const auto &row : rows) {
        char buf[40];
        memset(buf, '#', sizeof(buf));
        EXPECT_EQ(CP_Proto_QuerySerialNumber(handle, buf, row.size, 2000), row.stored) << row.size;
        EXPECT_EQ(std::string(buf, row.expectedLen), std::string(row.expected, row.expectedLen)) << row.size;
        EXPECT_EQ(buf[row.size], '#') << row.size;
    }
    char buf[32];
    EXPECT_EQ(CP_Proto_IsWorkEnabled(handle), 1);
    printer.SetSilent(true);
    EXPECT_EQ(CP_Proto_QuerySerialNumber(handle, buf, sizeof(buf), 100), -1);
}

// Chunked send: each chunk carries its position in the parameter and has its own reply.
TEST_F(ProtoPrinter, SendDataInChunks)
{
    const std::string data = Pattern(1000, 1);
    const unsigned int base = 0x1000;
    std::string expected;
    for (unsigned int pos = 0; pos < 1000; pos += 256) {
        const std::string chunk = data.substr(pos, 256);
        expected += Package(0x05, 40, base + pos, chunk);
        printer.AddRule(Package(0x05, 40, base + pos, chunk), Package(0x05, 40, base + pos, "ok"));
    }
    CP_Proto_SetWorkEnabled(handle, 1);
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0x05, 40, base, 1000,
                                         reinterpret_cast<const unsigned char *>(data.data()), 256, 1000, 2000, 1),
              1);
    EXPECT_EQ(printer.Received(), expected);
    EXPECT_EQ(Proto_GetReceivedProtoPackageCount(handle), 0u);
}

// One chunk's reply missing: the transfer fails, on every try.
TEST_F(ProtoPrinter, SendDataMissingReplyFails)
{
    const std::string data = Pattern(1000, 2);
    for (unsigned int pos = 0; pos < 1000; pos += 256) {
        if (pos == 512)
            continue;
        printer.AddRule(Package(0xFF, 40, pos, data.substr(pos, 256)), Package(0xFF, 40, pos, ""));
    }
    CP_Proto_SetWorkEnabled(handle, 1);
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 40, 0, 1000,
                                         reinterpret_cast<const unsigned char *>(data.data()), 256, 1000, 150, 2),
              0);
    EXPECT_TRUE(printer.WaitForReceivedCount(2 * (1000 + 4 * 12), 2000));
}

// Replies in reverse order are collected in chunk order.
TEST_F(ProtoPrinter, RepliesInAnyOrder)
{
    const std::string data = Pattern(600, 3);
    std::string replies;
    for (int pos = 512; pos >= 0; pos -= 256)
        replies += Package(0xFF, 41, 7 + pos, std::to_string(pos));
    // All three replies come at once after the last chunk.
    printer.AddRule(Package(0xFF, 41, 7 + 512, data.substr(512)), replies);
    CP_Proto_SetWorkEnabled(handle, 1);
    std::list<NZReceivedProtoPackage> got;
    ASSERT_TRUE(Proto_SendDataWithRetry(handle, 0xFF, 41, 7, 600, reinterpret_cast<const unsigned char *>(data.data()),
                                        256, 1000, 2000, got, 1));
    std::vector<std::string> texts;
    for (const NZReceivedProtoPackage &p : got)
        texts.push_back(std::string(reinterpret_cast<char *>(p.data), p.length));
    EXPECT_EQ(texts, (std::vector<std::string>{"0", "256", "512"}));
}

// More chunks than the connection's reply queue holds, replies coming in bursts: none is lost.
TEST_F(ProtoPrinter, LongTransferKeepsEveryReply)
{
    const unsigned int chunks = 260, size = 1;
    ASSERT_GT(chunks, IOHandle::MaxReceivedPackages);
    const std::string data = Pattern(chunks * size, 4);
    for (unsigned int i = 0; i < chunks; ++i)
        printer.AddRule(Package(0xFF, 42, i * size, data.substr(i * size, size)), Package(0xFF, 42, i * size, ""));
    CP_Proto_SetWorkEnabled(handle, 1);
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 42, 0, chunks * size,
                                         reinterpret_cast<const unsigned char *>(data.data()), size, 10000, 10000, 1),
              1);
}

// Chunked receive: one empty request per 256 bytes; the data are concatenated, cut at
// the total asked for.
TEST_F(ProtoPrinter, RecvDataInChunks)
{
    const std::string image = Pattern(768, 5);
    std::string expected;
    for (unsigned int pos = 0; pos < 600; pos += 256) {
        expected += Package(0xFF, 50, 100 + pos, "");
        printer.AddRule(Package(0xFF, 50, 100 + pos, ""), Package(0xFF, 50, 100 + pos, image.substr(pos, 256)));
    }
    CP_Proto_SetWorkEnabled(handle, 1);
    std::vector<unsigned char> buf(600 + 16, '#');
    unsigned int got = 0;
    EXPECT_EQ(CP_Proto_RecvDataWithRetry(handle, 0xFF, 50, 100, 1000, 2000, 600, buf.data(), &got, 1), 1);
    EXPECT_EQ(printer.Received(), expected);
    EXPECT_EQ(got, 600u);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf.data()), 600), image.substr(0, 600));
    EXPECT_EQ(buf[600], '#');
}

// The replies' data are put together in position order, whatever their lengths, and cut
// at the total; a short reply leaves no gap.
TEST_F(ProtoPrinter, RecvDataConcatenatesUpToTheTotal)
{
    const struct {
        const char *name;
        std::string replies[3];
        std::string expected;
    } rows[] = {
        {"three short replies", {std::string(100, 'a'), std::string(100, 'b'), std::string(100, 'c')},
         std::string(100, 'a') + std::string(100, 'b') + std::string(100, 'c')},
        {"first reply fills the total", {std::string(1000, 'a'), "b", std::string(65535, 'c')}, std::string(600, 'a')},
        {"short, long, short", {std::string(10, 'a'), std::string(1000, 'b'), "c"},
         std::string(10, 'a') + std::string(590, 'b')},
        {"one byte each", {"a", "b", "c"}, "abc"},
    };
    CP_Proto_SetWorkEnabled(handle, 1);
    unsigned short cmd = 51;
    for (const auto &row : rows) {
        ++cmd; // a command of its own per row: no late reply of a row serves the next
        for (unsigned int i = 0; i < 3; ++i)
            printer.AddRule(Package(0xFF, cmd, i * 256, ""), Package(0xFF, cmd, i * 256, row.replies[i]));
        std::vector<unsigned char> buf(600 + 16, '#');
        unsigned int got = 0;
        EXPECT_EQ(CP_Proto_RecvDataWithRetry(handle, 0xFF, cmd, 0, 1000, 2000, 600, buf.data(), &got, 1), 1)
            << row.name;
        EXPECT_EQ(std::string(reinterpret_cast<char *>(buf.data()), got), row.expected) << row.name;
        EXPECT_EQ(buf[got], '#') << row.name;
    }

    // Without a buffer the replies are only awaited.
    unsigned int got = 5;
    EXPECT_EQ(CP_Proto_RecvDataWithRetry(handle, 0xFF, cmd, 0, 1000, 2000, 600, nullptr, &got, 1), 1);
    EXPECT_EQ(got, 0u);
}

// A device that acknowledges every chunk only after the last one, in one burst (in
// reverse order), possibly behind a flood of packages nobody asked for: every chunk goes
// out and the transfer succeeds, also with more chunks than the reply queue keeps.
TEST_F(ProtoPrinter, SendDataAcknowledgedAfterTheLastChunk)
{
    const struct {
        unsigned int chunks, flood;
    } rows[] = {{200, 0}, {300, 0}, {200, 600}};
    CP_Proto_SetWorkEnabled(handle, 1);
    unsigned short cmd = 60;
    for (const auto &row : rows) {
        ++cmd;
        printer.ClearRules();
        printer.ClearReceived();
        const std::string data = Pattern(row.chunks, 9);
        std::string wire, acks;
        for (unsigned int i = 0; i < row.flood; ++i)
            acks += Package(0xFF, 99, i, "");
        for (unsigned int i = 0; i < row.chunks; ++i) {
            wire += Package(0xFF, cmd, 1000 + i, data.substr(i, 1));
            acks += Package(0xFF, cmd, 1000 + row.chunks - 1 - i, "ok");
        }
        printer.AddRule(Package(0xFF, cmd, 1000 + row.chunks - 1, data.substr(row.chunks - 1, 1)), acks);
        EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, cmd, 1000, row.chunks,
                                             reinterpret_cast<const unsigned char *>(data.data()), 1, 2000, 3000, 1),
                  1)
            << row.chunks << " chunks, flood " << row.flood;
        EXPECT_TRUE(printer.WaitForReceivedCount(wire.size(), 2000));
        EXPECT_EQ(printer.Received(), wire) << row.chunks << " chunks, flood " << row.flood;
    }
}

// Bytes that are no package, and a header announcing more data than ever comes: the
// request fails after its time-out, and a good reply after the noise is still found.
TEST_F(ProtoPrinter, MalformedAnswers)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    // A damaged package (bad data check), then stray bytes, then the real reply.
    std::string damaged = Package(0xFF, 253, 0, "zz");
    damaged[damaged.size() - 1] ^= 1;
    printer.AddRule(Package(0xFF, 253, 0, ""), damaged + "\x03\x03 noise" + Package(0xFF, 253, 0, ""));
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 2000, 1), 1);

    printer.ClearRules();
    // A header for 65535 bytes of which only a few come.
    const std::string big = Package(0xFF, 253, 0, std::string(65535, 'x'));
    printer.AddRule(Package(0xFF, 253, 0, ""), big.substr(0, 40));
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 150, 1), 0);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 2000);
}

// Closing the connection from another thread ends a pending request.
TEST_F(ProtoPrinter, CloseEndsAPendingRequest)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    std::thread closer([this]() {
        NZIOSleep::SleepMs(100);
        CP_Port_Close(handle);
    });
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 60000, 50), 0);
    closer.join();
    EXPECT_LT(NZUtils_MonotonicMs() - start, 3000);
    EXPECT_TRUE(WaitFor([] { return ptrs.Count() == 0; }, 3000));
    handle = nullptr;
}

TEST_F(ProtoPrinter, StopAtBootAnswered)
{
    // The device answers "a" once it has seen three of them.
    printer.AddRule("aaa", "a");
    CP_Proto_SetWorkEnabled(handle, 1);
    EXPECT_EQ(CP_Proto_StopAtBootBySenda(handle), 1);
    const std::string sent = printer.Received();
    EXPECT_GE(sent.size(), 3u);
    EXPECT_EQ(sent, std::string(sent.size(), 'a'));
}

// Other bytes from the device are not the answer; clearing the switch ends the loop.
TEST_F(ProtoPrinter, StopAtBootEndsWithTheSwitch)
{
    printer.AddRule("a", "b");
    CP_Proto_SetWorkEnabled(handle, 1);
    std::thread stopper([this]() {
        NZIOSleep::SleepMs(150);
        CP_Proto_SetWorkEnabled(handle, 0);
    });
    EXPECT_EQ(CP_Proto_StopAtBootBySenda(handle), 0);
    stopper.join();
    EXPECT_GE(printer.ReceivedCount(), 2u);
}

// Bytes waiting before the call are discarded, an "a" among them included.
TEST_F(ProtoPrinter, StopAtBootSkipsWaitingBytes)
{
    printer.Send("a");
    ASSERT_TRUE(WaitFor(
        [this] {
            HandleGuard g(handle);
            std::lock_guard<std::mutex> lock(g->m_rxMutex);
            return !g->m_rxBuffer.IsEmpty();
        },
        2000));
    printer.AddRule("aa", "a");
    CP_Proto_SetWorkEnabled(handle, 1);
    EXPECT_EQ(CP_Proto_StopAtBootBySenda(handle), 1);
    EXPECT_GE(printer.ReceivedCount(), 2u);
}

} // namespace
