// Receipt calls of the C interface on memory connections: every call once against its
// expected bytes, every call refused for a null and an unknown handle, the page-layout
// mirror, argument clamps and refusals, the image size rule and the settings command.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/BadHandles.h"
#include "support/FakePrinter.h"
#include "support/TestImages.h"
#include "support/TestUtil.h"
#include "support/printer_ports.h"

using quorvane_test::Bytes;
using quorvane_test::TempImage;
using quorvane_test::Hex;
using quorvane_test::ToHex;

namespace {

// An all-black 24-bit BMP of width x height pixels.
Bytes BlackBmp(int width, int height)
{
    return quorvane_test::GrayBmp(width, height, [](int, int) { return 0; });
}

// The bytes written to a memory connection so far.
Bytes Written(CP_Handle handle)
{
    HandleGuard h(handle);
    if (!h)
        return Bytes();
    const unsigned char *p = static_cast<const unsigned char *>(h->m_memoryIO.GetBufferData());
    return p ? Bytes(p, p + h->m_memoryIO.GetBufferLength()) : Bytes();
}

void ClearWritten(CP_Handle handle)
{
    HandleGuard h(handle);
    if (h)
        h->m_memoryIO.ClearBufferData();
}

PrinterProperty Property(CP_Handle handle)
{
    HandleGuard h(handle);
    return h ? h->m_printerProperty : PrinterProperty();
}

bool SameProperty(const PrinterProperty &a, const PrinterProperty &b)
{
    return memcmp(&a, &b, sizeof(PrinterProperty)) == 0;
}

class Pos : public ::testing::Test {
protected:
    void SetUp() override
    {
        handle = CP_Port_OpenMemoryBuffer(1 << 16);
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override { CP_Port_Close(handle); }

    CP_Handle handle = nullptr;
};

// One call of the interface with its expected result and bytes.
struct CallRow {
    const char *name;
    std::function<int(CP_Handle)> call;
    int result;
    const char *bytes;
};

const Bytes &Bmp16x8()
{
    static const Bytes bmp = BlackBmp(16, 8);
    return bmp;
}

const TempImage &Bmp16x8File()
{
    static const TempImage file(Bmp16x8());
    return file;
}

std::vector<CallRow> AllCalls()
{
    static const unsigned char gray8x2[16] = {0};
    static int starts[2] = {0, 100};
    static int ends[2] = {50, 200};
    // 16 x 8 black image at 8 x 4: one GS v 0 band of 4 rows of one byte.
    const char *raster8x4 = "1D 76 30 00 01 00 04 00 FF FF FF FF";
    return {
        {"KickOutDrawer", [](CP_Handle h) { return CP_Pos_KickOutDrawer(h, 0, 25, 250); }, 1, "1B 70 00 19 FA"},
        {"Beep", [](CP_Handle h) { return CP_Pos_Beep(h, 3, 300); }, 1, "1B 42 03 03"},
        {"FeedAndHalfCutPaper", [](CP_Handle h) { return CP_Pos_FeedAndHalfCutPaper(h); }, 1, "1D 56 42 00"},
        {"FullCutPaper", [](CP_Handle h) { return CP_Pos_FullCutPaper(h); }, 1, "1B 69"},
        {"HalfCutPaper", [](CP_Handle h) { return CP_Pos_HalfCutPaper(h); }, 1, "1B 6D"},
        {"FeedLine", [](CP_Handle h) { return CP_Pos_FeedLine(h, 3); }, 1, "1B 64 03"},
        {"FeedDot", [](CP_Handle h) { return CP_Pos_FeedDot(h, 1000); }, 1, "1B 4A FF"},
        {"PrintSelfTestPage", [](CP_Handle h) { return CP_Pos_PrintSelfTestPage(h); }, 1, "12 54"},
        {"PrintText", [](CP_Handle h) { return CP_Pos_PrintText(h, "AB\n"); }, 1, "41 42 0A"},
        {"PrintTextInUTF8", [](CP_Handle h) { return CP_Pos_PrintTextInUTF8(h, L"A\u00e9"); }, 1, "41 C3 A9"},
        {"PrintTextInGBK", [](CP_Handle h) { return CP_Pos_PrintTextInGBK(h, L"A\u4e2d"); }, 1, "41 D6 D0"},
        {"PrintTextInBIG5", [](CP_Handle h) { return CP_Pos_PrintTextInBIG5(h, L"\u4e2d"); }, 1, "A4 A4"},
        {"PrintTextInShiftJIS", [](CP_Handle h) { return CP_Pos_PrintTextInShiftJIS(h, L"\u65e5"); }, 1, "93 FA"},
        {"PrintTextInEUCKR", [](CP_Handle h) { return CP_Pos_PrintTextInEUCKR(h, L"\ud55c"); }, 1, "C7 D1"},
        {"PrintTextInBytes", [](CP_Handle h) { return CP_Pos_PrintTextInBytes(h, "A\0B", 3); }, 1, "41 00 42"},
        {"PrintBarcode", [](CP_Handle h) { return CP_Pos_PrintBarcode(h, 73, "{B123"); }, 1,
         "1D 6B 49 05 7B 42 31 32 33"},
        {"PrintBarcode_Code128Auto", [](CP_Handle h) { return CP_Pos_PrintBarcode_Code128Auto(h, "AB123"); }, 1,
         "1D 6B 49 07 7B 42 41 42 31 32 33"},
        {"PrintQRCode", [](CP_Handle h) { return CP_Pos_PrintQRCode(h, 0, 2, "abc"); }, 1,
         "1D 6B 61 00 02 03 00 61 62 63"},
        {"PrintQRCodeUseEpsonCmd", [](CP_Handle h) { return CP_Pos_PrintQRCodeUseEpsonCmd(h, 4, 1, "abc"); }, 1,
         "1D 28 6B 03 00 31 43 04 1D 28 6B 03 00 31 45 30 1D 28 6B 06 00 31 50 30 61 62 63 "
         "1D 28 6B 03 00 31 51 30"},
        {"PrintDoubleQRCode",
         [](CP_Handle h) { return CP_Pos_PrintDoubleQRCode(h, 5, 10, 2, 1, "A", 200, 4, 3, "BC"); }, 1,
         "1F 51 02 05 00 0A 00 01 01 02 41 00 C8 00 02 03 04 42 43"},
        {"PrintPDF417BarcodeUseEpsonCmd",
         [](CP_Handle h) { return CP_Pos_PrintPDF417BarcodeUseEpsonCmd(h, 3, 4, 2, 3, 0, 1, "ab"); }, 1,
         "1D 28 6B 03 00 30 41 03 1D 28 6B 03 00 30 42 04 1D 28 6B 03 00 30 43 02 1D 28 6B 03 00 30 44 03 "
         "1D 28 6B 04 00 30 45 30 30 1D 28 6B 03 00 30 46 01 1D 28 6B 05 00 30 50 30 61 62 "
         "1D 28 6B 03 00 30 51 30"},
        {"PrintRasterImageFromFile",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 8, 0, Bmp16x8File().path(), 0, 0); }, 1,
         raster8x4},
        {"PrintRasterImageFromData",
         [](CP_Handle h) {
             return CP_Pos_PrintRasterImageFromData(h, 0, 4, Bmp16x8().data(), static_cast<int>(Bmp16x8().size()),
                                                    0, 0);
         },
         1, raster8x4},
        {"PrintRasterImageFromPixels",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, gray8x2, 16, 8, 2, 8, 3, 0, 0); }, 1,
         "1D 76 30 00 01 00 02 00 FF FF"},
        {"PrintHorizontalLine", [](CP_Handle h) { return CP_Pos_PrintHorizontalLine(h, 0, 383); }, 1,
         "1D 27 01 00 00 7F 01"},
        {"PrintHorizontalLineSpecifyThickness",
         [](CP_Handle h) { return CP_Pos_PrintHorizontalLineSpecifyThickness(h, 0, 383, 2); }, 1,
         "1D 27 01 00 00 7F 01 1D 27 01 00 00 7F 01"},
        {"PrintMultipleHorizontalLinesAtOneRow",
         [](CP_Handle h) { return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 2, starts, ends); }, 1,
         "1D 27 02 00 00 32 00 64 00 C8 00"},
        {"ResetPrinter", [](CP_Handle h) { return CP_Pos_ResetPrinter(h); }, 1, "1B 40"},
        {"SetPrintSpeed", [](CP_Handle h) { return CP_Pos_SetPrintSpeed(h, 0x1234); }, 1, "1F 28 73 02 00 34 12"},
        {"SetPrintDensity", [](CP_Handle h) { return CP_Pos_SetPrintDensity(h, 7); }, 1, "12 23 07"},
        {"SetSingleByteMode", [](CP_Handle h) { return CP_Pos_SetSingleByteMode(h); }, 1, "1C 2E"},
        {"SetCharacterSet", [](CP_Handle h) { return CP_Pos_SetCharacterSet(h, 15); }, 1, "1B 52 0F"},
        {"SetCharacterCodepage", [](CP_Handle h) { return CP_Pos_SetCharacterCodepage(h, 255); }, 1, "1B 74 FF"},
        {"SetMultiByteMode", [](CP_Handle h) { return CP_Pos_SetMultiByteMode(h); }, 1, "1C 26"},
        {"SetMultiByteEncoding", [](CP_Handle h) { return CP_Pos_SetMultiByteEncoding(h, 1); }, 1, "1B 39 01"},
        {"SetMovementUnit", [](CP_Handle h) { return CP_Pos_SetMovementUnit(h, 180, 360); }, 1, "1D 50 B4 68"},
        {"SetPrintAreaLeftMargin", [](CP_Handle h) { return CP_Pos_SetPrintAreaLeftMargin(h, 0x1234); }, 1,
         "1D 4C 34 12"},
        {"SetPrintAreaWidth", [](CP_Handle h) { return CP_Pos_SetPrintAreaWidth(h, 576); }, 1, "1D 57 40 02"},
        {"SetHorizontalAbsolutePrintPosition",
         [](CP_Handle h) { return CP_Pos_SetHorizontalAbsolutePrintPosition(h, 0x10001); }, 1, "1B 24 01 00"},
        {"SetHorizontalRelativePrintPosition",
         [](CP_Handle h) { return CP_Pos_SetHorizontalRelativePrintPosition(h, -10); }, 1, "1B 5C F6 FF"},
        {"SetVerticalAbsolutePrintPosition",
         [](CP_Handle h) { return CP_Pos_SetVerticalAbsolutePrintPosition(h, 300); }, 1, "1D 24 2C 01"},
        {"SetVerticalRelativePrintPosition",
         [](CP_Handle h) { return CP_Pos_SetVerticalRelativePrintPosition(h, -1); }, 1, "1D 5C FF FF"},
        {"SetAlignment", [](CP_Handle h) { return CP_Pos_SetAlignment(h, 1); }, 1, "1B 61 01"},
        {"SetTextScale", [](CP_Handle h) { return CP_Pos_SetTextScale(h, 1, 2); }, 1, "1D 21 12"},
        {"SetAsciiTextFontType", [](CP_Handle h) { return CP_Pos_SetAsciiTextFontType(h, 1); }, 1, "1B 4D 01"},
        {"SetTextBold", [](CP_Handle h) { return CP_Pos_SetTextBold(h, 1); }, 1, "1B 45 01"},
        {"SetTextUnderline", [](CP_Handle h) { return CP_Pos_SetTextUnderline(h, 2); }, 1, "1B 2D 02 1C 2D 02"},
        {"SetTextUpsideDown", [](CP_Handle h) { return CP_Pos_SetTextUpsideDown(h, 1); }, 1, "1B 7B 01"},
        {"SetTextWhiteOnBlack", [](CP_Handle h) { return CP_Pos_SetTextWhiteOnBlack(h, 1); }, 1, "1D 42 01"},
        {"SetTextRotate", [](CP_Handle h) { return CP_Pos_SetTextRotate(h, 1); }, 1, "1B 56 01"},
        {"SetTextLineHeight", [](CP_Handle h) { return CP_Pos_SetTextLineHeight(h, 40); }, 1, "1B 33 28"},
        {"SetAsciiTextCharRightSpacing", [](CP_Handle h) { return CP_Pos_SetAsciiTextCharRightSpacing(h, 2); }, 1,
         "1B 20 02"},
        {"SetKanjiTextCharSpacing", [](CP_Handle h) { return CP_Pos_SetKanjiTextCharSpacing(h, 1, 3); }, 1,
         "1C 53 01 03"},
        {"SetBarcodeUnitWidth", [](CP_Handle h) { return CP_Pos_SetBarcodeUnitWidth(h, 3); }, 1, "1D 77 03"},
        {"SetBarcodeHeight", [](CP_Handle h) { return CP_Pos_SetBarcodeHeight(h, 300); }, 1, "1D 68 2C"},
        {"SetBarcodeReadableTextFontType", [](CP_Handle h) { return CP_Pos_SetBarcodeReadableTextFontType(h, 1); },
         1, "1D 66 01"},
        {"SetBarcodeReadableTextPosition", [](CP_Handle h) { return CP_Pos_SetBarcodeReadableTextPosition(h, 2); },
         1, "1D 48 02"},
        // Nobody answers on a memory connection: the questions go out, the queries time out.
        {"QueryRTStatus", [](CP_Handle h) { return CP_Pos_QueryRTStatus(h, 30); }, 0,
         "10 04 01 10 04 02 10 04 03 10 04 04"},
        {"QueryPrintResult", [](CP_Handle h) { return CP_Pos_QueryPrintResult(h, 30); }, 0, "10 04 01"},
        {"Settings_Hardware_SetPrintSpeed", [](CP_Handle h) { return CP_Settings_Hardware_SetPrintSpeed(h, 5); }, 1,
         "1F 53 00 00 01 00 00 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 05 00 00 05"},
    };
}

TEST_F(Pos, EveryCallWritesItsBytes)
{
    const std::vector<CallRow> rows = AllCalls();
    EXPECT_EQ(rows.size(), 60u); // 59 receipt calls and the settings call
    for (const CallRow &r : rows) {
        ClearWritten(handle);
        EXPECT_EQ(r.call(handle), r.result) << r.name;
        EXPECT_EQ(ToHex(Written(handle)), ToHex(Hex(r.bytes))) << r.name;
    }
}

TEST_F(Pos, NullAndUnknownHandlesAreRefused)
{
    const quorvane_test::BadHandles bad;
    const PrinterProperty before = Property(handle);
    for (const CallRow &r : AllCalls()) {
        for (const auto &b : bad.All())
            EXPECT_EQ(r.call(b.handle), 0) << r.name << ", " << b.what;
    }
    EXPECT_TRUE(bad.Untouched());
    // The handle is checked before any argument is looked at.
    const char *bogus = reinterpret_cast<const char *>(16);
    for (const auto &b : bad.All()) {
        EXPECT_EQ(CP_Pos_PrintText(b.handle, bogus), 0) << b.what;
        EXPECT_EQ(CP_Pos_PrintTextInBytes(b.handle, bogus, 3), 0) << b.what;
    }
    EXPECT_TRUE(Written(handle).empty());
    EXPECT_TRUE(SameProperty(before, Property(handle)));
}

TEST_F(Pos, BarcodeSettingsThenCode128Auto)
{
    EXPECT_EQ(CP_Pos_SetBarcodeUnitWidth(handle, 2), 1);
    EXPECT_EQ(CP_Pos_SetBarcodeHeight(handle, 60), 1);
    EXPECT_EQ(CP_Pos_SetBarcodeReadableTextPosition(handle, 2), 1);
    EXPECT_EQ(CP_Pos_SetBarcodeReadableTextFontType(handle, 0), 1);
    EXPECT_EQ(CP_Pos_PrintBarcode_Code128Auto(handle, "AB123"), 1);
    EXPECT_EQ(ToHex(Written(handle)),
              ToHex(Hex("1D 77 02 1D 68 3C 1D 48 02 1D 66 00 1D 6B 49 07 7B 42 41 42 31 32 33")));
}

// Settings the page layout reads back: the caller's int is kept, not the byte sent.
struct MirrorRow {
    const char *name;
    std::function<int(CP_Handle)> call;
    const char *bytes;
    std::function<bool(const PrinterProperty &)> holds;
};

TEST_F(Pos, SettingsAreMirroredAsPassed)
{
    const MirrorRow rows[] = {
        {"TextScale", [](CP_Handle h) { return CP_Pos_SetTextScale(h, 9, 10); }, "1D 21 12",
         [](const PrinterProperty &p) { return p.textScaleWidth == 9 && p.textScaleHeight == 10; }},
        {"LineHeight", [](CP_Handle h) { return CP_Pos_SetTextLineHeight(h, 300); }, "1B 33 2C",
         [](const PrinterProperty &p) { return p.textLineHeight == 300; }},
        {"AsciiSpacing", [](CP_Handle h) { return CP_Pos_SetAsciiTextCharRightSpacing(h, -1); }, "1B 20 FF",
         [](const PrinterProperty &p) { return p.asciiCharRightSpacing == -1; }},
        {"KanjiSpacing", [](CP_Handle h) { return CP_Pos_SetKanjiTextCharSpacing(h, 257, 4); }, "1C 53 01 04",
         [](const PrinterProperty &p) { return p.kanjiCharLeftSpacing == 257 && p.kanjiCharRightSpacing == 4; }},
        {"UnitWidth", [](CP_Handle h) { return CP_Pos_SetBarcodeUnitWidth(h, 4); }, "1D 77 04",
         [](const PrinterProperty &p) { return p.barcodeUnitWidth == 4; }},
        {"BarcodeHeight", [](CP_Handle h) { return CP_Pos_SetBarcodeHeight(h, 300); }, "1D 68 2C",
         [](const PrinterProperty &p) { return p.barcodeHeight == 300; }},
        {"TextFont", [](CP_Handle h) { return CP_Pos_SetBarcodeReadableTextFontType(h, 1); }, "1D 66 01",
         [](const PrinterProperty &p) { return p.barcodeReadableTextFontType == 1; }},
        {"TextPosition", [](CP_Handle h) { return CP_Pos_SetBarcodeReadableTextPosition(h, 3); }, "1D 48 03",
         [](const PrinterProperty &p) { return p.barcodeReadableTextPosition == 3; }},
    };
    for (const MirrorRow &r : rows) {
        ClearWritten(handle);
        EXPECT_EQ(r.call(handle), 1) << r.name;
        EXPECT_EQ(ToHex(Written(handle)), ToHex(Hex(r.bytes))) << r.name;
        EXPECT_TRUE(r.holds(Property(handle))) << r.name;
    }
}

TEST_F(Pos, OtherCallsLeaveTheMirrorAlone)
{
    const PrinterProperty before = Property(handle);
    for (const CallRow &r : AllCalls()) {
        const std::string n = r.name;
        if (n.find("SetTextScale") == 0 || n.find("SetTextLineHeight") == 0 || n.find("CharRightSpacing") !=
            std::string::npos || n.find("CharSpacing") != std::string::npos || n.find("SetBarcode") == 0)
            continue;
        r.call(handle);
    }
    EXPECT_TRUE(SameProperty(before, Property(handle)));
}

TEST(PosMirror, FailedCommandLeavesTheMirrorUnchanged)
{
    // A two-byte memory buffer takes no three-byte command.
    CP_Handle h = CP_Port_OpenMemoryBuffer(2);
    ASSERT_NE(h, nullptr);
    const PrinterProperty before = Property(h);
    EXPECT_EQ(CP_Pos_SetTextScale(h, 1, 1), 0);
    EXPECT_EQ(CP_Pos_SetTextLineHeight(h, 50), 0);
    EXPECT_EQ(CP_Pos_SetAsciiTextCharRightSpacing(h, 5), 0);
    EXPECT_EQ(CP_Pos_SetKanjiTextCharSpacing(h, 5, 5), 0);
    EXPECT_EQ(CP_Pos_SetBarcodeUnitWidth(h, 5), 0);
    EXPECT_EQ(CP_Pos_SetBarcodeHeight(h, 5), 0);
    EXPECT_EQ(CP_Pos_SetBarcodeReadableTextFontType(h, 5), 0);
    EXPECT_EQ(CP_Pos_SetBarcodeReadableTextPosition(h, 5), 0);
    EXPECT_TRUE(SameProperty(before, Property(h)));
    EXPECT_TRUE(Written(h).empty());
    CP_Port_Close(h);
}

// Argument cuts and clamps.
TEST_F(Pos, FieldCuts)
{
    const CallRow rows[] = {
        {"FeedDot 256", [](CP_Handle h) { return CP_Pos_FeedDot(h, 256); }, 1, "1B 4A FF"},
        {"FeedDot 255", [](CP_Handle h) { return CP_Pos_FeedDot(h, 255); }, 1, "1B 4A FF"},
        {"FeedDot -1", [](CP_Handle h) { return CP_Pos_FeedDot(h, -1); }, 1, "1B 4A FF"},
        {"FeedDot -256", [](CP_Handle h) { return CP_Pos_FeedDot(h, -256); }, 1, "1B 4A 00"},
        {"FeedDot 10", [](CP_Handle h) { return CP_Pos_FeedDot(h, 10); }, 1, "1B 4A 0A"},
        {"Beep 99ms", [](CP_Handle h) { return CP_Pos_Beep(h, 1, 99); }, 1, "1B 42 01 00"},
        {"Beep 25600ms", [](CP_Handle h) { return CP_Pos_Beep(h, 257, 25600); }, 1, "1B 42 01 00"},
        {"Beep -300ms", [](CP_Handle h) { return CP_Pos_Beep(h, 1, -300); }, 1, "1B 42 01 FD"},
        {"Drawer cut", [](CP_Handle h) { return CP_Pos_KickOutDrawer(h, 257, -1, 256); }, 1, "1B 70 01 FF 00"},
        {"Scale masked", [](CP_Handle h) { return CP_Pos_SetTextScale(h, 9, 9); }, 1, "1D 21 11"},
        {"Relative 65535", [](CP_Handle h) { return CP_Pos_SetHorizontalRelativePrintPosition(h, 65535); }, 1,
         "1B 5C FF FF"},
        {"Relative -256", [](CP_Handle h) { return CP_Pos_SetVerticalRelativePrintPosition(h, -256); }, 1,
         "1D 5C 00 FF"},
        {"Speed 16 bits", [](CP_Handle h) { return CP_Pos_SetPrintSpeed(h, 0x12345); }, 1, "1F 28 73 02 00 45 23"},
        {"Multiple lines 0", [](CP_Handle h) {
             int s = 0, e = 0;
             return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 0, &s, &e);
         },
         1, "1D 27 00"},
        {"Multiple lines 16-bit cut", [](CP_Handle h) {
             int s = 0x10001, e = -1;
             return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 1, &s, &e);
         },
         1, "1D 27 01 01 00 FF FF"},
        {"Line 16-bit cut", [](CP_Handle h) { return CP_Pos_PrintHorizontalLine(h, 0x10000, 65535 + 384); }, 1,
         "1D 27 01 00 00 7F 01"},
        {"Barcode long text", [](CP_Handle h) { return CP_Pos_PrintBarcode(h, 0x141, "1"); }, 1, "1D 6B 41 01 31"},
        {"Bytes zero length", [](CP_Handle h) { return CP_Pos_PrintTextInBytes(h, "", 0); }, 1, ""},
        {"Settings speed low byte", [](CP_Handle h) { return CP_Settings_Hardware_SetPrintSpeed(h, 300); }, 1,
         "1F 53 00 00 01 00 00 00 00 00 10 00 00 00 00 00 00 00 00 00 00 00 00 00 2C 00 00 2C"},
        {"Code128 digits", [](CP_Handle h) { return CP_Pos_PrintBarcode_Code128Auto(h, "12345678"); }, 1,
         "1D 6B 49 06 7B 43 0C 22 38 4E"},
    };
    for (const CallRow &r : rows) {
        ClearWritten(handle);
        EXPECT_EQ(r.call(handle), r.result) << r.name;
        EXPECT_EQ(ToHex(Written(handle)), ToHex(Hex(r.bytes))) << r.name;
    }
}

// Bad input: refused with 0 before anything is sent.
TEST_F(Pos, BadInputSendsNothing)
{
    static const unsigned char pixels[64] = {0};
    const CallRow rows[] = {
        {"PrintText null", [](CP_Handle h) { return CP_Pos_PrintText(h, nullptr); }, 0, ""},
        {"UTF8 null", [](CP_Handle h) { return CP_Pos_PrintTextInUTF8(h, nullptr); }, 0, ""},
        {"GBK null", [](CP_Handle h) { return CP_Pos_PrintTextInGBK(h, nullptr); }, 0, ""},
        {"BIG5 null", [](CP_Handle h) { return CP_Pos_PrintTextInBIG5(h, nullptr); }, 0, ""},
        {"ShiftJIS null", [](CP_Handle h) { return CP_Pos_PrintTextInShiftJIS(h, nullptr); }, 0, ""},
        {"EUCKR null", [](CP_Handle h) { return CP_Pos_PrintTextInEUCKR(h, nullptr); }, 0, ""},
        {"Bytes null", [](CP_Handle h) { return CP_Pos_PrintTextInBytes(h, nullptr, 3); }, 0, ""},
        {"Bytes negative", [](CP_Handle h) { return CP_Pos_PrintTextInBytes(h, "abc", -1); }, 0, ""},
        {"Barcode null", [](CP_Handle h) { return CP_Pos_PrintBarcode(h, 73, nullptr); }, 0, ""},
        {"Code128 null", [](CP_Handle h) { return CP_Pos_PrintBarcode_Code128Auto(h, nullptr); }, 0, ""},
        {"Code128 empty", [](CP_Handle h) { return CP_Pos_PrintBarcode_Code128Auto(h, ""); }, 0, ""},
        {"QR null", [](CP_Handle h) { return CP_Pos_PrintQRCode(h, 0, 1, nullptr); }, 0, ""},
        {"Epson QR null", [](CP_Handle h) { return CP_Pos_PrintQRCodeUseEpsonCmd(h, 4, 1, nullptr); }, 0, ""},
        {"Double QR first null",
         [](CP_Handle h) { return CP_Pos_PrintDoubleQRCode(h, 1, 0, 1, 1, nullptr, 100, 1, 1, "b"); }, 0, ""},
        {"Double QR second null",
         [](CP_Handle h) { return CP_Pos_PrintDoubleQRCode(h, 1, 0, 1, 1, "a", 100, 1, 1, nullptr); }, 0, ""},
        {"PDF417 null", [](CP_Handle h) { return CP_Pos_PrintPDF417BarcodeUseEpsonCmd(h, 1, 1, 1, 1, 1, 0, nullptr); },
         0, ""},
        {"Image file null", [](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 0, 0, nullptr, 0, 0); }, 0, ""},
        {"Image file missing",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 0, 0, "/nonexistent/x.bmp", 0, 0); }, 0, ""},
        {"Image data null", [](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 0, nullptr, 10, 0, 0); },
         0, ""},
        {"Image data negative size",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 0, Bmp16x8().data(), -1, 0, 0); }, 0, ""},
        {"Image data not an image",
         [](CP_Handle h) {
             static const unsigned char junk[32] = {1, 2, 3};
             return CP_Pos_PrintRasterImageFromData(h, 0, 0, junk, sizeof(junk), 0, 0);
         },
         0, ""},
        {"Image data unknown compression",
         [](CP_Handle h) {
             return CP_Pos_PrintRasterImageFromData(h, 0, 0, Bmp16x8().data(), static_cast<int>(Bmp16x8().size()),
                                                    0, 3);
         },
         0, ""},
        {"Pixels null", [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, nullptr, 64, 8, 8, 8, 3, 0, 0); },
         0, ""},
        {"Pixels width 0",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 0, 8, 8, 3, 0, 0); }, 0, ""},
        {"Pixels height -1",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 8, -1, 8, 3, 0, 0); }, 0, ""},
        {"Pixels stride 0",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 8, 8, 0, 3, 0, 0); }, 0, ""},
        {"Pixels gray stride short",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 8, 2, 7, 3, 0, 0); }, 0, ""},
        {"Pixels RGB stride short",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 8, 2, 23, 4, 0, 0); }, 0, ""},
        {"Pixels RGBA stride short",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 8, 1, 31, 7, 0, 0); }, 0, ""},
        {"Pixels mono stride short",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 9, 2, 1, 1, 0, 0); }, 0, ""},
        {"Pixels huge width",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, INT_MAX, 1, INT_MAX, 9, 0, 0); },
         0, ""},
        {"Pixels unknown format",
         [](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, pixels, 64, 8, 2, 8, 10, 0, 0); }, 0, ""},
        {"Thickness 0", [](CP_Handle h) { return CP_Pos_PrintHorizontalLineSpecifyThickness(h, 0, 10, 0); }, 0, ""},
        {"Thickness beyond a 32-bit command",
         [](CP_Handle h) { return CP_Pos_PrintHorizontalLineSpecifyThickness(h, 0, 10, INT_MAX); }, 0, ""},
        {"Thickness -1", [](CP_Handle h) { return CP_Pos_PrintHorizontalLineSpecifyThickness(h, 0, 10, -1); }, 0,
         ""},
        {"Lines count -1",
         [](CP_Handle h) {
             int s[1] = {0}, e[1] = {1};
             return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, -1, s, e);
         },
         0, ""},
        {"Lines count 256",
         [](CP_Handle h) {
             int s[1] = {0}, e[1] = {1};
             return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 256, s, e);
         },
         0, ""},
        {"Lines null starts",
         [](CP_Handle h) {
             int e[1] = {1};
             return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 1, nullptr, e);
         },
         0, ""},
        {"Lines null ends",
         [](CP_Handle h) {
             int s[1] = {1};
             return CP_Pos_PrintMultipleHorizontalLinesAtOneRow(h, 1, s, nullptr);
         },
         0, ""},
    };
    for (const CallRow &r : rows) {
        ClearWritten(handle);
        EXPECT_EQ(r.call(handle), r.result) << r.name;
        EXPECT_EQ(ToHex(Written(handle)), "") << r.name;
    }
}

TEST_F(Pos, TextAnEncodingCannotHoldSendsNothing)
{
    // Hangul is not in BIG5 or Shift-JIS; CJK ideographs are not in EUC-KR's Latin side etc.
    EXPECT_EQ(CP_Pos_PrintTextInGBK(handle, L"\U0001F600"), 0);
    EXPECT_EQ(CP_Pos_PrintTextInBIG5(handle, L"\ud55c"), 0);
    EXPECT_EQ(CP_Pos_PrintTextInShiftJIS(handle, L"\ud55c"), 0);
    EXPECT_EQ(CP_Pos_PrintTextInEUCKR(handle, L"\U0001F600"), 0);
    // UTF-8 ends at U+10FFFF: larger wide characters are no text at all.
    EXPECT_EQ(CP_Pos_PrintTextInUTF8(handle, L"a\x110000" L"b"), 0);
    EXPECT_EQ(CP_Pos_PrintTextInUTF8(handle, L"\x7FFFFFFF"), 0);
    EXPECT_TRUE(Written(handle).empty());
    EXPECT_EQ(CP_Pos_PrintTextInUTF8(handle, L"\U0001F600"), 1);
    EXPECT_EQ(ToHex(Written(handle)), "F0 9F 98 80");
}

TEST_F(Pos, ShortWriteReportsFailure)
{
    CP_Handle tiny = CP_Port_OpenMemoryBuffer(4);
    ASSERT_NE(tiny, nullptr);
    // Underline: the first command fits, the second does not.
    EXPECT_EQ(CP_Pos_SetTextUnderline(tiny, 1), 0);
    EXPECT_EQ(ToHex(Written(tiny)), "1B 2D 01");
    ClearWritten(tiny);
    EXPECT_EQ(CP_Pos_PrintText(tiny, "ABCDE"), 0);
    EXPECT_EQ(CP_Pos_PrintTextInBytes(tiny, "ABCD", 4), 1);
    CP_Port_Close(tiny);
}

// A port that refuses chosen writes (1-based), storing the others.
class RefusingPort : public quorvane_test::RecordingPort {
public:
    int refuse = 0;
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override
    {
        if (writes + 1 == refuse) {
            ++writes;
            return -1;
        }
        return RecordingPort::BaseWrite(data, len, timeoutMs);
    }
};

TEST_F(Pos, UnderlineNeedsBothCommands)
{
    struct Row {
        int refuse;
        int result;
        const char *bytes;
    } rows[] = {{0, 1, "1B 2D 01 1C 2D 01"}, {1, 0, "1C 2D 01"}, {2, 0, "1B 2D 01"}};
    for (const Row &r : rows) {
        RefusingPort port;
        port.refuse = r.refuse;
        {
            HandleGuard h(handle);
            h->m_posPrinter.SetIO(&port);
        }
        EXPECT_EQ(CP_Pos_SetTextUnderline(handle, 1), r.result) << r.refuse;
        EXPECT_EQ(port.writes, 2) << r.refuse;
        EXPECT_EQ(ToHex(port.Data()), ToHex(Hex(r.bytes))) << r.refuse;
        HandleGuard h(handle);
        h->m_posPrinter.SetIO(&h->m_memoryIO);
    }
}

// Image size rule: a side of 0 or less follows the image's aspect ratio.
struct SizeRow {
    int imageW, imageH, width, height;
    int result;
    int bytesPerLine, lines; // of the printed raster
};

TEST_F(Pos, ImageSizeRule)
{
    const SizeRow rows[] = {
        {200, 100, 0, 0, 1, 25, 100}, {200, 100, 100, 0, 1, 13, 50}, {200, 100, 0, 50, 1, 13, 50},
        {200, 100, -5, -5, 1, 25, 100}, {200, 100, 16, 16, 1, 2, 16}, {200, 100, 1, 0, 0, 0, 0},
        {100, 200, 0, 1, 0, 0, 0},
    };
    for (const SizeRow &r : rows) {
        const Bytes bmp = BlackBmp(r.imageW, r.imageH);
        const TempImage file(bmp);
        for (int form = 0; form < 2; ++form) {
            ClearWritten(handle);
            const int got = form == 0 ? CP_Pos_PrintRasterImageFromFile(handle, r.width, r.height, file.path(), 0, 0)
                                      : CP_Pos_PrintRasterImageFromData(handle, r.width, r.height, bmp.data(),
                                                                        static_cast<int>(bmp.size()), 0, 0);
            const std::string name = std::to_string(r.imageW) + "x" + std::to_string(r.imageH) + " asked " +
                                     std::to_string(r.width) + "x" + std::to_string(r.height) + " form " +
                                     std::to_string(form);
            EXPECT_EQ(got, r.result) << name;
            const Bytes out = Written(handle);
            if (!r.result) {
                EXPECT_TRUE(out.empty()) << name;
                continue;
            }
            // Bands of 24 rows, each with an 8-byte header.
            const size_t bands = (r.lines + 23) / 24;
            ASSERT_EQ(out.size(), bands * 8 + static_cast<size_t>(r.bytesPerLine) * r.lines) << name;
            EXPECT_EQ(out[4] | out[5] << 8, r.bytesPerLine) << name;
            EXPECT_EQ(out[6] | out[7] << 8, r.lines < 24 ? r.lines : 24) << name;
        }
    }
}

TEST_F(Pos, ImageSizeRuleDoesNotOverflow)
{
    // A side derived from the aspect ratio that does not fit an int is refused before
    // anything is converted or sent (in 32 bits it would wrap to a small wrong value).
    const Bytes wide = BlackBmp(3, 1);
    EXPECT_EQ(CP_Pos_PrintRasterImageFromData(handle, 0, 0x60000000, wide.data(), static_cast<int>(wide.size()), 0, 0),
              0);
    const Bytes tall = BlackBmp(1, 3);
    EXPECT_EQ(CP_Pos_PrintRasterImageFromData(handle, 0x60000000, 0, tall.data(), static_cast<int>(tall.size()), 0, 0),
              0);
    EXPECT_TRUE(Written(handle).empty());
}

TEST_F(Pos, ImageCompressionForms)
{
    // The run-length and JBIG forms are built by the imaging module; here only that each
    // goes out whole and differs from the plain form.
    const Bytes bmp = BlackBmp(16, 8);
    Bytes forms[3];
    for (int method = 0; method < 3; ++method) {
        ClearWritten(handle);
        EXPECT_EQ(CP_Pos_PrintRasterImageFromData(handle, 0, 0, bmp.data(), static_cast<int>(bmp.size()), 0, method),
                  1)
            << method;
        forms[method] = Written(handle);
        EXPECT_FALSE(forms[method].empty()) << method;
    }
    EXPECT_NE(forms[0], forms[1]);
    EXPECT_NE(forms[0], forms[2]);
}

TEST(PosRace, ConcurrentCallsOnOneHandleAllArrive)
{
    // Calls from several threads on one connection interleave whole commands; none is
    // lost or torn.
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 2000, 0);
    ASSERT_NE(h, nullptr);
    const int threads = 4, perThread = 200;
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([h] {
            for (int i = 0; i < perThread; ++i)
                EXPECT_EQ(CP_Pos_SetAlignment(h, 1), 1);
        });
    for (std::thread &t : pool)
        t.join();
    const size_t total = static_cast<size_t>(threads * perThread * 3);
    ASSERT_TRUE(printer.WaitForReceivedCount(total, 5000));
    const std::string got = printer.Received();
    ASSERT_EQ(got.size(), total);
    for (size_t i = 0; i < got.size(); i += 3)
        ASSERT_EQ(got.substr(i, 3), FakePrinter::Hex("1B 61 01")) << i;
    CP_Port_Close(h);
    printer.Stop();
}

TEST(PosRace, CallsRaceWithClose)
{
    // A close while other threads keep printing: each call either works or is refused,
    // and the handle is gone for good afterwards.
    FakePrinter printer;
    ASSERT_TRUE(printer.Start());
    CP_Handle h = CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 2000, 0);
    ASSERT_NE(h, nullptr);
    std::vector<std::thread> pool;
    for (int t = 0; t < 3; ++t)
        pool.emplace_back([h] {
            for (int i = 0; i < 300; ++i) {
                const int r = CP_Pos_PrintText(h, "abc");
                EXPECT_TRUE(r == 0 || r == 1);
            }
        });
    EXPECT_TRUE(printer.WaitForReceivedCount(3, 2000));
    CP_Port_Close(h);
    for (std::thread &t : pool)
        t.join();
    EXPECT_EQ(CP_Pos_PrintText(h, "abc"), 0);
    printer.Stop();
}

} // namespace
