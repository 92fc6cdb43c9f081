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
#include "support/printer_ports.h"

namespace {

using quorvane_test::RecordingPort;
using Bytes = std::vector<unsigned char>;

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
        {"PrintString", [](NZPosPrinter &p) { return p.POS_PrintString("Hi\r\n"); }, {0x48, 0x69, 0x0D, 0x0A}},
        {"PrintStringHighBytes", [](NZPosPrinter &p) { return p.POS_PrintString("\xD6\xD0"); }, {0xD6, 0xD0}},
        {"PrintBytesWithZero", [](NZPosPrinter &p) { return p.POS_PrintString(kEmbeddedZero, 5); },
         {0x41, 0x42, 0x00, 0x43, 0x44}},
        {"PrintBytesPrefix", [](NZPosPrinter &p) { return p.POS_PrintString(kEmbeddedZero, 2); }, {0x41, 0x42}},
        {"PrintWideUTF8", [](NZPosPrinter &p) { return p.POS_PrintWideStringInUTF8(L"中文"); },
         {0xE4, 0xB8, 0xAD, 0xE6, 0x96, 0x87}},
        {"PrintWideGBK", [](NZPosPrinter &p) { return p.POS_PrintWideStringInGBK(L"中文"); }, {0xD6, 0xD0, 0xCE, 0xC4}},
        {"PrintWideBIG5", [](NZPosPrinter &p) { return p.POS_PrintWideStringInBIG5(L"中文"); }, {0xA4, 0xA4, 0xA4, 0xE5}},
        {"PrintWideShiftJIS", [](NZPosPrinter &p) { return p.POS_PrintWideStringInShiftJIS(L"中文"); },
         {0x92, 0x86, 0x95, 0xB6}},
        {"PrintWideEUCKR", [](NZPosPrinter &p) { return p.POS_PrintWideStringInEUCKR(L"中文"); }, {0xF1, 0xE9, 0xD9, 0xFE}},
        {"PrintWideNamed", [](NZPosPrinter &p) { return p.POS_PrintWideString(L"A中", "GBK"); }, {0x41, 0xD6, 0xD0}},

        // Character style and spacing.
        {"TextScale1x1", [](NZPosPrinter &p) { return p.POS_SetTextScale(1, 1); }, {0x1D, 0x21, 0x11}},
        {"TextScaleMasked", [](NZPosPrinter &p) { return p.POS_SetTextScale(9, 9); }, {0x1D, 0x21, 0x11}},
        {"TextScaleMax", [](NZPosPrinter &p) { return p.POS_SetTextScale(0xFF, 0xFF); }, {0x1D, 0x21, 0x77}},
        {"TextScaleWidthOnly", [](NZPosPrinter &p) { return p.POS_SetTextScale(7, 0); }, {0x1D, 0x21, 0x70}},
        {"AsciiTextFontType", [](NZPosPrinter &p) { return p.POS_SetAsciiTextFontType(1); }, {0x1B, 0x4D, 0x01}},
        {"TextBold", [](NZPosPrinter &p) { return p.POS_SetTextBold(1); }, {0x1B, 0x45, 0x01}},
        {"AsciiTextUnderline", [](NZPosPrinter &p) { return p.POS_SetAsciiTextUnderline(2); }, {0x1B, 0x2D, 0x02}},
        {"KanjiTextUnderline", [](NZPosPrinter &p) { return p.POS_SetKanjiTextUnderline(1); }, {0x1C, 0x2D, 0x01}},
        {"TextUpsideDown", [](NZPosPrinter &p) { return p.POS_SetTextUpsideDown(1); }, {0x1B, 0x7B, 0x01}},
        {"TextWhiteOnBlack", [](NZPosPrinter &p) { return p.POS_SetTextWhiteOnBlack(1); }, {0x1D, 0x42, 0x01}},
        {"TextRotate", [](NZPosPrinter &p) { return p.POS_SetTextRotate(1); }, {0x1B, 0x56, 0x01}},
        {"TextLineHeight", [](NZPosPrinter &p) { return p.POS_SetTextLineHeight(32); }, {0x1B, 0x33, 0x20}},
        {"AsciiCharRightSpacing", [](NZPosPrinter &p) { return p.POS_SetAsciiTextCharRightSpacing(255); },
         {0x1B, 0x20, 0xFF}},
        {"KanjiCharSpacing", [](NZPosPrinter &p) { return p.POS_SetKanjiTextCharSpacing(2, 3); }, {0x1C, 0x53, 0x02, 0x03}},

        // Positions, areas and feeds.
        {"MovementUnit", [](NZPosPrinter &p) { return p.POS_SetMovementUnit(180, 360 & 0xFF); }, {0x1D, 0x50, 0xB4, 0x68}},
        {"PrintAreaLeftMargin", [](NZPosPrinter &p) { return p.POS_SetPrintAreaLeftMargin(0x0102); }, {0x1D, 0x4C, 0x02, 0x01}},
        {"PrintAreaWidth", [](NZPosPrinter &p) { return p.POS_SetPrintAreaWidth(576); }, {0x1D, 0x57, 0x40, 0x02}},
        {"HorizontalAbsolute", [](NZPosPrinter &p) { return p.POS_SetHorizontalAbsolutePrintPosition(384); },
         {0x1B, 0x24, 0x80, 0x01}},
        {"HorizontalRelative", [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPosition(0xFFFF); },
         {0x1B, 0x5C, 0xFF, 0xFF}},
        {"HorizontalRelativeNeg1", [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(-1); },
         {0x1B, 0x5C, 0xFF, 0xFF}},
        {"HorizontalRelative65535",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(65535); },
         {0x1B, 0x5C, 0xFF, 0xFF}},
        {"HorizontalRelativeNeg256",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(-256); },
         {0x1B, 0x5C, 0x00, 0xFF}},
        {"HorizontalRelativeCut",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(0x12345); },
         {0x1B, 0x5C, 0x45, 0x23}},
        {"HorizontalRelativeIntMin",
         [](NZPosPrinter &p) { return p.POS_SetHorizontalRelativePrintPositionAcceptNegative(INT_MIN); },
         {0x1B, 0x5C, 0x00, 0x00}},
        {"VerticalAbsolute", [](NZPosPrinter &p) { return p.POS_SetVerticalAbsolutePrintPosition(800); },
         {0x1D, 0x24, 0x20, 0x03}},
        {"VerticalRelative", [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPosition(10); },
         {0x1D, 0x5C, 0x0A, 0x00}},
        {"VerticalRelativeNeg", [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPositionAcceptNegative(-10); },
         {0x1D, 0x5C, 0xF6, 0xFF}},
        {"VerticalRelativePos", [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPositionAcceptNegative(300); },
         {0x1D, 0x5C, 0x2C, 0x01}},
        {"VerticalRelativeCut",
         [](NZPosPrinter &p) { return p.POS_SetVerticalRelativePrintPositionAcceptNegative(-70000); },
         {0x1D, 0x5C, 0x90, 0xEE}},
        {"Alignment", [](NZPosPrinter &p) { return p.POS_SetAlignment(1); }, {0x1B, 0x61, 0x01}},
        {"FeedLines", [](NZPosPrinter &p) { return p.POS_FeedLines(3); }, {0x1B, 0x64, 0x03}},
        {"FeedDots", [](NZPosPrinter &p) { return p.POS_FeedDots(200); }, {0x1B, 0x4A, 0xC8}},

        // Page mode.
        {"SelectPageMode", [](NZPosPrinter &p) { return p.POS_SelectPageMode(); }, {0x1B, 0x4C}},
        {"ExitPageMode", [](NZPosPrinter &p) { return p.POS_ExitPageMode(); }, {0x1B, 0x53}},
        {"ClearPage", [](NZPosPrinter &p) { return p.POS_ClearPage(); }, {0x18}},
        {"PrintPage", [](NZPosPrinter &p) { return p.POS_PrintPage(); }, {0x1B, 0x0C}},
        {"PageArea", [](NZPosPrinter &p) { return p.POS_SetPageArea(0, 0, 384, 800); },
         {0x1B, 0x57, 0x00, 0x00, 0x00, 0x00, 0x80, 0x01, 0x20, 0x03}},
        {"PageAreaOrigin", [](NZPosPrinter &p) { return p.POS_SetPageArea(0x0102, 0x0304, 0x0506, 0x0708); },
         {0x1B, 0x57, 0x02, 0x01, 0x04, 0x03, 0x06, 0x05, 0x08, 0x07}},
        {"PageDrawDirection", [](NZPosPrinter &p) { return p.POS_SetPageModeDrawDirection(3); }, {0x1B, 0x54, 0x03}},

        // Black-mark paper.
        {"EnableBlackMark", [](NZPosPrinter &p) { return p.POS_EnableBlackMarkMode(); },
         {0x1F, 0x1B, 0x1F, 0x80, 0x04, 0x05, 0x06, 0x44}},
        {"DisableBlackMark", [](NZPosPrinter &p) { return p.POS_DisableBlackMarkMode(); },
         {0x1F, 0x1B, 0x1F, 0x80, 0x04, 0x05, 0x06, 0x66}},
        {"BlackMarkMaxFindLength", [](NZPosPrinter &p) { return p.POS_SetBlackMarkMaxFindLength(0x0BB8); },
         {0x1F, 0x1B, 0x1F, 0x81, 0x04, 0x05, 0x06, 0xB8, 0x0B}},
        {"FindBlackMark", [](NZPosPrinter &p) { return p.POS_FindBlackMark(); }, {0x1D, 0x0C}},
        {"PrintPositionBase", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPositionBase(1, 0x0203); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x01, 0x01, 0x03, 0x02}},
        {"CutPositionBase", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPositionBase(0, 0xFFFF); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x02, 0x00, 0xFF, 0xFF}},
        {"PrintPositionPos", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(300); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x01, 0x00, 0x2C, 0x01}},
        {"PrintPositionNeg", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(-10); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x01, 0x01, 0x0A, 0x00}},
        {"PrintPositionZero", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(0); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00}},
        {"PrintPositionCut", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperPrintPosition(70000); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x01, 0x00, 0x70, 0x11}},
        {"CutPositionPos", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(300); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x02, 0x00, 0x2C, 0x01}},
        {"CutPositionNeg", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(-300); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x02, 0x01, 0x2C, 0x01}},
        {"CutPositionNegCut", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(-70000); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x02, 0x01, 0x70, 0x11}},
        {"CutPositionIntMin", [](NZPosPrinter &p) { return p.POS_SetBlackMarkPaperCutPosition(INT_MIN); },
         {0x1D, 0x28, 0x46, 0x04, 0x00, 0x02, 0x01, 0x00, 0x00}},
        {"FullCutBlackMark", [](NZPosPrinter &p) { return p.POS_FullCutBlackMarkPaper(); }, {0x1D, 0x56, 0x00}},
        {"HalfCutBlackMark", [](NZPosPrinter &p) { return p.POS_HalfCutBlackMarkPaper(); }, {0x1D, 0x56, 0x01}},

        // Commands of the common base reach the printer through the receipt writer too.
        {"KickDrawer", [](NZPosPrinter &p) { return p.POS_KickDrawer(0, 25, 250); }, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
    };
    return rows;
}

TEST(NZPosPrinter, EveryCommandWritesExactBytesInOneWrite)
{
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (const PosRow &row : PosRows()) {
        SCOPED_TRACE(row.name);
        port.Reset();
        EXPECT_TRUE(row.call(printer));
        EXPECT_EQ(row.expected, port.Data());
        EXPECT_EQ(1, port.writes);
        EXPECT_EQ(600000u, port.lastTimeout);
    }
}

TEST(NZPosPrinter, ShortOrFailedWriteReportsFalse)
{
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (RecordingPort::Mode mode : {RecordingPort::kShort, RecordingPort::kFail}) {
        port.mode = mode;
        for (const PosRow &row : PosRows()) {
            SCOPED_TRACE(row.name);
            port.Reset();
            EXPECT_FALSE(row.call(printer));
            EXPECT_EQ(1, port.writes) << "no retry";
        }
    }
}

TEST(NZPosPrinter, WithoutPortEveryCommandFails)
{
    NZPosPrinter printer;
    for (const PosRow &row : PosRows()) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(row.call(printer));
    }
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
    RecordingPort port;
    NZPosPrinter printer;
    printer.SetIO(&port);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        port.Reset();
        testing::internal::CaptureStdout();
        EXPECT_FALSE(row.call(printer));
        fflush(stdout);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(0, port.writes);
        EXPECT_TRUE(port.Data().empty());
    }
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
    const Bytes expected = {0x1B, 0x40, 0x1C, 0x26, 0x1B, 0x39, 0x00, 0x1B, 0x61, 0x01, 0x1D, 0x21, 0x11,
                            0xD6, 0xD0, 0xCE, 0xC4, 0x0D, 0x0A, 0x1D, 0x56, 0x42, 0x00};
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
