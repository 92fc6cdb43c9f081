// LAN printer search through the C interface. Everything it broadcasts stays inside
// network namespaces the test creates; without them the tests skip.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/quorvane.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/UdpFakePrinter.h"
#include "support/UdpPeer.h"

using namespace quorvane_test;

namespace {

typedef std::tuple<std::string, std::string, std::string, std::string> Found;

struct Results {
    std::mutex lock;
    std::vector<Found> found;
    int *cancelOnFirst = nullptr;
};

void OnPrinter(const char *local, const char *mac, const char *address, const char *name, const void *user)
{
    Results *r = const_cast<Results *>(static_cast<const Results *>(user));
    std::lock_guard<std::mutex> g(r->lock);
    r->found.emplace_back(local, mac, address, name);
    if (r->cancelOnFirst)
        __atomic_store_n(r->cancelOnFirst, 1, __ATOMIC_RELAXED);
}

// A printer answering the first discovery protocol with a named reply, and a malformed
// one (one byte short) that must be ignored.
class Responder : public UdpResponder {
public:
    Responder() : UdpResponder("0.0.0.0", 3289, [](int, const Datagram &) { return Replies(); }) {}

private:
    static std::vector<Bytes> Replies()
    {
        Bytes good(184, 0), bad(183, 0);
        memcpy(good.data(), "EPSONq", 6);
        memcpy(bad.data(), "EPSONq", 6);
        const unsigned char mac[6] = {0x64, 0xEB, 0x8C, 0x2A, 0x2A, 0xAC};
        memcpy(good.data() + 14, mac, 6);
        memcpy(bad.data() + 14, mac, 6);
        memcpy(good.data() + 56, "Front desk", 11);
        memcpy(bad.data() + 56, "Broken", 7);
        return {bad, good};
    }
};

} // namespace

TEST(PortCallsNetPrinter, ReportsRepliesWithinTheTimeLimit)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    Responder responder;
    std::thread peer = ns.Start(true, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());

    Results results;
    int64_t took = -1;
    EXPECT_TRUE(ns.Run(false, [&] {
        const int64_t start = NZUtils_MonotonicMs();
        CP_Port_EnumNetPrinter(1000, nullptr, OnPrinter, &results);
        took = NZUtils_MonotonicMs() - start;
    }));
    responder.Stop();
    peer.join();

    // The limit counts whole seconds; the bound above leaves room for a loaded host.
    EXPECT_GE(took, 1000);
    EXPECT_LT(took, 4000);
    EXPECT_GE(responder.Count(), 1);
    std::lock_guard<std::mutex> g(results.lock);
    ASSERT_FALSE(results.found.empty());
    const std::set<Found> distinct(results.found.begin(), results.found.end());
    const std::set<Found> expected = {Found{ns.LocalAddress(), "64-EB-8C-2A-2A-AC", ns.PeerAddress(), "Front desk"}};
    EXPECT_EQ(distinct, expected);
}

TEST(PortCallsNetPrinter, CancelStopsTheSearch)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    Responder responder;
    std::thread peer = ns.Start(true, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());

    // Cancelled beforehand: returns at once and sends nothing.
    int cancel = 1;
    Results before;
    int64_t tookBefore = -1;
    EXPECT_TRUE(ns.Run(false, [&] {
        const int64_t start = NZUtils_MonotonicMs();
        CP_Port_EnumNetPrinter(10000, &cancel, OnPrinter, &before);
        tookBefore = NZUtils_MonotonicMs() - start;
    }));
    NZIOSleep::SleepMs(50);
    EXPECT_LT(tookBefore, 2500);
    EXPECT_EQ(responder.Count(), 0);

    // Cancelled by the first reply: ends long before its 20 s.
    cancel = 0;
    Results during;
    during.cancelOnFirst = &cancel;
    int64_t tookDuring = -1;
    EXPECT_TRUE(ns.Run(false, [&] {
        const int64_t start = NZUtils_MonotonicMs();
        CP_Port_EnumNetPrinter(20000, &cancel, OnPrinter, &during);
        tookDuring = NZUtils_MonotonicMs() - start;
    }));
    responder.Stop();
    peer.join();
    EXPECT_LT(tookDuring, 5000);
    std::lock_guard<std::mutex> g(during.lock);
    EXPECT_FALSE(during.found.empty());
    EXPECT_TRUE(before.found.empty());
}

TEST(PortCallsNetPrinter, NullCallbackSearchesQuietly)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    Responder responder;
    std::thread peer = ns.Start(true, [&] { responder.Run(); });
    ASSERT_TRUE(responder.WaitReady());
    EXPECT_TRUE(ns.Run(false, [&] { CP_Port_EnumNetPrinter(0, nullptr, nullptr, nullptr); }));
    responder.Stop();
    peer.join();
}
