// JBIG T.85 round trips, measure-then-fill, the US ( J band command, hostile entities,
// concurrent use, and base64.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <thread>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/base64.h"
#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/jbigcodec.h"
#include "nzcommon/imgprocess/rasterdata.h"

using imgtest::Bytes;
using imgtest::Hex;
using imgtest::Owned;

namespace {

struct Raster {
    int bpl, width, lines;
    std::vector<unsigned char> data;
};

// Error-diffused photo-like gradient.
Raster PhotoRaster(int w, int h)
{
    std::vector<unsigned char> gray(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            gray[static_cast<size_t>(y) * w + x] =
                static_cast<unsigned char>(127 + 120 * sin(x * 0.05) * cos(y * 0.031));
    int size = 0, bpl = 0;
    Owned r(Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2(gray.data(), w, h, w, &size, &bpl));
    return {bpl, w, h, Bytes(r.get(), size)};
}

// Text-like: sparse strokes on white.
Raster TextRaster(int w, int h)
{
    int bpl = (w + 7) / 8;
    std::vector<unsigned char> d(static_cast<size_t>(bpl) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int cx = x % 12, cy = y % 20;
            bool stroke = cy < 16 && (cx == 2 || cx == 3 || (cy == 7 && cx < 9) || (cy == 0 && (x / 12) % 3 == 0));
            if (stroke)
                d[static_cast<size_t>(y) * bpl + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
        }
    return {bpl, w, h, d};
}

Raster RandomRaster(int w, int h, uint32_t seed)
{
    int bpl = (w + 7) / 8;
    Raster r{bpl, w, h, imgtest::RandomBytes(static_cast<size_t>(bpl) * h, seed)};
    // The decoder delivers white padding bits; compare like with like.
    Owned clean(Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(bpl, w, h, r.data.data(), 0));
    r.data = Bytes(clean.get(), bpl * h);
    return r;
}

std::vector<unsigned char> Encode(const Raster &r)
{
    int total = 0;
    EXPECT_EQ(0, Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(r.bpl, r.width, r.lines, r.data.data(), nullptr, 0,
                                                                  &total));
    EXPECT_GT(total, 20);
    std::vector<unsigned char> bie(total);
    int total2 = 0;
    EXPECT_EQ(1, Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(r.bpl, r.width, r.lines, r.data.data(), bie.data(),
                                                                  total, &total2));
    EXPECT_EQ(total, total2);
    return bie;
}

Raster Decode(const std::vector<unsigned char> &bie)
{
    int bpl = 0, w = 0, h = 0, total = 0;
    EXPECT_EQ(0, Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie.data(), static_cast<int>(bie.size()), &bpl, &w,
                                                                  &h, nullptr, 0, &total));
    std::vector<unsigned char> out(total);
    EXPECT_EQ(1, Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie.data(), static_cast<int>(bie.size()), &bpl, &w,
                                                                  &h, out.data(), total, &total));
    return {bpl, w, h, out};
}

TEST(Jbig, RoundTripsOfPhotosTextAndNoise)
{
    const struct {
        const char *name;
        Raster raster;
    } cases[] = {
        {"photo", PhotoRaster(576, 300)},      {"text", TextRaster(384, 200)},
        {"noise", RandomRaster(203, 77, 3)},   {"one dot", RandomRaster(1, 1, 4)},
        {"two lines", RandomRaster(9, 2, 5)},  {"wide", RandomRaster(1360, 5, 6)},
    };
    for (const auto &c : cases) {
        std::vector<unsigned char> bie = Encode(c.raster);
        Raster back = Decode(bie);
        EXPECT_EQ(c.raster.width, back.width) << c.name;
        EXPECT_EQ(c.raster.lines, back.lines) << c.name;
        EXPECT_EQ(c.raster.bpl, back.bpl) << c.name;
        EXPECT_EQ(c.raster.data, back.data) << c.name;
        int len = 0;
        Owned whole(Quorvane_ImgUtils_RasterDataToJBIG5Data(c.raster.bpl, c.raster.width, c.raster.lines,
                                                            c.raster.data.data(), &len));
        EXPECT_EQ(bie, Bytes(whole.get(), len)) << c.name;
    }
}

TEST(Jbig, EncoderReadsButDoesNotChangeTheRaster)
{
    // A stride wider than the width, with junk in the unused bits and bytes.
    Raster r = RandomRaster(20, 30, 8);
    std::vector<unsigned char> wide(8 * 30);
    for (int y = 0; y < 30; ++y)
        for (int i = 0; i < 8; ++i)
            wide[y * 8 + i] = i < 3 ? r.data[y * 3 + i] : static_cast<unsigned char>(0xA5 + y);
    wide[8 * 29 + 2] |= 0x0F;
    std::vector<unsigned char> copy = wide;
    int total = 0;
    Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(8, 20, 30, wide.data(), nullptr, 0, &total);
    EXPECT_EQ(copy, wide);
    std::vector<unsigned char> bie(total);
    ASSERT_EQ(1, Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(8, 20, 30, wide.data(), bie.data(), total, &total));
    Raster back = Decode(bie);
    EXPECT_EQ(3, back.bpl);
    EXPECT_EQ(r.data, back.data);
}

TEST(Jbig, DestinationOneByteShort)
{
    Raster r = TextRaster(64, 40);
    std::vector<unsigned char> bie = Encode(r);
    std::vector<unsigned char> small(bie.size() - 1);
    int total = 0;
    EXPECT_EQ(0, Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(r.bpl, r.width, r.lines, r.data.data(), small.data(),
                                                                  static_cast<int>(small.size()), &total));
    EXPECT_EQ(static_cast<int>(bie.size()), total);
    // Decoding into too little room fails but reports the total.
    int bpl = 0, w = 0, h = 0;
    std::vector<unsigned char> out(r.data.size() - 1);
    EXPECT_EQ(0, Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie.data(), static_cast<int>(bie.size()), &bpl, &w,
                                                                  &h, out.data(), static_cast<int>(out.size()),
                                                                  &total));
    EXPECT_EQ(static_cast<int>(r.data.size()), total);
}

TEST(Jbig, DecodeToPixels)
{
    Raster r = RandomRaster(10, 3, 9);
    std::vector<unsigned char> bie = Encode(r);
    int w = 0, h = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(bie.data(), static_cast<int>(bie.size()), &w, &h));
    EXPECT_EQ(10, w);
    EXPECT_EQ(3, h);
    const unsigned B = 0xFFFFFFFFu, F = 0xFF000000u;
    std::vector<unsigned> px(31, 0x12345678u);
    ASSERT_EQ(1, Quorvane_ImgUtils_DecodeRGBAImageFromJBIGData(bie.data(), static_cast<int>(bie.size()), B, F,
                                                               px.data(), &w, &h));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ((r.data[y * 2 + x / 8] >> (7 - x % 8)) & 1 ? F : B, px[y * 10 + x]);
    EXPECT_EQ(0x12345678u, px[30]);
}

TEST(Jbig, HostileEntitiesFail)
{
    Raster r = PhotoRaster(100, 50);
    std::vector<unsigned char> bie = Encode(r);
    std::vector<unsigned char> truncated(bie.begin(), bie.end() - 5);
    std::vector<unsigned char> header(bie.begin(), bie.begin() + 20);
    std::vector<unsigned char> garbage = imgtest::RandomBytes(300, 10);
    // Header announcing 2^31 - 1 dots by 2^31 - 1 lines, followed by a little data.
    std::vector<unsigned char> huge = bie;
    imgtest::Put32(huge, 4, 0);
    huge[4] = 0x7F;
    huge[5] = huge[6] = huge[7] = 0xFF;
    huge[8] = 0x7F;
    huge[9] = huge[10] = huge[11] = 0xFF;
    // 40000 dots: wider than the decoder's line buffer allows.
    std::vector<unsigned char> wide = bie;
    wide[4] = 0;
    wide[5] = 0;
    wide[6] = 0x9C;
    wide[7] = 0x40;
    const struct {
        const char *name;
        const std::vector<unsigned char> *data;
    } cases[] = {{"truncated", &truncated}, {"header only", &header}, {"garbage", &garbage},
                 {"huge image", &huge},     {"too wide", &wide}};
    for (const auto &c : cases) {
        int bpl = -3, w = -3, h = -3, total = 0;
        std::vector<unsigned char> out(r.data.size());
        EXPECT_EQ(0, Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(c.data->data(), static_cast<int>(c.data->size()),
                                                                      &bpl, &w, &h, out.data(),
                                                                      static_cast<int>(out.size()), &total))
            << c.name;
        EXPECT_EQ(-3, w) << c.name;
        EXPECT_EQ(0, Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(c.data->data(), static_cast<int>(c.data->size()),
                                                                   &w, &h))
            << c.name;
        std::vector<unsigned> px(5000);
        EXPECT_EQ(0, Quorvane_ImgUtils_DecodeRGBAImageFromJBIGData(c.data->data(), static_cast<int>(c.data->size()), 0,
                                                                   1, px.data(), &w, &h))
            << c.name;
        EXPECT_EQ(-3, h) << c.name;
    }
    int w = 0, h = 0;
    EXPECT_EQ(0, Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(nullptr, 10, &w, &h));
    EXPECT_EQ(0, Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(bie.data(), 0, &w, &h));
}

TEST(Jbig, BandCommand)
{
    Raster r = PhotoRaster(64, 600);
    int size = 0;
    Owned cmd(Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(r.bpl, r.lines, r.data.data(), 255, &size));
    ASSERT_NE(nullptr, cmd.get());
    std::vector<unsigned char> all = Bytes(cmd.get(), size);
    // Bands of 255, 255 and 90 lines, each a complete entity of its rows.
    const int bandLines[] = {255, 255, 90};
    size_t at = 0;
    int row = 0;
    for (int lines : bandLines) {
        ASSERT_LE(at + 8, all.size());
        EXPECT_EQ(Hex("1F 28 4A"), std::vector<unsigned char>(all.begin() + at, all.begin() + at + 3));
        int b = (all[at + 3] | (all[at + 4] << 8)) - 3;
        EXPECT_EQ(64, all[at + 5] | (all[at + 6] << 8));
        EXPECT_EQ(lines, all[at + 7]);
        std::vector<unsigned char> bie(all.begin() + at + 8, all.begin() + at + 8 + b);
        Raster back = Decode(bie);
        EXPECT_EQ(lines, back.lines);
        EXPECT_EQ(std::vector<unsigned char>(r.data.begin() + row * 8, r.data.begin() + (row + lines) * 8), back.data);
        at += 8 + b;
        row += lines;
    }
    EXPECT_EQ(all.size(), at);
    // A band height above 255 is cut to 255 (the field is one byte); 0 is refused.
    int size2 = 0;
    Owned cmd2(Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(r.bpl, r.lines, r.data.data(), 1000, &size2));
    EXPECT_EQ(all, Bytes(cmd2.get(), size2));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(r.bpl, r.lines, r.data.data(), 0, &size));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(8192, 1, r.data.data(), 24, &size));
}

TEST(Jbig, BandTooLongForTheLengthFieldIsSplit)
{
    // Noise of 1200 bytes a line does not compress: 255 lines would exceed 65535 bytes.
    Raster r = RandomRaster(9600, 100, 12);
    int size = 0;
    Owned cmd(Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(r.bpl, r.lines, r.data.data(), 255, &size));
    ASSERT_NE(nullptr, cmd.get());
    std::vector<unsigned char> all = Bytes(cmd.get(), size);
    size_t at = 0;
    int row = 0;
    while (at < all.size()) {
        int b = (all[at + 3] | (all[at + 4] << 8)) - 3;
        int lines = all[at + 7];
        EXPECT_LE(b + 3, 0xFFFF);
        Raster back = Decode(std::vector<unsigned char>(all.begin() + at + 8, all.begin() + at + 8 + b));
        EXPECT_EQ(std::vector<unsigned char>(r.data.begin() + static_cast<long>(row) * r.bpl,
                                             r.data.begin() + static_cast<long>(row + lines) * r.bpl),
                  back.data);
        at += 8 + b;
        row += lines;
    }
    EXPECT_EQ(100, row);
    EXPECT_GT(size, 100 * 1200);
}

TEST(Jbig, PixelsToJbigAndBase64)
{
    std::vector<unsigned char> rgba(30 * 10 * 4);
    for (size_t i = 0; i < rgba.size(); ++i)
        rgba[i] = (i % 4 == 3) ? 255 : static_cast<unsigned char>(i * 7);
    int len = Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataLength(rgba.data(), 0, 30, 10, 120, 7, 2);
    ASSERT_GT(len, 20);
    std::vector<unsigned char> bie(len);
    EXPECT_EQ(len, Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataBytes(rgba.data(), 0, 30, 10, 120, 7, 2,
                                                                          bie.data(), len));
    EXPECT_EQ(0, Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataBytes(rgba.data(), 0, 30, 10, 120, 7, 2, bie.data(),
                                                                        len - 1));
    EXPECT_EQ(0, Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataLength(rgba.data(), 0, 30, 10, 120, 11, 2));
    Raster back = Decode(bie);
    EXPECT_EQ(30, back.width);

    char *text = Quorvane_ImgUtils_RasterDataToJBIG5Base64Data(back.bpl, 30, 10, back.data.data());
    ASSERT_NE(nullptr, text);
    EXPECT_EQ(static_cast<size_t>((len + 2) / 3 * 4), strlen(text));
    std::vector<unsigned char> decoded(strlen(text) / 4 * 3);
    int n = base64_decode(text, static_cast<int>(strlen(text)), decoded.data());
    free(text);
    decoded.resize(n);
    EXPECT_EQ(Decode(decoded).data, back.data);
}

TEST(Jbig, ConcurrentEncodeAndDecode)
{
    Raster photo = PhotoRaster(200, 120);
    std::vector<unsigned char> expected = Encode(photo);
    std::vector<int> ok(6, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            bool good = true;
            for (int i = 0; i < 5; ++i) {
                int len = 0;
                Owned bie(Quorvane_ImgUtils_RasterDataToJBIG5Data(photo.bpl, photo.width, photo.lines,
                                                                  photo.data.data(), &len));
                good = good && Bytes(bie.get(), len) == expected;
                std::vector<unsigned char> out(photo.data.size());
                int bpl = 0, w = 0, h = 0, total = 0;
                good = good && Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie.get(), len, &bpl, &w, &h,
                                                                                out.data(),
                                                                                static_cast<int>(out.size()), &total);
                good = good && out == photo.data;
            }
            ok[t] = good;
        });
    }
    for (auto &th : threads)
        th.join();
    for (int t = 0; t < 6; ++t)
        EXPECT_TRUE(ok[t]) << t;
}

TEST(Base64, EncodeAndDecodeVectors)
{
    const struct {
        const char *bytes;
        const char *text;
    } rows[] = {{"", ""}, {"a", "YQ=="}, {"ab", "YWI="}, {"abc", "YWJj"}, {"abcd", "YWJjZA=="},
                {"\xfb\xff\xbf", "+/+/"}};
    for (const auto &r : rows) {
        int n = static_cast<int>(strlen(r.bytes));
        std::vector<char> out((n + 2) / 3 * 4 + 1, 'x');
        EXPECT_EQ(static_cast<int>(strlen(r.text)),
                  base64_encode(reinterpret_cast<const unsigned char *>(r.bytes), n, out.data()));
        EXPECT_STREQ(r.text, out.data());
        if (n == 0)
            continue;
        std::vector<unsigned char> back(strlen(r.text) / 4 * 3, 0xEE);
        EXPECT_EQ(n, base64_decode(r.text, static_cast<int>(strlen(r.text)), back.data()));
        EXPECT_EQ(0, memcmp(r.bytes, back.data(), n));
        // Only complete bytes are stored.
        for (size_t i = n; i < back.size(); ++i)
            EXPECT_EQ(0xEE, back[i]) << r.text;
    }
    std::vector<char> out(8);
    const unsigned char zero = 0;
    EXPECT_EQ(4, base64_encode(&zero, 1, out.data()));
    EXPECT_STREQ("AA==", out.data());
}

TEST(Base64, DecodeRefusals)
{
    std::vector<unsigned char> out(16);
    EXPECT_EQ(0, base64_decode("YWJjZ", 5, out.data()));
    EXPECT_EQ(0, base64_decode("YW-j", 4, out.data()));
    EXPECT_EQ(0, base64_decode("YW j", 4, out.data()));
    EXPECT_EQ(0, base64_decode("YW{j", 4, out.data()));
    EXPECT_EQ(0, base64_decode("YW\x80j", 4, out.data()));
    EXPECT_EQ(1, base64_decode("YQ==garbage!", 12, out.data()));
    EXPECT_EQ(0, base64_decode(nullptr, 4, out.data()));
}

} // namespace
