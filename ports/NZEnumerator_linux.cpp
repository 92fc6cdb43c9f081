#include "ports/NZEnumerator_linux.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>

#include "ports/NZUsbSysfs_linux.h"

namespace {
bool HasPrefix(const char *name, const char **prefixes)
{
    for (const char **p = prefixes; *p; ++p) {
        if (strncmp(name, *p, strlen(*p)) == 0)
            return true;
    }
    return false;
}

unsigned char EntryType(DIR *d, const struct dirent *e)
{
    if (e->d_type != DT_UNKNOWN)
        return e->d_type;
    struct stat st;
    if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
        return DT_UNKNOWN;
    return static_cast<unsigned char>(IFTODT(st.st_mode));
}
}

int NZDirectoryList_linux::ListFiles(const char *dir, unsigned char skipType, const char **prefixes, char *out,
                                     unsigned int room, unsigned int *needed)
{
    NZStringListWriter list(out, room);
    DIR *d = dir ? opendir(dir) : nullptr;
    if (d) {
        while (struct dirent *e = readdir(d)) {
            if (skipType != 0 && EntryType(d, e) == skipType)
                continue;
            if (prefixes && !HasPrefix(e->d_name, prefixes))
                continue;
            if (e->d_name[0] == 0)
                continue;
            // Built to its full length: a long path is listed whole, never cut.
            const std::string path = std::string(dir) + "/" + e->d_name;
            list.Add(path.c_str());
        }
        closedir(d);
    }
    return list.Finish(needed);
}

int NZDirectoryList_linux::ListFiles(const char *dir, const char **prefixes, char *out, unsigned int room,
                                     unsigned int *needed)
{
    return ListFiles(dir, DT_DIR, prefixes, out, room, needed);
}

char *NZDirectoryList_linux::ListFilesAlloc(const char *dir, unsigned char skipType, const char **prefixes)
{
    unsigned int size = 0;
    ListFiles(dir, skipType, prefixes, nullptr, 0, &size);
    if (size == 0)
        return nullptr;
    // Room for entries that appear between the two listings is not needed: a list that
    // does not fit simply holds fewer entries, and it is always terminated.
    char *list = static_cast<char *>(calloc(size, 1));
    if (!list)
        return nullptr;
    ListFiles(dir, skipType, prefixes, list, size, nullptr);
    return list;
}

int NZComIOEnumerator_linux::Enumerate(char *out, unsigned int room, unsigned int *needed)
{
    const char *prefixes[] = {"ttyS", "ttyUSB", nullptr};
    return NZDirectoryList_linux::ListFiles("/dev", prefixes, out, room, needed);
}

int NZLptIOEnumerator_linux::Enumerate(char *out, unsigned int room, unsigned int *needed)
{
    const char *prefixes[] = {"lp", nullptr};
    return NZDirectoryList_linux::ListFiles("/dev", prefixes, out, room, needed);
}

int NZUsbIOEnumerator_linux::Enumerate(char *out, unsigned int room, unsigned int *needed)
{
    const char *prefixes[] = {"lp", nullptr};
    return NZDirectoryList_linux::ListFiles("/dev/usb", prefixes, out, room, needed);
}

int NZHostIPEnumerator_linux::Enumerate(char *out, unsigned int room, unsigned int *needed)
{
    NZStringListWriter list(out, room);
    struct ifaddrs *addrs = nullptr;
    if (getifaddrs(&addrs) == 0) {
        for (struct ifaddrs *a = addrs; a; a = a->ifa_next) {
            if (!a->ifa_addr || a->ifa_addr->sa_family != AF_INET)
                continue;
            if (a->ifa_name && strncmp(a->ifa_name, "lo", 2) == 0)
                continue;
            char text[INET_ADDRSTRLEN];
            const struct sockaddr_in *in = reinterpret_cast<const struct sockaddr_in *>(a->ifa_addr);
            if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof(text)))
                list.Add(text);
        }
        freeifaddrs(addrs);
    }
    return list.Finish(needed);
}

bool NZUsbVidPidEnumerator_linux::ReadUsbVidPidByUsblpBusPath(const char *busPath, unsigned short *vid,
                                                              unsigned short *pid)
{
    return NZUsbSysfs_ReadVidPid(busPath, vid, pid);
}

bool NZUsbVidPidEnumerator_linux::FilterMatchedVidPid(int vid, int pid) const
{
    for (int i = 0; filter && i < filterCount; ++i) {
        if (filter[i].vid == vid && filter[i].pid == pid)
            return true;
    }
    return false;
}

int NZUsbVidPidEnumerator_linux::Enumerate(char *out, unsigned int room, unsigned int *needed)
{
    NZStringListWriter list(out, room);
    char *paths = NZDirectoryList_linux::ListFilesAlloc(NZUsbSysfs_UsblpDriverDir().c_str(), 0, nullptr);
    if (paths) {
        for (const char *p = paths; *p; p += strlen(p) + 1) {
            unsigned short vid, pid;
            if (!NZUsbSysfs_EndsInDigit(p) || !ReadUsbVidPidByUsblpBusPath(p, &vid, &pid))
                continue;
            if (filterCount > 0 && !FilterMatchedVidPid(vid, pid))
                continue;
            char name[32];
            snprintf(name, sizeof(name), "VID:0x%04X,PID:0x%04X", vid, pid);
            list.Add(name);
        }
        free(paths);
    }
    return list.Finish(needed);
}
