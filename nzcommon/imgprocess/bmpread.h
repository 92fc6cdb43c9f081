// Own reader for uncompressed BMP files (1, 4, 8 and 24 bits, info header of 40 bytes or
// more). Everything else is left to stb_image.
#ifndef NZCOMMON_IMGPROCESS_BMPREAD_H
#define NZCOMMON_IMGPROCESS_BMPREAD_H

// New malloc'ed RGB888 image (top-down, stride width * 3) or null. Every header field, the
// palette and every row are checked against the data size before anything is allocated.
// The outputs (each may be null) are written only on success; the height is positive.
unsigned char *nzbmpreadrgb(const unsigned char *data, unsigned int size, int *bitCount, int *width, int *height);

// 1 and the bit count, width and absolute height when nzbmpreadrgb would decode the data,
// else 0 with the outputs untouched.
int nzbmp_GetImageSizeFromData(const unsigned char *data, int size, int *bitsPerPixel, int *width, int *height);

#endif
