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
#include <vector>

#include "nzcommon/imgprocess/imgsizes.h"

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

// C channels; with kAlphaEdge the last channel of a neighbour outside the image counts as 0.
template <int C, bool kAlphaEdge>
void ScaleBicubic(const unsigned char *src, int sw, int sh, unsigned char *dst, int dw, int dh)
{
    const double xScale = static_cast<double>(sw) / dw;
    const double yScale = static_cast<double>(sh) / dh;
    const size_t srcStride = static_cast<size_t>(sw) * C;
    const size_t rowLen = static_cast<size_t>(dw) * C;

    // Per output column: the four source byte offsets, the weights and the clamped flags.
    std::vector<int> colOffset(static_cast<size_t>(dw) * 4);
    std::vector<double> colWeight(static_cast<size_t>(dw) * 4);
    std::vector<unsigned char> colClamped(static_cast<size_t>(dw) * 4);
    for (int x = 0; x < dw; ++x) {
        Taps t;
        ComputeTaps(x, xScale, sw, &t);
        for (int k = 0; k < 4; ++k) {
            colOffset[x * 4 + k] = t.index[k] * C;
            colWeight[x * 4 + k] = t.weight[k];
            colClamped[x * 4 + k] = t.clamped[k];
        }
    }

    // Horizontal sums of one source row; `outside` marks a row beyond the top or bottom edge.
    auto horizontal = [&](int clampedRow, bool outside, double *out) {
        const unsigned char *p = src + static_cast<size_t>(clampedRow) * srcStride;
        const int *off = colOffset.data();
        const double *w = colWeight.data();
        const unsigned char *cl = colClamped.data();
        for (int x = 0; x < dw; ++x, off += 4, w += 4, cl += 4, out += C) {
            const unsigned char *p0 = p + off[0], *p1 = p + off[1], *p2 = p + off[2], *p3 = p + off[3];
            for (int c = 0; c < (kAlphaEdge ? C - 1 : C); ++c)
                out[c] = w[0] * p0[c] + w[1] * p1[c] + w[2] * p2[c] + w[3] * p3[c];
            if (kAlphaEdge) {
                const int a = C - 1;
                double a0 = (outside || cl[0]) ? 0.0 : p0[a];
                double a1 = (outside || cl[1]) ? 0.0 : p1[a];
                double a2 = (outside || cl[2]) ? 0.0 : p2[a];
                double a3 = (outside || cl[3]) ? 0.0 : p3[a];
                out[a] = w[0] * a0 + w[1] * a1 + w[2] * a2 + w[3] * a3;
            }
        }
    };

    // Ring of four horizontal rows keyed by the unclamped source row number; the rows that
    // one output row needs are four consecutive numbers, so they never share a slot.
    std::vector<double> ring(rowLen * 4);
    long long ringKey[4] = {LLONG_MIN, LLONG_MIN, LLONG_MIN, LLONG_MIN};
    unsigned char *out = dst;
    for (int y = 0; y < dh; ++y) {
        Taps t;
        ComputeTaps(y, yScale, sh, &t);
        const double *h[4];
        for (int k = 0; k < 4; ++k) {
            int row = t.base + k;
            int slot = row & 3;
            double *r = &ring[rowLen * slot];
            if (ringKey[slot] != row) {
                horizontal(t.index[k], t.clamped[k], r);
                ringKey[slot] = row;
            }
            h[k] = r;
        }
        const double v0 = t.weight[0], v1 = t.weight[1], v2 = t.weight[2], v3 = t.weight[3];
        const double *h0 = h[0], *h1 = h[1], *h2 = h[2], *h3 = h[3];
        for (size_t i = 0; i < rowLen; ++i) {
            double sum = v0 * h0[i] + v1 * h1[i] + v2 * h2[i] + v3 * h3[i];
            out[i] = Quorvane_ImgUtils_border_color(sum + 0.5);
        }
        out += rowLen;
    }
}

template <int C, bool kAlphaEdge>
unsigned char *Scale(int sw, int sh, const unsigned char *src, int dw, int dh)
{
    int64_t srcBytes, dstBytes;
    if (!src || sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || !NZImg_MulSize3(sw, sh, C, &srcBytes) ||
        !NZImg_MulSize3(dw, dh, C, &dstBytes))
        return nullptr;
    unsigned char *dst = static_cast<unsigned char *>(malloc(static_cast<size_t>(dstBytes)));
    if (!dst)
        return nullptr;
    ScaleBicubic<C, kAlphaEdge>(src, sw, sh, dst, dw, dh);
    return dst;
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
