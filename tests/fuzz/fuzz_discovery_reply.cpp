// LAN discovery replies: arbitrary datagrams from an arbitrary sender (first four bytes,
// network order) through the reply parser. Only the two reply forms are reported, with the
// MAC from their fixed offsets, the sender as dotted text, and the name at offset 56 (up
// to its zero byte or the datagram's end) or the address when there is none.
#include <string>

#include "FuzzSupport.h"
#include "ports/NZIOUdpDiscover.h"

namespace {

struct Report {
    int calls = 0;
    std::string local, mac, address, name;
    const void *user = nullptr;
};
Report report;

void OnFound(const char *local, const char *mac, const char *address, const char *name, const void *user)
{
    ++report.calls;
    report.local = local;
    report.mac = mac;
    report.address = address;
    report.name = name;
    report.user = user;
}

std::string Mac(const uint8_t *m)
{
    char text[18];
    snprintf(text, sizeof text, "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
    return text;
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    const FuzzBytes sender = {192, 168, 0, 7};
    FuzzBytes a(184, 0);
    memcpy(a.data(), "EPSONq", 6);
    for (int i = 0; i < 6; ++i)
        a[14 + i] = static_cast<unsigned char>(0x10 * i + 1);
    FuzzBytes named = a;
    memcpy(named.data() + 56, "TM-T88", 6);
    FuzzBytes full = a;
    memset(full.data() + 56, 'n', 128);
    FuzzBytes b(302, 0);
    memcpy(b.data(), "STR_BCAST", 9);
    const unsigned char macB[] = {0x00, 0x11, 0x22, 0xAA, 0xBB, 0xCC};
    memcpy(b.data() + 78, macB, 6);
    FuzzBytes upper = a;
    upper[5] = 'Q';
    return {FuzzCat({sender, a}), FuzzCat({sender, named}), FuzzCat({sender, full}), FuzzCat({sender, b}),
            FuzzCat({sender, upper}), FuzzCat({sender, FuzzBytes(a.begin(), a.end() - 1)})};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    unsigned int sender;
    memcpy(&sender, data, 4);
    // The datagram alone in a buffer of its exact length.
    const FuzzBytes datagram(data + 4, data + size);
    const unsigned int n = static_cast<unsigned int>(datagram.size());

    NZIOUdpDiscoverContext context;
    snprintf(context.localAddress, sizeof context.localAddress, "10.1.2.3");
    context.callback = OnFound;
    context.user = &report;
    report = Report();
    NZIOUdpDiscover::NZIOUdpDiscover_ReadedEvent(datagram.data(), n, sender, 3289, &context);

    const bool replyA = n == 184 && memcmp(datagram.data(), "EPSONq", 6) == 0;
    const bool replyB = n == 302 && memcmp(datagram.data(), "STR_BCAST", 9) == 0;
    FUZZ_CHECK(report.calls == (replyA || replyB ? 1 : 0));
    if (!report.calls)
        return 0;
    char address[16];
    snprintf(address, sizeof address, "%u.%u.%u.%u", data[0], data[1], data[2], data[3]);
    FUZZ_CHECK(report.local == "10.1.2.3" && report.user == &report && report.address == address);
    FUZZ_CHECK(report.mac == Mac(datagram.data() + (replyA ? 14 : 78)));
    std::string name = address;
    if (replyA && datagram[56] != 0) {
        const char *start = reinterpret_cast<const char *>(datagram.data() + 56);
        name.assign(start, strnlen(start, 128));
    }
    FUZZ_CHECK(report.name == name);
    return 0;
}
