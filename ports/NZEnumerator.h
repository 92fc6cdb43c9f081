// Device enumerators: each lists what a caller could open as a string list (entries
// NUL-terminated end to end, one more NUL after the last) and reports the size needed.
#ifndef QUORVANE_PORTS_NZENUMERATOR_H
#define QUORVANE_PORTS_NZENUMERATOR_H

#include <cwchar>

// Adds entries to a caller's buffer by the list rules: an entry of length n is copied
// only when n + 1 is less than the room left; the needed size grows by n + 2 for every
// entry, copied or not.
class NZStringListWriter {
public:
    NZStringListWriter(char *out, unsigned int room);
    void Add(const char *entry);
    int Count() const { return m_count; }
    unsigned int Needed() const { return m_needed; }
    // Terminates a list that received no entry when there is room, stores the needed
    // size when the pointer is not null and returns the count of copied entries.
    int Finish(unsigned int *needed);

private:
    char *m_out;
    unsigned int m_room;
    unsigned int m_needed;
    int m_count;
};

class NZEnumerator {
public:
    virtual ~NZEnumerator() {}
    // Finds nothing: needed size 0, count 0.
    virtual int Enumerate(char *out, unsigned int room, unsigned int *needed);
    virtual int EnumerateA(char *out, unsigned int room, unsigned int *needed);
    // Wide form of the list; room and needed size in bytes.
    virtual int EnumerateW(wchar_t *out, unsigned int room, unsigned int *needed);
};

// USB printers by vendor and product id; an empty filter lists every printer.
class NZUsbVidPidEnumerator : public NZEnumerator {
public:
    struct VidPid {
        int vid;
        int pid;
    };
    NZUsbVidPidEnumerator() : filterCount(0), filter(nullptr) {}

    int filterCount;
    VidPid *filter;
};

class NZUsbProductSerialNumberEnumerator : public NZEnumerator {
};

typedef void (*NZBtDeviceFoundA)(const char *name, const char *address, const void *user);
typedef void (*NZBtDeviceFoundW)(const wchar_t *name, const wchar_t *address, const void *user);

// Bluetooth and BLE searches: nothing is found on this platform, no callback runs.
class NZBtDeviceEnumerator : public NZEnumerator {
public:
    virtual void EnumBtDeviceA(unsigned int timeoutMs, int *cancel, NZBtDeviceFoundA found, const void *user);
    virtual void EnumBtDeviceW(unsigned int timeoutMs, int *cancel, NZBtDeviceFoundW found, const void *user);
};

class NZBleDeviceEnumerator : public NZEnumerator {
public:
    virtual void EnumBtDeviceA(unsigned int timeoutMs, int *cancel, NZBtDeviceFoundA found, const void *user);
    virtual void EnumBtDeviceW(unsigned int timeoutMs, int *cancel, NZBtDeviceFoundW found, const void *user);
};

typedef void (*NZWiFiP2PDeviceFoundA)(const char *name, const char *address, const char *type, const void *user);
typedef void (*NZWiFiP2PDeviceFoundW)(const wchar_t *name, const wchar_t *address, const wchar_t *type,
                                      const void *user);

class NZWiFiP2PDeviceEnumerator : public NZEnumerator {
public:
    virtual void EnumWiFiP2PDeviceA(unsigned int timeoutMs, int *cancel, NZWiFiP2PDeviceFoundA found,
                                    const void *user);
    virtual void EnumWiFiP2PDeviceW(unsigned int timeoutMs, int *cancel, NZWiFiP2PDeviceFoundW found,
                                    const void *user);
};

#endif
