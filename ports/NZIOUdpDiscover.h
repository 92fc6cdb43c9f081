// LAN printer discovery: broadcasts the queries of two discovery protocols from every local
// IPv4 address about four times a second and reports every recognised reply.
#ifndef QUORVANE_PORTS_NZIOUDPDISCOVER_H
#define QUORVANE_PORTS_NZIOUDPDISCOVER_H

// Called on a receive thread (possibly several at once) for every reply, duplicates
// included: local address the query left from, MAC "XX-XX-XX-XX-XX-XX", printer address,
// printer name (the address when the printer gives none), user pointer.
typedef void (*NZIOUdpDiscoverCallback)(const char *localAddress, const char *mac, const char *printerAddress,
                                        const char *printerName, const void *user);

// One per local address and protocol; the handler's user pointer points at it.
struct NZIOUdpDiscoverContext {
    char localAddress[100];
    NZIOUdpDiscoverCallback callback;
    const void *user;
};

// Query datagrams, sent to 255.255.255.255 on the ports below.
extern const unsigned char NZIOUdpDiscover_QueryA[14];
extern const unsigned char NZIOUdpDiscover_QueryB[28];
constexpr unsigned short NZIOUdpDiscover_PortA = 3289;
constexpr unsigned short NZIOUdpDiscover_PortB = 22222;

class NZIOUdpDiscover {
public:
    // Searches until more than ceil(timeoutMs / 1000) seconds have passed or *cancel becomes
    // non-zero (a null cancel pointer: never cancelled). Set the flag from another thread
    // with an atomic store, or from the callback. Returns at once when no socket opens.
    void NZIOUdpDiscover_StartDiscover(unsigned int timeoutMs, int *cancel, NZIOUdpDiscoverCallback callback,
                                       const void *user);

    // Datagram callback of the handlers: parses one reply (context: NZIOUdpDiscoverContext)
    // and calls the discovery callback; anything not recognised is ignored.
    static void NZIOUdpDiscover_ReadedEvent(const unsigned char *data, unsigned int length, unsigned int senderAddr,
                                            unsigned short senderPort, void *context);
};

#endif
