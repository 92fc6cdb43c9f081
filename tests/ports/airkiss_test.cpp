#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "ports/NZAirKissEncoder.h"
#include "ports/NZIOAirKiss.h"
#include "ports/NZUtils.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/UdpFakePrinter.h"
#include "support/UdpPeer.h"

using namespace quorvane_test;

namespace {

// What a listening device learns from a stream of lengths: the password, the random byte
// and the SSID, taken from the first complete content repetition after the magic part.
struct Decoded {
    bool ok = false;
    std::string ssid, password;
    int random = -1;
};

Decoded decode(const std::vector<unsigned int> &v)
{
    Decoded d;
    // Magic part: total length and SSID CRC.
    size_t i = 0;
    while (i + 4 <= v.size() && !(v[i] <= 0x0F && (v[i + 1] & 0xF0) == 0x10 && (v[i + 2] & 0xF0) == 0x20 &&
                                  (v[i + 3] & 0xF0) == 0x30))
        ++i;
    if (i + 4 > v.size())
        return d;
    const unsigned int total = ((v[i] == 8 ? 0 : v[i]) << 4) | (v[i + 1] & 0x0F);
    const unsigned int ssidCrc = ((v[i + 2] & 0x0F) << 4) | (v[i + 3] & 0x0F);
    // Prefix group: password length and its CRC.
    while (i + 4 <= v.size() && !((v[i] & 0xF0) == 0x40 && (v[i + 1] & 0xF0) == 0x50 &&
                                  (v[i + 2] & 0xF0) == 0x60 && (v[i + 3] & 0xF0) == 0x70))
        ++i;
    if (i + 4 > v.size())
        return d;
    const unsigned char pwLen = static_cast<unsigned char>(((v[i] & 0x0F) << 4) | (v[i + 1] & 0x0F));
    if ((((v[i + 2] & 0x0F) << 4) | (v[i + 3] & 0x0F)) != NZAirKissEncoder_CRC8(&pwLen, 1))
        return d;
    i += 4;
    const unsigned int dataLen = total; // password + random + SSID (texts this short)
    std::vector<unsigned char> data;
    for (unsigned int block = 0; data.size() < dataLen; ++block) {
        if (i + 2 > v.size() || v[i + 1] != (0x80u | (block & 0x7F)))
            return d;
        const unsigned int n = std::min(4u, dataLen - static_cast<unsigned int>(data.size()));
        std::vector<unsigned char> crcInput(1, static_cast<unsigned char>(block));
        for (unsigned int k = 0; k < n; ++k) {
            if (i + 2 + k >= v.size() || v[i + 2 + k] < 256 || v[i + 2 + k] > 511)
                return d;
            crcInput.push_back(static_cast<unsigned char>(v[i + 2 + k] - 256));
        }
        if (v[i] != (0x80u | (NZAirKissEncoder_CRC8(crcInput.data(), n + 1) & 0x7F)))
            return d;
        data.insert(data.end(), crcInput.begin() + 1, crcInput.end());
        i += 2 + n;
    }
    d.password.assign(data.begin(), data.begin() + pwLen);
    d.random = data[pwLen];
    d.ssid.assign(data.begin() + pwLen + 1, data.end());
    d.ok = NZAirKissEncoder_CRC8(reinterpret_cast<const unsigned char *>(d.ssid.data()),
                                 static_cast<unsigned int>(d.ssid.size())) == ssidCrc;
    return d;
}

} // namespace

TEST(AirKiss, EncodedLengthsDecodeBack)
{
    struct Row {
        const char *ssid, *password;
        unsigned char random;
    } rows[] = {
        {"abc", "12345678", 0x5A}, {"HomeNet", "", 0x01}, {"x", "p", 0xFF}, {"Cafe 5G", "s3cr3t!pass", 0x80},
    };
    for (const Row &r : rows) {
        unsigned int count = 0;
        unsigned int *a = NZAirKissEncoder_EncodeDataToLengthArray(r.ssid, r.password, r.random, 50, 20, 30, &count);
        ASSERT_NE(nullptr, a);
        const Decoded d = decode(std::vector<unsigned int>(a, a + count));
        free(a);
        EXPECT_TRUE(d.ok) << r.ssid;
        EXPECT_EQ(r.ssid, d.ssid);
        EXPECT_EQ(r.password, d.password);
        EXPECT_EQ(r.random, d.random);
    }
}

TEST(AirKiss, RandomByteIsNeverZero)
{
    std::set<int> seen;
    for (int i = 0; i < 20000; ++i)
        seen.insert(NZIOAirKiss::DrawRandomByte());
    EXPECT_EQ(0u, seen.count(0));
    EXPECT_EQ(255u, seen.size()); // every value 1..255 turns up
}

TEST(AirKiss, BadInputReturnsZeroAtOnce)
{
    NZIOAirKiss ak;
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(0, ak.NZIOAirKiss_ConfigWireless(nullptr, "pw", 5000));
    EXPECT_EQ(0, ak.NZIOAirKiss_ConfigWireless("ssid", nullptr, 5000));
    // Texts whose total length (password, random byte, SSID) does not fit the length byte.
    const std::string longSsid(200, 's'), longPassword(55, 'p'), huge(1 << 20, 'x');
    EXPECT_EQ(0, ak.NZIOAirKiss_ConfigWireless(longSsid.c_str(), longPassword.c_str(), 5000));
    EXPECT_EQ(0, ak.NZIOAirKiss_ConfigWireless(huge.c_str(), "pw", 5000));
    EXPECT_EQ(0, ak.NZIOAirKiss_ConfigWireless("ssid", huge.c_str(), 5000));
    // Far below the 5 s any of them would wait; loose enough for sanitizer builds on a busy host.
    EXPECT_LT(NZUtils_MonotonicMs() - start, 1000);
}

// ---- Runs: only inside namespaces made for the test ----------------------------------

namespace {

// The printer's side in the peer namespace: listens on port 10000, learns the random byte
// from the lengths and, once it has it, answers with the scripted reply datagrams.
class FakeListener {
public:
    // reply: sizes of the datagrams (filled with the random byte) sent once it is known;
    // empty for a silent printer.
    explicit FakeListener(std::vector<size_t> reply)
        : m_reply(std::move(reply)),
          m_responder("0.0.0.0", NZIOAirKiss::Port, [this](int, const Datagram &d) { return answer(d); })
    {
    }

    void Run() { m_responder.Run(); }
    void Stop() { m_responder.Stop(); }
    bool WaitReady() { return m_responder.WaitReady(); }
    size_t Count() const { return static_cast<size_t>(m_responder.Count()); }
    std::vector<unsigned int> Lengths()
    {
        std::vector<unsigned int> out;
        for (const Datagram &d : m_responder.Packets())
            out.push_back(static_cast<unsigned int>(d.data.size()));
        return out;
    }
    Decoded Learned()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_decoded;
    }
    std::set<std::pair<uint32_t, uint16_t>> Senders()
    {
        std::set<std::pair<uint32_t, uint16_t>> from;
        for (const Datagram &d : m_responder.Packets())
            from.insert(std::make_pair(d.addr, d.port));
        return from;
    }
    size_t NonZeroBytes()
    {
        size_t n = 0;
        for (const Datagram &d : m_responder.Packets())
            for (unsigned char b : d.data)
                n += b != 0;
        return n;
    }

private:
    // On the listener's thread: every 16 lengths, try to decode; answer once.
    std::vector<Bytes> answer(const Datagram &d)
    {
        m_lengths.push_back(static_cast<unsigned int>(d.data.size()));
        if (m_answered || m_reply.empty() || m_lengths.size() % 16 != 0)
            return {};
        const Decoded dec = decode(m_lengths);
        if (!dec.ok)
            return {};
        {
            std::lock_guard<std::mutex> g(m_lock);
            m_decoded = dec;
        }
        m_answered = true;
        std::vector<Bytes> out;
        for (size_t n : m_reply)
            out.push_back(Bytes(n, static_cast<unsigned char>(dec.random)));
        return out;
    }

    const std::vector<size_t> m_reply;
    std::vector<unsigned int> m_lengths;
    bool m_answered = false;
    std::mutex m_lock;
    Decoded m_decoded;
    UdpResponder m_responder;
};

struct RunResult {
    int result = -1;
    int64_t elapsedMs = -1;
    int fdsBefore = 0, fdsAfter = 0;
};

RunResult configure(TestNetns &ns, NZIOAirKiss &ak, const char *ssid, const char *password, unsigned int timeoutMs)
{
    RunResult r;
    EXPECT_TRUE(ns.Run(false, [&] {
        r.fdsBefore = CountOpenFds();
        const int64_t start = NZUtils_MonotonicMs();
        r.result = ak.NZIOAirKiss_ConfigWireless(ssid, password, timeoutMs);
        r.elapsedMs = NZUtils_MonotonicMs() - start;
        r.fdsAfter = CountOpenFds();
    }));
    return r;
}

} // namespace

TEST(AirKissNetwork, PrinterEchoConfirmsRun)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    const int threads = CountThreads();
    // 19 matching bytes in one datagram and 1 in the next: the count adds up.
    FakeListener printer({19, 1});
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());

    NZIOAirKiss ak;
    const RunResult r = configure(ns, ak, "HomeNet", "pass1234", 20000);
    printer.Stop();
    peer.join();

    EXPECT_EQ(1, r.result);
    EXPECT_LT(r.elapsedMs, 10000);
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threads; }, 2000));

    // The printer learned the credentials from the lengths alone.
    const Decoded learned = printer.Learned();
    ASSERT_TRUE(learned.ok);
    EXPECT_EQ("HomeNet", learned.ssid);
    EXPECT_EQ("pass1234", learned.password);
    EXPECT_NE(0, learned.random);

    // Wire: the array's lengths in order, zero-filled, from port 10000 of the local address.
    unsigned int count = 0;
    unsigned int *expected = NZAirKissEncoder_EncodeDataToLengthArray(
        "HomeNet", "pass1234", static_cast<unsigned char>(learned.random), 50, 20, 30, &count);
    ASSERT_NE(nullptr, expected);
    const std::vector<unsigned int> got = printer.Lengths();
    ASSERT_GE(got.size(), 300u);
    ASSERT_LE(got.size(), count);
    EXPECT_EQ(std::vector<unsigned int>(expected, expected + got.size()), got);
    free(expected);
    EXPECT_EQ(0u, printer.NonZeroBytes());
    const std::set<std::pair<uint32_t, uint16_t>> from = {{Ipv4(ns.LocalAddress()), NZIOAirKiss::Port}};
    EXPECT_EQ(from, printer.Senders());
}

TEST(AirKissNetwork, SilentPrinterTimesOut)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    const int threads = CountThreads();
    FakeListener printer({});
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());

    NZIOAirKiss ak;
    // The run's own zero-filled broadcasts come back to its socket and must not confirm it.
    const RunResult r = configure(ns, ak, "HomeNet", "pass1234", 1000);
    printer.Stop();
    peer.join();
    EXPECT_EQ(0, r.result);
    EXPECT_GE(r.elapsedMs, 1000);
    EXPECT_LT(r.elapsedMs, 3500);
    EXPECT_GT(printer.Count(), 50u);
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threads; }, 2000));
}

TEST(AirKissNetwork, CancelStopsRunAndLaterRunsUntilEnabled)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    FakeListener printer({});
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());

    NZIOAirKiss ak;
    // Cancelled from another thread while running.
    std::thread canceller([&] {
        NZIOSleep::SleepMs(300);
        ak.NZIOAirKiss_CancelConfig();
    });
    const RunResult during = configure(ns, ak, "HomeNet", "pass1234", 30000);
    canceller.join();
    EXPECT_EQ(0, during.result);
    EXPECT_LT(during.elapsedMs, 1500); // far inside the 30 s limit
    EXPECT_EQ(during.fdsBefore, during.fdsAfter);

    // The flag survives: the next run opens and closes the port without sending.
    NZIOSleep::SleepMs(50);
    const size_t sentBefore = printer.Count();
    const RunResult after = configure(ns, ak, "HomeNet", "pass1234", 30000);
    EXPECT_EQ(0, after.result);
    EXPECT_LT(after.elapsedMs, 1000);
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(sentBefore, printer.Count());

    // Enabled again: sending resumes.
    ak.NZIOAirKiss_EnableConfig();
    const RunResult again = configure(ns, ak, "HomeNet", "pass1234", 1);
    EXPECT_EQ(0, again.result);
    EXPECT_TRUE(WaitFor([&] { return printer.Count() > sentBefore; }, 1000));
    printer.Stop();
    peer.join();
}

TEST(AirKissNetwork, BusyPortFailsAtOnce)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    NZIOAirKiss ak;
    RunResult r;
    ASSERT_TRUE(ns.Run(false, [&] {
        UdpPeer holder("0.0.0.0", NZIOAirKiss::Port);
        ASSERT_TRUE(holder.Ok());
        const int64_t start = NZUtils_MonotonicMs();
        r.result = ak.NZIOAirKiss_ConfigWireless("HomeNet", "pass1234", 5000);
        r.elapsedMs = NZUtils_MonotonicMs() - start;
    }));
    EXPECT_EQ(0, r.result);
    EXPECT_LT(r.elapsedMs, 1000); // far inside the 5 s limit
}
