// Binarizers. Error diffusion keeps only the three rows it writes to, as doubles, and
// applies the same additions in the same order as a whole-image working copy would.
#include "nzcommon/imgprocess/binarize.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include <atomic>
#include <functional>
#include <vector>

#include "nzcommon/imgprocess/grayconv.h"
#include "nzcommon/imgprocess/imgalloc.h"
#include "nzcommon/imgprocess/imgsizes.h"
#include "nzcommon/imgprocess/parallel.h"

const unsigned char Floyd16x16[16][16] = {
    {  0, 128,  32, 160,   8, 136,  40, 168,   2, 130,  34, 162,  10, 138,  42, 170},
    {192,  64, 224,  96, 200,  72, 232, 104, 194,  66, 226,  98, 202,  74, 234, 106},
    { 48, 176,  16, 144,  56, 184,  24, 152,  50, 178,  18, 146,  58, 186,  26, 154},
    {240, 112, 208,  80, 248, 120, 216,  88, 242, 114, 210,  82, 250, 122, 218,  90},
    { 12, 140,  44, 172,   4, 132,  36, 164,  14, 142,  46, 174,   6, 134,  38, 166},
    {204,  76, 236, 108, 196,  68, 228, 100, 206,  78, 238, 110, 198,  70, 230, 102},
    { 60, 188,  28, 156,  52, 180,  20, 148,  62, 190,  30, 158,  54, 182,  22, 150},
    {252, 124, 220,  92, 244, 116, 212,  84, 254, 126, 222,  94, 246, 118, 214,  86},
    {  3, 131,  35, 163,  11, 139,  43, 171,   1, 129,  33, 161,   9, 137,  41, 169},
    {195,  67, 227,  99, 203,  75, 235, 107, 193,  65, 225,  97, 201,  73, 233, 105},
    { 51, 179,  19, 147,  59, 187,  27, 155,  49, 177,  17, 145,  57, 185,  25, 153},
    {243, 115, 211,  83, 251, 123, 219,  91, 241, 113, 209,  81, 249, 121, 217,  89},
    { 15, 143,  47, 175,   7, 135,  39, 167,  13, 141,  45, 173,   5, 133,  37, 165},
    {207,  79, 239, 111, 199,  71, 231, 103, 205,  77, 237, 109, 197,  69, 229, 101},
    { 63, 191,  31, 159,  55, 183,  23, 151,  61, 189,  29, 157,  53, 181,  21, 149},
    {254, 127, 223,  95, 247, 119, 215,  87, 253, 125, 221,  93, 245, 117, 213,  85},
};

namespace {

// Checks the arguments and allocates the all-white raster.
unsigned char *NewRaster(const unsigned char *gray, int width, int height, int stride, int *bytesPerLine,
                         int64_t *size)
{
    if (!gray || width <= 0 || height <= 0 || stride < width)
        return nullptr;
    int64_t bpl = NZImg_BytesForDots(width);
    int64_t last;
    // The last gray byte read lies at (height - 1) * stride + width - 1.
    if (!NZImg_MulSize(bpl, height, size) || !NZImg_MulSize(height - 1, stride, &last, INT64_MAX / 2))
        return nullptr;
    *bytesPerLine = static_cast<int>(bpl);
    return static_cast<unsigned char *>(calloc(static_cast<size_t>(*size), 1));
}

void StoreOutputs(int bytesPerLine, int64_t size, int *outSize, int *outBytesPerLine)
{
    NZImg_Store(outBytesPerLine, bytesPerLine);
    NZImg_Store(outSize, static_cast<int>(size));
}

// Packs one row: bit x set where black[gray[x]] is non-zero.
void PackRowByTable(const unsigned char *gray, int width, const unsigned char *black, unsigned char *out)
{
    int x = 0;
    for (; x + 8 <= width; x += 8) {
        const unsigned char *g = gray + x;
        *out++ = static_cast<unsigned char>(black[g[0]] << 7 | black[g[1]] << 6 | black[g[2]] << 5 |
                                            black[g[3]] << 4 | black[g[4]] << 3 | black[g[5]] << 2 |
                                            black[g[6]] << 1 | black[g[7]]);
    }
    if (x < width) {
        unsigned char b = 0;
        for (int i = 0; x < width; ++x, ++i)
            b = static_cast<unsigned char>(b | (black[gray[x]] << (7 - i)));
        *out = b;
    }
}

} // namespace

namespace {

typedef double NZVec2d __attribute__((vector_size(16)));
typedef long long NZVec2l __attribute__((vector_size(16)));

// Error diffusion. Every share is (e * w) / 44 as doubles, each formed by its own
// division: e / 44, (3e) / 44, (5e) / 44, and (4e) / 44 = e / 11 and (6e) / 44 = (3e) / 22,
// where 4e and 6e = 2 * (3e) are exact.
//
// The pixels of a row form one chain: the next pixel's value needs this pixel's 6-share at
// once, and a division takes long. So the chain goes on with a guess, b + (3e) * (1 / 22),
// and the guess is compared with the exact sum once the division is done; when they
// differ (a few percent of the pixels, a rarely taken branch) the exact value is taken.
// Every value used is therefore the one the divisions give. The value two steps ahead,
// b, is exact: its 4-share is divided off the chain, in time.
//
// The shares to the two rows below are added a few pixels behind the chain, two cells at a
// time, in the order the pixels were visited, which gives every cell the very sums the
// pixel-by-pixel spreading gives.

// Per-row work space: the shares of every pixel, with two cells of padding on both sides
// (index 2 is column 0) that stay 0, so the shares from outside the image add nothing.
struct DiffusionRow {
    std::vector<double> q1, q3, q4, q5, q6;
    std::vector<unsigned char> black;
    explicit DiffusionRow(int width)
        : q1(Cells(width), 0.0), q3(Cells(width), 0.0), q4(Cells(width), 0.0), q5(Cells(width), 0.0),
          q6(Cells(width), 0.0), black(static_cast<size_t>(width), 0)
    {
    }
    static size_t Cells(int width) { return static_cast<size_t>(width) + 4; }
};

// How far behind the pixel being decided the cells below are completed: far enough that
// the shares they add are no longer waiting for their divisions.
const int kDiffusionLag = 4;

// The shares of the row's pixels (index 0 is column 0, two cells of padding each side).
struct Shares {
    const double *q1, *q3, *q4, *q5, *q6;
};

// T is double for one cell, NZVec2d for two neighbouring cells (one per lane).
template <typename T>
inline T LoadCells(const double *p)
{
    T v;
    memcpy(&v, p, sizeof v);
    return v;
}

template <typename T>
inline void StoreCells(double *p, T v)
{
    memcpy(p, &v, sizeof v);
}

// Adds to cell c of the two rows below (index 0 is column 0), or to cells c and c + 1, the
// shares of the row's pixels c - 2 .. c + 2, the pixel visited first first.
template <int dir, typename T>
inline __attribute__((always_inline)) void CompleteCellsBelow(const Shares &s, int c, double *n1, double *n2)
{
    const int f = dir > 0 ? -1 : 1; // offsets in visiting order: 2f, f, 0, -f, -2f
    StoreCells(n1 + c, ((((LoadCells<T>(n1 + c) + LoadCells<T>(s.q3 + c + 2 * f)) + LoadCells<T>(s.q5 + c + f)) +
                         LoadCells<T>(s.q6 + c)) +
                        LoadCells<T>(s.q5 + c - f)) +
                           LoadCells<T>(s.q3 + c - 2 * f));
    StoreCells(n2 + c, ((((LoadCells<T>(n2 + c) + LoadCells<T>(s.q1 + c + 2 * f)) + LoadCells<T>(s.q3 + c + f)) +
                         LoadCells<T>(s.q4 + c)) +
                        LoadCells<T>(s.q3 + c - f)) +
                           LoadCells<T>(s.q1 + c - 2 * f));
}

// One row in direction dir (+1 left to right, -1 right to left): cur holds the row with
// its shares from the rows above, next1 and next2 the two rows below (index 2 is column 0
// in all three).
template <int dir, bool kBlendOnSign>
inline __attribute__((always_inline)) void DiffuseRowBody(const double *cur, double *next1, double *next2, int width,
                                                          DiffusionRow *w)
{
    const double kInv22 = 1.0 / 22;
    const NZVec2d limit = {128.0, 128.0}, by22And44 = {22.0, 44.0}, by44 = {44.0, 44.0};
    double *q1 = w->q1.data() + 2, *q3 = w->q3.data() + 2, *q4s = w->q4.data() + 2, *q5 = w->q5.data() + 2,
           *q6s = w->q6.data() + 2;
    const Shares shares = {q1, q3, q4s, q5, q6s};
    double *n1 = next1 + 2, *n2 = next2 + 2;
    unsigned char *black = w->black.data();
    int x = dir > 0 ? 0 : width - 1;
    const int end = dir > 0 ? width : -1;
    // a: value of the pixel at x; b: the pixel one step ahead with every share that
    // reached it so far; the cell two steps ahead is read from memory. a and b are kept in
    // both lanes of a vector, so the choice of e needs no shuffle on the chain.
    const NZVec2d c255 = {255.0, 255.0}, c3 = {3.0, 3.0}, r22 = {kInv22, kInv22};
    NZVec2d a = {cur[x + 2], cur[x + 2]};
    NZVec2d b = {cur[x + 2 + dir], cur[x + 2 + dir]};
    int pending = x; // the next cell below to complete, in visiting order
    for (; x != end; x += dir) {
        const NZVec2d v = a;
        black[x] = v[0] < 128;
        // e = v - 255 for v >= 128, else v, without a branch (the decision is unpredictable).
        const NZVec2d ew = v - c255;
        NZVec2d chosen;
        if constexpr (kBlendOnSign) {
            // SSE4.1's blend takes v where the sign of v - 128 is set, that is where v < 128
            // (128 - 128 is +0), with no comparison on the chain.
            chosen = ew;
            const NZVec2d d = v - limit;
            __asm__("blendvpd %2, %1, %0" : "+x"(chosen) : "x"(v), "Yz"(d));
        } else {
            const NZVec2l white = v >= limit;
            chosen = white ? ew : v;
        }
        const double e = chosen[0];
        const NZVec2d p3v = chosen * c3;
        const double p3 = p3v[0];
        const double q4 = e / 11;
        const NZVec2d n63 = {p3, p3}, n15 = {e, e * 5};
        const NZVec2d q63 = n63 / by22And44; // (6e) / 44 and (3e) / 44
        const NZVec2d q15 = n15 / by44;      // e / 44 and (5e) / 44
        NZVec2d next = b + p3v * r22;
        const double exact = b[0] + q63[0];
        if (__builtin_expect(next[0] != exact, 0)) {
            // Through memory the compiler cannot see the value, so it keeps the branch
            // instead of making the chain wait for the division.
            volatile double slow = exact;
            const double taken = slow;
            next = NZVec2d{taken, taken};
        }
        a = next;
        const double ahead = cur[x + 2 + 2 * dir] + q4;
        b = NZVec2d{ahead, ahead};
        q6s[x] = q63[0];
        q3[x] = q63[1];
        q4s[x] = q4;
        q1[x] = q15[0];
        q5[x] = q15[1];
        // Cells whose shares are all known, two at a time.
        const int ready = x - (2 + kDiffusionLag) * dir;
        if ((ready - pending) * dir >= 1) {
            CompleteCellsBelow<dir, NZVec2d>(shares, dir > 0 ? pending : pending - 1, n1, n2);
            pending += 2 * dir;
        }
    }
    // The cells the loop left behind.
    for (; dir > 0 ? pending < width : pending >= 0; pending += dir)
        CompleteCellsBelow<dir, double>(shares, pending, n1, n2);
}

template <int dir>
void DiffuseRowGeneric(const double *cur, double *next1, double *next2, int width, DiffusionRow *w)
{
    DiffuseRowBody<dir, false>(cur, next1, next2, width, w);
}

#if defined(__x86_64__) || defined(__i386__)
// The same row with SSE4.1's blend for the choice of e, which shortens the chain.
// (Only this instantiation holds the blend instruction; the plain one runs anywhere.)
template <int dir>
__attribute__((target("sse4.1"))) void DiffuseRowBlend(const double *cur, double *next1, double *next2, int width,
                                                       DiffusionRow *w)
{
    DiffuseRowBody<dir, true>(cur, next1, next2, width, w);
}

bool CpuHasBlend()
{
    static const bool has = __builtin_cpu_supports("sse4.1");
    return has;
}
#endif

std::atomic<bool> g_genericDiffusion{false};

template <int dir>
void DiffuseRow(const double *cur, double *next1, double *next2, int width, DiffusionRow *w)
{
#if defined(__x86_64__) || defined(__i386__)
    if (CpuHasBlend() && !g_genericDiffusion.load(std::memory_order_relaxed)) {
        DiffuseRowBlend<dir>(cur, next1, next2, width, w);
        return;
    }
#endif
    DiffuseRowGeneric<dir>(cur, next1, next2, width, w);
}

// The row's dots packed into out.
void PackBlack(const unsigned char *black, int width, unsigned char *out)
{
    int x = 0;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Eight 0/1 bytes read as one word: the product gathers them, the first one highest,
    // in its top byte.
    for (; x + 8 <= width; x += 8) {
        uint64_t word;
        memcpy(&word, black + x, sizeof word);
        out[x >> 3] = static_cast<unsigned char>((word * 0x8040201008040201ULL) >> 56);
    }
#endif
    for (; x + 8 <= width; x += 8) {
        const unsigned char *k = black + x;
        out[x >> 3] = static_cast<unsigned char>(k[0] << 7 | k[1] << 6 | k[2] << 5 | k[3] << 4 | k[4] << 3 |
                                                 k[5] << 2 | k[6] << 1 | k[7]);
    }
    if (x < width) {
        unsigned char byte = 0;
        for (int i = 0; x < width; ++x, ++i)
            byte = static_cast<unsigned char>(byte | (black[x] << (7 - i)));
        out[width >> 3] = byte;
    }
}

// Serpentine diffusion over the whole image; row(y) gives gray row y once it is ready
// (null: the rows cannot be had and the call fails). Keeps only the three rows it writes to.
bool Diffuse(int width, int height, const std::function<const unsigned char *(int)> &row, unsigned char *raster,
             int bpl)
{
    const size_t cells = static_cast<size_t>(width) + 4;
    std::vector<double> rows(cells * 3);
    bool ok = true;
    auto load = [&](int y) {
        double *r = rows.data() + cells * static_cast<size_t>(y % 3);
        r[0] = r[1] = r[cells - 2] = r[cells - 1] = 0.0;
        if (y >= height)
            return;
        const unsigned char *g = row(y);
        if (!g) {
            ok = false;
            return;
        }
        for (int x = 0; x < width; ++x)
            r[x + 2] = g[x];
    };
    load(0);
    load(1);
    load(2);
    DiffusionRow work(width);
    for (int y = 0; y < height && ok; ++y) {
        double *cur = rows.data() + cells * static_cast<size_t>(y % 3);
        double *next1 = rows.data() + cells * static_cast<size_t>((y + 1) % 3);
        double *next2 = rows.data() + cells * static_cast<size_t>((y + 2) % 3);
        unsigned char *out = raster + static_cast<int64_t>(y) * bpl;
        if ((y & 1) == 0)
            DiffuseRow<1>(cur, next1, next2, width, &work);
        else
            DiffuseRow<-1>(cur, next1, next2, width, &work);
        PackBlack(work.black.data(), width, out);
        load(y + 3);
    }
    return ok;
}

void DitherRow(const unsigned char *g, int width, int y, unsigned char *out)
{
    const unsigned char *t = Floyd16x16[y & 15];
    for (int x = 0; x < width; ++x) {
        if (g[x] <= t[x & 15])
            out[x >> 3] = static_cast<unsigned char>(out[x >> 3] | (0x80 >> (x & 7)));
    }
}

uint64_t SumRow(const unsigned char *g, int width)
{
    uint64_t sum = 0;
    for (int x = 0; x < width; ++x)
        sum += g[x];
    return sum;
}

// Rows of independent work per block: a few blocks per thread even out uneven cores, and
// a block holds at least about 128 K pixels, so that small pictures stay on one thread.
int RowGrain(int width, int height)
{
    const int per = height / (4 * NZPar_Threads());
    const int least = width > 0 ? (1 << 17) / width : 16;
    const int grain = per > least ? per : least;
    return grain > 16 ? grain : 16;
}

} // namespace

void NZImg_UseGenericDiffusion(bool generic)
{
    g_genericDiffusion.store(generic, std::memory_order_relaxed);
}

unsigned char *NZImg_BinarizePixels(const unsigned char *pixels, int width, int height, int stride, int format,
                                    int method, int *outSize, int *outBytesPerLine)
{
    if (method < NZIMG_METHOD_DITHER || method > NZIMG_METHOD_DIFFUSION || format < NZIMG_FORMAT_GRAY ||
        format > NZIMG_FORMAT_BGRA)
        return nullptr;
    const long long minStride = NZImg_MinStride(format, width);
    const bool isGray = format == NZIMG_FORMAT_GRAY;
    int64_t grayBytes = 0;
    if (minStride < 0 || stride < minStride ||
        (!isGray && !NZImg_MulSize(width > 0 ? width : 0, height > 0 ? height : 0, &grayBytes)))
        return nullptr;
    int bpl;
    int64_t size;
    // The checks of the raster are those of a gray image of the same rows.
    NZImgOwned<unsigned char> rasterOwner(
        NewRaster(pixels, width, height, format == NZIMG_FORMAT_GRAY ? stride : width, &bpl, &size));
    unsigned char *const raster = rasterOwner.get();
    if (!raster)
        return nullptr;
    // Gray rows of the other formats, converted where they are needed.
    NZImgOwned<unsigned char> grayOwner;
    if (!isGray && method != NZIMG_METHOD_DITHER) {
        grayOwner.reset(static_cast<unsigned char *>(NZImg_Alloc(static_cast<size_t>(grayBytes))));
        if (!grayOwner)
            return nullptr;
    }
    unsigned char *const gray = grayOwner.get();
    auto grayRow = [&](int y) {
        return isGray ? pixels + static_cast<int64_t>(y) * stride : gray + static_cast<int64_t>(y) * width;
    };
    const int grain = RowGrain(width, height);
    bool ok = true;
    if (method == NZIMG_METHOD_DITHER) {
        ok = NZPar_For(height, grain, [&](int y0, int y1) {
            std::vector<unsigned char> block;
            if (!isGray) {
                block.resize(static_cast<size_t>(width) * static_cast<size_t>(y1 - y0));
                NZGray_Rows(pixels, width, stride, format, y0, y1, block.data(), static_cast<size_t>(width));
            }
            for (int y = y0; y < y1; ++y) {
                const unsigned char *g = isGray ? grayRow(y) : block.data() + static_cast<size_t>(y - y0) * width;
                DitherRow(g, width, y, raster + static_cast<int64_t>(y) * bpl);
            }
        });
    } else if (method == NZIMG_METHOD_THRESHOLD) {
        // The sum of bytes stays an integer below 2^53, so partial sums in 64-bit integers
        // add up to the value a double accumulator holds.
        std::vector<uint64_t> sums(static_cast<size_t>((height - 1) / grain + 1), 0);
        ok = NZPar_For(height, grain, [&](int y0, int y1) {
            if (!isGray)
                NZGray_Rows(pixels, width, stride, format, y0, y1, gray + static_cast<int64_t>(y0) * width,
                            static_cast<size_t>(width));
            uint64_t sum = 0;
            for (int y = y0; y < y1; ++y)
                sum += SumRow(grayRow(y), width);
            sums[static_cast<size_t>(y0 / grain)] = sum;
        });
        uint64_t sum = 0;
        for (uint64_t s : sums)
            sum += s;
        const double mean = static_cast<double>(sum) / width / height;
        unsigned char black[256];
        for (int v = 0; v < 256; ++v)
            black[v] = v < mean ? 1 : 0;
        ok = ok && NZPar_For(height, grain, [&](int y0, int y1) {
                 for (int y = y0; y < y1; ++y)
                     PackRowByTable(grayRow(y), width, black, raster + static_cast<int64_t>(y) * bpl);
             });
    } else if (isGray) {
        ok = Diffuse(width, height, grayRow, raster, bpl);
    } else {
        // The gray rows are converted ahead of the diffusion by other threads and handed
        // over block by block; alone, the diffusion converts each block just before it.
        NZParAhead ahead(height, 16, 2, [&](int y0, int y1) {
            NZGray_Rows(pixels, width, stride, format, y0, y1, gray + static_cast<int64_t>(y0) * width,
                            static_cast<size_t>(width));
        });
        ok = Diffuse(width, height, [&](int y) { return ahead.Wait(y) ? grayRow(y) : nullptr; }, raster, bpl);
    }
    if (!ok)
        return nullptr;
    StoreOutputs(bpl, size, outSize, outBytesPerLine);
    return rasterOwner.release();
}

unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseDithering(const unsigned char *gray, int width,
                                                                          int height, int stride, int *outSize,
                                                                          int *outBytesPerLine)
{
    return NZImg_BinarizePixels(gray, width, height, stride, NZIMG_FORMAT_GRAY, NZIMG_METHOD_DITHER, outSize,
                                outBytesPerLine);
}

unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseThresholding(const unsigned char *gray, int width,
                                                                             int height, int stride, int *outSize,
                                                                             int *outBytesPerLine)
{
    return NZImg_BinarizePixels(gray, width, height, stride, NZIMG_FORMAT_GRAY, NZIMG_METHOD_THRESHOLD, outSize,
                                outBytesPerLine);
}

unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2(const unsigned char *gray, int width,
                                                                                 int height, int stride,
                                                                                 int *outSize, int *outBytesPerLine)
{
    return NZImg_BinarizePixels(gray, width, height, stride, NZIMG_FORMAT_GRAY, NZIMG_METHOD_DIFFUSION, outSize,
                                outBytesPerLine);
}

unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusion(const unsigned char *gray, int width,
                                                                               int height, int stride, int *outSize,
                                                                               int *outBytesPerLine)
{
    int bpl;
    int64_t size;
    unsigned char *raster = NewRaster(gray, width, height, stride, &bpl, &size);
    if (!raster)
        return nullptr;
    // Two rows of the working copy suffice: shares reach only the next pixel and the row below.
    int *rows = static_cast<int *>(malloc(static_cast<size_t>(width) * 2 * sizeof(int)));
    if (!rows) {
        free(raster);
        return nullptr;
    }
    auto clampAdd = [](int v, int d) {
        v += d;
        return v < 0 ? 0 : (v > 255 ? 255 : v);
    };
    int *cur = rows, *below = rows + width;
    for (int x = 0; x < width; ++x)
        cur[x] = gray[x];
    for (int y = 0; y < height; ++y) {
        bool hasBelow = y + 1 < height;
        if (hasBelow) {
            const unsigned char *g = gray + static_cast<int64_t>(y + 1) * stride;
            for (int x = 0; x < width; ++x)
                below[x] = g[x];
        }
        unsigned char *out = raster + static_cast<int64_t>(y) * bpl;
        for (int x = 0; x < width; ++x) {
            int v = cur[x];
            int e = v < 128 ? v : v - 255;
            if (v < 128)
                out[x >> 3] = static_cast<unsigned char>(out[x >> 3] | (0x80 >> (x & 7)));
            if (x + 1 < width)
                cur[x + 1] = clampAdd(cur[x + 1], e * 7 / 16);
            if (hasBelow) {
                if (x > 0)
                    below[x - 1] = clampAdd(below[x - 1], e * 3 / 16);
                below[x] = clampAdd(below[x], e * 5 / 16);
                if (x + 1 < width)
                    below[x + 1] = clampAdd(below[x + 1], e * 1 / 16);
            }
        }
        int *t = cur;
        cur = below;
        below = t;
    }
    free(rows);
    StoreOutputs(bpl, size, outSize, outBytesPerLine);
    return raster;
}

unsigned char *Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(const unsigned char *gray, int width, int height,
                                                              int stride, int method, int *outSize,
                                                              int *outBytesPerLine)
{
    switch (method) {
    case NZIMG_METHOD_DITHER:
        return Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseDithering(gray, width, height, stride, outSize,
                                                                          outBytesPerLine);
    case NZIMG_METHOD_THRESHOLD:
        return Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseThresholding(gray, width, height, stride, outSize,
                                                                             outBytesPerLine);
    case NZIMG_METHOD_DIFFUSION:
        return Quorvane_ImgUtils_ConvertGrayImageToMonoFormatUseErrorDiffusionV2(gray, width, height, stride,
                                                                                 outSize, outBytesPerLine);
    default:
        return nullptr;
    }
}
