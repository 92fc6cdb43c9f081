// Barcode widths and pixel renderings over the linear barcode encoders.
// Types 0 to 29 (20, 25 and 27 and all others have no encoder and fail).
// Returned buffers are malloc'ed; the caller frees them.
#ifndef QUORVANE_BARCODE_RENDER_H
#define QUORVANE_BARCODE_RENDER_H

extern "C" {

// Symbol width in dots (plus the 60-dot quiet zones for ITF-14, type 28);
// 0 when the text is empty, longer than 200 bytes or not valid for the type.
int Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(int type, int unit, int unused, const char *text);

// Draws into the caller's 32-bit pixels (bufferSize in bytes) with the given
// background and foreground values. 1 when drawn, 0 otherwise (nothing written).
int Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(int type, int unit, int height, unsigned int background,
                                                unsigned int foreground, const char *text,
                                                unsigned int *buffer, int bufferSize, int *widthOut,
                                                int *heightOut);

// New 32-bit pixel buffer, background 0; null on failure.
unsigned int *Quorvane_NZBarcodeUtils_GetBarcodeRGBAData(int type, int unit, int unused, int height,
                                                         const char *text, unsigned int foreground,
                                                         int *widthOut, int *heightOut);

// New 24-bit RGB buffer, bars 00 00 00 on FF FF FF; null on failure.
unsigned char *Quorvane_NZBarcodeUtils_GetBarcodeRGBData(int type, int unit, int unused, int height,
                                                         const char *text, int *widthOut, int *heightOut);

} // extern "C"

#endif
