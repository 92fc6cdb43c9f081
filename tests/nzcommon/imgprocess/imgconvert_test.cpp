// Image conversion entries: BMP and other formats to rasters at given or own sizes,
// vertical and aligned forms, alpha over white, and failures.
#include <gtest/gtest.h>

#include <cstring>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/imgprobe.h"
#include "nzcommon/imgprocess/imgscale.h"
#include "nzcommon/imgprocess/monoformat.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

using imgtest::Bytes;
using imgtest::MakeBmp;
using imgtest::Owned;

namespace {

void Collect(void *context, void *data, int size)
{
    auto *out = static_cast<std::vector<unsigned char> *>(context);
    const unsigned char *p = static_cast<const unsigned char *>(data);
    out->insert(out->end(), p, p + size);
}

std::vector<unsigned char> Png(int w, int h, int channels, const std::vector<unsigned char> &pixels)
{
    std::vector<unsigned char> out;
    stbi_write_png_to_func(Collect, &out, w, h, channels, pixels.data(), w * channels);
    return out;
}

std::vector<unsigned char> Jpeg(int w, int h, const std::vector<unsigned char> &rgb)
{
    std::vector<unsigned char> out;
    stbi_write_jpg_to_func(Collect, &out, w, h, 3, rgb.data(), 95);
    return out;
}

// A 100 x 50 picture: left half black, right half white, a gray bar in the middle rows.
std::vector<unsigned char> Picture(int w, int h)
{
    std::vector<unsigned char> rgb(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char v = x < w / 2 ? 0 : 255;
            if (y >= h / 2 - 2 && y < h / 2 + 2)
                v = 128;
            unsigned char *p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = p[1] = p[2] = v;
        }
    return rgb;
}

TEST(ImgConvert, BmpAtItsOwnAndAtDoubleSize)
{
    std::vector<unsigned char> rgb = Picture(100, 50);
    std::vector<unsigned char> bmp = MakeBmp(100, 50, 24, rgb);
    for (int method = 0; method < 3; ++method) {
        int size = 0, bpl = 0;
        Owned same(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(bmp.data(), static_cast<int>(bmp.size()), 100, 50,
                                                                  method, &size, &bpl));
        ASSERT_NE(nullptr, same.get());
        EXPECT_EQ(13, bpl);
        EXPECT_EQ(650, size);
        // Without scaling the result is the pixel conversion of the decoded image.
        int size2 = 0, bpl2 = 0;
        Owned direct(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 100, 50, 300, 4, method, &size2,
                                                                      &bpl2));
        EXPECT_EQ(Bytes(direct.get(), size2), Bytes(same.get(), size)) << method;

        Owned twice(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(bmp.data(), static_cast<int>(bmp.size()), 200, 100,
                                                                   method, &size, &bpl));
        ASSERT_NE(nullptr, twice.get());
        EXPECT_EQ(25, bpl);
        EXPECT_EQ(2500, size);
        Owned scaled(Quorvane_ImgUtils_ScaleRGB888Image(100, 50, rgb.data(), 200, 100));
        Owned expect(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(scaled.get(), 200, 100, 600, 4, method, &size2,
                                                                      &bpl2));
        EXPECT_EQ(Bytes(expect.get(), size2), Bytes(twice.get(), size)) << method;
    }
    // Black left half, white right half (row 0, with the ordered dither).
    int size = 0, bpl = 0;
    Owned r(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(bmp.data(), static_cast<int>(bmp.size()), 100, 50, 0,
                                                           &size, &bpl));
    EXPECT_EQ(0xFF, r.get()[0]);
    EXPECT_EQ(0xC0, r.get()[6]);
    EXPECT_EQ(0x00, r.get()[7]);
}

TEST(ImgConvert, PngAndJpegGoThroughStbImage)
{
    std::vector<unsigned char> rgb = Picture(40, 20);
    std::vector<unsigned char> png = Png(40, 20, 3, rgb);
    int bits = 0, w = 0, h = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromData(png.data(), static_cast<int>(png.size()), &bits, &w, &h));
    EXPECT_EQ(24, bits);
    EXPECT_EQ(40, w);
    EXPECT_EQ(20, h);
    int size = 0, bpl = 0, size2 = 0, bpl2 = 0;
    Owned fromPng(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(png.data(), static_cast<int>(png.size()), 40, 20, 2,
                                                                 &size, &bpl));
    Owned direct(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 40, 20, 120, 4, 2, &size2, &bpl2));
    EXPECT_EQ(Bytes(direct.get(), size2), Bytes(fromPng.get(), size));

    std::vector<unsigned char> jpg = Jpeg(40, 20, rgb);
    Owned fromJpg(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(jpg.data(), static_cast<int>(jpg.size()), 40, 20, 1,
                                                                 &size, &bpl));
    ASSERT_NE(nullptr, fromJpg.get());
    EXPECT_EQ(0xFF, fromJpg.get()[0]);
    EXPECT_EQ(0x00, fromJpg.get()[4]);
    // A damaged PNG fails on both paths.
    std::vector<unsigned char> cut(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToMonoFormat(cut.data(), static_cast<int>(cut.size()), 40,
                                                                      20, 0, &size, &bpl));
}

TEST(ImgConvert, TransparentAreasOfImageFilesPrintWhite)
{
    // Black pixels, the left half fully transparent.
    std::vector<unsigned char> rgba(16 * 8 * 4, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 8; x < 16; ++x)
            rgba[(y * 16 + x) * 4 + 3] = 255;
    std::vector<unsigned char> png = Png(16, 8, 4, rgba);
    int bits = 0, w = 0, h = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromData(png.data(), static_cast<int>(png.size()), &bits, &w, &h));
    EXPECT_EQ(32, bits);
    for (int method = 0; method < 3; ++method) {
        int size = 0, bpl = 0;
        Owned r(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(png.data(), static_cast<int>(png.size()), 16, 8, method,
                                                               &size, &bpl));
        ASSERT_NE(nullptr, r.get());
        for (int y = 0; y < 8; ++y) {
            EXPECT_EQ(0x00, r.get()[y * 2]) << method;
            EXPECT_EQ(0xFF, r.get()[y * 2 + 1]) << method;
        }
    }
}

TEST(ImgConvert, WithoutScaleEntries)
{
    std::vector<unsigned char> bmp = MakeBmp(100, 50, 24, Picture(100, 50));
    int size = 0, bpl = 0, w = 0, h = 0;
    Owned r(Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(bmp.data(), static_cast<int>(bmp.size()), 0,
                                                                       &size, &bpl, &w, &h));
    ASSERT_NE(nullptr, r.get());
    EXPECT_EQ(100, w);
    EXPECT_EQ(50, h);
    EXPECT_EQ(650, size);

    imgtest::TempFile file(bmp, "picture.bmp");
    int bits = 0;
    w = 0;
    Owned f(Quorvane_ImgUtils_ConvertImageFileToMonoFormatWithoutScale(file.path(), 0, &size, &bpl, &w, &bits));
    ASSERT_NE(nullptr, f.get());
    EXPECT_EQ(100, w);
    EXPECT_EQ(24, bits);
    EXPECT_EQ(Bytes(r.get(), 650), Bytes(f.get(), size));
    Owned g(Quorvane_ImgUtils_ConvertImageFileToMonoFormat(file.path(), 100, 50, 0, &size, &bpl));
    EXPECT_EQ(Bytes(r.get(), 650), Bytes(g.get(), size));

    // A failed probe writes nothing.
    std::vector<unsigned char> junk(64, 0x33);
    size = bpl = w = h = -9;
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(junk.data(), 64, 0, &size, &bpl,
                                                                                  &w, &h));
    EXPECT_EQ(-9, size);
    EXPECT_EQ(-9, w);
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageFileToMonoFormatWithoutScale("/nonexistent.bmp", 0, &size, &bpl,
                                                                                  &w, &bits));
}

TEST(ImgConvert, VerticalRaster)
{
    // 10 x 10: column 0 black, the rest white.
    std::vector<unsigned char> rgb(10 * 10 * 3, 255);
    for (int y = 0; y < 10; ++y)
        rgb[y * 30] = rgb[y * 30 + 1] = rgb[y * 30 + 2] = 0;
    std::vector<unsigned char> bmp = MakeBmp(10, 10, 24, rgb);
    int size = 0, heightBytes = 0;
    Owned v(Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(bmp.data(), static_cast<int>(bmp.size()), 10, 10,
                                                                    1, &size, &heightBytes));
    ASSERT_NE(nullptr, v.get());
    EXPECT_EQ(2, heightBytes);
    EXPECT_EQ(20, size);
    EXPECT_EQ(0xFF, v.get()[0]);
    EXPECT_EQ(0xC0, v.get()[1]);
    for (int i = 2; i < 20; ++i)
        EXPECT_EQ(0, v.get()[i]) << i;

    imgtest::TempFile file(bmp, "v.bmp");
    int w = 0, bits = 0;
    Owned fv(Quorvane_ImgUtils_ConvertImageFileToVerticalRasterImageWithoutScale(file.path(), 1, &size, &heightBytes,
                                                                                 &w, &bits));
    EXPECT_EQ(Bytes(v.get(), 20), Bytes(fv.get(), size));
    EXPECT_EQ(10, w);
    EXPECT_EQ(24, bits);
    Owned f2(Quorvane_ImgUtils_ConvertImageFileToVerticalRasterImage(file.path(), 10, 10, 1, &size, &heightBytes));
    EXPECT_EQ(Bytes(v.get(), 20), Bytes(f2.get(), size));

    // A failed conversion reports 0 and 0.
    std::vector<unsigned char> junk(64, 0x33);
    size = heightBytes = 5;
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(junk.data(), 64, 10, 10, 0, &size,
                                                                               &heightBytes));
    EXPECT_EQ(0, size);
    EXPECT_EQ(0, heightBytes);
}

TEST(ImgConvert, AlignedHorizontalRaster)
{
    std::vector<unsigned char> bmp = MakeBmp(100, 50, 24, Picture(100, 50));
    int size = 0, bpl = 0, widthDots = 0, lines = 0;
    Owned a(Quorvane_ImgUtils_ConvertImageDataToHorizontalRasterImageWithoutScale(
        bmp.data(), static_cast<int>(bmp.size()), 0, 64, 24, &size, &bpl, &widthDots, &lines));
    ASSERT_NE(nullptr, a.get());
    EXPECT_EQ(128, widthDots);
    EXPECT_EQ(16, bpl);
    EXPECT_EQ(72, lines);
    EXPECT_EQ(1152, size);
    int s2 = 0, b2 = 0;
    Owned plain(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(bmp.data(), static_cast<int>(bmp.size()), 100, 50, 0,
                                                               &s2, &b2));
    for (int y = 0; y < 72; ++y)
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(y < 50 && x < 13 ? plain.get()[y * 13 + x] : 0, a.get()[y * 16 + x]) << y << "," << x;
    // Multiples of 0 are refused.
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToHorizontalRasterImageWithoutScale(
                           bmp.data(), static_cast<int>(bmp.size()), 0, 0, 24, &size, &bpl, &widthDots, &lines));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToHorizontalRasterImageWithoutScale(
                           bmp.data(), static_cast<int>(bmp.size()), 0, 8, 0, &size, &bpl, &widthDots, &lines));
}

TEST(ImgConvert, RgbPixelsAndBgra)
{
    std::vector<unsigned char> rgb = {1, 2, 3, 4, 5, 6, 99, 7, 8, 9, 10, 11, 12, 99};
    Owned bgra(Quorvane_ImgUtils_GetBGRA8888ImageFromRGB888Image(rgb.data(), 2, 2, 7));
    EXPECT_EQ((std::vector<unsigned char>{3, 2, 1, 255, 6, 5, 4, 255, 9, 8, 7, 255, 12, 11, 10, 255}),
              Bytes(bgra.get(), 16));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_GetBGRA8888ImageFromRGB888Image(rgb.data(), 2, 2, 5));

    int size = -1, bpl = -1;
    for (int bad : {0, -1}) {
        EXPECT_EQ(nullptr,
                  Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(rgb.data(), 2, 2, bad, 2, 0, &size, &bpl));
        EXPECT_EQ(nullptr,
                  Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(rgb.data(), 2, bad, 2, 2, 0, &size, &bpl));
    }
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(rgb.data(), 2, 2, 4, 4, 5, &size, &bpl));
    EXPECT_EQ(-1, size);
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageFileToMonoFormat("/nonexistent.png", 8, 8, 0, &size, &bpl));
}

} // namespace
