// The one place where stb_image is compiled. Its functions are static to this file, so
// nothing of it can clash with another copy in the process.
#include "nzcommon/imgprocess/stbdecode.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
// Formats a receipt image does not come in stay out, and with them their decoders.
#define STBI_NO_HDR
#define STBI_NO_PIC
#define STBI_NO_PNM
// Decoding time follows the declared size, and some decoders (JPEG) go on over missing data,
// so a damaged header could keep a call busy for minutes: images are limited to 32768 dots
// a side and 2^26 pixels in all.
#define STBI_MAX_DIMENSIONS (1 << 15)
#define STBI_MALLOC(sz) malloc(sz)
#define STBI_REALLOC(p, newsz) realloc(p, newsz)
#define STBI_FREE(p) free(p)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wtype-limits"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

uint32_t Le32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// BMP files that stb_image would mishandle: it takes the absolute value of the height as an
// int (no value for INT_MIN), and it fills the rows missing from a truncated file with
// black instead of failing. Both are refused here.
bool HostileForStb(const unsigned char *data, int size)
{
    if (size < 2 || data[0] != 'B' || data[1] != 'M')
        return false;
    if (size < 30)
        return true;
    const uint64_t offset = Le32(data + 10);
    const uint32_t headerSize = Le32(data + 14);
    int64_t width, height;
    uint32_t bits, compression = 0;
    if (headerSize == 12) {
        width = data[18] | (data[19] << 8);
        height = data[20] | (data[21] << 8);
        bits = data[24] | (data[25] << 8);
    } else {
        if (size < 34)
            return true;
        width = static_cast<int32_t>(Le32(data + 18));
        int32_t h = static_cast<int32_t>(Le32(data + 22));
        if (h == INT32_MIN)
            return true;
        height = h < 0 ? -static_cast<int64_t>(h) : h;
        bits = data[28] | (data[29] << 8);
        compression = Le32(data + 30);
    }
    // Uncompressed and bit-field rows have a known size; others are left to stb_image.
    if (compression != 0 && compression != 3)
        return false;
    if (width <= 0 || bits == 0 || bits > 32)
        return true;
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t need = offset + rowBytes * static_cast<uint64_t>(height);
    return need > static_cast<uint64_t>(size);
}

// JPEG files whose Huffman table segments declare more than 256 codes: the decoder would
// write past its tables. The walk covers every marker segment, also those between scans.
bool HostileJpeg(const unsigned char *data, int size)
{
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    long pos = 2;
    const long n = size;
    while (pos + 4 <= n) {
        if (data[pos] != 0xFF) {
            ++pos; // entropy-coded data between markers
            continue;
        }
        const unsigned char marker = data[pos + 1];
        if (marker == 0xFF) {
            ++pos; // fill byte
            continue;
        }
        if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {
            pos += 2; // stuffed byte, restart markers: no length
            continue;
        }
        if (marker == 0xD9)
            return false;
        const long length = (data[pos + 2] << 8) | data[pos + 3];
        if (marker == 0xC4) {
            long t = pos + 4;
            const long end = pos + 2 + length;
            while (t + 17 <= end && t + 17 <= n) {
                long codes = 0;
                for (int i = 1; i <= 16; ++i)
                    codes += data[t + i];
                if (codes > 256)
                    return true;
                t += 17 + codes;
            }
        }
        pos += 2 + length;
    }
    return false;
}

// PNG files with a chunk before IEND longer than the data left, which stb_image cannot decode:
// it would first grow its buffer to the declared length (gigabytes for a few bytes of file)
// and then fail on the missing data.
bool PngChunkPastEnd(const unsigned char *data, int size)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size < 8 || memcmp(data, kSignature, 8) != 0)
        return false;
    int64_t pos = 8;
    while (pos + 8 <= size) {
        const int64_t length = (static_cast<int64_t>(data[pos]) << 24) | (data[pos + 1] << 16) |
                               (data[pos + 2] << 8) | data[pos + 3];
        if (memcmp(data + pos + 4, "IEND", 4) == 0)
            return false;
        if (pos + 8 + length > size)
            return true;
        pos += 12 + length;
    }
    return false;
}

// PSD files with an alpha channel: stb_image takes their colours out of a white matte in
// floating point and converts results outside 0 to 255 back to bytes, which is undefined
// for the values a damaged file gives. Such files are refused.
bool PsdWithAlpha(const unsigned char *data, int size)
{
    return size >= 14 && memcmp(data, "8BPS", 4) == 0 && ((data[12] << 8) | data[13]) >= 4;
}

} // namespace

unsigned char *nzstb_DecodeRGB(const unsigned char *data, int size, int *width, int *height, int *channelsInFile)
{
    int w = 0, h = 0, comp = 0;
    unsigned char *rgba = nullptr;
    const long long kMaxPixels = 1LL << 26;
    int iw = 0, ih = 0, ic = 0;
    if (data && size > 0 && !HostileForStb(data, size) && !HostileJpeg(data, size) && !PngChunkPastEnd(data, size) &&
        !PsdWithAlpha(data, size) &&
        stbi_info_from_memory(data, size, &iw, &ih, &ic) && static_cast<long long>(iw) * ih <= kMaxPixels)
        rgba = stbi_load_from_memory(data, size, &w, &h, &comp, 4);
    // Some decoders (PSD, for one) hand back an image of width or height 0: no picture.
    if (rgba && (w <= 0 || h <= 0)) {
        stbi_image_free(rgba);
        rgba = nullptr;
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (channelsInFile)
        *channelsInFile = comp;
    if (!rgba)
        return nullptr;
    // Over white: c' = (c * a + 255 * (255 - a)) / 255, rounded; opaque pixels keep c.
    size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    unsigned char *dst = rgba;
    const unsigned char *src = rgba;
    for (size_t i = 0; i < n; ++i, src += 4, dst += 3) {
        unsigned a = src[3];
        unsigned white = 255u * (255u - a) + 127u;
        unsigned char r = static_cast<unsigned char>((src[0] * a + white) / 255u);
        unsigned char g = static_cast<unsigned char>((src[1] * a + white) / 255u);
        unsigned char b = static_cast<unsigned char>((src[2] * a + white) / 255u);
        dst[0] = r;
        dst[1] = g;
        dst[2] = b;
    }
    unsigned char *shrunk = static_cast<unsigned char *>(realloc(rgba, n * 3 > 0 ? n * 3 : 1));
    return shrunk ? shrunk : rgba;
}
