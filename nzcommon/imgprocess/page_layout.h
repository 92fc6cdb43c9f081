// Page-mode layout: absolute positions of rectangles, text, barcodes, QR symbols
// and images inside a page area, and the automatic CODE128 code-set encoder.
//
// Placement codes accepted for x or y: -1 start, -2 centred, -3 far end; any
// other value is a position in dots and passes through. Rotation is the page
// print direction 0 to 3 (1 and 3 lay an object's width along the page height).
#ifndef QUORVANE_PAGE_LAYOUT_H
#define QUORVANE_PAGE_LAYOUT_H

#include <wchar.h>

struct PL_Utils_Size {
    int width;
    int height;
    PL_Utils_Size(int w, int h) : width(w), height(h) {}
};

struct PL_Utils_Position {
    int x;
    int y;
    PL_Utils_Position(int px, int py) : x(px), y(py) {}
};

PL_Utils_Position Utils_Page_ComputeRectPosition(PL_Utils_Size page, int rotation, int x, int y, int width,
                                                 int height);

// Text: y is moved to the baseline (y + text height - baselineOffset) when it is 0 or more.
PL_Utils_Position Utils_Page_ComputeStringPositionW(PL_Utils_Size page, int rotation, int baselineOffset, int x,
                                                    int y, const wchar_t *text, int asciiCharWidth,
                                                    int asciiCharHeight, int kanjiCharWidth, int kanjiCharHeight,
                                                    int scaleWidth, int scaleHeight);
PL_Utils_Position Utils_Page_ComputeStringPositionA(PL_Utils_Size page, int rotation, int baselineOffset, int x,
                                                    int y, const char *text, int asciiCharWidth,
                                                    int asciiCharHeight, int kanjiCharWidth, int kanjiCharHeight,
                                                    int scaleWidth, int scaleHeight);

// Barcode of receipt barcode system 0-8 or 65-73; y is moved to the bottom row of the bars.
PL_Utils_Position Utils_Page_ComputeBarcodePositionA(PL_Utils_Size page, int rotation, int x, int y,
                                                     const char *text, int barcodeSystem, int unitWidth,
                                                     int barHeight, int readableTextHeight,
                                                     int readableTextPosition);
PL_Utils_Position Utils_Page_ComputeBarcodePositionW(PL_Utils_Size page, int rotation, int x, int y,
                                                     const wchar_t *text, int barcodeSystem, int unitWidth,
                                                     int barHeight, int readableTextHeight,
                                                     int readableTextPosition);

// QR symbol; level is 1-based (1 L to 4 H).
PL_Utils_Position Utils_Page_ComputeQRCodePositionA(PL_Utils_Size page, int rotation, int x, int y,
                                                    const char *text, int version, int level, int moduleSize);
PL_Utils_Position Utils_Page_ComputeQRCodePositionW(PL_Utils_Size page, int rotation, int x, int y,
                                                    const wchar_t *text, int version, int level, int moduleSize);

// Image; y is moved to its bottom row.
PL_Utils_Position Utils_Page_ComputeImagePosition(PL_Utils_Size page, int rotation, int x, int y, int width,
                                                  int height);

// CODE128 data with "{B" and "{C" code-set runs for the receipt barcode command.
// A malloc'ed buffer (the caller frees it) and its byte count through len; null
// for a null text or a failed allocation. A literal '{' is sent as "{{".
unsigned char *Utils_CODE128_EncodeDataAuto(const char *text, unsigned int *len);

#endif
