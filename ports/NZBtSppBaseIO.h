// Bluetooth SPP port interface; every open fails on this platform.
#ifndef QUORVANE_PORTS_NZBTSPPBASEIO_H
#define QUORVANE_PORTS_NZBTSPPBASEIO_H

#include <cwchar>

#include "ports/NZThreadIO.h"

class NZBtSppBaseIO;

// A listening SPP server that hands an accepted connection to a port.
class NZBtSppServerSocket {
public:
    virtual ~NZBtSppServerSocket() {}
    virtual bool Listen() = 0;
    virtual void Accept(unsigned int timeoutMs, NZBtSppBaseIO *port, char *address) = 0;
    virtual void StopListen() = 0;
};

#define NZ_BT_SPP_UUID "00001101-0000-1000-8000-00805F9B34FB"

class NZBtSppBaseIO : public virtual NZThreadIO {
public:
    NZBtSppBaseIO();
    ~NZBtSppBaseIO() override;

    virtual bool OpenAddressUuid(const char *address, const char *uuid);
    virtual bool OpenAddressUuidA(const char *address, const char *uuid);
    virtual bool OpenAddressUuidW(const wchar_t *address, const wchar_t *uuid);
    // Opens the serial-port service of the device.
    bool Open(const char *address) override;
    virtual bool OpenWithListen(NZBtSppServerSocket *server, unsigned int timeoutMs, char *address);
    virtual bool OpenWithListenA(NZBtSppServerSocket *server, unsigned int timeoutMs, char *address);
    // address receives 18 wide characters.
    virtual bool OpenWithListenW(NZBtSppServerSocket *server, unsigned int timeoutMs, wchar_t *address);
};

class NZBtSppBaseIO_linux : public NZBtSppBaseIO {
public:
    NZBtSppBaseIO_linux();
    ~NZBtSppBaseIO_linux() override;
};

#endif
