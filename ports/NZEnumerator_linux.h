// Linux enumerators: device nodes under /dev, the usblp driver's printers and the
// host's IPv4 addresses.
#ifndef QUORVANE_PORTS_NZENUMERATOR_LINUX_H
#define QUORVANE_PORTS_NZENUMERATOR_LINUX_H

#include "ports/NZEnumerator.h"

class NZDirectoryList_linux {
public:
    // Lists the entries of dir as full paths "dir/name" in the string-list format: entries
    // of type skipType (0: none) are left out, and with a null-terminated prefix array only
    // names that begin with one of the prefixes are listed. Returns the copied count.
    static int ListFiles(const char *dir, unsigned char skipType, const char **prefixes, char *out,
                         unsigned int room, unsigned int *needed);
    // The same with directories left out.
    static int ListFiles(const char *dir, const char **prefixes, char *out, unsigned int room,
                         unsigned int *needed);
    // Measures, then fills a malloc'ed list (freed by the caller); null when nothing was found.
    static char *ListFilesAlloc(const char *dir, unsigned char skipType, const char **prefixes);
};

class NZComIOEnumerator_linux : public NZEnumerator {
public:
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override;
};

class NZLptIOEnumerator_linux : public NZEnumerator {
public:
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override;
};

class NZUsbIOEnumerator_linux : public NZEnumerator {
public:
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override;
};

class NZHostIPEnumerator_linux : public NZEnumerator {
public:
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override;
};

class NZUsbVidPidEnumerator_linux : public NZUsbVidPidEnumerator {
public:
    // One "VID:0x%04X,PID:0x%04X" entry per printer interface bound to usblp.
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override;
    static bool ReadUsbVidPidByUsblpBusPath(const char *busPath, unsigned short *vid, unsigned short *pid);
    bool FilterMatchedVidPid(int vid, int pid) const;
};

class NZBtDeviceEnumerator_linux : public NZBtDeviceEnumerator {
};

class NZBleDeviceEnumerator_linux : public NZBleDeviceEnumerator {
};

#endif
