// Gray conversion and binarization: the vectors of each method, the dither matrix, the
// nine pixel formats, refusals, and bit-for-bit agreement of the fast paths with plain
// whole-image implementations of the same formulas.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/monoformat.h"

using imgtest::Bytes;
using imgtest::Hex;
using imgtest::Owned;

namespace {

// ---- plain reference implementations ---------------------------------------------------

std::vector<unsigned char> PackBits(const std::vector<int> &black, int w, int h)
{
    int bpl = (w + 7) / 8;
    std::vector<unsigned char> r(static_cast<size_t>(bpl) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (black[static_cast<size_t>(y) * w + x])
                r[static_cast<size_t>(y) * bpl + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
    return r;
}

std::vector<unsigned char> ReferenceDiffusionV2(const std::vector<unsigned char> &gray, int w, int h)
{
    std::vector<double> work(gray.begin(), gray.end());
    static const int kRight[3][5] = {{0, 0, 0, 6, 4}, {3, 5, 6, 5, 3}, {1, 3, 4, 3, 1}};
    for (int y = 0; y < h; ++y) {
        bool ltr = (y % 2) == 0;
        for (int i = 0; i < w; ++i) {
            int x = ltr ? i : w - 1 - i;
            double &v = work[static_cast<size_t>(y) * w + x];
            double e;
            if (v < 128) {
                e = v;
                v = 0;
            } else {
                e = v - 255;
                v = 255;
            }
            for (int dy = 0; dy < 3; ++dy) {
                for (int k = 0; k < 5; ++k) {
                    int weight = kRight[dy][k];
                    int dx = ltr ? k - 2 : 2 - k;
                    int tx = x + dx, ty = y + dy;
                    if (weight == 0 || tx < 0 || tx >= w || ty >= h)
                        continue;
                    work[static_cast<size_t>(ty) * w + tx] += e * weight / 44;
                }
            }
        }
    }
    std::vector<int> black(work.size());
    for (size_t i = 0; i < work.size(); ++i)
        black[i] = work[i] <= 127;
    return PackBits(black, w, h);
}

std::vector<unsigned char> ReferenceFloydSteinberg(const std::vector<unsigned char> &gray, int w, int h)
{
    std::vector<unsigned char> work = gray;
    std::vector<int> black(work.size());
    auto add = [&](int x, int y, int d) {
        if (x < 0 || x >= w || y >= h)
            return;
        int v = work[static_cast<size_t>(y) * w + x] + d;
        work[static_cast<size_t>(y) * w + x] = static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
    };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int v = work[static_cast<size_t>(y) * w + x];
            int e = v < 128 ? v : v - 255;
            black[static_cast<size_t>(y) * w + x] = v < 128;
            add(x + 1, y, e * 7 / 16);
            add(x - 1, y + 1, e * 3 / 16);
            add(x, y + 1, e * 5 / 16);
            add(x + 1, y + 1, e * 1 / 16);
        }
    }
    return PackBits(black, w, h);
}

unsigned char ReferenceGray(int r, int g, int b, int a)
{
    double l = 0.299 * r + 0.587 * g + 0.114 * b;
    unsigned char gray = static_cast<unsigned char>(l);
    if (a < 0)
        return gray;
    double t = 1 - a / 255.0;
    return static_cast<unsigned char>(t * 255 + gray * (1 - t) + 0.5);
}

// A gray image with smooth areas, sharp edges and noise.
std::vector<unsigned char> TestGray(int w, int h, uint32_t seed)
{
    imgtest::Lcg r(seed);
    std::vector<unsigned char> g(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double v = 128 + 100 * sin(x * 0.07 + y * 0.03) + static_cast<int>(r.Next() % 41) - 20;
            if ((x / 13 + y / 7) % 5 == 0)
                v = (x + y) % 2 ? 0 : 255;
            g[static_cast<size_t>(y) * w + x] = static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
        }
    }
    return g;
}

std::vector<unsigned char> Binarized(unsigned char *(*f)(const unsigned char *, int, int, int, int *, int *),
                               const std::vector<unsigned char> &gray, int w, int h, int stride = 0)
{
    int size = -1, bpl = -1;
    Owned r(f(gray.data(), w, h, stride ? stride : w, &size, &bpl));
    EXPECT_EQ((w + 7) / 8, bpl);
    EXPECT_EQ(bpl * h, size);
    return Bytes(r.get(), size);
}

// ---- tests -----------------------------------------------------------------------------

TEST(Binarize, DitherMatrixIsTheRecursiveBayerMatrix)
{
    const unsigned char row0[16] = {0, 128, 32, 160, 8, 136, 40, 168, 2, 130, 34, 162, 10, 138, 42, 170};
    EXPECT_EQ(0, memcmp(row0, Floyd16x16[0], 16));
    int m[16][16] = {{0}};
    for (int n = 1; n < 16; n *= 2) {
        int next[16][16];
        static const int d[2][2] = {{0, 2}, {3, 1}};
        for (int y = 0; y < 2 * n; ++y)
            for (int x = 0; x < 2 * n; ++x)
                next[y][x] = 4 * m[y % n][x % n] + d[y / n][x / n];
        memcpy(m, next, sizeof(m));
    }
    m[15][0] = 254;
    int count[256] = {0};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            EXPECT_EQ(m[y][x], Floyd16x16[y][x]) << y << "," << x;
            ++count[Floyd16x16[y][x]];
        }
    EXPECT_EQ(2, count[254]);
    EXPECT_EQ(0, count[255]);
}

TEST(Binarize, FlatImages)
{
    using Fn = unsigned char *(*)(const unsigned char *, int, int, int, int *, int *);
    struct {
        const char *name;
        Fn fn;
        bool blackGivesOnes;
    } methods[] = {
        {"dither", Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseDithering, true},
        {"threshold", Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseThresholding, false},
        {"diffusion", Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2, true},
        {"floyd-steinberg", Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusion, true},
    };
    const int w = 20, h = 5;
    for (const auto &m : methods) {
        std::vector<unsigned char> white(w * h, 255), black(w * h, 0);
        EXPECT_EQ(std::vector<unsigned char>(3 * h, 0), Binarized(m.fn, white, w, h)) << m.name;
        std::vector<unsigned char> ones;
        for (int y = 0; y < h; ++y)
            ones.insert(ones.end(), {0xFF, 0xFF, 0xF0});
        EXPECT_EQ(m.blackGivesOnes ? ones : std::vector<unsigned char>(3 * h, 0), Binarized(m.fn, black, w, h)) << m.name;
    }
}

TEST(Binarize, DitherOfMidGrayBlackensHalfTheMatrix)
{
    std::vector<unsigned char> gray(32 * 32, 128);
    std::vector<unsigned char> r = Binarized(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseDithering, gray, 32, 32);
    int blacks = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            bool bit = (r[y * 4 + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(Floyd16x16[y % 16][x % 16] >= 128, bit);
            blacks += bit;
        }
    EXPECT_EQ(512, blacks);
}

TEST(Binarize, ThresholdAtTheMean)
{
    // Mean of 10, 20, 30, 40 is 25: values below are black, the mean itself white.
    std::vector<unsigned char> gray = {10, 20, 30, 40, 25, 25, 24, 26};
    std::vector<unsigned char> r = Binarized(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseThresholding, gray, 4, 2);
    EXPECT_EQ(Hex("C0 20"), r);
}

// Both diffusion paths (the processor's blend and the plain one) against the whole-image
// reference, over widths odd and even, down to one pixel.
TEST(Binarize, DiffusionMatchesWholeImageReference)
{
    const struct {
        int w, h;
    } sizes[] = {{1, 1}, {1, 7}, {2, 3}, {3, 9}, {5, 4}, {17, 11}, {64, 40}, {333, 97}};
    // Pure noise over the whole range exercises every branch of the share computation.
    const std::vector<unsigned char> noise = imgtest::RandomBytes(257 * 63, 99);
    for (bool generic : {false, true}) {
        NZImg_UseGenericDiffusion(generic);
        for (const auto &s : sizes) {
            std::vector<unsigned char> gray = TestGray(s.w, s.h, static_cast<uint32_t>(s.w * 131 + s.h));
            EXPECT_EQ(ReferenceDiffusionV2(gray, s.w, s.h),
                      Binarized(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2, gray, s.w, s.h))
                << s.w << "x" << s.h << " generic " << generic;
        }
        EXPECT_EQ(ReferenceDiffusionV2(noise, 257, 63),
                  Binarized(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2, noise, 257, 63));
    }
    NZImg_UseGenericDiffusion(false);
    for (const auto &s : sizes) {
        std::vector<unsigned char> gray = TestGray(s.w, s.h, static_cast<uint32_t>(s.w * 131 + s.h));
        EXPECT_EQ(ReferenceFloydSteinberg(gray, s.w, s.h),
                  Binarized(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusion, gray, s.w, s.h))
            << s.w << "x" << s.h;
    }
}

TEST(Binarize, StrideAndRefusals)
{
    // The stride skips padding bytes that must not be read as pixels.
    std::vector<unsigned char> padded = {0, 255, 9, 9, 255, 0, 9, 9};
    std::vector<unsigned char> r = Binarized(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseDithering, padded, 2, 2, 4);
    EXPECT_EQ(Hex("80 40"), r);
    int size = -5, bpl = -5;
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(padded.data(), 2, 2, 1, 0, &size, &bpl));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(padded.data(), 0, 2, 2, 0, &size, &bpl));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(padded.data(), 2, -1, 2, 0, &size, &bpl));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(padded.data(), 2, 2, 2, 3, &size, &bpl));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(nullptr, 2, 2, 2, 0, &size, &bpl));
    EXPECT_EQ(-5, size);
    EXPECT_EQ(-5, bpl);
}

TEST(GrayConv, PixelFormatsAgreeWithTheFormula)
{
    imgtest::Lcg rnd(5);
    const int n = 2000;
    std::vector<unsigned char> r(n), g(n), b(n), a(n);
    for (int i = 0; i < n; ++i) {
        r[i] = rnd.Byte();
        g[i] = rnd.Byte();
        b[i] = rnd.Byte();
        a[i] = i < 256 ? static_cast<unsigned char>(i) : rnd.Byte();
    }
    struct {
        int format;
        int size;
        int ri, gi, bi, ai;
    } formats[] = {{4, 3, 0, 1, 2, -1}, {5, 3, 2, 1, 0, -1}, {6, 4, 1, 2, 3, 0},
                   {7, 4, 0, 1, 2, 3},  {8, 4, 3, 2, 1, 0},  {9, 4, 2, 1, 0, 3}};
    for (const auto &f : formats) {
        std::vector<unsigned char> px(static_cast<size_t>(n) * f.size);
        for (int i = 0; i < n; ++i) {
            px[i * f.size + f.ri] = r[i];
            px[i * f.size + f.gi] = g[i];
            px[i * f.size + f.bi] = b[i];
            if (f.ai >= 0)
                px[i * f.size + f.ai] = a[i];
        }
        // One row of n pixels and, through the stride, 2 rows of n / 2.
        Owned gray(Quorvane_ImgUtils_ConvertImageToGrayFormat(px.data(), n, 1, n * f.size, f.format));
        ASSERT_NE(nullptr, gray.get()) << f.format;
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(ReferenceGray(r[i], g[i], b[i], f.ai >= 0 ? a[i] : -1), gray.get()[i])
                << "format " << f.format << " pixel " << i;
        Owned rows(Quorvane_ImgUtils_ConvertImageToGrayFormat(px.data(), n / 4, 2, n / 2 * f.size, f.format));
        ASSERT_NE(nullptr, rows.get());
        EXPECT_EQ(gray.get()[n / 2], rows.get()[n / 4]);
    }
}

TEST(GrayConv, AlphaCompositesOverWhite)
{
    // RGBA (0, 0, 0, 0) is white, (0, 0, 0, 255) black.
    std::vector<unsigned char> rgba = {0, 0, 0, 0, 0, 0, 0, 255};
    Owned gray(Quorvane_ImgUtils_ConvertImageToGrayFormat(rgba.data(), 2, 1, 8, 7));
    EXPECT_EQ(Hex("FF 00"), Bytes(gray.get(), 2));
    for (int method = 0; method < 3; ++method) {
        int size = 0, bpl = 0;
        Owned raster(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgba.data(), 2, 1, 8, 7, method, &size, &bpl));
        EXPECT_EQ(Hex("40"), Bytes(raster.get(), size)) << method;
    }
}

TEST(GrayConv, UnknownFormatsAndBadStridesAreRefused)
{
    std::vector<unsigned char> px(64, 0x80);
    for (int format : {0, 1, 2, 10, -1})
        EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageToGrayFormat(px.data(), 4, 4, 16, format)) << format;
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageToGrayFormat(px.data(), 4, 4, 11, 4));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImageToGrayFormat(px.data(), 4, 0, 16, 4));
    Owned ok(Quorvane_ImgUtils_ConvertImageToGrayFormat(px.data(), 4, 4, 12, 4));
    EXPECT_NE(nullptr, ok.get());
}

TEST(MonoFormat, OneBitFormats)
{
    // Format 1, width 10, stride 2: the six low bits of every second byte are cleared.
    std::vector<unsigned char> mono = Hex("FF FF AB CD");
    int size = 0, bpl = 0;
    Owned r1(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(mono.data(), 10, 2, 2, 1, 77, &size, &bpl));
    EXPECT_EQ(2, bpl);
    EXPECT_EQ(4, size);
    EXPECT_EQ(Hex("FF C0 AB C0"), Bytes(r1.get(), size));
    // Format 2: bit-reversed bytes, bits beyond the width left as they are.
    std::vector<unsigned char> lsb = Hex("01 F0 80 0F");
    Owned r2(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(lsb.data(), 10, 2, 2, 2, 0, &size, &bpl));
    EXPECT_EQ(Hex("80 0F 01 F0"), Bytes(r2.get(), size));
    for (int i = 0; i < 256; ++i) {
        int rev = 0;
        for (int bit = 0; bit < 8; ++bit)
            rev |= ((i >> bit) & 1) << (7 - bit);
        EXPECT_EQ(rev, BitReverseTable256[i]);
    }
    // A stride shorter than the row of dots is refused.
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(mono.data(), 10, 2, 1, 1, 0, &size, &bpl));
}

TEST(MonoFormat, DispatchAndRefusals)
{
    std::vector<unsigned char> gray = TestGray(40, 12, 3);
    std::vector<unsigned char> rgb = imgtest::RandomBytes(gray.size() * 3, 11);
    for (size_t i = 0; i < gray.size(); ++i)
        gray[i] = ReferenceGray(rgb[i * 3], rgb[i * 3 + 1], rgb[i * 3 + 2], -1);
    for (int method = 0; method < 3; ++method) {
        int size = 0, bpl = 0, size2 = 0, bpl2 = 0;
        Owned a(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(gray.data(), 40, 12, 40, 3, method, &size, &bpl));
        Owned b(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 40, 12, 120, 4, method, &size2, &bpl2));
        EXPECT_EQ(5, bpl);
        EXPECT_EQ(60, size);
        // RGB goes through the gray of the formula, then the same binarizer.
        EXPECT_EQ(Bytes(a.get(), size), Bytes(b.get(), size2)) << method;
    }
    int size = -1, bpl = -1;
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 40, 12, 120, 4, 3, &size, &bpl));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 40, 12, 120, 0, 0, &size, &bpl));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 40, 12, 119, 4, 0, &size, &bpl));
    EXPECT_EQ(nullptr,
              Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb.data(), 0x10000, 0x10000, 0x30000, 4, 0, &size,
                                                               &bpl));
    EXPECT_EQ(-1, size);
    EXPECT_EQ(-1, bpl);
}

} // namespace
