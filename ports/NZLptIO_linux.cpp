#include "ports/NZLptIO_linux.h"

#include <fcntl.h>

NZLptIO_linux::NZLptIO_linux() {}
NZLptIO_linux::~NZLptIO_linux() {}

bool NZLptIO_linux::Open(const char *path)
{
    if (!BeginOpen())
        return false;
    // Reads are refused from the start, whether the open succeeds or not.
    SetUnreadable(true);
    SetCancelRead(true);
    const int fd = OpenDeviceNode(path, O_NOCTTY);
    if (fd < 0)
        return false;
    return AttachDevice(fd, false);
}
