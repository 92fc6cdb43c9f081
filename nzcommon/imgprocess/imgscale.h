// Bicubic scaling of RGB888 and BGRA8888 images, in double precision.
#ifndef NZCOMMON_IMGPROCESS_IMGSCALE_H
#define NZCOMMON_IMGPROCESS_IMGSCALE_H

// New malloc'ed image of dstWidth * dstHeight * 3 bytes scaled from the source (stride
// srcWidth * 3); null when a size is 0 or less, the sizes overflow, or malloc fails.
unsigned char *Quorvane_ImgUtils_ScaleRGB888Image(int srcWidth, int srcHeight, const unsigned char *src, int dstWidth,
                                                  int dstHeight);

// The same on four channels B, G, R, A (stride width * 4); neighbours beyond the image edge
// lend their colour with alpha 0.
unsigned char *Quorvane_ImgUtils_ScaleBGRA8888Image(int srcWidth, int srcHeight, const unsigned char *src,
                                                    int dstWidth, int dstHeight);

// The bicubic kernel with a = -1.
double Quorvane_ImgUtils_SinXDivX(double t);

// A channel sum rounded to a byte: 0 at or below 0, 255 at or above 255, else truncated.
unsigned char Quorvane_ImgUtils_border_color(double t);

#endif
