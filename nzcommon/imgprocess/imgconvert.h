// Image conversion entries: encoded images (files or their bytes) to printable raster data.
// Decoding tries the own BMP reader first and stb_image second; images are scaled
// bicubically to the target size, reduced to gray and binarized by the method code
// (0 ordered dither, 1 mean threshold, 2 error diffusion). Every result is a new malloc'ed
// buffer; every failure is null. Outputs may be null.
#ifndef NZCOMMON_IMGPROCESS_IMGCONVERT_H
#define NZCOMMON_IMGPROCESS_IMGCONVERT_H

// RGB888 pixels (stride srcWidth * 3) to raster data of the target size.
unsigned char *Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(const unsigned char *rgb, int srcWidth,
                                                                  int srcHeight, int dstWidth, int dstHeight,
                                                                  int method, int *outSize, int *outBytesPerLine);

// The BMP path and the stb_image path of the data entry.
unsigned char *nzbmp_ConvertImageDataToMonoFormat(const unsigned char *data, int size, int dstWidth, int dstHeight,
                                                  int method, int *outSize, int *outBytesPerLine);
unsigned char *nzstb_ConvertImageDataToMonoFormat(const unsigned char *data, int size, int dstWidth, int dstHeight,
                                                  int method, int *outSize, int *outBytesPerLine);

// Encoded image to raster data of the target size: the BMP path, else the stb_image path.
unsigned char *Quorvane_ImgUtils_ConvertImageDataToMonoFormat(const unsigned char *data, int size, int dstWidth,
                                                              int dstHeight, int method, int *outSize,
                                                              int *outBytesPerLine);
unsigned char *Quorvane_ImgUtils_ConvertImageFileToMonoFormat(const char *path, int dstWidth, int dstHeight,
                                                              int method, int *outSize, int *outBytesPerLine);

// At the image's own size; a failed size probe writes no output.
unsigned char *Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(const unsigned char *data, int size,
                                                                          int method, int *outSize,
                                                                          int *outBytesPerLine, int *outWidth,
                                                                          int *outHeight);
unsigned char *Quorvane_ImgUtils_ConvertImageFileToMonoFormatWithoutScale(const char *path, int method, int *outSize,
                                                                          int *outBytesPerLine, int *outWidth,
                                                                          int *outBitsPerPixel);

// Column-major raster: dstWidth columns of (dstHeight + 7) / 8 bytes, top dot in the most
// significant bit. On a failed conversion *outSize and *outHeightBytes become 0.
unsigned char *Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(const unsigned char *data, int size,
                                                                       int dstWidth, int dstHeight, int method,
                                                                       int *outSize, int *outHeightBytes);
unsigned char *Quorvane_ImgUtils_ConvertImageFileToVerticalRasterImage(const char *path, int dstWidth, int dstHeight,
                                                                       int method, int *outSize, int *outHeightBytes);
unsigned char *Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImageWithoutScale(const unsigned char *data,
                                                                                   int size, int method, int *outSize,
                                                                                   int *outHeightBytes, int *outWidth,
                                                                                   int *outBitsPerPixel);
unsigned char *Quorvane_ImgUtils_ConvertImageFileToVerticalRasterImageWithoutScale(const char *path, int method,
                                                                                   int *outSize, int *outHeightBytes,
                                                                                   int *outWidth,
                                                                                   int *outBitsPerPixel);

// Raster data at the image's own size padded with white to a width that is a multiple of
// widthMultiple dots (counted from the raster's byte width) and a line count that is a
// multiple of lineMultiple. Multiples of 0 or less are refused.
unsigned char *Quorvane_ImgUtils_ConvertImageDataToHorizontalRasterImageWithoutScale(
    const unsigned char *data, int size, int method, int widthMultiple, int lineMultiple, int *outSize,
    int *outBytesPerLine, int *outWidthDots, int *outLines);

// New BGRA8888 image (alpha 255) of width * height * 4 bytes from RGB888 rows of stride bytes.
unsigned char *Quorvane_ImgUtils_GetBGRA8888ImageFromRGB888Image(const unsigned char *rgb, int width, int height,
                                                                 int stride);

#endif
