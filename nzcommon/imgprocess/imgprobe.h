// Image size probes: 1 with bits per pixel, width and height when the image decodes, else 0.
#ifndef NZCOMMON_IMGPROCESS_IMGPROBE_H
#define NZCOMMON_IMGPROCESS_IMGPROBE_H

// stb_image probe: channels in file * 8, width and height as stb_image reported them; the
// outputs (each may be null) are written also on failure, 0 when nothing was reported.
int nzstb_GetImageSizeFromData(const unsigned char *data, int size, int *bitsPerPixel, int *width, int *height);

// The BMP probe first, the stb_image probe when it fails.
int Quorvane_ImgUtils_GetImageSizeFromData(const unsigned char *data, int size, int *bitsPerPixel, int *width,
                                           int *height);

// The same probes on a whole file.
int nzbmp_GetImageSizeFromFile(const char *path, int *bitsPerPixel, int *width, int *height);
int nzstb_GetImageSizeFromFile(const char *path, int *bitsPerPixel, int *width, int *height);
int Quorvane_ImgUtils_GetImageSizeFromFile(const char *path, int *bitsPerPixel, int *width, int *height);

#endif
