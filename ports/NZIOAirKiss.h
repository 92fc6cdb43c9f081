// AirKiss Wi-Fi provisioning: broadcasts zero-filled datagrams whose lengths carry the SSID,
// the password and a random byte (UDP port 10000 to 255.255.255.255:10000), pass after
// pass, until the printer confirms by sending the random byte back, the time limit passes
// or the caller cancels.
#ifndef QUORVANE_PORTS_NZIOAIRKISS_H
#define QUORVANE_PORTS_NZIOAIRKISS_H

#include <atomic>
#include <mutex>

#include "ports/NZUdpClientIO_linux.h"

class NZIOAirKiss {
public:
    NZIOAirKiss();
    ~NZIOAirKiss();

    // One provisioning run; 1 when the printer confirmed, else 0. Runs on one object are
    // serialised; the run ends once more than ceil(timeoutMs / 1000) seconds have passed.
    int NZIOAirKiss_ConfigWireless(const char *ssid, const char *password, unsigned int timeoutMs);
    // Cancels a run in progress and every later run until NZIOAirKiss_EnableConfig; may be
    // called from any thread.
    void NZIOAirKiss_CancelConfig();
    void NZIOAirKiss_EnableConfig();

    void StartReadThread();
    // Asks the receive thread to end, wakes it and waits until it has ended.
    void StopReadThread();
    static void staticReadThreadFunc(void *airKiss);
    void readThreadFunc();

    // The byte the printer must echo: 1 to 255 from the process's generator. Never 0,
    // since the run's own zero-filled broadcasts come back to its socket.
    static unsigned char DrawRandomByte();

    static constexpr unsigned short Port = 10000;

private:
    NZIOAirKiss(const NZIOAirKiss &) = delete;
    NZIOAirKiss &operator=(const NZIOAirKiss &) = delete;

    bool Stopping() const;

    const unsigned int m_leadingCount;
    const unsigned int m_magicRepeat;
    const unsigned int m_contentRepeat;
    std::atomic<unsigned int> m_startRequests;
    std::atomic<unsigned int> m_threadsStarted;
    std::atomic<unsigned int> m_threadsExited;
    std::atomic<bool> m_stop;
    std::atomic<bool> m_cancel;
    NZUdpClientIO_linux m_port;
    std::atomic<int> m_success;
    std::atomic<unsigned char> m_randomByte;
    std::atomic<int> m_matchCount;
    const int m_replyThreshold;
    std::mutex m_runLock;
};

#endif
