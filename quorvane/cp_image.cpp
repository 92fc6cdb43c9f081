// JBIG compression of pixel images and decoding back to pixels, without a printer.
#include <climits>
#include <cstdint>

#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/jbigcodec.h"
#include "quorvane/Boundary.h"
#include "quorvane/cp_image_size.h"
#include "quorvane/quorvane.h"

namespace {

// A data length of 0 is "not given": the image is then taken from width, height and
// stride alone (the converters refuse shapes they cannot take). Any other length must
// hold every row.
bool LengthFits(long long dataLength, int width, int height, int stride, int format)
{
    return dataLength == 0 || PixelImageFits(dataLength, width, height, stride, format);
}

int CapLength(long long length)
{
    return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

void Clear(int *width, int *height)
{
    if (width)
        *width = 0;
    if (height)
        *height = 0;
}

} // namespace

extern "C" CP_API int CP_Image_GetCompressToJBIGDataLength(const unsigned char *pixels, long long data_length,
                                                           int width, int height, int bytes_per_line, int format,
                                                           int method)
{
    return AtBoundary(0, [&]() -> int {
        if (!pixels || !LengthFits(data_length, width, height, bytes_per_line, format))
            return 0;
        return Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataLength(pixels, CapLength(data_length), width, height,
                                                                       bytes_per_line, format, method);
    });
}

extern "C" CP_API int CP_Image_GetCompressToJBIGDataBytes(const unsigned char *pixels, long long data_length,
                                                          int width, int height, int bytes_per_line, int format,
                                                          int method, unsigned char *out, long long out_capacity)
{
    return AtBoundary(0, [&]() -> int {
        if (!pixels || !out || out_capacity <= 0 || !LengthFits(data_length, width, height, bytes_per_line, format))
            return 0;
        return Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataBytes(pixels, CapLength(data_length), width, height,
                                                                      bytes_per_line, format, method, out,
                                                                      CapLength(out_capacity));
    });
}

extern "C" CP_API int CP_Image_DecodeImageSizeFromJBIGData(const unsigned char *data, long long data_length,
                                                           int *width_out, int *height_out)
{
    return AtBoundary(0, [&]() -> int {
        Clear(width_out, height_out);
        if (!data || data_length <= 0)
            return 0;
        int w = 0, h = 0;
        if (!Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(data, CapLength(data_length), &w, &h))
            return 0;
        if (width_out)
            *width_out = w;
        if (height_out)
            *height_out = h;
        return 1;
    });
}

extern "C" CP_API int CP_Image_DecodeRGBAImageFromJBIGData(const unsigned char *data, long long data_length,
                                                           unsigned int zero_value, unsigned int one_value,
                                                           unsigned int *pixels, int *width_out, int *height_out)
{
    return AtBoundary(0, [&]() -> int {
        Clear(width_out, height_out);
        if (!data || data_length <= 0 || !pixels)
            return 0;
        int w = 0, h = 0;
        if (!Quorvane_ImgUtils_DecodeRGBAImageFromJBIGData(data, CapLength(data_length), zero_value, one_value, pixels,
                                                           &w, &h))
            return 0;
        if (width_out)
            *width_out = w;
        if (height_out)
            *height_out = h;
        return 1;
    });
}
