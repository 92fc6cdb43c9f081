// USB printer by vendor and product id: the usblp interface with those identifiers is
// found in sysfs and its device node opened.
#ifndef QUORVANE_PORTS_NZUSBBASEONVIDPIDIO_LINUX_H
#define QUORVANE_PORTS_NZUSBBASEONVIDPIDIO_LINUX_H

#include "ports/NZUsbBaseOnVidPidIO.h"
#include "ports/SelectIOBase_linux.h"

class NZUsbBaseOnVidPidIO_linux : public SelectIOBase_linux, public NZUsbBaseOnVidPidIO {
public:
    NZUsbBaseOnVidPidIO_linux();
    ~NZUsbBaseOnVidPidIO_linux() override;

    // Opens the first device node of the first usblp interface with these identifiers.
    bool OpenUsbVidPid(unsigned short vid, unsigned short pid) override;

    // String-list fillers (NUL-terminated entries, an empty entry last); each returns the
    // count copied and adds length + 2 per entry found to *needed when it is not null.
    // Bus paths of the interfaces bound to usblp (names ending in a digit).
    static int EnumerateUsblpBusPath(char *out, unsigned int room, unsigned int *needed);
    static bool ReadUsbVidPidByUsblpBusPath(const char *busPath, unsigned short *vid, unsigned short *pid);
    // Entries of "<busPath>/usbmisc" ending in a digit, as full paths.
    static int EnumerateUsbmiscByUsblpBusPath(const char *busPath, char *out, unsigned int room,
                                              unsigned int *needed);
    // usbmisc entries of the first interface with these identifiers; 0 (needed untouched) if none.
    static int EnumerateUsbmiscByUsbVidPid(unsigned short vid, unsigned short pid, char *out, unsigned int room,
                                           unsigned int *needed);
    // Device node paths ("/dev/usb/lpN") of the first interface with these identifiers.
    static int EnumerateUsblpDevicePathByUsbVidPid(unsigned short vid, unsigned short pid, char *out,
                                                   unsigned int room, unsigned int *needed);
};

#endif
