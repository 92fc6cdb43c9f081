// Copies and reshapes of packed 1-bit raster data.
#include "nzcommon/imgprocess/rasterdata.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgsizes.h"

namespace {

// Forces every bit of one row from column widthDots to the row's end (rowBytes bytes).
void ForceRowTail(unsigned char *row, int64_t rowBytes, int64_t widthDots, bool set)
{
    int64_t first = widthDots / 8;
    if (first >= rowBytes)
        return;
    int partial = static_cast<int>(widthDots % 8);
    if (partial != 0) {
        unsigned char mask = static_cast<unsigned char>(0xFF >> partial);
        row[first] = set ? static_cast<unsigned char>(row[first] | mask) : static_cast<unsigned char>(row[first] & ~mask);
        ++first;
    }
    if (first < rowBytes)
        memset(row + first, set ? 0xFF : 0x00, static_cast<size_t>(rowBytes - first));
}

// Checks the common raster arguments and gives bytesPerLine * lines.
bool RasterBytes(int bytesPerLine, int lines, const void *data, int64_t *total)
{
    return data && bytesPerLine > 0 && lines > 0 && NZImg_MulSize(bytesPerLine, lines, total);
}

} // namespace

unsigned char *Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(int bytesPerLine, int widthDots, int lines,
                                                               const unsigned char *src, int value)
{
    int64_t total;
    if (!RasterBytes(bytesPerLine, lines, src, &total) || widthDots < 0)
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(malloc(static_cast<size_t>(total)));
    if (!dst)
        return nullptr;
    memcpy(dst, src, static_cast<size_t>(total));
    bool set = (value & 0xFF) != 0;
    if (static_cast<int64_t>(widthDots) < static_cast<int64_t>(bytesPerLine) * 8) {
        for (int y = 0; y < lines; ++y)
            ForceRowTail(dst + static_cast<int64_t>(y) * bytesPerLine, bytesPerLine, widthDots, set);
    }
    return dst;
}

unsigned char *Quorvane_ImgUtils_DumpRasterDataToWiderStrideAndSetOverbound(int srcBytesPerLine, int widthDots,
                                                                            int lines, const unsigned char *src,
                                                                            int dstBytesPerLine, int value)
{
    int64_t srcTotal, dstTotal;
    if (!RasterBytes(srcBytesPerLine, lines, src, &srcTotal) || dstBytesPerLine < srcBytesPerLine ||
        widthDots < 0 || static_cast<int64_t>(widthDots) > static_cast<int64_t>(srcBytesPerLine) * 8 ||
        !NZImg_MulSize(dstBytesPerLine, lines, &dstTotal))
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(malloc(static_cast<size_t>(dstTotal)));
    if (!dst)
        return nullptr;
    bool set = (value & 0xFF) != 0;
    for (int y = 0; y < lines; ++y) {
        unsigned char *row = dst + static_cast<int64_t>(y) * dstBytesPerLine;
        memcpy(row, src + static_cast<int64_t>(y) * srcBytesPerLine, static_cast<size_t>(srcBytesPerLine));
        if (dstBytesPerLine > srcBytesPerLine)
            memset(row + srcBytesPerLine, 0, static_cast<size_t>(dstBytesPerLine - srcBytesPerLine));
        ForceRowTail(row, dstBytesPerLine, widthDots, set);
    }
    return dst;
}

namespace {

// Expands each dot of the raster to one byte: black or white value.
unsigned char *ExpandDots(int bytesPerLine, int widthDots, int lines, const unsigned char *raster,
                          unsigned char black, unsigned char white)
{
    int64_t total, srcTotal;
    if (!RasterBytes(bytesPerLine, lines, raster, &srcTotal) || widthDots <= 0 ||
        static_cast<int64_t>(widthDots) > static_cast<int64_t>(bytesPerLine) * 8 ||
        !NZImg_MulSize(widthDots, lines, &total))
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(malloc(static_cast<size_t>(total)));
    if (!dst)
        return nullptr;
    unsigned char *out = dst;
    for (int y = 0; y < lines; ++y) {
        const unsigned char *row = raster + static_cast<int64_t>(y) * bytesPerLine;
        for (int x = 0; x < widthDots; ++x)
            *out++ = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? black : white;
    }
    return dst;
}

} // namespace

unsigned char *Quorvane_ImgUtils_ConvertHorizontalRasterImageToImage1(int bytesPerLine, int widthDots, int lines,
                                                                      const unsigned char *raster)
{
    return ExpandDots(bytesPerLine, widthDots, lines, raster, 1, 0);
}

unsigned char *Quorvane_ImgUtils_ConvertHorizontalRasterImageToGrayImage(int bytesPerLine, int widthDots, int lines,
                                                                         const unsigned char *raster)
{
    return ExpandDots(bytesPerLine, widthDots, lines, raster, 0x00, 0xFF);
}

unsigned char *Quorvane_ImgUtils_ConvertImage1ToVerticalRasterImageSpecifyDstWidthDotsAndHeightBytes(
    int srcWidth, int srcHeight, const unsigned char *image1, int dstWidthDots, int dstHeightBytes)
{
    int64_t srcTotal, dstTotal;
    if (!image1 || srcWidth <= 0 || srcHeight <= 0 || dstWidthDots <= 0 || dstHeightBytes <= 0 ||
        !NZImg_MulSize(srcWidth, srcHeight, &srcTotal) || !NZImg_MulSize(dstWidthDots, dstHeightBytes, &dstTotal))
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(calloc(static_cast<size_t>(dstTotal), 1));
    if (!dst)
        return nullptr;
    int64_t rows = static_cast<int64_t>(dstHeightBytes) * 8;
    if (rows > srcHeight)
        rows = srcHeight;
    int cols = dstWidthDots < srcWidth ? dstWidthDots : srcWidth;
    for (int64_t y = 0; y < rows; ++y) {
        const unsigned char *row = image1 + y * srcWidth;
        unsigned char bit = static_cast<unsigned char>(0x80 >> (y & 7));
        unsigned char *col = dst + y / 8;
        for (int x = 0; x < cols; ++x, col += dstHeightBytes) {
            if (row[x])
                *col |= bit;
        }
    }
    return dst;
}

unsigned char *Quorvane_ImgUtils_GetAlignedHorizontalRasterImageData(const unsigned char *src, int srcBytesPerLine,
                                                                     int lines, int dstBytesPerLine, int dstLines,
                                                                     int fill)
{
    int64_t srcTotal, dstTotal;
    if (!RasterBytes(srcBytesPerLine, lines, src, &srcTotal) || dstBytesPerLine < srcBytesPerLine ||
        dstLines < lines || !NZImg_MulSize(dstBytesPerLine, dstLines, &dstTotal))
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(malloc(static_cast<size_t>(dstTotal)));
    if (!dst)
        return nullptr;
    memset(dst, fill & 0xFF, static_cast<size_t>(dstTotal));
    for (int y = 0; y < lines; ++y)
        memcpy(dst + static_cast<int64_t>(y) * dstBytesPerLine, src + static_cast<int64_t>(y) * srcBytesPerLine,
               static_cast<size_t>(srcBytesPerLine));
    return dst;
}
