// Receipt commands of the C interface: each call holds a registry reference on the
// handle and drives the handle's receipt writer. Arguments are cut to their command
// fields (low byte, low 16 bits) unless noted. Settings that page-mode layout needs are
// mirrored into the handle's PrinterProperty, as the caller passed them, once the
// printer command went out.
#include <climits>
#include <cstdint>
#include <cstdlib>

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/page_layout.h"
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_image_size.h"
#include "quorvane/quorvane.h"

namespace {

typedef unsigned char u8;
typedef unsigned short u16;

// The handle rule around one piece of work that reports success as bool.
template <typename F>
int WithHandle(CP_Handle handle, F work)
{
    return AtBoundary(0, [&] {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return work(*h.get()) ? 1 : 0;
    });
}

} // namespace

// ---- Drawer, beeper, cuts, feeds ----

extern "C" CP_API int CP_Pos_KickOutDrawer(CP_Handle handle, int nDrawerIndex, int nHighLevelTime, int nLowLevelTime)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_KickDrawer(static_cast<u8>(nDrawerIndex), static_cast<u8>(nHighLevelTime),
                                             static_cast<u8>(nLowLevelTime));
    });
}

extern "C" CP_API int CP_Pos_Beep(CP_Handle handle, int nBeepCount, int nBeepMillis)
{
    // The duration field counts units of 100 ms.
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_Beep(static_cast<u8>(nBeepCount), static_cast<u8>(nBeepMillis / 100));
    });
}

extern "C" CP_API int CP_Pos_FeedAndHalfCutPaper(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_FeedAndCutPaper(); });
}

extern "C" CP_API int CP_Pos_FullCutPaper(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_FullCutPaper(); });
}

extern "C" CP_API int CP_Pos_HalfCutPaper(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_HalfCutPaper(); });
}

extern "C" CP_API int CP_Pos_FeedLine(CP_Handle handle, int numLines)
{
    return WithHandle(handle, [&](IOHandle &h) { return h.m_posPrinter.POS_FeedLines(static_cast<u8>(numLines)); });
}

extern "C" CP_API int CP_Pos_FeedDot(CP_Handle handle, int numDots)
{
    // Longer feeds are capped at the largest the command can carry.
    return AtBoundary(0, [&]() -> int {
        const int dots = numDots > 255 ? 255 : numDots;
        return WithHandle(handle, [&](IOHandle &h) { return h.m_posPrinter.POS_FeedDots(static_cast<u8>(dots)); });
    });
}

extern "C" CP_API int CP_Pos_PrintSelfTestPage(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_PrintSelfTestPage(); });
}

extern "C" CP_API int CP_Pos_ResetPrinter(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_Reset(); });
}

// ---- Text ----

extern "C" CP_API int CP_Pos_PrintText(CP_Handle handle, const char *str)
{
    return WithHandle(handle, [&](IOHandle &h) { return str && h.m_posPrinter.POS_PrintString(str); });
}

extern "C" CP_API int CP_Pos_PrintTextInUTF8(CP_Handle handle, const wchar_t *str)
{
    return WithHandle(handle, [&](IOHandle &h) { return str && h.m_posPrinter.POS_PrintWideStringInUTF8(str); });
}

extern "C" CP_API int CP_Pos_PrintTextInGBK(CP_Handle handle, const wchar_t *str)
{
    return WithHandle(handle, [&](IOHandle &h) { return str && h.m_posPrinter.POS_PrintWideStringInGBK(str); });
}

extern "C" CP_API int CP_Pos_PrintTextInBIG5(CP_Handle handle, const wchar_t *str)
{
    return WithHandle(handle, [&](IOHandle &h) { return str && h.m_posPrinter.POS_PrintWideStringInBIG5(str); });
}

extern "C" CP_API int CP_Pos_PrintTextInShiftJIS(CP_Handle handle, const wchar_t *str)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return str && h.m_posPrinter.POS_PrintWideStringInShiftJIS(str); });
}

extern "C" CP_API int CP_Pos_PrintTextInEUCKR(CP_Handle handle, const wchar_t *str)
{
    return WithHandle(handle, [&](IOHandle &h) { return str && h.m_posPrinter.POS_PrintWideStringInEUCKR(str); });
}

extern "C" CP_API int CP_Pos_PrintTextInBytes(CP_Handle handle, const char *data, int length)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return data && length >= 0 && h.m_posPrinter.POS_PrintString(data, static_cast<unsigned int>(length));
    });
}

// ---- Barcodes and two-dimensional symbols ----

extern "C" CP_API int CP_Pos_PrintBarcode(CP_Handle handle, int nBarcodeType, const char *str)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return str && h.m_posPrinter.POS_PrintBarcode(static_cast<u8>(nBarcodeType), str);
    });
}

extern "C" CP_API int CP_Pos_PrintBarcode_Code128Auto(CP_Handle handle, const char *str)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!str || !*str)
            return false;
        unsigned int length = 0;
        const NZImgOwned<unsigned char> data(Utils_CODE128_EncodeDataAuto(str, &length));
        // CODE128 in the counted form of the barcode command (system 73).
        return data && h.m_posPrinter.POS_PrintBarcode(73, data.get(), length);
    });
}

extern "C" CP_API int CP_Pos_PrintQRCode(CP_Handle handle, int nVersion, int nECCLevel, const char *str)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return str && h.m_posPrinter.POS_PrintQRCode(static_cast<u8>(nVersion), static_cast<u8>(nECCLevel), str);
    });
}

extern "C" CP_API int CP_Pos_PrintQRCodeUseEpsonCmd(CP_Handle handle, int nQRCodeUnitWidth, int nECCLevel,
                                                    const char *str)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return str && h.m_posPrinter.POS_EPSON_PrintQRCode(static_cast<u8>(nQRCodeUnitWidth),
                                                           static_cast<u8>(nECCLevel), str);
    });
}

extern "C" CP_API int CP_Pos_PrintDoubleQRCode(CP_Handle handle, int nQRCodeUnitWidth, int nQR1Position,
                                               int nQR1Version, int nQR1ECCLevel, const char *strQR1,
                                               int nQR2Position, int nQR2Version, int nQR2ECCLevel,
                                               const char *strQR2)
{
    // Each symbol's two parameter bytes go out later argument first.
    return WithHandle(handle, [&](IOHandle &h) {
        return strQR1 && strQR2 &&
               h.m_posPrinter.POS_PrintDoubleQRcode(strQR1, static_cast<u16>(nQR1Position),
                                                    static_cast<u8>(nQR1ECCLevel), static_cast<u8>(nQR1Version),
                                                    strQR2, static_cast<u16>(nQR2Position),
                                                    static_cast<u8>(nQR2ECCLevel), static_cast<u8>(nQR2Version),
                                                    static_cast<u8>(nQRCodeUnitWidth));
    });
}

extern "C" CP_API int CP_Pos_PrintPDF417BarcodeUseEpsonCmd(CP_Handle handle, int columnCount, int rowCount,
                                                           int unitWidth, int rowHeight, int nECCLevel,
                                                           int dataProcessingMode, const char *str)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return str && h.m_posPrinter.POS_EPSON_PrintPDF417(static_cast<u8>(columnCount), static_cast<u8>(rowCount),
                                                           static_cast<u8>(unitWidth), static_cast<u8>(rowHeight),
                                                           static_cast<u8>(nECCLevel),
                                                           static_cast<u8>(dataProcessingMode), str);
    });
}

// ---- Raster images ----

namespace {

// Prints the raster of an image file or its bytes at the size the image size rule gives.
bool PrintEncodedImage(IOHandle &h, const char *path, const unsigned char *data, int size, int width, int height,
                       int binarization, int compression)
{
    int bytesPerLine = 0;
    const NZImgOwned<unsigned char> raster(
        ConvertImageForPrint(path, data, size, width, height, binarization, &bytesPerLine));
    return raster && bytesPerLine > 0 &&
           h.m_posPrinter.POS_PrintRasterImageSpecifyCompressMethod(
               raster.get(), static_cast<unsigned int>(bytesPerLine), static_cast<unsigned int>(width),
               static_cast<unsigned int>(height), compression);
}

} // namespace

extern "C" CP_API int CP_Pos_PrintRasterImageFromFile(CP_Handle handle, int dstw, int dsth, const char *pszFile,
                                                      int binaryzation_method, int compress_method)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return pszFile && PrintEncodedImage(h, pszFile, nullptr, 0, dstw, dsth, binaryzation_method, compress_method);
    });
}

extern "C" CP_API int CP_Pos_PrintRasterImageFromData(CP_Handle handle, int dstw, int dsth,
                                                      const unsigned char *data, int data_size,
                                                      int binaryzation_method, int compress_method)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return data && data_size > 0 &&
               PrintEncodedImage(h, nullptr, data, data_size, dstw, dsth, binaryzation_method, compress_method);
    });
}

extern "C" CP_API int CP_Pos_PrintRasterImageFromPixels(CP_Handle handle, const unsigned char *img_data,
                                                        int img_datalen, int img_width, int img_height,
                                                        int img_stride, int img_format, int binaryzation_method,
                                                        int compress_method)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!img_data || !PixelImageFits(img_datalen, img_width, img_height, img_stride, img_format))
            return false;
        return h.m_posPrinter.POS_PrintRasterImageSpecifyCompressMethodFromPixels(
            img_data, img_datalen, img_width, img_height, img_stride, img_format, binaryzation_method,
            compress_method);
    });
}

// ---- Ruled lines ----

extern "C" CP_API int CP_Pos_PrintHorizontalLine(CP_Handle handle, int nLineStartPosition, int nLineEndPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_PrintHorizontalLineSpecifyThickness(static_cast<u16>(nLineStartPosition),
                                                                      static_cast<u16>(nLineEndPosition), 1);
    });
}

extern "C" CP_API int CP_Pos_PrintHorizontalLineSpecifyThickness(CP_Handle handle, int nLineStartPosition,
                                                                 int nLineEndPosition, int nLineThickness)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return nLineThickness > 0 &&
               h.m_posPrinter.POS_PrintHorizontalLineSpecifyThickness(static_cast<u16>(nLineStartPosition),
                                                                      static_cast<u16>(nLineEndPosition),
                                                                      static_cast<unsigned int>(nLineThickness));
    });
}

extern "C" CP_API int CP_Pos_PrintMultipleHorizontalLinesAtOneRow(CP_Handle handle, int nLineCount,
                                                                  int *pLineStartPosition, int *pLineEndPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        // The count field is one byte; the arrays must hold that many entries.
        if (nLineCount < 0 || nLineCount > 255 || !pLineStartPosition || !pLineEndPosition)
            return false;
        return h.m_posPrinter.POS_PrintMultipleHorizontalLines(static_cast<u8>(nLineCount), pLineStartPosition,
                                                               pLineEndPosition);
    });
}

// ---- Printer settings ----

extern "C" CP_API int CP_Pos_SetPrintSpeed(CP_Handle handle, int nSpeed)
{
    return WithHandle(handle, [&](IOHandle &h) { return h.m_posPrinter.POS_SetPrintSpeed(static_cast<u16>(nSpeed)); });
}

extern "C" CP_API int CP_Pos_SetPrintDensity(CP_Handle handle, int nDensity)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetPrintDensity_16(static_cast<u8>(nDensity)); });
}

extern "C" CP_API int CP_Pos_SetSingleByteMode(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_SetSingleByteMode(); });
}

extern "C" CP_API int CP_Pos_SetCharacterSet(CP_Handle handle, int nCharacterSet)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetCharacterSet(static_cast<u8>(nCharacterSet)); });
}

extern "C" CP_API int CP_Pos_SetCharacterCodepage(CP_Handle handle, int nCharacterCodepage)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetCharacterCodepage(static_cast<u8>(nCharacterCodepage));
    });
}

extern "C" CP_API int CP_Pos_SetMultiByteMode(CP_Handle handle)
{
    return WithHandle(handle, [](IOHandle &h) { return h.m_posPrinter.POS_SetMultiByteMode(); });
}

extern "C" CP_API int CP_Pos_SetMultiByteEncoding(CP_Handle handle, int nEncoding)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetMultiByteEncoding(static_cast<u8>(nEncoding)); });
}

// ---- Positions and print area ----

extern "C" CP_API int CP_Pos_SetMovementUnit(CP_Handle handle, int nHorizontalMovementUnit, int nVerticalMovementUnit)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetMovementUnit(static_cast<u8>(nHorizontalMovementUnit),
                                                  static_cast<u8>(nVerticalMovementUnit));
    });
}

extern "C" CP_API int CP_Pos_SetPrintAreaLeftMargin(CP_Handle handle, int nLeftMargin)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetPrintAreaLeftMargin(static_cast<u16>(nLeftMargin));
    });
}

extern "C" CP_API int CP_Pos_SetPrintAreaWidth(CP_Handle handle, int nWidth)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetPrintAreaWidth(static_cast<u16>(nWidth)); });
}

extern "C" CP_API int CP_Pos_SetHorizontalAbsolutePrintPosition(CP_Handle handle, int nPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetHorizontalAbsolutePrintPosition(static_cast<u16>(nPosition));
    });
}

extern "C" CP_API int CP_Pos_SetHorizontalRelativePrintPosition(CP_Handle handle, int nPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetHorizontalRelativePrintPositionAcceptNegative(nPosition);
    });
}

extern "C" CP_API int CP_Pos_SetVerticalAbsolutePrintPosition(CP_Handle handle, int nPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetVerticalAbsolutePrintPosition(static_cast<u16>(nPosition));
    });
}

extern "C" CP_API int CP_Pos_SetVerticalRelativePrintPosition(CP_Handle handle, int nPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetVerticalRelativePrintPositionAcceptNegative(nPosition);
    });
}

extern "C" CP_API int CP_Pos_SetAlignment(CP_Handle handle, int nAlignment)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetAlignment(static_cast<u8>(nAlignment)); });
}

// ---- Character style ----

extern "C" CP_API int CP_Pos_SetTextScale(CP_Handle handle, int nWidthScale, int nHeightScale)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetTextScale(static_cast<u8>(nWidthScale), static_cast<u8>(nHeightScale)))
            return false;
        h.m_printerProperty.textScaleWidth = nWidthScale;
        h.m_printerProperty.textScaleHeight = nHeightScale;
        return true;
    });
}

extern "C" CP_API int CP_Pos_SetAsciiTextFontType(CP_Handle handle, int nFontType)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetAsciiTextFontType(static_cast<u8>(nFontType)); });
}

extern "C" CP_API int CP_Pos_SetTextBold(CP_Handle handle, int nBold)
{
    return WithHandle(handle, [&](IOHandle &h) { return h.m_posPrinter.POS_SetTextBold(static_cast<u8>(nBold)); });
}

extern "C" CP_API int CP_Pos_SetTextUnderline(CP_Handle handle, int nUnderline)
{
    // Single-byte and multi-byte characters have separate underline settings: both are
    // always sent, and the call succeeds only when both went out.
    return WithHandle(handle, [&](IOHandle &h) {
        const bool ascii = h.m_posPrinter.POS_SetAsciiTextUnderline(static_cast<u8>(nUnderline));
        const bool kanji = h.m_posPrinter.POS_SetKanjiTextUnderline(static_cast<u8>(nUnderline));
        return ascii && kanji;
    });
}

extern "C" CP_API int CP_Pos_SetTextUpsideDown(CP_Handle handle, int nUpsideDown)
{
    return WithHandle(handle,
                      [&](IOHandle &h) { return h.m_posPrinter.POS_SetTextUpsideDown(static_cast<u8>(nUpsideDown)); });
}

extern "C" CP_API int CP_Pos_SetTextWhiteOnBlack(CP_Handle handle, int nWhiteOnBlack)
{
    return WithHandle(handle, [&](IOHandle &h) {
        return h.m_posPrinter.POS_SetTextWhiteOnBlack(static_cast<u8>(nWhiteOnBlack));
    });
}

extern "C" CP_API int CP_Pos_SetTextRotate(CP_Handle handle, int nRotate)
{
    return WithHandle(handle, [&](IOHandle &h) { return h.m_posPrinter.POS_SetTextRotate(static_cast<u8>(nRotate)); });
}

extern "C" CP_API int CP_Pos_SetTextLineHeight(CP_Handle handle, int nLineHeight)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetTextLineHeight(static_cast<u8>(nLineHeight)))
            return false;
        h.m_printerProperty.textLineHeight = nLineHeight;
        return true;
    });
}

extern "C" CP_API int CP_Pos_SetAsciiTextCharRightSpacing(CP_Handle handle, int nSpacing)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetAsciiTextCharRightSpacing(static_cast<u8>(nSpacing)))
            return false;
        h.m_printerProperty.asciiCharRightSpacing = nSpacing;
        return true;
    });
}

extern "C" CP_API int CP_Pos_SetKanjiTextCharSpacing(CP_Handle handle, int nLeftSpacing, int nRightSpacing)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetKanjiTextCharSpacing(static_cast<u8>(nLeftSpacing),
                                                        static_cast<u8>(nRightSpacing)))
            return false;
        h.m_printerProperty.kanjiCharLeftSpacing = nLeftSpacing;
        h.m_printerProperty.kanjiCharRightSpacing = nRightSpacing;
        return true;
    });
}

// ---- Barcode settings ----

extern "C" CP_API int CP_Pos_SetBarcodeUnitWidth(CP_Handle handle, int nBarcodeUnitWidth)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetBarcodeUnitWidth(static_cast<u8>(nBarcodeUnitWidth)))
            return false;
        h.m_printerProperty.barcodeUnitWidth = nBarcodeUnitWidth;
        return true;
    });
}

extern "C" CP_API int CP_Pos_SetBarcodeHeight(CP_Handle handle, int nBarcodeHeight)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetBarcodeHeight(static_cast<u8>(nBarcodeHeight)))
            return false;
        h.m_printerProperty.barcodeHeight = nBarcodeHeight;
        return true;
    });
}

extern "C" CP_API int CP_Pos_SetBarcodeReadableTextFontType(CP_Handle handle, int nFontType)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetBarcodeReadableTextFontType(static_cast<u8>(nFontType)))
            return false;
        h.m_printerProperty.barcodeReadableTextFontType = nFontType;
        return true;
    });
}

extern "C" CP_API int CP_Pos_SetBarcodeReadableTextPosition(CP_Handle handle, int nTextPosition)
{
    return WithHandle(handle, [&](IOHandle &h) {
        if (!h.m_posPrinter.POS_SetBarcodeReadableTextPosition(static_cast<u8>(nTextPosition)))
            return false;
        h.m_printerProperty.barcodeReadableTextPosition = nTextPosition;
        return true;
    });
}
