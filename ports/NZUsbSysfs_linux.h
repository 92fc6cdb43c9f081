// Where USB printers bound to the usblp driver are looked up, and the reading of an
// interface's identifiers. Tests point the two roots at temporary directories.
#ifndef QUORVANE_PORTS_NZUSBSYSFS_LINUX_H
#define QUORVANE_PORTS_NZUSBSYSFS_LINUX_H

#include <string>

// The usblp driver directory ("/sys/bus/usb/drivers/usblp") and the directory of the
// printer device nodes ("/dev/usb").
std::string NZUsbSysfs_UsblpDriverDir();
std::string NZUsbSysfs_UsbDeviceDir();
// Replaces both roots; null restores the system paths. Not for use while ports open.
void NZUsbSysfs_SetRoots(const char *usblpDriverDir, const char *usbDeviceDir);

// Reads "<busPath>/modalias" ("usb:v" + 4 hex digits + "p" + 4 hex digits ...): true when
// both fields are exactly four hex digits.
bool NZUsbSysfs_ReadVidPid(const char *busPath, unsigned short *vid, unsigned short *pid);

// True when the text is not empty and ends in a decimal digit.
bool NZUsbSysfs_EndsInDigit(const char *s);

#endif
