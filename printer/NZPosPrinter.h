// Receipt-printer command writer: text output, character styles, print positions
// and areas, feeds, page mode and black-mark paper. Every method sends one
// complete command (see NZPrinter) and returns true when all of it was written.
// Symbol, image and drawing commands extend this class from their own source file.
#ifndef QUORVANE_PRINTER_NZPOSPRINTER_H
#define QUORVANE_PRINTER_NZPOSPRINTER_H

#include <cwchar>

#include "printer/NZPrinter.h"

class NZPosPrinter : public NZPrinter {
public:
    NZPosPrinter();
    ~NZPosPrinter() override;

    // ---- Text output ----
    // The bytes of text up to its terminating zero, unchanged.
    bool POS_PrintString(const char *text);
    // length bytes, unchanged (zero bytes included).
    bool POS_PrintString(const char *bytes, unsigned int length);
    // text converted to the named encoding; nothing is sent when it cannot be converted.
    bool POS_PrintWideString(const wchar_t *text, const char *encoding);
    bool POS_PrintWideStringInUTF8(const wchar_t *text);
    bool POS_PrintWideStringInGBK(const wchar_t *text);
    bool POS_PrintWideStringInBIG5(const wchar_t *text);
    bool POS_PrintWideStringInShiftJIS(const wchar_t *text);
    bool POS_PrintWideStringInEUCKR(const wchar_t *text);

    // ---- Character style and spacing ----
    // Width and height factors, three bits each.
    bool POS_SetTextScale(unsigned char w, unsigned char h);
    bool POS_SetAsciiTextFontType(unsigned char n);
    bool POS_SetTextBold(unsigned char n);
    bool POS_SetAsciiTextUnderline(unsigned char n);
    bool POS_SetKanjiTextUnderline(unsigned char n);
    bool POS_SetTextUpsideDown(unsigned char n);
    bool POS_SetTextWhiteOnBlack(unsigned char n);
    bool POS_SetTextRotate(unsigned char n);
    bool POS_SetTextLineHeight(unsigned char n);
    bool POS_SetAsciiTextCharRightSpacing(unsigned char n);
    bool POS_SetKanjiTextCharSpacing(unsigned char left, unsigned char right);

    // ---- Positions, areas and feeds ----
    bool POS_SetMovementUnit(unsigned char x, unsigned char y);
    bool POS_SetPrintAreaLeftMargin(unsigned short n);
    bool POS_SetPrintAreaWidth(unsigned short n);
    bool POS_SetHorizontalAbsolutePrintPosition(unsigned short n);
    bool POS_SetHorizontalRelativePrintPosition(unsigned short n);
    // n sent as its 16-bit two's complement.
    bool POS_SetHorizontalRelativePrintPositionAcceptNegative(int n);
    bool POS_SetVerticalAbsolutePrintPosition(unsigned short n);
    bool POS_SetVerticalRelativePrintPosition(unsigned short n);
    // n sent as its 16-bit two's complement.
    bool POS_SetVerticalRelativePrintPositionAcceptNegative(int n);
    bool POS_SetAlignment(unsigned char n);
    bool POS_FeedLines(unsigned char n);
    bool POS_FeedDots(unsigned char n);

    // ---- Page mode ----
    bool POS_SelectPageMode();
    bool POS_ExitPageMode();
    bool POS_ClearPage();
    bool POS_PrintPage();
    // Origin, then size.
    bool POS_SetPageArea(unsigned short x, unsigned short y, unsigned short w, unsigned short h);
    bool POS_SetPageModeDrawDirection(unsigned char n);

    // ---- Black-mark paper ----
    bool POS_EnableBlackMarkMode();
    bool POS_DisableBlackMarkMode();
    bool POS_SetBlackMarkMaxFindLength(unsigned short n);
    bool POS_FindBlackMark();
    bool POS_SetBlackMarkPaperPrintPositionBase(unsigned char dir, unsigned short n);
    bool POS_SetBlackMarkPaperCutPositionBase(unsigned char dir, unsigned short n);
    // Sign goes to the direction byte (0 forward, 1 backward), magnitude to n.
    bool POS_SetBlackMarkPaperPrintPosition(int n);
    bool POS_SetBlackMarkPaperCutPosition(int n);
    bool POS_FullCutBlackMarkPaper();
    bool POS_HalfCutBlackMarkPaper();

    // ---- Symbols, images, ruled lines and rectangles ----

private:
    // Lead byte, function byte and one parameter byte.
    bool SendByteCommand(unsigned char lead, unsigned char fn, unsigned char n);
    // Lead byte, function byte and a 16-bit parameter, low byte first.
    bool SendShortCommand(unsigned char lead, unsigned char fn, unsigned short n);
    // Black-mark position command (kind 01 print, 02 cut) with a signed offset.
    bool SendBlackMarkPosition(unsigned char kind, int n);
};

#endif
