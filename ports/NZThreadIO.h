// Base of every port that receives on its own: a detached read thread fills the
// receive ring and raises the received event; device loss closes the port on a
// close thread so the owner hears of it without asking.
#ifndef QUORVANE_PORTS_NZTHREADIO_H
#define QUORVANE_PORTS_NZTHREADIO_H

#include <atomic>

#include "ports/NZIOBase.h"
#include "ports/NZIORxBuffer.h"

class NZThreadIO : public virtual NZIO {
public:
    NZThreadIO();
    ~NZThreadIO() override;

    // Takes bytes from the ring until len arrived or the time is up; bytes already in the
    // ring are returned before a closed or thread-less port reports -1.
    int BaseRead(unsigned char *buf, unsigned int len, unsigned int timeoutMs) override;
    void SkipAvailable() override;
    virtual void SkipAvailable(unsigned int count);

    // Starts the read thread and waits for it to run; false when it could not be created.
    bool StartReadThread();
    // Asks the read thread to end and waits for it (never from the read thread itself).
    void StopReadThread();
    bool WaitReadThreadFinished(unsigned int timeoutMs);
    // The largest read the thread makes: a UDP datagram can carry no more, and reading one
    // whole is the only way to have all of it (the system drops what a read leaves).
    static constexpr unsigned int MaxReadPacketSize = 65535;
    // 0 becomes 1, sizes above MaxReadPacketSize become that. The thread's buffer is sized
    // when it starts, so a larger size than it had takes effect with the next start.
    void SetReadPacketSize(unsigned int size);
    unsigned int GetReadPacketSize() const { return m_packetSize; }
    // While reads are held, each start of the read thread leaves it waiting, and the
    // system keeps what arrives, until ReleaseReads. An owner that installs its receive
    // hooks after the open holds reads first, so nothing arrives before the hooks do. A
    // stop still ends a held thread; ReleaseReads also ends the hold for later opens.
    void HoldReads() { m_holdReads = true; }
    void ReleaseReads()
    {
        m_holdReads = false;
        m_readsReleased = true;
    }
    bool StartCloseThread();
    void StopCloseThread();
    bool IsReadThreadRunning() const;
    // True on this port's read thread (inside its received event, for example).
    bool OnReadThread() const;
    // True on the read thread of any port (inside some port's received event).
    static bool OnAnyReadThread();
    unsigned int AvailableInRing() const { return m_ring->Available(); }

    static void readThreadFunc(void *port);
    static void closeThreadFunc(void *port);

protected:
    bool DeferClose() override;
    // A send the system refused for good (the connection is gone, not a time-out): marks
    // the port invalid, as a receive error does, and has the close thread close it, also
    // when the read thread has already ended (a printer that closed its side). Only ports
    // opened with a read thread are watched this way; sockets that send without one
    // (discovery, wireless set-up) retry as they please and are left as they are.
    void MarkLostBySend();
    // Our own close begins: failures that follow are its doing and start no close thread.
    void EndLossWatch() { m_lossWatch = false; }

private:
    NZIORxBuffer *m_ring;
    // The read thread's packet buffer, allocated by StartReadThread for the packet size.
    unsigned char *m_packet;
    unsigned int m_packetCapacity;
    std::atomic<int> m_readRequests;
    std::atomic<int> m_readStarts;
    std::atomic<int> m_readExits;
    std::atomic<bool> m_stop;
    std::atomic<unsigned int> m_packetSize;
    std::atomic<bool> m_holdReads;
    std::atomic<bool> m_readsReleased;
    std::atomic<int> m_closeRequests;
    std::atomic<int> m_closeStarts;
    std::atomic<int> m_closeExits;
    // Set by each start of the read thread; the first loss to be reported (by the read
    // thread or by a failed send) clears it and starts the close thread, so one loss
    // starts one close thread however it was seen.
    std::atomic<bool> m_lossWatch;
    void StartLossClose();
};

#endif
