// QR symbol widths and pixel renderings through libqrencode (8-bit byte mode).
// version: 0 picks the smallest that fits, 1 to 40 a fixed one; level: 0 L, 1 M,
// 2 Q, 3 H. Returned buffers are malloc'ed.
#ifndef QUORVANE_QR_RENDER_H
#define QUORVANE_QR_RENDER_H

extern "C" {

// Modules per side, 0 on failure.
int Quorvane_qrhelper_getqrcodewidth(const char *text, int version, int level);

// One 32-bit pixel per module into the caller's buffer (bufferSize in bytes).
// 1 when drawn, 0 otherwise (nothing written).
int Quorvane_NZQRCodeUtils_FillQRCodeRGBAData(const char *text, int version, int level, unsigned int background,
                                              unsigned int foreground, unsigned int *buffer, int bufferSize,
                                              int *widthOut, int *heightOut);

// New 8-bit gray image of side x side pixels (side = scale x width), modules
// 0x00 dark and 0xFF light; null on failure (scale of 0 or less included).
unsigned char *Quorvane_qrhelper_encode(const char *text, int version, int level, int scale, int *sideOut);

// Frees a buffer from Quorvane_qrhelper_encode.
void Quorvane_qrhelper_free(unsigned char *buffer);

} // extern "C"

#endif
