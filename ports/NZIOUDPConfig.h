// Broadcast network configuration: commands addressed to a printer's MAC address, sent as
// UDP datagrams to an address of the caller's choice and repeated every interval until
// the printer answers with a matching reply or the total time passes.
//   NZIOUDPConfigIP      - IPv4 address, netmask, gateway and address mode
//   NZIOUDPConfigName    - printer name
//   NZIOUDPConfigConfirm - confirm the configuration
// Each object runs one command and is then dropped; the call blocks until it ends.
#ifndef QUORVANE_PORTS_NZIOUDPCONFIG_H
#define QUORVANE_PORTS_NZIOUDPCONFIG_H

#include <atomic>

#include "ports/NZUdpClientIO_linux.h"

// The sending loop and receive thread the three commands share.
class NZIOUDPConfigCommand {
public:
    void StartReadThread();
    // Asks the receive thread to end, wakes it and waits until it has ended.
    void StopReadThread();
    static void staticReadThreadFunc(void *command);
    void readThreadFunc();

    bool IsDone() const { return m_done.load(); }

protected:
    typedef bool (*ReplyRule)(const unsigned char *sent, const unsigned char *reply, unsigned int length);

    NZIOUDPConfigCommand(unsigned int packetLength, ReplyRule rule);
    ~NZIOUDPConfigCommand();

    // Sends the packet held in m_packet until a reply matches or the total time passes.
    bool Run(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort,
             unsigned int intervalMs, unsigned int totalMs);

    // Packet header checks common to every reply: at least 14 bytes, "EPSONs" and the sent
    // command code.
    static bool ReplyHeaderMatches(const unsigned char *sent, const unsigned char *reply, unsigned int length);
    // Header, length field, total length and the six MAC bytes at macOffset.
    static bool ReplyMatches(const unsigned char *sent, const unsigned char *reply, unsigned int length,
                             unsigned int restLength, unsigned int macOffset);

    std::atomic<unsigned int> m_startRequests;
    std::atomic<unsigned int> m_threadsStarted;
    std::atomic<unsigned int> m_threadsExited;
    std::atomic<bool> m_stop;
    NZUdpClientIO_linux m_port;
    std::atomic<bool> m_done;
    unsigned char m_packet[148];
    const unsigned int m_packetLength;
    const ReplyRule m_rule;

private:
    NZIOUDPConfigCommand(const NZIOUDPConfigCommand &) = delete;
    NZIOUDPConfigCommand &operator=(const NZIOUDPConfigCommand &) = delete;
};

class NZIOUDPConfigIP : public NZIOUDPConfigCommand {
public:
    static constexpr unsigned int PacketLength = 35;

    NZIOUDPConfigIP();
    // mode non-zero: 00 0C, mode 0: 80 08. True when the printer confirmed in time.
    bool NZIOUDPConfigIP_ConfigIP(const char *localIp, unsigned short localPort, const char *destIp,
                                  unsigned short destPort, const char *mac, int mode, const char *ip,
                                  const char *netmask, const char *gateway, unsigned int intervalMs,
                                  unsigned int totalMs);
    // Fills the 35-byte packet; a text that does not convert leaves template bytes and
    // makes the result false.
    static bool BuildPacket(unsigned char *out, const char *mac, int mode, const char *ip, const char *netmask,
                            const char *gateway);
    static bool IsReply(const unsigned char *sent, const unsigned char *reply, unsigned int length);
};

class NZIOUDPConfigName : public NZIOUDPConfigCommand {
public:
    static constexpr unsigned int PacketLength = 148;

    NZIOUDPConfigName();
    bool NZIOUDPConfigName_ConfigName(const char *localIp, unsigned short localPort, const char *destIp,
                                      unsigned short destPort, const char *mac, const char *name,
                                      unsigned int intervalMs, unsigned int totalMs);
    // Fills the 148-byte packet; the name is cut to 127 bytes and always zero-terminated.
    static bool BuildPacket(unsigned char *out, const char *mac, const char *name);
    static bool IsReply(const unsigned char *sent, const unsigned char *reply, unsigned int length);
};

class NZIOUDPConfigConfirm : public NZIOUDPConfigCommand {
public:
    static constexpr unsigned int PacketLength = 25;

    NZIOUDPConfigConfirm();
    bool NZIOUDPConfigConfirm_ConfigConfirm(const char *localIp, unsigned short localPort, const char *destIp,
                                            unsigned short destPort, const char *mac, unsigned int intervalMs,
                                            unsigned int totalMs);
    // Fills the 25-byte packet.
    static bool BuildPacket(unsigned char *out, const char *mac);
    static bool IsReply(const unsigned char *sent, const unsigned char *reply, unsigned int length);
};

#endif
