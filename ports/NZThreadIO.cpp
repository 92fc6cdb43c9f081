#include "ports/NZThreadIO.h"

#include <cstdlib>

#include "ports/NZUtils.h"

namespace {
// The port whose read thread / close thread is the current thread, if any.
thread_local const NZThreadIO *tl_readPort = nullptr;
thread_local const NZThreadIO *tl_closePort = nullptr;
}

NZThreadIO::NZThreadIO()
    : m_ring(new NZIORxBuffer(16384)), m_packet(nullptr), m_packetCapacity(0), m_readRequests(0), m_readStarts(0),
      m_readExits(0), m_stop(false), m_packetSize(64), m_holdReads(false), m_readsReleased(true), m_closeRequests(0), m_closeStarts(0), m_closeExits(0),
      m_lossWatch(false)
{
}

NZThreadIO::~NZThreadIO()
{
    StopReadThread();
    StopCloseThread();
    delete m_ring;
    free(m_packet);
}

void NZThreadIO::SetReadPacketSize(unsigned int size)
{
    if (size == 0)
        size = 1;
    if (size > MaxReadPacketSize)
        size = MaxReadPacketSize;
    m_packetSize = size;
}

bool NZThreadIO::IsReadThreadRunning() const { return m_readRequests.load() != m_readExits.load(); }
bool NZThreadIO::OnReadThread() const { return tl_readPort == this; }
bool NZThreadIO::OnAnyReadThread() { return tl_readPort != nullptr; }

bool NZThreadIO::StartReadThread()
{
    // The ring's storage and the packet buffer come with the first open: idle port objects
    // hold neither. A larger packet size set since then needs a new buffer, which is only
    // swapped while no read thread uses the old one.
    if (!m_ring->Allocate())
        return false;
    if (m_packetCapacity < m_packetSize) {
        if (IsReadThreadRunning())
            return false;
        const unsigned int size = m_packetSize;
        unsigned char *packet = static_cast<unsigned char *>(malloc(size));
        if (!packet)
            return false;
        free(m_packet);
        m_packet = packet;
        m_packetCapacity = size;
    }
    const int target = m_readStarts.load() + 1;
    m_readRequests.fetch_add(1);
    m_stop = false;
    m_readsReleased = !m_holdReads.load();
    m_lossWatch = true;
    if (!NZIOThread::StartThread(&NZThreadIO::readThreadFunc, this)) {
        m_lossWatch = false;
        m_readRequests.fetch_sub(1);
        return false;
    }
    while (m_readStarts.load() < target)
        NZIOSleep::SleepMs(1);
    return true;
}

void NZThreadIO::StopReadThread()
{
    m_stop = true;
    if (OnReadThread())
        return; // the thread sees the stop flag when its callback returns
    while (m_readExits.load() != m_readRequests.load())
        NZIOSleep::SleepMs(1);
}

bool NZThreadIO::WaitReadThreadFinished(unsigned int timeoutMs)
{
    if (OnReadThread())
        return false;
    NZSecondsTimer timer(timeoutMs);
    while (IsReadThreadRunning()) {
        if (timer.IsUp())
            return false;
        NZIOSleep::SleepMs(1);
    }
    return true;
}

bool NZThreadIO::StartCloseThread()
{
    const int target = m_closeStarts.load() + 1;
    m_closeRequests.fetch_add(1);
    if (!NZIOThread::StartThread(&NZThreadIO::closeThreadFunc, this)) {
        m_closeRequests.fetch_sub(1);
        return false;
    }
    while (m_closeStarts.load() < target)
        NZIOSleep::SleepMs(1);
    return true;
}

void NZThreadIO::StopCloseThread()
{
    if (tl_closePort == this)
        return;
    while (m_closeExits.load() != m_closeRequests.load())
        NZIOSleep::SleepMs(1);
}

void NZThreadIO::StartLossClose()
{
    if (m_lossWatch.exchange(false))
        StartCloseThread();
}

void NZThreadIO::MarkLostBySend()
{
    if (!m_lossWatch.load() || !IsOpened())
        return;
    SetInvalid(true);
    StartLossClose();
}

bool NZThreadIO::DeferClose()
{
    // A close asked for on the read thread (from a received event) must not wait for that
    // thread to end: hand it to the close thread and return.
    if (!OnReadThread())
        return false;
    StartCloseThread();
    return true;
}

void NZThreadIO::readThreadFunc(void *arg)
{
    NZThreadIO *port = static_cast<NZThreadIO *>(arg);
    tl_readPort = port;
    port->m_readStarts.fetch_add(1);
    unsigned char *const packet = port->m_packet;
    const unsigned int capacity = port->m_packetCapacity;
    bool closeAsked = false;
    while (!port->m_readsReleased.load() && !port->m_stop)
        NZIOSleep::SleepMs(1);
    while (!port->m_stop) {
        if (!port->IsOpened())
            break;
        if (port->IsInvalid()) {
            closeAsked = true;
            break;
        }
        if (port->IsUnreadable() || port->IsCancelRead())
            break;
        const unsigned int size = port->m_packetSize;
        // The received hook runs in here; what it throws (memory running out) drops this
        // piece of data and the thread goes on.
        int n = 0;
        try {
            n = port->ReadDirectly(packet, size < capacity ? size : capacity, 100);
        } catch (...) {
            continue;
        }
        if (n > 0) {
            for (int i = 0; i < n; ++i) {
                if (!port->IsOpened() || port->IsInvalid() || port->IsUnreadable() || port->IsCancelRead())
                    break;
                if (port->m_ring->IsFull())
                    break;
                port->m_ring->PushBack(packet[i]);
            }
        } else if (n == 0) {
            NZIOSleep::SleepMs(1);
        }
    }
    tl_readPort = nullptr;
    // Start the close thread before counting the exit, so a waiter that sees this thread
    // gone also sees the close on its way.
    if (closeAsked)
        port->StartLossClose();
    port->m_readExits.fetch_add(1);
}

void NZThreadIO::closeThreadFunc(void *arg)
{
    NZThreadIO *port = static_cast<NZThreadIO *>(arg);
    tl_closePort = port;
    port->m_closeStarts.fetch_add(1);
    try {
        port->Close();
    } catch (...) {
        // counted as ended all the same, so no waiter hangs
    }
    tl_closePort = nullptr;
    port->m_closeExits.fetch_add(1);
}

int NZThreadIO::BaseRead(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    if (!buf && len != 0)
        return -1;
    NZSecondsTimer timer(timeoutMs);
    unsigned int count = 0;
    for (;;) {
        if (count == len)
            return static_cast<int>(count);
        if (!m_ring->IsEmpty()) {
            buf[count++] = m_ring->PopFront();
            continue;
        }
        if (m_stop || !IsReadThreadRunning() || !IsOpened() || IsInvalid() || IsUnreadable() || IsCancelRead())
            return count > 0 ? static_cast<int>(count) : -1;
        if (timer.IsUp())
            return static_cast<int>(count);
        NZIOSleep::SleepMs(1);
    }
}

void NZThreadIO::SkipAvailable()
{
    while (!m_ring->IsEmpty())
        m_ring->PopFront();
}

void NZThreadIO::SkipAvailable(unsigned int count)
{
    while (count > 0 && !m_ring->IsEmpty()) {
        m_ring->PopFront();
        --count;
    }
}
