// Bicubic scaling: bit-for-bit agreement with the per-pixel formula for RGB and BGRA at
// many size pairs, identity-like and constant cases, and refusals.
#include <gtest/gtest.h>

#include <cmath>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/imgscale.h"

using imgtest::Bytes;
using imgtest::Owned;

namespace {

double Kernel(double t)
{
    const double a = -1.0;
    t = fabs(t);
    if (t <= 1.0)
        return (a + 2) * t * t * t - (a + 3) * t * t + 1;
    if (t <= 2.0)
        return a * t * t * t - 5 * a * t * t + 8 * a * t - 4 * a;
    return 0.0;
}

unsigned char Border(double t)
{
    return t <= 0 ? 0 : (t >= 255 ? 255 : static_cast<unsigned char>(static_cast<int>(t)));
}

// One output pixel at a time, as the formula reads; with alphaEdge the last channel of a
// neighbour outside the image is 0.
std::vector<unsigned char> ReferenceScale(const std::vector<unsigned char> &src, int sw, int sh, int dw, int dh,
                                          int channels, bool alphaEdge)
{
    std::vector<unsigned char> dst(static_cast<size_t>(dw) * dh * channels);
    double xScale = static_cast<double>(sw) / dw, yScale = static_cast<double>(sh) / dh;
    for (int y = 0; y < dh; ++y) {
        for (int x = 0; x < dw; ++x) {
            double srcY = (y + 0.4999999) * yScale - 0.5;
            double srcX = (x + 0.4999999) * xScale - 0.5;
            int fx = static_cast<int>(floor(srcX)), fy = static_cast<int>(floor(srcY));
            double u = srcX - fx, v = srcY - fy;
            double au[4] = {Kernel(1 + u), Kernel(u), Kernel(1 - u), Kernel(2 - u)};
            double av[4] = {Kernel(1 + v), Kernel(v), Kernel(1 - v), Kernel(2 - v)};
            for (int c = 0; c < channels; ++c) {
                double sum = 0;
                for (int i = 0; i < 4; ++i) {
                    int row = fy - 1 + i;
                    bool rowOut = row < 0 || row >= sh;
                    row = row < 0 ? 0 : (row >= sh ? sh - 1 : row);
                    double rowSum = 0;
                    for (int j = 0; j < 4; ++j) {
                        int col = fx - 1 + j;
                        bool colOut = col < 0 || col >= sw;
                        col = col < 0 ? 0 : (col >= sw ? sw - 1 : col);
                        double p = src[(static_cast<size_t>(row) * sw + col) * channels + c];
                        if (alphaEdge && c == channels - 1 && (rowOut || colOut))
                            p = 0;
                        rowSum += au[j] * p;
                    }
                    sum += av[i] * rowSum;
                }
                dst[(static_cast<size_t>(y) * dw + x) * channels + c] = Border(sum + 0.5);
            }
        }
    }
    return dst;
}

struct SizePair {
    int sw, sh, dw, dh;
};

const SizePair kPairs[] = {{1, 1, 3, 3}, {4, 4, 4, 4},   {7, 5, 3, 2},   {10, 10, 23, 17},
                           {2, 9, 1, 1}, {33, 21, 16, 40}, {64, 48, 31, 97}, {5, 100, 50, 7}};

TEST(ImgScale, RgbMatchesPerPixelFormula)
{
    for (const auto &p : kPairs) {
        std::vector<unsigned char> src = imgtest::RandomBytes(static_cast<size_t>(p.sw) * p.sh * 3, p.sw * 7 + p.dh);
        Owned dst(Quorvane_ImgUtils_ScaleRGB888Image(p.sw, p.sh, src.data(), p.dw, p.dh));
        ASSERT_NE(nullptr, dst.get());
        EXPECT_EQ(ReferenceScale(src, p.sw, p.sh, p.dw, p.dh, 3, false), Bytes(dst.get(), p.dw * p.dh * 3))
            << p.sw << "x" << p.sh << " -> " << p.dw << "x" << p.dh;
    }
}

TEST(ImgScale, BgraMatchesPerPixelFormulaWithTransparentEdges)
{
    for (const auto &p : kPairs) {
        std::vector<unsigned char> src = imgtest::RandomBytes(static_cast<size_t>(p.sw) * p.sh * 4, p.sh * 5 + p.dw);
        Owned dst(Quorvane_ImgUtils_ScaleBGRA8888Image(p.sw, p.sh, src.data(), p.dw, p.dh));
        ASSERT_NE(nullptr, dst.get());
        EXPECT_EQ(ReferenceScale(src, p.sw, p.sh, p.dw, p.dh, 4, true), Bytes(dst.get(), p.dw * p.dh * 4))
            << p.sw << "x" << p.sh << " -> " << p.dw << "x" << p.dh;
    }
    // Opaque 1 x 1 to 3 x 3: the colour stays, the edges lend alpha 0.
    std::vector<unsigned char> px = {10, 20, 30, 255};
    Owned dst(Quorvane_ImgUtils_ScaleBGRA8888Image(1, 1, px.data(), 3, 3));
    EXPECT_EQ(10, dst.get()[0]);
    EXPECT_LT(dst.get()[3], 255);
}

TEST(ImgScale, ConstantAndSameSizeImages)
{
    // 1 x 1 to 3 x 3: every neighbour is the pixel and the weights sum to 1.
    std::vector<unsigned char> one = {200, 100, 7};
    Owned three(Quorvane_ImgUtils_ScaleRGB888Image(1, 1, one.data(), 3, 3));
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(one, Bytes(three.get() + i * 3, 3)) << i;
    // Same size: the output equals the input to within rounding.
    std::vector<unsigned char> src = imgtest::RandomBytes(12 * 9 * 3, 4);
    Owned same(Quorvane_ImgUtils_ScaleRGB888Image(12, 9, src.data(), 12, 9));
    for (size_t i = 0; i < src.size(); ++i)
        EXPECT_NEAR(src[i], same.get()[i], 1) << i;
}

TEST(ImgScale, KernelAndBorder)
{
    EXPECT_EQ(1.0, Quorvane_ImgUtils_SinXDivX(0));
    EXPECT_EQ(0.0, Quorvane_ImgUtils_SinXDivX(1));
    EXPECT_EQ(0.0, Quorvane_ImgUtils_SinXDivX(2));
    EXPECT_EQ(0.0, Quorvane_ImgUtils_SinXDivX(2.5));
    EXPECT_EQ(Quorvane_ImgUtils_SinXDivX(0.3), Quorvane_ImgUtils_SinXDivX(-0.3));
    EXPECT_EQ(-0.125, Quorvane_ImgUtils_SinXDivX(1.5));
    EXPECT_EQ(0, Quorvane_ImgUtils_border_color(-3));
    EXPECT_EQ(255, Quorvane_ImgUtils_border_color(300));
    EXPECT_EQ(17, Quorvane_ImgUtils_border_color(17.99));
}

TEST(ImgScale, ZeroAndOverflowingSizesAreRefused)
{
    std::vector<unsigned char> src(12, 1);
    const SizePair bad[] = {{0, 2, 2, 2}, {2, 0, 2, 2}, {2, 2, 0, 2}, {2, 2, 2, -1}, {2, 2, 0x10000, 0x10000}};
    for (const auto &p : bad) {
        EXPECT_EQ(nullptr, Quorvane_ImgUtils_ScaleRGB888Image(p.sw, p.sh, src.data(), p.dw, p.dh));
        EXPECT_EQ(nullptr, Quorvane_ImgUtils_ScaleBGRA8888Image(p.sw, p.sh, src.data(), p.dw, p.dh));
    }
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ScaleRGB888Image(2, 2, nullptr, 2, 2));
}

} // namespace
