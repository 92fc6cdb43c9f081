// Pixel-array and JBIG entries of the C interface: measure, fill, decode back, refused input,
// and the one rule every pixel-array entry applies to the caller's buffer.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <vector>

#include "page_memory_port.h"
#include "quorvane/quorvane.h"

namespace {

const unsigned int kWhite = 0xFFFFFFFFu;
const unsigned int kBlack = 0xFF000000u;

// A test picture: black where (x / 3 + y) is odd or on the border.
bool Dark(int x, int y, int w, int h)
{
    return x == 0 || y == 0 || x == w - 1 || y == h - 1 || ((x / 3 + y) & 1);
}

// The picture in a pixel format: 1 packed bits (MSB left), 3 gray, 4 RGB, 7 RGBA; rows of
// stride bytes with padding bytes of 0xAA.
std::vector<unsigned char> Picture(int format, int w, int h, int stride)
{
    std::vector<unsigned char> px(static_cast<size_t>(stride) * h, 0xAA);
    for (int y = 0; y < h; ++y) {
        unsigned char *row = px.data() + static_cast<size_t>(y) * stride;
        if (format == 1)
            memset(row, 0, static_cast<size_t>((w + 7) / 8));
        for (int x = 0; x < w; ++x) {
            const bool dark = Dark(x, y, w, h);
            const unsigned char v = dark ? 0x00 : 0xFF;
            switch (format) {
            case 1:
                if (dark)
                    row[x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
                break;
            case 3: row[x] = v; break;
            case 4: memset(row + 3 * x, v, 3); break;
            case 7: memset(row + 4 * x, v, 3); row[4 * x + 3] = 0xFF; break;
            }
        }
    }
    return px;
}

std::vector<unsigned char> Compress(const std::vector<unsigned char> &px, int w, int h, int stride, int format,
                                    int method)
{
    const int len = CP_Image_GetCompressToJBIGDataLength(px.data(), static_cast<long long>(px.size()), w, h, stride,
                                                         format, method);
    if (len <= 0)
        return {};
    std::vector<unsigned char> bie(static_cast<size_t>(len));
    const int got = CP_Image_GetCompressToJBIGDataBytes(px.data(), static_cast<long long>(px.size()), w, h, stride,
                                                        format, method, bie.data(), len);
    if (got != len)
        return {};
    return bie;
}

} // namespace

// Receipt, page-mode, label and JBIG entries take a pixel array only when every row lies in
// the data length given; otherwise 0 and nothing sent. The buffer is exactly 64 bytes, so
// a read past it shows under AddressSanitizer.
TEST(EntriesImage, EveryPixelEntryTakesOnlyRowsInsideTheData)
{
    struct Shape {
        const char *what;
        int length, w, h, stride, format;
        bool ok;
    } shapes[] = {
        {"gray 8x8", 64, 8, 8, 8, 3, true},
        {"gray 8x8, one byte short", 63, 8, 8, 8, 3, false},
        {"gray, height INT_MAX", 64, 8, INT_MAX, 8, 3, false},
        {"gray, stride INT_MAX", 64, 8, 8, INT_MAX, 3, false},
        {"gray, one row of stride INT_MAX", 64, 8, 1, INT_MAX, 3, true},
        {"gray, width and stride INT_MAX", 64, INT_MAX, 1, INT_MAX, 3, false},
        {"negative length", -1, 8, 8, 8, 3, false},
        {"length INT_MIN", INT_MIN, 8, 1, 8, 3, false},
        {"raster 64x8, whole rows", 64, 64, 8, 8, 1, true},
        {"raster, last row's padding missing", 63, 16, 8, 8, 1, false},
        {"raster, height INT_MAX", 64, 8, INT_MAX, 1, 2, false},
        {"RGB, last row unpadded", 56, 8, 2, 32, 4, true},
        {"RGB, third row missing", 64, 8, 3, 24, 4, false},
        {"BGRA, width beyond the stride", 64, INT_MAX, 1, INT_MAX, 9, false},
    };
    const std::vector<std::function<int(CP_Handle, const Shape &, const unsigned char *)>> entries = {
        [](CP_Handle h, const Shape &s, const unsigned char *px) {
            return CP_Pos_PrintRasterImageFromPixels(h, px, s.length, s.w, s.h, s.stride, s.format, 1, 0);
        },
        [](CP_Handle h, const Shape &s, const unsigned char *px) {
            return CP_Page_DrawRasterImageFromPixels(h, 0, 0, px, s.length, s.w, s.h, s.stride, s.format, 1);
        },
        [](CP_Handle h, const Shape &s, const unsigned char *px) {
            return CP_Label_DrawImageFromPixels(h, 0, 0, px, s.length, s.w, s.h, s.stride, s.format, 1, 0);
        },
        [](CP_Handle, const Shape &s, const unsigned char *px) {
            return CP_Image_GetCompressToJBIGDataLength(px, s.length, s.w, s.h, s.stride, s.format, 1) > 0 ? 1 : 0;
        },
    };
    const std::vector<unsigned char> px(64, 0x00);
    for (size_t e = 0; e < entries.size(); ++e) {
        for (const Shape &s : shapes) {
            SCOPED_TRACE(testing::Message() << "entry " << e << ": " << s.what);
            quorvane_test::MemoryConnection conn;
            ASSERT_NE(nullptr, conn.handle());
            ASSERT_EQ(1, CP_Page_SetPageArea(conn.handle(), 0, 0, 384, 800));
            conn.Take();
            EXPECT_EQ(s.ok ? 1 : 0, entries[e](conn.handle(), s, px.data()));
            if (!s.ok || e == 3)
                EXPECT_EQ("", conn.Take());
            else
                EXPECT_NE("", conn.Take());
        }
    }
}

TEST(EntriesImage, RoundTripsThroughJbig)
{
    struct Row {
        int format, method, w, h, stride;
    } rows[] = {
        {1, 0, 16, 4, 2},   {1, 2, 13, 9, 4},   {3, 0, 40, 7, 40},  {3, 1, 40, 7, 43},
        {3, 2, 33, 5, 33},  {4, 0, 20, 6, 60},  {4, 2, 20, 6, 64},  {7, 1, 17, 11, 68},
        {1, 0, 1, 1, 1},    {3, 0, 300, 260, 300}, // more rows than one band of the codec
    };
    for (const Row &r : rows) {
        SCOPED_TRACE(testing::Message() << "format " << r.format << " method " << r.method << " " << r.w << "x"
                                        << r.h);
        const std::vector<unsigned char> px = Picture(r.format, r.w, r.h, r.stride);
        const std::vector<unsigned char> bie = Compress(px, r.w, r.h, r.stride, r.format, r.method);
        ASSERT_FALSE(bie.empty());
        EXPECT_EQ(0x00, bie[0]); // BIE header: DL 0, D 0
        int w = -1, h = -1;
        ASSERT_EQ(1, CP_Image_DecodeImageSizeFromJBIGData(bie.data(), static_cast<long long>(bie.size()), &w, &h));
        EXPECT_EQ(r.w, w);
        EXPECT_EQ(r.h, h);
        std::vector<unsigned int> out(static_cast<size_t>(r.w) * r.h + 1, 0x5A5A5A5Au);
        w = h = -1;
        ASSERT_EQ(1, CP_Image_DecodeRGBAImageFromJBIGData(bie.data(), static_cast<long long>(bie.size()), kWhite,
                                                          kBlack, out.data(), &w, &h));
        EXPECT_EQ(r.w, w);
        EXPECT_EQ(r.h, h);
        EXPECT_EQ(0x5A5A5A5Au, out.back());
        int wrong = 0;
        for (int y = 0; y < r.h; ++y)
            for (int x = 0; x < r.w; ++x)
                wrong += out[static_cast<size_t>(y) * r.w + x] != (Dark(x, y, r.w, r.h) ? kBlack : kWhite);
        EXPECT_EQ(0, wrong);
    }
}

TEST(EntriesImage, CompressRefusesShortBuffersAndBadInput)
{
    const std::vector<unsigned char> rgb = Picture(4, 20, 6, 64); // rows 60 bytes used of 64
    const std::vector<unsigned char> mono = Picture(1, 16, 4, 3);
    const long long rgbNeed = 5 * 64 + 60, monoNeed = 4 * 3;
    struct Row {
        const char *what;
        const std::vector<unsigned char> *px;
        long long length;
        int w, h, stride, format, method;
        bool ok;
    } rows[] = {
        {"rgb, last row unpadded", &rgb, rgbNeed, 20, 6, 64, 4, 0, true},
        {"rgb, one byte short", &rgb, rgbNeed - 1, 20, 6, 64, 4, 0, false},
        {"mono, whole rows", &mono, monoNeed, 16, 4, 3, 1, 0, true},
        {"mono, last row's padding missing", &mono, monoNeed - 1, 16, 4, 3, 1, 0, false},
        {"rgb, length not given", &rgb, 0, 20, 6, 64, 4, 0, true},
        {"mono, length not given", &mono, 0, 16, 4, 3, 1, 0, true},
        {"length 1", &rgb, 1, 20, 6, 64, 4, 0, false},
        {"negative length", &rgb, -1, 20, 6, 64, 4, 0, false},
        {"zero width", &rgb, rgbNeed, 0, 6, 64, 4, 0, false},
        {"negative height", &rgb, rgbNeed, 20, -6, 64, 4, 0, false},
        {"stride shorter than a row", &rgb, rgbNeed, 20, 6, 59, 4, 0, false},
        {"format 0", &rgb, rgbNeed, 20, 6, 64, 0, 0, false},
        {"format 10", &rgb, rgbNeed, 20, 6, 64, 10, 0, false},
        {"method 3", &rgb, rgbNeed, 20, 6, 64, 4, 3, false},
        {"method -1", &rgb, rgbNeed, 20, 6, 64, 4, -1, false},
        {"null pixels", nullptr, rgbNeed, 20, 6, 64, 4, 0, false},
    };
    for (const Row &r : rows) {
        const unsigned char *p = r.px ? r.px->data() : nullptr;
        const int len = CP_Image_GetCompressToJBIGDataLength(p, r.length, r.w, r.h, r.stride, r.format, r.method);
        EXPECT_EQ(r.ok, len > 0) << r.what;
        std::vector<unsigned char> out(4096, 0xEE);
        const int got = CP_Image_GetCompressToJBIGDataBytes(p, r.length, r.w, r.h, r.stride, r.format, r.method,
                                                            out.data(), static_cast<long long>(out.size()));
        EXPECT_EQ(r.ok ? len : 0, got) << r.what;
    }
    // Without a length the image is encoded exactly as with its full length.
    std::vector<unsigned char> given(4096), notGiven(4096);
    const int a = CP_Image_GetCompressToJBIGDataBytes(rgb.data(), rgbNeed, 20, 6, 64, 4, 0, given.data(), 4096);
    const int b = CP_Image_GetCompressToJBIGDataBytes(rgb.data(), 0, 20, 6, 64, 4, 0, notGiven.data(), 4096);
    ASSERT_GT(a, 0);
    EXPECT_EQ(a, b);
    EXPECT_EQ(given, notGiven);
}

TEST(EntriesImage, CompressIntoTooSmallOrMissingOutput)
{
    const std::vector<unsigned char> px = Picture(3, 40, 7, 40);
    const int len = CP_Image_GetCompressToJBIGDataLength(px.data(), 280, 40, 7, 40, 3, 0);
    ASSERT_GT(len, 20);
    std::vector<unsigned char> out(static_cast<size_t>(len) + 8, 0xEE);
    struct Row {
        const char *what;
        long long capacity;
        bool withOut;
        int result;
    } rows[] = {
        {"exact", len, true, len},
        {"64-bit capacity", 1LL << 36, true, len},
        {"one short", len - 1, true, 0},
        {"zero", 0, true, 0},
        {"negative", -1, true, 0},
        {"null output", len, false, 0},
    };
    for (const Row &r : rows) {
        std::fill(out.begin(), out.end(), 0xEE);
        EXPECT_EQ(r.result, CP_Image_GetCompressToJBIGDataBytes(px.data(), 280, 40, 7, 40, 3, 0,
                                                               r.withOut ? out.data() : nullptr, r.capacity))
            << r.what;
        for (size_t i = static_cast<size_t>(len); i < out.size(); ++i)
            ASSERT_EQ(0xEE, out[i]) << r.what << " " << i; // nothing past the data
    }
}

TEST(EntriesImage, DecodeFailuresZeroTheOutputs)
{
    const std::vector<unsigned char> px = Picture(1, 16, 4, 2);
    const std::vector<unsigned char> bie = Compress(px, 16, 4, 2, 1, 0);
    ASSERT_FALSE(bie.empty());
    const unsigned char notJbig[] = "these bytes are not a JBIG image at all";
    std::vector<unsigned char> corrupt = bie;
    corrupt[4] = corrupt[5] = corrupt[6] = corrupt[7] = 0; // width 0
    // Headers whose declared size no raster command carries: refused at once, without
    // decoding (or inventing) the rows they announce.
    const unsigned char zeroWidthHuge[20] = {0, 0, 0, 0, 0, 0, 0, 0, 0xD9, 0x00, 0xE6, 0xE6,
                                             0xE6, 0xE6, 0xE6, 0xE6, 0, 0, 0, 0};
    std::vector<unsigned char> tall = bie, wide = bie;
    tall[8] = tall[9] = tall[10] = tall[11] = 0xFF; // height 2^32 - 1
    wide[4] = 0x00, wide[5] = 0x01, wide[6] = 0x00, wide[7] = 0x00; // width 65536
    struct Row {
        const char *what;
        const unsigned char *data;
        long long length;
    } rows[] = {
        {"not JBIG", notJbig, static_cast<long long>(sizeof notJbig)},
        {"header only", bie.data(), 20},
        {"cut short", bie.data(), static_cast<long long>(bie.size()) - 3},
        {"width 0", corrupt.data(), static_cast<long long>(corrupt.size())},
        {"header alone: width 0, height 3.6e9", zeroWidthHuge, 20},
        {"height 2^32 - 1", tall.data(), static_cast<long long>(tall.size())},
        {"width 65536", wide.data(), static_cast<long long>(wide.size())},
        {"zero length", bie.data(), 0},
        {"negative length", bie.data(), -5},
        {"null data", nullptr, 100},
    };
    for (const Row &r : rows) {
        int w = 77, h = 77;
        EXPECT_EQ(0, CP_Image_DecodeImageSizeFromJBIGData(r.data, r.length, &w, &h)) << r.what;
        EXPECT_EQ(0, w) << r.what;
        EXPECT_EQ(0, h) << r.what;
        std::vector<unsigned int> out(64, 0x5A5A5A5Au);
        w = h = 77;
        EXPECT_EQ(0, CP_Image_DecodeRGBAImageFromJBIGData(r.data, r.length, kWhite, kBlack, out.data(), &w, &h))
            << r.what;
        EXPECT_EQ(0, w) << r.what;
        EXPECT_EQ(0, h) << r.what;
        EXPECT_EQ(0x5A5A5A5Au, out[0]) << r.what;
    }
    // A missing pixel buffer, and missing outputs.
    int w = 77, h = 77;
    EXPECT_EQ(0, CP_Image_DecodeRGBAImageFromJBIGData(bie.data(), static_cast<long long>(bie.size()), kWhite, kBlack,
                                                      nullptr, &w, &h));
    EXPECT_EQ(0, w);
    EXPECT_EQ(0, h);
    EXPECT_EQ(1, CP_Image_DecodeImageSizeFromJBIGData(bie.data(), static_cast<long long>(bie.size()), nullptr, nullptr));
    std::vector<unsigned int> out(64);
    EXPECT_EQ(1, CP_Image_DecodeRGBAImageFromJBIGData(bie.data(), static_cast<long long>(bie.size()), kWhite, kBlack,
                                                      out.data(), nullptr, nullptr));
}
