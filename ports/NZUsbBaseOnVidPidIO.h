// USB printer named "VID:0x%04X,PID:0x%04X" (optionally followed by ",MI:" and two
// digits); platforms supply the lookup of the device.
#ifndef QUORVANE_PORTS_NZUSBBASEONVIDPIDIO_H
#define QUORVANE_PORTS_NZUSBBASEONVIDPIDIO_H

#include "ports/NZThreadIO.h"

class NZUsbBaseOnVidPidIO : public virtual NZThreadIO {
public:
    NZUsbBaseOnVidPidIO();
    ~NZUsbBaseOnVidPidIO() override;

    // A 21-character name opens by identifiers, a 27-character one by identifiers and
    // interface number; any other length or an unreadable hex field opens nothing.
    bool Open(const char *name) override;
    // Interface -1 means any; no platform here selects an interface, so this fails.
    virtual bool OpenUsbVidPidMi(unsigned short vid, unsigned short pid, int mi);
    virtual bool OpenUsbVidPid(unsigned short vid, unsigned short pid);
    virtual bool InitUsbDevice(unsigned short vid, unsigned short pid, void *device);

    // Parses the two name forms; false for any other text.
    static bool ParseName(const char *name, unsigned short *vid, unsigned short *pid, int *mi);
};

#endif
