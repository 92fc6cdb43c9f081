// Binarization of 8-bit gray images into raster data (bytesPerLine = (width + 7) / 8).
// Method codes: 0 ordered dither, 1 mean threshold, 2 error diffusion.
//
// Each function returns a new malloc'ed raster and stores bytesPerLine and the raster size
// through the outputs that are not null; null (outputs untouched) for sizes of 0 or less, a
// stride smaller than the width, sizes beyond int, or a failed allocation.
#ifndef NZCOMMON_IMGPROCESS_BINARIZE_H
#define NZCOMMON_IMGPROCESS_BINARIZE_H

enum { NZIMG_METHOD_DITHER = 0, NZIMG_METHOD_THRESHOLD = 1, NZIMG_METHOD_DIFFUSION = 2 };

// Threshold matrix of the ordered dither, [row][column]: the recursive Bayer matrix with
// entry [15][0] = 254.
extern const unsigned char Floyd16x16[16][16];

// Pixels of format 3 to 9 (see grayconv.h) reduced to gray and binarized by the method, as
// the gray conversion followed by the function of the method would do: the same bytes and
// outputs, the same refusals. Rows are shared out over the cores where they are
// independent; the gray rows of error diffusion are converted ahead of it.
unsigned char *NZImg_BinarizePixels(const unsigned char *pixels, int width, int height, int stride, int format,
                                    int method, int *outSize, int *outBytesPerLine);

// Error diffusion uses SSE4.1's blend where the processor has it; true keeps the plain
// path everywhere (tests compare the two). The bytes are the same either way.
void NZImg_UseGenericDiffusion(bool generic);

// By method code; null for an unknown method.
unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(const unsigned char *gray, int width, int height,
                                                              int stride, int method, int *outSize,
                                                              int *outBytesPerLine);

// Black where gray <= Floyd16x16[y % 16][x % 16].
unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseDithering(const unsigned char *gray, int width,
                                                                          int height, int stride, int *outSize,
                                                                          int *outBytesPerLine);

// Black where gray < the mean gray of the image.
unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseThresholding(const unsigned char *gray, int width,
                                                                             int height, int stride, int *outSize,
                                                                             int *outBytesPerLine);

// Serpentine error diffusion over two rows ahead (weights 6 4 / 3 5 6 5 3 / 1 3 4 3 1, over
// 44) in double precision; black where the value reached is below 128.
unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2(const unsigned char *gray, int width,
                                                                                 int height, int stride,
                                                                                 int *outSize, int *outBytesPerLine);

// Floyd-Steinberg diffusion in integers (7, 3, 5, 1 sixteenths, clamped to 0..255).
unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusion(const unsigned char *gray, int width,
                                                                               int height, int stride, int *outSize,
                                                                               int *outBytesPerLine);

#endif
