// TCP and UDP ports against loopback listeners and peers: options, keep-alive, the
// half-close and its forced form, address handling and descriptor hygiene.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ports/NZTcpClientIO_linux.h"
#include "ports/NZUdpClientIO_linux.h"
#include "ports/NZUtils.h"
#include "support/FullQueue.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/UdpPeer.h"

using namespace quorvane_test;

namespace {

// A listening TCP socket on 127.0.0.1 with an ephemeral (or given) port.
class Listener {
public:
    explicit Listener(unsigned short port = 0, int backlog = 8)
    {
        m_fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // Without address reuse, a connection this listener closes first leaves the fixed
        // port in TIME_WAIT and blocks the next suite's listener on it for a minute.
        int one = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        struct sockaddr_in sa;
        memset(&sa, 0, sizeof sa);
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        sa.sin_port = htons(port);
        if (bind(m_fd, reinterpret_cast<sockaddr *>(&sa), sizeof sa) != 0 || listen(m_fd, backlog) != 0) {
            close(m_fd);
            m_fd = -1;
            return;
        }
        socklen_t len = sizeof sa;
        getsockname(m_fd, reinterpret_cast<sockaddr *>(&sa), &len);
        m_port = ntohs(sa.sin_port);
    }
    ~Listener()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    unsigned short port() const { return m_port; }
    int Accept(int timeoutMs)
    {
        struct pollfd p = {m_fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) != 1)
            return -1;
        return accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC);
    }

private:
    int m_fd = -1;
    unsigned short m_port = 0;
};

std::string RecvSome(int fd, size_t want, int timeoutMs)
{
    std::string out;
    NZMsTimer timer(static_cast<uint64_t>(timeoutMs));
    while (out.size() < want) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, timer.RemainingMs()) != 1)
            break;
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        out.append(buf, static_cast<size_t>(n));
    }
    return out;
}

// True when the peer sees end of file within the time.
bool PeerSeesEof(int fd, int timeoutMs)
{
    NZMsTimer timer(static_cast<uint64_t>(timeoutMs));
    for (;;) {
        struct pollfd p = {fd, POLLIN, 0};
        if (poll(&p, 1, timer.RemainingMs()) != 1)
            return false;
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n == 0)
            return true;
        if (n < 0)
            return errno == ECONNRESET;
    }
}

int IntOpt(int fd, int level, int name)
{
    int v = -1;
    socklen_t len = sizeof v;
    getsockopt(fd, level, name, &v, &len);
    return v;
}

TEST(TcpPort, KeepAliveReadsBack)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    const int fds = CountOpenFds();
    NZTcpClientIO_linux port;
    ASSERT_TRUE(port.Open("", "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000);
    ASSERT_GE(peer, 0);
    EXPECT_TRUE(port.IsReadThreadRunning());
    EXPECT_EQ(port.GetReadPacketSize(), 1024u);
    EXPECT_TRUE(port.setsockopt_keepalivevals(true, 6000, 2000, 3));
    const int fd = port.GetSocket();
    EXPECT_EQ(IntOpt(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
    EXPECT_EQ(IntOpt(fd, IPPROTO_TCP, TCP_KEEPIDLE), 6);
    EXPECT_EQ(IntOpt(fd, IPPROTO_TCP, TCP_KEEPINTVL), 2);
    EXPECT_EQ(IntOpt(fd, IPPROTO_TCP, TCP_KEEPCNT), 3);
    // An idle time under one second is refused; later options stay as they were.
    EXPECT_FALSE(port.setsockopt_keepalivevals(true, 999, 5000, 7));
    EXPECT_EQ(IntOpt(fd, IPPROTO_TCP, TCP_KEEPINTVL), 2);
    EXPECT_EQ(IntOpt(fd, IPPROTO_TCP, TCP_KEEPCNT), 3);
    EXPECT_TRUE(port.setsockopt_keepalive(false));
    EXPECT_EQ(IntOpt(fd, SOL_SOCKET, SO_KEEPALIVE), 0);
    close(peer); // lets the half-close finish at once
    port.Close();
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, SocketOptions)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    NZTcpClientIO_linux port;
    EXPECT_FALSE(port.setsockopt_rcvtimeo(100)); // no socket yet
    ASSERT_TRUE(port.Open(nullptr, "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000);
    const int fd = port.GetSocket();
    const struct {
        unsigned int ms;
        long sec, usec;
    } rows[] = {{1500, 1, 500000}, {0, 0, 0}, {250, 0, 250000}, {3600000, 3600, 0}};
    for (const auto &row : rows) {
        ASSERT_TRUE(port.setsockopt_rcvtimeo(row.ms));
        ASSERT_TRUE(port.setsockopt_sndtimeo(row.ms));
        for (int name : {SO_RCVTIMEO, SO_SNDTIMEO}) {
            struct timeval tv;
            socklen_t len = sizeof tv;
            ASSERT_EQ(getsockopt(fd, SOL_SOCKET, name, &tv, &len), 0);
            // The system keeps the value in clock ticks: allow its rounding.
            const long got = static_cast<long>(tv.tv_sec) * 1000000L + static_cast<long>(tv.tv_usec);
            EXPECT_NEAR(got, row.sec * 1000000L + row.usec, 10000) << row.ms;
        }
    }
    EXPECT_TRUE(port.setsockopt_linger(true, 0x10005));
    struct linger lg;
    socklen_t len = sizeof lg;
    getsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, &len);
    EXPECT_EQ(lg.l_onoff, 1);
    EXPECT_EQ(lg.l_linger, 5);
    EXPECT_TRUE(port.setsockopt_linger(false, 0));
    EXPECT_TRUE(port.setsockopt_reuseaddr(true));
    EXPECT_EQ(IntOpt(fd, SOL_SOCKET, SO_REUSEADDR), 1);
    EXPECT_TRUE(port.setsockopt_sndbuf(65536));
    EXPECT_TRUE(port.setsockopt_rcvbuf(65536));
    close(peer);
    port.Close();
    EXPECT_FALSE(port.setsockopt_reuseaddr(true));
}

struct Packets {
    std::atomic<unsigned int> total{0};
    std::atomic<unsigned int> largest{0};
};

void OnTcpReceived(const unsigned char *, unsigned int len, void *user)
{
    Packets *p = static_cast<Packets *>(user);
    p->total += len;
    if (len > p->largest)
        p->largest = len;
}

TEST(TcpPort, RoundTripAndPeerClose)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    const int fds = CountOpenFds();
    NZTcpClientIO_linux port;
    Packets packets;
    port.SetReadedEvent(&OnTcpReceived, &packets);
    ASSERT_TRUE(port.Open("127.0.0.1", "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000);
    ASSERT_GE(peer, 0);
    const unsigned char text[] = "\x1b@receipt\n";
    EXPECT_EQ(port.Write(text, sizeof text - 1, 1000), static_cast<int>(sizeof text - 1));
    EXPECT_EQ(RecvSome(peer, sizeof text - 1, 2000), std::string(reinterpret_cast<const char *>(text)));
    std::string big(5000, 'q');
    ASSERT_EQ(send(peer, big.data(), big.size(), 0), static_cast<ssize_t>(big.size()));
    std::vector<unsigned char> buf(5000);
    EXPECT_EQ(port.Read(buf.data(), 5000, 3000), 5000);
    EXPECT_EQ(packets.total.load(), 5000u);
    EXPECT_LE(packets.largest.load(), 1024u);

    testing::internal::CaptureStdout();
    close(peer);
    EXPECT_TRUE(WaitFor([&] { return port.IsUnreadable(); }, 2000));
    EXPECT_TRUE(WaitFor([&] { return !port.IsReadThreadRunning(); }, 2000));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "NZTcpClientIO_linux socket_recv: recv 0. connection closed.\r\n");
    EXPECT_EQ(port.Read(buf.data(), 1, 100), -1);
    EXPECT_TRUE(port.IsOpened());
    EXPECT_FALSE(port.IsInvalid());
    // The read thread has already ended: the close does not wait.
    testing::internal::CaptureStdout();
    const int64_t t0 = NZUtils_MonotonicMs();
    port.Close();
    EXPECT_LT(NZUtils_MonotonicMs() - t0, 500);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, CloseWaitsForPeerThenCloses)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    const int fds = CountOpenFds();
    NZTcpClientIO_linux port;
    ASSERT_TRUE(port.Open(nullptr, "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000);
    ASSERT_GE(peer, 0);
    // A printer that closes its side once it sees ours closed.
    std::thread printer([&] {
        PeerSeesEof(peer, 5000);
        close(peer);
    });
    testing::internal::CaptureStdout();
    const int64_t t0 = NZUtils_MonotonicMs();
    port.Close();
    const int64_t took = NZUtils_MonotonicMs() - t0;
    printer.join();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_LT(took, 1500);
    EXPECT_EQ(out.find("force closesocket"), std::string::npos);
    EXPECT_EQ(port.GetSocket(), -1);
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, SilentPeerIsForceClosed)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    const int fds = CountOpenFds();
    NZTcpClientIO_linux port;
    int closedEvents = 0;
    port.SetClosedEvent([](void *u) { ++*static_cast<int *>(u); }, &closedEvents);
    ASSERT_TRUE(port.Open(nullptr, "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000);
    ASSERT_GE(peer, 0);
    testing::internal::CaptureStdout();
    const int64_t t0 = NZUtils_MonotonicMs();
    port.Close();
    const int64_t took = NZUtils_MonotonicMs() - t0;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_GE(took, 3000);
    EXPECT_LT(took, 5500);
    EXPECT_EQ(out, "NZTcpClientIO_linux BaseClose: force closesocket\n");
    EXPECT_EQ(closedEvents, 1);
    EXPECT_FALSE(port.IsReadThreadRunning());
    EXPECT_EQ(port.GetSocket(), -1);
    EXPECT_TRUE(PeerSeesEof(peer, 1000));
    close(peer);
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, CloseEndsAStuckSend)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    const int fds = CountOpenFds();
    NZTcpClientIO_linux port;
    ASSERT_TRUE(port.Open(nullptr, "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000); // never reads
    ASSERT_GE(peer, 0);
    std::vector<unsigned char> big(32 << 20, 0x41);
    std::atomic<int> result{-2};
    std::atomic<int64_t> ended{0};
    std::thread writer([&] {
        result = port.Write(big.data(), static_cast<unsigned int>(big.size()), 600000);
        ended = NZUtils_MonotonicMs();
    });
    NZIOSleep::SleepMs(200);
    EXPECT_EQ(result.load(), -2);
    testing::internal::CaptureStdout();
    const int64_t t0 = NZUtils_MonotonicMs();
    port.Close();
    writer.join();
    testing::internal::GetCapturedStdout();
    EXPECT_LT(ended.load() - t0, 5500);
    EXPECT_NE(result.load(), static_cast<int>(big.size()));
    close(peer);
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, ResetPeerGivesNegativeWriteNotSignal)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    NZTcpClientIO_linux port;
    ASSERT_TRUE(port.Open(nullptr, "127.0.0.1", l.port(), 2000));
    const int peer = l.Accept(2000);
    ASSERT_GE(peer, 0);
    struct linger lg = {1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    close(peer); // reset
    testing::internal::CaptureStdout();
    const unsigned char b[64] = {0};
    int last = 0;
    for (int i = 0; i < 50 && last >= 0; ++i) {
        last = port.BaseWrite(b, sizeof b, 500);
        NZIOSleep::SleepMs(5);
    }
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_LT(last, 0);
    EXPECT_NE(out.find("NZTcpClientIO_linux socket_send: send error: "), std::string::npos);
    port.Close();
}

TEST(TcpPort, AddressesAndFailedOpens)
{
    Listener l;
    ASSERT_TRUE(l.ok());
    const int fds = CountOpenFds();
    const struct {
        const char *local;
        const char *dest;
        bool ok;
    } rows[] = {
        {nullptr, "127.0.0.1", true},
        {"", "127.0.0.1", true},
        {"127.0.0.1", "127.0.0.1", true},
        {"0.0.0.0", "127.0.0.1", true},
        {"192.0.2.77", "127.0.0.1", false}, // not one of the host's addresses
        {"localhost", "127.0.0.1", false},
        {"127.0.0.1x", "127.0.0.1", false},
        {nullptr, "", false},
        {nullptr, nullptr, false},
        {nullptr, "printer", false},
        {nullptr, "127.0.0", false},
        {nullptr, "256.0.0.1", false},
        {nullptr, "127.0.0.1 ", false},
    };
    for (const auto &row : rows) {
        NZTcpClientIO_linux port;
        EXPECT_EQ(port.Open(row.local, row.dest, l.port(), 2000), row.ok)
            << (row.local ? row.local : "(null)") << " -> " << (row.dest ? row.dest : "(null)");
        if (row.ok) {
            const int peer = l.Accept(2000);
            close(peer);
            port.Close();
        } else {
            EXPECT_FALSE(port.IsOpened());
            EXPECT_EQ(port.GetSocket(), -1);
        }
    }
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, RefusedAndTimedOutConnects)
{
    unsigned short freePort;
    {
        Listener gone;
        ASSERT_TRUE(gone.ok());
        freePort = gone.port();
    }
    const int fds = CountOpenFds();
    NZTcpClientIO_linux port;
    int64_t t0 = NZUtils_MonotonicMs();
    EXPECT_FALSE(port.Open(nullptr, "127.0.0.1", freePort, 3000));
    EXPECT_LT(NZUtils_MonotonicMs() - t0, 1000);

    {
        // A listener that accepts nothing with a full queue leaves new connects pending.
        FullQueue full;
        if (!full.Start())
            GTEST_SKIP() << "the system accepted every connection at once";
        t0 = NZUtils_MonotonicMs();
        EXPECT_FALSE(port.Open(nullptr, "127.0.0.1", full.Port(), 300));
        const int64_t took = NZUtils_MonotonicMs() - t0;
        EXPECT_GE(took, 250);
        EXPECT_LT(took, 2000);
    }
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(TcpPort, OneArgumentOpenUsesPort9100)
{
    Listener l(9100);
    if (!l.ok())
        GTEST_SKIP() << "port 9100 is taken";
    NZTcpClientIO_linux port;
    ASSERT_TRUE(port.Open("127.0.0.1"));
    const int peer = l.Accept(2000);
    EXPECT_GE(peer, 0);
    close(peer);
    port.Close();
    EXPECT_TRUE(port.OpenW(L"", L"127.0.0.1", 9100, 1000));
    close(l.Accept(2000));
    port.Close();
}

TEST(TcpPort, NeutralDefaults)
{
    NZTcpClientIO tcp;
    EXPECT_FALSE(tcp.Open(nullptr, "127.0.0.1", 9100, 100));
    EXPECT_FALSE(tcp.Open("127.0.0.1"));
    EXPECT_EQ(tcp.socket_send(nullptr, 0), -1);
    EXPECT_EQ(tcp.socket_recv(nullptr, 0), -1);
    EXPECT_FALSE(tcp.setsockopt_keepalive(true));
    EXPECT_FALSE(tcp.setsockopt_keepalivevals(true, 6000, 2000, 3));
    EXPECT_FALSE(tcp.bind_addr_a("127.0.0.1", 0));
    EXPECT_FALSE(tcp.bind_addr_w(L"127.0.0.1", 0));
    unsigned char b;
    EXPECT_EQ(tcp.BaseWrite(&b, 1, 10), -1);
    EXPECT_EQ(tcp.BaseReadDirectly(&b, 1, 10), -1);
    NZUdpClientIO udp;
    EXPECT_FALSE(udp.Open(nullptr, 0, "127.0.0.1", 5100));
    EXPECT_FALSE(udp.OpenNonThread(nullptr, 0, "127.0.0.1", 5100));
    EXPECT_EQ(udp.socket_sendto(&b, 1, 0, 0), -1);
    EXPECT_EQ(udp.socket_recvfrom(&b, 1, nullptr, nullptr), -1);
    EXPECT_FALSE(udp.setsockopt_broadcast(true));
}

// The next datagram the peer receives within timeoutMs, as text ("<none>" on time-out);
// fromPort gets its sender's port.
std::string Recv(UdpPeer &peer, int timeoutMs, unsigned short *fromPort = nullptr)
{
    Datagram d;
    if (!peer.Receive(d, timeoutMs))
        return "<none>";
    if (fromPort)
        *fromPort = d.port;
    return std::string(d.data.begin(), d.data.end());
}

void SendTo(UdpPeer &peer, unsigned short port, const std::string &data)
{
    peer.SendTo(Bytes(data.begin(), data.end()), "127.0.0.1", port);
}

unsigned short LocalPort(int fd, std::string *addr = nullptr)
{
    struct sockaddr_in sa;
    socklen_t len = sizeof sa;
    getsockname(fd, reinterpret_cast<sockaddr *>(&sa), &len);
    if (addr) {
        char text[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &sa.sin_addr, text, sizeof text);
        *addr = text;
    }
    return ntohs(sa.sin_port);
}

TEST(UdpPort, DatagramsBothWays)
{
    UdpPeer peer("127.0.0.1", 0);
    const int fds = CountOpenFds();
    NZUdpClientIO_linux port;
    ASSERT_TRUE(port.Open(nullptr, 0, "127.0.0.1", peer.Port()));
    EXPECT_TRUE(port.IsReadThreadRunning());
    EXPECT_EQ(IntOpt(port.GetSocket(), SOL_SOCKET, SO_BROADCAST), 1);
    EXPECT_EQ(IntOpt(port.GetSocket(), SOL_SOCKET, SO_REUSEADDR), 1);
    const unsigned char msg[] = {0x10, 0x04, 0x01};
    EXPECT_EQ(port.Write(msg, 3, 1000), 3);
    unsigned short from = 0;
    EXPECT_EQ(Recv(peer, 2000, &from), std::string("\x10\x04\x01", 3));
    SendTo(peer, from, "status");
    unsigned char buf[16];
    EXPECT_EQ(port.Read(buf, 6, 2000), 6);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 6), "status");
    port.Close();
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(UdpPort, NonThreadedReceiveAndSender)
{
    UdpPeer peer("127.0.0.1", 0);
    NZUdpClientIO_linux port;
    ASSERT_TRUE(port.OpenNonThread("127.0.0.1", 0, "127.0.0.1", peer.Port()));
    EXPECT_FALSE(port.IsReadThreadRunning());
    EXPECT_EQ(IntOpt(port.GetSocket(), SOL_SOCKET, SO_BROADCAST), 0);
    const unsigned short local = LocalPort(port.GetSocket());
    ASSERT_NE(local, 0);
    SendTo(peer, local, "");
    SendTo(peer, local, "hello");
    unsigned char buf[16];
    // An empty datagram reads as 0, like a time-out.
    EXPECT_EQ(port.BaseReadDirectly(buf, sizeof buf, 1000), 0);
    unsigned int addr = 0;
    unsigned short portOut = 0;
    ASSERT_TRUE(port.setsockopt_rcvtimeo(1000));
    EXPECT_EQ(port.socket_recvfrom(buf, sizeof buf, &addr, &portOut), 5);
    EXPECT_EQ(addr, htonl(INADDR_LOOPBACK));
    EXPECT_EQ(portOut, htons(peer.Port())); // as stored in the address record
    const int64_t t0 = NZUtils_MonotonicMs();
    EXPECT_EQ(port.BaseReadDirectly(buf, sizeof buf, 150), 0);
    EXPECT_GE(NZUtils_MonotonicMs() - t0, 140);
    EXPECT_FALSE(port.IsInvalid());
    EXPECT_EQ(port.socket_sendto(reinterpret_cast<const unsigned char *>("x"), 1, htonl(INADDR_LOOPBACK),
                                 peer.Port()),
              1);
    EXPECT_EQ(Recv(peer, 1000), "x");
    port.Close();
}

// UDP has no connection to lose: a datagram the system refuses fails that one write, with
// its message, and the port stays open and valid, with a read thread or without.
TEST(UdpPort, RefusedSendFailsThatWriteOnly)
{
    TestNetns ns(false); // loopback only: nothing else is routed
    REQUIRE_NETNS(ns);
    const struct {
        const char *what;
        bool threaded;
        const char *dest;
        unsigned int size;
    } rows[] = {
        {"no route, connection port", true, "192.0.2.1", 8},
        {"no route, sender without read thread", false, "192.0.2.1", 8},
        {"datagram too large", true, "127.0.0.1", 70000},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_TRUE(ns.Run(false, [&] {
            NZUdpClientIO_linux port;
            const bool opened = row.threaded ? port.Open(nullptr, 0, row.dest, 9100)
                                             : port.OpenNonThread(nullptr, 0, row.dest, 9100);
            ASSERT_TRUE(opened);
            const std::vector<unsigned char> data(row.size, 0x1B);
            testing::internal::CaptureStdout();
            EXPECT_EQ(port.Write(data.data(), row.size, 500), -1);
            EXPECT_FALSE(WaitFor([&] { return !port.IsOpened(); }, 200));
            EXPECT_EQ(port.Write(data.data(), row.size, 500), -1);
            const std::string out = testing::internal::GetCapturedStdout();
            EXPECT_FALSE(port.IsInvalid());
            EXPECT_EQ(quorvane_test::CountOf(out, "sendto error"), 2u) << out;
            port.Close();
        }));
    }
}

TEST(UdpPort, LocalAddressesAndDestinations)
{
    UdpPeer peer("127.0.0.1", 0);
    const int fds = CountOpenFds();
    {
        // No local address or port: nothing bound until the first send.
        NZUdpClientIO_linux port;
        ASSERT_TRUE(port.OpenNonThread(nullptr, 0, "127.0.0.1", peer.Port()));
        EXPECT_EQ(LocalPort(port.GetSocket()), 0);
        port.Close();
        ASSERT_TRUE(port.OpenNonThread("", 0, "127.0.0.1", peer.Port()));
        EXPECT_EQ(LocalPort(port.GetSocket()), 0);
        port.Close();
    }
    {
        // A local port without an address binds any address, never 255.255.255.255.
        unsigned short p;
        {
            UdpPeer spare("127.0.0.1", 0); // only to find a free port
            p = spare.Port();
        }
        NZUdpClientIO_linux port;
        ASSERT_TRUE(port.OpenNonThread(nullptr, p, "127.0.0.1", peer.Port()));
        std::string addr;
        EXPECT_EQ(LocalPort(port.GetSocket(), &addr), p);
        EXPECT_EQ(addr, "0.0.0.0");
        port.Close();
    }
    const struct {
        const char *local;
        const char *dest;
        bool ok;
    } rows[] = {
        {"127.0.0.1", "127.0.0.1", true}, {"0.0.0.0", "255.255.255.255", true}, {"bogus", "127.0.0.1", false},
        {"192.0.2.77", "127.0.0.1", false}, {nullptr, "bogus", false},       {nullptr, "", false},
        {nullptr, nullptr, false},
    };
    for (const auto &row : rows) {
        NZUdpClientIO_linux port;
        EXPECT_EQ(port.Open(row.local, 0, row.dest, peer.Port()), row.ok)
            << (row.local ? row.local : "(null)") << " -> " << (row.dest ? row.dest : "(null)");
        port.Close();
        EXPECT_EQ(port.GetSocket(), -1);
    }
    NZUdpClientIO_linux one;
    ASSERT_TRUE(one.Open("127.0.0.1"));
    EXPECT_EQ(one.GetDestPort(), 5100);
    EXPECT_EQ(one.GetDestAddress(), htonl(INADDR_LOOPBACK));
    one.Close();
    ASSERT_TRUE(one.OpenNonThreadW(L"", 0, L"127.0.0.1", 7));
    EXPECT_EQ(one.GetDestPort(), 7);
    one.Close();
    EXPECT_EQ(CountOpenFds(), fds);
}

} // namespace

// A time-out longer than the longest wait one poll can take (INT_MAX ms, about 24.8 days)
// is waited out whole. The longest single wait is lowered to 20 ms here, so a 300 ms
// time-out takes several polls: each row must last the whole 300 ms, not one poll's wait.
TEST(SocketWaits, TimeOutsLongerThanOnePollAreWaitedOutWhole)
{
    struct LongestWait {
        LongestWait() { NZUtils_SetLongestWaitMs(20); }
        ~LongestWait() { NZUtils_SetLongestWaitMs(0); }
    };
    const unsigned int timeoutMs = 300;
    std::vector<unsigned char> big(32 << 20, 0x41);
    const struct {
        const char *what;
        // Runs the wait and says whether it ended as a time-out should (nothing done).
        std::function<bool()> wait;
    } rows[] = {
        {"TCP write to a printer that reads nothing",
         [&] {
             Listener l;
             NZTcpClientIO_linux port;
             if (!l.ok() || !port.Open(nullptr, "127.0.0.1", l.port(), 2000))
                 return false;
             const int peer = l.Accept(2000);
             const int n = port.Write(big.data(), static_cast<unsigned int>(big.size()), timeoutMs);
             close(peer);
             port.Close();
             return n > 0 && n < static_cast<int>(big.size());
         }},
        {"UDP receive with nothing coming",
         [&] {
             NZUdpClientIO_linux port;
             if (!port.OpenNonThread("127.0.0.1", 0, "127.0.0.1", 9))
                 return false;
             unsigned char b[64];
             const int n = port.ReadDirectly(b, sizeof b, timeoutMs);
             port.Close();
             return n == 0;
         }},
        {"TCP connect to a full listen queue",
         [&] {
             FullQueue full;
             NZTcpClientIO_linux port;
             return full.Start() && !port.Open(nullptr, "127.0.0.1", full.Port(), timeoutMs);
         }},
    };
    LongestWait shortPolls;
    for (const auto &row : rows) {
        testing::internal::CaptureStdout();
        const int64_t t0 = NZUtils_MonotonicMs();
        const bool timedOut = row.wait();
        const int64_t took = NZUtils_MonotonicMs() - t0;
        testing::internal::GetCapturedStdout();
        EXPECT_TRUE(timedOut) << row.what;
        EXPECT_GE(took, timeoutMs - 10) << row.what;
        EXPECT_LT(took, 3000) << row.what;
    }
}
