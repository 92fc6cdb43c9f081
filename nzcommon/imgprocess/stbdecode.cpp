// The one place where stb_image is compiled. Its functions are static to this file, so
// nothing of it can clash with another copy in the process.
#include "nzcommon/imgprocess/stbdecode.h"

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgsizes.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#include "nzcommon/imgprocess/stbformats.h"
// Decoding time follows the declared size, and some decoders (JPEG) go on over missing data,
// so a damaged header could keep a call busy for minutes: images are limited to 32768 dots
// a side and 2^26 pixels in all.
#define STBI_MAX_DIMENSIONS (1 << 15)
#define STBI_MALLOC(sz) NZImg_Alloc(sz)
#define STBI_REALLOC(p, newsz) NZImg_Realloc(p, newsz)
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
    // Uncompressed and bit-field rows have a known size. stb_image refuses compression 1, 2
    // and 4 and up itself, but reads the field as a signed int: a value with the top bit
    // set passes as uncompressed, so it is checked like one.
    const int32_t method = static_cast<int32_t>(compression);
    if (method == 1 || method == 2 || method >= 4)
        return false;
    if (width <= 0 || bits == 0 || bits > 32)
        return true;
    const uint64_t rowBytes = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
    const uint64_t need = offset + rowBytes * static_cast<uint64_t>(height);
    return need > static_cast<uint64_t>(size);
}

// Byte i of the data as stb_image reads it: 0 past the end.
unsigned At(const unsigned char *data, int64_t size, int64_t i)
{
    return i < size ? data[i] : 0u;
}

// JPEG files with a Huffman table of more than 256 codes: stb_image would write past its
// tables. The walk reads as the decoder does: fill bytes before the start marker, every
// marker segment by its length (also those between scans), and in a table segment one more
// table as long as segment length remains, taking bytes past the segment's end and zeros
// past the data's end.
// Also JPEG files whose scans use a Huffman table no earlier table segment defined: stb_image
// would decode with tables it never initialised (reads far outside them, and results that
// change from call to call).
bool HostileJpeg(const unsigned char *data, int size)
{
    const int64_t n = size;
    bool defined[2][4] = {}; // [DC 0, AC 1][table id]
    bool progressive = false;
    int64_t pos = 0;
    while (pos < n && data[pos] == 0xFF)
        ++pos;
    if (pos == 0 || pos >= n || data[pos] != 0xD8)
        return false;
    ++pos;
    while (pos + 1 < n) {
        if (data[pos] != 0xFF) {
            ++pos; // entropy-coded data between markers
            continue;
        }
        const unsigned marker = data[pos + 1];
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
        const int64_t length = (At(data, n, pos + 2) << 8) | At(data, n, pos + 3);
        if (marker == 0xC4) {
            int64_t left = length - 2;
            int64_t t = pos + 4;
            while (left > 0) {
                const unsigned q = At(data, n, t);
                if ((q >> 4) > 1 || (q & 15) > 3)
                    break; // the decoder stops at a bad table header
                int64_t codes = 0;
                for (int i = 1; i <= 16; ++i)
                    codes += At(data, n, t + i);
                if (codes > 256)
                    return true;
                defined[q >> 4][q & 15] = true;
                t += 17 + codes;
                left -= 17 + codes;
            }
        }
        if (marker == 0xC2)
            progressive = true;
        if (marker == 0xDA) {
            // Scan header: component count, then a (component, DC << 4 | AC table) pair each,
            // then the first coefficient (0: a DC scan of a progressive file).
            const int64_t components = At(data, n, pos + 4);
            const unsigned first = At(data, n, pos + 5 + 2 * components);
            for (int64_t i = 0; i < components; ++i) {
                const unsigned tables = At(data, n, pos + 6 + 2 * i);
                const unsigned dc = tables >> 4, ac = tables & 15;
                if ((!progressive || first == 0) && (dc > 3 || !defined[0][dc]))
                    return true;
                if ((!progressive || first != 0) && (ac > 3 || !defined[1][ac]))
                    return true;
            }
        }
        pos += 2 + length;
    }
    return false;
}

uint32_t Be32(const unsigned char *p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | static_cast<uint32_t>(p[3]);
}

// PNG files stb_image cannot take safely. The walk takes the chunks by their lengths, as
// the decoder does:
// - a first image-data chunk that is empty: stb_image would copy its zero bytes to a
//   buffer it has not allocated yet (a null pointer);
// - a chunk before IEND longer than the data left, which stb_image cannot decode anyway:
//   it would first grow its buffer to the declared length (gigabytes for a few bytes of
//   file) and then fail on the missing data.
bool HostilePng(const unsigned char *data, int size)
{
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const int64_t n = size;
    if (n < 8 || memcmp(data, kSignature, 8) != 0)
        return false;
    int64_t pos = 8;
    bool seenData = false;
    while (pos + 8 <= n) {
        const uint32_t length = Be32(data + pos);
        const uint32_t type = Be32(data + pos + 4);
        if (type == 0x49454E44u) // IEND
            return false;
        if (type == 0x49444154u) { // IDAT
            if (!seenData && length == 0)
                return true;
            seenData = true;
        }
        if (pos + 8 + static_cast<int64_t>(length) > n)
            return true;
        pos += 12 + static_cast<int64_t>(length);
    }
    return false;
}

uint32_t Le16(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8);
}

// Bytes of run-length data that can hold the pixels at the least: a packet of one command
// and pixelBytes bytes stands for 128 pixels at the most.
int64_t LeastRunLengthBytes(int64_t pixels, int64_t pixelBytes)
{
    return (pixels + 127) / 128 * (1 + pixelBytes);
}

// TGA files too short for the pixels they declare. stb_image leaves the rows of a cut-off
// uncompressed file as uninitialised memory and makes up the rest of a run-length file from
// zeros, for as many pixels as the header asks: a few bytes kept it busy for seconds. The
// header is taken as the decoder's test takes it, so only files it reads as TGA are checked;
// like the decoder, a header cut short reads zeros for its missing bytes.
bool HostileTga(const unsigned char *file, int size)
{
    unsigned char data[18] = {0};
    memcpy(data, file, size < 18 ? size : 18);
    const unsigned colorMapType = data[1], imageType = data[2];
    const unsigned paletteBits = data[7], bits = data[16];
    const int64_t width = Le16(data + 12), height = Le16(data + 14);
    if (colorMapType > 1 || width < 1 || height < 1)
        return false;
    if (colorMapType == 1 ? (imageType != 1 && imageType != 9) || (bits != 8 && bits != 16)
                          : imageType != 2 && imageType != 3 && imageType != 10 && imageType != 11)
        return false;
    if (bits != 8 && bits != 15 && bits != 16 && bits != 24 && bits != 32)
        return false;
    const int64_t pixelBytes = (bits + 7) / 8;
    int64_t need = 18 + data[0];
    if (colorMapType == 1)
        need += Le16(data + 3) + static_cast<int64_t>(Le16(data + 5)) * ((paletteBits + 7) / 8);
    const int64_t pixels = width * height;
    need += imageType >= 8 ? LeastRunLengthBytes(pixels, pixelBytes) : pixels * pixelBytes;
    return need > size;
}

// PSD files too short for the pixels they declare, for the same reasons as TGA files.
bool HostilePsd(const unsigned char *data, int size)
{
    const int64_t n = size;
    if (n < 4 || memcmp(data, "8BPS", 4) != 0)
        return false;
    if (n < 26)
        return true;
    const int64_t channels = (data[12] << 8) | data[13];
    const int64_t height = static_cast<int32_t>(Be32(data + 14));
    const int64_t width = static_cast<int32_t>(Be32(data + 18));
    const int64_t depth = (data[22] << 8) | data[23];
    if (height <= 0 || width <= 0 || channels <= 0)
        return false; // refused by the decoder, or no pixels to make up
    if (width > NZIMG_MAX_PIXELS || height > NZIMG_MAX_PIXELS || width * height > NZIMG_MAX_PIXELS)
        return true; // more pixels than any picture may have (and no product overflows below)
    // Three blocks of a 32-bit length each (mode data, resources, reserved), then the
    // compression code.
    int64_t pos = 26;
    for (int block = 0; block < 3; ++block) {
        if (pos + 4 > n)
            return true;
        pos += 4 + static_cast<int64_t>(Be32(data + pos));
    }
    if (pos + 2 > n)
        return true;
    const bool runLength = ((data[pos] << 8) | data[pos + 1]) == 1;
    pos += 2;
    const int64_t pixels = width * height;
    const int64_t planes = channels < 4 ? channels : 4;
    int64_t need;
    if (runLength)
        need = pos + height * channels * 2 + planes * LeastRunLengthBytes(pixels, 1);
    else
        need = pos + planes * pixels * (depth == 16 ? 2 : 1);
    return need > n;
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
    unsigned char *pixels = nullptr;
    int channels = 3;
    int iw = 0, ih = 0, ic = 0;
    if (data && size > 0 && !HostileForStb(data, size) && !HostileJpeg(data, size) && !HostilePng(data, size) &&
        !HostileTga(data, size) && !HostilePsd(data, size) && !PsdWithAlpha(data, size) &&
        stbi_info_from_memory(data, size, &iw, &ih, &ic) && static_cast<long long>(iw) * ih <= NZIMG_MAX_PIXELS) {
        // A picture without alpha is asked for as RGB, which spares a buffer and a pass;
        // one with alpha as RGBA, composed over white below. Should the decoding find
        // alpha where the header scan did not, it is decoded again with it.
        channels = ic == 2 || ic == 4 ? 4 : 3;
        pixels = stbi_load_from_memory(data, size, &w, &h, &comp, channels);
        if (pixels && channels == 3 && (comp == 2 || comp == 4)) {
            stbi_image_free(pixels);
            channels = 4;
            pixels = stbi_load_from_memory(data, size, &w, &h, &comp, channels);
        }
    }
    // Some decoders (PSD, for one) hand back an image of width or height 0: no picture.
    if (pixels && (w <= 0 || h <= 0)) {
        stbi_image_free(pixels);
        pixels = nullptr;
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (channelsInFile)
        *channelsInFile = comp;
    if (!pixels || channels == 3)
        return pixels;
    // Over white: c' = (c * a + 255 * (255 - a)) / 255, rounded; opaque pixels keep c.
    size_t n = static_cast<size_t>(w) * static_cast<size_t>(h);
    unsigned char *dst = pixels;
    const unsigned char *src = pixels;
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
    unsigned char *shrunk = static_cast<unsigned char *>(realloc(pixels, n * 3 > 0 ? n * 3 : 1));
    return shrunk ? shrunk : pixels;
}
