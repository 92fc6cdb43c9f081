#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <vector>

#include "ports/NZIOUdpBroadcastHandler.h"
#include "ports/NZIOUdpDiscover.h"
#include "ports/NZUtils.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/UdpPeer.h"

using namespace quorvane_test;

namespace {

struct Found {
    std::string local, mac, address, name;
    bool operator<(const Found &o) const
    {
        return std::tie(local, mac, address, name) < std::tie(o.local, o.mac, o.address, o.name);
    }
    bool operator==(const Found &o) const
    {
        return local == o.local && mac == o.mac && address == o.address && name == o.name;
    }
};

struct Collector {
    std::mutex lock;
    std::vector<Found> found;
    int *cancelOnFirst = nullptr;

    std::vector<Found> Snapshot()
    {
        std::lock_guard<std::mutex> g(lock);
        return found;
    }
    std::set<Found> Distinct()
    {
        std::vector<Found> all = Snapshot();
        return std::set<Found>(all.begin(), all.end());
    }
};

void collect(const char *local, const char *mac, const char *address, const char *name, const void *user)
{
    Collector *c = const_cast<Collector *>(static_cast<const Collector *>(user));
    {
        std::lock_guard<std::mutex> g(c->lock);
        c->found.push_back(Found{local, mac, address, name});
    }
    if (c->cancelOnFirst)
        __atomic_store_n(c->cancelOnFirst, 1, __ATOMIC_RELAXED);
}

Bytes replyA(size_t length, const char *magic, const Bytes &mac, const Bytes &nameField)
{
    Bytes r(length, 0);
    memcpy(r.data(), magic, std::min(strlen(magic), length));
    for (size_t i = 0; i < mac.size() && 14 + i < length; ++i)
        r[14 + i] = mac[i];
    for (size_t i = 0; i < nameField.size() && 56 + i < length; ++i)
        r[56 + i] = nameField[i];
    return r;
}

Bytes replyB(size_t length, const char *magic, const Bytes &mac)
{
    Bytes r(length, 0x5A);
    memcpy(r.data(), magic, std::min(strlen(magic), length));
    for (size_t i = 0; i < mac.size() && 78 + i < length; ++i)
        r[78 + i] = mac[i];
    return r;
}

Bytes text(const std::string &s, bool terminated = true)
{
    Bytes b(s.begin(), s.end());
    if (terminated)
        b.push_back(0);
    return b;
}

const Bytes kMac1 = Hex("00 11 22 AA BB CC");
const Bytes kMac2 = Hex("64 EB 8C 2A 2A AC");

} // namespace

TEST(UdpDiscover, QueryDatagrams)
{
    EXPECT_EQ("45 50 53 4F 4E 51 03 00 00 01 00 00 00 00", ToHex(NZIOUdpDiscover_QueryA, 14));
    EXPECT_EQ("53 54 52 5F 42 43 41 53 54 00 00 00 00 00 00 00 52 51 31 2E 30 2E 30 00 00 1C 64 31",
              ToHex(NZIOUdpDiscover_QueryB, 28));
    EXPECT_EQ(3289, NZIOUdpDiscover_PortA);
    EXPECT_EQ(22222, NZIOUdpDiscover_PortB);
}

TEST(UdpDiscover, ReplyParsing)
{
    const std::string longName(128, 'N');
    struct Row {
        const char *what;
        Bytes datagram;
        bool reported;
        const char *mac;
        std::string name; // empty: the sender address
    } rows[] = {
        {"A with a name", replyA(184, "EPSONq", kMac2, text("TM-Kitchen")), true, "64-EB-8C-2A-2A-AC", "TM-Kitchen"},
        {"A without a name", replyA(184, "EPSONq", kMac1, Bytes{0, 'x'}), true, "00-11-22-AA-BB-CC", ""},
        {"A name without terminator", replyA(184, "EPSONq", kMac1, text(longName, false)), true,
         "00-11-22-AA-BB-CC", longName},
        {"A one byte short", replyA(183, "EPSONq", kMac1, text("x")), false, "", ""},
        {"A one byte long", replyA(185, "EPSONq", kMac1, text("x")), false, "", ""},
        {"A echo of the query magic", replyA(184, "EPSONQ", kMac1, text("x")), false, "", ""},
        {"B", replyB(302, "STR_BCAST", kMac1), true, "00-11-22-AA-BB-CC", ""},
        {"B one byte short", replyB(301, "STR_BCAST", kMac1), false, "", ""},
        {"B one byte long", replyB(303, "STR_BCAST", kMac1), false, "", ""},
        {"B wrong magic", replyB(302, "STR_BCASX", kMac1), false, "", ""},
        {"B length with A magic", replyA(302, "EPSONq", kMac1, text("x")), false, "", ""},
        {"A length with B magic", replyB(184, "STR_BCAST", kMac1), false, "", ""},
        {"the query itself", Bytes(NZIOUdpDiscover_QueryB, NZIOUdpDiscover_QueryB + 28), false, "", ""},
        {"empty", Bytes(), false, "", ""},
    };
    for (const Row &r : rows) {
        Collector c;
        NZIOUdpDiscoverContext ctx;
        memset(&ctx, 0, sizeof(ctx));
        strcpy(ctx.localAddress, "192.168.0.2");
        ctx.callback = collect;
        ctx.user = &c;
        // The sender's address as the socket gives it: network order.
        NZIOUdpDiscover::NZIOUdpDiscover_ReadedEvent(r.datagram.empty() ? nullptr : r.datagram.data(),
                                                     static_cast<unsigned int>(r.datagram.size()),
                                                     Ipv4("192.168.0.7"), htons(3289), &ctx);
        const std::vector<Found> f = c.Snapshot();
        if (!r.reported) {
            EXPECT_TRUE(f.empty()) << r.what;
            continue;
        }
        ASSERT_EQ(1u, f.size()) << r.what;
        EXPECT_EQ("192.168.0.2", f[0].local) << r.what;
        EXPECT_EQ(r.mac, f[0].mac) << r.what;
        EXPECT_EQ("192.168.0.7", f[0].address) << r.what;
        EXPECT_EQ(r.name.empty() ? std::string("192.168.0.7") : r.name, f[0].name) << r.what;
    }
    // No context or no callback: nothing happens.
    const Bytes b = replyB(302, "STR_BCAST", kMac1);
    NZIOUdpDiscover::NZIOUdpDiscover_ReadedEvent(b.data(), 302, 0, 0, nullptr);
    NZIOUdpDiscoverContext quiet;
    memset(&quiet, 0, sizeof(quiet));
    NZIOUdpDiscover::NZIOUdpDiscover_ReadedEvent(b.data(), 302, 0, 0, &quiet);
}

namespace {

struct Received {
    std::mutex lock;
    std::vector<Datagram> all;
    std::vector<unsigned short> at; // handler receptions: sender port (network order)
};

void onDatagram(const unsigned char *data, unsigned int length, unsigned int addr, unsigned short port, void *user)
{
    Received *r = static_cast<Received *>(user);
    std::lock_guard<std::mutex> g(r->lock);
    r->all.push_back(Datagram{Bytes(data, data + length), addr, port, 0});
}

unsigned short boundPort(NZUdpClientIO_linux &port)
{
    struct sockaddr_in sa;
    socklen_t len = sizeof(sa);
    memset(&sa, 0, sizeof(sa));
    getsockname(port.GetSocket(), reinterpret_cast<struct sockaddr *>(&sa), &len);
    return ntohs(sa.sin_port);
}

} // namespace

TEST(UdpBroadcastHandler, DeliversDatagramsAndStopsPromptly)
{
    const int fds = CountOpenFds();
    const int threads = CountThreads();
    {
        UdpPeer peer("127.0.0.1", 0);
        ASSERT_TRUE(peer.Ok());
        Received got;
        NZIOUdpBroadcastHandler h;
        ASSERT_TRUE(h.Port().OpenNonThreadA("127.0.0.1", 0, "127.0.0.1", peer.Port()));
        h.Port().setsockopt_rcvtimeo(0); // no receive limit: only the stop's wake can end it
        h.SetDatagramCallback(onDatagram, &got);
        h.StartReadThread();
        h.WaitReadThreadStarted();

        const unsigned short port = boundPort(h.Port());
        ASSERT_TRUE(peer.SendTo(Hex("01 02 03"), "127.0.0.1", port));
        ASSERT_TRUE(peer.SendTo(Bytes(4096, 0xEE), "127.0.0.1", port));
        ASSERT_TRUE(peer.SendTo(Bytes(5000, 0x11), "127.0.0.1", port)); // cut to the 4096-byte buffer
        ASSERT_TRUE(WaitFor([&] {
            std::lock_guard<std::mutex> g(got.lock);
            return got.all.size() == 3;
        }, 2000));
        {
            std::lock_guard<std::mutex> g(got.lock);
            EXPECT_EQ("01 02 03", ToHex(got.all[0].data));
            EXPECT_EQ(Ipv4("127.0.0.1"), got.all[0].addr);
            EXPECT_EQ(htons(peer.Port()), got.all[0].port);
            EXPECT_EQ(4096u, got.all[1].data.size());
            EXPECT_EQ(4096u, got.all[2].data.size());
        }

        const int64_t start = NZUtils_MonotonicMs();
        h.StopReadThread();
        h.WaitReadThreadFinished();
        EXPECT_LT(NZUtils_MonotonicMs() - start, 500);
        h.Port().Close();
    }
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threads; }, 2000));
    EXPECT_EQ(fds, CountOpenFds());
}

TEST(UdpBroadcastHandler, WaitsReturnAtOnceWithoutThread)
{
    NZIOUdpBroadcastHandler h;
    const int64_t start = NZUtils_MonotonicMs();
    h.WaitReadThreadStarted();
    h.StopReadThread();
    h.WaitReadThreadFinished();
    EXPECT_LT(NZUtils_MonotonicMs() - start, 1000);
}

// ---- Searches: only inside namespaces made for the test -------------------------------

namespace {

// A fake printer in the peer namespace: records every query on both discovery ports and
// answers each with the scripted datagrams.
class FakeResponder {
public:
    FakeResponder(std::vector<Bytes> answersA, std::vector<Bytes> answersB)
        : m_answersA(std::move(answersA)), m_answersB(std::move(answersB)), m_stop(false), m_ready(0)
    {
    }

    void Run()
    {
        UdpPeer a("0.0.0.0", NZIOUdpDiscover_PortA);
        UdpPeer b("0.0.0.0", NZIOUdpDiscover_PortB);
        m_ready = (a.Ok() && b.Ok()) ? 1 : -1;
        if (m_ready < 0)
            return;
        while (!m_stop.load()) {
            Datagram d;
            if (a.Receive(d, 5))
                answer(a, d, m_answersA, m_queriesA);
            if (b.Receive(d, 5))
                answer(b, d, m_answersB, m_queriesB);
        }
        // Record what is still queued, so a stopped responder has seen every query sent.
        Datagram d;
        while (a.Receive(d, 0))
            answer(a, d, {}, m_queriesA);
        while (b.Receive(d, 0))
            answer(b, d, {}, m_queriesB);
    }
    void Stop() { m_stop = true; }
    bool WaitReady() { return WaitFor([&] { return m_ready.load() != 0; }, 5000) && m_ready.load() > 0; }
    std::vector<Datagram> QueriesA()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_queriesA;
    }
    std::vector<Datagram> QueriesB()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_queriesB;
    }

private:
    void answer(UdpPeer &sock, const Datagram &d, const std::vector<Bytes> &answers, std::vector<Datagram> &log)
    {
        {
            std::lock_guard<std::mutex> g(m_lock);
            log.push_back(d);
        }
        for (const Bytes &reply : answers)
            sock.SendTo(reply, d.addr, d.port);
    }

    std::vector<Bytes> m_answersA, m_answersB;
    std::atomic<bool> m_stop;
    std::atomic<int> m_ready;
    std::mutex m_lock;
    std::vector<Datagram> m_queriesA, m_queriesB;
};

struct SearchResult {
    int64_t elapsedMs = -1;
    int fdsBefore = 0, fdsAfter = 0;
};

// Runs one search on a thread inside the test namespace.
SearchResult search(TestNetns &ns, unsigned int timeoutMs, int *cancel, Collector &c)
{
    SearchResult r;
    const bool entered = ns.Run(false, [&] {
        r.fdsBefore = CountOpenFds();
        const int64_t start = NZUtils_MonotonicMs();
        NZIOUdpDiscover().NZIOUdpDiscover_StartDiscover(timeoutMs, cancel, collect, &c);
        r.elapsedMs = NZUtils_MonotonicMs() - start;
        r.fdsAfter = CountOpenFds();
    });
    EXPECT_TRUE(entered);
    return r;
}

} // namespace

TEST(UdpDiscoverNetwork, QueriesRepliesAndTimeLimit)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    FakeResponder responder(
        {replyA(184, "EPSONq", kMac2, text("Kitchen")), replyA(183, "EPSONq", kMac1, text("short")),
         replyA(184, "EPSONQ", kMac1, text("echo"))},
        {replyB(302, "STR_BCAST", kMac1), replyB(301, "STR_BCAST", kMac2)});
    const int threads = CountThreads();
    bool responderIn = false;
    std::thread peer = ns.Start(true, [&] { responder.Run(); }, &responderIn);
    ASSERT_TRUE(responder.WaitReady());

    Collector c;
    const SearchResult r = search(ns, 1000, nullptr, c);
    responder.Stop();
    peer.join();
    ASSERT_TRUE(responderIn);

    // The limit is one whole second: the search ends at the first pass after it.
    EXPECT_GE(r.elapsedMs, 1000);
    EXPECT_LT(r.elapsedMs, 3000); // generous for sanitizer builds on a loaded host
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threads; }, 2000));

    const std::vector<Datagram> qa = responder.QueriesA();
    const std::vector<Datagram> qb = responder.QueriesB();
    // About four passes a second (fewer when a loaded host stretches the 5 ms sleeps).
    ASSERT_GE(qa.size(), 2u);
    ASSERT_LE(qa.size(), 6u);
    EXPECT_EQ(qa.size(), qb.size());
    for (const Datagram &d : qa) {
        EXPECT_EQ("45 50 53 4F 4E 51 03 00 00 01 00 00 00 00", ToHex(d.data));
        EXPECT_EQ(Ipv4(ns.LocalAddress()), d.addr);
    }
    for (const Datagram &d : qb)
        EXPECT_EQ("53 54 52 5F 42 43 41 53 54 00 00 00 00 00 00 00 52 51 31 2E 30 2E 30 00 00 1C 64 31",
                  ToHex(d.data));
    for (size_t i = 1; i < qa.size(); ++i) {
        EXPECT_GE(qa[i].atMs - qa[i - 1].atMs, 225) << i; // 250 ms of sleeps, less arrival jitter
        EXPECT_LE(qa[i].atMs - qa[i - 1].atMs, 1500) << i;
    }

    const std::set<Found> expected = {
        {ns.LocalAddress(), "64-EB-8C-2A-2A-AC", ns.PeerAddress(), "Kitchen"},
        {ns.LocalAddress(), "00-11-22-AA-BB-CC", ns.PeerAddress(), ns.PeerAddress()},
    };
    EXPECT_EQ(expected, c.Distinct());
    // Every pass is reported again: no duplicate removal.
    EXPECT_GE(c.Snapshot().size(), 2 * (qa.size() - 1));
}

TEST(UdpDiscoverNetwork, CancelledBeforehandSendsNothing)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    FakeResponder responder({replyA(184, "EPSONq", kMac2, text("Kitchen"))}, {});
    const int threads = CountThreads();
    std::thread peer = ns.Start(true, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());

    int cancel = 1;
    Collector c;
    const SearchResult r = search(ns, 3000, &cancel, c);
    NZIOSleep::SleepMs(100); // room for anything that might have been sent
    responder.Stop();
    peer.join();
    EXPECT_LT(r.elapsedMs, 1000); // far inside the 3 s limit
    EXPECT_TRUE(responder.QueriesA().empty());
    EXPECT_TRUE(responder.QueriesB().empty());
    EXPECT_TRUE(c.Snapshot().empty());
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
    EXPECT_TRUE(WaitFor([&] { return CountThreads() == threads; }, 2000));
}

TEST(UdpDiscoverNetwork, CancelFromCallbackEndsSearchPromptly)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    FakeResponder responder({replyA(184, "EPSONq", kMac2, text("Kitchen"))}, {});
    std::thread peer = ns.Start(true, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());

    int cancel = 0;
    Collector c;
    c.cancelOnFirst = &cancel;
    const SearchResult r = search(ns, 10000, &cancel, c);
    responder.Stop();
    peer.join();
    EXPECT_LT(r.elapsedMs, 1000); // the first pass's reply ends it, far ahead of 10 s
    EXPECT_EQ(1u, responder.QueriesA().size());
    EXPECT_FALSE(c.Snapshot().empty());
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
}

TEST(UdpDiscoverNetwork, ZeroTimeoutSendsAtMostOnePass)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    FakeResponder responder({}, {});
    std::thread peer = ns.Start(true, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());
    Collector c;
    const SearchResult r = search(ns, 0, nullptr, c);
    NZIOSleep::SleepMs(50);
    responder.Stop();
    peer.join();
    EXPECT_LT(r.elapsedMs, 3000); // bounded; the single pass is what shows the zero limit
    EXPECT_LE(responder.QueriesA().size(), 1u);
    EXPECT_EQ(responder.QueriesA().size(), responder.QueriesB().size());
}

TEST(UdpDiscoverNetwork, LoopbackOnlyHostSearchesFromAnyAddress)
{
    TestNetns ns(false);
    REQUIRE_NETNS(ns);
    // The responder shares the namespace; the broadcast reaches it through loopback.
    FakeResponder responder({replyA(184, "EPSONq", kMac2, Bytes{0})}, {replyB(302, "STR_BCAST", kMac1)});
    std::thread peer = ns.Start(false, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());
    Collector c;
    const SearchResult r = search(ns, 1, nullptr, c);
    responder.Stop();
    peer.join();
    EXPECT_GE(r.elapsedMs, 1000);
    EXPECT_FALSE(responder.QueriesA().empty());
    const std::set<Found> expected = {
        {"0.0.0.0", "64-EB-8C-2A-2A-AC", "127.0.0.1", "127.0.0.1"},
        {"0.0.0.0", "00-11-22-AA-BB-CC", "127.0.0.1", "127.0.0.1"},
    };
    EXPECT_EQ(expected, c.Distinct());
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
}

TEST(UdpDiscoverNetwork, LargestTimeoutDoesNotWrapToAShortLimit)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    // (4294967295 + 999) / 1000 in 32 bits would be 0 seconds; the search must run on
    // until cancelled.
    int cancel = 0;
    std::thread canceller([&] {
        NZIOSleep::SleepMs(1500);
        __atomic_store_n(&cancel, 1, __ATOMIC_RELAXED);
    });
    Collector c;
    const SearchResult r = search(ns, 4294967295u, &cancel, c);
    canceller.join();
    EXPECT_GE(r.elapsedMs, 1300);
    EXPECT_LT(r.elapsedMs, 3000);
    EXPECT_EQ(r.fdsBefore, r.fdsAfter);
}
