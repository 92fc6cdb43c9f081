#include "ports/NZUsbIO_linux.h"

NZUsbIO_linux::NZUsbIO_linux() {}
NZUsbIO_linux::~NZUsbIO_linux() {}

bool NZUsbIO_linux::Open(const char *path)
{
    if (!BeginOpen())
        return false;
    const int fd = OpenDeviceNode(path, 0);
    if (fd < 0)
        return false;
    return AttachDevice(fd, true);
}
