// A plain UDP socket for tests: the far end of a transport (responder, fake printer).
#ifndef QUORVANE_TESTS_SUPPORT_UDPPEER_H
#define QUORVANE_TESTS_SUPPORT_UDPPEER_H

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane_test {

struct Datagram {
    std::vector<unsigned char> data;
    uint32_t addr;   // sender, network order
    uint16_t port;   // sender, host order
    int64_t atMs;    // arrival time stamped by the kernel (wall clock ms): compare differences only
};

class UdpPeer {
public:
    // Binds to ip:port (port 0: any free port); Ok() tells whether it worked.
    UdpPeer(const char *ip, unsigned short port);
    ~UdpPeer();
    bool Ok() const { return m_fd >= 0; }
    unsigned short Port() const { return m_port; }
    int Fd() const { return m_fd; }
    void EnableBroadcast();
    // Waits up to timeoutMs for one datagram; false on time-out.
    bool Receive(Datagram &out, int timeoutMs);
    bool SendTo(const std::vector<unsigned char> &data, uint32_t addr, uint16_t port);
    bool SendTo(const std::vector<unsigned char> &data, const char *ip, uint16_t port);

private:
    UdpPeer(const UdpPeer &) = delete;
    UdpPeer &operator=(const UdpPeer &) = delete;
    int m_fd;
    unsigned short m_port;
};

uint32_t Ipv4(const char *text); // network order

} // namespace quorvane_test

#endif
