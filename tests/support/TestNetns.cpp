#include "support/TestNetns.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "support/UdpPeer.h"

extern char **environ;

namespace quorvane_test {

namespace {

const char kPrefix[] = "qvtest_";
const unsigned short kProbePort = 39999;

// Runs "ip <args>" quietly; true on exit status 0.
bool ip(const std::vector<std::string> &args)
{
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>("ip"));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid;
    const int rc = posix_spawnp(&pid, "ip", &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (rc != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Namespaces left by test runs that died before cleaning up.
void removeStale()
{
    DIR *d = opendir("/run/netns");
    if (!d)
        return;
    std::vector<std::string> stale;
    while (struct dirent *e = readdir(d)) {
        if (strncmp(e->d_name, kPrefix, sizeof(kPrefix) - 1) != 0)
            continue;
        const long pid = strtol(e->d_name + sizeof(kPrefix) - 1, nullptr, 10);
        if (pid > 0 && pid != getpid() && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            stale.push_back(e->d_name);
    }
    closedir(d);
    for (const std::string &name : stale)
        ip({"netns", "del", name});
}

bool enter(const std::string &name)
{
    const std::string path = "/run/netns/" + name;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = setns(fd, CLONE_NEWNET) == 0;
    close(fd);
    return ok;
}

} // namespace

TestNetns::TestNetns(bool withPeer) : m_ok(false), m_withPeer(withPeer)
{
    static std::atomic<int> serial(0);
    if (geteuid() != 0) {
        m_reason = "network namespaces need root; broadcast test skipped";
        return;
    }
    removeStale();
    const int n = serial.fetch_add(1);
    const std::string tag = std::to_string(getpid()) + "_" + std::to_string(n);
    m_local = kPrefix + tag + "_a";
    m_peer = kPrefix + tag + "_b";
    if (!ip({"netns", "add", m_local})) {
        m_reason = "cannot create a network namespace (ip netns add failed); broadcast test skipped";
        m_local.clear();
        return;
    }
    if (!ip({"-n", m_local, "link", "set", "lo", "up"})) {
        m_reason = "cannot bring up loopback in the test namespace; broadcast test skipped";
        return;
    }
    if (!withPeer) {
        // Limited broadcasts go out through loopback and stay in the namespace.
        if (!ip({"-n", m_local, "route", "add", "broadcast", "255.255.255.255", "dev", "lo", "table", "local"})) {
            m_reason = "cannot add the loopback broadcast route in the test namespace; broadcast test skipped";
            return;
        }
    } else {
        const std::string id = std::to_string(getpid() % 100000) + "x" + std::to_string(n % 100);
        m_vethA = "qa" + id;
        const std::string &vethA = m_vethA;
        const std::string vethB = "qb" + id;
        if (!ip({"netns", "add", m_peer})) {
            m_peer.clear();
            m_reason = "cannot create the peer network namespace; broadcast test skipped";
            return;
        }
        const bool ok = ip({"-n", m_peer, "link", "set", "lo", "up"}) &&
                        ip({"link", "add", vethA, "netns", m_local, "type", "veth", "peer", "name", vethB,
                            "netns", m_peer}) &&
                        ip({"-n", m_local, "addr", "add", std::string(LocalAddress()) + "/24", "dev", vethA}) &&
                        ip({"-n", m_peer, "addr", "add", std::string(PeerAddress()) + "/24", "dev", vethB}) &&
                        ip({"-n", m_local, "link", "set", vethA, "up"}) &&
                        ip({"-n", m_peer, "link", "set", vethB, "up"}) &&
                        ip({"-n", m_local, "route", "add", "default", "dev", vethA});
        if (!ok) {
            m_reason = "cannot set up the veth pair between test namespaces; broadcast test skipped";
            return;
        }
    }
    m_ok = true;
    if (!Run(false, [] {})) {
        m_ok = false;
        m_reason = "cannot enter the test network namespace (setns failed); broadcast test skipped";
        return;
    }
    if (withPeer && !linkCarries()) {
        m_ok = false;
        m_reason = "the veth pair between test namespaces carries no traffic; broadcast test skipped";
    }
}

// A fresh veth pair may drop the first datagrams until both ends are up: probe it.
bool TestNetns::linkCarries()
{
    std::atomic<bool> got(false);
    std::atomic<int> listening(0);
    std::thread peer = Start(true, [&] {
        UdpPeer sock(PeerAddress(), kProbePort);
        if (!sock.Ok()) {
            listening = -1;
            return;
        }
        listening = 1;
        Datagram d;
        got = sock.Receive(d, 5000);
    });
    std::thread local = Start(false, [&] {
        while (listening.load() == 0)
            usleep(1000);
        UdpPeer sock("0.0.0.0", 0);
        const std::vector<unsigned char> probe = {'p', 'r', 'o', 'b', 'e'};
        for (int i = 0; sock.Ok() && listening.load() > 0 && i < 250 && !got.load(); ++i) {
            sock.SendTo(probe, PeerAddress(), kProbePort);
            usleep(20000);
        }
    });
    local.join();
    peer.join();
    return got.load();
}

bool TestNetns::SetRoutes(bool present)
{
    if (!m_ok || !m_withPeer)
        return false;
    if (!present)
        return ip({"-n", m_local, "route", "flush", "dev", m_vethA});
    return ip({"-n", m_local, "route", "replace", "10.77.0.0/24", "dev", m_vethA, "src", LocalAddress()}) &&
           ip({"-n", m_local, "route", "replace", "default", "dev", m_vethA});
}

TestNetns::~TestNetns()
{
    if (!m_peer.empty())
        ip({"netns", "del", m_peer});
    if (!m_local.empty())
        ip({"netns", "del", m_local});
}

std::thread TestNetns::Start(bool inPeer, std::function<void()> fn, bool *entered)
{
    if (entered)
        *entered = false;
    const std::string name = inPeer ? m_peer : m_local;
    const bool usable = m_ok && !name.empty() && (!inPeer || m_withPeer);
    return std::thread([name, usable, fn, entered] {
        if (!usable || !enter(name))
            return;
        if (entered)
            *entered = true;
        fn();
    });
}

bool TestNetns::Run(bool inPeer, std::function<void()> fn)
{
    bool entered = false;
    std::thread t = Start(inPeer, fn, &entered);
    t.join();
    return entered;
}

} // namespace quorvane_test
