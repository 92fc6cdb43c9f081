#include "ports/NZUsbSysfs_linux.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {
std::mutex g_rootsLock;
std::string g_usblpDir = "/sys/bus/usb/drivers/usblp";
std::string g_devDir = "/dev/usb";

bool HexField(const char *p, unsigned short *value)
{
    unsigned int v = 0;
    for (int i = 0; i < 4; ++i) {
        const char c = p[i];
        unsigned int d;
        if (c >= '0' && c <= '9')
            d = static_cast<unsigned int>(c - '0');
        else if (c >= 'a' && c <= 'f')
            d = static_cast<unsigned int>(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            d = static_cast<unsigned int>(c - 'A' + 10);
        else
            return false;
        v = v * 16 + d;
    }
    *value = static_cast<unsigned short>(v);
    return true;
}
}

std::string NZUsbSysfs_UsblpDriverDir()
{
    std::lock_guard<std::mutex> lock(g_rootsLock);
    return g_usblpDir;
}

std::string NZUsbSysfs_UsbDeviceDir()
{
    std::lock_guard<std::mutex> lock(g_rootsLock);
    return g_devDir;
}

void NZUsbSysfs_SetRoots(const char *usblpDriverDir, const char *usbDeviceDir)
{
    std::lock_guard<std::mutex> lock(g_rootsLock);
    g_usblpDir = usblpDriverDir ? usblpDriverDir : "/sys/bus/usb/drivers/usblp";
    g_devDir = usbDeviceDir ? usbDeviceDir : "/dev/usb";
}

bool NZUsbSysfs_ReadVidPid(const char *busPath, unsigned short *vid, unsigned short *pid)
{
    if (!busPath)
        return false;
    const std::string path = std::string(busPath) + "/modalias";
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[301];
    memset(text, 0, sizeof(text));
    ssize_t n;
    do {
        n = read(fd, text, 300);
    } while (n < 0 && errno == EINTR);
    close(fd);
    if (n <= 0 || strlen(text) <= 13)
        return false;
    unsigned short v, p;
    if (!HexField(text + 5, &v) || !HexField(text + 10, &p))
        return false;
    if (vid)
        *vid = v;
    if (pid)
        *pid = p;
    return true;
}

bool NZUsbSysfs_EndsInDigit(const char *s)
{
    if (!s || !*s)
        return false;
    const char c = s[strlen(s) - 1];
    return c >= '0' && c <= '9';
}
