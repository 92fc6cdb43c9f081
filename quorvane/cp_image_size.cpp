#include "quorvane/cp_image_size.h"

#include <climits>
#include <cstdint>
#include <cstdlib>

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgdecode.h"
#include "nzcommon/imgprocess/imgfile.h"

#include "nzcommon/imgprocess/grayconv.h"

bool ApplyImageSizeRule(int imageWidth, int imageHeight, int &width, int &height)
{
    if (imageWidth > 0 && imageHeight > 0) {
        const int64_t iw = imageWidth;
        const int64_t ih = imageHeight;
        if (width <= 0 && height <= 0) {
            width = imageWidth;
            height = imageHeight;
        } else if (width <= 0) {
            const int64_t w = static_cast<int64_t>(height) * iw / ih;
            if (w > INT_MAX)
                return false;
            width = static_cast<int>(w);
        } else if (height <= 0) {
            const int64_t h = static_cast<int64_t>(width) * ih / iw;
            if (h > INT_MAX)
                return false;
            height = static_cast<int>(h);
        }
    }
    return width > 0 && height > 0;
}

bool PixelImageFits(long long dataLength, int width, int height, int stride, int format)
{
    const long long minStride = NZImg_MinStride(format, width);
    if (dataLength < 0 || width <= 0 || height <= 0 || minStride <= 0 || stride < minStride)
        return false;
    const bool mono = format == NZIMG_FORMAT_MONO_MSB || format == NZIMG_FORMAT_MONO_LSB;
    const long long needed =
        static_cast<long long>(height - 1) * stride + (mono ? static_cast<long long>(stride) : minStride);
    return dataLength >= needed;
}

unsigned char *ConvertImageForPrint(const char *path, const unsigned char *data, int size, int &width, int &height,
                                    int method, int *bytesPerLine)
{
    NZImgOwned<unsigned char> file;
    if (path) {
        file.reset(Quorvane_ImgUtils_ReadFile(path, &size));
        if (!file)
            return nullptr;
        data = file.get();
    }
    NZDecodedImage image;
    if (!data || size <= 0 || !NZImg_Decode(data, size, &image) ||
        !ApplyImageSizeRule(image.width, image.height, width, height))
        return nullptr;
    int rasterSize = 0;
    return NZImg_ConvertDecoded(image, data, size, width, height, method, &rasterSize, bytesPerLine);
}
