// Image size probes over the BMP reader and stb_image.
#include "nzcommon/imgprocess/imgprobe.h"

#include <cstdlib>

#include "nzcommon/imgprocess/bmpread.h"
#include "nzcommon/imgprocess/imgfile.h"
#include "nzcommon/imgprocess/stbdecode.h"

int nzstb_GetImageSizeFromData(const unsigned char *data, int size, int *bitsPerPixel, int *width, int *height)
{
    int w = 0, h = 0, comp = 0;
    unsigned char *pixels = nzstb_DecodeRGB(data, size, &w, &h, &comp);
    if (bitsPerPixel)
        *bitsPerPixel = comp * 8;
    if (width)
        *width = w;
    if (height)
        *height = h;
    if (!pixels)
        return 0;
    free(pixels);
    return 1;
}

int Quorvane_ImgUtils_GetImageSizeFromData(const unsigned char *data, int size, int *bitsPerPixel, int *width,
                                           int *height)
{
    if (nzbmp_GetImageSizeFromData(data, size, bitsPerPixel, width, height))
        return 1;
    return nzstb_GetImageSizeFromData(data, size, bitsPerPixel, width, height);
}

namespace {

int ProbeFile(const char *path, int (*probe)(const unsigned char *, int, int *, int *, int *), int *bitsPerPixel,
              int *width, int *height)
{
    int size = 0;
    unsigned char *data = Quorvane_ImgUtils_ReadFile(path, &size);
    if (!data)
        return 0;
    int ok = probe(data, size, bitsPerPixel, width, height);
    free(data);
    return ok;
}

} // namespace

int nzbmp_GetImageSizeFromFile(const char *path, int *bitsPerPixel, int *width, int *height)
{
    return ProbeFile(path, nzbmp_GetImageSizeFromData, bitsPerPixel, width, height);
}

int nzstb_GetImageSizeFromFile(const char *path, int *bitsPerPixel, int *width, int *height)
{
    return ProbeFile(path, nzstb_GetImageSizeFromData, bitsPerPixel, width, height);
}

int Quorvane_ImgUtils_GetImageSizeFromFile(const char *path, int *bitsPerPixel, int *width, int *height)
{
    // One read serves both probes: the same bytes as reading the file once per probe.
    return ProbeFile(path, Quorvane_ImgUtils_GetImageSizeFromData, bitsPerPixel, width, height);
}
