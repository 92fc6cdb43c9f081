// One auto-reply frame as a printer sends it: 0x53, five data bytes, the type, and the XOR
// of the seven bytes before the check. Header-only, so the fuzz harnesses can use it too.
#ifndef QUORVANE_TESTS_SUPPORT_AUTOREPLYFRAME_H
#define QUORVANE_TESTS_SUPPORT_AUTOREPLYFRAME_H

#include <vector>

namespace quorvane_test {

inline std::vector<unsigned char> Frame(unsigned char d1, unsigned char d2, unsigned char d3, unsigned char d4,
                                        unsigned char d5, unsigned char type)
{
    std::vector<unsigned char> f = {0x53, d1, d2, d3, d4, d5, type, 0};
    for (int i = 0; i < 7; ++i)
        f[7] ^= f[i];
    return f;
}

} // namespace quorvane_test

#endif
