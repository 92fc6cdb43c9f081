#include "printer/NZPosPrinter.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgalloc.h"
#include "printer/iconvutils.h"

namespace {

// Low 16 bits of the two's complement of n: -1 gives FFFF, -256 gives FF00.
unsigned short SignedToWire(int n)
{
    return static_cast<unsigned short>(static_cast<unsigned int>(n) & 0xFFFFu);
}

} // namespace

NZPosPrinter::NZPosPrinter() {}
NZPosPrinter::~NZPosPrinter() {}

bool NZPosPrinter::SendByteCommand(unsigned char lead, unsigned char fn, unsigned char n)
{
    const unsigned char cmd[] = {lead, fn, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::SendShortCommand(unsigned char lead, unsigned char fn, unsigned short n)
{
    const unsigned char cmd[] = {lead, fn, Lo(n), Hi(n)};
    return WriteCommand(cmd, sizeof cmd);
}

// ---- Text output ----

bool NZPosPrinter::POS_PrintString(const char *text)
{
    if (!text)
        return false;
    return WriteCommand(text, strlen(text));
}

bool NZPosPrinter::POS_PrintString(const char *bytes, unsigned int length)
{
    if (!bytes && length != 0)
        return false;
    return WriteCommand(bytes, length);
}

bool NZPosPrinter::POS_PrintWideString(const wchar_t *text, const char *encoding)
{
    if (!text || !encoding)
        return false;
    NZImgOwned<char> converted(NZIconv_WideToEncoding(text, encoding));
    return converted && POS_PrintString(converted.get());
}

bool NZPosPrinter::POS_PrintWideStringInUTF8(const wchar_t *text) { return POS_PrintWideString(text, "UTF-8"); }
bool NZPosPrinter::POS_PrintWideStringInGBK(const wchar_t *text) { return POS_PrintWideString(text, "GBK"); }
bool NZPosPrinter::POS_PrintWideStringInBIG5(const wchar_t *text) { return POS_PrintWideString(text, "BIG5"); }
bool NZPosPrinter::POS_PrintWideStringInShiftJIS(const wchar_t *text) { return POS_PrintWideString(text, "SHIFT-JIS"); }
bool NZPosPrinter::POS_PrintWideStringInEUCKR(const wchar_t *text) { return POS_PrintWideString(text, "EUC-KR"); }

// ---- Character style and spacing ----

bool NZPosPrinter::POS_SetTextScale(unsigned char w, unsigned char h)
{
    const unsigned char s = static_cast<unsigned char>(((w << 4) & 0x70) | (h & 0x07));
    return SendByteCommand(0x1D, 0x21, s);
}

bool NZPosPrinter::POS_SetAsciiTextFontType(unsigned char n) { return SendByteCommand(0x1B, 0x4D, n); }
bool NZPosPrinter::POS_SetTextBold(unsigned char n) { return SendByteCommand(0x1B, 0x45, n); }
bool NZPosPrinter::POS_SetAsciiTextUnderline(unsigned char n) { return SendByteCommand(0x1B, 0x2D, n); }
bool NZPosPrinter::POS_SetKanjiTextUnderline(unsigned char n) { return SendByteCommand(0x1C, 0x2D, n); }
bool NZPosPrinter::POS_SetTextUpsideDown(unsigned char n) { return SendByteCommand(0x1B, 0x7B, n); }
bool NZPosPrinter::POS_SetTextWhiteOnBlack(unsigned char n) { return SendByteCommand(0x1D, 0x42, n); }
bool NZPosPrinter::POS_SetTextRotate(unsigned char n) { return SendByteCommand(0x1B, 0x56, n); }
bool NZPosPrinter::POS_SetTextLineHeight(unsigned char n) { return SendByteCommand(0x1B, 0x33, n); }
bool NZPosPrinter::POS_SetAsciiTextCharRightSpacing(unsigned char n) { return SendByteCommand(0x1B, 0x20, n); }

bool NZPosPrinter::POS_SetKanjiTextCharSpacing(unsigned char left, unsigned char right)
{
    const unsigned char cmd[] = {0x1C, 0x53, left, right};
    return WriteCommand(cmd, sizeof cmd);
}

// ---- Positions, areas and feeds ----

bool NZPosPrinter::POS_SetMovementUnit(unsigned char x, unsigned char y)
{
    const unsigned char cmd[] = {0x1D, 0x50, x, y};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetPrintAreaLeftMargin(unsigned short n) { return SendShortCommand(0x1D, 0x4C, n); }
bool NZPosPrinter::POS_SetPrintAreaWidth(unsigned short n) { return SendShortCommand(0x1D, 0x57, n); }
bool NZPosPrinter::POS_SetHorizontalAbsolutePrintPosition(unsigned short n) { return SendShortCommand(0x1B, 0x24, n); }
bool NZPosPrinter::POS_SetHorizontalRelativePrintPosition(unsigned short n) { return SendShortCommand(0x1B, 0x5C, n); }

bool NZPosPrinter::POS_SetHorizontalRelativePrintPositionAcceptNegative(int n)
{
    return SendShortCommand(0x1B, 0x5C, SignedToWire(n));
}

bool NZPosPrinter::POS_SetVerticalAbsolutePrintPosition(unsigned short n) { return SendShortCommand(0x1D, 0x24, n); }
bool NZPosPrinter::POS_SetVerticalRelativePrintPosition(unsigned short n) { return SendShortCommand(0x1D, 0x5C, n); }

bool NZPosPrinter::POS_SetVerticalRelativePrintPositionAcceptNegative(int n)
{
    return SendShortCommand(0x1D, 0x5C, SignedToWire(n));
}

bool NZPosPrinter::POS_SetAlignment(unsigned char n) { return SendByteCommand(0x1B, 0x61, n); }
bool NZPosPrinter::POS_FeedLines(unsigned char n) { return SendByteCommand(0x1B, 0x64, n); }
bool NZPosPrinter::POS_FeedDots(unsigned char n) { return SendByteCommand(0x1B, 0x4A, n); }

// ---- Page mode ----

bool NZPosPrinter::POS_SelectPageMode()
{
    const unsigned char cmd[] = {0x1B, 0x4C};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_ExitPageMode()
{
    const unsigned char cmd[] = {0x1B, 0x53};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_ClearPage()
{
    const unsigned char cmd[] = {0x18};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_PrintPage()
{
    const unsigned char cmd[] = {0x1B, 0x0C};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetPageArea(unsigned short x, unsigned short y, unsigned short w, unsigned short h)
{
    const unsigned char cmd[] = {0x1B, 0x57, Lo(x), Hi(x), Lo(y), Hi(y), Lo(w), Hi(w), Lo(h), Hi(h)};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetPageModeDrawDirection(unsigned char n) { return SendByteCommand(0x1B, 0x54, n); }

// ---- Black-mark paper ----

bool NZPosPrinter::POS_EnableBlackMarkMode()
{
    const unsigned char cmd[] = {0x1F, 0x1B, 0x1F, 0x80, 0x04, 0x05, 0x06, 0x44};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_DisableBlackMarkMode()
{
    const unsigned char cmd[] = {0x1F, 0x1B, 0x1F, 0x80, 0x04, 0x05, 0x06, 0x66};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetBlackMarkMaxFindLength(unsigned short n)
{
    const unsigned char cmd[] = {0x1F, 0x1B, 0x1F, 0x81, 0x04, 0x05, 0x06, Lo(n), Hi(n)};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_FindBlackMark()
{
    const unsigned char cmd[] = {0x1D, 0x0C};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetBlackMarkPaperPrintPositionBase(unsigned char dir, unsigned short n)
{
    const unsigned char cmd[] = {0x1D, 0x28, 0x46, 0x04, 0x00, 0x01, dir, Lo(n), Hi(n)};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetBlackMarkPaperCutPositionBase(unsigned char dir, unsigned short n)
{
    const unsigned char cmd[] = {0x1D, 0x28, 0x46, 0x04, 0x00, 0x02, dir, Lo(n), Hi(n)};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::SendBlackMarkPosition(unsigned char kind, int n)
{
    // The magnitude is taken in unsigned arithmetic so the most negative int is defined.
    const unsigned char dir = n < 0 ? 1 : 0;
    const unsigned int magnitude = n < 0 ? 0u - static_cast<unsigned int>(n) : static_cast<unsigned int>(n);
    const unsigned short m = static_cast<unsigned short>(magnitude & 0xFFFFu);
    return kind == 0x01 ? POS_SetBlackMarkPaperPrintPositionBase(dir, m)
                        : POS_SetBlackMarkPaperCutPositionBase(dir, m);
}

bool NZPosPrinter::POS_SetBlackMarkPaperPrintPosition(int n) { return SendBlackMarkPosition(0x01, n); }
bool NZPosPrinter::POS_SetBlackMarkPaperCutPosition(int n) { return SendBlackMarkPosition(0x02, n); }

bool NZPosPrinter::POS_FullCutBlackMarkPaper()
{
    const unsigned char cmd[] = {0x1D, 0x56, 0x00};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_HalfCutBlackMarkPaper()
{
    const unsigned char cmd[] = {0x1D, 0x56, 0x01};
    return WriteCommand(cmd, sizeof cmd);
}
