// Pixel formats and their reduction to 8-bit gray.
//
// Pixel format codes: 1 raster (1 bit, most significant bit leftmost, 1 black), 2 the same
// with the least significant bit leftmost, 3 8-bit gray, 4 R G B, 5 B G R, 6 A R G B,
// 7 R G B A, 8 A B G R, 9 B G R A.
#ifndef NZCOMMON_IMGPROCESS_GRAYCONV_H
#define NZCOMMON_IMGPROCESS_GRAYCONV_H

#include <cstddef>

enum {
    NZIMG_FORMAT_MONO_MSB = 1,
    NZIMG_FORMAT_MONO_LSB = 2,
    NZIMG_FORMAT_GRAY = 3,
    NZIMG_FORMAT_RGB = 4,
    NZIMG_FORMAT_BGR = 5,
    NZIMG_FORMAT_ARGB = 6,
    NZIMG_FORMAT_RGBA = 7,
    NZIMG_FORMAT_ABGR = 8,
    NZIMG_FORMAT_BGRA = 9
};

// Entry i is i with its eight bits in reverse order.
extern const unsigned char BitReverseTable256[256];

// Bytes a row of width pixels of the format occupies at least, or -1 for an unknown format.
long long NZImg_MinStride(int format, int width);

// New gray image of width * height bytes (stride width) from formats 3 to 9: luma
// 0.299 R + 0.587 G + 0.114 B truncated, alpha formats composited over white. Null for any
// other format, sizes of 0 or less, a stride smaller than a row, or a failed malloc.
unsigned char *Quorvane_ImgUtils_ConvertImageToGrayFormat(const unsigned char *pixels, int width, int height,
                                                          int stride, int format);

// Gray rows y0 .. y1 - 1 of pixels of format 3 to 9 (checked by the caller), row y0 to
// gray, the next one grayStride bytes further, and so on.
void NZGray_Rows(const unsigned char *pixels, int width, int stride, int format, int y0, int y1, unsigned char *gray,
                 size_t grayStride);

// New buffer of height * stride bytes with every byte bit-reversed (least significant bit
// leftmost becomes raster data). The width is not used.
unsigned char *Quorvane_ImgUtils_ConvertMonoImageToMonoLsbFormat(const unsigned char *pixels, int width, int height,
                                                                 int stride);

#endif
