// Small encoded images of every format the decoders take, built in memory.
#include "FuzzSupport.h"
#include "nzcommon/imgprocess/imgtest_util.h"

#include "support/StbImageWrite.h"

// A private copy of the reader, only to look at declared sizes, of the formats the
// library's own copy reads.
#include "nzcommon/imgprocess/stbformats.h"
#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#include <stb/stb_image.h>
#pragma GCC diagnostic pop

namespace {

void Collect(void *context, void *data, int size)
{
    auto *out = static_cast<FuzzBytes *>(context);
    const unsigned char *p = static_cast<const unsigned char *>(data);
    out->insert(out->end(), p, p + size);
}

// A w x h picture with a few gray levels, `channels` bytes a pixel.
FuzzBytes Picture(int w, int h, int channels)
{
    FuzzBytes px(static_cast<size_t>(w) * h * channels);
    for (size_t i = 0; i < px.size(); ++i)
        px[i] = static_cast<unsigned char>((i * 37) ^ (i / 7));
    return px;
}

FuzzBytes Psd(int w, int h)
{
    FuzzBytes f = FuzzText("8BPS");
    auto put16 = [&](unsigned v) { f.push_back(static_cast<unsigned char>(v >> 8)); f.push_back(static_cast<unsigned char>(v)); };
    auto put32 = [&](unsigned v) { put16(v >> 16); put16(v & 0xFFFF); };
    put16(1);
    f.insert(f.end(), 6, 0);
    put16(3);
    put32(static_cast<unsigned>(h));
    put32(static_cast<unsigned>(w));
    put16(8);
    put16(3);
    put32(0);
    put32(0);
    put32(0);
    put16(0);   // raw planes
    FuzzBytes px = Picture(w, h, 3);
    f.insert(f.end(), px.begin(), px.end());
    return f;
}

// A BMP header of the given bit count and compression over the raw bytes given.
FuzzBytes BmpWith(int w, int h, int bits, int compression, const FuzzBytes &pixelData, int paletteEntries)
{
    const uint32_t offset = 54 + 4 * paletteEntries;
    FuzzBytes f(offset, 0);
    f[0] = 'B';
    f[1] = 'M';
    imgtest::Put32(f, 2, static_cast<uint32_t>(offset + pixelData.size()));
    imgtest::Put32(f, 10, offset);
    imgtest::Put32(f, 14, 40);
    imgtest::Put32(f, 18, static_cast<uint32_t>(w));
    imgtest::Put32(f, 22, static_cast<uint32_t>(h));
    imgtest::Put16(f, 26, 1);
    imgtest::Put16(f, 28, static_cast<uint32_t>(bits));
    imgtest::Put32(f, 30, static_cast<uint32_t>(compression));
    imgtest::Put32(f, 34, static_cast<uint32_t>(pixelData.size()));
    for (int i = 0; i < paletteEntries; ++i)
        f[54 + 4 * i] = f[55 + 4 * i] = f[56 + 4 * i] = static_cast<unsigned char>(i * 255 / (paletteEntries > 1 ? paletteEntries - 1 : 1));
    f.insert(f.end(), pixelData.begin(), pixelData.end());
    return f;
}

} // namespace

std::vector<FuzzBytes> FuzzImageSeeds()
{
    std::vector<FuzzBytes> seeds;
    // The own BMP reader: 24, 8, 4 and 1 bits, bottom-up and top-down.
    FuzzBytes rgb = Picture(5, 3, 3);
    seeds.push_back(imgtest::MakeBmp(5, 3, 24, rgb));
    seeds.push_back(imgtest::MakeBmp(5, -3, 24, rgb));
    const int bitCounts[] = {1, 4, 8};
    for (int bits : bitCounts) {
        FuzzBytes idx(15), palette;
        for (size_t i = 0; i < idx.size(); ++i)
            idx[i] = static_cast<unsigned char>(i % (1u << bits));
        for (unsigned i = 0; i < (1u << bits); ++i) {
            unsigned char v = static_cast<unsigned char>(i * 255 / ((1u << bits) - 1));
            palette.insert(palette.end(), {v, v, v, 0});
        }
        seeds.push_back(imgtest::MakeBmp(5, 3, bits, idx, palette));
    }
    // BMP forms left to stb_image: RLE8, 32 bits.
    seeds.push_back(BmpWith(4, 2, 8, 1, FuzzHex("02 05 02 09 00 00 04 01 00 01"), 16));
    seeds.push_back(BmpWith(2, 2, 32, 0, Picture(2, 2, 4), 0));
    // PNG of 1 to 4 channels, JPEG, TGA (raw and run-length), PSD, GIF.
    for (int channels = 1; channels <= 4; ++channels) {
        FuzzBytes out;
        stbi_write_png_to_func(Collect, &out, 6, 4, channels, Picture(6, 4, channels).data(), 6 * channels);
        seeds.push_back(out);
    }
    for (int channels : {1, 3}) {
        FuzzBytes out;
        stbi_write_jpg_to_func(Collect, &out, 16, 8, channels, Picture(16, 8, channels).data(), 90);
        seeds.push_back(out);
    }
    for (int rle : {0, 1}) {
        FuzzBytes out;
        stbi_write_tga_with_rle = rle;
        stbi_write_tga_to_func(Collect, &out, 4, 3, 4, Picture(4, 3, 4).data());
        seeds.push_back(out);
    }
    // A PNG whose image data chunk claims 1.6 GB.
    FuzzBytes huge = seeds[seeds.size() - 6];
    for (size_t i = 8; i + 4 <= huge.size(); ++i)
        if (memcmp(&huge[i], "IDAT", 4) == 0) {
            const unsigned char length[4] = {0x64, 0x00, 0x00, 0x3B};
            memcpy(&huge[i - 4], length, 4);
            break;
        }
    seeds.push_back(huge);
    seeds.push_back(Psd(3, 2));
    seeds.push_back(quorvane_test::DcOverflowJpeg());
    seeds.push_back(FuzzHex("47494638396101000100800000FFFFFF00000021F90401000000002C00000000010001000002024401003B"));
    return seeds;
}

bool FuzzImageTooSlow(const uint8_t *data, size_t size)
{
    int w = 0, h = 0, comp = 0;
    if (size >= 1 && data[0] == 0xFF) {
        // JPEG (stb_image skips any number of FF bytes before the start marker): the size
        // from the first frame header, without stb_image's table parsing.
        for (size_t i = 2; i + 9 <= size; ++i)
            if (data[i] == 0xFF && data[i + 1] >= 0xC0 && data[i + 1] <= 0xC2) {
                h = (data[i + 5] << 8) | data[i + 6];
                w = (data[i + 7] << 8) | data[i + 8];
                break;
            }
    } else if (size > INT32_MAX || !stbi_info_from_memory(data, static_cast<int>(size), &w, &h, &comp)) {
        return false;
    }
    const long long pixels = static_cast<long long>(w) * h;
    return pixels > (1LL << 20) && pixels <= (1LL << 26);
}
