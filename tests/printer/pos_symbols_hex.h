// Byte-string helpers for the symbol and label command tests, over the shared Hex().
#ifndef QUORVANE_TESTS_PRINTER_POS_SYMBOLS_HEX_H
#define QUORVANE_TESTS_PRINTER_POS_SYMBOLS_HEX_H

#include <string>

#include "support/TestUtil.h"

namespace quorvane_test {

inline Bytes Cat(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline Bytes Text(const std::string &s) { return Bytes(s.begin(), s.end()); }

} // namespace quorvane_test

#endif
