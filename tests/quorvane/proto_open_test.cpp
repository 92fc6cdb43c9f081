// The packet-protocol opens: serial and USB by device path over a pty, UDP on loopback.
// None of them raises open or close events; UDP takes packages without their checks.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/ProtoPackages.h"
#include "support/PtyPrinter.h"
#include "support/TestUtil.h"
#include "support/UdpFakePrinter.h"
#include "support/UdpPeer.h"

using quorvane_test::Package;
using quorvane_test::WaitFor;

namespace {

std::string HexText(const char *hex)
{
    const quorvane_test::Bytes b = quorvane_test::Hex(hex);
    return std::string(b.begin(), b.end());
}

std::atomic<int> g_events{0};
void OnOpened(void *, const char *, void *) { ++g_events; }
void OnFailed(void *, const char *, void *) { ++g_events; }
void OnClosed(void *, void *) { ++g_events; }

class ProtoOpen : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Closed events of earlier tests' connections run on threads of their own, each
        // holding its handle: once every handle is gone, none of them can still come.
        ASSERT_TRUE(WaitFor([] { return ptrs.Count() == 0; }, 3000));
        g_events = 0;
        CP_Port_AddOnPortOpenedEvent(OnOpened, nullptr);
        CP_Port_AddOnPortOpenFailedEvent(OnFailed, nullptr);
        CP_Port_AddOnPortClosedEvent(OnClosed, nullptr);
    }
    void TearDown() override
    {
        CP_Port_RemoveOnPortOpenedEvent(OnOpened);
        CP_Port_RemoveOnPortOpenFailedEvent(OnFailed);
        CP_Port_RemoveOnPortClosedEvent(OnClosed);
    }
    // No event may come, also not late.
    void ExpectNoEvents()
    {
        NZIOSleep::SleepMs(50);
        EXPECT_EQ(g_events.load(), 0);
    }
};

const std::string kProbe = "DEVICE??";

TEST_F(ProtoOpen, SerialOverPty)
{
    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    device.AddRule(Package(0xFF, 32, 0, kProbe), Package(0xFF, 32, 0, "v1"));
    CP_Handle h = CP_Proto_OpenCom(device.Path(), 115200, CP_ComDataBits_8, CP_ComParity_NoParity,
                                   CP_ComStopBits_One);
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_COM));
        EXPECT_EQ(g->m_openParams.comFlowControl, CP_ComFlowControl_None);
        EXPECT_EQ(g->m_autoReplyRequested, 0u);
    }
    EXPECT_EQ(CP_Proto_IsWorkEnabled(h), 0);
    CP_Proto_SetWorkEnabled(h, 1);
    unsigned char buf[16];
    unsigned int got = 0;
    EXPECT_EQ(CP_Proto_CommunicationTest(h, 0xFF, 1000, 2000, sizeof(buf), buf, &got, 2), 1);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), got), "v1");
    EXPECT_EQ(CP_Proto_SetComBaudrate(h, 9600), 1);
    EXPECT_EQ(CP_Port_Close(h), 1);
    ExpectNoEvents();
}

TEST_F(ProtoOpen, UsbByDevicePath)
{
    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    CP_Handle h = CP_Proto_OpenUsb(device.Path());
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CP_Proto_SetComBaudrate(h, 9600), 0);
    // Nothing is written at the open.
    NZIOSleep::SleepMs(20);
    EXPECT_EQ(device.Received(), "");
    EXPECT_EQ(CP_Port_Close(h), 1);
    ExpectNoEvents();
}

TEST_F(ProtoOpen, FailedOpensReturnNull)
{
    EXPECT_EQ(CP_Proto_OpenCom("/nonexistent/tty", 9600, CP_ComDataBits_8, CP_ComParity_NoParity,
                               CP_ComStopBits_One),
              nullptr);
    EXPECT_EQ(CP_Proto_OpenCom(nullptr, 9600, CP_ComDataBits_8, CP_ComParity_NoParity, CP_ComStopBits_One), nullptr);
    EXPECT_EQ(CP_Proto_OpenUsb("VID:0x0001,PID:0x0002"), nullptr);
    EXPECT_EQ(CP_Proto_OpenUsb(nullptr), nullptr);
    EXPECT_EQ(CP_Proto_OpenUdp("127.0.0.1", 0, nullptr, 9), nullptr);
    ExpectNoEvents();
}

// A printer on a loopback UDP socket that answers with wrong check bytes: the
// connection takes the package all the same.
TEST_F(ProtoOpen, UdpTakesPackagesWithoutChecks)
{
    quorvane_test::UdpPeer peer("127.0.0.1", 0);
    ASSERT_TRUE(peer.Ok());
    CP_Handle h = CP_Proto_OpenUdp("127.0.0.1", 0, "127.0.0.1", peer.Port());
    ASSERT_NE(h, nullptr);
    {
        HandleGuard g(h);
        EXPECT_EQ(g->m_openParams.portType, static_cast<unsigned int>(CP_PORT_TYPE_UDP));
    }

    std::string request;
    std::thread answer([&]() {
        quorvane_test::Datagram d;
        if (!peer.Receive(d, 3000))
            return;
        request.assign(d.data.begin(), d.data.end());
        std::string reply = Package(0xFF, 32, 0, "udp fw");
        reply[10] ^= 0x55; // header check wrong
        reply[11] ^= 0x55; // data check wrong
        peer.SendTo(std::vector<unsigned char>(reply.begin(), reply.end()), d.addr, d.port);
    });
    CP_Proto_SetWorkEnabled(h, 1);
    unsigned char buf[16];
    unsigned int got = 0;
    EXPECT_EQ(CP_Proto_CommunicationTest(h, 0xFF, 1000, 3000, sizeof(buf), buf, &got, 1), 1);
    answer.join();
    EXPECT_EQ(request, Package(0xFF, 32, 0, kProbe));
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), got), "udp fw");
    EXPECT_EQ(CP_Proto_SetComBaudrate(h, 9600), 0);
    EXPECT_EQ(CP_Port_Close(h), 1);
    ExpectNoEvents();
}

// Each datagram is read as one package: a stray datagram or a cut package before a reply
// costs nothing. Ten battery queries, the first answer preceded by the bad datagram.
TEST_F(ProtoOpen, UdpDatagramIsOnePackage)
{
    const std::string reply = Package(0xFF, 63, 86, "\x01\x02\x03\x04" "85");
    const struct {
        const char *name;
        std::string before;
    } rows[] = {
        {"stray bytes", HexText("37 22 03 00 00 00 00")},
        {"cut package", Package(0xFF, 63, 86, std::string(200, 'x')).substr(0, 20)},
        {"lone start byte", HexText("03")},
    };
    for (const auto &row : rows) {
        const std::string before = row.before;
        quorvane_test::UdpFakePrinter device([&](int n, const quorvane_test::Bytes &) {
            std::vector<quorvane_test::Bytes> out;
            if (n == 1)
                out.emplace_back(before.begin(), before.end());
            out.emplace_back(reply.begin(), reply.end());
            return out;
        });
        CP_Handle h = CP_Proto_OpenUdp("127.0.0.1", 0, "127.0.0.1", device.Port());
        ASSERT_NE(h, nullptr);
        int answered = 0;
        for (int i = 0; i < 10; ++i)
            answered += CP_Proto_QueryBatteryLevel(h, 500) == 85;
        EXPECT_EQ(answered, 10) << row.name;
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
}

// A reply arrives whole whatever the size of its datagram, up to the largest one IPv4
// carries: 65507 bytes, that is 65495 data bytes behind the package header.
TEST_F(ProtoOpen, UdpRepliesArriveWhole)
{
    for (const unsigned int size : {1000u, 1100u, 4000u, 65495u}) {
        std::string data(size, '\0');
        for (unsigned int i = 0; i < size; ++i)
            data[i] = static_cast<char>(i * 7 + i / 251);
        const std::string reply = Package(0xFF, 0x1234, 5, data);
        quorvane_test::UdpFakePrinter device([&](int, const quorvane_test::Bytes &) {
            return std::vector<quorvane_test::Bytes>{quorvane_test::Bytes(reply.begin(), reply.end())};
        });
        CP_Handle h = CP_Proto_OpenUdp("127.0.0.1", 0, "127.0.0.1", device.Port());
        ASSERT_NE(h, nullptr);
        CP_Proto_SetWorkEnabled(h, 1);
        std::vector<unsigned char> buf(65535);
        unsigned int got = 0;
        EXPECT_EQ(CP_Proto_SendPackageAndRecvResponseWithRetry(h, 0xFF, 0x1234, 5, 0, nullptr, 1000, 2000,
                                                               static_cast<unsigned int>(buf.size()), buf.data(),
                                                               &got, 1),
                  1)
            << size;
        EXPECT_TRUE(std::string(buf.begin(), buf.begin() + got) == data) << size << " bytes, " << got << " came";
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
}

} // namespace
