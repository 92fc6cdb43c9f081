#include "ports/NZIOUDPConfig.h"

#include <cstring>

#include "ports/NZHexStringUtils.h"
#include "ports/NZIOUdpBroadcastHandler.h"
#include "ports/NZUtils.h"

namespace {

const unsigned char kSetAddressTemplate[NZIOUDPConfigIP::PacketLength] = {
    'E', 'P', 'S', 'O', 'N', 'S', 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x15, 0x01, 0x64, 0xEB, 0x8C,
    0x2A, 0x2A, 0xAC, 0x00, 0x0C, 0xC0, 0xA8, 0x0A, 0xD0, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00};

const unsigned char kSetNameHeader[20] = {'E', 'P', 'S', 'O', 'N', 'S', 0x03, 0x00, 0x00, 0x00,
                                          0x00, 0x00, 0x00, 0x86, 0x64, 0xEB, 0x8C, 0x2A, 0x2A, 0xAC};

const unsigned char kConfirmTemplate[NZIOUDPConfigConfirm::PacketLength] = {
    'E', 'P', 'S', 'O', 'N', 'S', 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00,
    0x0B, 0x64, 0xEB, 0x8C, 0x2A, 0x2C, 0xAC, 0x01, 0x00, 0x12, 0x00, 0x00};

const unsigned int kHeaderLength = 14;
const unsigned int kReceiveBuffer = 256;

uint32_t readBigEndian32(const unsigned char *p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

} // namespace

NZIOUDPConfigCommand::NZIOUDPConfigCommand(unsigned int packetLength, ReplyRule rule)
    : m_startRequests(0), m_threadsStarted(0), m_threadsExited(0), m_stop(false), m_done(false),
      m_packetLength(packetLength), m_rule(rule)
{
    memset(m_packet, 0, sizeof(m_packet));
}

NZIOUDPConfigCommand::~NZIOUDPConfigCommand()
{
    // Run closes the port itself; this only covers an object dropped half-way.
    StopReadThread();
    m_port.Close();
}

bool NZIOUDPConfigCommand::ReplyHeaderMatches(const unsigned char *sent, const unsigned char *reply,
                                              unsigned int length)
{
    return length >= kHeaderLength && memcmp(reply, "EPSONs", 6) == 0 && memcmp(reply + 6, sent + 6, 4) == 0;
}

bool NZIOUDPConfigCommand::ReplyMatches(const unsigned char *sent, const unsigned char *reply, unsigned int length,
                                        unsigned int restLength, unsigned int macOffset)
{
    if (!sent || !reply || !ReplyHeaderMatches(sent, reply, length))
        return false;
    return readBigEndian32(reply + 10) == restLength && length == restLength + kHeaderLength &&
           memcmp(reply + macOffset, sent + macOffset, 6) == 0;
}

void NZIOUDPConfigCommand::StartReadThread()
{
    const unsigned int target = m_startRequests.fetch_add(1) + 1;
    m_stop = false;
    if (!NZIOThread::StartThread(&NZIOUDPConfigCommand::staticReadThreadFunc, this)) {
        // Counted as started and ended so no wait hangs; no reply can be recognised.
        m_threadsStarted.fetch_add(1);
        m_threadsExited.fetch_add(1);
    }
    while (m_threadsStarted.load() < target)
        NZIOSleep::SleepMs(1);
}

void NZIOUDPConfigCommand::StopReadThread()
{
    m_stop = true;
    if (m_threadsExited.load() != m_startRequests.load())
        NZIOUdp_WakeReceiver(m_port);
    while (m_threadsExited.load() != m_startRequests.load())
        NZIOSleep::SleepMs(1);
}

void NZIOUDPConfigCommand::staticReadThreadFunc(void *command)
{
    static_cast<NZIOUDPConfigCommand *>(command)->readThreadFunc();
}

void NZIOUDPConfigCommand::readThreadFunc()
{
    m_threadsStarted.fetch_add(1);
    unsigned char buf[kReceiveBuffer];
    while (m_port.IsOpened() && !m_stop.load()) {
        const int n = m_port.socket_recvfrom(buf, sizeof(buf), nullptr, nullptr);
        if (n < static_cast<int>(kHeaderLength) ||
            !ReplyHeaderMatches(m_packet, buf, static_cast<unsigned int>(n))) {
            NZIOSleep::SleepMs(1);
            continue;
        }
        if (m_rule(m_packet, buf, static_cast<unsigned int>(n))) {
            m_done = true;
            break;
        }
    }
    m_threadsExited.fetch_add(1);
}

bool NZIOUDPConfigCommand::Run(const char *localIp, unsigned short localPort, const char *destIp,
                               unsigned short destPort, unsigned int intervalMs, unsigned int totalMs)
{
    if (!m_port.OpenNonThreadA(localIp, localPort, destIp, destPort))
        return false;
    m_port.setsockopt_reuseaddr(true);
    m_port.setsockopt_broadcast(true);
    m_port.setsockopt_rcvtimeo(intervalMs);
    StartReadThread();

    // Every wait, the interval's and the send's, ends when the total time is up.
    const int64_t start = NZUtils_MonotonicMs();
    const int64_t total = static_cast<int64_t>(totalMs);
    for (;;) {
        const int64_t elapsed = NZUtils_MonotonicMs() - start;
        if (elapsed > total)
            break;
        if (m_done.load() || !m_port.IsOpened())
            break;
        // Writes wait for room within what is left of the total (at least 1 ms).
        const unsigned int sendLimit = static_cast<unsigned int>(total - elapsed > 0 ? total - elapsed : 1);
        const int sent = m_port.Write(m_packet, m_packetLength, sendLimit);
        if (sent < 0 || static_cast<unsigned int>(sent) < m_packetLength)
            break;
        const int64_t sentAt = NZUtils_MonotonicMs();
        for (;;) {
            const int64_t now = NZUtils_MonotonicMs();
            if (now - sentAt > static_cast<int64_t>(intervalMs) || now - start > total)
                break;
            if (m_done.load() || !m_port.IsOpened())
                break;
            NZIOSleep::SleepMs(1);
        }
    }

    // The receive thread ends before its socket closes.
    StopReadThread();
    m_port.Close();
    return m_done.load();
}

// ---- Set address -------------------------------------------------------------------

NZIOUDPConfigIP::NZIOUDPConfigIP() : NZIOUDPConfigCommand(PacketLength, &NZIOUDPConfigIP::IsReply) {}

bool NZIOUDPConfigIP::BuildPacket(unsigned char *out, const char *mac, int mode, const char *ip,
                                  const char *netmask, const char *gateway)
{
    if (!out)
        return false;
    memcpy(out, kSetAddressTemplate, PacketLength);
    bool ok = NZHexStringUtils::mac_string_to_bytes_a(mac, out + 15);
    out[21] = mode != 0 ? 0x00 : 0x80;
    out[22] = mode != 0 ? 0x0C : 0x08;
    ok = NZHexStringUtils::ip_string_to_bytes_a(ip, out + 23) && ok;
    ok = NZHexStringUtils::ip_string_to_bytes_a(netmask, out + 27) && ok;
    ok = NZHexStringUtils::ip_string_to_bytes_a(gateway, out + 31) && ok;
    return ok;
}

bool NZIOUDPConfigIP::IsReply(const unsigned char *sent, const unsigned char *reply, unsigned int length)
{
    return ReplyMatches(sent, reply, length, 23, 15);
}

bool NZIOUDPConfigIP::NZIOUDPConfigIP_ConfigIP(const char *localIp, unsigned short localPort, const char *destIp,
                                               unsigned short destPort, const char *mac, int mode,
                                               const char *ip, const char *netmask, const char *gateway,
                                               unsigned int intervalMs, unsigned int totalMs)
{
    m_done = false;
    // A text that does not convert would send template bytes: another printer's MAC or
    // an address nobody asked for. Nothing is sent then.
    if (!BuildPacket(m_packet, mac, mode, ip, netmask, gateway))
        return false;
    return Run(localIp, localPort, destIp, destPort, intervalMs, totalMs);
}

// ---- Set name ----------------------------------------------------------------------

NZIOUDPConfigName::NZIOUDPConfigName() : NZIOUDPConfigCommand(PacketLength, &NZIOUDPConfigName::IsReply) {}

bool NZIOUDPConfigName::BuildPacket(unsigned char *out, const char *mac, const char *name)
{
    if (!out)
        return false;
    memset(out, 0, PacketLength);
    memcpy(out, kSetNameHeader, sizeof(kSetNameHeader));
    const bool ok = NZHexStringUtils::mac_string_to_bytes_a(mac, out + 14);
    if (!name)
        return false;
    size_t n = strlen(name);
    if (n > 127)
        n = 127;
    memcpy(out + 20, name, n);
    return ok;
}

bool NZIOUDPConfigName::IsReply(const unsigned char *sent, const unsigned char *reply, unsigned int length)
{
    return ReplyMatches(sent, reply, length, 134, 14);
}

bool NZIOUDPConfigName::NZIOUDPConfigName_ConfigName(const char *localIp, unsigned short localPort,
                                                     const char *destIp, unsigned short destPort, const char *mac,
                                                     const char *name, unsigned int intervalMs, unsigned int totalMs)
{
    m_done = false;
    if (!BuildPacket(m_packet, mac, name))
        return false;
    return Run(localIp, localPort, destIp, destPort, intervalMs, totalMs);
}

// ---- Confirm -----------------------------------------------------------------------

NZIOUDPConfigConfirm::NZIOUDPConfigConfirm() : NZIOUDPConfigCommand(PacketLength, &NZIOUDPConfigConfirm::IsReply)
{
}

bool NZIOUDPConfigConfirm::BuildPacket(unsigned char *out, const char *mac)
{
    if (!out)
        return false;
    memcpy(out, kConfirmTemplate, PacketLength);
    return NZHexStringUtils::mac_string_to_bytes_a(mac, out + 14);
}

bool NZIOUDPConfigConfirm::IsReply(const unsigned char *sent, const unsigned char *reply, unsigned int length)
{
    return ReplyMatches(sent, reply, length, 11, 14);
}

bool NZIOUDPConfigConfirm::NZIOUDPConfigConfirm_ConfigConfirm(const char *localIp, unsigned short localPort,
                                                              const char *destIp, unsigned short destPort,
                                                              const char *mac, unsigned int intervalMs,
                                                              unsigned int totalMs)
{
    m_done = false;
    if (!BuildPacket(m_packet, mac))
        return false;
    return Run(localIp, localPort, destIp, destPort, intervalMs, totalMs);
}
