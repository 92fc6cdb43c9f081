// Scripted printers on UDP sockets: each records every packet and answers the n-th (1-based)
// with the datagrams its script gives.
//   UdpResponder   serves on the thread that calls Run(), e.g. one that entered a test
//                  network namespace first, on any address and port;
//   UdpFakePrinter serves on a thread of its own on a free port of 127.0.0.1.
#ifndef QUORVANE_TESTS_SUPPORT_UDPFAKEPRINTER_H
#define QUORVANE_TESTS_SUPPORT_UDPFAKEPRINTER_H

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/TestUtil.h"
#include "support/UdpPeer.h"

namespace quorvane_test {

class UdpResponder {
public:
    typedef std::function<std::vector<Bytes>(int n, const Datagram &packet)> Script;

    UdpResponder(const std::string &ip, unsigned short port, Script script)
        : m_ip(ip), m_port(port), m_script(std::move(script)), m_stop(false), m_ready(0), m_count(0)
    {
    }
    UdpResponder(const UdpResponder &) = delete;
    UdpResponder &operator=(const UdpResponder &) = delete;

    // Binds the socket now (Run binds it when this was not called); false if it cannot.
    bool Bind()
    {
        if (!m_sock) {
            m_sock.reset(new UdpPeer(m_ip.c_str(), m_port));
            m_boundPort = m_sock->Port();
            m_ready = m_sock->Ok() ? 1 : -1;
        }
        return m_sock->Ok();
    }
    // Serves until Stop(); what is still queued then is recorded too, so a stopped printer
    // has seen every packet sent to it. Closes the socket on return.
    void Run()
    {
        if (!Bind())
            return;
        int n = 0;
        while (!m_stop.load()) {
            Datagram d;
            if (!m_sock->Receive(d, 5))
                continue;
            record(d);
            for (const Bytes &reply : m_script(++n, d))
                m_sock->SendTo(reply, d.addr, d.port);
        }
        Datagram d;
        while (m_sock->Receive(d, 0))
            record(d);
        m_sock.reset();
    }
    void Stop() { m_stop = true; }
    // Waits until the socket is bound; false if binding failed or took too long.
    bool WaitReady(int timeoutMs = 5000) const
    {
        return WaitFor([&] { return m_ready.load() != 0; }, timeoutMs) && m_ready.load() > 0;
    }
    unsigned short Port() const { return m_boundPort; } // once bound
    int Count() const { return m_count.load(); }
    std::vector<Datagram> Packets()
    {
        std::lock_guard<std::mutex> g(m_lock);
        return m_packets;
    }

private:
    void record(const Datagram &d)
    {
        std::lock_guard<std::mutex> g(m_lock);
        m_packets.push_back(d);
        m_count.fetch_add(1);
    }

    const std::string m_ip;
    const unsigned short m_port;
    Script m_script;
    std::unique_ptr<UdpPeer> m_sock;
    unsigned short m_boundPort = 0;
    std::atomic<bool> m_stop;
    std::atomic<int> m_ready;
    std::atomic<int> m_count;
    std::mutex m_lock;
    std::vector<Datagram> m_packets;
};

class UdpFakePrinter {
public:
    typedef std::function<std::vector<Bytes>(int n, const Bytes &packet)> Script;

    explicit UdpFakePrinter(Script script)
        : m_responder("127.0.0.1", 0, [script](int n, const Datagram &d) { return script(n, d.data); })
    {
        m_responder.Bind();
        m_port = m_responder.Port();
        m_thread = std::thread([this] { m_responder.Run(); });
    }
    ~UdpFakePrinter() { Stop(); }
    // Ends the printer's thread and closes its socket.
    void Stop()
    {
        m_responder.Stop();
        if (m_thread.joinable())
            m_thread.join();
    }
    unsigned short Port() const { return m_port; }
    std::vector<Datagram> Packets() { return m_responder.Packets(); }

private:
    UdpResponder m_responder;
    unsigned short m_port;
    std::thread m_thread;
};

} // namespace quorvane_test

#endif
