// A scripted printer on a UDP socket of 127.0.0.1 (or of a test namespace's address):
// records every packet and answers the n-th (1-based) with the datagrams the script gives.
#ifndef QUORVANE_TESTS_SUPPORT_UDPFAKEPRINTER_H
#define QUORVANE_TESTS_SUPPORT_UDPFAKEPRINTER_H

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "support/TestUtil.h"
#include "support/UdpPeer.h"

namespace quorvane_test {

class UdpFakePrinter {
public:
    typedef std::function<std::vector<Bytes>(int n, const Bytes &packet)> Script;

    explicit UdpFakePrinter(Script script)
        : m_sock(new UdpPeer("127.0.0.1", 0)), m_port(m_sock->Port()), m_script(std::move(script)), m_stop(false)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~UdpFakePrinter() { Stop(); }
    // Ends the printer's thread and closes its socket.
    void Stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        m_sock.reset();
    }
    unsigned short Port() const { return m_port; }
    std::vector<Datagram> Packets()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_packets;
    }

private:
    void run()
    {
        int n = 0;
        while (!m_stop.load()) {
            Datagram d;
            if (!m_sock->Receive(d, 5))
                continue;
            {
                std::lock_guard<std::mutex> g(m_lock);
                m_packets.push_back(d);
            }
            for (const Bytes &reply : m_script(++n, d.data))
                m_sock->SendTo(reply, d.addr, d.port);
        }
        // Record what is still queued, so a stopped printer has seen every packet sent.
        Datagram d;
        while (m_sock->Receive(d, 0)) {
            std::lock_guard<std::mutex> g(m_lock);
            m_packets.push_back(d);
        }
    }

    std::unique_ptr<UdpPeer> m_sock;
    unsigned short m_port;
    Script m_script;
    std::atomic<bool> m_stop;
    std::mutex m_lock;
    std::vector<Datagram> m_packets;
    std::thread m_thread;
};


} // namespace quorvane_test

#endif
