// The raw port calls on connections: writes, reads with time-outs and end bytes,
// available/skip, connection state, the transport-specific calls and the handle rule.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/quorvane.h"
#include "support/BadHandles.h"
#include "support/FakePrinter.h"
#include "support/TestUtil.h"

using quorvane_test::Hex;
using quorvane_test::ToHex;
using quorvane_test::WaitFor;

namespace {

const char *const kStatusFrame = "53 01 02 03 00 02 00 51";

std::string Str(const unsigned char *p, int n) { return n > 0 ? ToHex(p, static_cast<size_t>(n)) : ""; }

// Feeds bytes through the connection's receive path, as the read thread would.
void Receive(CP_Handle h, const char *hex)
{
    const quorvane_test::Bytes b = Hex(hex);
    Port_ReadedEvent(b.data(), static_cast<unsigned int>(b.size()), h);
}

int64_t Now() { return NZUtils_MonotonicMs(); }

// A TCP connection to a started fake printer, closed at the end.
struct TcpConnection {
    FakePrinter printer;
    CP_Handle h = nullptr;
    explicit TcpConnection(int autoReply = 0)
    {
        if (autoReply)
            printer.AddRule(FakePrinter::Hex("1D 61 FF"), FakePrinter::Hex(kStatusFrame));
        if (printer.Start())
            h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, autoReply);
        // The printer's Send reaches only connections it has accepted.
        if (h && !printer.WaitForLive(1, 3000)) {
            CP_Port_Close(h);
            h = nullptr;
        }
    }
    ~TcpConnection()
    {
        if (h)
            CP_Port_Close(h);
    }
};

} // namespace

// ---- Handle rule ------------------------------------------------------------------------

// Every call on a connection, with whether it returned its failure value and left its
// outputs alone.
static bool AllRefused(CP_Handle h)
{
    unsigned char buf[4] = {7, 7, 7, 7};
    int values[2] = {7, 7};
    const unsigned char data[2] = {1, 2};
    struct Row {
        const char *call;
        std::function<bool()> failed;
    } rows[] = {
        {"Write", [&] { return CP_Port_Write(h, data, 2, 100) == -1; }},
        {"Write nothing", [&] { return CP_Port_Write(h, nullptr, 0, 100) == -1; }},
        {"Read", [&] { return CP_Port_Read(h, buf, 4, 100) == -1; }},
        {"ReadUntilByte", [&] { return CP_Port_ReadUntilByte(h, buf, 4, 100, 0x0A) == -1; }},
        {"Available", [&] { return CP_Port_Available(h) == -1; }},
        {"SkipAvailable", [&] { return CP_Port_SkipAvailable(h) == 0; }},
        {"IsOpened", [&] { return CP_Port_IsOpened(h) == 0; }},
        {"IsConnectionValid", [&] { return CP_Port_IsConnectionValid(h) == 0; }},
        {"SetDefaultWriteTimeout", [&] { return CP_Port_SetDefaultWriteTimeout(h, 5) == 0; }},
        {"SetComBaudrate", [&] { return CP_Port_SetComBaudrate(h, 9600) == 0; }},
        {"GetMemoryBufferDataPointer", [&] { return CP_Port_GetMemoryBufferDataPointer(h) == nullptr; }},
        {"GetMemoryBufferDataLength", [&] { return CP_Port_GetMemoryBufferDataLength(h) == 0; }},
        {"ClearMemoryBufferData", [&] { return CP_Port_ClearMemoryBufferData(h) == 0; }},
        {"ClearBtBleProtoV2PacketSendTimesList", [&] { return CP_Port_ClearBtBleProtoV2PacketSendTimesList(h) == 0; }},
        {"GetBtBleProtoV2PacketSendTimesListLength",
         [&] { return CP_Port_GetBtBleProtoV2PacketSendTimesListLength(h) == 0; }},
        {"GetBtBleProtoV2PacketSendTimesListValue",
         [&] { return CP_Port_GetBtBleProtoV2PacketSendTimesListValue(h, values, 2) == 0; }},
    };
    bool all = true;
    for (const Row &r : rows) {
        const int64_t start = Now();
        const bool failed = r.failed();
        EXPECT_TRUE(failed) << r.call;
        EXPECT_LT(Now() - start, 200) << r.call << " must fail at once";
        all = all && failed;
    }
    EXPECT_EQ(Str(buf, 4), "07 07 07 07");
    EXPECT_EQ(values[0], 7);
    EXPECT_EQ(values[1], 7);
    return all;
}

TEST(PortCalls, NullAndUnregisteredHandlesFail)
{
    const quorvane_test::BadHandles bad;
    for (const auto &b : bad.All())
        EXPECT_TRUE(AllRefused(b.handle)) << b.what;
    EXPECT_TRUE(bad.Untouched());
}

// ---- Reads ------------------------------------------------------------------------------

TEST(PortCalls, ReadUntilByteFromPrinterLeavesTheRest)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    c.printer.Send(FakePrinter::Hex("41 42 0A 43"));
    ASSERT_TRUE(WaitFor([&] { return CP_Port_Available(c.h) == 4; }, 2000));
    unsigned char buf[16] = {0};
    const int64_t start = Now();
    EXPECT_EQ(CP_Port_ReadUntilByte(c.h, buf, sizeof(buf), 2000, 0x0A), 3);
    EXPECT_LT(Now() - start, 300);
    EXPECT_EQ(Str(buf, 3), "41 42 0A");
    EXPECT_EQ(CP_Port_Available(c.h), 1);
    EXPECT_EQ(CP_Port_Read(c.h, buf, 1, 0), 1);
    EXPECT_EQ(buf[0], 0x43);
    EXPECT_EQ(CP_Port_Available(c.h), 0);
}

// Reads on a memory connection fed through the receive path: which bytes are taken, how
// many stay, and how long the call takes.
TEST(PortCalls, ReadTable)
{
    struct Row {
        const char *what;
        const char *waiting;
        bool untilByte;
        unsigned char endByte;
        int length;
        unsigned int timeout;
        int result;
        const char *taken;
        int left;
        int minMs, maxMs;
    } rows[] = {
        {"length below waiting", "01 02 03 04 05", false, 0, 3, 2000, 3, "01 02 03", 2, 0, 300},
        {"all waiting, no wait", "01 02 03", false, 0, 3, 2000, 3, "01 02 03", 0, 0, 300},
        {"fewer than length: time-out", "01 02", false, 0, 5, 200, 2, "01 02", 0, 195, 1000},
        {"empty: time-out", "", false, 0, 4, 200, 0, "", 0, 195, 1000},
        {"zero time-out takes what waits", "09 08", false, 0, 4, 0, 2, "09 08", 0, 0, 300},
        {"zero length", "01 02", false, 0, 0, 2000, 0, "", 2, 0, 300},
        {"negative length", "01 02", false, 0, -3, 2000, 0, "", 2, 0, 300},
        {"until 0A", "41 42 0A 43", true, 0x0A, 16, 2000, 3, "41 42 0A", 1, 0, 300},
        {"until first byte", "0A 0A 41", true, 0x0A, 16, 2000, 1, "0A", 2, 0, 300},
        {"until 00", "31 00 32 00", true, 0x00, 16, 2000, 2, "31 00", 2, 0, 300},
        {"until: length first", "41 42 43 0A", true, 0x0A, 2, 2000, 2, "41 42", 2, 0, 300},
        {"until: end byte never comes", "41 42", true, 0x0A, 8, 200, 2, "41 42", 0, 195, 1000},
        {"until: end byte exactly at length", "41 0A 42", true, 0x0A, 2, 2000, 2, "41 0A", 1, 0, 300},
    };
    for (const Row &r : rows) {
        CP_Handle h = CP_Port_OpenMemoryBuffer(64);
        ASSERT_NE(h, nullptr);
        Receive(h, r.waiting);
        unsigned char buf[16];
        memset(buf, 0xEE, sizeof(buf));
        const int64_t start = Now();
        const int n = r.untilByte ? CP_Port_ReadUntilByte(h, buf, r.length, r.timeout, r.endByte)
                                  : CP_Port_Read(h, buf, r.length, r.timeout);
        const int64_t took = Now() - start;
        EXPECT_EQ(n, r.result) << r.what;
        EXPECT_EQ(Str(buf, n), r.taken) << r.what;
        if (n >= 0 && n < static_cast<int>(sizeof(buf))) {
            EXPECT_EQ(buf[n], 0xEE) << r.what << ": nothing stored past the count";
        }
        EXPECT_EQ(CP_Port_Available(h), r.left) << r.what;
        EXPECT_GE(took, r.minMs) << r.what;
        EXPECT_LT(took, r.maxMs) << r.what;
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
}

// Bytes that already wait are all taken, however short the time-out: the clock is
// looked at only when nothing is left to take.
TEST(PortCalls, WaitingBytesAreTakenWhateverTheTimeout)
{
    std::vector<unsigned char> data(16000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i % 251);
    data.back() = 0xFF; // the only FF: where ReadUntilByte stops
    const struct {
        const char *what;
        bool untilByte;
    } rows[] = {{"read", false}, {"read until FF", true}};
    for (const auto &row : rows) {
        CP_Handle h = CP_Port_OpenMemoryBuffer(64);
        ASSERT_NE(h, nullptr);
        std::vector<unsigned char> buf(data.size());
        int shortRounds = 0;
        for (int round = 0; round < 200; ++round) {
            Port_ReadedEvent(data.data(), static_cast<unsigned int>(data.size()), h);
            const int n = row.untilByte
                              ? CP_Port_ReadUntilByte(h, buf.data(), static_cast<int>(buf.size()), 0, 0xFF)
                              : CP_Port_Read(h, buf.data(), static_cast<int>(buf.size()), 0);
            shortRounds += n != static_cast<int>(data.size()) || buf != data;
            CP_Port_SkipAvailable(h);
        }
        EXPECT_EQ(shortRounds, 0) << row.what;
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
}

TEST(PortCalls, NullBufferWithLengthFails)
{
    CP_Handle h = CP_Port_OpenMemoryBuffer(16);
    ASSERT_NE(h, nullptr);
    Receive(h, "01 02");
    EXPECT_EQ(CP_Port_Read(h, nullptr, 4, 100), -1);
    EXPECT_EQ(CP_Port_ReadUntilByte(h, nullptr, 4, 100, 0x0A), -1);
    EXPECT_EQ(CP_Port_Read(h, nullptr, 0, 0), 0);
    EXPECT_EQ(CP_Port_Available(h), 2);
    EXPECT_EQ(CP_Port_Write(h, nullptr, 3, 100), -1);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(h), 0u);
    EXPECT_EQ(CP_Port_Close(h), 1);
}

// Bytes arriving while a read waits are taken as they come.
TEST(PortCalls, ReadWaitsForLateBytes)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    std::thread later([&] {
        c.printer.Send(FakePrinter::Hex("01 02"));
        NZIOSleep::SleepMs(100);
        c.printer.Send(FakePrinter::Hex("03 04 05"));
    });
    unsigned char buf[4] = {0};
    const int64_t start = Now();
    EXPECT_EQ(CP_Port_Read(c.h, buf, 4, 3000), 4);
    EXPECT_LT(Now() - start, 1500);
    later.join();
    EXPECT_EQ(Str(buf, 4), "01 02 03 04");
    EXPECT_TRUE(WaitFor([&] { return CP_Port_Available(c.h) == 1; }, 2000));
}

// Auto-reply frames never reach the raw reads; the bytes around them do.
TEST(PortCalls, ReadSkipsAutoReplyFrames)
{
    TcpConnection c(1);
    ASSERT_NE(c.h, nullptr);
    CP_Port_SkipAvailable(c.h);
    c.printer.Send(FakePrinter::Hex("41") + FakePrinter::Hex(kStatusFrame) + FakePrinter::Hex("42 0A"));
    unsigned char buf[16] = {0};
    EXPECT_EQ(CP_Port_ReadUntilByte(c.h, buf, sizeof(buf), 2000, 0x0A), 3);
    EXPECT_EQ(Str(buf, 3), "41 42 0A");
}

// Once the close has begun, every call with the value fails at once, even while the
// handle itself lives on (here held by a guard) and bytes still wait in it.
TEST(PortCalls, ReadOnClosedPortReturnsAtOnce)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    c.printer.Send(FakePrinter::Hex("01 02 03"));
    ASSERT_TRUE(WaitFor([&] { return CP_Port_Available(c.h) == 3; }, 2000));
    HandleGuard keep(c.h); // the handle outlives the close
    ASSERT_TRUE(static_cast<bool>(keep));
    EXPECT_EQ(CP_Port_Close(c.h), 1);
    unsigned char buf[4];
    const int64_t start = Now();
    EXPECT_EQ(CP_Port_Read(c.h, buf, 4, 5000), -1);
    EXPECT_EQ(CP_Port_ReadUntilByte(c.h, buf, 4, 5000, 0x02), -1);
    EXPECT_LT(Now() - start, 300);
    EXPECT_EQ(CP_Port_Write(c.h, buf, 1, 100), -1);
    EXPECT_EQ(CP_Port_IsOpened(c.h), 0);
    EXPECT_EQ(CP_Port_IsConnectionValid(c.h), 0);
    EXPECT_EQ(CP_Port_Available(c.h), -1);
    EXPECT_EQ(CP_Port_SkipAvailable(c.h), 0);
    EXPECT_EQ(CP_Port_Close(c.h), 0);
    std::lock_guard<std::mutex> lock(keep->m_rxMutex);
    EXPECT_EQ(keep->m_rxBuffer.Available(), 3u); // nothing stored was touched
    c.h = nullptr;
}

// A read blocked on an empty buffer ends promptly when another thread closes the port.
TEST(PortCalls, CloseEndsABlockedRead)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    std::atomic<int> result{-2};
    std::atomic<int64_t> took{0};
    std::thread reader([&] {
        unsigned char buf[8];
        const int64_t start = Now();
        result = CP_Port_ReadUntilByte(c.h, buf, sizeof(buf), 10000, 0x0A);
        took = Now() - start;
    });
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(CP_Port_Close(c.h), 1);
    reader.join();
    // 0 when the read held the handle through the close, -1 when it started after.
    EXPECT_LE(result.load(), 0);
    EXPECT_NE(result.load(), -2);
    EXPECT_LT(took.load(), 1000);
    c.h = nullptr;
}

// One reader takes lines while other threads write, poll and query.
TEST(PortCalls, ReaderAndWritersRunTogether)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    const int lines = 200;
    std::string all;
    for (int i = 0; i < lines; ++i)
        all += "line " + std::to_string(i) + "\n";
    std::atomic<bool> done{false};
    std::vector<std::string> got;
    std::thread reader([&] {
        while (static_cast<int>(got.size()) < lines) {
            unsigned char buf[64];
            std::string line;
            while (line.empty() || line.back() != '\n') {
                const int n = CP_Port_ReadUntilByte(c.h, buf, sizeof(buf), 3000, '\n');
                if (n <= 0)
                    return;
                line.append(reinterpret_cast<char *>(buf), static_cast<size_t>(n));
            }
            got.push_back(line);
        }
        done = true;
    });
    std::thread writer([&] {
        const unsigned char ping[3] = {'p', 'n', 'g'};
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(CP_Port_Write(c.h, ping, sizeof(ping), 1000), 3);
    });
    std::thread poller([&] {
        while (!done) {
            EXPECT_GE(CP_Port_Available(c.h), 0);
            EXPECT_EQ(CP_Port_IsOpened(c.h), 1);
            EXPECT_EQ(CP_Port_IsConnectionValid(c.h), 1);
            NZIOSleep::SleepMs(1);
        }
    });
    for (size_t at = 0; at < all.size(); at += 37)
        c.printer.Send(all.substr(at, 37));
    reader.join();
    writer.join();
    done = true;
    poller.join();
    ASSERT_EQ(static_cast<int>(got.size()), lines);
    for (int i = 0; i < lines; ++i)
        EXPECT_EQ(got[static_cast<size_t>(i)], "line " + std::to_string(i) + "\n");
    EXPECT_TRUE(c.printer.WaitForReceivedCount(150, 2000));
}

// ---- Writes, available and skip ------------------------------------------------------------

TEST(PortCalls, WriteReachesThePrinterAndRaisesWritten)
{
    static std::atomic<int> written{0};
    static std::atomic<unsigned int> writtenCount{0};
    written = 0;
    writtenCount = 0;
    CP_OnPortWrittenEvent onWritten = [](CP_Handle, const unsigned char *, unsigned int count, void *) {
        ++written;
        writtenCount += count;
    };
    ASSERT_EQ(CP_Port_AddOnPortWrittenEvent(onWritten, nullptr), 1);
    {
        TcpConnection c;
        ASSERT_NE(c.h, nullptr);
        const unsigned char data[] = {0x1B, 0x40, 0x41, 0x0A};
        EXPECT_EQ(CP_Port_Write(c.h, data, sizeof(data), 1000), 4);
        EXPECT_TRUE(c.printer.WaitForReceived(FakePrinter::Hex("1B 40 41 0A"), 2000));
        EXPECT_EQ(written.load(), 1);
        EXPECT_EQ(writtenCount.load(), 4u);
        EXPECT_EQ(CP_Port_Write(c.h, data, 0, 1000), 0);
        EXPECT_EQ(CP_Port_Write(c.h, nullptr, 1, 1000), -1);
    }
    CP_Port_RemoveOnPortWrittenEvent(onWritten);
}

TEST(PortCalls, AvailableAndSkip)
{
    CP_Handle h = CP_Port_OpenMemoryBuffer(16);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CP_Port_Available(h), 0);
    EXPECT_EQ(CP_Port_SkipAvailable(h), 1);
    Receive(h, "01 02 03 04 05 06 07");
    EXPECT_EQ(CP_Port_Available(h), 7);
    EXPECT_EQ(CP_Port_SkipAvailable(h), 1);
    EXPECT_EQ(CP_Port_Available(h), 0);
    Receive(h, "08 09");
    unsigned char buf[4];
    EXPECT_EQ(CP_Port_Read(h, buf, 4, 0), 2);
    EXPECT_EQ(Str(buf, 2), "08 09");
    // The buffer keeps at most 16383 bytes.
    std::vector<unsigned char> big(20000, 0x55);
    Port_ReadedEvent(big.data(), static_cast<unsigned int>(big.size()), h);
    EXPECT_EQ(CP_Port_Available(h), 16383);
    EXPECT_EQ(CP_Port_Close(h), 1);
}

// ---- Memory buffer and transport-specific calls ----------------------------------------------

TEST(PortCalls, MemoryBufferCollectsWrites)
{
    CP_Handle h = CP_Port_OpenMemoryBuffer(8);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(CP_Port_GetMemoryBufferDataPointer(h), nullptr);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(h), 0u);
    const unsigned char a[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(CP_Port_Write(h, a, 5, 100), 5);
    EXPECT_EQ(CP_Port_Write(h, a, 3, 100), 3);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(h), 8u);
    EXPECT_EQ(Str(static_cast<const unsigned char *>(CP_Port_GetMemoryBufferDataPointer(h)), 8),
              "01 02 03 04 05 01 02 03");
    // A write that does not fit is refused whole.
    EXPECT_EQ(CP_Port_Write(h, a, 1, 100), -1);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(h), 8u);
    EXPECT_EQ(CP_Port_ClearMemoryBufferData(h), 1);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(h), 0u);
    EXPECT_EQ(CP_Port_Write(h, a + 4, 1, 100), 1);
    EXPECT_EQ(*static_cast<const unsigned char *>(CP_Port_GetMemoryBufferDataPointer(h)), 5);
    // The calls of other transports refuse a memory connection.
    int values[2] = {7, 7};
    EXPECT_EQ(CP_Port_SetComBaudrate(h, 9600), 0);
    EXPECT_EQ(CP_Port_ClearBtBleProtoV2PacketSendTimesList(h), 0);
    EXPECT_EQ(CP_Port_GetBtBleProtoV2PacketSendTimesListLength(h), 0);
    EXPECT_EQ(CP_Port_GetBtBleProtoV2PacketSendTimesListValue(h, values, 2), 0);
    EXPECT_EQ(values[0], 7);
    EXPECT_EQ(CP_Port_IsOpened(h), 1);
    EXPECT_EQ(CP_Port_IsConnectionValid(h), 1);
    EXPECT_EQ(CP_Port_Close(h), 1);
}

TEST(PortCalls, TcpRefusesSerialAndMemoryCalls)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    EXPECT_EQ(CP_Port_SetComBaudrate(c.h, 9600), 0);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataPointer(c.h), nullptr);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(c.h), 0u);
    EXPECT_EQ(CP_Port_ClearMemoryBufferData(c.h), 0);
    EXPECT_EQ(CP_Port_GetBtBleProtoV2PacketSendTimesListLength(c.h), 0);
    EXPECT_EQ(CP_Port_IsOpened(c.h), 1);
    EXPECT_EQ(c.printer.ReceivedCount(), 0u);
}

TEST(PortCalls, SerialBaudrate)
{
    int master = -1, slave = -1;
    char name[128];
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    CP_Handle h = CP_Port_OpenCom(name, 9600, CP_ComDataBits_8, CP_ComParity_NoParity, CP_ComStopBits_One,
                                  CP_ComFlowControl_None, 0);
    ASSERT_NE(h, nullptr);
    struct Row {
        int baud;
        int result;
        speed_t speed; // expected afterwards
    } rows[] = {
        {115200, 1, B115200}, {19200, 1, B19200}, {12345, 0, B19200}, {-1, 0, B19200}, {9600, 1, B9600},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(CP_Port_SetComBaudrate(h, r.baud), r.result) << r.baud;
        termios t;
        ASSERT_EQ(tcgetattr(slave, &t), 0);
        EXPECT_EQ(cfgetospeed(&t), r.speed) << r.baud;
    }
    EXPECT_EQ(CP_Port_GetMemoryBufferDataPointer(h), nullptr);
    EXPECT_EQ(CP_Port_GetMemoryBufferDataLength(h), 0u);
    EXPECT_EQ(CP_Port_ClearMemoryBufferData(h), 0);
    EXPECT_EQ(CP_Port_Close(h), 1);
    close(slave);
    close(master);
}

TEST(PortCalls, DefaultWriteTimeout)
{
    CP_Handle h = CP_Port_OpenMemoryBuffer(8);
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_posPrinter.GetIODefaultTimeout(), 3600000u);
        EXPECT_EQ(g->m_labelPrinter.GetIODefaultTimeout(), 3600000u);
    }
    EXPECT_EQ(CP_Port_SetDefaultWriteTimeout(h, 1234), 1);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_posPrinter.GetIODefaultTimeout(), 1234u);
        EXPECT_EQ(g->m_labelPrinter.GetIODefaultTimeout(), 1234u);
    }
    EXPECT_EQ(CP_Port_Close(h), 1);
}

// ---- Connection validity --------------------------------------------------------------------

TEST(PortCalls, ConnectionValidityFollowsStatusAge)
{
    TcpConnection c(1);
    ASSERT_NE(c.h, nullptr);
    EXPECT_EQ(CP_Port_IsConnectionValid(c.h), 1);
    struct Row {
        long long ageMs;
        int valid;
    } rows[] = {{0, 1}, {5000, 1}, {5900, 1}, {6100, 0}, {60000, 0}, {-1000, 1}};
    for (const Row &r : rows) {
        {
            HandleGuard g(c.h);
            std::lock_guard<std::mutex> lock(g->m_statusMutex);
            g->m_status.time = NZIOTimeStamp::GetSysTimeMs() - r.ageMs;
        }
        EXPECT_EQ(CP_Port_IsConnectionValid(c.h), r.valid) << r.ageMs;
        EXPECT_EQ(CP_Port_IsOpened(c.h), 1);
    }
    // A fresh status frame makes it valid again.
    c.printer.Send(FakePrinter::Hex(kStatusFrame));
    EXPECT_TRUE(WaitFor([&] { return CP_Port_IsConnectionValid(c.h) == 1; }, 2000));
}

TEST(PortCalls, ConnectionWithoutAutoReplyIsValidWhileOpen)
{
    TcpConnection c;
    ASSERT_NE(c.h, nullptr);
    EXPECT_EQ(CP_Port_IsConnectionValid(c.h), 1);
    // The connection is reset: the port fails and the library closes the handle.
    c.printer.ResetAll();
    EXPECT_TRUE(WaitFor([&] { return CP_Port_IsConnectionValid(c.h) == 0; }, 3000));
    EXPECT_TRUE(WaitFor([&] { return CP_Port_IsOpened(c.h) == 0; }, 3000));
}
