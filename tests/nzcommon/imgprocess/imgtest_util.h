// Helpers shared by the imaging tests: owned malloc'ed buffers, a small deterministic
// random source and temporary files; hex literals and BMP files come from the shared kit.
#ifndef TESTS_NZCOMMON_IMGPROCESS_IMGTEST_UTIL_H
#define TESTS_NZCOMMON_IMGPROCESS_IMGTEST_UTIL_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "support/TestImages.h"
#include "support/TestUtil.h"
#include "support/ImageFiles.h"

namespace imgtest {

struct FreeDeleter {
    void operator()(void *p) const { free(p); }
};
using Owned = std::unique_ptr<unsigned char, FreeDeleter>;

inline std::vector<unsigned char> Bytes(const unsigned char *p, int n)
{
    return p && n > 0 ? std::vector<unsigned char>(p, p + n) : std::vector<unsigned char>();
}

using quorvane_test::Hex;

// Deterministic pseudo-random bytes.
struct Lcg {
    uint32_t state;
    explicit Lcg(uint32_t seed) : state(seed) {}
    uint32_t Next()
    {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }
    unsigned char Byte() { return static_cast<unsigned char>(Next() & 0xFF); }
};

inline std::vector<unsigned char> RandomBytes(size_t n, uint32_t seed)
{
    Lcg r(seed);
    std::vector<unsigned char> v(n);
    for (auto &b : v)
        b = r.Byte();
    return v;
}

using quorvane_test::MakeBmp;
using quorvane_test::Put16;
using quorvane_test::Put32;

using TempFile = quorvane_test::TempImage;

} // namespace imgtest

#endif
