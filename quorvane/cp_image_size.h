// The image size rule and the pixel-buffer rule shared by the receipt, page-mode, label
// and image calls.
#ifndef QUORVANE_CP_IMAGE_SIZE_H
#define QUORVANE_CP_IMAGE_SIZE_H

// Fills in a width or height the caller left at 0 or less from the image's own aspect
// ratio (both at 0 or less: the image's own size). Computed in 64 bits; true when both
// sides end up above 0 and within an int.
bool ApplyImageSizeRule(int imageWidth, int imageHeight, int &width, int &height);

// True when a pixel image of the shape lies wholly inside dataLength bytes: width and
// height above 0, a known format, a stride of at least one row, and height rows of that
// stride, the last one only up to its pixels (the 1-bit formats need the whole stride of
// every row, they are copied row by row). Computed in 64 bits.
bool PixelImageFits(long long dataLength, int width, int height, int stride, int format);

// Raster data of an image file (path) or of its bytes (data, size; path null) at the size
// the rule above gives for width and height, which are updated: the file is read once and
// the picture decoded once, and the same picture gives the size and the dots. Null when
// the file cannot be read whole, no decoder accepts the bytes, the size rule fails or the
// conversion fails (unknown method included); *bytesPerLine gets the raster's row length.
unsigned char *ConvertImageForPrint(const char *path, const unsigned char *data, int size, int &width, int &height,
                                    int method, int *bytesPerLine);

#endif
