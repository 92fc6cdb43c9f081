#include "nzcommon/imgprocess/imgdecode.h"

#include <cstdlib>

#include "nzcommon/imgprocess/bmpread.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/stbdecode.h"

bool NZImg_Decode(const unsigned char *data, int size, NZDecodedImage *out)
{
    if (!out || !data || size <= 0)
        return false;
    int bits = 0, w = 0, h = 0, comp = 0;
    unsigned char *rgb = nzbmpreadrgb(data, static_cast<unsigned int>(size), &bits, &w, &h);
    const bool fromBmp = rgb != nullptr;
    if (!rgb)
        rgb = nzstb_DecodeRGB(data, size, &w, &h, &comp);
    if (!rgb)
        return false;
    free(out->rgb);
    out->rgb = rgb;
    out->width = w;
    out->height = h;
    out->bitsPerPixel = fromBmp ? bits : comp * 8;
    out->fromBmp = fromBmp;
    return true;
}

unsigned char *NZImg_ConvertDecoded(const NZDecodedImage &image, const unsigned char *data, int size, int dstWidth,
                                    int dstHeight, int method, int *outSize, int *outBytesPerLine)
{
    unsigned char *raster = Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(
        image.rgb, image.width, image.height, dstWidth, dstHeight, method, outSize, outBytesPerLine);
    if (!raster && image.fromBmp)
        raster = nzstb_ConvertImageDataToMonoFormat(data, size, dstWidth, dstHeight, method, outSize,
                                                    outBytesPerLine);
    return raster;
}
