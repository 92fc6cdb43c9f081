#include "ports/NZBtSppBaseIO.h"

#include <cstdlib>
#include <cstring>

#include "ports/NZUtils.h"

NZBtSppBaseIO::NZBtSppBaseIO() {}
NZBtSppBaseIO::~NZBtSppBaseIO() {}

bool NZBtSppBaseIO::OpenAddressUuid(const char *, const char *) { return BeginOpen() && IsOpened(); }

bool NZBtSppBaseIO::OpenAddressUuidA(const char *address, const char *uuid) { return OpenAddressUuid(address, uuid); }

bool NZBtSppBaseIO::OpenAddressUuidW(const wchar_t *address, const wchar_t *uuid)
{
    char *a = NZStringUtils::nzutils_wcstombs_local(address);
    char *u = NZStringUtils::nzutils_wcstombs_local(uuid);
    const bool ok = OpenAddressUuid(a, u);
    free(a);
    free(u);
    return ok;
}

bool NZBtSppBaseIO::Open(const char *address) { return OpenAddressUuid(address, NZ_BT_SPP_UUID); }

bool NZBtSppBaseIO::OpenWithListen(NZBtSppServerSocket *server, unsigned int timeoutMs, char *address)
{
    if (!BeginOpen())
        return false;
    if (server && server->Listen()) {
        server->Accept(timeoutMs, this, address);
        server->StopListen();
    }
    return IsOpened();
}

bool NZBtSppBaseIO::OpenWithListenA(NZBtSppServerSocket *server, unsigned int timeoutMs, char *address)
{
    return OpenWithListen(server, timeoutMs, address);
}

bool NZBtSppBaseIO::OpenWithListenW(NZBtSppServerSocket *server, unsigned int timeoutMs, wchar_t *address)
{
    char narrow[18];
    memset(narrow, 0, sizeof(narrow));
    const bool ok = OpenWithListen(server, timeoutMs, narrow);
    if (address) {
        for (int i = 0; i < 18; ++i)
            address[i] = static_cast<wchar_t>(static_cast<unsigned char>(narrow[i]));
    }
    return ok;
}

NZBtSppBaseIO_linux::NZBtSppBaseIO_linux() {}
NZBtSppBaseIO_linux::~NZBtSppBaseIO_linux() {}
