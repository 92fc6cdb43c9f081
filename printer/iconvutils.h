// Conversions between wide text (wchar_t) and the multibyte encodings printers
// expect, through iconv or the process locale. The five functions are part of
// the library's exported C interface; their declarations live in the public header.
#ifndef QUORVANE_PRINTER_ICONVUTILS_H
#define QUORVANE_PRINTER_ICONVUTILS_H

#include "quorvane/quorvane.h"

#endif
