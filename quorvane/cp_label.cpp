// Label family of the C interface: each call holds the handle and drives the handle's
// label writer. Pointers and lengths are checked before anything is sent.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "nzcommon/imgprocess/imgalloc.h"
#include "printer/NZLabelPrinter.h"
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_image_size.h"
#include "quorvane/quorvane.h"

namespace {

inline unsigned short U16(int v) { return static_cast<unsigned short>(v); }
inline unsigned char U8(int v) { return static_cast<unsigned char>(v); }
inline int Result(bool ok) { return ok ? 1 : 0; }
// Far corner of a width x height area at origin, cut to 16 bits (no signed overflow).
inline unsigned short Far(int origin, int size)
{
    return static_cast<unsigned short>(static_cast<unsigned int>(origin) + static_cast<unsigned int>(size));
}

typedef bool (NZLabelPrinter::*WideTextMethod)(unsigned short, unsigned short, unsigned short, unsigned short,
                                               const wchar_t *);

// Label text command with wide text converted by one of the label writer's encodings.
int DrawLabelTextInEncoding(CP_Handle handle, int x, int y, int a, int b, const wchar_t *str,
                            WideTextMethod method)
{
    return AtBoundary(0, [&] {
        HandleGuard h(handle);
        if (!h || !str)
            return 0;
        return Result((h->m_labelPrinter.*method)(U16(x), U16(y), U16(a), U16(b), str));
    });
}

} // namespace

extern "C" CP_API int CP_Label_EnableLabelMode(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.EnableLabelMode()) : 0;
    });
}

extern "C" CP_API int CP_Label_DisableLabelMode(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.DisableLabelMode()) : 0;
    });
}

extern "C" CP_API int CP_Label_CalibrateLabel(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.CalibrateLabel()) : 0;
    });
}

extern "C" CP_API int CP_Label_FeedLabel(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.FeedLabel()) : 0;
    });
}

extern "C" CP_API int CP_Label_PageBegin(CP_Handle handle, int x, int y, int width, int height, int option)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.PageBegin(U16(x), U16(y), U16(width), U16(height), U8(option))) : 0;
    });
}

extern "C" CP_API int CP_Label_PagePrint(CP_Handle handle, int count)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.PagePrint(U8(count))) : 0;
    });
}

extern "C" CP_API int CP_Label_DrawText(CP_Handle handle, int x, int y, int font_height, int font_style,
                                        const char *str)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !str)
            return 0;
        return Result(h->m_labelPrinter.DrawString(U16(x), U16(y), U16(font_height), U16(font_style), str));
    });
}

extern "C" CP_API int CP_Label_DrawTextInUTF8(CP_Handle handle, int x, int y, int font_height, int font_style,
                                              const wchar_t *str)
{
    return DrawLabelTextInEncoding(handle, x, y, font_height, font_style, str, &NZLabelPrinter::DrawWideStringInUTF8);
}

extern "C" CP_API int CP_Label_DrawTextInGBK(CP_Handle handle, int x, int y, int font_height, int font_style,
                                             const wchar_t *str)
{
    return DrawLabelTextInEncoding(handle, x, y, font_height, font_style, str, &NZLabelPrinter::DrawWideStringInGBK);
}

extern "C" CP_API int CP_Label_DrawTextInBIG5(CP_Handle handle, int x, int y, int font_height, int font_style,
                                              const wchar_t *str)
{
    return DrawLabelTextInEncoding(handle, x, y, font_height, font_style, str, &NZLabelPrinter::DrawWideStringInBIG5);
}

extern "C" CP_API int CP_Label_DrawTextInShiftJIS(CP_Handle handle, int x, int y, int font_height, int font_style,
                                                  const wchar_t *str)
{
    return DrawLabelTextInEncoding(handle, x, y, font_height, font_style, str, &NZLabelPrinter::DrawWideStringInShiftJIS);
}

extern "C" CP_API int CP_Label_DrawTextInEUCKR(CP_Handle handle, int x, int y, int font_height, int font_style,
                                               const wchar_t *str)
{
    return DrawLabelTextInEncoding(handle, x, y, font_height, font_style, str, &NZLabelPrinter::DrawWideStringInEUCKR);
}

extern "C" CP_API int CP_Label_DrawTextInBytes(CP_Handle handle, int x, int y, int font_height, int font_style,
                                               const char *data, int length)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !data || length < 0)
            return 0;
        return Result(h->m_labelPrinter.DrawString(U16(x), U16(y), U16(font_height), U16(font_style), data,
                                                   static_cast<unsigned int>(length)));
    });
}

extern "C" CP_API int CP_Label_DrawBarcode(CP_Handle handle, int x, int y, int barcode_type, int text_position,
                                           int height, int unit_width, int rotation, const char *str)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !str)
            return 0;
        // The readable-text position goes out first; a failure there does not stop the barcode.
        h->m_posPrinter.POS_SetBarcodeReadableTextPosition(U8(text_position));
        return Result(h->m_labelPrinter.DrawBarcode(U16(x), U16(y), U8(barcode_type), U8(height), U8(unit_width),
                                                    U8(rotation), str));
    });
}

extern "C" CP_API int CP_Label_DrawQRCode(CP_Handle handle, int x, int y, int version, int ecc_level,
                                          int unit_width, int rotation, const char *str)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !str)
            return 0;
        return Result(h->m_labelPrinter.DrawQRCode(U16(x), U16(y), U8(version), U8(ecc_level), U8(unit_width),
                                                   U8(rotation), str));
    });
}

extern "C" CP_API int CP_Label_DrawQRCodeInUTF8(CP_Handle handle, int x, int y, int version, int ecc_level,
                                                int unit_width, int rotation, const wchar_t *str)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !str)
            return 0;
        return Result(h->m_labelPrinter.DrawWQRCodeInUTF8(U16(x), U16(y), U8(version), U8(ecc_level), U8(unit_width),
                                                          U8(rotation), str));
    });
}

extern "C" CP_API int CP_Label_DrawQRCodeInBytes(CP_Handle handle, int x, int y, int version, int ecc_level,
                                                 int unit_width, int rotation, const unsigned char *data, int length)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !data || length < 0)
            return 0;
        return Result(h->m_labelPrinter.DrawQRCode(U16(x), U16(y), U8(version), U8(ecc_level), U8(unit_width),
                                                   U8(rotation), reinterpret_cast<const char *>(data),
                                                   static_cast<unsigned int>(length)));
    });
}

extern "C" CP_API int CP_Label_DrawPDF417Code(CP_Handle handle, int x, int y, int setting1, int setting2,
                                              int setting3, int setting4, int setting5, const char *str)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !str)
            return 0;
        return Result(h->m_labelPrinter.DrawPDF417(U16(x), U16(y), U8(setting1), U8(setting2), U8(setting3),
                                                   U8(setting4), U8(setting5), str));
    });
}

namespace {

// Draws the raster of an image file or its bytes at the size the image size rule gives.
int DrawEncodedImage(const HandleGuard &h, int x, int y, int width, int height, const char *path, const unsigned char *data,
                     int size, int binarization, int compression)
{
    int bytesPerLine = 0;
    const NZImgOwned<unsigned char> raster(
        ConvertImageForPrint(path, data, size, width, height, binarization, &bytesPerLine));
    if (!raster)
        return 0;
    return Result(bytesPerLine > 0 && h->m_labelPrinter.DrawRasterImageSpecifyCompressMethod(
                                          U16(x), U16(y), static_cast<unsigned int>(bytesPerLine),
                                          static_cast<unsigned int>(width), static_cast<unsigned int>(height),
                                          raster.get(), compression));
}

} // namespace

extern "C" CP_API int CP_Label_DrawImageFromFile(CP_Handle handle, int x, int y, int width, int height,
                                                 const char *path, int binarization_method, int compression_method)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !path)
            return 0;
        return DrawEncodedImage(h, x, y, width, height, path, nullptr, 0, binarization_method, compression_method);
    });
}

extern "C" CP_API int CP_Label_DrawImageFromData(CP_Handle handle, int x, int y, int width, int height,
                                                 const unsigned char *data, int data_size, int binarization_method,
                                                 int compression_method)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !data || data_size < 0)
            return 0;
        return DrawEncodedImage(h, x, y, width, height, nullptr, data, data_size, binarization_method,
                                compression_method);
    });
}

extern "C" CP_API int CP_Label_DrawImageFromPixels(CP_Handle handle, int x, int y, const unsigned char *pixels,
                                                   int data_length, int width, int height, int stride,
                                                   int pixel_format, int binarization_method, int compression_method)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !pixels || !PixelImageFits(data_length, width, height, stride, pixel_format))
            return 0;
        return Result(h->m_labelPrinter.DrawRasterImageFromPixels(U16(x), U16(y), pixels, data_length, width, height,
                                                                  stride, pixel_format, binarization_method,
                                                                  compression_method));
    });
}

extern "C" CP_API int CP_Label_DrawLine(CP_Handle handle, int x1, int y1, int x2, int y2, int line_width, int color)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.DrawLine(U16(x1), U16(y1), U16(x2), U16(y2), U16(line_width), U8(color)))
                 : 0;
    });
}

extern "C" CP_API int CP_Label_DrawRect(CP_Handle handle, int x, int y, int width, int height, int color)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.DrawRectangel(U16(x), U16(y), Far(x, width), Far(y, height), U8(color)))
                 : 0;
    });
}

extern "C" CP_API int CP_Label_DrawBox(CP_Handle handle, int x, int y, int width, int height, int border_width,
                                       int color)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h ? Result(h->m_labelPrinter.DrawBox(U16(x), U16(y), Far(x, width), Far(y, height), U16(border_width),
                                                    U8(color)))
                 : 0;
    });
}
