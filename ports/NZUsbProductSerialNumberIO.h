// USB printer named by product and serial number ("product/serial", optionally followed
// by ",MI:" and an interface number); no platform here can open one.
#ifndef QUORVANE_PORTS_NZUSBPRODUCTSERIALNUMBERIO_H
#define QUORVANE_PORTS_NZUSBPRODUCTSERIALNUMBERIO_H

#include "ports/NZThreadIO.h"

class NZUsbProductSerialNumberIO : public virtual NZThreadIO {
public:
    NZUsbProductSerialNumberIO();
    ~NZUsbProductSerialNumberIO() override;

    bool Open(const char *name) override;
    virtual bool OpenUsbProductSerialNumberMi(const char *product, const char *serialNumber, int mi);
};

#endif
