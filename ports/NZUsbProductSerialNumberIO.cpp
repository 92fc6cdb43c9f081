#include "ports/NZUsbProductSerialNumberIO.h"

#include <cstdlib>
#include <cstring>

NZUsbProductSerialNumberIO::NZUsbProductSerialNumberIO() {}
NZUsbProductSerialNumberIO::~NZUsbProductSerialNumberIO() {}

bool NZUsbProductSerialNumberIO::Open(const char *name)
{
    if (!BeginOpen() || !name)
        return false;
    char *copy = strdup(name);
    if (!copy)
        return false;
    int mi = 0;
    if (char *m = strstr(copy, ",MI:")) {
        mi = atoi(m + 4);
        *m = 0;
    }
    if (char *slash = strchr(copy, '/')) {
        *slash = 0;
        OpenUsbProductSerialNumberMi(copy, slash + 1, mi);
    }
    free(copy);
    return IsOpened();
}

bool NZUsbProductSerialNumberIO::OpenUsbProductSerialNumberMi(const char *, const char *, int)
{
    return BeginOpen() && IsOpened();
}
