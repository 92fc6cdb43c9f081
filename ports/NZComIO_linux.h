// Serial port on a terminal device node, configured raw through termios.
#ifndef QUORVANE_PORTS_NZCOMIO_LINUX_H
#define QUORVANE_PORTS_NZCOMIO_LINUX_H

#include <termios.h>

#include "ports/NZComIO.h"
#include "ports/SelectIOBase_linux.h"

class NZComIO_linux : public SelectIOBase_linux, public NZComIO {
public:
    NZComIO_linux();
    ~NZComIO_linux() override;

    // Fails for a rate outside the baud-rate table or a node that cannot be opened.
    bool Open(const char *path, int baudrate, ComDataBits dataBits, ComParity parity, ComStopBits stopBits,
              ComFlowControl flowControl) override;
    // Changes only the speed of the open device; false for a rate outside the table.
    bool SetBaudrate(int baudrate) override;
    using NZComIO::Open;

    // The termios speed constant of a supported rate; false when the rate is not supported.
    static bool LookupBaudrate(int baudrate, speed_t *speed);
    // Builds the whole raw-mode record an open applies; false for an unsupported rate.
    static bool BuildTermios(struct termios *t, int baudrate, ComDataBits dataBits, ComParity parity,
                             ComStopBits stopBits, ComFlowControl flowControl);
};

#endif
