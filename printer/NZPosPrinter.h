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
    // (defined in NZPosPrinter_symbols.cpp; data longer than its command's length field
    // can announce is refused with nothing written)
    bool POS_SetBarcodeUnitWidth(unsigned char n);
    bool POS_SetBarcodeHeight(unsigned char n);
    bool POS_SetBarcodeReadableTextFontType(unsigned char n);
    bool POS_SetBarcodeReadableTextPosition(unsigned char n);
    // Barcode system m (passed unchanged) with up to 255 data bytes.
    bool POS_PrintBarcode(unsigned char m, const unsigned char *data, unsigned int length);
    bool POS_PrintBarcode(unsigned char m, const char *text);
    // Single-command QR: version, error-correction level 1..4.
    bool POS_PrintQRCode(unsigned char version, unsigned char level, const char *text);
    // Two-dimensional-code functions: module size, level 1..4 (L, M, Q, H), store, print.
    bool POS_EPSON_PrintQRCode(unsigned char module, unsigned char level, const char *text);
    // Two symbols side by side; x and the lengths go high byte first.
    bool POS_PrintDoubleQRcode(const char *text1, unsigned short x1, unsigned char a1, unsigned char b1,
                               const char *text2, unsigned short x2, unsigned char a2, unsigned char b2,
                               unsigned char k);
    bool POS_EPSON_PrintPDF417(unsigned char columns, unsigned char rows, unsigned char moduleWidth,
                               unsigned char rowHeight, unsigned char level, unsigned char options, const char *text);
    // Raster data (rows of bytesPerLine bytes, most significant bit leftmost, bits beyond
    // widthDots cleared before sending); method 0 plain bands of 24 rows, 1 run-length per
    // row, 2 JBIG bands of 255 rows; any other method fails without writing.
    bool POS_PrintRasterImageSpecifyCompressMethod(const unsigned char *data, unsigned int bytesPerLine,
                                                   unsigned int widthDots, unsigned int lines, int method);
    // Pixel array of width x height (stride bytes a row) in a pixel format, binarized, then
    // printed as above; dataLength is not read.
    bool POS_PrintRasterImageSpecifyCompressMethodFromPixels(const unsigned char *pixels, int dataLength, int width,
                                                             int height, int stride, int format, int binarization,
                                                             int method);
    // Encoded image (file bytes) scaled to width x height, binarized, then printed.
    bool POS_PrintRasterImageSpecifyCompressMethodFromData(const unsigned char *data, int size, int width, int height,
                                                           int binarization, int method);
    bool POS_PrintRasterImageSpecifyCompressMethodFromFile(const char *path, int width, int height, int binarization,
                                                           int method);
    bool POS_PrintRasterImageSpecifyCompressMethodFromFileA(const char *path, int width, int height,
                                                            int binarization, int method);
    // GS 8 L store-and-print form (height padded to a multiple of 8).
    bool POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(const unsigned char *data,
                                                                      unsigned int bytesPerLine,
                                                                      unsigned int widthDots, unsigned int lines);
    bool POS_PrintEpsonTM88IVImageUseGS8CmdFromPixels(const unsigned char *pixels, int dataLength, int width,
                                                       int height, int stride, int format, int binarization);
    bool POS_PrintEpsonTM88IVImageUseGS8CmdFromData(const unsigned char *data, int size, int width, int height,
                                                     int binarization);
    bool POS_PrintEpsonTM88IVImageUseGS8CmdFromFile(const char *path, int width, int height, int binarization);
    bool POS_PrintEpsonTM88IVImageUseGS8CmdFromFileA(const char *path, int width, int height, int binarization);
    // count copies of the one-segment dot row from x1 to x2, in one write; count 0 fails.
    bool POS_PrintHorizontalLineSpecifyThickness(unsigned short x1, unsigned short x2, unsigned int count);
    // One dot row of n segments, starts[i] to ends[i] (low 16 bits each).
    bool POS_PrintMultipleHorizontalLines(unsigned char n, const int *starts, const int *ends);
    // Filled rectangle, corners included.
    bool POS_DrawRect(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2, unsigned char colour);
    // Outer rectangle in colour, interior inset by border in the other colour.
    bool POS_DrawBox(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2, unsigned char border,
                     unsigned char colour);

private:
    // Lead byte, function byte and one parameter byte.
    bool SendByteCommand(unsigned char lead, unsigned char fn, unsigned char n);
    // Lead byte, function byte and a 16-bit parameter, low byte first.
    bool SendShortCommand(unsigned char lead, unsigned char fn, unsigned short n);
    // Black-mark position command (kind 01 print, 02 cut) with a signed offset.
    bool SendBlackMarkPosition(unsigned char kind, int n);
};

#endif
