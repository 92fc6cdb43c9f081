// One UDP socket plus a receive thread that hands every datagram to a callback; used by
// LAN printer discovery, one handler per local address and protocol.
#ifndef QUORVANE_PORTS_NZIOUDPBROADCASTHANDLER_H
#define QUORVANE_PORTS_NZIOUDPBROADCASTHANDLER_H

#include <atomic>

#include "ports/NZUdpClientIO_linux.h"

// Datagram callback: data, length, sender address (network order), sender port (network
// order, as the socket reports it), user pointer. Runs on the receive thread.
typedef void (*NZIOUdpDatagramCallback)(const unsigned char *data, unsigned int length, unsigned int senderAddr,
                                        unsigned short senderPort, void *user);

class NZIOUdpBroadcastHandler {
public:
    NZIOUdpBroadcastHandler();
    // Stops and waits for the receive thread; the owner closes the port before.
    virtual ~NZIOUdpBroadcastHandler();

    // The embedded socket; the owner opens it (OpenNonThread) and closes it.
    NZUdpClientIO_linux &Port() { return m_port; }
    // Set before StartReadThread.
    void SetDatagramCallback(NZIOUdpDatagramCallback callback, void *user);

    // Starts the receive thread on a new detached thread. A thread that cannot be
    // created counts as started and exited, so the waits below never hang.
    void StartReadThread();
    void WaitReadThreadStarted();
    // Asks the receive thread to end and wakes a receive in progress; returns at once.
    // The socket receives nothing more afterwards: it is then only to be closed.
    void StopReadThread();
    // Waits until every started thread has ended (at once when none was started).
    void WaitReadThreadFinished();

    static void readThreadFunc(void *handler);

private:
    NZIOUdpBroadcastHandler(const NZIOUdpBroadcastHandler &) = delete;
    NZIOUdpBroadcastHandler &operator=(const NZIOUdpBroadcastHandler &) = delete;

    std::atomic<int> m_startRequests;
    std::atomic<int> m_threadsStarted;
    std::atomic<int> m_threadsExited;
    std::atomic<bool> m_stop;
    NZUdpClientIO_linux m_port;
    NZIOUdpDatagramCallback m_callback;
    void *m_user;
};

// Wakes a receive blocked on the port's socket (it then returns at once) without closing
// the descriptor, so a receive thread can be stopped before its socket is closed.
void NZIOUdp_WakeReceiver(NZUdpClientIO_linux &port);

#endif
