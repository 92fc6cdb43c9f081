// Label page commands: exact bytes of every command in one write, text in each encoding,
// raster and JBIG images (the JBIG payload decoded back), image entries, refused input.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "nzcommon/imgprocess/jbigcodec.h"
#include "printer/NZLabelPrinter.h"
#include "support/TestImages.h"
#include "support/printer_ports.h"
#include "tests/printer/pos_symbols_hex.h"

namespace {

using quorvane_test::Bytes;
using quorvane_test::Cat;
using quorvane_test::Hex;
using quorvane_test::ExpectRowsFailOnShortOrFailedWrite;
using quorvane_test::ExpectRowsFailWithoutPort;
using quorvane_test::ExpectRowsSendNothing;
using quorvane_test::ExpectRowsWriteExactly;
using quorvane_test::RecordingPort;
using quorvane_test::Text;

struct Row {
    const char *name;
    std::function<bool(NZLabelPrinter &)> call;
    Bytes expected;
};

// 20 dots in 3 bytes a row: the last four bits of each row are padding.
const unsigned char kRaster20x2[] = {0xFF, 0xFF, 0xFF, 0x0F, 0x0F, 0x0F};
const char kWithZero[] = {'A', 0, 'B'};

const std::vector<Row> &CommandRows()
{
    static const std::vector<Row> rows = {
        {"EnableLabelMode", [](NZLabelPrinter &p) { return p.EnableLabelMode(); }, Hex("1F 28 4C 01 00 31")},
        {"DisableLabelMode", [](NZLabelPrinter &p) { return p.DisableLabelMode(); }, Hex("1F 28 4C 01 00 00")},
        {"CalibrateLabel", [](NZLabelPrinter &p) { return p.CalibrateLabel(); }, Hex("1F 63")},
        {"FeedLabel", [](NZLabelPrinter &p) { return p.FeedLabel(); }, Hex("1A 0C 00")},
        {"PositionAdjustment", [](NZLabelPrinter &p) { return p.SetLabelPositionAdjustment(3, -2); },
         Hex("1F 28 4C 04 00 53 FE 03 AE")},
        {"PositionAdjustmentLowBytes", [](NZLabelPrinter &p) { return p.SetLabelPositionAdjustment(0x153, 0x200); },
         Hex("1F 28 4C 04 00 53 00 53 00")},
        {"PageBegin400", [](NZLabelPrinter &p) { return p.PageBegin(0, 0, 384, 400, 0); },
         Hex("1A 5B 01 00 00 00 00 80 01 90 01 00")},
        {"PageBegin200", [](NZLabelPrinter &p) { return p.PageBegin(0, 0, 384, 200, 0); },
         Hex("1A 5B 01 00 00 00 00 80 01 C8 00 00")},
        {"PageBeginFields", [](NZLabelPrinter &p) { return p.PageBegin(0x0102, 0x0304, 0xFFFF, 0x0506, 7); },
         Hex("1A 5B 01 02 01 04 03 FF FF 06 05 07")},
        {"PagePrint", [](NZLabelPrinter &p) { return p.PagePrint(1); }, Hex("1A 4F 01 01")},
        {"DrawLine", [](NZLabelPrinter &p) { return p.DrawLine(10, 20, 300, 20, 1, 1); },
         Hex("1A 5C 01 0A 00 14 00 2C 01 14 00 01 00 01")},
        {"DrawBox", [](NZLabelPrinter &p) { return p.DrawBox(0, 0, 384, 200, 1, 1); },
         Hex("1A 26 01 00 00 00 00 80 01 C8 00 01 00 01")},
        {"DrawRectangel", [](NZLabelPrinter &p) { return p.DrawRectangel(20, 20, 220, 30, 1); },
         Hex("1A 2A 00 14 00 14 00 DC 00 1E 00 01")},
        {"DrawString", [](NZLabelPrinter &p) { return p.DrawString(16, 32, 24, 0x2200, "AB"); },
         Hex("1A 54 01 10 00 20 00 18 00 00 22 41 42 00")},
        {"DrawStringEmpty", [](NZLabelPrinter &p) { return p.DrawString(1, 2, 16, 3, ""); },
         Hex("1A 54 01 01 00 02 00 10 00 03 00 00")},
        {"DrawStringBytes", [](NZLabelPrinter &p) { return p.DrawString(1, 2, 21, 16, kWithZero, 3); },
         Hex("1A 54 01 01 00 02 00 15 00 10 00 41 00 42 00")},
        {"DrawWideUTF8", [](NZLabelPrinter &p) { return p.DrawWideStringInUTF8(10, 10, 24, 0, L"中A"); },
         Hex("1A 54 01 0A 00 0A 00 18 00 00 00 E4 B8 AD 41 00")},
        {"DrawWideGBK", [](NZLabelPrinter &p) { return p.DrawWideStringInGBK(10, 10, 24, 0, L"型号"); },
         Hex("1A 54 01 0A 00 0A 00 18 00 00 00 D0 CD BA C5 00")},
        {"DrawWideBIG5", [](NZLabelPrinter &p) { return p.DrawWideStringInBIG5(0, 0, 24, 0, L"中"); },
         Hex("1A 54 01 00 00 00 00 18 00 00 00 A4 A4 00")},
        {"DrawWideShiftJIS", [](NZLabelPrinter &p) { return p.DrawWideStringInShiftJIS(0, 0, 24, 0, L"中"); },
         Hex("1A 54 01 00 00 00 00 18 00 00 00 92 86 00")},
        {"DrawWideEUCKR", [](NZLabelPrinter &p) { return p.DrawWideStringInEUCKR(0, 0, 24, 0, L"中"); },
         Hex("1A 54 01 00 00 00 00 18 00 00 00 F1 E9 00")},
        {"DrawWideNamed", [](NZLabelPrinter &p) { return p.DrawWideString(0, 0, 24, 0, L"é", "ISO-8859-1"); },
         Hex("1A 54 01 00 00 00 00 18 00 00 00 E9 00")},
        {"DrawBarcode", [](NZLabelPrinter &p) { return p.DrawBarcode(10, 70, 8, 60, 2, 0, "123"); },
         Hex("1A 30 00 0A 00 46 00 08 3C 02 00 31 32 33 00")},
        {"DrawQRCode", [](NZLabelPrinter &p) { return p.DrawQRCode(240, 10, 4, 1, 4, 0, "No.1"); },
         Cat(Hex("1A 31 00 04 01 F0 00 0A 00 04 00"), Cat(Text("No.1"), Hex("00")))},
        {"DrawQRCodeLength", [](NZLabelPrinter &p) { return p.DrawQRCode(0, 0, 0, 1, 8, 0, "abcdef", 3); },
         Hex("1A 31 00 00 01 00 00 00 00 08 00 61 62 63 00")},
        {"DrawWQRCodeUTF8", [](NZLabelPrinter &p) { return p.DrawWQRCodeInUTF8(1, 1, 4, 1, 4, 0, L"中"); },
         Hex("1A 31 00 04 01 01 00 01 00 04 00 E4 B8 AD 00")},
        {"DrawPDF417", [](NZLabelPrinter &p) { return p.DrawPDF417(10, 10, 3, 3, 0, 3, 0, "P1"); },
         Hex("1A 31 01 03 00 03 0A 00 0A 00 03 00 50 31 00")},
        {"DrawPDF417Swap", [](NZLabelPrinter &p) { return p.DrawPDF417(1, 2, 0x11, 0x22, 0x33, 0x44, 0x55, ""); },
         Hex("1A 31 01 11 33 22 01 00 02 00 44 55 00")},
        {"RasterStyle",
         [](NZLabelPrinter &p) { return p.DrawRasterImageWithStyle(8, 16, 3, 20, 2, 0x0102, kRaster20x2); },
         Hex("1A 21 01 08 00 10 00 18 00 02 00 02 01 FF FF F0 0F 0F 00")},
        {"RasterMethod0",
         [](NZLabelPrinter &p) { return p.DrawRasterImageSpecifyCompressMethod(0, 0, 3, 20, 2, kRaster20x2, 0); },
         Hex("1A 21 01 00 00 00 00 18 00 02 00 00 00 FF FF F0 0F 0F 00")},
        {"RasterWidestRow",
         [](NZLabelPrinter &p) {
             static const std::vector<unsigned char> row(8191, 0x81);
             return p.DrawRasterImageWithStyle(0, 0, 8191, 65528, 1, 0, row.data());
         },
         Cat(Hex("1A 21 01 00 00 00 00 F8 FF 01 00 00 00"), Bytes(8191, 0x81))},
    };
    return rows;
}

TEST(Label, EveryCommandWritesExactBytesInOneWrite)
{
    ExpectRowsWriteExactly<NZLabelPrinter>(CommandRows(), 1 << 20);
}

TEST(Label, ShortFailedOrMissingPortReportsFalse)
{
    ExpectRowsFailOnShortOrFailedWrite<NZLabelPrinter>(CommandRows(), 1 << 20);
    ExpectRowsFailWithoutPort<NZLabelPrinter>(CommandRows());
}

TEST(Label, WriteTimeoutFollowsTheSetting)
{
    RecordingPort port;
    NZLabelPrinter printer;
    printer.SetIO(&port);
    printer.SetIODefaultTimeout(3600000);
    EXPECT_TRUE(printer.PagePrint(2));
    EXPECT_EQ(3600000u, port.lastTimeout);
}

TEST(Label, RefusedInputWritesNothing)
{
    struct Refused {
        const char *name;
        std::function<bool(NZLabelPrinter &)> call;
    } rows[] = {
        {"StringNull", [](NZLabelPrinter &p) { return p.DrawString(0, 0, 24, 0, nullptr); }},
        {"BytesNull", [](NZLabelPrinter &p) { return p.DrawString(0, 0, 24, 0, nullptr, 4); }},
        {"BytesHugeLength", [](NZLabelPrinter &p) { return p.DrawString(0, 0, 24, 0, kWithZero, 0xFFFFFFF8u); }},
        {"QRBytesHugeLength", [](NZLabelPrinter &p) { return p.DrawQRCode(0, 0, 0, 1, 4, 0, kWithZero, 0xFFFFFFFFu); }},
        {"WideNull", [](NZLabelPrinter &p) { return p.DrawWideStringInUTF8(0, 0, 24, 0, nullptr); }},
        {"WideUnknownEncoding", [](NZLabelPrinter &p) { return p.DrawWideString(0, 0, 24, 0, L"A", "NO-SUCH-CODE"); }},
        {"BarcodeNull", [](NZLabelPrinter &p) { return p.DrawBarcode(0, 0, 8, 60, 2, 0, nullptr); }},
        {"QRNull", [](NZLabelPrinter &p) { return p.DrawQRCode(0, 0, 0, 1, 4, 0, nullptr); }},
        {"QRBytesNull", [](NZLabelPrinter &p) { return p.DrawQRCode(0, 0, 0, 1, 4, 0, nullptr, 2); }},
        {"WQRNull", [](NZLabelPrinter &p) { return p.DrawWQRCodeInUTF8(0, 0, 0, 1, 4, 0, nullptr); }},
        {"PDF417Null", [](NZLabelPrinter &p) { return p.DrawPDF417(0, 0, 3, 3, 0, 3, 0, nullptr); }},
        {"RasterMethod1",
         [](NZLabelPrinter &p) { return p.DrawRasterImageSpecifyCompressMethod(0, 0, 3, 20, 2, kRaster20x2, 1); }},
        {"RasterMethodNegative",
         [](NZLabelPrinter &p) { return p.DrawRasterImageSpecifyCompressMethod(0, 0, 3, 20, 2, kRaster20x2, -2); }},
        {"RasterNull", [](NZLabelPrinter &p) { return p.DrawRasterImageWithStyle(0, 0, 3, 20, 2, 0, nullptr); }},
        {"RasterNoRows", [](NZLabelPrinter &p) { return p.DrawRasterImageWithStyle(0, 0, 3, 20, 0, 0, kRaster20x2); }},
        // The head names bytesPerLine * 8 dots and the height in 16 bits each.
        {"RasterRowTooWide",
         [](NZLabelPrinter &p) { return p.DrawRasterImageWithStyle(0, 0, 8192, 8, 1, 0, kRaster20x2); }},
        {"RasterTooTall",
         [](NZLabelPrinter &p) { return p.DrawRasterImageWithStyle(0, 0, 1, 8, 65536, 0, kRaster20x2); }},
        {"JbigRowTooWide",
         [](NZLabelPrinter &p) { return p.DrawRasterImageWithJBIG5Compress(0, 0, 8192, 8, 1, kRaster20x2); }},
        {"JbigTooTall",
         [](NZLabelPrinter &p) { return p.DrawRasterImageWithJBIG5Compress(0, 0, 1, 8, 0x80000000u, kRaster20x2); }},
        {"JbigNull", [](NZLabelPrinter &p) { return p.DrawRasterImageWithJBIG5Compress(0, 0, 3, 20, 2, nullptr); }},
        {"PixelsNull",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromPixels(0, 0, nullptr, 0, 8, 1, 1, 1, 0, 0); }},
        {"PixelsMethod1",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromPixels(0, 0, kRaster20x2, 6, 20, 2, 3, 1, 0, 1); }},
        {"PixelsNegativeStride",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromPixels(0, 0, kRaster20x2, 6, 20, 2, -3, 1, 0, 0); }},
        {"DataNotAnImage",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromData(0, 0, kRaster20x2, 6, 8, 8, 0, 0); }},
        {"DataZeroWidth",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromData(0, 0, kRaster20x2, 6, 0, 8, 0, 0); }},
        {"FileMissing",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromFileA(0, 0, "/nonexistent/quorvane.bmp", 8, 8, 0, 0); }},
        {"FileNull", [](NZLabelPrinter &p) { return p.DrawRasterImageFromFile(0, 0, nullptr, 8, 8, 0, 0); }},
    };
    ExpectRowsSendNothing<NZLabelPrinter>(rows, 1 << 20);
}

// Splits a JBIG image command into its head fields and payload, and decodes the payload.
void ExpectJbigImage(const Bytes &wire, unsigned short x, unsigned short y, unsigned int bytesPerLine,
                     unsigned int widthDots, unsigned int height, const unsigned char *raster)
{
    ASSERT_GE(wire.size(), 15u);
    EXPECT_EQ(Hex("1A 21 FF"), Bytes(wire.begin(), wire.begin() + 3));
    EXPECT_EQ(x, wire[3] | (wire[4] << 8));
    EXPECT_EQ(y, wire[5] | (wire[6] << 8));
    EXPECT_EQ(bytesPerLine * 8, static_cast<unsigned int>(wire[7] | (wire[8] << 8)));
    EXPECT_EQ(height, static_cast<unsigned int>(wire[9] | (wire[10] << 8)));
    const uint32_t len = wire[11] | (wire[12] << 8) | (wire[13] << 16) | (static_cast<uint32_t>(wire[14]) << 24);
    ASSERT_EQ(wire.size(), 15u + len);
    std::vector<unsigned char> decoded(bytesPerLine * height);
    int bpl = 0, w = 0, h = 0, total = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(&wire[15], static_cast<int>(len), &bpl, &w, &h,
                                                                  decoded.data(), static_cast<int>(decoded.size()),
                                                                  &total));
    EXPECT_EQ(static_cast<int>(bytesPerLine * 8), w);
    EXPECT_EQ(static_cast<int>(height), h);
    EXPECT_EQ(static_cast<int>(bytesPerLine), bpl);
    for (unsigned int r = 0; r < height; ++r)
        for (unsigned int b = 0; b < bytesPerLine; ++b) {
            unsigned char want = raster[r * bytesPerLine + b];
            const int firstDot = static_cast<int>(b * 8);
            if (firstDot + 8 > static_cast<int>(widthDots))
                want &= static_cast<unsigned char>(0xFF00 >> std::max(0, static_cast<int>(widthDots) - firstDot));
            ASSERT_EQ(want, decoded[r * bytesPerLine + b]) << "row " << r << " byte " << b;
        }
}

TEST(Label, JbigImageDecodesBackToTheRaster)
{
    struct Case {
        unsigned short x, y;
        unsigned int bytesPerLine, widthDots, height;
    } cases[] = {{0, 0, 3, 20, 2}, {16, 300, 48, 384, 400}, {1, 2, 1, 1, 1}, {0, 0, 72, 570, 1000}};
    RecordingPort port(1 << 22);
    NZLabelPrinter printer;
    printer.SetIO(&port);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.height);
        std::vector<unsigned char> raster(c.bytesPerLine * c.height);
        for (size_t i = 0; i < raster.size(); ++i)
            raster[i] = static_cast<unsigned char>((i * 37 + i / c.bytesPerLine) ^ (i % 7 ? 0x00 : 0xFF));
        for (int method : {2, -1}) {
            port.Reset();
            const bool ok = method == 2
                                ? printer.DrawRasterImageSpecifyCompressMethod(c.x, c.y, c.bytesPerLine, c.widthDots,
                                                                               c.height, raster.data(), 2)
                                : printer.DrawRasterImageWithJBIG5Compress(c.x, c.y, c.bytesPerLine, c.widthDots,
                                                                           c.height, raster.data());
            ASSERT_TRUE(ok);
            EXPECT_EQ(1, port.writes);
            ExpectJbigImage(port.Data(), c.x, c.y, c.bytesPerLine, c.widthDots, c.height, raster.data());
        }
    }
}

TEST(LabelImages, EntriesDrawTheConvertedRaster)
{
    const quorvane_test::TempImage image(quorvane_test::StripedOverBlackBmp());
    ASSERT_TRUE(image.ok());
    const Bytes plainAAFF = Hex("1A 21 01 05 00 06 00 08 00 02 00 00 00 AA FF");
    const unsigned char *bmp = image.data();
    const int size = image.size();
    const std::string path = image.path();
    const Row rows[] = {
        {"PixelsOneBit",
         [](NZLabelPrinter &p) { return p.DrawRasterImageFromPixels(5, 6, kRaster20x2, 6, 20, 2, 3, 1, 0, 0); },
         Hex("1A 21 01 05 00 06 00 18 00 02 00 00 00 FF FF F0 0F 0F 00")},
        {"Data", [&](NZLabelPrinter &p) { return p.DrawRasterImageFromData(5, 6, bmp, size, 8, 2, 1, 0); }, plainAAFF},
        {"File", [&](NZLabelPrinter &p) { return p.DrawRasterImageFromFile(5, 6, path.c_str(), 8, 2, 1, 0); },
         plainAAFF},
        {"FileA", [&](NZLabelPrinter &p) { return p.DrawRasterImageFromFileA(5, 6, path.c_str(), 8, 2, 1, 0); },
         plainAAFF},
    };
    ExpectRowsWriteExactly<NZLabelPrinter>(rows, 1 << 20);

    // The JBIG form of a converted image carries the same raster.
    static const unsigned char expected[] = {0xAA, 0xFF};
    RecordingPort port(1 << 20);
    NZLabelPrinter printer;
    printer.SetIO(&port);
    ASSERT_TRUE(printer.DrawRasterImageFromData(5, 6, bmp, size, 8, 2, 1, 2));
    ExpectJbigImage(port.Data(), 5, 6, 1, 8, 2, expected);
}

} // namespace
