// JBIG T.85 through jbig85: encoder and decoder state and the output sink live on the
// caller's stack, so every call is independent of the others.
#include "nzcommon/imgprocess/jbigcodec.h"

// The codec's header has no C++ linkage block of its own.
extern "C" {
#include <jbig85.h>
}

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "nzcommon/imgprocess/base64.h"
#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgsizes.h"
#include "nzcommon/imgprocess/monoformat.h"
#include "nzcommon/imgprocess/parallel.h"

namespace {

// Destination of the codec's output: a chunk is copied only when it fits whole; the total
// counts every chunk.
struct Sink {
    unsigned char *dst;
    uint64_t capacity;
    uint64_t stored;
    uint64_t total;
};

void SinkPut(Sink *sink, const unsigned char *p, size_t len)
{
    sink->total += len;
    if (sink->dst && len <= sink->capacity - sink->stored) {
        memcpy(sink->dst + sink->stored, p, len);
        sink->stored += len;
    }
}

} // namespace

void Quorvane_ImgUtils_output_bie(unsigned char *start, size_t len, void *file)
{
    SinkPut(static_cast<Sink *>(file), start, len);
}

int Quorvane_ImgUtils_jbg85_dec_line_out_callback(const struct jbg85_dec_state *, unsigned char *start, size_t len,
                                                  unsigned long, void *file)
{
    SinkPut(static_cast<Sink *>(file), start, len);
    return 0;
}

namespace {

bool EncodeArgsOk(int bytesPerLine, int widthDots, int lines, const unsigned char *raster)
{
    int64_t bytes;
    return raster && bytesPerLine > 0 && lines > 0 && widthDots > 0 &&
           static_cast<int64_t>(widthDots) <= static_cast<int64_t>(bytesPerLine) * 8 &&
           NZImg_MulSize(bytesPerLine, lines, &bytes, INT64_MAX / 2);
}

// Encodes the rows, handing every chunk of the BIE to out(start, len, file). The codec
// clears the padding bits of each line it is given, in place, so it works on copies in a
// ring of three lines and the caller's raster is only read. The rows above the first two
// lines do not exist and are passed as null.
void Encode(int bytesPerLine, int widthDots, int lines, const unsigned char *raster,
            void (*out)(unsigned char *, size_t, void *), void *file)
{
    const size_t lineBytes = static_cast<size_t>(NZImg_BytesForDots(widthDots));
    std::vector<unsigned char> ring(lineBytes * 3);
    struct jbg85_enc_state state;
    jbg85_enc_init(&state, static_cast<unsigned long>(widthDots), static_cast<unsigned long>(lines), out, file);
    jbg85_enc_options(&state, 0, 0, -1);
    for (int y = 0; y < lines; ++y) {
        unsigned char *line = &ring[lineBytes * static_cast<size_t>(y % 3)];
        memcpy(line, raster + static_cast<int64_t>(y) * bytesPerLine, lineBytes);
        unsigned char *prev = y >= 1 ? &ring[lineBytes * static_cast<size_t>((y + 2) % 3)] : nullptr;
        unsigned char *prevprev = y >= 2 ? &ring[lineBytes * static_cast<size_t>((y + 1) % 3)] : nullptr;
        jbg85_enc_lineout(&state, line, prev, prevprev);
    }
}

// A growing BIE. The codec is C and calls back into AppendChunk: nothing may be thrown
// through it, so a failed append is noted and reported once the codec has returned.
struct GrowingBie {
    std::vector<unsigned char> *out;
    bool failed;
};

void AppendChunk(unsigned char *start, size_t len, void *file)
{
    GrowingBie *bie = static_cast<GrowingBie *>(file);
    if (bie->failed)
        return;
    try {
        bie->out->insert(bie->out->end(), start, start + len);
    } catch (...) {
        bie->failed = true;
    }
}

// Appends the BIE of a block of rows to a growing buffer; returns its length. Throws
// std::bad_alloc when the buffer could not grow.
size_t EncodeAppend(int bytesPerLine, int widthDots, int lines, const unsigned char *raster,
                    std::vector<unsigned char> *out)
{
    size_t before = out->size();
    GrowingBie bie{out, false};
    Encode(bytesPerLine, widthDots, lines, raster, AppendChunk, &bie);
    if (bie.failed)
        throw std::bad_alloc();
    return out->size() - before;
}

} // namespace

int Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(int bytesPerLine, int widthDots, int lines,
                                                     const unsigned char *raster, unsigned char *dst, int capacity,
                                                     int *outTotal)
{
    if (!EncodeArgsOk(bytesPerLine, widthDots, lines, raster) || capacity < 0)
        return 0;
    Sink sink{dst, dst ? static_cast<uint64_t>(capacity) : 0, 0, 0};
    Encode(bytesPerLine, widthDots, lines, raster, Quorvane_ImgUtils_output_bie, &sink);
    if (sink.total > INT_MAX)
        return 0;
    NZImg_Store(outTotal, static_cast<int>(sink.total));
    return sink.total == sink.stored ? 1 : 0;
}

unsigned char *Quorvane_ImgUtils_RasterDataToJBIG5Data(int bytesPerLine, int widthDots, int lines,
                                                       const unsigned char *raster, int *outLength)
{
    NZImg_Store(outLength, 0);
    if (!EncodeArgsOk(bytesPerLine, widthDots, lines, raster))
        return nullptr;
    // One encoding pass into a growing buffer gives the same bytes as measuring first.
    std::vector<unsigned char> bie;
    size_t len = EncodeAppend(bytesPerLine, widthDots, lines, raster, &bie);
    if (len == 0 || len > INT_MAX)
        return nullptr;
    unsigned char *buf = static_cast<unsigned char *>(malloc(len));
    if (!buf)
        return nullptr;
    memcpy(buf, bie.data(), len);
    NZImg_Store(outLength, static_cast<int>(len));
    return buf;
}

unsigned char *Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(int bytesPerLine, int lines,
                                                                       const unsigned char *raster, int bankHeight,
                                                                       int *outSize)
{
    const int kHeader = 8;
    const size_t kMaxBie = 0xFFFF - 3;
    if (!raster || bytesPerLine <= 0 || bytesPerLine * 8LL > 0xFFFF || lines <= 0 || bankHeight <= 0)
        return nullptr;
    const int widthDots = bytesPerLine * 8;
    const int band = bankHeight > 255 ? 255 : bankHeight;
    // Every band is an image of its own: the bands of the regular grid are encoded at the
    // same time, each into its own buffer, and joined in order behind their headers.
    const int gridBands = (lines - 1) / band + 1;
    std::vector<std::vector<unsigned char>> encoded(static_cast<size_t>(gridBands));
    const bool encodedAll = NZPar_For(gridBands, 1, [&](int first, int last) {
        for (int b = first; b < last; ++b) {
            const int start = b * band;
            const int n = lines - start < band ? lines - start : band;
            // The codec hands over its output a byte at a time: each band grows a vector of
            // its own thread, not one whose header shares a cache line with the others'.
            std::vector<unsigned char> bie;
            EncodeAppend(bytesPerLine, widthDots, n, raster + static_cast<int64_t>(start) * bytesPerLine, &bie);
            encoded[static_cast<size_t>(b)] = std::move(bie);
        }
    });
    if (!encodedAll)
        return nullptr;
    // A BIE too long for the 16-bit length field is encoded again as two halves; from there
    // on the bands no longer follow the grid and are encoded one after the other.
    std::vector<unsigned char> out;
    int start = 0;
    int n = lines < band ? lines : band;
    bool onGrid = true;
    while (start < lines) {
        size_t headerAt = out.size();
        size_t b;
        if (onGrid) {
            const std::vector<unsigned char> &bie = encoded[static_cast<size_t>(start / band)];
            b = bie.size();
            if (b <= kMaxBie) {
                out.resize(headerAt + kHeader);
                out.insert(out.end(), bie.begin(), bie.end());
            }
        } else {
            out.resize(headerAt + kHeader);
            b = EncodeAppend(bytesPerLine, widthDots, n, raster + static_cast<int64_t>(start) * bytesPerLine, &out);
        }
        if (b > kMaxBie) {
            out.resize(headerAt);
            if (n == 1)
                return nullptr;
            n = (n + 1) / 2;
            onGrid = false;
            continue;
        }
        unsigned char *h = &out[headerAt];
        h[0] = 0x1F;
        h[1] = 0x28;
        h[2] = 0x4A;
        h[3] = static_cast<unsigned char>((b + 3) & 0xFF);
        h[4] = static_cast<unsigned char>((b + 3) >> 8);
        h[5] = static_cast<unsigned char>(widthDots & 0xFF);
        h[6] = static_cast<unsigned char>(widthDots >> 8);
        h[7] = static_cast<unsigned char>(n);
        start += n;
        n = lines - start < band ? lines - start : band;
        if (out.size() > INT_MAX)
            return nullptr;
    }
    unsigned char *buf = static_cast<unsigned char *>(malloc(out.size()));
    if (!buf)
        return nullptr;
    memcpy(buf, out.data(), out.size());
    NZImg_Store(outSize, static_cast<int>(out.size()));
    return buf;
}

char *Quorvane_ImgUtils_RasterDataToJBIG5Base64Data(int bytesPerLine, int widthDots, int lines,
                                                    const unsigned char *raster)
{
    int len = 0;
    NZImgOwned<unsigned char> bie(
        Quorvane_ImgUtils_RasterDataToJBIG5Data(bytesPerLine, widthDots, lines, raster, &len));
    if (!bie)
        return nullptr;
    int64_t textSize = (static_cast<int64_t>(len) + 2) / 3 * 4 + 1;
    char *text = textSize <= INT_MAX ? static_cast<char *>(malloc(static_cast<size_t>(textSize))) : nullptr;
    if (text)
        base64_encode(bie.get(), len, text);
    return text;
}

namespace {

// Converts the pixels and encodes them; the BIE length or 0.
int EncodePixels(const unsigned char *pixels, int width, int height, int stride, int format, int method,
                 unsigned char *dst, int capacity)
{
    int bpl = 0;
    NZImgOwned<unsigned char> raster(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(
        pixels, width, height, stride, format, method, nullptr, &bpl));
    if (!raster)
        return 0;
    int total = 0;
    int ok =
        Quorvane_ImgUtils_RasterDataCompressToJBIG85Data(bpl, width, height, raster.get(), dst, capacity, &total);
    return dst ? (ok ? total : 0) : total;
}

} // namespace

int Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataLength(const unsigned char *pixels, int dataLength, int width,
                                                            int height, int stride, int format, int method)
{
    (void)dataLength;
    return EncodePixels(pixels, width, height, stride, format, method, nullptr, 0);
}

int Quorvane_ImgUtils_GetRasterDataCompressToJBIGDataBytes(const unsigned char *pixels, int dataLength, int width,
                                                           int height, int stride, int format, int method,
                                                           unsigned char *dst, int capacity)
{
    (void)dataLength;
    if (!dst || capacity <= 0)
        return 0;
    return EncodePixels(pixels, width, height, stride, format, method, dst, capacity);
}

int Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(const unsigned char *bie, int length, int *outBytesPerLine,
                                                     int *outWidth, int *outHeight, unsigned char *dst, int capacity,
                                                     int *outTotal)
{
    const size_t kHeaderSize = 20;
    if (!bie || length <= 0 || capacity < 0)
        return 0;
    Sink sink{dst, dst ? static_cast<uint64_t>(capacity) : 0, 0, 0};
    unsigned char lineBuffer[4096];
    struct jbg85_dec_state state;
    jbg85_dec_init(&state, lineBuffer, sizeof(lineBuffer), Quorvane_ImgUtils_jbg85_dec_line_out_callback, &sink);
    // The header is read on its own first. A size that no raster command carries, or past
    // the decoding limit, is refused before any row is decoded; the codec is only finished
    // (which fills the rows still pending) for an accepted header.
    unsigned char *data = const_cast<unsigned char *>(bie);
    const size_t len = static_cast<size_t>(length);
    const size_t head = len < kHeaderSize ? len : kHeaderSize;
    int rc = jbg85_dec_in(&state, data, head, nullptr);
    const uint64_t declaredW = state.x0, declaredH = state.y0;
    const bool accepted = rc == JBG_EAGAIN && jbg85_dec_validwidth(&state) && declaredW > 0 && declaredH > 0 &&
                          declaredW <= NZIMG_MAX_RASTER_SIDE && declaredH <= NZIMG_MAX_RASTER_SIDE &&
                          declaredW * declaredH <= static_cast<uint64_t>(NZIMG_MAX_PIXELS);
    if (accepted && len > head)
        rc = jbg85_dec_in(&state, data + head, len - head, nullptr);
    int ok = 0;
    if (accepted && rc == JBG_EOK) {
        uint64_t width = jbg85_dec_getwidth(&state);
        uint64_t height = jbg85_dec_getheight(&state);
        uint64_t bpl = (width + 7) / 8;
        // The rows delivered must make up exactly the image the header announced.
        if (width > 0 && height > 0 && width <= declaredW && height <= declaredH && sink.total == bpl * height &&
            sink.total <= INT_MAX) {
            NZImg_Store(outWidth, static_cast<int>(width));
            NZImg_Store(outHeight, static_cast<int>(height));
            NZImg_Store(outBytesPerLine, static_cast<int>(bpl));
            ok = sink.total == sink.stored ? 1 : 0;
        }
    }
    if (accepted && rc == JBG_EAGAIN)
        jbg85_dec_end(&state);
    NZImg_Store(outTotal, sink.total > INT_MAX ? INT_MAX : static_cast<int>(sink.total));
    return ok;
}

int Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(const unsigned char *bie, int length, int *outWidth,
                                                  int *outHeight)
{
    int w = 0, h = 0, bpl = 0, total = 0;
    Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, length, &bpl, &w, &h, nullptr, 0, &total);
    if (w == 0 || h == 0)
        return 0;
    NZImg_Store(outWidth, w);
    NZImg_Store(outHeight, h);
    return 1;
}

int Quorvane_ImgUtils_DecodeRGBAImageFromJBIGData(const unsigned char *bie, int length, unsigned int background,
                                                  unsigned int foreground, unsigned int *dst, int *outWidth,
                                                  int *outHeight)
{
    if (!dst)
        return 0;
    int w = 0, h = 0, bpl = 0, total = 0;
    Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, length, &bpl, &w, &h, nullptr, 0, &total);
    if (w == 0 || h == 0 || total <= 0)
        return 0;
    unsigned char *raster = static_cast<unsigned char *>(malloc(static_cast<size_t>(total)));
    if (!raster)
        return 0;
    if (!Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, length, &bpl, &w, &h, raster, total, &total)) {
        free(raster);
        return 0;
    }
    unsigned int *out = dst;
    for (int y = 0; y < h; ++y) {
        const unsigned char *row = raster + static_cast<int64_t>(y) * bpl;
        for (int x = 0; x < w; ++x)
            *out++ = ((row[x >> 3] >> (7 - (x & 7))) & 1) ? foreground : background;
    }
    free(raster);
    NZImg_Store(outWidth, w);
    NZImg_Store(outHeight, h);
    return 1;
}
