// Parallel port opened by device path; the interface adds nothing to NZThreadIO.
#ifndef QUORVANE_PORTS_NZLPTIO_H
#define QUORVANE_PORTS_NZLPTIO_H

#include "ports/NZThreadIO.h"

class NZLptIO : public virtual NZThreadIO {
public:
    NZLptIO();
    ~NZLptIO() override;
};

#endif
