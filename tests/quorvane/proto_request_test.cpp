// Packet-protocol requests on a memory connection: the packages written byte for byte,
// replies fed through the receive path, matching by command and parameter, the work
// switch, time-outs, retries and bad arguments.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <list>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/proto_requests.h"
#include "quorvane/quorvane.h"
#include "support/ChildCases.h"
#include "support/FakePrinter.h"
#include "support/ProtoPackages.h"
#include "support/TestUtil.h"

using quorvane_test::Package;
using quorvane_test::WaitFor;

namespace {

// As if the printer had sent these bytes.
void Feed(CP_Handle handle, const std::string &bytes)
{
    Port_ReadedEvent(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<unsigned int>(bytes.size()),
                     handle);
}

class ProtoMemory : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle = CP_Port_OpenMemoryBuffer(70000);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override
    {
        if (handle)
            CP_Port_Close(handle);
    }

    std::string Written()
    {
        HandleGuard h(handle);
        const char *p = static_cast<const char *>(h->m_memoryIO.GetBufferData());
        return std::string(p, h->m_memoryIO.GetBufferLength());
    }
    void ClearWritten()
    {
        HandleGuard h(handle);
        h->m_memoryIO.ClearBufferData();
    }
    void Feed(const std::string &bytes) { ::Feed(handle, bytes); }

    CP_Handle handle = nullptr;
};

// The settings packages, byte for byte.
TEST_F(ProtoMemory, SettingPackagesOnTheWire)
{
    struct Row {
        const char *name;
        int (*send)(CP_Handle);
        const char *hex;
    } rows[] = {
        {"ptp parameters",
         [](CP_Handle h) {
             return CP_Proto_SetPTPBasicParameters(h, 0x01020304, 5, 6, 7, 8, 0x0A09, 0x0C0B, 0x0E0D, 0x100F);
         },
         "03 FF 60 00 00 00 00 00 10 00 8C 10 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"},
        {"system name and serial",
         [](CP_Handle h) { return CP_Proto_SetSystemNameAndSerialNumber(h, "AB", "C"); },
         "03 FF 64 00 00 00 00 00 05 00 9D 40 41 42 00 43 00"},
        {"bluetooth name and password",
         [](CP_Handle h) { return CP_Proto_SetBluetoothNameAndPassword(h, "", ""); },
         "03 FF 61 00 00 00 00 00 02 00 9F 00 00 00"},
    };
    for (const Row &row : rows) {
        ClearWritten();
        EXPECT_EQ(row.send(handle), 1) << row.name;
        EXPECT_EQ(Written(), FakePrinter::Hex(row.hex)) << row.name;
    }
    // None of them needs the work switch.
    EXPECT_EQ(CP_Proto_IsWorkEnabled(handle), 0);
}

TEST_F(ProtoMemory, NameAndSerialTakeAtMost256Bytes)
{
    const std::string name(200, 'n'), serial(54, 's');
    EXPECT_EQ(CP_Proto_SetSystemNameAndSerialNumber(handle, name.c_str(), serial.c_str()), 1);
    const std::string data = name + std::string(1, '\0') + serial + std::string(1, '\0');
    ASSERT_EQ(data.size(), 256u);
    EXPECT_EQ(Written(), Package(0xFF, 100, 0, data));

    ClearWritten();
    const std::string longer(55, 's');
    EXPECT_EQ(CP_Proto_SetSystemNameAndSerialNumber(handle, name.c_str(), longer.c_str()), 0);
    EXPECT_EQ(CP_Proto_SetBluetoothNameAndPassword(handle, longer.c_str(), name.c_str()), 0);
    EXPECT_EQ(CP_Proto_SetSystemNameAndSerialNumber(handle, nullptr, "x"), 0);
    EXPECT_EQ(CP_Proto_SetBluetoothNameAndPassword(handle, "x", nullptr), 0);
    EXPECT_EQ(Written(), "");
}

TEST_F(ProtoMemory, WorkSwitch)
{
    EXPECT_EQ(CP_Proto_IsWorkEnabled(handle), 0);
    EXPECT_EQ(CP_Proto_SetWorkEnabled(handle, 7), 1);
    EXPECT_EQ(CP_Proto_IsWorkEnabled(handle), 1);
    EXPECT_TRUE(Proto_CanLoop(handle));
    EXPECT_EQ(CP_Proto_SetWorkEnabled(handle, 0), 1);
    EXPECT_EQ(CP_Proto_IsWorkEnabled(handle), 0);
    EXPECT_FALSE(Proto_CanLoop(handle));
}

// With the switch off, generic requests send nothing and fail at once.
TEST_F(ProtoMemory, SwitchOffSendsNothing)
{
    unsigned char buf[16];
    unsigned int got = 99;
    const unsigned char data[] = {1, 2, 3};
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_CommunicationTest(handle, 0xFF, 1000, 1000, sizeof(buf), buf, &got, 3), 0);
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 1000, 3), 0);
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 5, 0, 3, data, 1, 1000, 1000, 3), 0);
    EXPECT_EQ(CP_Proto_RecvDataWithRetry(handle, 0xFF, 5, 0, 1000, 1000, 3, buf, &got, 3), 0);
    EXPECT_EQ(CP_Proto_StopAtBootBySenda(handle), 0);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 500);
    EXPECT_EQ(got, 99u);
    EXPECT_EQ(Written(), "");
}

// A queued reply satisfies a request only with the same command and parameter.
TEST_F(ProtoMemory, RepliesMatchCommandAndParameter)
{
    struct Row {
        const char *name;
        unsigned short cmd;
        unsigned int para;
        bool matches;
    } rows[] = {
        {"same", 63, 86, true},
        {"other parameter", 63, 78, false},
        {"other command", 64, 86, false},
        {"parameter high bits", 63, 86 | 0x10000, false},
    };
    CP_Proto_SetWorkEnabled(handle, 1);
    for (const Row &row : rows) {
        Proto_ClearReceivedProtoPackages(handle);
        Feed(Package(0xFF, row.cmd, row.para, "reply"));
        ASSERT_EQ(Proto_GetReceivedProtoPackageCount(handle), 1u) << row.name;
        NZReceivedProtoPackage reply;
        EXPECT_EQ(Proto_SendPackageAndRecvResponse(handle, 0xFF, 63, 86, 0, nullptr, 1000, 50, reply), row.matches)
            << row.name;
        if (row.matches) {
            EXPECT_EQ(std::string(reinterpret_cast<char *>(reply.data), reply.length), "reply");
            EXPECT_EQ(Proto_GetReceivedProtoPackageCount(handle), 0u);
        } else {
            EXPECT_EQ(Proto_GetReceivedProtoPackageCount(handle), 1u) << row.name;
        }
    }
}

// The oldest of two matching replies is taken first; the others stay queued.
TEST_F(ProtoMemory, OldestMatchingReplyFirst)
{
    Feed(Package(0xFF, 1, 2, "first") + Package(0xFF, 9, 9, "other") + Package(0xFF, 1, 2, "second"));
    NZReceivedProtoPackage p;
    ASSERT_TRUE(Proto_GetAndRemoveReceivedProtoPackage(handle, 1, 2, p));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(p.data), p.length), "first");
    ASSERT_TRUE(Proto_GetAndRemoveReceivedProtoPackage(handle, 1, 2, p));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(p.data), p.length), "second");
    EXPECT_FALSE(Proto_GetAndRemoveReceivedProtoPackage(handle, 1, 2, p));
    EXPECT_EQ(Proto_GetReceivedProtoPackageCount(handle), 1u);
}

// A reply time-out of 0 fails at the first check, even with the reply already queued.
TEST_F(ProtoMemory, ZeroReplyTimeoutFails)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    Feed(Package(0xFF, 63, 86, "x"));
    NZReceivedProtoPackage reply;
    EXPECT_FALSE(Proto_SendPackageAndRecvResponse(handle, 0xFF, 63, 86, 0, nullptr, 1000, 0, reply));
    EXPECT_EQ(Written(), Package(0xFF, 63, 86, ""));
}

// Packages that are written but never answered: every try waits its reply time-out and
// then pauses 100 ms, the last one included.
TEST_F(ProtoMemory, UnansweredTriesTakeTheirTime)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0x12, 1000, 60, 3), 0);
    const int64_t took = NZUtils_MonotonicMs() - start;
    EXPECT_GE(took, 3 * 60 + 300);
    EXPECT_LT(took, 3000);
    const std::string one = FakePrinter::Hex("03 12 FD 00 00 00 00 00 00 00 EC 00");
    EXPECT_EQ(Written(), one + one + one);
}

// A package that cannot be written fails the try at once, without waiting for a reply.
TEST_F(ProtoMemory, UnwritablePackageFailsAtOnce)
{
    CP_Handle small = CP_Port_OpenMemoryBuffer(11);
    ASSERT_NE(small, nullptr);
    CP_Proto_SetWorkEnabled(small, 1);
    NZReceivedProtoPackage reply;
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_FALSE(Proto_SendPackageAndRecvResponse(small, 0xFF, 1, 0, 0, nullptr, 1000, 5000, reply));
    EXPECT_LT(NZUtils_MonotonicMs() - start, 1000);
    CP_Port_Close(small);
}

TEST_F(ProtoMemory, BadArgumentsAreRefused)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    unsigned char buf[8];
    unsigned int got = 77;
    std::vector<unsigned char> big(65536, 1);
    const int64_t start = NZUtils_MonotonicMs();
    // Data length beyond a package, or data missing.
    EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(handle, 0xFF, 1, 0, 65536, big.data(), 100, 100,
                                                           sizeof(buf), buf, &got, 3),
              0);
    EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(handle, 0xFF, 1, 0, 0xFFFFFFFFu, big.data(), 100, 100,
                                                           sizeof(buf), buf, &got, 3),
              0);
    EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(handle, 0xFF, 1, 0, 4, nullptr, 100, 100, sizeof(buf),
                                                           buf, &got, 3),
              0);
    // Chunked send without data or with chunks of 0 bytes.
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 1, 0, 10, nullptr, 4, 100, 100, 3), 0);
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 1, 0, 10, big.data(), 0, 100, 100, 3), 0);
    // Serial number without a buffer.
    EXPECT_EQ(CP_Proto_QuerySerialNumber(handle, nullptr, 10, 100), -1);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 500);
    EXPECT_EQ(got, 77u);
    EXPECT_EQ(Written(), "");

    std::list<NZReceivedProtoPackage> replies;
    EXPECT_FALSE(Proto_SendData(handle, 0xFF, 1, 0, 10, big.data(), 0, 100, 100, replies));
    EXPECT_FALSE(Proto_SendData(handle, 0xFF, 1, 0, 10, nullptr, 4, 100, 100, replies));
    EXPECT_FALSE(Proto_SendPackage(handle, 0xFF, 1, 0, 65536, big.data(), 100));
    EXPECT_EQ(Written(), "");
    // The largest package goes.
    EXPECT_TRUE(Proto_SendPackage(handle, 0xFF, 1, 0, 65535, big.data(), 100));
    EXPECT_EQ(Written().size(), 12u + 65535u);
}

// A total of 0 succeeds at once with no package sent.
TEST_F(ProtoMemory, EmptyTransfersSucceedAtOnce)
{
    std::list<NZReceivedProtoPackage> replies(2);
    EXPECT_TRUE(Proto_SendData(handle, 0xFF, 1, 0, 0, nullptr, 0, 100, 100, replies));
    EXPECT_TRUE(replies.empty());
    EXPECT_TRUE(Proto_RecvData(handle, 0xFF, 1, 0, 0, 100, 100, replies));
    // The retrying forms need the switch for their first attempt.
    unsigned int got = 5;
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 1, 0, 0, nullptr, 0, 100, 100, 1), 0);
    CP_Proto_SetWorkEnabled(handle, 1);
    EXPECT_EQ(CP_Proto_SendDataWithRetry(handle, 0xFF, 1, 0, 0, nullptr, 0, 100, 100, 1), 1);
    EXPECT_EQ(CP_Proto_RecvDataWithRetry(handle, 0xFF, 1, 0, 100, 100, 0, nullptr, &got, 1), 1);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(Written(), "");
}

// Clearing the switch from another thread ends a pending request.
TEST_F(ProtoMemory, ClearingTheSwitchEndsAWait)
{
    CP_Proto_SetWorkEnabled(handle, 1);
    std::thread stopper([this]() {
        NZIOSleep::SleepMs(100);
        CP_Proto_SetWorkEnabled(handle, 0);
    });
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(CP_Proto_ClearParameters(handle, 0xFF, 1000, 60000, 100), 0);
    stopper.join();
    EXPECT_LT(NZUtils_MonotonicMs() - start, 2000);
}

// A chunked transfer started while another runs on the connection fails at once and sends
// nothing, whichever of the two would end first; the first runs on. Late packages of all
// of them then reach no finished transfer, and the next row's transfer may start.
TEST_F(ProtoMemory, OverlappingChunkedTransfers)
{
    const struct {
        unsigned int firstMs, secondMs;
    } rows[] = {{300, 900}, {900, 300}};
    const unsigned char data[] = {1, 2, 3};
    CP_Proto_SetWorkEnabled(handle, 1);
    for (const auto &row : rows) {
        ClearWritten();
        std::atomic<int> first(-1);
        unsigned char buf[512], other[256];
        unsigned int got = 0, otherGot = 0;
        std::thread a([&]() {
            first = CP_Proto_RecvDataWithRetry(handle, 0xFF, 70, 0, 1000, row.firstMs, sizeof(buf), buf, &got, 1);
        });
        EXPECT_TRUE(WaitFor([&]() { return Written().size() == 2 * NZProtoHandler::HeaderSize; }, 5000));
        const int second[] = {
            CP_Proto_SendDataWithRetry(handle, 0xFF, 71, 0, sizeof(data), data, 1, 1000, row.secondMs, 1),
            CP_Proto_RecvDataWithRetry(handle, 0xFF, 72, 0, 1000, row.secondMs, sizeof(other), other, &otherGot, 1)};
        EXPECT_EQ(first.load(), -1) << "the second transfers waited for the first";
        a.join();
        EXPECT_EQ(first.load(), 0);
        EXPECT_EQ(second[0], 0);
        EXPECT_EQ(second[1], 0);
        EXPECT_EQ(Written(), Package(0xFF, 70, 0, "") + Package(0xFF, 70, 256, ""));
        Feed(Package(0xFF, 70, 0, "late") + Package(0xFF, 71, 0, "late") + Package(0xFF, 72, 0, "late") +
             Package(0xFF, 9, 9, ""));
        EXPECT_EQ(Proto_GetReceivedProtoPackageCount(handle), 4u);
    }
}

// Peak resident memory of this process in KiB since the last ResetPeakKiB (0 if unknown).
long PeakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmHWM:") == 0)
            return std::stol(line.substr(6));
    return 0;
}

void ResetPeakKiB()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// A device answering every 256-byte request of a chunked receive with a full-size reply:
// what the connection keeps stays near the total asked for, and the caller still gets
// the replies' data put together in chunk order, cut at the total, whatever the order
// the replies come in. Each row runs in a child of its own for its peak memory.
TEST(ProtoHostileDevice, ChunkedReceiveKeepsAboutTheTotal)
{
#ifdef __SANITIZE_THREAD__
    // The receive path takes a lock per byte, many times dearer here: a smaller
    // total still cuts the replies as the larger one does.
    const unsigned int total = 1u << 16;
#else
    const unsigned int total = 1u << 20;
#endif
    const unsigned int chunks = total / 256, cmd = 80;
    const struct {
        const char *name;
        bool reverse;
    } rows[] = {{"replies in order", false}, {"replies in reverse", true}};
    auto reply = [](unsigned int chunk) {
        std::string data(NZProtoHandler::MaxDataLength, '\0');
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<char>((chunk * 7 + i * 13 + i / 251) & 0xFF);
        return data;
    };
    const auto outcomes = quorvane_test::RunChildCases(
        sizeof(rows) / sizeof(rows[0]),
        [&](size_t row) {
            CP_Handle h = CP_Port_OpenMemoryBuffer(chunks * NZProtoHandler::HeaderSize);
            if (!h || CP_Proto_SetWorkEnabled(h, 1) != 1)
                return 2;
            std::vector<unsigned char> buf(total + 1, '#');
            ResetPeakKiB();
            const long before = PeakKiB();
            std::thread device([&]() {
                // Answers once every request was written.
                WaitFor(
                    [&]() {
                        HandleGuard g(h);
                        return g->m_memoryIO.GetBufferLength() == chunks * NZProtoHandler::HeaderSize;
                    },
                    30000);
                for (unsigned int k = 0; k < chunks; ++k) {
                    const unsigned int chunk = rows[row].reverse ? chunks - 1 - k : k;
                    Feed(h, Package(0xFF, cmd, chunk * 256, reply(chunk)));
                }
            });
            const int64_t start = NZUtils_MonotonicMs();
            unsigned int got = 0;
            const int rc = CP_Proto_RecvDataWithRetry(h, 0xFF, cmd, 0, 30000, 60000, total, buf.data(), &got, 1);
            const int64_t took = NZUtils_MonotonicMs() - start;
            device.join();
            const long grewKiB = PeakKiB() - before;
            printf("%s: returned %d, %u bytes, peak grew %ld KiB, %lld ms\n", rows[row].name, rc, got, grewKiB,
                   static_cast<long long>(took));
            std::string expected;
            for (unsigned int chunk = 0; expected.size() < total; ++chunk)
                expected += reply(chunk);
            expected.resize(total);
            if (rc != 1 || got != total || memcmp(buf.data(), expected.data(), total) != 0 || buf[total] != '#')
                return 3;
#ifndef QUORVANE_TEST_SANITIZED // the sanitizer's quarantine and shadow memory count as well
            if (before == 0 || grewKiB > static_cast<long>((2 * total + (4u << 20)) / 1024))
                return 4;
#endif
            return CP_Port_Close(h) == 1 ? 0 : 5;
        },
        120000, 2);
    for (size_t i = 0; i < outcomes.size(); ++i)
        EXPECT_TRUE(outcomes[i].exited && outcomes[i].code == 0)
            << rows[i].name << ": " << (outcomes[i].exited ? "exit " : "signal ") << outcomes[i].code << "\n"
            << outcomes[i].output;
}

// Every call refuses a null or destroyed handle with its failure value.
TEST(ProtoHandleRule, UnregisteredHandles)
{
    CP_Handle gone = CP_Port_OpenMemoryBuffer(64);
    ASSERT_NE(gone, nullptr);
    ASSERT_EQ(CP_Port_Close(gone), 1);
    unsigned char buf[8];
    unsigned int got = 42;
    const unsigned char data[] = {1};
    for (CP_Handle h : {static_cast<CP_Handle>(nullptr), gone}) {
        EXPECT_EQ(CP_Proto_SetComBaudrate(h, 9600), 0);
        EXPECT_EQ(CP_Proto_SetWorkEnabled(h, 1), 0);
        EXPECT_EQ(CP_Proto_IsWorkEnabled(h), 0);
        EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(h, 0xFF, 1, 0, 1, data, 10, 10, 8, buf, &got, 1), 0);
        EXPECT_EQ(CP_Proto_SendDataWithRetry(h, 0xFF, 1, 0, 1, data, 1, 10, 10, 1), 0);
        EXPECT_EQ(CP_Proto_RecvDataWithRetry(h, 0xFF, 1, 0, 10, 10, 8, buf, &got, 1), 0);
        EXPECT_EQ(CP_Proto_CommunicationTest(h, 0xFF, 10, 10, 8, buf, &got, 1), 0);
        EXPECT_EQ(CP_Proto_ClearParameters(h, 0xFF, 10, 10, 1), 0);
        EXPECT_EQ(CP_Proto_StopAtBootBySenda(h), 0);
        EXPECT_EQ(CP_Proto_QueryBatteryLevel(h, 10), -1);
        EXPECT_EQ(CP_Proto_QuerySerialNumber(h, reinterpret_cast<char *>(buf), 8, 10), -1);
        EXPECT_EQ(CP_Proto_SetSystemNameAndSerialNumber(h, "a", "b"), 0);
        EXPECT_EQ(CP_Proto_SetBluetoothNameAndPassword(h, "a", "b"), 0);
        EXPECT_EQ(CP_Proto_SetPTPBasicParameters(h, 1, 2, 3, 4, 5, 6, 7, 8, 9), 0);
        EXPECT_FALSE(Proto_CanLoop(h));
        EXPECT_FALSE(Proto_IsWorkEnabled(h));
        EXPECT_EQ(Proto_GetReceivedProtoPackageCount(h), 0u);
    }
    EXPECT_EQ(got, 42u);
}

TEST(ProtoHandleRule, SetComBaudrateOnOtherPorts)
{
    CP_Handle mem = CP_Port_OpenMemoryBuffer(64);
    ASSERT_NE(mem, nullptr);
    EXPECT_EQ(CP_Proto_SetComBaudrate(mem, 9600), 0);
    CP_Port_Close(mem);
}

} // namespace
