#include "printer/NZSymbolImaging.h"

#include <climits>
#include <cstddef>

#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/monoformat.h"
#include "nzcommon/imgprocess/rasterdata.h"

unsigned char *NZSym_CopyRasterClearingPadding(const unsigned char *raster, unsigned int bytesPerLine,
                                               unsigned int widthDots, unsigned int lines)
{
    if (!raster || bytesPerLine == 0 || lines == 0)
        return nullptr;
    if (bytesPerLine > INT_MAX / 8 || lines > INT_MAX / bytesPerLine)
        return nullptr;
    // A width past the row's end has no padding to clear.
    const unsigned int rowDots = bytesPerLine * 8;
    if (widthDots > rowDots)
        widthDots = rowDots;
    return Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(static_cast<int>(bytesPerLine), static_cast<int>(widthDots),
                                                           static_cast<int>(lines), raster, 0);
}

unsigned char *NZSym_ConvertPixels(const unsigned char *pixels, int width, int height, int stride, int format,
                                   int binarization, int *bytesPerLine)
{
    if (!pixels || width <= 0 || height <= 0 || stride <= 0)
        return nullptr;
    int size = 0;
    return Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(pixels, width, height, stride, format, binarization,
                                                            &size, bytesPerLine);
}

unsigned char *NZSym_ConvertData(const unsigned char *data, int size, int width, int height, int binarization,
                                 int *bytesPerLine)
{
    if (!data || size <= 0 || width <= 0 || height <= 0)
        return nullptr;
    int rasterSize = 0;
    return Quorvane_ImgUtils_ConvertImageDataToMonoFormat(data, size, width, height, binarization, &rasterSize,
                                                          bytesPerLine);
}

unsigned char *NZSym_ConvertFile(const char *path, int width, int height, int binarization, int *bytesPerLine)
{
    if (!path || width <= 0 || height <= 0)
        return nullptr;
    int rasterSize = 0;
    return Quorvane_ImgUtils_ConvertImageFileToMonoFormat(path, width, height, binarization, &rasterSize,
                                                          bytesPerLine);
}
