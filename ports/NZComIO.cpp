#include "ports/NZComIO.h"

#include <cstdlib>

#include "ports/NZUtils.h"

NZComIO::NZComIO() {}
NZComIO::~NZComIO() {}

bool NZComIO::Open(const char *, int, ComDataBits, ComParity, ComStopBits, ComFlowControl)
{
    return BeginOpen() && IsOpened();
}

bool NZComIO::OpenA(const char *path, int baudrate, ComDataBits dataBits, ComParity parity, ComStopBits stopBits,
                    ComFlowControl flowControl)
{
    return Open(path, baudrate, dataBits, parity, stopBits, flowControl);
}

bool NZComIO::OpenW(const wchar_t *path, int baudrate, ComDataBits dataBits, ComParity parity, ComStopBits stopBits,
                    ComFlowControl flowControl)
{
    char *narrow = NZStringUtils::nzutils_wcstombs_local(path);
    if (!narrow)
        return false;
    const bool ok = Open(narrow, baudrate, dataBits, parity, stopBits, flowControl);
    free(narrow);
    return ok;
}

bool NZComIO::Open(const char *path)
{
    return Open(path, 9600, ComDataBits_8, ComParity_None, ComStopBits_One, ComFlowControl_None);
}

bool NZComIO::SetBaudrate(int) { return false; }
bool NZComIO::SetFlowControl(ComFlowControl) { return false; }
