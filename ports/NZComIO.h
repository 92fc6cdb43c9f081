// Serial-port interface and its settings; the defaults open nothing.
#ifndef QUORVANE_PORTS_NZCOMIO_H
#define QUORVANE_PORTS_NZCOMIO_H

#include <cwchar>

#include "ports/NZThreadIO.h"

// Data bits 5..8; any other value means 8.
enum ComDataBits { ComDataBits_5 = 5, ComDataBits_6 = 6, ComDataBits_7 = 7, ComDataBits_8 = 8 };
// 0 none, 1 odd, 2 even; any other value means none.
enum ComParity { ComParity_None = 0, ComParity_Odd = 1, ComParity_Even = 2 };
// 0 one stop bit, 2 two; any other value means one.
enum ComStopBits { ComStopBits_One = 0, ComStopBits_Two = 2 };
// 0 none, 1 XON/XOFF, 2 RTS/CTS; any other value means none.
enum ComFlowControl { ComFlowControl_None = 0, ComFlowControl_XonXoff = 1, ComFlowControl_RtsCts = 2 };

class NZComIO : public virtual NZThreadIO {
public:
    NZComIO();
    ~NZComIO() override;

    virtual bool Open(const char *path, int baudrate, ComDataBits dataBits, ComParity parity,
                      ComStopBits stopBits, ComFlowControl flowControl);
    virtual bool OpenA(const char *path, int baudrate, ComDataBits dataBits, ComParity parity,
                       ComStopBits stopBits, ComFlowControl flowControl);
    virtual bool OpenW(const wchar_t *path, int baudrate, ComDataBits dataBits, ComParity parity,
                       ComStopBits stopBits, ComFlowControl flowControl);
    // 9600 baud, 8 data bits, no parity, one stop bit, no flow control.
    bool Open(const char *path) override;
    virtual bool SetBaudrate(int baudrate);
    virtual bool SetFlowControl(ComFlowControl flowControl);

    using NZIO::OpenA;
    using NZIO::OpenW;
};

#endif
