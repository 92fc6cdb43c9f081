// Barcode and QR symbols measured and drawn into 32-bit pixel arrays, without a printer.
#include <climits>

#include "nzcommon/imgprocess/barcode_render.h"
#include "nzcommon/imgprocess/qr_render.h"
#include "quorvane/Boundary.h"
#include "quorvane/quorvane.h"

namespace {

// Buffer sizes arrive in 64 bits; the renderers take an int and never need more than
// INT_MAX bytes, so larger rooms are capped. Negative sizes are refused by the caller.
int CapBufferSize(long long size)
{
    return size > INT_MAX ? INT_MAX : static_cast<int>(size);
}

} // namespace

extern "C" CP_API int CP_Barcode_GetBarcodeWidth(int type, int unit_width, const char *text)
{
    return AtBoundary(0, [&]() -> int {
        if (!text)
            return 0;
        return Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(type, unit_width, unit_width, text);
    });
}

extern "C" CP_API int CP_Barcode_GetBarcodeRGBAData(int type, int unit_width, int height, unsigned int background,
                                                    unsigned int foreground, const char *text, unsigned int *pixels,
                                                    long long pixels_size, int *width_out, int *height_out)
{
    return AtBoundary(0, [&]() -> int {
        if (!text || !pixels || pixels_size <= 0)
            return 0;
        return Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(type, unit_width, height, background, foreground, text, pixels,
                                                           CapBufferSize(pixels_size), width_out, height_out)
                   ? 1
                   : 0;
    });
}

extern "C" CP_API int CP_Qrcode_GetQrcodeWidth(const char *text, int version, int level)
{
    return AtBoundary(0, [&]() -> int {
        if (!text)
            return 0;
        return Quorvane_qrhelper_getqrcodewidth(text, version, level);
    });
}

extern "C" CP_API int CP_Qrcode_GetQrcodeRGBAData(const char *text, int version, int level, unsigned int background,
                                                  unsigned int foreground, unsigned int *pixels, long long pixels_size,
                                                  int *width_out, int *height_out)
{
    return AtBoundary(0, [&]() -> int {
        if (!text || !pixels || pixels_size <= 0)
            return 0;
        return Quorvane_NZQRCodeUtils_FillQRCodeRGBAData(text, version, level, background, foreground, pixels,
                                                         CapBufferSize(pixels_size), width_out, height_out)
                   ? 1
                   : 0;
    });
}
