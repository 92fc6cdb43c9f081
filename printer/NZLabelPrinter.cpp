#include "printer/NZLabelPrinter.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/jbigcodec.h"
#include "printer/NZCommandBuffer.h"
#include "printer/NZSymbolImaging.h"
#include "printer/iconvutils.h"

NZLabelPrinter::NZLabelPrinter() {}
NZLabelPrinter::~NZLabelPrinter() {}

namespace {

// The image head carries the width as bytesPerLine * 8 dots and the height, both 16-bit:
// an image that cannot be announced exactly is refused rather than sent under a cut size.
bool LabelRasterFits(unsigned int bytesPerLine, unsigned int height, const unsigned char *raster)
{
    return raster && bytesPerLine > 0 && height > 0 && bytesPerLine <= 0xFFFFu / 8 && height <= 0xFFFFu;
}

// Compression methods of the label image command: 0 plain, 2 JBIG.
bool LabelMethodKnown(int method)
{
    return method == 0 || method == 2;
}

} // namespace

// ---- Label mode, calibration and feed ----

bool NZLabelPrinter::EnableLabelMode()
{
    static const unsigned char cmd[] = {0x1F, 0x28, 0x4C, 0x01, 0x00, 0x31};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZLabelPrinter::DisableLabelMode()
{
    static const unsigned char cmd[] = {0x1F, 0x28, 0x4C, 0x01, 0x00, 0x00};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZLabelPrinter::CalibrateLabel()
{
    static const unsigned char cmd[] = {0x1F, 0x63};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZLabelPrinter::FeedLabel()
{
    static const unsigned char cmd[] = {0x1A, 0x0C, 0x00};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZLabelPrinter::SetLabelPositionAdjustment(int first, int second)
{
    const unsigned char s = static_cast<unsigned char>(second & 0xFF);
    const unsigned char f = static_cast<unsigned char>(first & 0xFF);
    const unsigned char cmd[] = {0x1F, 0x28, 0x4C, 0x04, 0x00, 0x53, s, f, static_cast<unsigned char>(0x53 ^ s ^ f)};
    return WriteCommand(cmd, sizeof cmd);
}

// ---- Page ----

bool NZLabelPrinter::PageBegin(unsigned short x, unsigned short y, unsigned short width, unsigned short height,
                               unsigned char option)
{
    unsigned char storage[12];
    NZCommandBuffer cmd(storage, sizeof storage);
    cmd.Put(0x1A);
    cmd.Put(0x5B);
    cmd.Put(0x01);
    cmd.PutLE16(x);
    cmd.PutLE16(y);
    cmd.PutLE16(width);
    cmd.PutLE16(height);
    cmd.Put(option);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZLabelPrinter::PagePrint(unsigned char count)
{
    const unsigned char cmd[] = {0x1A, 0x4F, 0x01, count};
    return WriteCommand(cmd, sizeof cmd);
}

// ---- Lines and rectangles ----

bool NZLabelPrinter::DrawLine(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                              unsigned short lineWidth, unsigned char colour)
{
    unsigned char storage[14];
    NZCommandBuffer cmd(storage, sizeof storage);
    cmd.Put(0x1A);
    cmd.Put(0x5C);
    cmd.Put(0x01);
    cmd.PutLE16(x1);
    cmd.PutLE16(y1);
    cmd.PutLE16(x2);
    cmd.PutLE16(y2);
    cmd.PutLE16(lineWidth);
    cmd.Put(colour);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZLabelPrinter::DrawBox(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                             unsigned short borderWidth, unsigned char colour)
{
    unsigned char storage[14];
    NZCommandBuffer cmd(storage, sizeof storage);
    cmd.Put(0x1A);
    cmd.Put(0x26);
    cmd.Put(0x01);
    cmd.PutLE16(x1);
    cmd.PutLE16(y1);
    cmd.PutLE16(x2);
    cmd.PutLE16(y2);
    cmd.PutLE16(borderWidth);
    cmd.Put(colour);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZLabelPrinter::DrawRectangel(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                                   unsigned char colour)
{
    unsigned char storage[12];
    NZCommandBuffer cmd(storage, sizeof storage);
    cmd.Put(0x1A);
    cmd.Put(0x2A);
    cmd.Put(0x00);
    cmd.PutLE16(x1);
    cmd.PutLE16(y1);
    cmd.PutLE16(x2);
    cmd.PutLE16(y2);
    cmd.Put(colour);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

// ---- Text ----

bool NZLabelPrinter::DrawString(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                const char *bytes, unsigned int length)
{
    if ((!bytes && length != 0) || length > NZCommandBuffer::kMaxCommand - 12)
        return false;
    NZCommandBuffer cmd(static_cast<size_t>(length) + 12);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1A);
    cmd.Put(0x54);
    cmd.Put(0x01);
    cmd.PutLE16(x);
    cmd.PutLE16(y);
    cmd.PutLE16(a);
    cmd.PutLE16(b);
    cmd.PutBytes(bytes, length);
    cmd.Put(0x00);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZLabelPrinter::DrawString(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n > NZCommandBuffer::kMaxCommand - 12)
        return false;
    return DrawString(x, y, a, b, text, static_cast<unsigned int>(n));
}

bool NZLabelPrinter::DrawWideString(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                    const wchar_t *text, const char *encoding)
{
    if (!text || !encoding)
        return false;
    NZImgOwned<char> converted(NZIconv_WideToEncoding(text, encoding));
    return converted && DrawString(x, y, a, b, converted.get());
}

bool NZLabelPrinter::DrawWideStringInUTF8(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                          const wchar_t *text)
{
    return DrawWideString(x, y, a, b, text, "UTF-8");
}

bool NZLabelPrinter::DrawWideStringInGBK(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                         const wchar_t *text)
{
    return DrawWideString(x, y, a, b, text, "GBK");
}

bool NZLabelPrinter::DrawWideStringInBIG5(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                          const wchar_t *text)
{
    return DrawWideString(x, y, a, b, text, "BIG5");
}

bool NZLabelPrinter::DrawWideStringInShiftJIS(unsigned short x, unsigned short y, unsigned short a,
                                              unsigned short b, const wchar_t *text)
{
    return DrawWideString(x, y, a, b, text, "SHIFT-JIS");
}

bool NZLabelPrinter::DrawWideStringInEUCKR(unsigned short x, unsigned short y, unsigned short a, unsigned short b,
                                           const wchar_t *text)
{
    return DrawWideString(x, y, a, b, text, "EUC-KR");
}

// ---- Symbols ----

bool NZLabelPrinter::DrawBarcode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                                 unsigned char s3, unsigned char s4, const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n > NZCommandBuffer::kMaxCommand - 12)
        return false;
    NZCommandBuffer cmd(n + 12);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1A);
    cmd.Put(0x30);
    cmd.Put(0x00);
    cmd.PutLE16(x);
    cmd.PutLE16(y);
    cmd.Put(s1);
    cmd.Put(s2);
    cmd.Put(s3);
    cmd.Put(s4);
    cmd.PutBytes(text, n);
    cmd.Put(0x00);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZLabelPrinter::DrawQRCode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                                unsigned char s3, unsigned char s4, const char *bytes, unsigned int length)
{
    if ((!bytes && length != 0) || length > NZCommandBuffer::kMaxCommand - 12)
        return false;
    NZCommandBuffer cmd(static_cast<size_t>(length) + 12);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1A);
    cmd.Put(0x31);
    cmd.Put(0x00);
    cmd.Put(s1);
    cmd.Put(s2);
    cmd.PutLE16(x);
    cmd.PutLE16(y);
    cmd.Put(s3);
    cmd.Put(s4);
    cmd.PutBytes(bytes, length);
    cmd.Put(0x00);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZLabelPrinter::DrawQRCode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                                unsigned char s3, unsigned char s4, const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n > NZCommandBuffer::kMaxCommand - 12)
        return false;
    return DrawQRCode(x, y, s1, s2, s3, s4, text, static_cast<unsigned int>(n));
}

bool NZLabelPrinter::DrawWQRCode(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                                 unsigned char s3, unsigned char s4, const wchar_t *text, const char *encoding)
{
    if (!text || !encoding)
        return false;
    NZImgOwned<char> converted(NZIconv_WideToEncoding(text, encoding));
    return converted && DrawQRCode(x, y, s1, s2, s3, s4, converted.get());
}

bool NZLabelPrinter::DrawWQRCodeInUTF8(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                                       unsigned char s3, unsigned char s4, const wchar_t *text)
{
    return DrawWQRCode(x, y, s1, s2, s3, s4, text, "UTF-8");
}

bool NZLabelPrinter::DrawPDF417(unsigned short x, unsigned short y, unsigned char s1, unsigned char s2,
                                unsigned char s3, unsigned char s4, unsigned char s5, const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n > NZCommandBuffer::kMaxCommand - 13)
        return false;
    NZCommandBuffer cmd(n + 13);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1A);
    cmd.Put(0x31);
    cmd.Put(0x01);
    cmd.Put(s1);
    cmd.Put(s3);
    cmd.Put(s2);
    cmd.PutLE16(x);
    cmd.PutLE16(y);
    cmd.Put(s4);
    cmd.Put(s5);
    cmd.PutBytes(text, n);
    cmd.Put(0x00);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

// ---- Images ----

bool NZLabelPrinter::DrawRasterImageWithStyle(unsigned short x, unsigned short y, unsigned int bytesPerLine,
                                              unsigned int widthDots, unsigned int height, unsigned short style,
                                              const unsigned char *raster)
{
    if (!LabelRasterFits(bytesPerLine, height, raster))
        return false;
    const size_t dataLen = static_cast<size_t>(bytesPerLine) * height;
    // Padding bits beyond the image width must print white.
    NZImgOwned<unsigned char> copy(NZSym_CopyRasterClearingPadding(raster, bytesPerLine, widthDots, height));
    if (!copy)
        return false;
    NZCommandBuffer cmd(dataLen + 13);
    bool ok = false;
    if (cmd.Allocated()) {
        cmd.Put(0x1A);
        cmd.Put(0x21);
        cmd.Put(0x01);
        cmd.PutLE16(x);
        cmd.PutLE16(y);
        cmd.PutLE16(bytesPerLine * 8);
        cmd.PutLE16(height);
        cmd.PutLE16(style);
        cmd.PutBytes(copy.get(), dataLen);
        ok = cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
    }
    return ok;
}

bool NZLabelPrinter::DrawRasterImageWithJBIG5Compress(unsigned short x, unsigned short y, unsigned int bytesPerLine,
                                                      unsigned int widthDots, unsigned int height,
                                                      const unsigned char *raster)
{
    if (!LabelRasterFits(bytesPerLine, height, raster))
        return false;
    NZImgOwned<unsigned char> copy(NZSym_CopyRasterClearingPadding(raster, bytesPerLine, widthDots, height));
    if (!copy)
        return false;
    int bieLen = 0;
    NZImgOwned<unsigned char> bie(Quorvane_ImgUtils_RasterDataToJBIG5Data(static_cast<int>(bytesPerLine),
                                                                          static_cast<int>(bytesPerLine * 8),
                                                                          static_cast<int>(height), copy.get(),
                                                                          &bieLen));
    copy.reset();
    if (!bie)
        return false;
    bool ok = false;
    if (bieLen > 0) {
        NZCommandBuffer cmd(static_cast<size_t>(bieLen) + 15);
        if (cmd.Allocated()) {
            cmd.Put(0x1A);
            cmd.Put(0x21);
            cmd.Put(0xFF);
            cmd.PutLE16(x);
            cmd.PutLE16(y);
            cmd.PutLE16(bytesPerLine * 8);
            cmd.PutLE16(height);
            cmd.PutLE32(static_cast<uint32_t>(bieLen));
            cmd.PutBytes(bie.get(), static_cast<size_t>(bieLen));
            ok = cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
        }
    }
    return ok;
}

bool NZLabelPrinter::DrawRasterImageSpecifyCompressMethod(unsigned short x, unsigned short y,
                                                          unsigned int bytesPerLine, unsigned int widthDots,
                                                          unsigned int height, const unsigned char *raster,
                                                          int method)
{
    if (method == 0)
        return DrawRasterImageWithStyle(x, y, bytesPerLine, widthDots, height, 0, raster);
    if (method == 2)
        return DrawRasterImageWithJBIG5Compress(x, y, bytesPerLine, widthDots, height, raster);
    return false;
}

bool NZLabelPrinter::DrawConverted(unsigned short x, unsigned short y, unsigned char *converted, int bytesPerLine,
                                   int width, int height, int method)
{
    NZImgOwned<unsigned char> raster(converted);
    if (!raster)
        return false;
    return bytesPerLine > 0 && width > 0 && height > 0 &&
           DrawRasterImageSpecifyCompressMethod(x, y, static_cast<unsigned int>(bytesPerLine),
                                                static_cast<unsigned int>(width), static_cast<unsigned int>(height),
                                                raster.get(), method);
}

bool NZLabelPrinter::DrawRasterImageFromPixels(unsigned short x, unsigned short y, const unsigned char *pixels,
                                               int /*dataLength*/, int width, int height, int stride, int format,
                                               int binarization, int method)
{
    if (!LabelMethodKnown(method))
        return false;
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertPixels(pixels, width, height, stride, format, binarization, &bytesPerLine);
    return DrawConverted(x, y, raster, bytesPerLine, width, height, method);
}

bool NZLabelPrinter::DrawRasterImageFromData(unsigned short x, unsigned short y, const unsigned char *data, int size,
                                             int width, int height, int binarization, int method)
{
    if (!LabelMethodKnown(method))
        return false;
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertData(data, size, width, height, binarization, &bytesPerLine);
    return DrawConverted(x, y, raster, bytesPerLine, width, height, method);
}

bool NZLabelPrinter::DrawRasterImageFromFile(unsigned short x, unsigned short y, const char *path, int width,
                                             int height, int binarization, int method)
{
    if (!LabelMethodKnown(method))
        return false;
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertFile(path, width, height, binarization, &bytesPerLine);
    return DrawConverted(x, y, raster, bytesPerLine, width, height, method);
}

bool NZLabelPrinter::DrawRasterImageFromFileA(unsigned short x, unsigned short y, const char *path, int width,
                                              int height, int binarization, int method)
{
    return DrawRasterImageFromFile(x, y, path, width, height, binarization, method);
}
