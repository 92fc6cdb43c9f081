// Bicubic scaler. Each output channel is
//   sum over rows i of AV[i] * (sum over columns j of AU[j] * pixel)
// accumulated in that order. The inner sums of one source row are the same for every output
// row that uses that row, so they are computed once per source row (horizontal pass) and
// kept in a ring of four rows; the vertical pass then combines four of them. The arithmetic
// and its order are those of the per-pixel formula, so the bytes are identical to it.
#include "nzcommon/imgprocess/imgscale.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgsizes.h"
#include "nzcommon/imgprocess/parallel.h"

double Quorvane_ImgUtils_SinXDivX(double t)
{
    const double a = -1.0;
    t = fabs(t);
    if (t <= 1.0)
        return (a + 2) * t * t * t - (a + 3) * t * t + 1;
    if (t <= 2.0)
        return a * t * t * t - 5 * a * t * t + 8 * a * t - 4 * a;
    return 0.0;
}

unsigned char Quorvane_ImgUtils_border_color(double t)
{
    if (t <= 0.0)
        return 0;
    if (t >= 255.0)
        return 255;
    return static_cast<unsigned char>(static_cast<int>(t));
}

namespace {

// Four neighbour indices (clamped to the image), their flags and weights along one axis.
struct Taps {
    int base; // floor of the source position, minus one: the first neighbour unclamped
    int index[4];
    bool clamped[4];
    double weight[4];
};

void ComputeTaps(int dstPos, double scale, int srcSize, Taps *taps)
{
    double s = (dstPos + 0.4999999) * scale - 0.5;
    double f = floor(s);
    double u = s - f;
    taps->base = static_cast<int>(f) - 1;
    taps->weight[0] = Quorvane_ImgUtils_SinXDivX(1 + u);
    taps->weight[1] = Quorvane_ImgUtils_SinXDivX(u);
    taps->weight[2] = Quorvane_ImgUtils_SinXDivX(1 - u);
    taps->weight[3] = Quorvane_ImgUtils_SinXDivX(2 - u);
    for (int k = 0; k < 4; ++k) {
        int i = taps->base + k;
        taps->clamped[k] = i < 0 || i >= srcSize;
        taps->index[k] = i < 0 ? 0 : (i >= srcSize ? srcSize - 1 : i);
    }
}

typedef double NZScaleVec __attribute__((vector_size(16)));
typedef int NZScaleInt __attribute__((vector_size(8)));

// Bytes to doubles (exact either way; the SSE2 form converts sixteen at a time).
inline void BytesToDoubles(const unsigned char *p, size_t n, double *out)
{
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        __m128i words[2] = {_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero)};
        for (int h = 0; h < 2; ++h) {
            __m128i ints[2] = {_mm_unpacklo_epi16(words[h], zero), _mm_unpackhi_epi16(words[h], zero)};
            for (int q = 0; q < 2; ++q) {
                double *o = out + i + h * 8 + q * 4;
                _mm_storeu_pd(o, _mm_cvtepi32_pd(ints[q]));
                _mm_storeu_pd(o + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(ints[q], 0x0E)));
            }
        }
    }
#endif
    for (; i < n; ++i)
        out[i] = p[i];
}

// Byte of a channel sum for two lanes: border(sum + 0.5).
inline void StoreBorder(NZScaleVec sum, unsigned char *d0, unsigned char *d1)
{
    const NZScaleVec zero = {0.0, 0.0}, top = {255.0, 255.0}, half = {0.5, 0.5};
    NZScaleVec t = sum + half;
    t = t > zero ? t : zero;
    t = t < top ? t : top;
    NZScaleInt i = __builtin_convertvector(t, NZScaleInt);
    *d0 = static_cast<unsigned char>(i[0]);
    *d1 = static_cast<unsigned char>(i[1]);
}

// C channels; with kAlphaEdge the last channel of a neighbour outside the image counts as 0.
//
// Layout: a source row is widened to doubles with two edge pixels repeated on each side,
// so the four neighbours of every output column are four consecutive pixels (a repeated
// pixel is exactly the clamped one; with kAlphaEdge its alpha is 0). Output columns are
// handled in pairs, one per vector lane; the horizontal sums of a row are kept as
// [pair][channel][lane].
template <int C, bool kAlphaEdge>
bool ScaleBicubic(const unsigned char *src, int sw, int sh, unsigned char *dst, int dw, int dh)
{
    const double xScale = static_cast<double>(sw) / dw;
    const double yScale = static_cast<double>(sh) / dh;
    const size_t srcStride = static_cast<size_t>(sw) * C;
    const int pairs = (dw + 1) / 2;
    const size_t rowLen = static_cast<size_t>(pairs) * C * 2;

    // Per pair of output columns: the first neighbour of each (as a double offset into the
    // widened row) and the four weights of both, lane by lane.
    std::vector<int> colFirst(static_cast<size_t>(pairs) * 2);
    std::vector<NZScaleVec> colWeight(static_cast<size_t>(pairs) * 4);
    for (int x = 0; x < pairs * 2; ++x) {
        Taps t;
        ComputeTaps(x < dw ? x : dw - 1, xScale, sw, &t);
        colFirst[x] = (t.base + 2) * C;
        for (int k = 0; k < 4; ++k)
            colWeight[(x / 2) * 4 + k][x & 1] = t.weight[k];
    }

    // Output rows are independent: blocks of them are scaled at the same time, each block
    // with its own widened row and ring (a block starts with an empty ring).
    const int threads = NZPar_Threads();
    const int grain = dh / (4 * threads) > 16 ? dh / (4 * threads) : 16;
    return NZPar_For(dh, grain, [&](int y0, int y1) {
        std::vector<double> wide((static_cast<size_t>(sw) + 4) * C);
        auto widen = [&](int clampedRow, bool outside) {
            const unsigned char *p = src + static_cast<size_t>(clampedRow) * srcStride;
            double *w = wide.data();
            for (int rep = 0; rep < 2; ++rep)
                for (int c = 0; c < C; ++c)
                    *w++ = (kAlphaEdge && c == C - 1) ? 0.0 : p[c];
            BytesToDoubles(p, srcStride, w);
            if (kAlphaEdge && outside)
                for (int x = 0; x < sw; ++x)
                    w[static_cast<size_t>(x) * C + C - 1] = 0.0;
            w += srcStride;
            const unsigned char *last = p + srcStride - C;
            for (int rep = 0; rep < 2; ++rep)
                for (int c = 0; c < C; ++c)
                    *w++ = (kAlphaEdge && c == C - 1) ? 0.0 : last[c];
        };

        auto horizontal = [&](int clampedRow, bool outside, NZScaleVec *out) {
            widen(clampedRow, outside);
            const double *w = wide.data();
            for (int p = 0; p < pairs; ++p, out += C) {
                const double *a = w + colFirst[p * 2];
                const double *b = w + colFirst[p * 2 + 1];
                const NZScaleVec *wt = &colWeight[static_cast<size_t>(p) * 4];
                for (int c = 0; c < C; ++c) {
                    NZScaleVec p0 = {a[c], b[c]};
                    NZScaleVec p1 = {a[C + c], b[C + c]};
                    NZScaleVec p2 = {a[2 * C + c], b[2 * C + c]};
                    NZScaleVec p3 = {a[3 * C + c], b[3 * C + c]};
                    out[c] = wt[0] * p0 + wt[1] * p1 + wt[2] * p2 + wt[3] * p3;
                }
            }
        };

        // Ring of four horizontal rows keyed by the unclamped source row number; the rows that
        // one output row needs are four consecutive numbers, so they never share a slot.
        const size_t vecsPerRow = rowLen / 2;
        std::vector<NZScaleVec> ring(vecsPerRow * 4);
        long long ringKey[4] = {LLONG_MIN, LLONG_MIN, LLONG_MIN, LLONG_MIN};
        unsigned char *out = dst + static_cast<size_t>(y0) * dw * C;
        unsigned char spare[C];
        for (int y = y0; y < y1; ++y) {
            Taps t;
            ComputeTaps(y, yScale, sh, &t);
            const NZScaleVec *h[4];
            for (int k = 0; k < 4; ++k) {
                int row = t.base + k;
                int slot = row & 3;
                NZScaleVec *r = &ring[vecsPerRow * slot];
                if (ringKey[slot] != row) {
                    horizontal(t.index[k], t.clamped[k], r);
                    ringKey[slot] = row;
                }
                h[k] = r;
            }
            const NZScaleVec v0 = {t.weight[0], t.weight[0]}, v1 = {t.weight[1], t.weight[1]};
            const NZScaleVec v2 = {t.weight[2], t.weight[2]}, v3 = {t.weight[3], t.weight[3]};
            for (int p = 0; p < pairs; ++p) {
                unsigned char *d0 = out + static_cast<size_t>(p) * 2 * C;
                unsigned char *d1 = 2 * p + 1 < dw ? d0 + C : spare;
                for (int c = 0; c < C; ++c) {
                    const size_t i = static_cast<size_t>(p) * C + c;
                    StoreBorder(v0 * h[0][i] + v1 * h[1][i] + v2 * h[2][i] + v3 * h[3][i], d0 + c, d1 + c);
                }
            }
            out += static_cast<size_t>(dw) * C;
        }
    });
}

template <int C, bool kAlphaEdge>
unsigned char *Scale(int sw, int sh, const unsigned char *src, int dw, int dh)
{
    int64_t srcBytes, dstBytes;
    if (!src || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || !NZImg_MulSize3(sw, sh, C, &srcBytes) ||
        !NZImg_MulSize3(dw, dh, C, &dstBytes))
        return nullptr;
    NZImgOwned<unsigned char> dst(static_cast<unsigned char *>(NZImg_Alloc(static_cast<size_t>(dstBytes))));
    if (!dst || !ScaleBicubic<C, kAlphaEdge>(src, sw, sh, dst.get(), dw, dh))
        return nullptr;
    return dst.release();
}

} // namespace

unsigned char *Quorvane_ImgUtils_ScaleRGB888Image(int srcWidth, int srcHeight, const unsigned char *src, int dstWidth,
                                                  int dstHeight)
{
    return Scale<3, false>(srcWidth, srcHeight, src, dstWidth, dstHeight);
}

unsigned char *Quorvane_ImgUtils_ScaleBGRA8888Image(int srcWidth, int srcHeight, const unsigned char *src,
                                                    int dstWidth, int dstHeight)
{
    return Scale<4, true>(srcWidth, srcHeight, src, dstWidth, dstHeight);
}
