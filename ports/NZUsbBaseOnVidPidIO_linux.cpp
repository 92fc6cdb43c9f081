#include "ports/NZUsbBaseOnVidPidIO_linux.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ports/NZEnumerator.h"
#include "ports/NZEnumerator_linux.h"
#include "ports/NZUsbSysfs_linux.h"

namespace {
// Adds the entries of a full-path list that end in a digit to the writer.
void AddEndingInDigit(const char *paths, NZStringListWriter &list)
{
    for (const char *p = paths; p && *p; p += strlen(p) + 1) {
        if (NZUsbSysfs_EndsInDigit(p))
            list.Add(p);
    }
}

// Runs a filler twice, measuring first; the malloc'ed result is freed by the caller.
template <typename Fill> char *MeasureThenFill(Fill fill)
{
    unsigned int size = 0;
    fill(nullptr, 0, &size);
    if (size == 0)
        return nullptr;
    char *list = static_cast<char *>(calloc(size, 1));
    if (list)
        fill(list, size, nullptr);
    return list;
}
}

NZUsbBaseOnVidPidIO_linux::NZUsbBaseOnVidPidIO_linux() {}
NZUsbBaseOnVidPidIO_linux::~NZUsbBaseOnVidPidIO_linux() {}

int NZUsbBaseOnVidPidIO_linux::EnumerateUsblpBusPath(char *out, unsigned int room, unsigned int *needed)
{
    NZStringListWriter list(out, room);
    char *all = NZDirectoryList_linux::ListFilesAlloc(NZUsbSysfs_UsblpDriverDir().c_str(), 0, nullptr);
    AddEndingInDigit(all, list);
    free(all);
    return list.Finish(needed);
}

bool NZUsbBaseOnVidPidIO_linux::ReadUsbVidPidByUsblpBusPath(const char *busPath, unsigned short *vid,
                                                            unsigned short *pid)
{
    return NZUsbSysfs_ReadVidPid(busPath, vid, pid);
}

int NZUsbBaseOnVidPidIO_linux::EnumerateUsbmiscByUsblpBusPath(const char *busPath, char *out, unsigned int room,
                                                              unsigned int *needed)
{
    NZStringListWriter list(out, room);
    if (busPath) {
        const std::string dir = std::string(busPath) + "/usbmisc";
        char *all = NZDirectoryList_linux::ListFilesAlloc(dir.c_str(), 0, nullptr);
        AddEndingInDigit(all, list);
        free(all);
    }
    return list.Finish(needed);
}

int NZUsbBaseOnVidPidIO_linux::EnumerateUsbmiscByUsbVidPid(unsigned short vid, unsigned short pid, char *out,
                                                           unsigned int room, unsigned int *needed)
{
    char *buses = MeasureThenFill([](char *o, unsigned int r, unsigned int *n) { return EnumerateUsblpBusPath(o, r, n); });
    int count = 0;
    for (const char *p = buses; p && *p; p += strlen(p) + 1) {
        unsigned short v, d;
        if (ReadUsbVidPidByUsblpBusPath(p, &v, &d) && v == vid && d == pid) {
            count = EnumerateUsbmiscByUsblpBusPath(p, out, room, needed);
            break;
        }
    }
    free(buses);
    return count;
}

int NZUsbBaseOnVidPidIO_linux::EnumerateUsblpDevicePathByUsbVidPid(unsigned short vid, unsigned short pid,
                                                                   char *out, unsigned int room,
                                                                   unsigned int *needed)
{
    NZStringListWriter list(out, room);
    char *misc = MeasureThenFill([vid, pid](char *o, unsigned int r, unsigned int *n) {
        return EnumerateUsbmiscByUsbVidPid(vid, pid, o, r, n);
    });
    const std::string devDir = NZUsbSysfs_UsbDeviceDir();
    for (const char *p = misc; p && *p; p += strlen(p) + 1) {
        const char *slash = strrchr(p, '/');
        if (!slash || !NZUsbSysfs_EndsInDigit(slash + 1))
            continue;
        list.Add((devDir + "/" + (slash + 1)).c_str());
    }
    free(misc);
    return list.Finish(needed);
}

bool NZUsbBaseOnVidPidIO_linux::OpenUsbVidPid(unsigned short vid, unsigned short pid)
{
    if (!BeginOpen())
        return false;
    char *paths = MeasureThenFill([vid, pid](char *o, unsigned int r, unsigned int *n) {
        return EnumerateUsblpDevicePathByUsbVidPid(vid, pid, o, r, n);
    });
    if (paths && *paths) {
        printf("OpenUsbVidPid %s VID:0x%04X,PID:0x%04X\n", paths, vid, pid);
        fflush(stdout);
        const int fd = OpenDeviceNode(paths, 0);
        if (fd >= 0)
            AttachDevice(fd, true);
    }
    free(paths);
    return IsOpened();
}
