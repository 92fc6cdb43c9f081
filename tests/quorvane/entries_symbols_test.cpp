// Barcode and QR entries of the C interface: widths, drawn pixels, refused input.
#include <gtest/gtest.h>

#include <vector>

#include "quorvane/quorvane.h"

namespace {
const unsigned int kBg = 0xFFFFFFFFu;
const unsigned int kFg = 0xFF000000u;
const unsigned int kUntouched = 0x12345678u;
} // namespace

TEST(EntriesBarcode, Widths)
{
    struct Row {
        int type, unit;
        const char *text;
        int width;
    } rows[] = {
        {2, 3, "123456789012", 285},  // EAN-13: 95 modules
        {2, 1, "1234567890128", 95},  // with its check digit
        {2, 1, "1234567890120", 95},  // a given check digit is replaced
        {2, 1, "12345", 0},           // neither 12 nor 13 characters
        {0, 2, "12345678901", 190},   // UPC-A: 95 modules
        {3, 1, "1234567", 67},        // EAN-8: 67 modules
        {8, 2, "ABC", 136},           // Code 128 set B: start, 3, check, stop (13)
        {8, 1, "123456", 68},         // Code 128 set C: three digit pairs
        {3, 1, "123456", 0},
        {2, 1, "", 0},
        {20, 1, "123456789012", 0},   // types without an encoder
        {25, 1, "123456789012", 0},
        {27, 1, "123456789012", 0},
        {30, 1, "123456789012", 0},
        {-1, 1, "123456789012", 0},
        {2, 1, nullptr, 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.width, CP_Barcode_GetBarcodeWidth(r.type, r.unit, r.text))
            << r.type << " " << r.unit << " " << (r.text ? r.text : "(null)");
    const std::vector<char> tooLong(202, '1');
    EXPECT_EQ(0, CP_Barcode_GetBarcodeWidth(8, 1, std::string(tooLong.begin(), tooLong.end()).c_str()));
}

TEST(EntriesBarcode, DrawsBarsIntoTheBuffer)
{
    const int w = 95, h = 3;
    std::vector<unsigned int> px(w * h, kUntouched);
    int outW = -1, outH = -1;
    ASSERT_EQ(1, CP_Barcode_GetBarcodeRGBAData(2, 1, h, kBg, kFg, "123456789012", px.data(),
                                               static_cast<long long>(px.size() * 4), &outW, &outH));
    EXPECT_EQ(w, outW);
    EXPECT_EQ(h, outH);
    // Start guard 101, then the first left digit (2, set A after leading 1: 0010011).
    const unsigned int start[] = {kFg, kBg, kFg, kBg, kBg, kFg, kBg, kBg, kFg, kFg};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(start[x], px[x]) << x;
    // End guard 101 and every row alike.
    EXPECT_EQ(kFg, px[w - 1]);
    EXPECT_EQ(kBg, px[w - 2]);
    EXPECT_EQ(kFg, px[w - 3]);
    for (int y = 1; y < h; ++y)
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(px[x], px[y * w + x]) << x << "," << y;
}

TEST(EntriesBarcode, RefusedBuffersStayUntouched)
{
    const int need = 95 * 2 * 4;
    struct Row {
        const char *what;
        long long size;
        bool withBuffer;
        const char *text;
        int result;
    } rows[] = {
        {"exact room", need, true, "123456789012", 1},
        {"more room than the image", 1LL << 40, true, "123456789012", 1}, // 64-bit size, capped
        {"one byte short", need - 1, true, "123456789012", 0},
        {"zero size", 0, true, "123456789012", 0},
        {"negative size", -need, true, "123456789012", 0},
        {"null buffer", need, false, "123456789012", 0},
        {"null text", need, true, nullptr, 0},
        {"bad text", need, true, "12345", 0},
    };
    for (const Row &r : rows) {
        std::vector<unsigned int> px(95 * 2 + 1, kUntouched);
        int outW = -1, outH = -1;
        EXPECT_EQ(r.result, CP_Barcode_GetBarcodeRGBAData(2, 1, 2, kBg, kFg, r.text, r.withBuffer ? px.data() : nullptr,
                                                          r.size, &outW, &outH))
            << r.what;
        EXPECT_EQ(kUntouched, px[95 * 2]) << r.what; // never past the image
        if (!r.result) {
            EXPECT_EQ(kUntouched, px[0]) << r.what;
            EXPECT_EQ(-1, outW) << r.what;
        }
    }
    // Outputs are optional.
    std::vector<unsigned int> px(95 * 2);
    EXPECT_EQ(1, CP_Barcode_GetBarcodeRGBAData(2, 1, 2, kBg, kFg, "123456789012", px.data(), need, nullptr, nullptr));
}

TEST(EntriesQrcode, Widths)
{
    struct Row {
        const char *text;
        int version, level, width;
    } rows[] = {
        {"hello", 1, 0, 21}, {"hello", 0, 3, 21}, {"hello", 2, 1, 25}, {"hello", 10, 2, 57},
        {"hello", 40, 0, 177}, {"", 1, 0, 0}, {nullptr, 1, 0, 0},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.width, CP_Qrcode_GetQrcodeWidth(r.text, r.version, r.level))
            << (r.text ? r.text : "(null)") << " v" << r.version << " l" << r.level;
}

TEST(EntriesQrcode, DrawsModulesIntoTheBuffer)
{
    const int side = 21;
    std::vector<unsigned int> px(side * side + 1, kUntouched);
    int outW = -1, outH = -1;
    ASSERT_EQ(1, CP_Qrcode_GetQrcodeRGBAData("hello", 1, 1, kBg, kFg, px.data(), side * side * 4, &outW, &outH));
    EXPECT_EQ(side, outW);
    EXPECT_EQ(side, outH);
    EXPECT_EQ(kUntouched, px[side * side]);
    // Finder patterns in three corners: dark ring, light ring, dark centre, light separator.
    const int corners[3][2] = {{0, 0}, {side - 7, 0}, {0, side - 7}};
    for (const auto &c : corners) {
        const unsigned int *at = px.data() + c[1] * side + c[0];
        EXPECT_EQ(kFg, at[0]);
        EXPECT_EQ(kFg, at[6 * side + 6]);
        EXPECT_EQ(kBg, at[1 * side + 1]);
        EXPECT_EQ(kFg, at[3 * side + 3]);
    }
    EXPECT_EQ(kBg, px[7]);              // separator right of the top-left finder
    EXPECT_EQ(kBg, px[7 * side + 7]);

    struct Row {
        const char *what;
        const char *text;
        long long size;
        bool withBuffer;
    } refused[] = {
        {"one byte short", "hello", side * side * 4 - 1, true},
        {"negative size", "hello", -1, true},
        {"null buffer", "hello", side * side * 4, false},
        {"null text", nullptr, side * side * 4, true},
        {"empty text", "", side * side * 4, true},
    };
    for (const Row &r : refused) {
        std::vector<unsigned int> buf(side * side, kUntouched);
        EXPECT_EQ(0, CP_Qrcode_GetQrcodeRGBAData(r.text, 1, 1, kBg, kFg, r.withBuffer ? buf.data() : nullptr, r.size,
                                                 &outW, &outH))
            << r.what;
        EXPECT_EQ(kUntouched, buf[0]) << r.what;
    }
}
