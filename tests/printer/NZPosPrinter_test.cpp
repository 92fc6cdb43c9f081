// Receipt text, style, position, feed, page-mode and black-mark commands:
// one row per command with its exact bytes, fields cut to their width, and
// false for a missing port, a short write or a failed write.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "printer/NZPosPrinter.h"
#include "support/TestUtil.h"
#include "support/printer_ports.h"

namespace {

using quorvane_test::ExpectRowsFailOnShortOrFailedWrite;
using quorvane_test::ExpectRowsFailWithoutPort;
using quorvane_test::ExpectRowsSendNothing;
using quorvane_test::ExpectRowsWriteExactly;
using quorvane_test::RecordingPort;
using quorvane_test::Bytes;
using quorvane_test::Hex;
using quorvane_test::ToHex;

struct PosRow {
    const char *name;
    std::function<bool(NZPosPrinter &)> call;
    Bytes expected;
};

const std::vector<PosRow> &PosRows()
{
    static const char kEmbeddedZero[] = {0x41, 0x42, 0x00, 0x43, 0x44};
    static const std::vector<PosRow> rows = {
        // Text output.
        {"PrintString", [](NZPosPrinter &p) { return p.POS_PrintString("Hi\r\n"); }, Hex("48 69 0D 0A")},
        {"PrintStringHighBytes", [](NZPosPrinter &p) { return p.POS_PrintString("\xD6\xD0"); }, Hex("D6 D0")},
        {"PrintBytesWithZero", [](NZPosPrinter &p) { return p.POS_PrintString(kEmbeddedZero, 5); },
         Hex("41 42 00 43 44")},
        {"PrintBytesPrefix", [](NZPosPrinter &p) { return p.POS_PrintString(kEmbeddedZero, 2); }, Hex("41 42")},
        {"PrintWideUTF8", [](NZPosPrinter &p) { return p.POS_PrintWideStringInUTF8(L"中文"); },
         Hex("E4 B8 AD E6 96 87")},
        {"PrintWideGBK", [](NZPosPrinter &p) { return p.POS_PrintWideStringInGBK(L"中文"); }, Hex("D6 D0 CE C4")},
        {"PrintWideBIG5", [](NZPosPrinter &p) { return p.POS_PrintWideStringInBIG5(L"中文"); }, Hex("A4 A4 A4 E5")},
        {"PrintWideShiftJIS", [](NZPosPrinter &p) { return p.POS_PrintWideStringInShiftJIS(L"中文"); },
         Hex("92 86 95 B6")},
        {"PrintWideEUCKR", [](NZPosPrinter &p) { return p.POS_PrintWideStringInEUCKR(L"中文"); }, Hex("F1 E9 D9 FE")},
        {"PrintWideNamed", [](NZPosPrinter &p) { return p.POS_PrintWideString(L"A中", "GBK"); }, Hex("41 D6 D0")},

        // Character style and spacing.
        {"TextScale1x1", [](NZPosPrinter &p) { return p.POS_SetTextScale(1, 1); }, Hex("1D 21 11")},
        {"TextScaleMasked", [](NZPosPrinter &p) { return p.POS_SetTextScale(9, 9); }, Hex("1D 21 11")},
        {"TextScaleMax", [](NZPosPrinter &p) { return p.POS_SetTextScale(0xFF, 0xFF); }, Hex("1D 21 77")},
        {"TextScaleWidthOnly", [](NZPosPrinter &p) { return p.POS_SetTextScale(7, 0); }, Hex("1D 21 70")},
        {"AsciiTextFontType", [](NZPosPrinter &p) { return p.POS_SetAsciiTextFontType(1); }, Hex("1B 4D 01")},
        {"TextBold", [](NZPosPrinter &p) { return p.POS_SetTextBold(1); }, Hex("1B 45 01")},
        {"AsciiTextUnderline", [](NZPosPrinter &p) { return p.POS_SetAsciiTextUnderline(2); }, Hex("1B 2D 02")},
        {"KanjiTextUnderline", [](NZPosPrinter &p) { return p.POS_SetKanjiTextUnderline(1); }, Hex("1C 2D 01")},
        {"TextUpsideDown", [](NZPosPrinter &p) { return p.POS_SetTextUpsideDown(1); }, Hex("1B 7B 01")},
        {"TextWhiteOnBlack", [](NZPosPrinter &p) { return p.POS_SetTextWhiteOnBlack(1); }, Hex("1D 42 01")},
        {"TextRotate", [](NZPosPrinter &p) { return p.POS_SetTextRotate(1); }, Hex("1B 56 01")},
        {"TextLineHeight", [](NZPosPrinter &p) { return p.POS_SetTextLineHeight(32); }, Hex("1B 33 20")},
        {"AsciiCharRightSpacing", [](NZPosPrinter &p) { return p.POS_SetAsciiTextCharRightSpacing(255); },
         Hex("1B 20 FF")},
        {"KanjiCharSpacing", [](NZPosPrinter &p) { return p.POS_SetKanjiTextCharSpacing(2, 3); }, Hex("1C 53 02 03")},

        // Positions, areas and feeds.
        {"MovementUnit", [](NZPosPrinter &p) { return p.POS_SetMovementUnit(180, 90); }, Hex("1D 50 B4 5A")},
        {"PrintAreaLeftMargin", [](NZPosPrinter &p) { return p.POS_SetPrintAreaLeftMargin(0x0102); }, Hex("1D 4C 02 01")},
        {"PrintAreaWidth", [](NZPosPrinter &p) { return p.POS_SetPrintAreaWidth(576); }, Hex("1D 57 40 02")},
        {"HorizontalAbsolute", [](NZPosPrinter &p) { return p.POS_SetHorizontalAbsolutePrintPosition(384); },
         Hex("1B 24 80 01")},
        {"HorizontalRelative", [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPosition(0xFFFF); },
         Hex("1B 5C FF FF")},
        {"HorizontalRelativeNeg1", [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(-1); },
         Hex("1B 5C FF FF")},
        {"HorizontalRelative65535",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(65535); },
         Hex("1B 5C FF FF")},
        {"HorizontalRelativeNeg256",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(-256); },
         Hex("1B 5C 00 FF")},
        {"HorizontalRelativeCut",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(0x12345); },
         Hex("1B 5C 45 23")},
        {"HorizontalRelativeIntMin",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(INT_MIN); },
         Hex("1B 5C 00 00")},
        {"VerticalAbsolute", [](NZPosPrinter &p) { return p.POS_SetVerticalAbsolutePrintPosition(800); },
         Hex("1D 24 20 03")},
        {"VerticalRelative", [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPosition(10); },
         Hex("1D 5C 0A 00")},
        {"VerticalRelativeNeg", [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPositionAcceptNegative(-10); },
         Hex("1D 5C F6 FF")},
        {"VerticalRelativePos", [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPositionAcceptNegative(300); },
         Hex("1D 5C 2C 01")},
        {"VerticalRelativeCut",
         [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPositionAcceptNegative(-70000); },
         Hex("1D 5C 90 EE")},
        {"Alignment", [](NZPosPrinter &p) { return p.POS_SetAlignment(1); }, Hex("1B 61 01")},
        {"FeedLines", [](NZPosPrinter &p) { return p.POS_FeedLines(3); }, Hex("1B 64 03")},
        {"FeedDots", [](NZPosPrinter &p) { return p.POS_FeedDots(200); }, Hex("1B 4A C8")},

        // Page mode.
        {"SelectPageMode", [](NZPosPrinter &p) { return p.POS_SelectPageMode(); }, Hex("1B 4C")},
        {"ExitPageMode", [](NZPosPrinter &p) { return p.POS_ExitPageMode(); }, Hex("1B 53")},
        {"ClearPage", [](NZPosPrinter &p) { return p.POS_ClearPage(); }, Hex("18")},
        {"PrintPage", [](NZPosPrinter &p) { return p.POS_PrintPage(); }, Hex("1B 0C")},
        {"PageArea", [](NZPosPrinter &p) { return p.POS_SetPageArea(0, 0, 384, 800); },
         Hex("1B 57 00 00 00 00 80 01 20 03")},
        {"PageAreaOrigin", [](NZPosPrinter &p) { return p.POS_SetPageArea(0x0102, 0x0304, 0x0506, 0x0708); },
         Hex("1B 57 02 01 04 03 06 05 08 07")},
        {"PageDrawDirection", [](NZPosPrinter &p) { return p.POS_SetPageModeDrawDirection(3); }, Hex("1B 54 03")},

        // Black-mark paper.
        {"EnableBlackMark", [](NZPosPrinter &p) { return p.POS_EnableBlackMarkMode(); },
         Hex("1F 1B 1F 80 04 05 06 44")},
        {"DisableBlackMark", [](NZPosPrinter &p) { return p.POS_DisableBlackMarkMode(); },
         Hex("1F 1B 1F 80 04 05 06 66")},
        {"BlackMarkMaxFindLength", [](NZPosPrinter &p) { return p.POS_SetBlackMarkMaxFindLength(0x0BB8); },
         Hex("1F 1B 1F 81 04 05 06 B8 0B")},
        {"FindBlackMark", [](NZPosPrinter &p) { return p.POS_FindBlackMark(); }, Hex("1D 0C")},
        {"PrintPositionBase", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPositionBase(1, 0x0203); },
         Hex("1D 28 46 04 00 01 01 03 02")},
        {"CutPositionBase", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPositionBase(0, 0xFFFF); },
         Hex("1D 28 46 04 00 02 00 FF FF")},
        {"PrintPositionPos", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(300); },
         Hex("1D 28 46 04 00 01 00 2C 01")},
        {"PrintPositionNeg", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(-10); },
         Hex("1D 28 46 04 00 01 01 0A 00")},
        {"PrintPositionZero", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(0); },
         Hex("1D 28 46 04 00 01 00 00 00")},
        {"PrintPositionCut", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(70000); },
         Hex("1D 28 46 04 00 01 00 70 11")},
        {"CutPositionPos", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(300); },
         Hex("1D 28 46 04 00 02 00 2C 01")},
        {"CutPositionNeg", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(-300); },
         Hex("1D 28 46 04 00 02 01 2C 01")},
        {"CutPositionNegCut", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(-70000); },
         Hex("1D 28 46 04 00 02 01 70 11")},
        {"CutPositionIntMin", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(INT_MIN); },
         Hex("1D 28 46 04 00 02 01 00 00")},
        {"FullCutBlackMark", [](NZPosPrinter &p) { return p.POS_FullCutBlackMarkPaper(); }, Hex("1D 56 00")},
        {"HalfCutBlackMark", [](NZPosPrinter &p) { return p.POS_HalfCutBlackMarkPaper(); }, Hex("1D 56 01")},

        // Commands of the common base reach the printer through the receipt writer too.
        {"KickDrawer", [](NZPosPrinter &p) { return p.POS_KickDrawer(0, 25, 250); }, Hex("1B 70 00 19 FA")},
    };
    return rows;
}

TEST(NZPosPrinter, EveryCommandWritesExactBytesInOneWrite)
{
    ExpectRowsWriteExactly<NZPosPrinter>(PosRows());
}

TEST(NZPosPrinter, ShortOrFailedWriteReportsFalse)
{
    ExpectRowsFailOnShortOrFailedWrite<NZPosPrinter>(PosRows());
}

TEST(NZPosPrinter, WithoutPortEveryCommandFails)
{
    ExpectRowsFailWithoutPort<NZPosPrinter>(PosRows());
}

// Rows that fail before anything reaches the port.
TEST(NZPosPrinter, BadTextSendsNothing)
{
    struct Row {
        const char *name;
        std::function<bool(NZPosPrinter &)> call;
    } rows[] = {
        {"NullText", [](NZPosPrinter &p) { return p.POS_PrintString(nullptr); }},
        {"NullBytesWithLength", [](NZPosPrinter &p) { return p.POS_PrintString(nullptr, 3); }},
        {"NullWide", [](NZPosPrinter &p) { return p.POS_PrintWideStringInUTF8(nullptr); }},
        {"NullEncoding", [](NZPosPrinter &p) { return p.POS_PrintWideString(L"a", nullptr); }},
        {"UnknownEncoding", [](NZPosPrinter &p) { return p.POS_PrintWideString(L"a", "NO-SUCH-ENCODING"); }},
        {"HangulInGBK", [](NZPosPrinter &p) { return p.POS_PrintWideStringInGBK(L"a한"); }},
        {"ArabicInShiftJIS", [](NZPosPrinter &p) { return p.POS_PrintWideStringInShiftJIS(L"\u0628"); }},
        {"ThaiInBIG5", [](NZPosPrinter &p) { return p.POS_PrintWideStringInBIG5(L"\u0e01"); }},
    };
    ExpectRowsSendNothing<NZPosPrinter>(rows);
}

TEST(NZPosPrinter, UnconvertibleTextPrintsConverterMessage)
{
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    char expected[128];
    snprintf(expected, sizeof expected, "iconv failed to convert str from WCHAR_T to GBK. errno %d\r\n", EILSEQ);
    fflush(stdout);
    testing::internal::CaptureStdout();
    EXPECT_FALSE(printer.POS_PrintWideStringInGBK(L"한"));
    fflush(stdout);
    EXPECT_EQ(expected, testing::internal::GetCapturedStdout());
    EXPECT_TRUE(port.Data().empty());
}

TEST(NZPosPrinter, EmptyTextWritesNothingAndSucceeds)
{
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    EXPECT_TRUE(printer.POS_PrintString(""));
    EXPECT_TRUE(printer.POS_PrintString("abc", 0));
    EXPECT_TRUE(printer.POS_PrintWideStringInGBK(L""));
    EXPECT_TRUE(port.Data().empty());
}

// A page of commands lands on the port in call order.
TEST(NZPosPrinter, CommandsAccumulateInOrder)
{
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    printer.SetIODefaultTimeout(3600000);
    EXPECT_TRUE(printer.POS_Reset());
    EXPECT_TRUE(printer.POS_SetMultiByteMode());
    EXPECT_TRUE(printer.POS_SetMultiByteEncoding(0));
    EXPECT_TRUE(printer.POS_SetAlignment(1));
    EXPECT_TRUE(printer.POS_SetTextScale(1, 1));
    EXPECT_TRUE(printer.POS_PrintWideStringInGBK(L"中文\r\n"));
    EXPECT_TRUE(printer.POS_FeedAndCutPaper());
    const Bytes expected = Hex("1B 40 1C 26 1B 39 00 1B 61 01 1D 21 11 D6 D0 CE C4 0D 0A 1D 56 42 00");
    EXPECT_EQ(expected, port.Data());
    EXPECT_EQ(7, port.writes);
    EXPECT_EQ(3600000u, port.lastTimeout);
}

TEST(NZPosPrinter, LargeTextLeavesInOneWrite)
{
    RecordingPort port(1 << 20);
    NZPosPrinter printer;
    printer.SetIO(&port);
    std::string text(100000, 'x');
    EXPECT_TRUE(printer.POS_PrintString(text.c_str()));
    EXPECT_EQ(1, port.writes);
    EXPECT_EQ(text.size(), port.Data().size());
}

} // namespace
