// BMP reader, stb_image fallback, whole-file reading and size probes, including hostile
// headers that must be refused without reading or allocating past the data.
#include <gtest/gtest.h>

#include <climits>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/bmpread.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/imgfile.h"
#include "nzcommon/imgprocess/imgprobe.h"
#include "nzcommon/imgprocess/stbdecode.h"
#include "support/ImageFiles.h"

using imgtest::Bytes;
using imgtest::MakeBmp;
using imgtest::Owned;
using imgtest::Put16;
using imgtest::Put32;

namespace {

const std::vector<unsigned char> kPixels2x2 = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};

TEST(BmpRead, TwentyFourBitBottomUp)
{
    std::vector<unsigned char> file = MakeBmp(2, 2, 24, kPixels2x2);
    // Rows are padded to 8 bytes and stored bottom-up, pixels as B, G, R.
    ASSERT_EQ(54u + 16u, file.size());
    EXPECT_EQ(70, file[54 + 2]);
    EXPECT_EQ(90, file[54]);
    int bits = 0, w = 0, h = 0;
    Owned rgb(nzbmpreadrgb(file.data(), static_cast<unsigned>(file.size()), &bits, &w, &h));
    ASSERT_NE(nullptr, rgb.get());
    EXPECT_EQ(24, bits);
    EXPECT_EQ(2, w);
    EXPECT_EQ(2, h);
    EXPECT_EQ(kPixels2x2, Bytes(rgb.get(), 12));
}

TEST(BmpRead, NegativeHeightKeepsFileOrder)
{
    std::vector<unsigned char> file = MakeBmp(2, -2, 24, kPixels2x2);
    int bits = 0, w = 0, h = 0;
    Owned rgb(nzbmpreadrgb(file.data(), static_cast<unsigned>(file.size()), &bits, &w, &h));
    ASSERT_NE(nullptr, rgb.get());
    EXPECT_EQ(2, h);
    EXPECT_EQ(kPixels2x2, Bytes(rgb.get(), 12));
}

TEST(BmpRead, PalettedFormats)
{
    // Palette entries are B, G, R, 0.
    const std::vector<unsigned char> mono = {0, 0, 0, 0, 255, 255, 255, 0};
    std::vector<unsigned char> idx1 = {1, 0, 0, 1, 1, 1, 0, 0, 0, 1};
    std::vector<unsigned char> f1 = MakeBmp(10, 1, 1, idx1, mono);
    int bits = 0, w = 0, h = 0;
    Owned rgb1(nzbmpreadrgb(f1.data(), static_cast<unsigned>(f1.size()), &bits, &w, &h));
    ASSERT_NE(nullptr, rgb1.get());
    EXPECT_EQ(1, bits);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(idx1[x] ? 255 : 0, rgb1.get()[x * 3]) << x;

    std::vector<unsigned char> pal16(16 * 4, 0), pal256(256 * 4, 0);
    for (int i = 0; i < 16; ++i) {
        pal16[i * 4] = static_cast<unsigned char>(i);      // blue
        pal16[i * 4 + 2] = static_cast<unsigned char>(i * 16); // red
    }
    for (int i = 0; i < 256; ++i)
        pal256[i * 4 + 1] = static_cast<unsigned char>(255 - i); // green
    std::vector<unsigned char> idx4 = {1, 15, 7};
    std::vector<unsigned char> f4 = MakeBmp(3, 1, 4, idx4, pal16);
    Owned rgb4(nzbmpreadrgb(f4.data(), static_cast<unsigned>(f4.size()), &bits, &w, &h));
    ASSERT_NE(nullptr, rgb4.get());
    EXPECT_EQ(4, bits);
    EXPECT_EQ((std::vector<unsigned char>{16, 0, 1, 240, 0, 15, 112, 0, 7}), Bytes(rgb4.get(), 9));

    std::vector<unsigned char> idx8 = {0, 200, 255};
    std::vector<unsigned char> f8 = MakeBmp(3, 1, 8, idx8, pal256);
    Owned rgb8(nzbmpreadrgb(f8.data(), static_cast<unsigned>(f8.size()), &bits, &w, &h));
    ASSERT_NE(nullptr, rgb8.get());
    EXPECT_EQ((std::vector<unsigned char>{0, 255, 0, 0, 55, 0, 0, 0, 0}), Bytes(rgb8.get(), 9));
}

struct Hostile {
    const char *name;
    void (*edit)(std::vector<unsigned char> &f);
};

TEST(BmpRead, HostileHeadersAreRefused)
{
    const Hostile cases[] = {
        {"huge width", [](std::vector<unsigned char> &f) { Put32(f, 18, 0x7FFFFFFF); }},
        {"width times bits beyond 32 bits", [](std::vector<unsigned char> &f) { Put32(f, 18, 0x40000001); }},
        {"huge height", [](std::vector<unsigned char> &f) { Put32(f, 22, 0x7FFFFFFF); }},
        {"height INT_MIN", [](std::vector<unsigned char> &f) { Put32(f, 22, 0x80000000u); }},
        {"height 0", [](std::vector<unsigned char> &f) { Put32(f, 22, 0); }},
        {"width 0", [](std::vector<unsigned char> &f) { Put32(f, 18, 0); }},
        {"negative width", [](std::vector<unsigned char> &f) { Put32(f, 18, 0xFFFFFFFEu); }},
        {"offset near 2^32", [](std::vector<unsigned char> &f) { Put32(f, 10, 0xFFFFFFF0u); }},
        {"offset past the end", [](std::vector<unsigned char> &f) { Put32(f, 10, static_cast<uint32_t>(f.size())); }},
        {"short info header", [](std::vector<unsigned char> &f) { Put32(f, 14, 12); }},
        {"info header size near 2^32", [](std::vector<unsigned char> &f) { Put32(f, 14, 0xFFFFFFF0u); }},
        {"compression RLE8", [](std::vector<unsigned char> &f) { Put32(f, 30, 1); }},
        {"32 bits", [](std::vector<unsigned char> &f) { Put16(f, 28, 32); }},
        {"truncated rows", [](std::vector<unsigned char> &f) { f.resize(f.size() - 1); }},
        {"truncated rows, compression with its top bit set",
         [](std::vector<unsigned char> &f) {
             Put32(f, 30, 0xCE000000u);
             f.resize(f.size() - 1);
         }},
        {"header only", [](std::vector<unsigned char> &f) { f.resize(54); }},
        {"shorter than a header", [](std::vector<unsigned char> &f) { f.resize(40); }},
        {"not BM", [](std::vector<unsigned char> &f) { f[1] = 'A'; }},
    };
    const std::vector<unsigned char> pixels(4 * 3 * 3, 0x80);
    for (const auto &c : cases) {
        std::vector<unsigned char> f = MakeBmp(4, 3, 24, pixels);
        c.edit(f);
        int bits = -1, w = -1, h = -1;
        EXPECT_EQ(nullptr, nzbmpreadrgb(f.data(), static_cast<unsigned>(f.size()), &bits, &w, &h)) << c.name;
        EXPECT_EQ(-1, w) << c.name;
        EXPECT_EQ(0, nzbmp_GetImageSizeFromData(f.data(), static_cast<int>(f.size()), &bits, &w, &h)) << c.name;
        // The whole pipeline (own reader, then stb_image) refuses them as well.
        int size = -1, bpl = -1;
        Owned raster(
            Quorvane_ImgUtils_ConvertImageDataToMonoFormat(f.data(), static_cast<int>(f.size()), 8, 8, 0, &size, &bpl));
        EXPECT_EQ(nullptr, raster.get()) << c.name;
    }
    // A truncated palette.
    std::vector<unsigned char> idx(4, 1), pal(256 * 4, 0);
    std::vector<unsigned char> f8 = MakeBmp(4, 1, 8, idx, pal);
    f8.resize(54 + 100);
    EXPECT_EQ(nullptr, nzbmpreadrgb(f8.data(), static_cast<unsigned>(f8.size()), nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, nzbmpreadrgb(nullptr, 100, nullptr, nullptr, nullptr));
    EXPECT_EQ(nullptr, nzbmpreadrgb(f8.data(), 0, nullptr, nullptr, nullptr));
}

TEST(BmpRead, OtherBmpFormatsGoToStbImage)
{
    // 32-bit BMP: refused by the own reader, decoded by stb_image.
    const std::vector<unsigned char> f = MakeBmp(2, 1, 32, {255, 0, 0, 0, 0, 255}); // red, blue
    ASSERT_EQ(imgtest::Hex("00 00 FF 00 FF 00 00 00"), std::vector<unsigned char>(f.begin() + 54, f.end()));
    EXPECT_EQ(nullptr, nzbmpreadrgb(f.data(), static_cast<unsigned>(f.size()), nullptr, nullptr, nullptr));
    int bits = 0, w = 0, h = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromData(f.data(), static_cast<int>(f.size()), &bits, &w, &h));
    EXPECT_EQ(2, w);
    EXPECT_EQ(1, h);
    int cw = 0, ch = 0, comp = 0;
    Owned rgb(nzstb_DecodeRGB(f.data(), static_cast<int>(f.size()), &cw, &ch, &comp));
    ASSERT_NE(nullptr, rgb.get());
    EXPECT_EQ((std::vector<unsigned char>{255, 0, 0, 0, 0, 255}), Bytes(rgb.get(), 6));
}

// Pictures without alpha are decoded as RGB, those with alpha as RGBA and put over white;
// every channel count gives the same RGB bytes.
TEST(StbDecode, EveryChannelCountGivesRgbOverWhite)
{
    struct Row {
        int channels;
        std::vector<unsigned char> pixels; // 2 x 1
        std::vector<unsigned char> rgb;
    } rows[] = {
        {1, {0x40, 0xC0}, {0x40, 0x40, 0x40, 0xC0, 0xC0, 0xC0}},
        {2, {0x00, 0x00, 0x00, 0x80}, {0xFF, 0xFF, 0xFF, 0x7F, 0x7F, 0x7F}},
        {3, {10, 20, 30, 40, 50, 60}, {10, 20, 30, 40, 50, 60}},
        {4, {10, 20, 30, 0, 40, 50, 60, 255}, {0xFF, 0xFF, 0xFF, 40, 50, 60}},
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(r.channels);
        const std::vector<unsigned char> png = quorvane_test::Png(2, 1, r.channels, r.pixels);
        int w = 0, h = 0, comp = 0;
        Owned rgb(nzstb_DecodeRGB(png.data(), static_cast<int>(png.size()), &w, &h, &comp));
        ASSERT_NE(nullptr, rgb.get());
        EXPECT_EQ(2, w);
        EXPECT_EQ(1, h);
        EXPECT_EQ(r.channels, comp);
        EXPECT_EQ(r.rgb, Bytes(rgb.get(), 6));
    }
}

// Formats a receipt picture does not come in are refused, well-formed or not (the PNM
// header reader overflows an int on long numbers).
TEST(StbDecode, FormatsLeftOutAreRefused)
{
    const std::string rows[] = {
        std::string("P5\n2 1\n255\n\x40\xC0", 13),
        std::string("P6\n1 1\n255\n\x10\x20\x30", 14),
        "P5252225225222\xFF\xE0\xFF\x15",
        std::string("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y 1 +X 1\n\x80\x80\x80\x81", 49),
    };
    for (const std::string &r : rows) {
        SCOPED_TRACE(r.substr(0, 2));
        int w = 0, h = 0, comp = 0;
        Owned rgb(nzstb_DecodeRGB(reinterpret_cast<const unsigned char *>(r.data()), static_cast<int>(r.size()), &w,
                                  &h, &comp));
        EXPECT_EQ(nullptr, rgb.get());
    }
}

TEST(BmpRead, SizeProbes)
{
    std::vector<unsigned char> f = MakeBmp(2, -2, 24, kPixels2x2);
    int bits = 0, w = 0, h = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromData(f.data(), static_cast<int>(f.size()), &bits, &w, &h));
    EXPECT_EQ(24, bits);
    EXPECT_EQ(2, w);
    EXPECT_EQ(2, h);
    imgtest::TempFile file(f, "probe.bmp");
    bits = w = h = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromFile(file.path(), &bits, &w, &h));
    EXPECT_EQ(24, bits);
    EXPECT_EQ(1, nzbmp_GetImageSizeFromFile(file.path(), &bits, &w, &h));
    // Not an image at all: both probes fail; the stb_image probe reports zeros.
    std::vector<unsigned char> junk(100, 0x42);
    bits = w = h = 7;
    EXPECT_EQ(0, Quorvane_ImgUtils_GetImageSizeFromData(junk.data(), 100, &bits, &w, &h));
    EXPECT_EQ(0, w);
    EXPECT_EQ(0, nzstb_GetImageSizeFromData(nullptr, 0, &bits, &w, &h));
    EXPECT_EQ(0, Quorvane_ImgUtils_GetImageSizeFromFile("/nonexistent/probe.bmp", &bits, &w, &h));
}

TEST(ImgFile, ReadWholeFile)
{
    std::vector<unsigned char> content = imgtest::RandomBytes(1000, 7);
    imgtest::TempFile file(content);
    EXPECT_EQ(1000, nzbmp_GetFileSize(file.path()));
    int size = 0;
    Owned data(Quorvane_ImgUtils_ReadFile(file.path(), &size));
    EXPECT_EQ(1000, size);
    EXPECT_EQ(content, Bytes(data.get(), size));
    std::vector<unsigned char> part(10);
    EXPECT_EQ(10, nzbmp_ReadFile(file.path(), part.data(), 10));

    EXPECT_EQ(-1, nzbmp_GetFileSize("/nonexistent/file"));
    size = 5;
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ReadFile("/nonexistent/file", &size));
    EXPECT_EQ(-1, size);
    imgtest::TempFile empty({});
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ReadFile(empty.path(), &size));
    EXPECT_EQ(0, size);
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ReadFile(nullptr, nullptr));
}

} // namespace
