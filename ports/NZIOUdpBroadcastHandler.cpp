#include "ports/NZIOUdpBroadcastHandler.h"

#include <cstdlib>
#include <sys/socket.h>

#include "ports/NZUtils.h"

void NZIOUdp_WakeReceiver(NZUdpClientIO_linux &port)
{
    // The owner closes the socket only after its receive thread has ended, so the
    // descriptor is still this socket's. On an unconnected datagram socket shutdown
    // reports ENOTCONN but still ends blocked and later receives.
    const int fd = port.GetSocket();
    if (fd >= 0)
        shutdown(fd, SHUT_RDWR);
}

NZIOUdpBroadcastHandler::NZIOUdpBroadcastHandler()
    : m_startRequests(0), m_threadsStarted(0), m_threadsExited(0), m_stop(false), m_callback(nullptr),
      m_user(nullptr)
{
}

NZIOUdpBroadcastHandler::~NZIOUdpBroadcastHandler()
{
    StopReadThread();
    WaitReadThreadFinished();
}

void NZIOUdpBroadcastHandler::SetDatagramCallback(NZIOUdpDatagramCallback callback, void *user)
{
    m_callback = callback;
    m_user = user;
}

void NZIOUdpBroadcastHandler::StartReadThread()
{
    m_startRequests.fetch_add(1);
    m_stop = false;
    if (!NZIOThread::StartThread(&NZIOUdpBroadcastHandler::readThreadFunc, this)) {
        m_threadsStarted.fetch_add(1);
        m_threadsExited.fetch_add(1);
    }
}

void NZIOUdpBroadcastHandler::WaitReadThreadStarted()
{
    while (m_threadsStarted.load() != m_startRequests.load())
        NZIOSleep::SleepMs(1);
}

void NZIOUdpBroadcastHandler::StopReadThread()
{
    m_stop = true;
    if (m_threadsExited.load() != m_startRequests.load())
        NZIOUdp_WakeReceiver(m_port);
}

void NZIOUdpBroadcastHandler::WaitReadThreadFinished()
{
    while (m_threadsExited.load() != m_startRequests.load())
        NZIOSleep::SleepMs(1);
}

void NZIOUdpBroadcastHandler::readThreadFunc(void *arg)
{
    NZIOUdpBroadcastHandler *self = static_cast<NZIOUdpBroadcastHandler *>(arg);
    self->m_threadsStarted.fetch_add(1);
    const unsigned int size = 4096;
    unsigned char *buf = static_cast<unsigned char *>(malloc(size));
    if (buf) {
        while (self->m_port.IsOpened() && !self->m_stop.load()) {
            unsigned int addr = 0;
            unsigned short port = 0;
            const int n = self->m_port.socket_recvfrom(buf, size, &addr, &port);
            if (n <= 0) {
                NZIOSleep::SleepMs(1);
                continue;
            }
            // What the datagram's handler throws (memory running out) drops that datagram.
            try {
                if (self->m_callback)
                    self->m_callback(buf, static_cast<unsigned int>(n), addr, port, self->m_user);
            } catch (...) {
            }
        }
        free(buf);
    }
    self->m_threadsExited.fetch_add(1);
}
