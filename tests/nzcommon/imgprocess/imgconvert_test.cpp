// Image conversion entries: BMP and other formats to rasters at given or own sizes,
// vertical and aligned forms, alpha over white, and failures.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/imgprobe.h"
#include "nzcommon/imgprocess/imgscale.h"
#include "nzcommon/imgprocess/monoformat.h"

using imgtest::Bytes;
using imgtest::MakeBmp;
using imgtest::Owned;
using quorvane_test::Png;

namespace {

// A 16 x 8 baseline JPEG (quality 90): left half black, right half white.
const char kJpegHex[] =
    "FFD8FFE000104A46494600010100000100010000FFDB00840003020203020203"
    "03030304030304050805050404050A070706080C0A0C0C0B0A0B0B0D0E12100D"
    "0E110E0B0B1016101113141515150C0F17181614181214151401030404050405"
    "09050509140D0B0D141414141414141414141414141414141414141414141414"
    "1414141414141414141414141414141414141414141414141414FFC000110800"
    "08001003012200021101031101FFC401A2000001050101010101010000000000"
    "0000000102030405060708090A0B100002010303020403050504040000017D01"
    "020300041105122131410613516107227114328191A1082342B1C11552D1F024"
    "33627282090A161718191A25262728292A3435363738393A434445464748494A"
    "535455565758595A636465666768696A737475767778797A838485868788898A"
    "92939495969798999AA2A3A4A5A6A7A8A9AAB2B3B4B5B6B7B8B9BAC2C3C4C5C6"
    "C7C8C9CAD2D3D4D5D6D7D8D9DAE1E2E3E4E5E6E7E8E9EAF1F2F3F4F5F6F7F8F9"
    "FA0100030101010101010101010000000000000102030405060708090A0B1100"
    "0201020404030407050404000102770001020311040521310612415107617113"
    "22328108144291A1B1C109233352F0156272D10A162434E125F11718191A2627"
    "28292A35363738393A434445464748494A535455565758595A63646566676869"
    "6A737475767778797A82838485868788898A92939495969798999AA2A3A4A5A6"
    "A7A8A9AAB2B3B4B5B6B7B8B9BAC2C3C4C5C6C7C8C9CAD2D3D4D5D6D7D8D9DAE2"
    "E3E4E5E6E7E8E9EAF2F3F4F5F6F7F8F9FAFFDA000C03010002110311003F00FC"
    "AAAFEAA2BF957AFEAA2803FFD9";

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

    std::vector<unsigned char> jpg = imgtest::Hex(kJpegHex);
    ASSERT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromData(jpg.data(), static_cast<int>(jpg.size()), &bits, &w, &h));
    EXPECT_EQ(16, w);
    EXPECT_EQ(8, h);
    Owned fromJpg(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(jpg.data(), static_cast<int>(jpg.size()), 16, 8, 1,
                                                                 &size, &bpl));
    ASSERT_NE(nullptr, fromJpg.get());
    for (int y = 0; y < 8; ++y) {
        EXPECT_EQ(0xFF, fromJpg.get()[y * 2]) << y;
        EXPECT_EQ(0x00, fromJpg.get()[y * 2 + 1]) << y;
    }
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

    // Every failed conversion reports 0 and 0 (a refused method or size used to leave them).
    std::vector<unsigned char> junk(64, 0x33);
    struct Failure {
        const char *what;
        const std::vector<unsigned char> &data;
        int width, height, method;
    } failures[] = {
        {"undecodable data", junk, 10, 10, 0},
        {"unknown method", bmp, 10, 10, 3},
        {"negative method", bmp, 10, 10, -1},
        {"zero width", bmp, 0, 10, 1},
        {"negative height", bmp, 10, -4, 1},
    };
    for (const Failure &f : failures) {
        size = heightBytes = 5;
        EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(
                               f.data.data(), static_cast<int>(f.data.size()), f.width, f.height, f.method, &size,
                               &heightBytes))
            << f.what;
        EXPECT_EQ(0, size) << f.what;
        EXPECT_EQ(0, heightBytes) << f.what;
    }
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

TEST(ImgConvert, ConcurrentConversions)
{
    std::vector<unsigned char> rgb = Picture(60, 30);
    const std::vector<unsigned char> files[] = {Png(60, 30, 3, rgb), MakeBmp(60, 30, 24, rgb)};
    std::vector<unsigned char> expected[3];
    for (int method = 0; method < 3; ++method) {
        int size = 0, bpl = 0;
        Owned r(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(files[0].data(), static_cast<int>(files[0].size()), 90,
                                                               45, method, &size, &bpl));
        expected[method] = Bytes(r.get(), size);
    }
    int good[8] = {0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            const std::vector<unsigned char> &file = files[t % 2];
            bool ok = true;
            for (int i = 0; i < 6; ++i) {
                int method = (t + i) % 3, size = 0, bpl = 0;
                Owned r(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(file.data(), static_cast<int>(file.size()), 90,
                                                                       45, method, &size, &bpl));
                ok = ok && Bytes(r.get(), size) == expected[method];
            }
            good[t] = ok;
        });
    }
    for (auto &th : threads)
        th.join();
    for (int t = 0; t < 8; ++t)
        EXPECT_TRUE(good[t]) << t;
}

} // namespace

namespace {

// Damaged files: bytes of valid images overwritten at random places. Whatever the
// decoders make of them, they must return without touching memory they do not own.
TEST(ImgConvert, DamagedFilesNeverCrash)
{
    std::vector<unsigned char> rgb = Picture(24, 12);
    const std::vector<unsigned char> originals[] = {
        Png(24, 12, 3, rgb), MakeBmp(24, 12, 24, rgb), imgtest::Hex(kJpegHex),
        MakeBmp(24, 12, 8, std::vector<unsigned char>(24 * 12, 3), std::vector<unsigned char>(1024, 0x40))};
    imgtest::Lcg rnd(2024);
    int decoded = 0;
    for (const auto &original : originals) {
        for (int round = 0; round < 150; ++round) {
            std::vector<unsigned char> f = original;
            int edits = 1 + static_cast<int>(rnd.Next() % 4);
            for (int e = 0; e < edits; ++e)
                f[rnd.Next() % f.size()] = rnd.Byte();
            if (round % 5 == 0)
                f.resize(rnd.Next() % f.size() + 1);
            int size = 0, bpl = 0, w = 0, h = 0, bits = 0;
            Owned r(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(f.data(), static_cast<int>(f.size()), 16, 16,
                                                                   round % 3, &size, &bpl));
            decoded += r != nullptr;
            Quorvane_ImgUtils_GetImageSizeFromData(f.data(), static_cast<int>(f.size()), &bits, &w, &h);
        }
    }
    EXPECT_GT(decoded, 0);

    // DC values that run past an int once dequantised: the decoder's arithmetic wraps
    // (sanitizer builds see any overflow), and the picture keeps its size.
    const std::vector<unsigned char> dcRunaway = quorvane_test::DcOverflowJpeg();
    int size = 0, bpl = 0;
    Owned runaway(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(dcRunaway.data(), static_cast<int>(dcRunaway.size()),
                                                                 256, 8, 0, &size, &bpl));
    ASSERT_NE(nullptr, runaway.get());
    EXPECT_EQ(32, bpl);
    EXPECT_EQ(32 * 8, size);
}

} // namespace

namespace {

// The PNG with an empty image-data chunk put in front of its first one (before = true) or
// after it.
std::vector<unsigned char> WithEmptyDataChunk(std::vector<unsigned char> png, bool before)
{
    size_t pos = 8;
    while (pos + 8 <= png.size() && memcmp(&png[pos + 4], "IDAT", 4) != 0)
        pos += 12 + ((size_t(png[pos]) << 24) | (size_t(png[pos + 1]) << 16) | (size_t(png[pos + 2]) << 8) | png[pos + 3]);
    if (!before)
        pos += 12 + ((size_t(png[pos]) << 24) | (size_t(png[pos + 1]) << 16) | (size_t(png[pos + 2]) << 8) | png[pos + 3]);
    const std::vector<unsigned char> empty = imgtest::Hex("00000000 49444154 35AF061E");
    png.insert(png.begin() + static_cast<long>(pos), empty.begin(), empty.end());
    return png;
}

// Files that would make stb_image write past its tables, pass a null buffer, or decode for
// minutes: refused by every entry, before the decoder sees them.
TEST(ImgConvert, HostileFilesAreRefused)
{
    // A Huffman table segment whose 16 counts add up to more than 256 codes.
    std::vector<unsigned char> countsOver256 = imgtest::Hex(kJpegHex);
    size_t dht = 2;
    while (dht + 1 < countsOver256.size() && !(countsOver256[dht] == 0xFF && countsOver256[dht + 1] == 0xC4))
        ++dht;
    ASSERT_LT(dht + 21, countsOver256.size());
    for (int i = 0; i < 16; ++i)
        countsOver256[dht + 5 + i] = 20;
    // A PNG header announcing 30000 x 30000 pixels.
    std::vector<unsigned char> huge = Png(8, 8, 3, std::vector<unsigned char>(8 * 8 * 3, 9));
    imgtest::Put32(huge, 16, 0x30750000u); // big-endian 30000 in the width field
    imgtest::Put32(huge, 20, 0x30750000u);
    const std::vector<unsigned char> png = Png(8, 8, 3, std::vector<unsigned char>(8 * 8 * 3, 9));
    struct Row {
        const char *what;
        std::vector<unsigned char> file;
    } rows[] = {
        {"JPEG table of more than 256 codes", countsOver256},
        // The counts run past the end of the data, where the decoder reads zeros.
        {"JPEG table cut off by the end of the data", imgtest::Hex("FFD8 FFC4 01A2 00 A2A2")},
        {"the same after fill bytes", imgtest::Hex("FFFFFFD8 FFC4 01A2 00 A2A2")},
        // Segment length 3: the decoder still reads a whole table past the segment's end.
        {"JPEG table past its segment's end", imgtest::Hex("FFD8 FFC4 0003 13 FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF")},
        // The scan's AC table was never defined: the decoder would read tables it never set up.
        {"JPEG scan using an undefined table",
         imgtest::Hex("FFD8 FFDB 0043 00" + std::string(128, '1') +
                      " FFC0 000B 08 0008 0008 01 01 11 00"
                      " FFC4 0014 00 01000000000000000000000000000000 00"
                      " FFDA 0008 01 01 00 00 3F 00 00 FFD9")},
        {"PNG whose first data chunk is empty", WithEmptyDataChunk(png, true)},
        {"PNG of 30000 x 30000 pixels", huge},
        // Too short for the pixels they declare: rows of uninitialised memory, or seconds
        // spent making up millions of pixels from nothing.
        {"TGA cut off (2 x 2, 24-bit, 11 of 12 pixel bytes)",
         imgtest::Hex("000002 0000 0000 00 0000 0000 0200 0200 18 00 0102030405060708090A0B")},
        {"run-length TGA of 4096 x 4096 pixels in 22 bytes", imgtest::Hex("00000A 0000 0000 00 0000 0000 0010 0010 18 20 FF000000")},
        // Shorter than its header: the decoder reads the missing descriptor byte as zero.
        {"run-length TGA of 31168 x 1230 pixels in 17 bytes", imgtest::Hex("FF000A 6200 3F86 01 00F0 9EFF C079 CE04 20")},
        {"PSD of 8192 x 2048 pixels in 34 bytes",
         imgtest::Hex("38425053 0001 000000000000 0003 00000800 00002000 0008 0003 00000000 00000000 00000000 0000")},
        // Sides near 2^31: their pixel count must not overflow the length check.
        {"PSD of 0x5EF7BDE0 x 0x60300000 pixels",
         imgtest::Hex("38425053 0001 000000000000 0100 60300000 5EF7BDE0 0008 0003 00000000 00000000 00000000 0000")},
    };
    for (const Row &r : rows) {
        int size = 0, bpl = 0, bits = 0, w = 0, h = 0;
        EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageDataToMonoFormat(r.file.data(), static_cast<int>(r.file.size()),
                                                                          16, 8, 0, &size, &bpl))
            << r.what;
        EXPECT_EQ(0, Quorvane_ImgUtils_GetImageSizeFromData(r.file.data(), static_cast<int>(r.file.size()), &bits, &w,
                                                            &h))
            << r.what;
    }
    // Whole files of the same kinds decode.
    const std::vector<unsigned char> whole[] = {
        imgtest::Hex("000002 0000 0000 00 0000 0000 0200 0200 18 00 0102030405060708090A0B0C"),
        imgtest::Hex("00000A 0000 0000 00 0000 0000 0400 0200 18 20 87102030"), // one packet of 8 pixels
        imgtest::Hex("38425053 0001 000000000000 0003 00000002 00000002 0008 0003 00000000 00000000 00000000 0000"
                     "0102030405060708090A0B0C"),
    };
    for (size_t i = 0; i < sizeof whole / sizeof whole[0]; ++i) {
        int bits = 0, w = 0, h = 0;
        EXPECT_EQ(1, Quorvane_ImgUtils_GetImageSizeFromData(whole[i].data(), static_cast<int>(whole[i].size()), &bits,
                                                            &w, &h))
            << "whole file " << i;
    }
    // An empty data chunk after the first one is harmless and still decodes.
    const std::vector<unsigned char> laterEmpty = WithEmptyDataChunk(png, false);
    int size = 0, bpl = 0;
    Owned ok(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(laterEmpty.data(), static_cast<int>(laterEmpty.size()), 8, 8,
                                                            0, &size, &bpl));
    EXPECT_NE(nullptr, ok.get());
}

} // namespace

namespace {

// A PSD file of 8-bit RGB planes, uncompressed.
std::vector<unsigned char> Psd(uint32_t width, uint32_t height, unsigned char channels = 3)
{
    std::vector<unsigned char> f = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, channels};
    for (uint32_t v : {height, width})
        for (int shift = 24; shift >= 0; shift -= 8)
            f.push_back(static_cast<unsigned char>(v >> shift));
    const unsigned char tail[] = {0, 8, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    f.insert(f.end(), tail, tail + sizeof(tail));
    // Black under a low alpha: no white matte could have made it.
    f.insert(f.end(), static_cast<size_t>(width) * height * (channels - 1), 0x00);
    f.insert(f.end(), static_cast<size_t>(width) * height, 0x20);
    return f;
}

// Files that decode to an image without pixels (a side of 0) are no picture: the probes and
// the entries refuse them (they used to report a size of 0 and print blank paper). PSD files
// with alpha are refused too: stb_image's matte removal converted out-of-range floats.
TEST(ImgConvert, ImagesWithoutPixelsAndPsdWithAlphaAreRefused)
{
    const struct {
        uint32_t width, height;
        unsigned char channels;
        bool decodes;
    } rows[] = {{3, 2, 3, true}, {3, 0, 3, false}, {0, 2, 3, false}, {0, 0, 3, false}, {3, 2, 4, false},
                {3, 2, 5, false}};
    for (const auto &r : rows) {
        std::vector<unsigned char> psd = Psd(r.width, r.height, r.channels);
        const int n = static_cast<int>(psd.size());
        int size = 0, bpl = 0, bits = 0, w = 0, h = 0;
        Owned raster(Quorvane_ImgUtils_ConvertImageDataToMonoFormat(psd.data(), n, 16, 8, 0, &size, &bpl));
        EXPECT_EQ(r.decodes, raster != nullptr) << r.width << "x" << r.height << "x" << int(r.channels);
        EXPECT_EQ(r.decodes ? 1 : 0, Quorvane_ImgUtils_GetImageSizeFromData(psd.data(), n, &bits, &w, &h))
            << r.width << "x" << r.height << "x" << int(r.channels);
        Owned own(Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(psd.data(), n, 0, &size, &bpl, &w, &h));
        EXPECT_EQ(r.decodes, own != nullptr) << r.width << "x" << r.height << "x" << int(r.channels);
    }
}

} // namespace
