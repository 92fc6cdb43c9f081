// USB printer-class port opened by device path; the interface adds nothing to NZThreadIO.
#ifndef QUORVANE_PORTS_NZUSBIO_H
#define QUORVANE_PORTS_NZUSBIO_H

#include "ports/NZThreadIO.h"

class NZUsbIO : public virtual NZThreadIO {
public:
    NZUsbIO();
    ~NZUsbIO() override;
};

#endif
