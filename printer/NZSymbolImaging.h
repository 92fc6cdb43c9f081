// Bridges the command writers to the imaging code: argument checks in front of the raster
// copy and the image conversions, so bad sizes or pointers fail here instead of reaching
// size arithmetic. Every buffer returned is malloc'ed and freed by the caller.
#ifndef QUORVANE_PRINTER_NZSYMBOLIMAGING_H
#define QUORVANE_PRINTER_NZSYMBOLIMAGING_H

// Copy of bytesPerLine * lines raster bytes with every bit from column widthDots to the end
// of each row cleared; null for a null raster, a zero size, a copy beyond int or a failed malloc.
unsigned char *NZSym_CopyRasterClearingPadding(const unsigned char *raster, unsigned int bytesPerLine,
                                               unsigned int widthDots, unsigned int lines);

// Raster data from a pixel array (pixel format and binarization codes of the imaging code);
// *bytesPerLine receives the raster's row length. Null on bad arguments or failure.
unsigned char *NZSym_ConvertPixels(const unsigned char *pixels, int width, int height, int stride, int format,
                                   int binarization, int *bytesPerLine);
// Raster data from an encoded image held in memory, scaled to width x height.
unsigned char *NZSym_ConvertData(const unsigned char *data, int size, int width, int height, int binarization,
                                 int *bytesPerLine);
// Raster data from an image file, scaled to width x height.
unsigned char *NZSym_ConvertFile(const char *path, int width, int height, int binarization, int *bytesPerLine);

#endif
