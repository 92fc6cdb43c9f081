// Label-page command writer: a page is opened with PageBegin, filled with text, symbols,
// lines, boxes and images at absolute dot positions, and printed with PagePrint.
// Coordinates and sizes are 16-bit fields (low byte first), settings and colours bytes;
// text fields end with one 0x00. Every method builds its whole command and sends it with
// one write (see NZPrinter); the result is true when every byte was written.
#ifndef QUORVANE_PRINTER_NZLABELPRINTER_H
#define QUORVANE_PRINTER_NZLABELPRINTER_H

#include <cwchar>

#include "printer/NZPrinter.h"

class NZLabelPrinter : public NZPrinter {
public:
    NZLabelPrinter();
    ~NZLabelPrinter() override;

    // ---- Label mode, calibration and feed ----
    bool EnableLabelMode();
    bool DisableLabelMode();
    bool CalibrateLabel();
    bool FeedLabel();
    // Sends second, then first (low bytes each), then their check byte.
    bool SetLabelPositionAdjustment(int first, int second);

    // ---- Page ----
    bool PageBegin(unsigned short x, unsigned short y, unsigned short width, unsigned short height,
                   unsigned char option);
    bool PagePrint(unsigned char count);

    // ---- Lines and rectangles ----
    bool DrawLine(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                  unsigned short lineWidth, unsigned char colour);
    // Outline of the rectangle with the given border width.
    bool DrawBox(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                 unsigned short borderWidth, unsigned char colour);
    // Filled rectangle.
    bool DrawRectangel(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                       unsigned char colour);

    // ---- Text ----
    // length bytes as given (zero bytes included), then the field's 0x00.
    bool DrawString(unsigned short x, unsigned short y, unsigned short a, unsigned short b, const char *bytes,
                    unsigned int length);
    // The bytes of text up to its terminating zero.
    bool DrawString(unsigned short x, unsigned short y, unsigned short a, unsigned short b, const char *text);
    // text converted to the named encoding; nothing is sent when it cannot be converted.
    bool DrawWideString(unsigned short x, unsigned short y, unsigned short a, unsigned short b, const wchar_t *text,
                        const char *encoding);
    bool DrawWideStringInUTF8(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                              const wchar_t *text);
    bool DrawWideStringInGBK(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                             const wchar_t *text);
    bool DrawWideStringInBIG5(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                              const wchar_t *text);
    bool DrawWideStringInShiftJIS(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                  const wchar_t *text);
    bool DrawWideStringInEUCKR(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                               const wchar_t *text);

    // ---- Symbols ----
    bool DrawBarcode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2, unsigned char s3,
                     unsigned char s4, const char *text);
    bool DrawQRCode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2, unsigned char s3,
                    unsigned char s4, const char *bytes, unsigned int length);
    bool DrawQRCode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2, unsigned char s3,
                    unsigned char s4, const char *text);
    bool DrawWQRCode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2, unsigned char s3,
                     unsigned char s4, const wchar_t *text, const char *encoding);
    bool DrawWQRCodeInUTF8(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                           unsigned char s3, unsigned char s4, const wchar_t *text);
    // Settings 2 and 3 change places on the wire.
    bool DrawPDF417(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2, unsigned char s3,
                    unsigned char s4, unsigned char s5, const char *text);

    // ---- Images (raster data: rows of bytesPerLine bytes, most significant bit leftmost) ----
    // Uncompressed; bits beyond widthDots are cleared, the head announces bytesPerLine * 8 dots.
    bool DrawRasterImageWithStyle(unsigned short x, unsigned short y, unsigned int bytesPerLine,
                                  unsigned int widthDots, unsigned int height, unsigned short style,
                                  const unsigned char *raster);
    // The same raster as one JBIG (T.85) image.
    bool DrawRasterImageWithJBIG5Compress(unsigned short x, unsigned short y, unsigned int bytesPerLine,
                                          unsigned int widthDots, unsigned int height,
                                          const unsigned char *raster);
    // method 0 plain (style 0), 2 JBIG; anything else fails without writing.
    bool DrawRasterImageSpecifyCompressMethod(unsigned short x, unsigned short y, unsigned int bytesPerLine,
                                              unsigned int widthDots, unsigned int height,
                                              const unsigned char *raster, int method);
    // Pixel array of width x height in one of the pixel formats, binarized, then drawn.
    // dataLength is not read.
    bool DrawRasterImageFromPixels(unsigned short x, unsigned short y, const unsigned char *pixels,
                                   int dataLength, int width, int height, int stride, int format,
                                   int binarization, int method);
    // Encoded image (file bytes) scaled to width x height, binarized, then drawn.
    bool DrawRasterImageFromData(unsigned short x, unsigned short y, const unsigned char *data, int size,
                                 int width, int height, int binarization, int method);
    bool DrawRasterImageFromFile(unsigned short x, unsigned short y, const char *path, int width, int height,
                                 int binarization, int method);
    bool DrawRasterImageFromFileA(unsigned short x, unsigned short y, const char *path, int width, int height,
                                  int binarization, int method);

private:
    // Draws a converted raster and frees it; null (a failed conversion) gives false.
    bool DrawConverted(unsigned short x, unsigned short y, unsigned char *raster, int bytesPerLine, int width,
                       int height, int method);
};

#endif
