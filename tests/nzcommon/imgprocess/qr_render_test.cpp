// QR widths, RGBA fills and scaled gray images.
#include "nzcommon/imgprocess/qr_render.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr unsigned int BG = 0xFFFFFFFFu;
constexpr unsigned int FG = 0xFF000000u;

TEST(QrRender, Widths)
{
    const struct {
        const char *text;
        int version;
        int level;
        int width;
    } rows[] = {
        {"A", 0, 0, 21},  {"A", 1, 3, 21},   {"A", 2, 0, 25},  {"A", 40, 0, 177},
        {"A", -1, 0, 0},  {"A", 41, 0, 0},   {"A", 0, -1, 0},  {"A", 0, 4, 0},
        {"", 0, 0, 0},    {nullptr, 0, 0, 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(Quorvane_qrhelper_getqrcodewidth(r.text, r.version, r.level), r.width)
            << (r.text ? r.text : "(null)") << " v" << r.version << " l" << r.level;
    // Longer text needs a larger symbol, the more so at a higher level.
    const std::string text(100, 'x');
    const int low = Quorvane_qrhelper_getqrcodewidth(text.c_str(), 0, 0);
    const int high = Quorvane_qrhelper_getqrcodewidth(text.c_str(), 0, 3);
    EXPECT_GT(low, 21);
    EXPECT_GT(high, low);
}

TEST(QrRender, FillNeedsWidthSquaredPixels)
{
    std::vector<unsigned int> px(21 * 21, 0x12345678u);
    int w = -1, h = -1;
    EXPECT_EQ(Quorvane_NZQRCodeUtils_FillQRCodeRGBAData("A", 0, 0, BG, FG, px.data(), 1763, &w, &h), 0);
    for (unsigned int p : px)
        ASSERT_EQ(p, 0x12345678u);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(Quorvane_NZQRCodeUtils_FillQRCodeRGBAData("A", 0, 0, BG, FG, nullptr, 1764, &w, &h), 0);
    ASSERT_EQ(Quorvane_NZQRCodeUtils_FillQRCodeRGBAData("A", 0, 0, BG, FG, px.data(), 1764, &w, &h), 1);
    EXPECT_EQ(w, 21);
    EXPECT_EQ(h, 21);
    // Finder pattern at the top left: dark ring, light ring, dark 3x3 core, light separator.
    const char *finder[8] = {"11111110", "10000010", "10111010", "10111010",
                             "10111010", "10000010", "11111110", "00000000"};
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(px[static_cast<size_t>(y * 21 + x)], finder[y][x] == '1' ? FG : BG) << x << "," << y;
            EXPECT_EQ(px[static_cast<size_t>(y * 21 + 20 - x)], finder[y][x] == '1' ? FG : BG) << x << "," << y;
            EXPECT_EQ(px[static_cast<size_t>((20 - y) * 21 + x)], finder[y][x] == '1' ? FG : BG) << x << "," << y;
        }
    EXPECT_EQ(Quorvane_NZQRCodeUtils_FillQRCodeRGBAData("A", 0, 9, BG, FG, px.data(), 1764, &w, &h), 0);
}

TEST(QrRender, ScaledGrayMatchesModules)
{
    std::vector<unsigned int> px(21 * 21);
    int w = 0, h = 0;
    ASSERT_EQ(Quorvane_NZQRCodeUtils_FillQRCodeRGBAData("A", 0, 0, BG, FG, px.data(), 1764, &w, &h), 1);
    int side = -1;
    unsigned char *gray = Quorvane_qrhelper_encode("A", 0, 0, 3, &side);
    ASSERT_NE(gray, nullptr);
    ASSERT_EQ(side, 63); // 63 x 63 = 3969 bytes
    for (int y = 0; y < 63; ++y)
        for (int x = 0; x < 63; ++x)
            ASSERT_EQ(gray[y * 63 + x], px[static_cast<size_t>((y / 3) * 21 + x / 3)] == FG ? 0x00 : 0xFF)
                << x << "," << y;
    Quorvane_qrhelper_free(gray);
}

TEST(QrRender, BadScaleOrTextFails)
{
    for (int scale : {0, -1, -100}) {
        int side = 77;
        EXPECT_EQ(Quorvane_qrhelper_encode("A", 0, 0, scale, &side), nullptr);
        EXPECT_EQ(side, 77);
    }
    int side = 77;
    EXPECT_EQ(Quorvane_qrhelper_encode(nullptr, 0, 0, 1, &side), nullptr);
    EXPECT_EQ(Quorvane_qrhelper_encode("A", 0, 0, 0x7FFFFFFF, &side), nullptr);
    EXPECT_EQ(side, 77);
}

} // namespace
