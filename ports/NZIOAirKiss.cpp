#include "ports/NZIOAirKiss.h"

#include <cstring>

#include <cstdlib>

#include "ports/NZAirKissEncoder.h"
#include "ports/NZIOUdpBroadcastHandler.h"
#include "ports/NZUtils.h"

namespace {
// Every length of the array lies in 1..511; the datagrams carry only zeros.
const unsigned char kZeros[512] = {0};
const unsigned int kSocketTimeoutMs = 1000;
const unsigned int kReceiveBuffer = 256;
}

NZIOAirKiss::NZIOAirKiss()
    : m_leadingCount(50), m_magicRepeat(20), m_contentRepeat(30), m_startRequests(0), m_threadsStarted(0),
      m_threadsExited(0), m_stop(false), m_cancel(false), m_success(0), m_randomByte(0), m_matchCount(0),
      m_replyThreshold(20)
{
}

NZIOAirKiss::~NZIOAirKiss()
{
    // A run always stops its thread and closes the port; this covers nothing else.
    StopReadThread();
}

void NZIOAirKiss::NZIOAirKiss_CancelConfig() { m_cancel = true; }
void NZIOAirKiss::NZIOAirKiss_EnableConfig() { m_cancel = false; }

unsigned char NZIOAirKiss::DrawRandomByte()
{
    return static_cast<unsigned char>(1 + rand() % 255);
}

void NZIOAirKiss::StartReadThread()
{
    const unsigned int target = m_startRequests.fetch_add(1) + 1;
    m_stop = false;
    if (!NZIOThread::StartThread(&NZIOAirKiss::staticReadThreadFunc, this)) {
        // Counted as started and ended so no wait hangs; the run can then only time out.
        m_threadsStarted.fetch_add(1);
        m_threadsExited.fetch_add(1);
    }
    while (m_threadsStarted.load() < target)
        NZIOSleep::SleepMs(1);
}

void NZIOAirKiss::StopReadThread()
{
    m_stop = true;
    if (m_threadsExited.load() != m_startRequests.load())
        NZIOUdp_WakeReceiver(m_port);
    while (m_threadsExited.load() != m_startRequests.load())
        NZIOSleep::SleepMs(1);
}

void NZIOAirKiss::staticReadThreadFunc(void *airKiss)
{
    static_cast<NZIOAirKiss *>(airKiss)->readThreadFunc();
}

void NZIOAirKiss::readThreadFunc()
{
    m_threadsStarted.fetch_add(1);
    const unsigned char wanted = m_randomByte.load();
    unsigned char buf[kReceiveBuffer];
    while (m_port.IsOpened() && !m_stop.load() && !m_cancel.load()) {
        const int n = m_port.socket_recvfrom(buf, sizeof(buf), nullptr, nullptr);
        if (n <= 0) {
            NZIOSleep::SleepMs(1);
            continue;
        }
        int matches = 0;
        for (int i = 0; i < n; ++i)
            if (buf[i] == wanted)
                ++matches;
        // Matches add up across datagrams and senders.
        if (m_matchCount.fetch_add(matches) + matches >= m_replyThreshold) {
            m_success = 1;
            break;
        }
    }
    m_threadsExited.fetch_add(1);
}

bool NZIOAirKiss::Stopping() const { return m_cancel.load() || m_success.load() != 0; }

int NZIOAirKiss::NZIOAirKiss_ConfigWireless(const char *ssid, const char *password, unsigned int timeoutMs)
{
    // The datagrams carry the length of password, random byte and SSID in one byte: longer
    // texts cannot be decoded by a device, and encoding megabytes would outlast the time-out.
    if (!ssid || !password || strlen(ssid) + strlen(password) + 1 > 0xFF)
        return 0;
    std::lock_guard<std::mutex> run(m_runLock);
    m_success = 0;
    m_randomByte = DrawRandomByte();
    m_matchCount = 0;

    unsigned int count = 0;
    unsigned int *lengths = NZAirKissEncoder_EncodeDataToLengthArray(ssid, password, m_randomByte.load(),
                                                                    m_leadingCount, m_magicRepeat,
                                                                    m_contentRepeat, &count);
    if (!lengths || count == 0) {
        free(lengths);
        return 0;
    }
    if (!m_port.OpenNonThreadA("0.0.0.0", Port, "255.255.255.255", Port)) {
        free(lengths);
        return 0;
    }
    m_port.setsockopt_reuseaddr(true);
    m_port.setsockopt_broadcast(true);
    m_port.setsockopt_rcvtimeo(kSocketTimeoutMs);
    StartReadThread();

    NZSecondsTimer limit(timeoutMs);
    bool leave = false;
    while (!leave && m_port.IsOpened() && !m_cancel.load()) {
        if (limit.IsUp() || m_success.load() != 0)
            break;
        for (unsigned int i = 0; i < count;) {
            if (Stopping() || limit.IsUp()) {
                leave = true;
                break;
            }
            const unsigned int len = lengths[i] < sizeof(kZeros) ? lengths[i] : sizeof(kZeros) - 1;
            const int sent = m_port.Write(kZeros, len, kSocketTimeoutMs);
            // A short or failed send repeats the same length.
            if (sent >= 0 && static_cast<unsigned int>(sent) == len)
                ++i;
            NZIOSleep::SleepMs(5);
        }
    }

    // The receive thread ends before its socket closes.
    StopReadThread();
    m_port.Close();
    free(lengths);
    return m_success.load();
}
