// Raster command builders: every multi-command form sizes its output in a first pass and
// allocates once.
#include "nzcommon/imgprocess/rastercmd.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgsizes.h"

namespace {

const int kMax16 = 0xFFFF;
const int kGsV0HeaderSize = 8;
const int kUsPHeaderSize = 5;
const int kMaxRun = 255;

void PutLE16(unsigned char *p, int v)
{
    p[0] = static_cast<unsigned char>(v & 0xFF);
    p[1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}

void PutLE32(unsigned char *p, uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}

// GS v 0 header and data of one block of rows.
unsigned char *WriteGsV0(unsigned char *p, int bytesPerLine, int lines, const unsigned char *rows)
{
    p[0] = 0x1D;
    p[1] = 0x76;
    p[2] = 0x30;
    p[3] = 0x00;
    PutLE16(p + 4, bytesPerLine);
    PutLE16(p + 6, lines);
    size_t n = static_cast<size_t>(bytesPerLine) * static_cast<size_t>(lines);
    memcpy(p + kGsV0HeaderSize, rows, n);
    return p + kGsV0HeaderSize + n;
}

// Size of a single GS v 0 command, or -1 when a field cannot hold its value.
int64_t SingleGsV0Size(int bytesPerLine, int lines, const unsigned char *raster)
{
    int64_t data;
    if (!raster || bytesPerLine <= 0 || bytesPerLine > kMax16 || lines <= 0 || lines > kMax16 ||
        !NZImg_MulSize(bytesPerLine, lines, &data, INT_MAX - kGsV0HeaderSize))
        return -1;
    return data + kGsV0HeaderSize;
}

// Number of (value, count) bytes for a line, with runs split at 255.
int64_t RunBodyLength(const unsigned char *line, int len)
{
    int64_t n = 0;
    int i = 0;
    while (i < len) {
        int j = i + 1;
        while (j < len && line[j] == line[i])
            ++j;
        int run = j - i;
        n += 2 * ((run + kMaxRun - 1) / kMaxRun);
        i = j;
    }
    return n;
}

} // namespace

unsigned char *Quorvane_ImgUtils_GetRasterCmdFromRasterData(int bytesPerLine, int lines, const unsigned char *raster,
                                                            int *outSize)
{
    int64_t size = SingleGsV0Size(bytesPerLine, lines, raster);
    if (size < 0)
        return nullptr;
    NZImg_Store(outSize, static_cast<int>(size));
    unsigned char *buf = static_cast<unsigned char *>(malloc(static_cast<size_t>(size)));
    if (buf)
        WriteGsV0(buf, bytesPerLine, lines, raster);
    return buf;
}

int Quorvane_ImgUtils_RasterDataToRasterCmd(int bytesPerLine, int lines, const unsigned char *raster,
                                            unsigned char *out, int *outSize)
{
    int64_t size = SingleGsV0Size(bytesPerLine, lines, raster);
    if (size < 0)
        return 0;
    NZImg_Store(outSize, static_cast<int>(size));
    if (out)
        WriteGsV0(out, bytesPerLine, lines, raster);
    return 1;
}

unsigned char *Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(int bytesPerLine, int lines,
                                                                        const unsigned char *raster, int bankHeight,
                                                                        int *outSize)
{
    int64_t data;
    if (!raster || bytesPerLine <= 0 || bytesPerLine > kMax16 || lines <= 0 || bankHeight <= 0 ||
        !NZImg_MulSize(bytesPerLine, lines, &data))
        return nullptr;
    int band = bankHeight > kMax16 ? kMax16 : bankHeight;
    int64_t bands = (static_cast<int64_t>(lines) + band - 1) / band;
    int64_t total = data + bands * kGsV0HeaderSize;
    if (total > INT_MAX)
        return nullptr;
    NZImg_Store(outSize, static_cast<int>(total));
    unsigned char *buf = static_cast<unsigned char *>(malloc(static_cast<size_t>(total)));
    if (!buf)
        return nullptr;
    unsigned char *p = buf;
    for (int start = 0; start < lines; start += band) {
        int n = lines - start < band ? lines - start : band;
        p = WriteGsV0(p, bytesPerLine, n, raster + static_cast<int64_t>(start) * bytesPerLine);
    }
    return buf;
}

int Quorvane_ImgUtils_CompressDataBuf(const unsigned char *line, int len, unsigned char *out, int *outLen)
{
    if (!line || len <= 0 || len >= INT_MAX)
        return 0;
    int64_t n = RunBodyLength(line, len);
    bool packed = n < len && n <= kMaxRun;
    int payload = packed ? static_cast<int>(n) + 1 : len + 1;
    NZImg_Store(outLen, payload);
    if (!out)
        return payload;
    if (!packed) {
        out[0] = 0x00;
        memcpy(out + 1, line, static_cast<size_t>(len));
        return payload;
    }
    unsigned char *p = out;
    *p++ = static_cast<unsigned char>(n);
    int i = 0;
    while (i < len) {
        int j = i + 1;
        while (j < len && line[j] == line[i])
            ++j;
        for (int run = j - i; run > 0; run -= kMaxRun) {
            *p++ = line[i];
            *p++ = static_cast<unsigned char>(run > kMaxRun ? kMaxRun : run);
        }
        i = j;
    }
    return payload;
}

unsigned char *Quorvane_ImgUtils_RasterDataToCompressCmd(int bytesPerLine, int lines, const unsigned char *raster,
                                                         int *outSize)
{
    int64_t data;
    // A raw payload is the line plus one byte and its length must fit the 16-bit field.
    if (!raster || bytesPerLine <= 0 || bytesPerLine >= kMax16 || lines <= 0 ||
        !NZImg_MulSize(bytesPerLine, lines, &data))
        return nullptr;
    int64_t total = 0;
    for (int y = 0; y < lines; ++y) {
        total += Quorvane_ImgUtils_CompressDataBuf(raster + static_cast<int64_t>(y) * bytesPerLine, bytesPerLine,
                                                   nullptr, nullptr) +
                 kUsPHeaderSize;
        if (total > INT_MAX)
            return nullptr;
    }
    NZImg_Store(outSize, static_cast<int>(total));
    unsigned char *buf = static_cast<unsigned char *>(malloc(static_cast<size_t>(total)));
    if (!buf)
        return nullptr;
    unsigned char *p = buf;
    for (int y = 0; y < lines; ++y) {
        int m = Quorvane_ImgUtils_CompressDataBuf(raster + static_cast<int64_t>(y) * bytesPerLine, bytesPerLine,
                                                  p + kUsPHeaderSize, nullptr);
        p[0] = 0x1F;
        p[1] = 0x28;
        p[2] = 0x50;
        PutLE16(p + 3, m);
        p += kUsPHeaderSize + m;
    }
    return buf;
}

unsigned char *Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(int bytesPerLine, int lines,
                                                                    const unsigned char *raster, int *outSize)
{
    static const unsigned char kPrint[] = {0x1D, 0x38, 0x4C, 0x02, 0x00, 0x00, 0x00, 0x30, 0x02};
    const int64_t kStoreHeader = 17;
    if (!raster || bytesPerLine <= 0 || lines <= 0)
        return nullptr;
    int64_t widthDots = static_cast<int64_t>(bytesPerLine) * 8;
    int64_t heightDots = (static_cast<int64_t>(lines) + 7) / 8 * 8;
    if (widthDots > kMax16 || heightDots > kMax16)
        return nullptr;
    int64_t dataLen = widthDots * heightDots / 8;
    int64_t total = dataLen + kStoreHeader + static_cast<int64_t>(sizeof(kPrint));
    if (total > INT_MAX)
        return nullptr;
    NZImg_Store(outSize, static_cast<int>(total));
    unsigned char *buf = static_cast<unsigned char *>(calloc(static_cast<size_t>(total), 1));
    if (!buf)
        return nullptr;
    unsigned char *p = buf;
    p[0] = 0x1D;
    p[1] = 0x38;
    p[2] = 0x4C;
    PutLE32(p + 3, static_cast<uint32_t>(dataLen + 10));
    p[7] = 0x30;
    p[8] = 0x70;
    p[9] = 0x30;
    p[10] = 0x01;
    p[11] = 0x01;
    p[12] = 0x31;
    PutLE16(p + 13, static_cast<int>(widthDots));
    PutLE16(p + 15, static_cast<int>(heightDots));
    memcpy(p + kStoreHeader, raster, static_cast<size_t>(bytesPerLine) * static_cast<size_t>(lines));
    memcpy(p + kStoreHeader + dataLen, kPrint, sizeof(kPrint));
    return buf;
}
