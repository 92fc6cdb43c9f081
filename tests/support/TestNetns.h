// Throw-away network namespaces for tests that broadcast: whatever they send stays inside
// namespaces the test created itself. Needs root and iproute2; otherwise Ok() is false
// and Reason() says why, so the test can skip.
#ifndef QUORVANE_TESTS_SUPPORT_TESTNETNS_H
#define QUORVANE_TESTS_SUPPORT_TESTNETNS_H

#include <functional>
#include <string>
#include <thread>

#include "support/TestUtil.h" // CountThreads

namespace quorvane_test {

class TestNetns {
public:
    // withPeer: a second namespace joined to the first by a veth pair, the first end
    // holding LocalAddress()/24 and the peer end PeerAddress()/24; the first namespace's
    // default route leads into the veth (the peer forwards nothing). Without a peer the
    // namespace has only its loopback interface, with 255.255.255.255 routed to it, so a
    // broadcast reaches listeners in the same namespace.
    explicit TestNetns(bool withPeer);
    ~TestNetns(); // deletes the namespaces (and with them the veth pair)

    bool Ok() const { return m_ok; }
    const std::string &Reason() const { return m_reason; }
    const char *LocalAddress() const { return "10.77.0.1"; }
    const char *PeerAddress() const { return "10.77.0.2"; }

    // With a peer: takes every route of the first namespace away (sends to the peer then
    // fail with ENETUNREACH), or puts them back.
    bool SetRoutes(bool present);

    // Runs fn on a new thread that has entered the namespace (or the peer) first. If the
    // thread cannot enter it, fn does not run and *entered (when given, read after the
    // join) stays false.
    std::thread Start(bool inPeer, std::function<void()> fn, bool *entered = nullptr);
    // Start and join.
    bool Run(bool inPeer, std::function<void()> fn);

private:
    TestNetns(const TestNetns &) = delete;
    TestNetns &operator=(const TestNetns &) = delete;
    bool linkCarries();

    bool m_ok;
    bool m_withPeer;
    std::string m_reason;
    std::string m_local;
    std::string m_peer;
    std::string m_vethA;
};

} // namespace quorvane_test

// Skips the current test, saying why, where the namespaces cannot be made.
#define REQUIRE_NETNS(ns)                                                                                   \
    if (!(ns).Ok())                                                                                         \
    GTEST_SKIP() << "network namespaces unavailable: " << (ns).Reason()

#endif
