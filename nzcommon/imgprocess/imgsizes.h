// Checked size arithmetic for image buffers. Image sizes come from files and callers,
// so every product is formed in 64 bits and refused when it leaves the allowed range.
#ifndef NZCOMMON_IMGPROCESS_IMGSIZES_H
#define NZCOMMON_IMGPROCESS_IMGSIZES_H

#include <climits>
#include <cstdint>

// Largest picture decoded from untrusted data, in pixels: decoding time and memory follow
// the declared size, so a damaged header must not make a call run for minutes.
const int64_t NZIMG_MAX_PIXELS = int64_t(1) << 26;

// Largest width or height a raster command carries (16-bit fields).
const int64_t NZIMG_MAX_RASTER_SIDE = 0xFFFF;

// a * b into *out when both are non-negative and the product is at most limit.
inline bool NZImg_MulSize(int64_t a, int64_t b, int64_t *out, int64_t limit = INT_MAX)
{
    if (a < 0 || b < 0)
        return false;
    if (a != 0 && b > limit / a)
        return false;
    *out = a * b;
    return true;
}

// a * b * c under the same rule.
inline bool NZImg_MulSize3(int64_t a, int64_t b, int64_t c, int64_t *out, int64_t limit = INT_MAX)
{
    int64_t ab;
    return NZImg_MulSize(a, b, &ab, limit) && NZImg_MulSize(ab, c, out, limit);
}

// Bytes of one packed 1-bit row of widthDots dots.
inline int64_t NZImg_BytesForDots(int64_t widthDots)
{
    return (widthDots + 7) / 8;
}

// Stores v through p when p is not null.
template <typename T>
inline void NZImg_Store(T *p, T v)
{
    if (p)
        *p = v;
}

#endif
