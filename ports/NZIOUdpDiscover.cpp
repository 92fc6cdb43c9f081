#include "ports/NZIOUdpDiscover.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "ports/NZEnumerator_linux.h"
#include "ports/NZIOUdpBroadcastHandler.h"
#include "ports/NZUtils.h"

const unsigned char NZIOUdpDiscover_QueryA[14] = {'E', 'P', 'S', 'O', 'N', 'Q', 0x03, 0x00,
                                                  0x00, 0x01, 0x00, 0x00, 0x00, 0x00};
const unsigned char NZIOUdpDiscover_QueryB[28] = {'S', 'T', 'R', '_', 'B', 'C', 'A', 'S', 'T', 0x00,
                                                  0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 'R', 'Q',
                                                  '1', '.', '0', '.', '0', 0x00, 0x00, 0x1C, 0x64, 0x31};

namespace {

const unsigned int kReplyALength = 184;
const unsigned int kReplyAMac = 14;
const unsigned int kReplyAName = 56;
const unsigned int kReplyBLength = 302;
const unsigned int kReplyBMac = 78;

bool cancelled(int *cancel)
{
    return cancel && __atomic_load_n(cancel, __ATOMIC_RELAXED) != 0;
}

// The host's IPv4 addresses (loopback excluded) as a malloc'ed list of NUL-terminated
// texts ending with an empty one; "0.0.0.0" alone when there is none.
char *listLocalAddresses()
{
    NZHostIPEnumerator_linux hosts;
    unsigned int needed = 0;
    hosts.EnumerateA(nullptr, 0, &needed);
    char *list = nullptr;
    if (needed > 0) {
        list = static_cast<char *>(calloc(needed + 2, 1));
        if (list && hosts.EnumerateA(list, needed + 2, nullptr) <= 0) {
            free(list);
            list = nullptr;
        }
    }
    if (!list) {
        list = static_cast<char *>(calloc(sizeof("0.0.0.0") + 1, 1));
        if (list)
            strcpy(list, "0.0.0.0");
    }
    return list;
}

struct Searcher {
    NZIOUdpBroadcastHandler *handler;
    NZIOUdpDiscoverContext *context;
    bool open;
};

bool openSearcher(Searcher &s, const char *local, unsigned short port, NZIOUdpDiscoverCallback callback,
                  const void *user)
{
    NZUdpClientIO_linux &udp = s.handler->Port();
    if (!udp.OpenNonThreadA(local, 0, "255.255.255.255", port))
        return false;
    udp.setsockopt_reuseaddr(true);
    udp.setsockopt_broadcast(true);
    udp.setsockopt_rcvtimeo(50);
    snprintf(s.context->localAddress, sizeof(s.context->localAddress), "%s", local);
    s.context->callback = callback;
    s.context->user = user;
    s.handler->SetDatagramCallback(&NZIOUdpDiscover::NZIOUdpDiscover_ReadedEvent, s.context);
    return true;
}

} // namespace

void NZIOUdpDiscover::NZIOUdpDiscover_ReadedEvent(const unsigned char *data, unsigned int length,
                                                  unsigned int senderAddr, unsigned short, void *context)
{
    const NZIOUdpDiscoverContext *ctx = static_cast<const NZIOUdpDiscoverContext *>(context);
    if (!ctx || !data)
        return;
    unsigned int macAt;
    bool named = false;
    if (length == kReplyALength && memcmp(data, "EPSONq", 6) == 0) {
        macAt = kReplyAMac;
        named = data[kReplyAName] != 0;
    } else if (length == kReplyBLength && memcmp(data, "STR_BCAST", 9) == 0) {
        macAt = kReplyBMac;
    } else {
        return;
    }
    const unsigned char *m = data + macAt;
    char mac[18];
    snprintf(mac, sizeof(mac), "%02X-%02X-%02X-%02X-%02X-%02X", m[0], m[1], m[2], m[3], m[4], m[5]);
    const unsigned char *a = reinterpret_cast<const unsigned char *>(&senderAddr);
    char address[16];
    snprintf(address, sizeof(address), "%d.%d.%d.%d", a[0], a[1], a[2], a[3]);
    // The name ends at its first zero byte or at the end of the datagram (at most 128 bytes).
    char name[kReplyALength - kReplyAName + 1];
    if (named) {
        const unsigned int room = length - kReplyAName;
        unsigned int n = 0;
        while (n < room && data[kReplyAName + n] != 0)
            ++n;
        memcpy(name, data + kReplyAName, n);
        name[n] = '\0';
    } else {
        snprintf(name, sizeof(name), "%s", address);
    }
    if (ctx->callback)
        ctx->callback(ctx->localAddress, mac, address, name, ctx->user);
}

void NZIOUdpDiscover::NZIOUdpDiscover_StartDiscover(unsigned int timeoutMs, int *cancel,
                                                    NZIOUdpDiscoverCallback callback, const void *user)
{
    char *addresses = listLocalAddresses();
    if (!addresses)
        return;
    unsigned int count = 0;
    for (const char *p = addresses; *p; p += strlen(p) + 1)
        ++count;

    // Entries [2k] and [2k + 1] serve local address k with protocols A and B.
    const unsigned int total = count * 2;
    Searcher *searchers = static_cast<Searcher *>(calloc(total, sizeof(Searcher)));
    bool complete = searchers != nullptr;
    for (unsigned int i = 0; complete && i < total; ++i) {
        searchers[i].handler = new (std::nothrow) NZIOUdpBroadcastHandler();
        searchers[i].context = static_cast<NZIOUdpDiscoverContext *>(calloc(1, sizeof(NZIOUdpDiscoverContext)));
        complete = searchers[i].handler && searchers[i].context;
    }

    unsigned int openCount = 0;
    if (complete) {
        const char *local = addresses;
        for (unsigned int k = 0; k < count; ++k, local += strlen(local) + 1) {
            for (unsigned int proto = 0; proto < 2; ++proto) {
                Searcher &s = searchers[2 * k + proto];
                s.open = openSearcher(s, local, proto == 0 ? NZIOUdpDiscover_PortA : NZIOUdpDiscover_PortB,
                                      callback, user);
                if (s.open)
                    ++openCount;
            }
        }
        for (unsigned int i = 0; i < total; ++i)
            if (searchers[i].open)
                searchers[i].handler->StartReadThread();
        for (unsigned int i = 0; i < total; ++i)
            if (searchers[i].open)
                searchers[i].handler->WaitReadThreadStarted();

        NZSecondsTimer limit(timeoutMs);
        while (openCount > 0 && !cancelled(cancel)) {
            if (limit.IsUp())
                break;
            for (unsigned int k = 0; k < count && !cancelled(cancel); ++k) {
                if (searchers[2 * k].open)
                    searchers[2 * k].handler->Port().Write(NZIOUdpDiscover_QueryA, sizeof(NZIOUdpDiscover_QueryA),
                                                           timeoutMs);
                if (searchers[2 * k + 1].open)
                    searchers[2 * k + 1].handler->Port().Write(NZIOUdpDiscover_QueryB,
                                                               sizeof(NZIOUdpDiscover_QueryB), timeoutMs);
            }
            // The pause between rounds ends early when the time is up.
            for (int i = 0; i < 50 && !cancelled(cancel) && !limit.IsUp(); ++i)
                NZIOSleep::SleepMs(5);
        }

        // Receive threads end before their sockets close, so no receive ever runs on a
        // closed (or reused) descriptor.
        for (unsigned int i = 0; i < total; ++i)
            searchers[i].handler->StopReadThread();
        for (unsigned int i = 0; i < total; ++i)
            searchers[i].handler->WaitReadThreadFinished();
        for (unsigned int i = 0; i < total; ++i)
            if (searchers[i].open)
                searchers[i].handler->Port().Close();
    }

    if (searchers) {
        for (unsigned int i = 0; i < total; ++i) {
            delete searchers[i].handler;
            free(searchers[i].context);
        }
        free(searchers);
    }
    free(addresses);
}
