// Broadcast configuration. Modes 0 to 2 (first byte): a packet of that command is built for
// the MAC in the next six bytes and the rest is a reply datagram (in a buffer of its exact
// length); it is accepted exactly when it is "EPSONs", the sent command code, the right
// length field and total length, and the sent MAC. Mode 3: the rest split at zero bytes
// into MAC, address, netmask, gateway and name texts for the packet builders and the text
// converters, whose outputs get buffers of exactly their size.
#include <string>

#include "FuzzSupport.h"
#include "ports/NZHexStringUtils.h"
#include "ports/NZIOUDPConfig.h"

namespace {

struct Command {
    unsigned int packetLength, restLength, macOffset;
    bool (*isReply)(const unsigned char *, const unsigned char *, unsigned int);
};
const Command kCommands[3] = {
    {NZIOUDPConfigIP::PacketLength, 23, 15, &NZIOUDPConfigIP::IsReply},
    {NZIOUDPConfigName::PacketLength, 134, 14, &NZIOUDPConfigName::IsReply},
    {NZIOUDPConfigConfirm::PacketLength, 11, 14, &NZIOUDPConfigConfirm::IsReply},
};

bool Build(int which, unsigned char *packet, const char *mac)
{
    switch (which) {
    case 0: return NZIOUDPConfigIP::BuildPacket(packet, mac, 1, "192.168.1.100", "255.255.255.0", "192.168.1.1");
    case 1: return NZIOUDPConfigName::BuildPacket(packet, mac, "printer");
    default: return NZIOUDPConfigConfirm::BuildPacket(packet, mac);
    }
}

FuzzBytes Reply(int which, const unsigned char *mac)
{
    const Command &c = kCommands[which];
    unsigned char packet[148];
    char text[18];
    snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
    Build(which, packet, text);
    FuzzBytes reply(c.restLength + 14, 0);
    memcpy(reply.data(), packet, 10);
    reply[5] = 's';
    reply[13] = static_cast<unsigned char>(c.restLength);
    memcpy(reply.data() + c.macOffset, mac, 6);
    return reply;
}

std::vector<std::string> Split(const uint8_t *p, size_t n, size_t parts)
{
    std::vector<std::string> out(parts);
    size_t k = 0;
    for (size_t i = 0; i < n && k < parts; ++i) {
        if (p[i] == 0)
            ++k;
        else
            out[k] += static_cast<char>(p[i]);
    }
    return out;
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    const FuzzBytes mac = FuzzHex("00 11 22 33 44 55");
    std::vector<FuzzBytes> seeds;
    for (unsigned char which = 0; which < 3; ++which) {
        FuzzBytes reply = Reply(which, mac.data());
        seeds.push_back(FuzzCat({{which}, mac, reply}));
        reply.push_back(0);
        seeds.push_back(FuzzCat({{which}, mac, reply}));
    }
    seeds.push_back(FuzzCat({{3}, FuzzText("00:11:22:33:44:55"), {0}, FuzzText("192.168.1.100"), {0},
                             FuzzText("255.255.255.0"), {0}, FuzzText("192.168.1"), {0}, FuzzText("name")}));
    seeds.push_back(FuzzCat({{3}, FuzzText("0-1-2"), {0}, FuzzText("1.2.3.4.5"), {0}, FuzzText("256.1.1.1")}));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int mode = data[0] % 4;
    if (mode < 3) {
        if (size < 7)
            return 0;
        const Command &c = kCommands[mode];
        const unsigned char *mac = data + 1;
        char text[18];
        snprintf(text, sizeof text, "%02x-%02x-%02x-%02x-%02x-%02x", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
        FuzzBytes packet(c.packetLength);
        FUZZ_CHECK(Build(mode, packet.data(), text));
        FUZZ_CHECK(memcmp(packet.data() + c.macOffset, mac, 6) == 0);
        const FuzzBytes reply(data + 7, data + size);
        const unsigned int n = static_cast<unsigned int>(reply.size());
        const bool expected = n == c.restLength + 14 && memcmp(reply.data(), "EPSONs", 6) == 0 &&
                              memcmp(reply.data() + 6, packet.data() + 6, 4) == 0 && reply[10] == 0 &&
                              reply[11] == 0 && reply[12] == 0 && reply[13] == c.restLength &&
                              memcmp(reply.data() + c.macOffset, mac, 6) == 0;
        FUZZ_CHECK(c.isReply(packet.data(), reply.data(), n) == expected);
        return 0;
    }

    const std::vector<std::string> texts = Split(data + 1, size - 1, 5);
    FuzzBytes packet(NZIOUDPConfigName::PacketLength);
    const bool ipOk =
        NZIOUDPConfigIP::BuildPacket(packet.data(), texts[0].c_str(), 0, texts[1].c_str(), texts[2].c_str(), texts[3].c_str());
    FUZZ_CHECK(memcmp(packet.data(), "EPSONS", 6) == 0 && packet[21] == 0x80 && packet[22] == 0x08);
    NZIOUDPConfigName::BuildPacket(packet.data(), texts[0].c_str(), texts[4].c_str());
    FUZZ_CHECK(packet[NZIOUDPConfigName::PacketLength - 1] == 0);
    const size_t nameLength = std::min<size_t>(texts[4].size(), 127);
    FUZZ_CHECK(memcmp(packet.data() + 20, texts[4].data(), nameLength) == 0);
    NZIOUDPConfigConfirm::BuildPacket(packet.data(), texts[0].c_str());

    FuzzBytes macBytes(6), ipBytes(4);
    const bool macOk = NZHexStringUtils::mac_string_to_bytes_a(texts[0].c_str(), macBytes.data());
    bool allIp = true;
    for (int i = 1; i <= 3; ++i) {
        const bool ok = NZHexStringUtils::ip_string_to_bytes_a(texts[i].c_str(), ipBytes.data());
        allIp = allIp && ok;
        if (ok) {
            // Four dotted parts of at most three characters each.
            FUZZ_CHECK(texts[i].size() >= 7 && texts[i].size() <= 15);
        }
    }
    FUZZ_CHECK(ipOk == (macOk && allIp));
    return 0;
}
