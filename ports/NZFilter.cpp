#include "ports/NZFilter.h"

#include <cstdlib>
#include <cstring>

static unsigned char *nothing(unsigned int *outLen)
{
    if (outLen)
        *outLen = 0;
    return nullptr;
}

unsigned char *NZFilter::FilterData(const unsigned char *data, unsigned int len, unsigned int *outLen)
{
    if (!data || len == 0)
        return nothing(outLen);
    unsigned char *copy = static_cast<unsigned char *>(malloc(len));
    if (!copy)
        return nothing(outLen);
    memcpy(copy, data, len);
    if (outLen)
        *outLen = len;
    return copy;
}

unsigned char *NZFilter_ByteAlignment::FilterData(const unsigned char *data, unsigned int len,
                                                  unsigned int *outLen)
{
    if (!data || len == 0 || alignment == 0)
        return nothing(outLen);
    // Rounded up in 64 bits; a size that does not fit the 32-bit length is refused.
    const unsigned long long size =
        static_cast<unsigned long long>(alignment) * ((static_cast<unsigned long long>(len) + alignment - 1) / alignment);
    if (size > 0xFFFFFFFFull)
        return nothing(outLen);
    unsigned char *out = static_cast<unsigned char *>(malloc(static_cast<size_t>(size)));
    if (!out)
        return nothing(outLen);
    memset(out, fillByte, static_cast<size_t>(size));
    memcpy(out, data, len);
    if (outLen)
        *outLen = static_cast<unsigned int>(size);
    return out;
}
