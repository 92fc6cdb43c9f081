// Page-mode positions and the automatic CODE128 data encoder.
#include "nzcommon/imgprocess/page_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const PL_Utils_Size kPage(576, 400);

struct RectCase {
    int pageW, pageH, rotation, x, y, w, h;
    int ex, ey;
};

const RectCase kRects[] = {
    {576, 400, 0, -2, -3, 100, 50, 238, 350},
    {576, 400, 0, -1, -1, 100, 50, 0, 0},
    {576, 400, 0, 17, -4, 100, 50, 17, -4},
    {576, 400, 0, -3, -2, 100, 50, 476, 175},
    {576, 400, 2, -2, -3, 100, 50, 238, 350},
    {576, 400, 1, -3, -2, 100, 50, 300, 263},
    {576, 400, 3, -2, -3, 100, 50, 150, 526},
    {576, 400, 0, -2, 5, 700, 50, 0, 5},   // limited to the page width
    {576, 400, 0, -3, 5, 700, 50, 0, 5},
    {576, 400, 0, 5, -3, 10, 900, 5, 0},   // limited to the page height
    {576, 400, 5, -2, -3, 100, 50, -2, -3}, // unknown rotation: codes stay
    {576, 400, 1, -2, -3, 500, 50, 0, 526}, // would start before the page: clamped to 0
    {576, 400, 1, -3, 5, 500, 50, 0, 5},
    {0, 0, 0, -2, -3, 100, 50, 0, 0},       // empty page area
    {576, 400, 0, 101, 3, 0, 0, 101, 3},
    {576, 400, 0, -2, -2, 101, 51, 237, 174}, // divisions round toward zero
};

TEST(PageLayout, RectPositions)
{
    for (const RectCase &c : kRects) {
        const PL_Utils_Position p =
            Utils_Page_ComputeRectPosition(PL_Utils_Size(c.pageW, c.pageH), c.rotation, c.x, c.y, c.w, c.h);
        EXPECT_EQ(p.x, c.ex) << "rot " << c.rotation << " x " << c.x << " w " << c.w;
        EXPECT_EQ(p.y, c.ey) << "rot " << c.rotation << " y " << c.y << " h " << c.h;
    }
}

TEST(PageLayout, ExtremeValuesDoNotOverflow)
{
    const int big = 0x7FFFFFFF, small = -0x7FFFFFFF - 1;
    PL_Utils_Position p = Utils_Page_ComputeRectPosition(PL_Utils_Size(big, big), 1, -2, -3, small, small);
    EXPECT_GE(p.x, 0);
    EXPECT_GE(p.y, 0);
    p = Utils_Page_ComputeImagePosition(kPage, 0, 0, big, 10, big);
    EXPECT_EQ(p.y, big);
    p = Utils_Page_ComputeStringPositionW(kPage, 0, 3, 0, 0, L"AB", big, big, big, big, big, big);
    EXPECT_EQ(p.y, big);
}

struct TextCase {
    const wchar_t *text;
    int x, y, scaleW, scaleH;
    int ex, ey;
};

// Default cells: 12 x 24 single-byte, 24 x 24 double-byte; baseline offset 3.
const TextCase kTexts[] = {
    {L"AB", -3, 10, 0, 0, 576 - 24, 31},
    {L"AB", -3, 10, 0, 1, 576 - 24, 55},
    {L"AB", -3, 10, 1, 0, 576 - 48, 31},
    {L"AB\nmore text", -3, 10, 0, 0, 576 - 24, 31},
    {L"\nAB", -3, 10, 0, 0, 576, 31},
    {L"", -2, -3, 0, 0, 288, 400 - 3},
    {L"\x6F22" L"A", -3, 0, 0, 0, 576 - 36, 21},
    {L"\x00FF\x0100", -3, 0, 0, 0, 576 - 36, 21},
    {L"AB", -1, -1, 0, 0, 0, 21},
    {L"AB", -2, -2, 0, 0, 276, 188 + 21},
    {L"AB", 5, -5, 0, 0, 5, -5}, // a negative y that is no code is not moved
};

TEST(PageLayout, TextPositions)
{
    for (const TextCase &c : kTexts) {
        const PL_Utils_Position p =
            Utils_Page_ComputeStringPositionW(kPage, 0, 3, c.x, c.y, c.text, 12, 24, 24, 24, c.scaleW, c.scaleH);
        EXPECT_EQ(p.x, c.ex) << "x " << c.x;
        EXPECT_EQ(p.y, c.ey) << "y " << c.y;
    }
}

TEST(PageLayout, TextNarrowForm)
{
    PL_Utils_Position p = Utils_Page_ComputeStringPositionA(kPage, 0, 3, -3, 10, "AB", 12, 24, 24, 24, 0, 0);
    EXPECT_EQ(p.x, 576 - 24);
    EXPECT_EQ(p.y, 31);
    // A text that cannot be converted leaves the position as given.
    p = Utils_Page_ComputeStringPositionA(kPage, 0, 3, -2, -3, nullptr, 12, 24, 24, 24, 0, 0);
    EXPECT_EQ(p.x, -2);
    EXPECT_EQ(p.y, -3);
}

struct BarcodeCase {
    int system, textPosition, y;
    int ex, ey;
};

// EAN-13 590123412345 at unit 2 is 190 dots wide; bars 60, readable text 24.
const BarcodeCase kBarcodes[] = {
    {67, 0, 10, 193, 10 + 59},
    {67, 1, 10, 193, 10 + 83},
    {67, 2, 10, 193, 10 + 59},
    {67, 3, 10, 193, 10 + 83},
    {67, 0, -3, 193, 400 - 60 + 59},
    {67, 1, -3, 193, 400 - 84 + 83},
    {67, 2, -3, 193, 400 - 84 + 59},
    {67, 3, -3, 193, 400 - 108 + 83},
    {2, 6, 10, 193, 10 + 59},  // only the low two bits count
    {67, 2, -7, 193, -7},
    {9, 2, 10, 288, 69},        // unknown system: width 0
    {74, 2, 10, 288, 69},
};

TEST(PageLayout, BarcodePositions)
{
    for (const BarcodeCase &c : kBarcodes) {
        const PL_Utils_Position p =
            Utils_Page_ComputeBarcodePositionA(kPage, 0, -2, c.y, "590123412345", c.system, 2, 60, 24, c.textPosition);
        EXPECT_EQ(p.x, c.ex) << "system " << c.system << " position " << c.textPosition;
        EXPECT_EQ(p.y, c.ey) << "system " << c.system << " position " << c.textPosition << " y " << c.y;
    }
}

TEST(PageLayout, BarcodeWidthsPerSystem)
{
    const struct {
        int system;
        const char *text;
        int modules;
    } rows[] = {
        {65, "03600029145", 95}, {66, "123456", 51}, {67, "590123412345", 95}, {68, "9638507", 67},
        {69, "AB", 64},          {70, "1234", 46},   {71, "1234", 76},         {72, "TEST93", 91},
        {73, "ABC", 68},         {73, "{BABC", 90}, {67, "59012341234", 0},   {4, "ab", 0},
    };
    for (const auto &r : rows) {
        const PL_Utils_Position p = Utils_Page_ComputeBarcodePositionA(PL_Utils_Size(1000, 400), 0, -3, 0, r.text,
                                                                       r.system, 1, 60, 24, 0);
        EXPECT_EQ(p.x, 1000 - r.modules) << r.system << " " << r.text;
    }
}

TEST(PageLayout, BarcodeWideForm)
{
    const PL_Utils_Position p =
        Utils_Page_ComputeBarcodePositionW(kPage, 0, -2, 10, L"590123412345", 2, 2, 60, 24, 2);
    EXPECT_EQ(p.x, 193);
    EXPECT_EQ(p.y, 69);
    const PL_Utils_Position q = Utils_Page_ComputeBarcodePositionW(kPage, 0, -2, -3, nullptr, 2, 2, 60, 24, 2);
    EXPECT_EQ(q.x, -2);
    EXPECT_EQ(q.y, -3);
}

TEST(PageLayout, QrPositions)
{
    // One byte at the smallest version: 21 modules, module size 2 -> 42 dots.
    PL_Utils_Position p = Utils_Page_ComputeQRCodePositionA(kPage, 0, -3, -3, "A", 0, 1, 2);
    EXPECT_EQ(p.x, 576 - 42);
    EXPECT_EQ(p.y, 400 - 42);
    p = Utils_Page_ComputeQRCodePositionA(kPage, 0, -2, 10, "A", 0, 4, 2);
    EXPECT_EQ(p.x, (576 - 42) / 2);
    EXPECT_EQ(p.y, 10);
    p = Utils_Page_ComputeQRCodePositionA(kPage, 0, -3, -3, "A", 0, 0, 2); // level 0: no symbol
    EXPECT_EQ(p.x, 576);
    EXPECT_EQ(p.y, 400);
    p = Utils_Page_ComputeQRCodePositionA(kPage, 0, -3, -3, "A", 2, 1, 3); // version 2: 25 modules
    EXPECT_EQ(p.x, 576 - 75);
    p = Utils_Page_ComputeQRCodePositionW(kPage, 0, -3, -3, L"A", 0, 1, 2);
    EXPECT_EQ(p.x, 576 - 42);
    p = Utils_Page_ComputeQRCodePositionW(kPage, 0, -3, -3, nullptr, 0, 1, 2);
    EXPECT_EQ(p.x, -3);
}

TEST(PageLayout, ImagePositions)
{
    const struct {
        int rotation, x, y, w, h, ex, ey;
    } rows[] = {
        {0, -2, -3, 100, 50, 238, 399},
        {0, -1, 10, 100, 50, 0, 59},
        {0, 7, -9, 100, 50, 7, -9},
        {1, -3, -1, 100, 50, 300, 49},
    };
    for (const auto &r : rows) {
        const PL_Utils_Position p = Utils_Page_ComputeImagePosition(kPage, r.rotation, r.x, r.y, r.w, r.h);
        EXPECT_EQ(p.x, r.ex);
        EXPECT_EQ(p.y, r.ey);
    }
}

std::vector<int> code128_auto(const char *text, bool *isNull = nullptr)
{
    unsigned int len = 12345;
    unsigned char *out = Utils_CODE128_EncodeDataAuto(text, &len);
    if (isNull)
        *isNull = out == nullptr;
    std::vector<int> v;
    if (out)
        v.assign(out, out + len);
    free(out);
    return v;
}

TEST(PageLayout, Code128AutoData)
{
    const struct {
        const char *text;
        std::vector<int> bytes;
    } rows[] = {
        {"12345678", {0x7B, 0x43, 0x0C, 0x22, 0x38, 0x4E}},
        {"AB123", {0x7B, 0x42, 0x41, 0x42, 0x31, 0x32, 0x33}},
        {"A12345", {0x7B, 0x42, 0x41, 0x31, 0x7B, 0x43, 0x17, 0x2D}},
        {"12345", {0x7B, 0x43, 0x0C, 0x22, 0x7B, 0x42, 0x35}},
        {"1234", {0x7B, 0x43, 0x0C, 0x22}},
        {"123", {0x7B, 0x42, 0x31, 0x32, 0x33}},
        {"a1b22c333d", {0x7B, 0x42, 'a', '1', 'b', '2', '2', 'c', '3', '3', '3', 'd'}},
        {"X1234Y", {0x7B, 0x42, 'X', 0x7B, 0x43, 0x0C, 0x22, 0x7B, 0x42, 'Y'}},
        {"\x01\x02", {0x7B, 0x42, 0x01, 0x02}},
        {"{A", {0x7B, 0x42, 0x7B, 0x7B, 0x41}}, // a literal brace is doubled
        {"{{", {0x7B, 0x42, 0x7B, 0x7B, 0x7B, 0x7B}},
        {"", {}},
    };
    for (const auto &r : rows) {
        bool isNull = true;
        EXPECT_EQ(code128_auto(r.text, &isNull), r.bytes) << r.text;
        EXPECT_FALSE(isNull) << r.text;
    }
    bool isNull = false;
    EXPECT_TRUE(code128_auto(nullptr, &isNull).empty());
    EXPECT_TRUE(isNull);
}

TEST(PageLayout, Code128AutoLongText)
{
    // Worst cases for the output size: all braces, and short runs between digit blocks.
    std::string braces(1000, '{');
    unsigned int len = 0;
    unsigned char *out = Utils_CODE128_EncodeDataAuto(braces.c_str(), &len);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(len, 2002u);
    free(out);
    std::string mixed;
    for (int i = 0; i < 200; ++i)
        mixed += "a12345";
    out = Utils_CODE128_EncodeDataAuto(mixed.c_str(), &len);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(len, 200u * 8);
    free(out);
    out = Utils_CODE128_EncodeDataAuto("12", nullptr);
    ASSERT_NE(out, nullptr);
    free(out);
}

} // namespace
