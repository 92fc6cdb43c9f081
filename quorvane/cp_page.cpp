// Page family of the C interface: page mode on, off, print and clear, the page area and
// direction, and drawing at absolute positions inside the page area.
//
// Drawing calls resolve the caller's position (dots or a placement code) with the page
// layout metrics, using the page area, direction and text and barcode settings that the
// handle's PrinterProperty remembers, then move the print position there and print through
// the receipt calls or image commands. Positions are worked out in 64 bits and must fit
// the printer's 16-bit position fields: anything else (an unresolved placement code, a
// negative position, a corner beyond 65535) is refused before a byte is sent.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/page_layout.h"
#include "printer/NZSymbolImaging.h"
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_image_size.h"
#include "quorvane/quorvane.h"

namespace {

const int kReadableTextHeightFont0 = 24;
const int kReadableTextHeightOther = 18;

bool FitsField(int64_t v) { return v >= 0 && v <= 0xFFFF; }

PL_Utils_Size PageOf(const PrinterProperty &p) { return PL_Utils_Size(p.pageAreaWidth, p.pageAreaHeight); }

// Moves the print position to pos and runs print; stops at the first step that fails.
template <typename Print>
int DrawAt(CP_Handle handle, PL_Utils_Position pos, Print print)
{
    if (!FitsField(pos.x) || !FitsField(pos.y))
        return 0;
    if (!CP_Pos_SetHorizontalAbsolutePrintPosition(handle, pos.x))
        return 0;
    if (!CP_Pos_SetVerticalAbsolutePrintPosition(handle, pos.y))
        return 0;
    return print() ? 1 : 0;
}

// Rectangle corners, both included, in the printer's 16-bit fields.
struct Corners {
    unsigned short x1, y1, x2, y2;
};

bool RectCorners(const PrinterProperty &p, int x, int y, int width, int height, Corners *c)
{
    if (width <= 0 || height <= 0)
        return false;
    const PL_Utils_Position pos =
        Utils_Page_ComputeRectPosition(PageOf(p), p.pageDrawDirection, x, y, width, height);
    const int64_t x2 = static_cast<int64_t>(pos.x) + width - 1;
    const int64_t y2 = static_cast<int64_t>(pos.y) + height - 1;
    if (!FitsField(pos.x) || !FitsField(pos.y) || !FitsField(x2) || !FitsField(y2))
        return false;
    *c = Corners{static_cast<unsigned short>(pos.x), static_cast<unsigned short>(pos.y),
                 static_cast<unsigned short>(x2), static_cast<unsigned short>(y2)};
    return true;
}

bool IsBinarizationMethod(int method) { return method >= NZIMG_METHOD_DITHER && method <= NZIMG_METHOD_DIFFUSION; }

// Places an image of width x height and runs print; the handle is held by the caller.
template <typename Print>
int DrawImageAt(CP_Handle handle, const PrinterProperty &p, int x, int y, int width, int height, Print print)
{
    const PL_Utils_Position pos = Utils_Page_ComputeImagePosition(PageOf(p), p.pageDrawDirection, x, y, width, height);
    return DrawAt(handle, pos, print);
}

// Moves to the page position the text's size gives (compute: the narrow or the wide
// measure), then prints it through a receipt text call of one encoding.
template <typename Char>
int PrintTextAtPagePosition(CP_Handle handle, int x, int y, const Char *str,
                            PL_Utils_Position (*compute)(PL_Utils_Size, int, int, int, int, const Char *, int, int,
                                                         int, int, int, int),
                            int (*print)(CP_Handle, const Char *))
{
    return AtBoundary(0, [&] {
        if (!str)
            return 0;
        HandleGuard h(handle);
        if (!h)
            return 0;
        const PrinterProperty &p = h->m_printerProperty;
        const PL_Utils_Position pos =
            compute(PageOf(p), p.pageDrawDirection, p.textBaselineOffset, x, y, str, p.asciiCharWidth,
                    p.asciiCharHeight, p.kanjiCharWidth, p.kanjiCharHeight, p.textScaleWidth, p.textScaleHeight);
        return DrawAt(handle, pos, [&] { return print(handle, str); });
    });
}

} // namespace

extern "C" CP_API int CP_Page_SelectPageMode(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_posPrinter.POS_SelectPageMode() ? 1 : 0;
    });
}

extern "C" CP_API int CP_Page_SelectPageModeEx(CP_Handle handle, int nHorizontalMovementUnit,
                                               int nVerticalMovementUnit, int left, int top, int width, int height)
{
    // One reference for the whole sequence, so a close in the middle cannot free the
    // handle between two steps; each step's own guard then finds the same handle (or, once
    // the connection is closed, fails on its closed port). The settings it sends are the
    // record's defaults.
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return CP_Pos_SetMovementUnit(handle, nHorizontalMovementUnit, nVerticalMovementUnit) &&
                       CP_Page_SelectPageMode(handle) && CP_Page_SetPageArea(handle, left, top, width, height) &&
                       CP_Page_SetPageDrawDirection(handle, 0) && CP_Pos_SetTextLineHeight(handle, 32) &&
                       CP_Pos_SetAsciiTextCharRightSpacing(handle, 0) && CP_Pos_SetKanjiTextCharSpacing(handle, 0, 0) &&
                       CP_Pos_SetTextScale(handle, 0, 0) && CP_Pos_SetBarcodeUnitWidth(handle, 2) &&
                       CP_Pos_SetBarcodeHeight(handle, 60) && CP_Pos_SetBarcodeReadableTextPosition(handle, 2) &&
                       CP_Pos_SetBarcodeReadableTextFontType(handle, 0)
                   ? 1
                   : 0;
    });
}

extern "C" CP_API int CP_Page_ExitPageMode(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_posPrinter.POS_ExitPageMode() ? 1 : 0;
    });
}

extern "C" CP_API int CP_Page_PrintPage(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_posPrinter.POS_PrintPage() ? 1 : 0;
    });
}

extern "C" CP_API int CP_Page_ClearPage(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_posPrinter.POS_ClearPage() ? 1 : 0;
    });
}

extern "C" CP_API int CP_Page_SetPageArea(CP_Handle handle, int left, int top, int width, int height)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        if (!h->m_posPrinter.POS_SetPageArea(static_cast<unsigned short>(left), static_cast<unsigned short>(top),
                                             static_cast<unsigned short>(width), static_cast<unsigned short>(height)))
            return 0;
        PrinterProperty &p = h->m_printerProperty;
        p.pageAreaLeft = left;
        p.pageAreaTop = top;
        p.pageAreaWidth = width;
        p.pageAreaHeight = height;
        return 1;
    });
}

extern "C" CP_API int CP_Page_SetPageDrawDirection(CP_Handle handle, int direction)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        if (!h->m_posPrinter.POS_SetPageModeDrawDirection(static_cast<unsigned char>(direction)))
            return 0;
        h->m_printerProperty.pageDrawDirection = direction;
        return 1;
    });
}

extern "C" CP_API int CP_Page_DrawRect(CP_Handle handle, int x, int y, int width, int height, int nColor)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        Corners c;
        if (!RectCorners(h->m_printerProperty, x, y, width, height, &c))
            return 0;
        return h->m_posPrinter.POS_DrawRect(c.x1, c.y1, c.x2, c.y2, static_cast<unsigned char>(nColor)) ? 1 : 0;
    });
}

extern "C" CP_API int CP_Page_DrawBox(CP_Handle handle, int x, int y, int width, int height, int nBorderWidth,
                                      int nColor)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        Corners c;
        if (!RectCorners(h->m_printerProperty, x, y, width, height, &c))
            return 0;
        return h->m_posPrinter.POS_DrawBox(c.x1, c.y1, c.x2, c.y2, static_cast<unsigned char>(nBorderWidth),
                                           static_cast<unsigned char>(nColor))
                   ? 1
                   : 0;
    });
}

extern "C" CP_API int CP_Page_DrawText(CP_Handle handle, int x, int y, const char *str)
{
    return PrintTextAtPagePosition(handle, x, y, str, Utils_Page_ComputeStringPositionA, CP_Pos_PrintText);
}

extern "C" CP_API int CP_Page_DrawTextInUTF8(CP_Handle handle, int x, int y, const wchar_t *str)
{
    return PrintTextAtPagePosition(handle, x, y, str, Utils_Page_ComputeStringPositionW, CP_Pos_PrintTextInUTF8);
}

extern "C" CP_API int CP_Page_DrawTextInGBK(CP_Handle handle, int x, int y, const wchar_t *str)
{
    return PrintTextAtPagePosition(handle, x, y, str, Utils_Page_ComputeStringPositionW, CP_Pos_PrintTextInGBK);
}

extern "C" CP_API int CP_Page_DrawTextInBIG5(CP_Handle handle, int x, int y, const wchar_t *str)
{
    return PrintTextAtPagePosition(handle, x, y, str, Utils_Page_ComputeStringPositionW, CP_Pos_PrintTextInBIG5);
}

extern "C" CP_API int CP_Page_DrawTextInShiftJIS(CP_Handle handle, int x, int y, const wchar_t *str)
{
    return PrintTextAtPagePosition(handle, x, y, str, Utils_Page_ComputeStringPositionW, CP_Pos_PrintTextInShiftJIS);
}

extern "C" CP_API int CP_Page_DrawTextInEUCKR(CP_Handle handle, int x, int y, const wchar_t *str)
{
    return PrintTextAtPagePosition(handle, x, y, str, Utils_Page_ComputeStringPositionW, CP_Pos_PrintTextInEUCKR);
}

extern "C" CP_API int CP_Page_DrawBarcode(CP_Handle handle, int x, int y, int nBarcodeType, const char *str)
{
    return AtBoundary(0, [&]() -> int {
        if (!str)
            return 0;
        HandleGuard h(handle);
        if (!h)
            return 0;
        const PrinterProperty &p = h->m_printerProperty;
        const int textHeight = p.barcodeReadableTextFontType == 0 ? kReadableTextHeightFont0 : kReadableTextHeightOther;
        const PL_Utils_Position pos = Utils_Page_ComputeBarcodePositionA(
            PageOf(p), p.pageDrawDirection, x, y, str, nBarcodeType, p.barcodeUnitWidth, p.barcodeHeight, textHeight,
            p.barcodeReadableTextPosition);
        return DrawAt(handle, pos, [&] { return CP_Pos_PrintBarcode(handle, nBarcodeType, str); });
    });
}

extern "C" CP_API int CP_Page_DrawQRCode(CP_Handle handle, int x, int y, int nVersion, int nECCLevel, const char *str)
{
    return AtBoundary(0, [&]() -> int {
        if (!str)
            return 0;
        HandleGuard h(handle);
        if (!h)
            return 0;
        const PrinterProperty &p = h->m_printerProperty;
        const PL_Utils_Position pos = Utils_Page_ComputeQRCodePositionA(PageOf(p), p.pageDrawDirection, x, y, str,
                                                                        nVersion, nECCLevel, p.barcodeUnitWidth);
        return DrawAt(handle, pos, [&] { return CP_Pos_PrintQRCode(handle, nVersion, nECCLevel, str); });
    });
}

namespace {

// Draws the raster of an image file or its bytes at the size the image size rule gives;
// the picture is converted before anything is sent.
int DrawEncodedImage(CP_Handle handle, const HandleGuard &h, int x, int y, int width, int height, const char *path,
                     const unsigned char *data, int size, int binarization)
{
    int bytesPerLine = 0;
    const NZImgOwned<unsigned char> raster(
        ConvertImageForPrint(path, data, size, width, height, binarization, &bytesPerLine));
    if (!raster)
        return 0;
    return bytesPerLine > 0 && DrawImageAt(handle, h->m_printerProperty, x, y, width, height, [&] {
        return h->m_posPrinter.POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(
            raster.get(), static_cast<unsigned int>(bytesPerLine), static_cast<unsigned int>(width),
            static_cast<unsigned int>(height));
    });
}

} // namespace

extern "C" CP_API int CP_Page_DrawRasterImageFromFile(CP_Handle handle, int x, int y, int dstw, int dsth,
                                                      const char *pszFile, int binaryzation_method)
{
    return AtBoundary(0, [&]() -> int {
        if (!pszFile || !IsBinarizationMethod(binaryzation_method))
            return 0;
        HandleGuard h(handle);
        if (!h)
            return 0;
        return DrawEncodedImage(handle, h, x, y, dstw, dsth, pszFile, nullptr, 0, binaryzation_method);
    });
}

extern "C" CP_API int CP_Page_DrawRasterImageFromData(CP_Handle handle, int x, int y, int dstw, int dsth,
                                                      const unsigned char *data, int data_size,
                                                      int binaryzation_method)
{
    return AtBoundary(0, [&]() -> int {
        if (!data || data_size < 0 || !IsBinarizationMethod(binaryzation_method))
            return 0;
        HandleGuard h(handle);
        if (!h)
            return 0;
        return DrawEncodedImage(handle, h, x, y, dstw, dsth, nullptr, data, data_size, binaryzation_method);
    });
}

extern "C" CP_API int CP_Page_DrawRasterImageFromPixels(CP_Handle handle, int x, int y, const unsigned char *img_data,
                                                        int img_datalen, int img_width, int img_height,
                                                        int img_stride, int img_format, int binaryzation_method)
{
    // Formats 1 and 2 are raster already; the others are binarized by the method. The
    // picture is converted before anything is sent.
    return AtBoundary(0, [&]() -> int {
        if (!img_data || !PixelImageFits(img_datalen, img_width, img_height, img_stride, img_format))
            return 0;
        if (img_format != NZIMG_FORMAT_MONO_MSB && img_format != NZIMG_FORMAT_MONO_LSB &&
            !IsBinarizationMethod(binaryzation_method))
            return 0;
        HandleGuard h(handle);
        if (!h)
            return 0;
        int bytesPerLine = 0;
        const NZImgOwned<unsigned char> raster(NZSym_ConvertPixels(img_data, img_width, img_height, img_stride,
                                                                   img_format, binaryzation_method, &bytesPerLine));
        if (!raster || bytesPerLine <= 0)
            return 0;
        return DrawImageAt(handle, h->m_printerProperty, x, y, img_width, img_height, [&] {
            return h->m_posPrinter.POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(
                raster.get(), static_cast<unsigned int>(bytesPerLine), static_cast<unsigned int>(img_width),
                static_cast<unsigned int>(img_height));
        });
    });
}
