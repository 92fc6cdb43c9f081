// BMP reader. The header is validated as a whole first (sizes, offsets, palette and rows
// against the data size) so that the decoder itself cannot run past the data.
#include "nzcommon/imgprocess/bmpread.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgsizes.h"

namespace {

const uint32_t kFileHeaderSize = 14;
const uint32_t kMinInfoHeaderSize = 40;

struct BmpLayout {
    int width;
    int absHeight;
    bool topDown;
    int bitCount;
    uint64_t rowBytes;      // file row length, padded to 4 bytes
    uint64_t pixelOffset;   // absolute offset of the first stored row
    uint64_t paletteOffset; // absolute offset of the palette
    int paletteEntries;     // 2^bitCount, or 0 for 24 bits
};

uint16_t Le16(const unsigned char *p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Le32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

bool ParseBmp(const unsigned char *data, uint64_t size, BmpLayout *out)
{
    if (!data || size < kFileHeaderSize + kMinInfoHeaderSize)
        return false;
    if (data[0] != 'B' || data[1] != 'M')
        return false;
    const unsigned char *info = data + kFileHeaderSize;
    uint32_t pixelOffset = Le32(data + 10);
    uint32_t headerSize = Le32(info);
    int32_t width = static_cast<int32_t>(Le32(info + 4));
    int32_t height = static_cast<int32_t>(Le32(info + 8));
    int bitCount = Le16(info + 14);
    uint32_t compression = Le32(info + 16);
    if (headerSize < kMinInfoHeaderSize || width <= 0 || height == 0 || height == INT32_MIN || compression != 0)
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return false;
    uint64_t absHeight = height < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(height)) : static_cast<uint64_t>(height);
    uint64_t rowBytes = (static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount) + 31) / 32 * 4;
    // The stored rows must lie inside the data: rowBytes <= size keeps the product below 2^64.
    if (rowBytes > size || absHeight > size / rowBytes || pixelOffset > size ||
        rowBytes * absHeight > size - pixelOffset)
        return false;
    int64_t outBytes;
    if (!NZImg_MulSize3(width, static_cast<int64_t>(absHeight), 3, &outBytes))
        return false;
    int entries = bitCount == 24 ? 0 : (1 << bitCount);
    uint64_t paletteOffset = static_cast<uint64_t>(kFileHeaderSize) + headerSize;
    if (paletteOffset > size || static_cast<uint64_t>(entries) * 4 > size - paletteOffset)
        return false;
    out->width = width;
    out->absHeight = static_cast<int>(absHeight);
    out->topDown = height < 0;
    out->bitCount = bitCount;
    out->rowBytes = rowBytes;
    out->pixelOffset = pixelOffset;
    out->paletteOffset = paletteOffset;
    out->paletteEntries = entries;
    return true;
}

// Decodes one stored row into RGB; the palette holds (B, G, R, reserved) entries.
void DecodeRow(const BmpLayout &bmp, const unsigned char *src, const unsigned char *palette, unsigned char *dst)
{
    const int w = bmp.width;
    switch (bmp.bitCount) {
    case 24:
        for (int x = 0; x < w; ++x, src += 3, dst += 3) {
            dst[0] = src[2];
            dst[1] = src[1];
            dst[2] = src[0];
        }
        break;
    case 8:
        for (int x = 0; x < w; ++x, dst += 3) {
            const unsigned char *c = palette + 4 * src[x];
            dst[0] = c[2];
            dst[1] = c[1];
            dst[2] = c[0];
        }
        break;
    case 4:
        for (int x = 0; x < w; ++x, dst += 3) {
            int index = (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4);
            const unsigned char *c = palette + 4 * index;
            dst[0] = c[2];
            dst[1] = c[1];
            dst[2] = c[0];
        }
        break;
    default:
        for (int x = 0; x < w; ++x, dst += 3) {
            int index = (src[x >> 3] >> (7 - (x & 7))) & 1;
            const unsigned char *c = palette + 4 * index;
            dst[0] = c[2];
            dst[1] = c[1];
            dst[2] = c[0];
        }
        break;
    }
}

} // namespace

unsigned char *nzbmpreadrgb(const unsigned char *data, unsigned int size, int *bitCount, int *width, int *height)
{
    BmpLayout bmp;
    if (size == 0 || !ParseBmp(data, size, &bmp))
        return nullptr;
    size_t outRow = static_cast<size_t>(bmp.width) * 3;
    unsigned char *image = static_cast<unsigned char *>(NZImg_Alloc(outRow * static_cast<size_t>(bmp.absHeight)));
    if (!image)
        return nullptr;
    const unsigned char *palette = data + bmp.paletteOffset;
    for (int i = 0; i < bmp.absHeight; ++i) {
        int outY = bmp.topDown ? i : bmp.absHeight - 1 - i;
        DecodeRow(bmp, data + bmp.pixelOffset + static_cast<uint64_t>(i) * bmp.rowBytes, palette,
                  image + static_cast<size_t>(outY) * outRow);
    }
    NZImg_Store(bitCount, bmp.bitCount);
    NZImg_Store(width, bmp.width);
    NZImg_Store(height, bmp.absHeight);
    return image;
}

int nzbmp_GetImageSizeFromData(const unsigned char *data, int size, int *bitsPerPixel, int *width, int *height)
{
    BmpLayout bmp;
    if (size <= 0 || !ParseBmp(data, static_cast<uint64_t>(size), &bmp))
        return 0;
    NZImg_Store(bitsPerPixel, bmp.bitCount);
    NZImg_Store(width, bmp.width);
    NZImg_Store(height, bmp.absHeight);
    return 1;
}
