// Write-only parallel port on a device node such as "/dev/lp0"; no read thread.
#ifndef QUORVANE_PORTS_NZLPTIO_LINUX_H
#define QUORVANE_PORTS_NZLPTIO_LINUX_H

#include "ports/NZLptIO.h"
#include "ports/SelectIOBase_linux.h"

class NZLptIO_linux : public SelectIOBase_linux, public NZLptIO {
public:
    NZLptIO_linux();
    ~NZLptIO_linux() override;

    bool Open(const char *path) override;
};

#endif
