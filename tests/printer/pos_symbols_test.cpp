// Receipt symbol, image and drawing commands: exact bytes per command in one write,
// refused lengths that their fields cannot announce, raster forms (plain, run-length,
// JBIG bands decoded back, GS 8 L), the image entries, and the two-rectangle box.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

#include "nzcommon/imgprocess/jbigcodec.h"
#include "printer/NZPosPrinter.h"
#include "support/TestImages.h"
#include "support/printer_ports.h"
#include "tests/printer/pos_symbols_hex.h"

namespace {

using quorvane_test::Bytes;
using quorvane_test::Cat;
using quorvane_test::Hex;
using quorvane_test::ExpectRowsFailOnShortOrFailedWrite;
using quorvane_test::ExpectRowsFailWithoutPort;
using quorvane_test::ExpectRowsWriteExactly;
using quorvane_test::RecordingPort;
using quorvane_test::Text;

struct Row {
    const char *name;
    std::function<bool(NZPosPrinter &)> call;
    Bytes expected;
};

const unsigned char kRaster12x2[] = {0xFF, 0xFF, 0x80, 0x01};
const int kStarts[] = {0, 100, -1};
const int kEnds[] = {50, 70000, 65536};

const std::vector<Row> &CommandRows()
{
    static const unsigned char code128[] = {0x7B, 0x42, 0x31, 0x32, 0x33};
    static const std::vector<Row> rows = {
        // Barcode settings and linear barcodes.
        {"UnitWidth", [](NZPosPrinter &p) { return p.POS_SetBarcodeUnitWidth(3); }, Hex("1D 77 03")},
        {"Height", [](NZPosPrinter &p) { return p.POS_SetBarcodeHeight(162); }, Hex("1D 68 A2")},
        {"ReadableFont", [](NZPosPrinter &p) { return p.POS_SetBarcodeReadableTextFontType(1); }, Hex("1D 66 01")},
        {"ReadablePosition", [](NZPosPrinter &p) { return p.POS_SetBarcodeReadableTextPosition(2); },
         Hex("1D 48 02")},
        {"BarcodeBytes", [](NZPosPrinter &p) { return p.POS_PrintBarcode(73, code128, 5); },
         Hex("1D 6B 49 05 7B 42 31 32 33")},
        {"BarcodeText", [](NZPosPrinter &p) { return p.POS_PrintBarcode(69, "AB-1"); }, Hex("1D 6B 45 04 41 42 2D 31")},
        {"BarcodeEmpty", [](NZPosPrinter &p) { return p.POS_PrintBarcode(65, ""); }, Hex("1D 6B 41 00")},
        {"Barcode255", [](NZPosPrinter &p) { return p.POS_PrintBarcode(72, std::string(255, '7').c_str()); },
         Cat(Hex("1D 6B 48 FF"), Bytes(255, '7'))},

        // QR and PDF417.
        {"QRSingle", [](NZPosPrinter &p) { return p.POS_PrintQRCode(0, 2, "abc"); },
         Hex("1D 6B 61 00 02 03 00 61 62 63")},
        {"QRSingleLong", [](NZPosPrinter &p) { return p.POS_PrintQRCode(7, 4, std::string(300, 'x').c_str()); },
         Cat(Hex("1D 6B 61 07 04 2C 01"), Bytes(300, 'x'))},
        {"QRFunctions",
         [](NZPosPrinter &p) { return p.POS_EPSON_PrintQRCode(4, 2, "abc"); },
         Hex("1D 28 6B 03 00 31 43 04  1D 28 6B 03 00 31 45 31  1D 28 6B 06 00 31 50 30 61 62 63"
             "  1D 28 6B 03 00 31 51 30")},
        {"QRFunctionsLevelL",
         [](NZPosPrinter &p) { return p.POS_EPSON_PrintQRCode(4, 1, "abc"); },
         Hex("1D 28 6B 03 00 31 43 04  1D 28 6B 03 00 31 45 30  1D 28 6B 06 00 31 50 30 61 62 63"
             "  1D 28 6B 03 00 31 51 30")},
        {"QRFunctionsLevelWraps",
         [](NZPosPrinter &p) { return p.POS_EPSON_PrintQRCode(8, 0xD1, ""); },
         Hex("1D 28 6B 03 00 31 43 08  1D 28 6B 03 00 31 45 00  1D 28 6B 03 00 31 50 30"
             "  1D 28 6B 03 00 31 51 30")},
        {"DoubleQR",
         [](NZPosPrinter &p) { return p.POS_PrintDoubleQRcode("A", 10, 1, 2, "BC", 200, 3, 4, 5); },
         Hex("1F 51 02 05 00 0A 00 01 01 02 41 00 C8 00 02 03 04 42 43")},
        {"DoubleQRWide",
         [](NZPosPrinter &p) { return p.POS_PrintDoubleQRcode("", 0x1234, 0, 0, std::string(258, 'q').c_str(),
                                                              0xFEDC, 9, 8, 0); },
         Cat(Hex("1F 51 02 00 12 34 00 00 00 00 FE DC 01 02 09 08"), Bytes(258, 'q'))},
        {"PDF417",
         [](NZPosPrinter &p) { return p.POS_EPSON_PrintPDF417(0, 0, 3, 3, 1, 0, "abc"); },
         Hex("1D 28 6B 03 00 30 41 00  1D 28 6B 03 00 30 42 00  1D 28 6B 03 00 30 43 03"
             "  1D 28 6B 03 00 30 44 03  1D 28 6B 04 00 30 45 30 31  1D 28 6B 03 00 30 46 00"
             "  1D 28 6B 06 00 30 50 30 61 62 63  1D 28 6B 03 00 30 51 30")},
        {"PDF417Level0",
         [](NZPosPrinter &p) { return p.POS_EPSON_PrintPDF417(4, 10, 2, 5, 0, 1, "Z"); },
         Hex("1D 28 6B 03 00 30 41 04  1D 28 6B 03 00 30 42 0A  1D 28 6B 03 00 30 43 02"
             "  1D 28 6B 03 00 30 44 05  1D 28 6B 04 00 30 45 30 30  1D 28 6B 03 00 30 46 01"
             "  1D 28 6B 04 00 30 50 30 5A  1D 28 6B 03 00 30 51 30")},

        // Raster images (12 dots of 16, bits beyond the width cleared).
        {"RasterPlain",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 2, 12, 2, 0); },
         Hex("1D 76 30 00 02 00 02 00 FF F0 80 00")},
        {"RasterRunLength",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 2, 12, 2, 1); },
         Hex("1F 28 50 03 00 00 FF F0  1F 28 50 03 00 00 80 00")},
        {"RasterWidthBeyondRow",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 2, 99, 2, 0); },
         Hex("1D 76 30 00 02 00 02 00 FF FF 80 01")},
        {"GS8L",
         [](NZPosPrinter &p) {
             return p.POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(kRaster12x2, 2, 12, 2);
         },
         Cat(Hex("1D 38 4C 1A 00 00 00 30 70 30 01 01 31 10 00 08 00 FF F0 80 00"),
             Cat(Bytes(12, 0), Hex("1D 38 4C 02 00 00 00 30 02")))},

        // Ruled lines and rectangles.
        {"LineThickness", [](NZPosPrinter &p) { return p.POS_PrintHorizontalLineSpecifyThickness(0, 383, 2); },
         Hex("1D 27 01 00 00 7F 01  1D 27 01 00 00 7F 01")},
        {"LineOnce", [](NZPosPrinter &p) { return p.POS_PrintHorizontalLineSpecifyThickness(0x0102, 0xFFFF, 1); },
         Hex("1D 27 01 02 01 FF FF")},
        {"LinesNone", [](NZPosPrinter &p) { return p.POS_PrintMultipleHorizontalLines(0, nullptr, nullptr); },
         Hex("1D 27 00")},
        {"LinesThree", [](NZPosPrinter &p) { return p.POS_PrintMultipleHorizontalLines(3, kStarts, kEnds); },
         Hex("1D 27 03 00 00 32 00 64 00 70 11 FF FF 00 00")},
        {"Rect", [](NZPosPrinter &p) { return p.POS_DrawRect(1, 2, 300, 0xABCD, 1); },
         Hex("1F 28 52 0A 00 00 01 00 02 01 2C AB CD 01 01")},
    };
    return rows;
}

TEST(PosSymbols, EveryCommandWritesExactBytesInOneWrite)
{
    ExpectRowsWriteExactly<NZPosPrinter>(CommandRows(), 1 << 20);
}

TEST(PosSymbols, ShortFailedOrMissingPortReportsFalse)
{
    ExpectRowsFailOnShortOrFailedWrite<NZPosPrinter>(CommandRows(), 1 << 20);
    ExpectRowsFailWithoutPort<NZPosPrinter>(CommandRows());
}

// Inputs that are refused before anything reaches the port.
TEST(PosSymbols, RefusedInputWritesNothing)
{
    static const unsigned char bytes256[256] = {0};
    static const std::string len65533(65533, 'd');
    static const std::string len65536(65536, 'd');
    struct Refused {
        const char *name;
        std::function<bool(NZPosPrinter &)> call;
    } rows[] = {
        {"BarcodeCount256", [](NZPosPrinter &p) { return p.POS_PrintBarcode(73, bytes256, 256); }},
        {"BarcodeText300", [](NZPosPrinter &p) { return p.POS_PrintBarcode(73, std::string(300, '1').c_str()); }},
        {"BarcodeNullData", [](NZPosPrinter &p) { return p.POS_PrintBarcode(73, nullptr, 3); }},
        {"BarcodeNullText", [](NZPosPrinter &p) { return p.POS_PrintBarcode(73, static_cast<const char *>(nullptr)); }},
        {"QRSingleOver16Bits", [](NZPosPrinter &p) { return p.POS_PrintQRCode(0, 2, len65536.c_str()); }},
        {"QRSingleNull", [](NZPosPrinter &p) { return p.POS_PrintQRCode(0, 2, nullptr); }},
        {"QRStoreOver16Bits", [](NZPosPrinter &p) { return p.POS_EPSON_PrintQRCode(4, 2, len65533.c_str()); }},
        {"QRNull", [](NZPosPrinter &p) { return p.POS_EPSON_PrintQRCode(4, 2, nullptr); }},
        {"DoubleQRFirstLong",
         [](NZPosPrinter &p) { return p.POS_PrintDoubleQRcode(len65536.c_str(), 0, 0, 0, "B", 0, 0, 0, 0); }},
        {"DoubleQRSecondLong",
         [](NZPosPrinter &p) { return p.POS_PrintDoubleQRcode("A", 0, 0, 0, len65536.c_str(), 0, 0, 0, 0); }},
        {"DoubleQRNull", [](NZPosPrinter &p) { return p.POS_PrintDoubleQRcode("A", 0, 0, 0, nullptr, 0, 0, 0, 0); }},
        {"PDF417Over16Bits",
         [](NZPosPrinter &p) { return p.POS_EPSON_PrintPDF417(0, 0, 3, 3, 1, 0, len65533.c_str()); }},
        {"PDF417Null", [](NZPosPrinter &p) { return p.POS_EPSON_PrintPDF417(0, 0, 3, 3, 1, 0, nullptr); }},
        {"RasterMethod3",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 2, 12, 2, 3); }},
        {"RasterMethodNegative",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 2, 12, 2, -1); }},
        {"RasterNull", [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(nullptr, 2, 12, 2, 0); }},
        {"RasterNoRows",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 2, 12, 0, 0); }},
        {"RasterNoBytes",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 0, 12, 2, 1); }},
        // Heads that cannot name the row: GS v 0 16-bit bytes, run-length 16-bit payload,
        // JBIG band 16-bit dots; the data pointer is never read.
        {"RasterPlainWideRow",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 65536, 8, 1, 0); }},
        {"RasterRunLengthWideRow",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 65535, 8, 1, 1); }},
        {"RasterJbigWideRow",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 8192, 8, 1, 2); }},
        {"RasterHugeCopy",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethod(kRaster12x2, 8191, 8, 0x7FFFFFFF, 2); }},
        {"GS8WideRow",
         [](NZPosPrinter &p) {
             return p.POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(kRaster12x2, 8192, 8, 1);
         }},
        {"GS8TallPadded",
         [](NZPosPrinter &p) {
             return p.POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(kRaster12x2, 1, 8, 65529);
         }},
        {"GS8Null",
         [](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(nullptr, 2, 12, 2); }},
        {"ThicknessZero", [](NZPosPrinter &p) { return p.POS_PrintHorizontalLineSpecifyThickness(0, 383, 0); }},
        {"ThicknessBeyondOneWrite",
         [](NZPosPrinter &p) { return p.POS_PrintHorizontalLineSpecifyThickness(0, 383, 0xFFFFFFFFu); }},
        {"ThicknessOver32BitSize",
         [](NZPosPrinter &p) { return p.POS_PrintHorizontalLineSpecifyThickness(0, 383, 613566757u); }},
        {"LinesNullArrays", [](NZPosPrinter &p) { return p.POS_PrintMultipleHorizontalLines(2, nullptr, kEnds); }},
        {"PixelsNull",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethodFromPixels(nullptr, 0, 8, 1, 1, 1, 0, 0); }},
        {"PixelsNegativeWidth",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromPixels(kRaster12x2, 4, -8, 1, 1, 1, 0, 0);
         }},
        {"PixelsMethod3",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromPixels(kRaster12x2, 4, 12, 2, 2, 1, 0, 3);
         }},
        {"PixelsUnknownFormat",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromPixels(kRaster12x2, 4, 2, 2, 2, 42, 0, 0);
         }},
        {"DataNotAnImage",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromData(kRaster12x2, 4, 8, 8, 0, 0);
         }},
        {"DataNegativeSize",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromData(kRaster12x2, -4, 8, 8, 0, 0);
         }},
        {"FileMissing",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromFileA("/nonexistent/quorvane.bmp", 8, 8, 0, 0);
         }},
        {"FileNullPath",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethodFromFile(nullptr, 8, 8, 0, 0); }},
        {"GS8PixelsZeroHeight",
         [](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromPixels(kRaster12x2, 4, 12, 0, 2, 1, 0); }},
        {"GS8DataNotAnImage",
         [](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromData(kRaster12x2, 4, 8, 8, 0); }},
        {"GS8FileMissing",
         [](NZPosPrinter &p) {
             return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromFileA("/nonexistent/quorvane.bmp", 8, 8, 0);
         }},
    };
    RecordingPort port(1 << 20);
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (const Refused &row : rows) {
        SCOPED_TRACE(row.name);
        port.Reset();
        EXPECT_FALSE(row.call(printer));
        EXPECT_EQ(0, port.writes);
    }
}

// The whole command sequence of a JBIG raster: band heads in order, each band decoding
// back to its rows of the raster with the padding cleared.
void ExpectJbigBands(const Bytes &wire, unsigned int bytesPerLine, unsigned int widthDots,
                     const std::vector<unsigned char> &raster, unsigned int lines)
{
    size_t pos = 0;
    unsigned int row = 0;
    while (row < lines) {
        const unsigned int band = std::min(255u, lines - row);
        ASSERT_LE(pos + 8, wire.size());
        EXPECT_EQ(Hex("1F 28 4A"), Bytes(wire.begin() + pos, wire.begin() + pos + 3));
        const size_t p = wire[pos + 3] | (wire[pos + 4] << 8);
        EXPECT_EQ(bytesPerLine * 8, static_cast<unsigned int>(wire[pos + 5] | (wire[pos + 6] << 8)));
        EXPECT_EQ(band, wire[pos + 7]);
        ASSERT_GE(p, 3u);
        ASSERT_LE(pos + 5 + p, wire.size());
        const int bieLen = static_cast<int>(p - 3);
        std::vector<unsigned char> decoded(bytesPerLine * band + 16);
        int bpl = 0, w = 0, h = 0, total = 0;
        ASSERT_EQ(1, Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(&wire[pos + 8], bieLen, &bpl, &w, &h,
                                                                      decoded.data(),
                                                                      static_cast<int>(decoded.size()), &total));
        EXPECT_EQ(static_cast<int>(bytesPerLine * 8), w);
        EXPECT_EQ(static_cast<int>(band), h);
        EXPECT_EQ(static_cast<int>(bytesPerLine), bpl);
        for (unsigned int r = 0; r < band; ++r)
            for (unsigned int b = 0; b < bytesPerLine; ++b) {
                unsigned char want = raster[(row + r) * bytesPerLine + b];
                const int firstDot = static_cast<int>(b * 8);
                if (firstDot + 8 > static_cast<int>(widthDots)) {
                    const int keep = std::max(0, static_cast<int>(widthDots) - firstDot);
                    want &= static_cast<unsigned char>(0xFF00 >> keep);
                }
                ASSERT_EQ(want, decoded[r * bytesPerLine + b]) << "row " << row + r << " byte " << b;
            }
        pos += 5 + p;
        row += band;
    }
    EXPECT_EQ(wire.size(), pos);
}

TEST(PosSymbols, JbigBandsDecodeBackToTheRaster)
{
    struct Case {
        unsigned int bytesPerLine, widthDots, lines;
    } cases[] = {{2, 12, 2}, {3, 20, 255}, {4, 30, 300}, {48, 384, 520}};
    RecordingPort port(1 << 22);
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.lines);
        std::vector<unsigned char> raster(c.bytesPerLine * c.lines);
        unsigned int seed = c.lines;
        for (unsigned char &b : raster) {
            seed = seed * 1103515245u + 12345u;
            b = static_cast<unsigned char>(seed >> 16);
        }
        port.Reset();
        ASSERT_TRUE(printer.POS_PrintRasterImageSpecifyCompressMethod(raster.data(), c.bytesPerLine, c.widthDots,
                                                                      c.lines, 2));
        EXPECT_EQ(1, port.writes);
        ExpectJbigBands(port.Data(), c.bytesPerLine, c.widthDots, raster, c.lines);
    }
}

// Run-length rows expand back to the raster, also for rows longer than one count byte.
TEST(PosSymbols, RunLengthRowsExpandBackToTheRaster)
{
    struct Case {
        unsigned int bytesPerLine, widthDots, lines;
        bool noisy;
    } cases[] = {{3, 20, 4, false}, {300, 2400, 3, false}, {300, 2397, 3, true}, {1000, 8000, 2, false}};
    RecordingPort port(1 << 20);
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bytesPerLine);
        std::vector<unsigned char> raster(c.bytesPerLine * c.lines);
        for (size_t i = 0; i < raster.size(); ++i)
            raster[i] = c.noisy ? static_cast<unsigned char>(i * 131 + (i >> 3)) : (i % c.bytesPerLine < 280 ? 0 : 0xFF);
        port.Reset();
        ASSERT_TRUE(printer.POS_PrintRasterImageSpecifyCompressMethod(raster.data(), c.bytesPerLine, c.widthDots,
                                                                      c.lines, 1));
        EXPECT_EQ(1, port.writes);
        const Bytes wire = port.Data();
        size_t pos = 0;
        for (unsigned int row = 0; row < c.lines; ++row) {
            ASSERT_LE(pos + 6, wire.size());
            ASSERT_EQ(Hex("1F 28 50"), Bytes(wire.begin() + pos, wire.begin() + pos + 3));
            const size_t m = wire[pos + 3] | (wire[pos + 4] << 8);
            ASSERT_LE(pos + 5 + m, wire.size());
            const unsigned char *payload = &wire[pos + 5];
            Bytes line;
            if (payload[0] == 0) {
                line.assign(payload + 1, payload + m);
            } else {
                ASSERT_EQ(m, 1u + payload[0]);
                for (size_t k = 1; k + 1 < m; k += 2)
                    line.insert(line.end(), payload[k + 1], payload[k]);
            }
            Bytes want(raster.begin() + row * c.bytesPerLine, raster.begin() + (row + 1) * c.bytesPerLine);
            if (c.widthDots % 8)
                want.back() &= static_cast<unsigned char>(0xFF00 >> (c.widthDots % 8));
            EXPECT_EQ(want, line) << "row " << row;
            pos += 5 + m;
        }
        EXPECT_EQ(wire.size(), pos);
    }
}

TEST(PosSymbols, PlainRasterCutsBandsOf24Rows)
{
    std::vector<unsigned char> raster(50, 0x5A);
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    ASSERT_TRUE(printer.POS_PrintRasterImageSpecifyCompressMethod(raster.data(), 1, 8, 50, 0));
    Bytes expected;
    for (unsigned int band : {24u, 24u, 2u})
        expected = Cat(Cat(expected, Hex("1D 76 30 00 01 00")), Cat(Bytes{static_cast<unsigned char>(band), 0},
                                                                     Bytes(band, 0x5A)));
    EXPECT_EQ(expected, port.Data());
    EXPECT_EQ(1, port.writes);
}

// Box: the outer rectangle, then the inset interior in the other colour.
TEST(PosSymbols, BoxIsTwoRectangles)
{
    struct Case {
        const char *name;
        unsigned short x1, y1, x2, y2;
        unsigned char border, colour;
        Bytes expected;
        int writes;
    } cases[] = {
        {"Outline", 0, 0, 99, 49, 2, 1,
         Hex("1F 28 52 0A 00 00 00 00 00 00 63 00 31 01 01  1F 28 52 0A 00 00 02 00 02 00 61 00 2F 00 01"), 2},
        {"OtherColourIsWhite", 10, 20, 30, 40, 1, 5,
         Hex("1F 28 52 0A 00 00 0A 00 14 00 1E 00 28 05 01  1F 28 52 0A 00 00 0B 00 15 00 1D 00 27 00 01"), 2},
        {"WhiteOuter", 0, 0, 9, 9, 4, 0,
         Hex("1F 28 52 0A 00 00 00 00 00 00 09 00 09 00 01  1F 28 52 0A 00 00 04 00 04 00 05 00 05 01 01"), 2},
        {"BorderMeetsItself", 0, 0, 9, 9, 5, 1, Hex("1F 28 52 0A 00 00 00 00 00 00 09 00 09 01 01"), 1},
        {"BorderTallerThanBox", 0, 0, 300, 3, 2, 1, Hex("1F 28 52 0A 00 00 00 00 00 01 2C 00 03 01 01"), 1},
        {"BorderPastTheFieldEnd", 65500, 65500, 65535, 65535, 200, 1,
         Hex("1F 28 52 0A 00 FF DC FF DC FF FF FF FF 01 01"), 1},
    };
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        port.Reset();
        EXPECT_TRUE(printer.POS_DrawBox(c.x1, c.y1, c.x2, c.y2, c.border, c.colour));
        EXPECT_EQ(c.expected, port.Data());
        EXPECT_EQ(c.writes, port.writes);
    }
}

TEST(PosSymbols, BoxStopsWhenTheOuterRectangleFails)
{
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    port.mode = RecordingPort::kFail;
    EXPECT_FALSE(printer.POS_DrawBox(0, 0, 99, 49, 2, 1));
    EXPECT_EQ(1, port.writes);
}

// The image entries convert first and then print exactly like the raster forms.
TEST(PosSymbolsImages, EntriesPrintTheConvertedRaster)
{
    const quorvane_test::TempImage image(quorvane_test::StripedOverBlackBmp());
    ASSERT_TRUE(image.ok());
    static const unsigned char gray[] = {0, 255, 0, 255, 0, 255, 0, 255, 9, 9};
    const Bytes plainAAFF = Hex("1D 76 30 00 01 00 02 00 AA FF");
    const Bytes gs8AAFF = Cat(Hex("1D 38 4C 12 00 00 00 30 70 30 01 01 31 08 00 08 00 AA FF"),
                              Cat(Bytes(6, 0), Hex("1D 38 4C 02 00 00 00 30 02")));
    const unsigned char *bmp = image.data();
    const int size = image.size();
    const std::string path = image.path();
    const Row rows[] = {
        {"PixelsOneBit",
         [](NZPosPrinter &p) {
             return p.POS_PrintRasterImageSpecifyCompressMethodFromPixels(kRaster12x2, 4, 12, 2, 2, 1, 0, 0);
         },
         Hex("1D 76 30 00 02 00 02 00 FF F0 80 00")},
        {"PixelsGrayThreshold",
         [](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethodFromPixels(gray, 8, 8, 1, 8, 3, 1, 1); },
         Hex("1F 28 50 02 00 00 AA")},
        {"Data", [&](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethodFromData(bmp, size, 8, 2, 1, 0); },
         plainAAFF},
        {"File",
         [&](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethodFromFile(path.c_str(), 8, 2, 1, 0); },
         plainAAFF},
        {"FileA",
         [&](NZPosPrinter &p) { return p.POS_PrintRasterImageSpecifyCompressMethodFromFileA(path.c_str(), 8, 2, 1, 0); },
         plainAAFF},
        {"GS8Pixels",
         [](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromPixels(gray, 8, 8, 1, 8, 3, 1); },
         Cat(Hex("1D 38 4C 12 00 00 00 30 70 30 01 01 31 08 00 08 00 AA"),
             Cat(Bytes(7, 0), Hex("1D 38 4C 02 00 00 00 30 02")))},
        {"GS8Data", [&](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromData(bmp, size, 8, 2, 1); },
         gs8AAFF},
        {"GS8File",
         [&](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromFile(path.c_str(), 8, 2, 1); }, gs8AAFF},
        {"GS8FileA",
         [&](NZPosPrinter &p) { return p.POS_PrintEpsonTM88IVImageUseGS8CmdFromFileA(path.c_str(), 8, 2, 1); },
         gs8AAFF},
    };
    ExpectRowsWriteExactly<NZPosPrinter>(rows, 1 << 20);
}

} // namespace
