#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZIOUDPConfig.h"
#include "ports/NZUtils.h"
#include "support/PrinterAnswers.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/UdpFakePrinter.h"
#include "support/UdpPeer.h"
#include "support/Watchdog.h"

using namespace quorvane_test;

TEST(UdpConfigPackets, SetAddress)
{
    struct Row {
        const char *mac;
        int mode;
        const char *ip, *mask, *gw;
        bool ok;
        const char *bytes;
    } rows[] = {
        {"00:11:22:33:44:55", 1, "192.168.1.100", "255.255.255.0", "192.168.1.1", true,
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 00 0C C0 A8 01 64 FF FF FF 00 C0 A8 01 01"},
        {"00:11:22:33:44:55", 0, "192.168.1.100", "255.255.255.0", "192.168.1.1", true,
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 80 08 C0 A8 01 64 FF FF FF 00 C0 A8 01 01"},
        {"00:11:22:33:44:55", -7, "10.0.0.9", "255.0.0.0", "0.0.0.0", true,
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 00 0C 0A 00 00 09 FF 00 00 00 00 00 00 00"},
        // Three parts: the last address byte keeps the template's D0, and the build fails.
        {"00:11:22:33:44:55", 1, "192.168.1", "255.255.255.0", "192.168.1.1", false,
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 00 0C C0 A8 01 D0 FF FF FF 00 C0 A8 01 01"},
        {"00:11:22:33:44", 1, "192.168.1.100", "255.255.255.0", "192.168.1.1", false,
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 AC 00 0C C0 A8 01 64 FF FF FF 00 C0 A8 01 01"},
        {nullptr, 1, nullptr, nullptr, nullptr, false,
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 64 EB 8C 2A 2A AC 00 0C C0 A8 0A D0 FF FF FF 00 00 00 00 00"},
    };
    for (const Row &r : rows) {
        unsigned char out[35];
        EXPECT_EQ(r.ok, NZIOUDPConfigIP::BuildPacket(out, r.mac, r.mode, r.ip, r.mask, r.gw)) << r.bytes;
        EXPECT_EQ(r.bytes, ToHex(out, sizeof out));
    }
}

TEST(UdpConfigPackets, SetName)
{
    unsigned char out[148];
    ASSERT_TRUE(NZIOUDPConfigName::BuildPacket(out, "64-EB-8C-01-02-03", "Office"));
    EXPECT_EQ("45 50 53 4F 4E 53 03 00 00 00 00 00 00 86 64 EB 8C 01 02 03 4F 66 66 69 63 65 00", ToHex(out, 27));
    for (int i = 26; i < 148; ++i)
        ASSERT_EQ(0, out[i]) << i;

    const std::string longName(200, 'n');
    ASSERT_TRUE(NZIOUDPConfigName::BuildPacket(out, "64-EB-8C-01-02-03", longName.c_str()));
    for (int i = 20; i < 147; ++i)
        ASSERT_EQ('n', out[i]) << i;
    EXPECT_EQ(0, out[147]); // the field always ends with a zero byte

    ASSERT_TRUE(NZIOUDPConfigName::BuildPacket(out, "64-EB-8C-01-02-03", std::string(127, 'm').c_str()));
    EXPECT_EQ('m', out[146]);
    EXPECT_EQ(0, out[147]);
    EXPECT_FALSE(NZIOUDPConfigName::BuildPacket(out, "64-EB-8C-01-02-03", nullptr));
    EXPECT_FALSE(NZIOUDPConfigName::BuildPacket(out, "bad", "x"));
}

TEST(UdpConfigPackets, Confirm)
{
    unsigned char out[25];
    ASSERT_TRUE(NZIOUDPConfigConfirm::BuildPacket(out, "a0:b1:c2:d3:e4:f5"));
    EXPECT_EQ("45 50 53 4F 4E 53 00 00 01 00 00 00 00 0B A0 B1 C2 D3 E4 F5 01 00 12 00 00", ToHex(out, 25));
    EXPECT_FALSE(NZIOUDPConfigConfirm::BuildPacket(out, ""));
    EXPECT_EQ("45 50 53 4F 4E 53 00 00 01 00 00 00 00 0B 64 EB 8C 2A 2C AC 01 00 12 00 00", ToHex(out, 25));
}

namespace {

struct Kind {
    const char *name;
    Bytes sent;
    unsigned int rest, macOffset;
    bool (*isReply)(const unsigned char *, const unsigned char *, unsigned int);
};

std::vector<Kind> kinds()
{
    unsigned char ip[35], name[148], confirm[25];
    NZIOUDPConfigIP::BuildPacket(ip, "00:11:22:33:44:55", 1, "192.168.1.100", "255.255.255.0", "192.168.1.1");
    NZIOUDPConfigName::BuildPacket(name, "00:11:22:33:44:55", "Office");
    NZIOUDPConfigConfirm::BuildPacket(confirm, "00:11:22:33:44:55");
    return {
        {"set address", Bytes(ip, ip + 35), 23, 15, &NZIOUDPConfigIP::IsReply},
        {"set name", Bytes(name, name + 148), 134, 14, &NZIOUDPConfigName::IsReply},
        {"confirm", Bytes(confirm, confirm + 25), 11, 14, &NZIOUDPConfigConfirm::IsReply},
    };
}

} // namespace

TEST(UdpConfigPackets, ReplyRules)
{
    struct Variant {
        const char *what;
        std::function<void(Bytes &)> change;
        bool accepted;
    } variants[] = {
        {"as sent back", [](Bytes &) {}, true},
        {"one byte longer", [](Bytes &r) { r.push_back(0); }, false},
        {"one byte shorter", [](Bytes &r) { r.pop_back(); }, false},
        {"command magic", [](Bytes &r) { r[5] = 'S'; }, false},
        {"other command code", [](Bytes &r) { r[9] ^= 0x01; }, false},
        {"length field off by one", [](Bytes &r) { r[13] += 1; }, false},
        {"another printer's MAC", [](Bytes &r) { r[19] ^= 0xFF; }, false},
        {"header only", [](Bytes &r) { r.resize(14); }, false},
        {"too short for a header", [](Bytes &r) { r.resize(13); }, false},
    };
    for (const Kind &k : kinds()) {
        for (const Variant &v : variants) {
            Bytes r = UdpConfigReply(k.sent, k.rest, k.macOffset);
            v.change(r);
            EXPECT_EQ(v.accepted, k.isReply(k.sent.data(), r.data(), static_cast<unsigned int>(r.size())))
                << k.name << ": " << v.what;
        }
        // The MAC is compared exactly at the command's own offset.
        Bytes shifted = UdpConfigReply(k.sent, k.rest, k.macOffset);
        shifted[k.macOffset + 5] ^= 0x01;
        EXPECT_FALSE(k.isReply(k.sent.data(), shifted.data(), static_cast<unsigned int>(shifted.size()))) << k.name;
    }
}

// ---- Commands against a fake printer on 127.0.0.1 ------------------------------------

TEST(UdpConfigCommands, SetAddressEndsOnTheMatchingReply)
{
    LeakCheck leaks; // before the fake printer's thread
    UdpFakePrinter printer([](int n, const Bytes &p) -> std::vector<Bytes> {
        if (n < 2)
            return {};
        Bytes other = UdpConfigReply(p, 23, 15);
        other[20] ^= 0x01;             // another printer answers first
        Bytes longer = UdpConfigReply(p, 23, 15);
        longer.push_back(0);           // 38 bytes: not a reply
        return {other, longer, UdpConfigReply(p, 23, 15)};
    });
    {
        NZIOUDPConfigIP cmd;
        const int64_t start = NZUtils_MonotonicMs();
        EXPECT_TRUE(cmd.NZIOUDPConfigIP_ConfigIP("127.0.0.1", 0, "127.0.0.1", printer.Port(), "00:11:22:33:44:55", 1,
                                                 "192.168.1.100", "255.255.255.0", "192.168.1.1", 400, 5000));
        EXPECT_LT(NZUtils_MonotonicMs() - start, 2500);
    }
    printer.Stop();
    leaks.Check();
    const std::vector<Datagram> got = printer.Packets();
    ASSERT_EQ(2u, got.size());
    for (const Datagram &d : got)
        EXPECT_EQ("45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 00 0C C0 A8 01 64 FF FF FF 00 C0 A8 "
                  "01 01",
                  ToHex(d.data));
    EXPECT_GT(got[1].atMs - got[0].atMs, 380);
}

TEST(UdpConfigCommands, NameAndConfirmRoundTrips)
{
    UdpFakePrinter namePrinter([](int, const Bytes &p) -> std::vector<Bytes> { return {UdpConfigReply(p, 134, 14)}; });
    NZIOUDPConfigName name;
    EXPECT_TRUE(name.NZIOUDPConfigName_ConfigName("127.0.0.1", 0, "127.0.0.1", namePrinter.Port(),
                                                  "64:EB:8C:01:02:03", "Front desk", 500, 3000));
    namePrinter.Stop();
    ASSERT_EQ(1u, namePrinter.Packets().size());
    EXPECT_EQ(148u, namePrinter.Packets()[0].data.size());
    EXPECT_EQ("46 72 6F 6E 74 20 64 65 73 6B 00", ToHex(namePrinter.Packets()[0].data.data() + 20, 11));

    UdpFakePrinter confirmPrinter([](int, const Bytes &p) -> std::vector<Bytes> { return {UdpConfigReply(p, 11, 14)}; });
    NZIOUDPConfigConfirm confirm;
    EXPECT_TRUE(confirm.NZIOUDPConfigConfirm_ConfigConfirm(nullptr, 0, "127.0.0.1", confirmPrinter.Port(),
                                                           "64:EB:8C:01:02:03", 500, 3000));
    confirmPrinter.Stop();
    ASSERT_EQ(1u, confirmPrinter.Packets().size());
    EXPECT_EQ("45 50 53 4F 4E 53 00 00 01 00 00 00 00 0B 64 EB 8C 01 02 03 01 00 12 00 00",
              ToHex(confirmPrinter.Packets()[0].data));
}

TEST(UdpConfigCommands, SilentPrinterGetsOnePacketPerInterval)
{
    LeakCheck leaks; // before the fake printer's thread
    UdpFakePrinter printer([](int, const Bytes &) -> std::vector<Bytes> { return {}; });
    const int64_t start = NZUtils_MonotonicMs();
    {
        NZIOUDPConfigConfirm cmd;
        EXPECT_FALSE(cmd.NZIOUDPConfigConfirm_ConfigConfirm("127.0.0.1", 0, "127.0.0.1", printer.Port(),
                                                            "00:11:22:33:44:55", 200, 1000));
    }
    const int64_t elapsed = NZUtils_MonotonicMs() - start;
    printer.Stop();
    leaks.Check();
    // Sends at 0, >200, >400, >600, >800; the next one would fall after 1000 ms (a
    // loaded host may stretch the waits enough to lose the last one, never to add one).
    const std::vector<Datagram> got = printer.Packets();
    EXPECT_LE(got.size(), 5u);
    EXPECT_GE(got.size(), 3u);
    for (size_t i = 1; i < got.size(); ++i)
        EXPECT_GT(got[i].atMs - got[i - 1].atMs, 180) << i;
    EXPECT_GE(elapsed, 1000);
    EXPECT_LT(elapsed, 2500);
}

TEST(UdpConfigCommands, ZeroTotalSendsAtMostOnce)
{
    UdpFakePrinter printer([](int, const Bytes &) -> std::vector<Bytes> { return {}; });
    NZIOUDPConfigConfirm cmd;
    EXPECT_FALSE(cmd.NZIOUDPConfigConfirm_ConfigConfirm("127.0.0.1", 0, "127.0.0.1", printer.Port(),
                                                        "00:11:22:33:44:55", 100, 0));
    NZIOSleep::SleepMs(50);
    printer.Stop();
    EXPECT_LE(printer.Packets().size(), 1u);
}

TEST(UdpConfigCommands, ZeroIntervalStillEnds)
{
    LeakCheck leaks; // before the fake printer's thread
    // A zero interval means no receive limit; the receive thread must still end.
    UdpFakePrinter printer([](int, const Bytes &) -> std::vector<Bytes> { return {}; });
    const int64_t start = NZUtils_MonotonicMs();
    {
        NZIOUDPConfigName cmd;
        EXPECT_FALSE(cmd.NZIOUDPConfigName_ConfigName("127.0.0.1", 0, "127.0.0.1", printer.Port(),
                                                      "00:11:22:33:44:55", "n", 0, 100));
    }
    EXPECT_LT(NZUtils_MonotonicMs() - start, 1000);
    printer.Stop();
    leaks.Check();
    EXPECT_GE(printer.Packets().size(), 2u);
}

TEST(UdpConfigCommands, NothingSentOnBadInputOrFailedOpen)
{
    LeakCheck leaks; // before the fake printer's thread
    UdpFakePrinter printer([](int, const Bytes &) -> std::vector<Bytes> { return {}; });
    NZIOUDPConfigIP ip;
    const int64_t start = NZUtils_MonotonicMs();
    // Incomplete address: refused instead of sending the template's bytes.
    EXPECT_FALSE(ip.NZIOUDPConfigIP_ConfigIP("127.0.0.1", 0, "127.0.0.1", printer.Port(), "00:11:22:33:44:55", 1,
                                             "192.168.1", "255.255.255.0", "192.168.1.1", 50, 500));
    EXPECT_FALSE(ip.NZIOUDPConfigIP_ConfigIP("127.0.0.1", 0, "127.0.0.1", printer.Port(), "not a mac", 1,
                                             "192.168.1.2", "255.255.255.0", "192.168.1.1", 50, 500));
    EXPECT_FALSE(ip.NZIOUDPConfigIP_ConfigIP("127.0.0.1", 0, "127.0.0.1", printer.Port(), nullptr, 1, nullptr,
                                             nullptr, nullptr, 50, 500));
    NZIOUDPConfigName name;
    EXPECT_FALSE(name.NZIOUDPConfigName_ConfigName("127.0.0.1", 0, "127.0.0.1", printer.Port(),
                                                   "00:11:22:33:44:55", nullptr, 50, 500));
    // The local port is taken by the fake printer: the open fails, false at once.
    NZIOUDPConfigConfirm confirm;
    EXPECT_FALSE(confirm.NZIOUDPConfigConfirm_ConfigConfirm("127.0.0.1", printer.Port(), "127.0.0.1",
                                                            printer.Port(), "00:11:22:33:44:55", 50, 500));
    EXPECT_FALSE(confirm.NZIOUDPConfigConfirm_ConfigConfirm("127.0.0.1", 0, "no-address", printer.Port(),
                                                            "00:11:22:33:44:55", 50, 500));
    EXPECT_LT(NZUtils_MonotonicMs() - start, 1000);
    NZIOSleep::SleepMs(50);
    printer.Stop();
    EXPECT_TRUE(printer.Packets().empty());
    leaks.Check();
}

TEST(UdpConfigCommands, TotalTimeOutEndsTheIntervalWait)
{
    // An interval longer than the total time: one packet, then the total time ends the
    // wait (within a second, also under sanitizers).
    struct Row {
        const char *what;
        unsigned int intervalMs, totalMs;
        std::function<bool(unsigned short port, unsigned int interval, unsigned int total)> run;
    } rows[] = {
        {"confirm, interval 3000 ms", 3000, 200,
         [](unsigned short port, unsigned int interval, unsigned int total) {
             NZIOUDPConfigConfirm cmd;
             return cmd.NZIOUDPConfigConfirm_ConfigConfirm("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55",
                                                           interval, total);
         }},
        {"confirm, interval 2^31 ms", 0x80000000u, 200,
         [](unsigned short port, unsigned int interval, unsigned int total) {
             NZIOUDPConfigConfirm cmd;
             return cmd.NZIOUDPConfigConfirm_ConfigConfirm("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55",
                                                           interval, total);
         }},
        {"set address, largest interval", 0xFFFFFFFFu, 300,
         [](unsigned short port, unsigned int interval, unsigned int total) {
             NZIOUDPConfigIP cmd;
             return cmd.NZIOUDPConfigIP_ConfigIP("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", 1,
                                                 "192.168.1.100", "255.255.255.0", "192.168.1.1", interval, total);
         }},
        {"set name, interval 3000 ms", 3000, 100,
         [](unsigned short port, unsigned int interval, unsigned int total) {
             NZIOUDPConfigName cmd;
             return cmd.NZIOUDPConfigName_ConfigName("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", "n",
                                                     interval, total);
         }},
    };
    Watchdog dog;
    for (const Row &r : rows) {
        SCOPED_TRACE(r.what);
        UdpFakePrinter printer([](int, const Bytes &) -> std::vector<Bytes> { return {}; });
        const int64_t start = NZUtils_MonotonicMs();
        {
            Watchdog::Scope call(dog, r.what, static_cast<int>(r.totalMs) + 5000);
            EXPECT_FALSE(r.run(printer.Port(), r.intervalMs, r.totalMs));
        }
        const int64_t elapsed = NZUtils_MonotonicMs() - start;
        EXPECT_GE(elapsed, static_cast<int64_t>(r.totalMs));
        EXPECT_LT(elapsed, static_cast<int64_t>(r.totalMs) + 1000);
        NZIOSleep::SleepMs(20);
        printer.Stop();
        EXPECT_EQ(1u, printer.Packets().size());
    }
}
