#include "ports/NZUsbBaseOnVidPidIO.h"

#include <cstdlib>
#include <cstring>

namespace {
// Six characters "0x" + hex digits, read whole by strtol; anything left over fails.
bool ParseId(const char *field, unsigned short *id)
{
    char copy[7];
    memcpy(copy, field, 6);
    copy[6] = 0;
    if (copy[0] == ' ' || copy[0] == '-' || copy[0] == '+')
        return false;
    char *end = nullptr;
    const long v = strtol(copy, &end, 16);
    if (end != copy + 6 || v < 0 || v > 0xFFFF)
        return false;
    *id = static_cast<unsigned short>(v);
    return true;
}
}

NZUsbBaseOnVidPidIO::NZUsbBaseOnVidPidIO() {}
NZUsbBaseOnVidPidIO::~NZUsbBaseOnVidPidIO() {}

bool NZUsbBaseOnVidPidIO::ParseName(const char *name, unsigned short *vid, unsigned short *pid, int *mi)
{
    if (!name)
        return false;
    const size_t len = strlen(name);
    if (len != 21 && len != 27)
        return false;
    unsigned short v, p;
    if (!ParseId(name + 4, &v) || !ParseId(name + 15, &p))
        return false;
    int m = -1;
    if (len == 27) {
        if (name[25] < '0' || name[25] > '9' || name[26] < '0' || name[26] > '9')
            return false;
        m = (name[25] - '0') * 10 + (name[26] - '0');
    }
    if (vid)
        *vid = v;
    if (pid)
        *pid = p;
    if (mi)
        *mi = m;
    return true;
}

bool NZUsbBaseOnVidPidIO::Open(const char *name)
{
    if (!BeginOpen())
        return false;
    unsigned short vid, pid;
    int mi;
    if (!ParseName(name, &vid, &pid, &mi))
        return false;
    if (mi < 0)
        OpenUsbVidPid(vid, pid);
    else
        OpenUsbVidPidMi(vid, pid, mi);
    return IsOpened();
}

bool NZUsbBaseOnVidPidIO::OpenUsbVidPidMi(unsigned short, unsigned short, int)
{
    return BeginOpen() && IsOpened();
}

bool NZUsbBaseOnVidPidIO::OpenUsbVidPid(unsigned short vid, unsigned short pid)
{
    return OpenUsbVidPidMi(vid, pid, -1);
}

bool NZUsbBaseOnVidPidIO::InitUsbDevice(unsigned short, unsigned short, void *) { return true; }
