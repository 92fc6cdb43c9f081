#include "ports/NZUsbIO.h"

NZUsbIO::NZUsbIO() {}
NZUsbIO::~NZUsbIO() {}
