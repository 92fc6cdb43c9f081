// Image conversion entries: decode, scale, gray, binarize.
#include "nzcommon/imgprocess/imgconvert.h"

#include <cstdlib>

#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/bmpread.h"
#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgdecode.h"
#include "nzcommon/imgprocess/imgfile.h"
#include "nzcommon/imgprocess/imgprobe.h"
#include "nzcommon/imgprocess/imgscale.h"
#include "nzcommon/imgprocess/imgsizes.h"
#include "nzcommon/imgprocess/monoformat.h"
#include "nzcommon/imgprocess/rasterdata.h"
#include "nzcommon/imgprocess/stbdecode.h"

namespace {

bool KnownMethod(int method)
{
    return method >= NZIMG_METHOD_DITHER && method <= NZIMG_METHOD_DIFFUSION;
}

bool TargetOk(int dstWidth, int dstHeight, int method)
{
    return dstWidth > 0 && dstHeight > 0 && KnownMethod(method);
}

} // namespace

unsigned char *Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(const unsigned char *rgb, int srcWidth,
                                                                  int srcHeight, int dstWidth, int dstHeight,
                                                                  int method, int *outSize, int *outBytesPerLine)
{
    int64_t srcBytes;
    if (!rgb || srcWidth <= 0 || srcHeight <= 0 || !TargetOk(dstWidth, dstHeight, method) ||
        !NZImg_MulSize3(srcWidth, srcHeight, 3, &srcBytes))
        return nullptr;
    if (srcWidth == dstWidth && srcHeight == dstHeight)
        return Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(rgb, srcWidth, srcHeight, srcWidth * 3,
                                                                NZIMG_FORMAT_RGB, method, outSize, outBytesPerLine);
    NZImgOwned<unsigned char> scaled(Quorvane_ImgUtils_ScaleRGB888Image(srcWidth, srcHeight, rgb, dstWidth, dstHeight));
    if (!scaled)
        return nullptr;
    return Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(scaled.get(), dstWidth, dstHeight, dstWidth * 3,
                                                            NZIMG_FORMAT_RGB, method, outSize, outBytesPerLine);
}

unsigned char *nzbmp_ConvertImageDataToMonoFormat(const unsigned char *data, int size, int dstWidth, int dstHeight,
                                                  int method, int *outSize, int *outBytesPerLine)
{
    if (!data || size <= 0 || !TargetOk(dstWidth, dstHeight, method))
        return nullptr;
    int bits = 0, w = 0, h = 0;
    NZImgOwned<unsigned char> rgb(nzbmpreadrgb(data, static_cast<unsigned int>(size), &bits, &w, &h));
    if (!rgb)
        return nullptr;
    return Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(rgb.get(), w, h, dstWidth, dstHeight, method, outSize,
                                                              outBytesPerLine);
}

unsigned char *nzstb_ConvertImageDataToMonoFormat(const unsigned char *data, int size, int dstWidth, int dstHeight,
                                                  int method, int *outSize, int *outBytesPerLine)
{
    if (!data || size <= 0 || !TargetOk(dstWidth, dstHeight, method))
        return nullptr;
    int w = 0, h = 0;
    NZImgOwned<unsigned char> rgb(nzstb_DecodeRGB(data, size, &w, &h, nullptr));
    if (!rgb)
        return nullptr;
    return Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(rgb.get(), w, h, dstWidth, dstHeight, method, outSize,
                                                              outBytesPerLine);
}

unsigned char *Quorvane_ImgUtils_ConvertImageDataToMonoFormat(const unsigned char *data, int size, int dstWidth,
                                                              int dstHeight, int method, int *outSize,
                                                              int *outBytesPerLine)
{
    unsigned char *raster =
        nzbmp_ConvertImageDataToMonoFormat(data, size, dstWidth, dstHeight, method, outSize, outBytesPerLine);
    if (!raster)
        raster = nzstb_ConvertImageDataToMonoFormat(data, size, dstWidth, dstHeight, method, outSize,
                                                    outBytesPerLine);
    return raster;
}

unsigned char *Quorvane_ImgUtils_ConvertImageFileToMonoFormat(const char *path, int dstWidth, int dstHeight,
                                                              int method, int *outSize, int *outBytesPerLine)
{
    if (!TargetOk(dstWidth, dstHeight, method))
        return nullptr;
    int size = 0;
    NZImgOwned<unsigned char> data(Quorvane_ImgUtils_ReadFile(path, &size));
    if (!data)
        return nullptr;
    return Quorvane_ImgUtils_ConvertImageDataToMonoFormat(data.get(), size, dstWidth, dstHeight, method, outSize,
                                                          outBytesPerLine);
}

unsigned char *Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(const unsigned char *data, int size,
                                                                          int method, int *outSize,
                                                                          int *outBytesPerLine, int *outWidth,
                                                                          int *outHeight)
{
    // The decoded picture gives the size the probe would report; it is decoded once.
    NZDecodedImage image;
    if (!KnownMethod(method) || !NZImg_Decode(data, size, &image))
        return nullptr;
    NZImg_Store(outWidth, image.width);
    NZImg_Store(outHeight, image.height);
    return NZImg_ConvertDecoded(image, data, size, image.width, image.height, method, outSize, outBytesPerLine);
}

unsigned char *Quorvane_ImgUtils_ConvertImageFileToMonoFormatWithoutScale(const char *path, int method, int *outSize,
                                                                          int *outBytesPerLine, int *outWidth,
                                                                          int *outBitsPerPixel)
{
    if (!KnownMethod(method))
        return nullptr;
    // One read and one decoding serve the probe and the conversion.
    int size = 0;
    NZImgOwned<unsigned char> data(Quorvane_ImgUtils_ReadFile(path, &size));
    if (!data)
        return nullptr;
    NZDecodedImage image;
    if (!NZImg_Decode(data.get(), size, &image))
        return nullptr;
    NZImg_Store(outWidth, image.width);
    NZImg_Store(outBitsPerPixel, image.bitsPerPixel);
    return NZImg_ConvertDecoded(image, data.get(), size, image.width, image.height, method, outSize, outBytesPerLine);
}

namespace {

// Column-major raster from the horizontal one that convert(bpl) gives.
template <typename Convert>
unsigned char *VerticalRaster(int dstWidth, int dstHeight, int method, int *outSize, int *outHeightBytes,
                              Convert convert)
{
    NZImg_Store(outSize, 0);
    NZImg_Store(outHeightBytes, 0);
    if (!TargetOk(dstWidth, dstHeight, method))
        return nullptr;
    int heightBytes = static_cast<int>(NZImg_BytesForDots(dstHeight));
    int64_t verticalSize;
    if (!NZImg_MulSize(dstWidth, heightBytes, &verticalSize))
        return nullptr;
    int bpl = 0;
    NZImgOwned<unsigned char> raster(convert(&bpl));
    if (!raster)
        return nullptr;
    NZImgOwned<unsigned char> dots(
        Quorvane_ImgUtils_ConvertHorizontalRasterImageToImage1(bpl, dstWidth, dstHeight, raster.get()));
    raster.reset();
    if (!dots)
        return nullptr;
    NZImg_Store(outSize, static_cast<int>(verticalSize));
    NZImg_Store(outHeightBytes, heightBytes);
    return Quorvane_ImgUtils_ConvertImage1ToVerticalRasterImageSpecifyDstWidthDotsAndHeightBytes(
        dstWidth, dstHeight, dots.get(), dstWidth, heightBytes);
}

} // namespace

unsigned char *Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(const unsigned char *data, int size,
                                                                       int dstWidth, int dstHeight, int method,
                                                                       int *outSize, int *outHeightBytes)
{
    return VerticalRaster(dstWidth, dstHeight, method, outSize, outHeightBytes, [&](int *bpl) {
        return Quorvane_ImgUtils_ConvertImageDataToMonoFormat(data, size, dstWidth, dstHeight, method, nullptr, bpl);
    });
}

unsigned char *Quorvane_ImgUtils_ConvertImageFileToVerticalRasterImage(const char *path, int dstWidth, int dstHeight,
                                                                       int method, int *outSize, int *outHeightBytes)
{
    if (!TargetOk(dstWidth, dstHeight, method))
        return nullptr;
    int size = 0;
    NZImgOwned<unsigned char> data(Quorvane_ImgUtils_ReadFile(path, &size));
    if (!data) {
        NZImg_Store(outSize, 0);
        NZImg_Store(outHeightBytes, 0);
        return nullptr;
    }
    return Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(data.get(), size, dstWidth, dstHeight, method,
                                                                   outSize, outHeightBytes);
}

unsigned char *Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImageWithoutScale(const unsigned char *data,
                                                                                   int size, int method, int *outSize,
                                                                                   int *outHeightBytes, int *outWidth,
                                                                                   int *outBitsPerPixel)
{
    NZDecodedImage image;
    if (!KnownMethod(method) || !NZImg_Decode(data, size, &image))
        return nullptr;
    NZImg_Store(outWidth, image.width);
    NZImg_Store(outBitsPerPixel, image.bitsPerPixel);
    return VerticalRaster(image.width, image.height, method, outSize, outHeightBytes, [&](int *bpl) {
        return NZImg_ConvertDecoded(image, data, size, image.width, image.height, method, nullptr, bpl);
    });
}

unsigned char *Quorvane_ImgUtils_ConvertImageFileToVerticalRasterImageWithoutScale(const char *path, int method,
                                                                                   int *outSize, int *outHeightBytes,
                                                                                   int *outWidth,
                                                                                   int *outBitsPerPixel)
{
    if (!KnownMethod(method))
        return nullptr;
    int size = 0;
    NZImgOwned<unsigned char> data(Quorvane_ImgUtils_ReadFile(path, &size));
    if (!data)
        return nullptr;
    return Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImageWithoutScale(
        data.get(), size, method, outSize, outHeightBytes, outWidth, outBitsPerPixel);
}

unsigned char *Quorvane_ImgUtils_ConvertImageDataToHorizontalRasterImageWithoutScale(
    const unsigned char *data, int size, int method, int widthMultiple, int lineMultiple, int *outSize,
    int *outBytesPerLine, int *outWidthDots, int *outLines)
{
    if (widthMultiple <= 0 || lineMultiple <= 0)
        return nullptr;
    int bpl = 0, w = 0, h = 0;
    NZImgOwned<unsigned char> raster(
        Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(data, size, method, nullptr, &bpl, &w, &h));
    if (!raster)
        return nullptr;
    int64_t widthDots = (static_cast<int64_t>(bpl) * 8 + widthMultiple - 1) / widthMultiple * widthMultiple;
    int64_t lines = (static_cast<int64_t>(h) + lineMultiple - 1) / lineMultiple * lineMultiple;
    int64_t alignedBpl = NZImg_BytesForDots(widthDots);
    int64_t alignedSize;
    unsigned char *aligned = nullptr;
    if (widthDots <= INT_MAX && lines <= INT_MAX && NZImg_MulSize(alignedBpl, lines, &alignedSize)) {
        aligned = Quorvane_ImgUtils_GetAlignedHorizontalRasterImageData(raster.get(), bpl, h,
                                                                        static_cast<int>(alignedBpl),
                                                                        static_cast<int>(lines), 0);
    }
    raster.reset();
    if (!aligned)
        return nullptr;
    NZImg_Store(outSize, static_cast<int>(alignedSize));
    NZImg_Store(outBytesPerLine, static_cast<int>(alignedBpl));
    NZImg_Store(outWidthDots, static_cast<int>(widthDots));
    NZImg_Store(outLines, static_cast<int>(lines));
    return aligned;
}

unsigned char *Quorvane_ImgUtils_GetBGRA8888ImageFromRGB888Image(const unsigned char *rgb, int width, int height,
                                                                 int stride)
{
    int64_t size;
    if (!rgb || width <= 0 || height <= 0 || stride < 3LL * width || !NZImg_MulSize3(width, height, 4, &size))
        return nullptr;
    unsigned char *bgra = static_cast<unsigned char *>(NZImg_Alloc(static_cast<size_t>(size)));
    if (!bgra)
        return nullptr;
    unsigned char *out = bgra;
    for (int y = 0; y < height; ++y) {
        const unsigned char *p = rgb + static_cast<int64_t>(y) * stride;
        for (int x = 0; x < width; ++x, p += 3, out += 4) {
            out[0] = p[2];
            out[1] = p[1];
            out[2] = p[0];
            out[3] = 0xFF;
        }
    }
    return bgra;
}
