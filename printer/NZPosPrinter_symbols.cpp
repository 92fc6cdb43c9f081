// Receipt commands that carry variable data: linear barcodes and their settings, QR and
// PDF417 symbols, raster images (plain, run-length, JBIG bands, GS 8 L), ruled lines and
// rectangles. Each sequence is built whole and leaves in one write.
#include "printer/NZPosPrinter.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/jbigcodec.h"
#include "nzcommon/imgprocess/rastercmd.h"
#include "printer/NZCommandBuffer.h"
#include "printer/NZSymbolImaging.h"

namespace {

const size_t kMax16 = 0xFFFFu;

// True when seq is exactly a chain of commands that start with the three bytes of lead and
// carry their body length as a 16-bit little-endian value at offset 3. A chain that does not
// add up (a cut length field) is never sent: the printer would run the excess as commands.
bool IsLengthChain(const unsigned char *seq, size_t size, const unsigned char lead[3])
{
    size_t pos = 0;
    while (pos < size) {
        if (size - pos < 5 || memcmp(seq + pos, lead, 3) != 0)
            return false;
        const size_t body = static_cast<size_t>(seq[pos + 3]) | (static_cast<size_t>(seq[pos + 4]) << 8);
        if (body > size - pos - 5)
            return false;
        pos += 5 + body;
    }
    return size > 0;
}

} // namespace

// ---- Barcode settings and linear barcodes ----

bool NZPosPrinter::POS_SetBarcodeUnitWidth(unsigned char n)
{
    const unsigned char cmd[] = {0x1D, 0x77, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetBarcodeHeight(unsigned char n)
{
    const unsigned char cmd[] = {0x1D, 0x68, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetBarcodeReadableTextFontType(unsigned char n)
{
    const unsigned char cmd[] = {0x1D, 0x66, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_SetBarcodeReadableTextPosition(unsigned char n)
{
    const unsigned char cmd[] = {0x1D, 0x48, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPosPrinter::POS_PrintBarcode(unsigned char m, const unsigned char *data, unsigned int length)
{
    // The count is one byte: longer data cannot be announced.
    if (length > 0xFF || (!data && length != 0))
        return false;
    NZCommandBuffer cmd(static_cast<size_t>(length) + 4);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1D);
    cmd.Put(0x6B);
    cmd.Put(m);
    cmd.Put(length);
    cmd.PutBytes(data, length);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_PrintBarcode(unsigned char m, const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n > 0xFF)
        return false;
    return POS_PrintBarcode(m, reinterpret_cast<const unsigned char *>(text), static_cast<unsigned int>(n));
}

// ---- QR and PDF417 symbols ----

bool NZPosPrinter::POS_PrintQRCode(unsigned char version, unsigned char level, const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n > kMax16)
        return false;
    NZCommandBuffer cmd(n + 7);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1D);
    cmd.Put(0x6B);
    cmd.Put(0x61);
    cmd.Put(version);
    cmd.Put(level);
    cmd.PutLE16(static_cast<unsigned int>(n));
    cmd.PutBytes(text, n);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_EPSON_PrintQRCode(unsigned char module, unsigned char level, const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    // The store function counts the data plus its three function bytes in 16 bits.
    if (n + 3 > kMax16)
        return false;
    NZCommandBuffer cmd(n + 32);
    if (!cmd.Allocated())
        return false;
    const unsigned char head[] = {0x1D, 0x28, 0x6B};
    // Module size.
    cmd.PutBytes(head, 3);
    cmd.PutBytes("\x03\x00\x31\x43", 4);
    cmd.Put(module);
    // Error-correction level 1..4 becomes 30..33 (L, M, Q, H).
    cmd.PutBytes(head, 3);
    cmd.PutBytes("\x03\x00\x31\x45", 4);
    cmd.Put(level + 47u);
    // Store the data.
    cmd.PutBytes(head, 3);
    cmd.PutLE16(static_cast<unsigned int>(n + 3));
    cmd.PutBytes("\x31\x50\x30", 3);
    cmd.PutBytes(text, n);
    // Print the stored symbol.
    cmd.PutBytes(head, 3);
    cmd.PutBytes("\x03\x00\x31\x51\x30", 5);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_PrintDoubleQRcode(const char *text1, unsigned short x1, unsigned char a1, unsigned char b1,
                                         const char *text2, unsigned short x2, unsigned char a2, unsigned char b2,
                                         unsigned char k)
{
    if (!text1 || !text2)
        return false;
    const size_t n1 = strlen(text1);
    const size_t n2 = strlen(text2);
    if (n1 > kMax16 || n2 > kMax16)
        return false;
    NZCommandBuffer cmd(n1 + n2 + 16);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1F);
    cmd.Put(0x51);
    cmd.Put(0x02);
    cmd.Put(k);
    // Positions and lengths of this command go high byte first.
    cmd.PutBE16(x1);
    cmd.PutBE16(static_cast<unsigned int>(n1));
    cmd.Put(a1);
    cmd.Put(b1);
    cmd.PutBytes(text1, n1);
    cmd.PutBE16(x2);
    cmd.PutBE16(static_cast<unsigned int>(n2));
    cmd.Put(a2);
    cmd.Put(b2);
    cmd.PutBytes(text2, n2);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_EPSON_PrintPDF417(unsigned char columns, unsigned char rows, unsigned char moduleWidth,
                                         unsigned char rowHeight, unsigned char level, unsigned char options,
                                         const char *text)
{
    if (!text)
        return false;
    const size_t n = strlen(text);
    if (n + 3 > kMax16)
        return false;
    NZCommandBuffer cmd(n + 65);
    if (!cmd.Allocated())
        return false;
    const unsigned char head[] = {0x1D, 0x28, 0x6B};
    const struct {
        unsigned char fn;
        unsigned char value;
    } settings[] = {{0x41, columns}, {0x42, rows}, {0x43, moduleWidth}, {0x44, rowHeight}};
    for (const auto &s : settings) {
        cmd.PutBytes(head, 3);
        cmd.PutBytes("\x03\x00\x30", 3);
        cmd.Put(s.fn);
        cmd.Put(s.value);
    }
    // Error correction chosen by level (mode 30): levels 0..8 become 30..38.
    cmd.PutBytes(head, 3);
    cmd.PutBytes("\x04\x00\x30\x45\x30", 5);
    cmd.Put(level + 0x30u);
    cmd.PutBytes(head, 3);
    cmd.PutBytes("\x03\x00\x30\x46", 4);
    cmd.Put(options);
    cmd.PutBytes(head, 3);
    cmd.PutLE16(static_cast<unsigned int>(n + 3));
    cmd.PutBytes("\x30\x50\x30", 3);
    cmd.PutBytes(text, n);
    cmd.PutBytes(head, 3);
    cmd.PutBytes("\x03\x00\x30\x51\x30", 5);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

// ---- Raster images ----

bool NZPosPrinter::POS_PrintRasterImageSpecifyCompressMethod(const unsigned char *data, unsigned int bytesPerLine,
                                                             unsigned int widthDots, unsigned int lines, int method)
{
    // Each form must be able to carry a row: GS v 0 names bytesPerLine in 16 bits, the
    // run-length command counts a raw row plus its flag byte in 16 bits, the JBIG band
    // command names bytesPerLine * 8 dots in 16 bits.
    size_t maxBytesPerLine = 0;
    if (method == 0)
        maxBytesPerLine = kMax16;
    else if (method == 1)
        maxBytesPerLine = kMax16 - 1;
    else if (method == 2)
        maxBytesPerLine = kMax16 / 8;
    else
        return false;
    if (!data || bytesPerLine == 0 || lines == 0 || bytesPerLine > maxBytesPerLine)
        return false;
    NZImgOwned<unsigned char> copy(NZSym_CopyRasterClearingPadding(data, bytesPerLine, widthDots, lines));
    if (!copy)
        return false;
    const int bpl = static_cast<int>(bytesPerLine);
    const int height = static_cast<int>(lines);
    int size = 0;
    NZImgOwned<unsigned char> seq;
    bool wellFormed = false;
    // The whole command is built before a byte of it is written.
    if (method == 0) {
        seq.reset(Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(bpl, height, copy.get(), 24, &size));
        wellFormed = seq && size > 0;
    } else if (method == 1) {
        static const unsigned char lead[3] = {0x1F, 0x28, 0x50};
        seq.reset(Quorvane_ImgUtils_RasterDataToCompressCmd(bpl, height, copy.get(), &size));
        wellFormed = seq && size > 0 && IsLengthChain(seq.get(), static_cast<size_t>(size), lead);
    } else {
        static const unsigned char lead[3] = {0x1F, 0x28, 0x4A};
        seq.reset(Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(bpl, height, copy.get(), 255, &size));
        wellFormed = seq && size > 0 && IsLengthChain(seq.get(), static_cast<size_t>(size), lead);
    }
    copy.reset();
    return wellFormed && WriteCommand(seq.get(), static_cast<size_t>(size));
}

// Prints a converted raster through print(raster, bytesPerLine, width, height) and frees
// it; false when the conversion failed.
template <typename Print>
static bool printConverted(unsigned char *converted, int bytesPerLine, int width, int height, Print print)
{
    NZImgOwned<unsigned char> raster(converted);
    if (!raster)
        return false;
    return bytesPerLine > 0 && print(raster.get(), static_cast<unsigned int>(bytesPerLine),
                                     static_cast<unsigned int>(width), static_cast<unsigned int>(height));
}

bool NZPosPrinter::POS_PrintRasterImageSpecifyCompressMethodFromPixels(const unsigned char *pixels,
                                                                       int /*dataLength*/, int width, int height,
                                                                       int stride, int format, int binarization,
                                                                       int method)
{
    if (method < 0 || method > 2)
        return false;
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertPixels(pixels, width, height, stride, format, binarization, &bytesPerLine);
    return printConverted(raster, bytesPerLine, width, height,
                          [&](const unsigned char *r, unsigned int bpl, unsigned int w, unsigned int h) {
                              return POS_PrintRasterImageSpecifyCompressMethod(r, bpl, w, h, method);
                          });
}

bool NZPosPrinter::POS_PrintRasterImageSpecifyCompressMethodFromData(const unsigned char *data, int size, int width,
                                                                     int height, int binarization, int method)
{
    if (method < 0 || method > 2)
        return false;
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertData(data, size, width, height, binarization, &bytesPerLine);
    return printConverted(raster, bytesPerLine, width, height,
                          [&](const unsigned char *r, unsigned int bpl, unsigned int w, unsigned int h) {
                              return POS_PrintRasterImageSpecifyCompressMethod(r, bpl, w, h, method);
                          });
}

bool NZPosPrinter::POS_PrintRasterImageSpecifyCompressMethodFromFile(const char *path, int width, int height,
                                                                     int binarization, int method)
{
    if (method < 0 || method > 2)
        return false;
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertFile(path, width, height, binarization, &bytesPerLine);
    return printConverted(raster, bytesPerLine, width, height,
                          [&](const unsigned char *r, unsigned int bpl, unsigned int w, unsigned int h) {
                              return POS_PrintRasterImageSpecifyCompressMethod(r, bpl, w, h, method);
                          });
}

bool NZPosPrinter::POS_PrintRasterImageSpecifyCompressMethodFromFileA(const char *path, int width, int height,
                                                                      int binarization, int method)
{
    return POS_PrintRasterImageSpecifyCompressMethodFromFile(path, width, height, binarization, method);
}

// ---- GS 8 L images ----

bool NZPosPrinter::POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(const unsigned char *data,
                                                                                unsigned int bytesPerLine,
                                                                                unsigned int widthDots,
                                                                                unsigned int lines)
{
    // The head names bytesPerLine * 8 dots and the height rounded up to 8, both in 16 bits.
    if (!data || bytesPerLine == 0 || lines == 0 || bytesPerLine > kMax16 / 8 || lines > (kMax16 / 8) * 8)
        return false;
    NZImgOwned<unsigned char> copy(NZSym_CopyRasterClearingPadding(data, bytesPerLine, widthDots, lines));
    if (!copy)
        return false;
    int size = 0;
    NZImgOwned<unsigned char> seq(Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(
        static_cast<int>(bytesPerLine), static_cast<int>(lines), copy.get(), &size));
    copy.reset();
    return seq && size > 0 && WriteCommand(seq.get(), static_cast<size_t>(size));
}

bool NZPosPrinter::POS_PrintEpsonTM88IVImageUseGS8CmdFromPixels(const unsigned char *pixels, int /*dataLength*/,
                                                                 int width, int height, int stride, int format,
                                                                 int binarization)
{
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertPixels(pixels, width, height, stride, format, binarization, &bytesPerLine);
    return printConverted(raster, bytesPerLine, width, height,
                          [&](const unsigned char *r, unsigned int bpl, unsigned int w, unsigned int h) {
                              return POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(r, bpl, w, h);
                          });
}

bool NZPosPrinter::POS_PrintEpsonTM88IVImageUseGS8CmdFromData(const unsigned char *data, int size, int width,
                                                               int height, int binarization)
{
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertData(data, size, width, height, binarization, &bytesPerLine);
    return printConverted(raster, bytesPerLine, width, height,
                          [&](const unsigned char *r, unsigned int bpl, unsigned int w, unsigned int h) {
                              return POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(r, bpl, w, h);
                          });
}

bool NZPosPrinter::POS_PrintEpsonTM88IVImageUseGS8CmdFromFile(const char *path, int width, int height,
                                                               int binarization)
{
    int bytesPerLine = 0;
    unsigned char *raster = NZSym_ConvertFile(path, width, height, binarization, &bytesPerLine);
    return printConverted(raster, bytesPerLine, width, height,
                          [&](const unsigned char *r, unsigned int bpl, unsigned int w, unsigned int h) {
                              return POS_PrintEpsonTM88IVImageUseGS8CmdWithHorizontalRasterImage(r, bpl, w, h);
                          });
}

bool NZPosPrinter::POS_PrintEpsonTM88IVImageUseGS8CmdFromFileA(const char *path, int width, int height,
                                                                int binarization)
{
    return POS_PrintEpsonTM88IVImageUseGS8CmdFromFile(path, width, height, binarization);
}

// ---- Ruled lines and rectangles ----

bool NZPosPrinter::POS_PrintHorizontalLineSpecifyThickness(unsigned short x1, unsigned short x2, unsigned int count)
{
    // Refused before any allocation: no rows, or more rows than one write can carry.
    if (count == 0 || count > NZCommandBuffer::kMaxCommand / 7)
        return false;
    const unsigned char row[7] = {0x1D, 0x27, 0x01, Lo(x1), Hi(x1), Lo(x2), Hi(x2)};
    NZCommandBuffer cmd(static_cast<size_t>(count) * 7);
    if (!cmd.Allocated())
        return false;
    for (unsigned int i = 0; i < count; ++i)
        cmd.PutBytes(row, sizeof row);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_PrintMultipleHorizontalLines(unsigned char n, const int *starts, const int *ends)
{
    if (n != 0 && (!starts || !ends))
        return false;
    NZCommandBuffer cmd(static_cast<size_t>(n) * 4 + 3);
    if (!cmd.Allocated())
        return false;
    cmd.Put(0x1D);
    cmd.Put(0x27);
    cmd.Put(n);
    for (unsigned int i = 0; i < n; ++i) {
        cmd.PutLE16(static_cast<unsigned int>(starts[i]) & 0xFFFFu);
        cmd.PutLE16(static_cast<unsigned int>(ends[i]) & 0xFFFFu);
    }
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_DrawRect(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                                unsigned char colour)
{
    unsigned char storage[15];
    NZCommandBuffer cmd(storage, sizeof storage);
    cmd.PutBytes("\x1F\x28\x52\x0A\x00", 5);
    // Corners go high byte first in this command.
    cmd.PutBE16(x1);
    cmd.PutBE16(y1);
    cmd.PutBE16(x2);
    cmd.PutBE16(y2);
    cmd.Put(colour);
    cmd.Put(0x01);
    return cmd.Complete() && WriteCommand(cmd.Data(), cmd.Size());
}

bool NZPosPrinter::POS_DrawBox(unsigned short x1, unsigned short y1, unsigned short x2, unsigned short y2,
                               unsigned char border, unsigned char colour)
{
    // The outline is the outer rectangle in the colour with its interior, inset by the
    // border on every side, in the other colour.
    if (!POS_DrawRect(x1, y1, x2, y2, colour))
        return false;
    const int ix1 = x1 + border;
    const int iy1 = y1 + border;
    const int ix2 = x2 - border;
    const int iy2 = y2 - border;
    // A border that meets itself leaves no interior: the outer rectangle is the whole box.
    if (ix1 > ix2 || iy1 > iy2)
        return true;
    return POS_DrawRect(static_cast<unsigned short>(ix1), static_cast<unsigned short>(iy1),
                        static_cast<unsigned short>(ix2), static_cast<unsigned short>(iy2), colour == 0 ? 1 : 0);
}
