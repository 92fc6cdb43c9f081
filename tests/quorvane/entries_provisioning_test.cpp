// Provisioning entries of the C interface: broadcast configuration against a fake printer
// on 127.0.0.1, AirKiss only inside network namespaces the tests make.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/quorvane.h"
#include "support/PrinterAnswers.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/UdpFakePrinter.h"
#include "support/UdpPeer.h"

using namespace quorvane_test;

namespace {

// The shared UDP fake printer with a script that looks at the packet only.
class LoopbackPrinter : public UdpFakePrinter {
public:
    explicit LoopbackPrinter(std::vector<Bytes> (*script)(const Bytes &packet))
        : UdpFakePrinter([script](int, const Bytes &packet) { return script(packet); })
    {
    }
};

// Answers each command kind by its packet length.
std::vector<Bytes> Answer(const Bytes &p)
{
    if (p.size() == 35)
        return {UdpConfigReply(p, 23, 15)};
    if (p.size() == 148)
        return {UdpConfigReply(p, 134, 14)};
    if (p.size() == 25)
        return {UdpConfigReply(p, 11, 14)};
    return {};
}

std::vector<Bytes> Silent(const Bytes &) { return {}; }


} // namespace

TEST(EntriesUdpBroadcast, CommandsReachThePrinterAndEndOnItsReply)
{
    LeakCheck leaks;
    LoopbackPrinter printer(&Answer);
    const int port = printer.Port();
    struct Row {
        const char *what;
        std::function<int()> call;
        const char *wire;
    } rows[] = {
        {"address",
         [&] {
             return CP_UDPBroadcast_ConfigIP("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", 1,
                                             "192.168.1.100", "255.255.255.0", "192.168.1.1", 300, 3000);
         },
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 00 0C C0 A8 01 64 FF FF FF 00 C0 A8 01 01"},
        {"address, mode 0, destination port above 16 bits",
         [&] {
             return CP_UDPBroadcast_ConfigIP("127.0.0.1", 0, "127.0.0.1", port + 0x10000, "00:11:22:33:44:55", 0,
                                             "10.0.0.9", "255.0.0.0", "10.0.0.1", 300, 3000);
         },
         "45 50 53 4F 4E 53 00 00 00 10 00 00 00 15 01 00 11 22 33 44 55 80 08 0A 00 00 09 FF 00 00 00 0A 00 00 01"},
        {"confirm",
         [&] {
             return CP_UDPBroadcast_ConfirmConfiguration(nullptr, 0, "127.0.0.1", port, "a0:b1:c2:d3:e4:f5", 300,
                                                         3000);
         },
         "45 50 53 4F 4E 53 00 00 01 00 00 00 00 0B A0 B1 C2 D3 E4 F5 01 00 12 00 00"},
    };
    size_t seen = 0;
    for (const Row &r : rows) {
        const int64_t start = NZUtils_MonotonicMs();
        EXPECT_EQ(1, r.call()) << r.what;
        EXPECT_LT(NZUtils_MonotonicMs() - start, 1500) << r.what;
        ASSERT_TRUE(WaitFor([&] { return printer.Packets().size() == seen + 1; }, 1000)) << r.what;
        EXPECT_EQ(r.wire, ToHex(printer.Packets()[seen].data)) << r.what;
        ++seen;
    }
    // The name command: 148 bytes, the name from byte 20.
    EXPECT_EQ(1, CP_UDPBroadcast_ConfigName("127.0.0.1", 0, "127.0.0.1", port, "64:EB:8C:01:02:03", "Front desk", 300,
                                            3000));
    ASSERT_TRUE(WaitFor([&] { return printer.Packets().size() == seen + 1; }, 1000));
    const Bytes name = printer.Packets()[seen].data;
    ASSERT_EQ(148u, name.size());
    EXPECT_EQ("45 50 53 4F 4E 53 03 00 00 00 00 00 00 86 64 EB 8C 01 02 03 46 72 6F 6E 74 20 64 65 73 6B 00",
              ToHex(name.data(), 31));
    printer.Stop();
    leaks.Check();
}

TEST(EntriesUdpBroadcast, LocalPortIsCutTo16Bits)
{
    LoopbackPrinter printer(&Answer);
    struct Row {
        int localPort;
        unsigned short sentFrom;
    } rows[] = {{70000, 4464}, {65536 + 4465, 4465}};
    for (const Row &r : rows) {
        const size_t before = printer.Packets().size();
        EXPECT_EQ(1, CP_UDPBroadcast_ConfirmConfiguration("127.0.0.1", r.localPort, "127.0.0.1", printer.Port(),
                                                          "00:11:22:33:44:55", 300, 3000))
            << r.localPort;
        ASSERT_TRUE(WaitFor([&] { return printer.Packets().size() > before; }, 1000));
        EXPECT_EQ(r.sentFrom, printer.Packets()[before].port) << r.localPort;
    }
}

TEST(EntriesUdpBroadcast, SilenceAndBadInputFail)
{
    LeakCheck leaks;
    LoopbackPrinter printer(&Silent);
    const int port = printer.Port();
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(0, CP_UDPBroadcast_ConfirmConfiguration("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", 100,
                                                      300));
    const int64_t elapsed = NZUtils_MonotonicMs() - start;
    EXPECT_GE(elapsed, 300);
    EXPECT_LT(elapsed, 1300);
    ASSERT_TRUE(WaitFor([&] { return printer.Packets().size() >= 2; }, 1000));
    const size_t silentCount = printer.Packets().size();

    // Refused before anything is sent.
    struct Row {
        const char *what;
        std::function<int()> call;
    } rows[] = {
        {"null MAC",
         [&] { return CP_UDPBroadcast_ConfirmConfiguration("127.0.0.1", 0, "127.0.0.1", port, nullptr, 50, 300); }},
        {"short MAC",
         [&] { return CP_UDPBroadcast_ConfigName("127.0.0.1", 0, "127.0.0.1", port, "00:11:22", "n", 50, 300); }},
        {"null name",
         [&] {
             return CP_UDPBroadcast_ConfigName("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", nullptr, 50,
                                               300);
         }},
        {"null addresses",
         [&] {
             return CP_UDPBroadcast_ConfigIP("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", 1, nullptr,
                                             nullptr, nullptr, 50, 300);
         }},
        {"bad address",
         [&] {
             return CP_UDPBroadcast_ConfigIP("127.0.0.1", 0, "127.0.0.1", port, "00:11:22:33:44:55", 1, "300.1.1.1",
                                             "255.0.0.0", "10.0.0.1", 50, 300);
         }},
        {"null destination",
         [&] {
             return CP_UDPBroadcast_ConfirmConfiguration("127.0.0.1", 0, nullptr, port, "00:11:22:33:44:55", 50, 300);
         }},
        {"destination not an address",
         [&] {
             return CP_UDPBroadcast_ConfirmConfiguration("127.0.0.1", 0, "printer", port, "00:11:22:33:44:55", 50,
                                                         300);
         }},
        {"local port taken",
         [&] {
             return CP_UDPBroadcast_ConfirmConfiguration("127.0.0.1", port, "127.0.0.1", port, "00:11:22:33:44:55",
                                                         50, 300);
         }},
    };
    for (const Row &r : rows) {
        const int64_t t0 = NZUtils_MonotonicMs();
        EXPECT_EQ(0, r.call()) << r.what;
        EXPECT_LT(NZUtils_MonotonicMs() - t0, 250) << r.what;
    }
    NZIOSleep::SleepMs(50);
    printer.Stop();
    EXPECT_EQ(silentCount, printer.Packets().size());
    leaks.Check();
}

TEST(EntriesUdpBroadcast, CallsOnSeveralThreadsShareNothing)
{
    LeakCheck leaks;
    {
        LoopbackPrinter answering(&Answer);
        LoopbackPrinter silent(&Silent);
        std::atomic<int> ok(0), failed(0);
        std::vector<std::thread> threads;
        for (int i = 0; i < 6; ++i) {
            threads.emplace_back([&, i] {
                const bool toSilent = i % 2 == 1;
                const int r = CP_UDPBroadcast_ConfigName("127.0.0.1", 0, "127.0.0.1",
                                                         toSilent ? silent.Port() : answering.Port(),
                                                         "00:11:22:33:44:55", "shared", 100, toSilent ? 400 : 3000);
                (r == 1 ? ok : failed).fetch_add(1);
            });
        }
        for (std::thread &t : threads)
            t.join();
        EXPECT_EQ(3, ok.load());
        EXPECT_EQ(3, failed.load());
    }
    leaks.Check();
}

// ---- AirKiss: only inside namespaces made for the test -------------------------------

namespace {

// The printer's side in the peer namespace, on UDP port 10000: counts the datagrams and,
// when asked to confirm, answers the first one with 20 bytes of every value 1 to 255 in
// turn, so that whichever random byte the run drew is echoed.
class AirKissListener : public UdpResponder {
public:
    explicit AirKissListener(bool confirm)
        : UdpResponder("0.0.0.0", 10000, [confirm](int n, const Datagram &) {
              std::vector<Bytes> echo;
              for (int v = 1; confirm && n == 1 && v < 256; ++v)
                  echo.push_back(Bytes(20, static_cast<unsigned char>(v)));
              return echo;
          })
    {
    }
};

// Runs one CP_Airkiss_ConfigWireless on a thread inside the namespace.
struct AirKissCall {
    std::atomic<int> result{-1};
    std::atomic<bool> done{false};
    std::atomic<int64_t> elapsedMs{-1};
    std::thread thread;

    void Start(TestNetns &ns, unsigned int timeoutMs)
    {
        thread = ns.Start(false, [this, timeoutMs] {
            const int64_t start = NZUtils_MonotonicMs();
            result = CP_Airkiss_ConfigWireless("HomeNet", "pass1234", timeoutMs);
            elapsedMs = NZUtils_MonotonicMs() - start;
            done = true;
        });
    }
    void Join()
    {
        if (thread.joinable())
            thread.join();
    }
};

} // namespace

TEST(EntriesAirKiss, EchoedRandomByteConfirms)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    const int threads = CountThreads();
    AirKissListener printer(true);
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());

    AirKissCall call;
    call.Start(ns, 20000);
    call.Join();
    printer.Stop();
    peer.join();
    EXPECT_EQ(1, call.result.load());
    EXPECT_LT(call.elapsedMs.load(), 5000);
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threads; }, 2000));
}

TEST(EntriesAirKiss, RunsOneAfterAnotherAndCancelEndsTheRunningOne)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    AirKissListener printer(false);
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());

    AirKissCall first, second;
    first.Start(ns, 30000);
    ASSERT_TRUE(WaitFor([&] { return printer.Count() > 10; }, 3000)); // the first is sending
    second.Start(ns, 30000);
    NZIOSleep::SleepMs(200);
    EXPECT_FALSE(first.done.load());
    EXPECT_FALSE(second.done.load());

    // The cancel ends the running call; the waiting one then starts and sends.
    CP_Airkiss_CancelConfig();
    EXPECT_TRUE(WaitFor([&] { return first.done.load(); }, 3000));
    NZIOSleep::SleepMs(100);
    EXPECT_FALSE(second.done.load());
    const int sentBefore = printer.Count();
    EXPECT_TRUE(WaitFor([&] { return printer.Count() > sentBefore + 10; }, 3000));
    EXPECT_FALSE(second.done.load());

    CP_Airkiss_CancelConfig();
    EXPECT_TRUE(WaitFor([&] { return second.done.load(); }, 3000));
    first.Join();
    second.Join();
    printer.Stop();
    peer.join();
    EXPECT_EQ(0, first.result.load());
    EXPECT_EQ(0, second.result.load());
    EXPECT_LT(first.elapsedMs.load(), 10000);
}

TEST(EntriesAirKiss, EarlierCancelDoesNotStopALaterRun)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    AirKissListener printer(false);
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());

    CP_Airkiss_CancelConfig();
    AirKissCall call;
    call.Start(ns, 1); // one whole second
    call.Join();
    EXPECT_EQ(0, call.result.load());
    EXPECT_GE(call.elapsedMs.load(), 1000); // ran to its time limit
    EXPECT_LT(call.elapsedMs.load(), 3000);
    EXPECT_TRUE(WaitFor([&] { return printer.Count() > 50; }, 1000));
    printer.Stop();
    peer.join();
}

TEST(EntriesAirKiss, MissingTextsFailAtOnce)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    ASSERT_TRUE(ns.Run(false, [] {
        const int64_t start = NZUtils_MonotonicMs();
        EXPECT_EQ(0, CP_Airkiss_ConfigWireless(nullptr, "pass1234", 5000));
        EXPECT_EQ(0, CP_Airkiss_ConfigWireless("HomeNet", nullptr, 5000));
        EXPECT_LT(NZUtils_MonotonicMs() - start, 500);
    }));
}
