// Barcode widths in dots and their RGBA/RGB renderings.
#include "nzcommon/imgprocess/barcode_render.h"

#include "barcode_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr unsigned int BG = 0x11223344u;
constexpr unsigned int FG = 0xA0B0C0D0u;

struct WidthCase {
    int type;
    int unit;
    const char *text;
    int width;
};

const WidthCase kWidths[] = {
    {2, 1, "590123412345", 95},
    {2, 2, "590123412345", 190},
    {2, 3, "590123412345", 285},
    {0, 1, "03600029145", 95},
    {1, 1, "123456", 51},
    {3, 1, "9638507", 67},
    {16, 1, "59012341234512", 95 + 10 + 20},
    {17, 1, "59012341234512345", 95 + 10 + 47},
    {18, 1, "963850712", 67 + 30},
    {24, 1, "12345612345", 51 + 57},
    {4, 1, "AB", 64},
    {6, 1, "1234", 14 + 4 * 12 + 14},
    {7, 1, "TEST93", 9 + 8 * 9 + 10},
    {8, 1, "ABC", 68},
    {8, 1, "1234", 57},
    {10, 1, "1234", 4 + 4 * 16 + 5},
    {5, 1, "1234", 4 + 2 * 18 + 6},
    {28, 1, "0001234560001", 4 + 7 * 18 + 6 + 60},
    {28, 2, "0001234560001", 2 * (4 + 7 * 18 + 6) + 60},
    // Failures: no encoder, invalid text, empty text.
    {20, 1, "123", 0},
    {25, 1, "123", 0},
    {27, 1, "123", 0},
    {-1, 1, "123", 0},
    {30, 1, "123", 0},
    {2, 1, "59012341234", 0},
    {8, 1, "", 0},
    {8, 0, "ABC", 0},
};

TEST(BarcodeRender, WidthDots)
{
    for (const WidthCase &c : kWidths)
        EXPECT_EQ(Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(c.type, c.unit, 0, c.text), c.width)
            << "type " << c.type << " unit " << c.unit << " text " << c.text;
    EXPECT_EQ(Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(8, 1, 0, nullptr), 0);
}

TEST(BarcodeRender, TextLengthLimit)
{
    const std::string ok(200, '1');
    const std::string tooLong(201, '1');
    EXPECT_GT(Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(8, 1, 0, ok.c_str()), 0);
    EXPECT_GT(Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(5, 1, 0, ok.c_str()), 0);
    for (int type = -1; type <= 30; ++type)
        EXPECT_EQ(Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(type, 1, 0, tooLong.c_str()), 0) << type;
}

// Every row equals the module row of the encoder.
TEST(BarcodeRender, FillSpreadsTheRowOverTheHeight)
{
    const std::string modules = barcode_test::row_of(8, "ABC", 2);
    const int w = static_cast<int>(modules.size());
    const int h = 7;
    std::vector<unsigned int> px(static_cast<size_t>(w * h), 0);
    int wout = -1, hout = -1;
    ASSERT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(8, 2, h, BG, FG, "ABC", px.data(),
                                                          static_cast<int>(px.size() * 4), &wout, &hout),
              1);
    EXPECT_EQ(wout, w);
    EXPECT_EQ(hout, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(px[static_cast<size_t>(y * w + x)], modules[static_cast<size_t>(x)] == '1' ? FG : BG)
                << x << "," << y;
}

TEST(BarcodeRender, FillRefusesShortOrMissingBuffers)
{
    const int w = 95, h = 4;
    const int need = w * h * 4;
    std::vector<unsigned int> px(static_cast<size_t>(w * h), 0xDEADBEEFu);
    int wout = -1, hout = -1;
    EXPECT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(2, 1, h, BG, FG, "590123412345", px.data(), need - 1,
                                                          &wout, &hout),
              0);
    for (unsigned int p : px)
        ASSERT_EQ(p, 0xDEADBEEFu);
    EXPECT_EQ(wout, -1);
    EXPECT_EQ(hout, -1);
    EXPECT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(2, 1, h, BG, FG, "590123412345", nullptr, need, &wout,
                                                          &hout),
              0);
    EXPECT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(2, 1, h, BG, FG, "590123412345", px.data(), -need, &wout,
                                                          &hout),
              0);
    EXPECT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(2, 1, h, BG, FG, "590123412345", px.data(), need, &wout,
                                                          &hout),
              1);
    EXPECT_EQ(wout, 95);
}

TEST(BarcodeRender, HeightOfZeroOrLessFails)
{
    std::vector<unsigned int> px(1000);
    int wout = 0, hout = 0;
    for (int h : {0, -1, -1000}) {
        EXPECT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(8, 1, h, BG, FG, "ABC", px.data(), 4000, &wout, &hout),
                  0);
        EXPECT_EQ(Quorvane_NZBarcodeUtils_GetBarcodeRGBAData(8, 1, 0, h, "ABC", FG, &wout, &hout), nullptr);
        EXPECT_EQ(Quorvane_NZBarcodeUtils_GetBarcodeRGBData(8, 1, 0, h, "ABC", &wout, &hout), nullptr);
    }
}

TEST(BarcodeRender, HugeImagesFailWithoutOverflow)
{
    int wout = 0, hout = 0;
    std::vector<unsigned int> px(16);
    // 2000 x 2^31-1 pixels would wrap a 32-bit size.
    const std::string text(120, 'A');
    EXPECT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(4, 1, 0x7FFFFFFF, BG, FG, text.c_str(), px.data(),
                                                          0x7FFFFFFF, &wout, &hout),
              0);
}

// ITF-14: 30-dot quiet zones and 10-dot bearer bars inside the image.
TEST(BarcodeRender, Itf14Frame)
{
    const char *text = "0001234560001";
    const std::string modules = barcode_test::row_of(28, text);
    const int w = static_cast<int>(modules.size()) + 60;
    for (int h : {20, 30, 5, 1}) {
        std::vector<unsigned int> px(static_cast<size_t>(w * h), 0);
        int wout = 0, hout = 0;
        ASSERT_EQ(Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(28, 1, h, BG, FG, text, px.data(),
                                                              static_cast<int>(px.size() * 4), &wout, &hout),
                  1);
        ASSERT_EQ(wout, w);
        for (int y = 0; y < h; ++y) {
            const bool bearer = y < 10 || y >= h - 10;
            for (int x = 0; x < w; ++x) {
                unsigned int expect;
                if (bearer || x < 10 || x >= w - 10)
                    expect = FG;
                else if (x < 30 || x >= w - 30)
                    expect = BG;
                else
                    expect = modules[static_cast<size_t>(x - 30)] == '1' ? FG : BG;
                ASSERT_EQ(px[static_cast<size_t>(y * w + x)], expect) << "h " << h << " at " << x << "," << y;
            }
        }
    }
}

TEST(BarcodeRender, NewRgbaBufferHasBackgroundZero)
{
    int wout = 0, hout = 0;
    std::unique_ptr<unsigned int, decltype(&free)> px(
        Quorvane_NZBarcodeUtils_GetBarcodeRGBAData(2, 1, 0, 3, "590123412345", FG, &wout, &hout), free);
    ASSERT_NE(px, nullptr);
    EXPECT_EQ(wout, 95);
    EXPECT_EQ(hout, 3);
    const std::string modules = barcode_test::row_of(2, "590123412345");
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 95; ++x)
            ASSERT_EQ(px.get()[y * 95 + x], modules[static_cast<size_t>(x)] == '1' ? FG : 0u);
}

TEST(BarcodeRender, RgbBuffer)
{
    int wout = 0, hout = 0;
    std::unique_ptr<unsigned char, decltype(&free)> rgb(
        Quorvane_NZBarcodeUtils_GetBarcodeRGBData(4, 1, 0, 2, "AB", &wout, &hout), free);
    ASSERT_NE(rgb, nullptr);
    ASSERT_EQ(wout, 64);
    const std::string modules = barcode_test::row_of(4, "AB");
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 64; ++x)
            for (int k = 0; k < 3; ++k)
                ASSERT_EQ(rgb.get()[(y * 64 + x) * 3 + k], modules[static_cast<size_t>(x)] == '1' ? 0x00 : 0xFF);

    // ITF-14: white quiet zones, black bearer bars.
    std::unique_ptr<unsigned char, decltype(&free)> itf(
        Quorvane_NZBarcodeUtils_GetBarcodeRGBData(28, 1, 0, 25, "0001234560001", &wout, &hout), free);
    ASSERT_NE(itf, nullptr);
    EXPECT_EQ(itf.get()[0], 0x00);                     // top bearer
    EXPECT_EQ(itf.get()[(12 * wout + 5) * 3], 0x00);   // left bearer
    EXPECT_EQ(itf.get()[(12 * wout + 20) * 3], 0xFF);  // quiet zone
    EXPECT_EQ(itf.get()[(12 * wout + 30) * 3], 0x00);  // first bar of the start
}

// The encoders keep no state: concurrent callers get the same results.
TEST(BarcodeRender, ConcurrentCallers)
{
    std::vector<int> mismatches(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t, &mismatches] {
            for (int round = 0; round < 50; ++round)
                for (const WidthCase &c : kWidths)
                    if (Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(c.type, c.unit, 0, c.text) != c.width)
                        ++mismatches[static_cast<size_t>(t)];
        });
    for (std::thread &th : threads)
        th.join();
    for (int m : mismatches)
        EXPECT_EQ(m, 0);
}

} // namespace
