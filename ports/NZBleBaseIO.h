// Bluetooth Low Energy port interfaces (plain, protocol V2, protocol V3); every open
// fails on this platform.
#ifndef QUORVANE_PORTS_NZBLEBASEIO_H
#define QUORVANE_PORTS_NZBLEBASEIO_H

#include "ports/NZThreadIO.h"

class NZBleBaseIO : public virtual NZThreadIO {
public:
    NZBleBaseIO();
    ~NZBleBaseIO() override;

    virtual bool OpenPeripheral(void *peripheral);
    virtual void SetWriteMode(unsigned int a, unsigned int b, unsigned int c, unsigned int d);
};

class NZBleBaseIO_linux : public NZBleBaseIO {
public:
    NZBleBaseIO_linux();
    ~NZBleBaseIO_linux() override;
};

class NZBleProtoV2IO : public virtual NZThreadIO {
public:
    NZBleProtoV2IO();
    ~NZBleProtoV2IO() override;

    virtual bool OpenPeripheral(void *peripheral);
    virtual void ClearPacketSendTimesList();
    virtual int GetPacketSendTimesListLength();
    // Writes nothing; returns 0.
    virtual int GetPacketSendTimesListValue(int *values, int count);
};

class NZBleProtoV3IO : public virtual NZThreadIO {
public:
    NZBleProtoV3IO();
    ~NZBleProtoV3IO() override;

    virtual bool OpenPeripheral(void *peripheral);
};

#endif
