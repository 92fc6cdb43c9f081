// USB printer on a usblp device node such as "/dev/usb/lp0".
#ifndef QUORVANE_PORTS_NZUSBIO_LINUX_H
#define QUORVANE_PORTS_NZUSBIO_LINUX_H

#include "ports/NZUsbIO.h"
#include "ports/SelectIOBase_linux.h"

class NZUsbIO_linux : public SelectIOBase_linux, public NZUsbIO {
public:
    NZUsbIO_linux();
    ~NZUsbIO_linux() override;

    // Opens the node and starts the read thread with 64-byte packets.
    bool Open(const char *path) override;
};

#endif
