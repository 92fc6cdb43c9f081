// Dispatch from pixel format to raster data.
#include "nzcommon/imgprocess/monoformat.h"

#include <cstdlib>

#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/imgsizes.h"
#include "nzcommon/imgprocess/rasterdata.h"

unsigned char *Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(const unsigned char *pixels, int width, int height,
                                                                int stride, int format, int method, int *outSize,
                                                                int *outBytesPerLine)
{
    long long minStride = NZImg_MinStride(format, width);
    if (!pixels || width <= 0 || height <= 0 || minStride < 0 || stride < minStride)
        return nullptr;
    if (format == NZIMG_FORMAT_MONO_MSB || format == NZIMG_FORMAT_MONO_LSB) {
        int64_t size;
        if (!NZImg_MulSize(height, stride, &size))
            return nullptr;
        unsigned char *raster = format == NZIMG_FORMAT_MONO_MSB
                                    ? Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(stride, width, height, pixels, 0)
                                    : Quorvane_ImgUtils_ConvertMonoImageToMonoLsbFormat(pixels, width, height, stride);
        if (raster) {
            NZImg_Store(outSize, static_cast<int>(size));
            NZImg_Store(outBytesPerLine, stride);
        }
        return raster;
    }
    if (method < NZIMG_METHOD_DITHER || method > NZIMG_METHOD_DIFFUSION)
        return nullptr;
    return NZImg_BinarizePixels(pixels, width, height, stride, format, method, outSize, outBytesPerLine);
}
