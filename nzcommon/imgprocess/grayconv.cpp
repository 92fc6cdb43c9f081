// Gray conversion. Luma and the composition over white are the double-precision formulas;
// they are evaluated through tables of the same products, which gives the same bytes.
#include "nzcommon/imgprocess/grayconv.h"

#include <cstdlib>
#include <cstring>

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgsizes.h"
#include "nzcommon/imgprocess/parallel.h"

const unsigned char BitReverseTable256[256] = {
#define R2(n) n, n + 2 * 64, n + 1 * 64, n + 3 * 64
#define R4(n) R2(n), R2(n + 2 * 16), R2(n + 1 * 16), R2(n + 3 * 16)
#define R6(n) R4(n), R4(n + 2 * 4), R4(n + 1 * 4), R4(n + 3 * 4)
    R6(0), R6(2), R6(1), R6(3)
#undef R6
#undef R4
#undef R2
};

namespace {

struct GrayTables {
    double r[256], g[256], b[256]; // 0.299 * v, 0.587 * v, 0.114 * v
    unsigned char over[256][256];  // [alpha][gray]: gray composited over white
};

void FillTables(GrayTables *t)
{
    for (int v = 0; v < 256; ++v) {
        t->r[v] = 0.299 * v;
        t->g[v] = 0.587 * v;
        t->b[v] = 0.114 * v;
    }
    for (int a = 0; a < 256; ++a) {
        double tr = 1 - a / 255.0;
        for (int g = 0; g < 256; ++g)
            t->over[a][g] = static_cast<unsigned char>(tr * 255 + g * (1 - tr) + 0.5);
    }
}

const GrayTables &Tables()
{
    static GrayTables tables;
    static const bool filled = (FillTables(&tables), true);
    (void)filled;
    return tables;
}

inline unsigned char Luma(const GrayTables &t, int r, int g, int b)
{
    return static_cast<unsigned char>(t.r[r] + t.g[g] + t.b[b]);
}

template <int R, int G, int B, int A, int S>
void ConvertRows(const unsigned char *pixels, int width, int y0, int y1, int stride, unsigned char *gray,
                 size_t grayStride)
{
    const GrayTables &t = Tables();
    for (int y = y0; y < y1; ++y) {
        const unsigned char *p = pixels + static_cast<int64_t>(y) * stride;
        unsigned char *out = gray + static_cast<size_t>(y - y0) * grayStride;
        for (int x = 0; x < width; ++x, p += S) {
            unsigned char l = Luma(t, p[R], p[G], p[B]);
            out[x] = A < 0 ? l : t.over[p[A < 0 ? 0 : A]][l];
        }
    }
}

} // namespace

long long NZImg_MinStride(int format, int width)
{
    if (width < 0)
        return -1;
    switch (format) {
    case NZIMG_FORMAT_MONO_MSB:
    case NZIMG_FORMAT_MONO_LSB: return NZImg_BytesForDots(width);
    case NZIMG_FORMAT_GRAY: return width;
    case NZIMG_FORMAT_RGB:
    case NZIMG_FORMAT_BGR: return 3LL * width;
    case NZIMG_FORMAT_ARGB:
    case NZIMG_FORMAT_RGBA:
    case NZIMG_FORMAT_ABGR:
    case NZIMG_FORMAT_BGRA: return 4LL * width;
    default: return -1;
    }
}

unsigned char *Quorvane_ImgUtils_ConvertImageToGrayFormat(const unsigned char *pixels, int width, int height,
                                                          int stride, int format)
{
    int64_t total;
    long long minStride = NZImg_MinStride(format, width);
    if (!pixels || width <= 0 || height <= 0 || format < NZIMG_FORMAT_GRAY || minStride < 0 || stride < minStride ||
        !NZImg_MulSize(width, height, &total))
        return nullptr;
    NZImgOwned<unsigned char> owner(static_cast<unsigned char *>(NZImg_Alloc(static_cast<size_t>(total))));
    unsigned char *const gray = owner.get();
    if (!gray)
        return nullptr;
    const int threads = NZPar_Threads();
    const int least = (1 << 17) / width > 32 ? (1 << 17) / width : 32;
    const int grain = height / (4 * threads) > least ? height / (4 * threads) : least;
    const bool ok = NZPar_For(height, grain, [&](int y0, int y1) {
        NZGray_Rows(pixels, width, stride, format, y0, y1, gray + static_cast<int64_t>(y0) * width,
                    static_cast<size_t>(width));
    });
    return ok ? owner.release() : nullptr;
}

void NZGray_Rows(const unsigned char *pixels, int width, int stride, int format, int y0, int y1, unsigned char *gray,
                 size_t grayStride)
{
    switch (format) {
    case NZIMG_FORMAT_GRAY:
        for (int y = y0; y < y1; ++y)
            memcpy(gray + static_cast<size_t>(y - y0) * grayStride, pixels + static_cast<int64_t>(y) * stride,
                   static_cast<size_t>(width));
        break;
    case NZIMG_FORMAT_RGB: ConvertRows<0, 1, 2, -1, 3>(pixels, width, y0, y1, stride, gray, grayStride); break;
    case NZIMG_FORMAT_BGR: ConvertRows<2, 1, 0, -1, 3>(pixels, width, y0, y1, stride, gray, grayStride); break;
    case NZIMG_FORMAT_ARGB: ConvertRows<1, 2, 3, 0, 4>(pixels, width, y0, y1, stride, gray, grayStride); break;
    case NZIMG_FORMAT_RGBA: ConvertRows<0, 1, 2, 3, 4>(pixels, width, y0, y1, stride, gray, grayStride); break;
    case NZIMG_FORMAT_ABGR: ConvertRows<3, 2, 1, 0, 4>(pixels, width, y0, y1, stride, gray, grayStride); break;
    case NZIMG_FORMAT_BGRA: ConvertRows<2, 1, 0, 3, 4>(pixels, width, y0, y1, stride, gray, grayStride); break;
    }
}

unsigned char *Quorvane_ImgUtils_ConvertMonoImageToMonoLsbFormat(const unsigned char *pixels, int width, int height,
                                                                 int stride)
{
    (void)width;
    int64_t total;
    if (!pixels || height <= 0 || stride <= 0 || !NZImg_MulSize(height, stride, &total))
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(malloc(static_cast<size_t>(total)));
    if (!dst)
        return nullptr;
    for (int64_t i = 0; i < total; ++i)
        dst[i] = BitReverseTable256[pixels[i]];
    return dst;
}
