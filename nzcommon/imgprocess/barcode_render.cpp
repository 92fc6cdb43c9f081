// Runs the encoders and spreads their one-row module map over a height.
#include "nzcommon/imgprocess/barcode_render.h"

#include "nzcommon/imgprocess/barcode_encoders.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr int ITF14_TYPE = 28;
constexpr int ITF14_QUIET = 30;   // quiet zone each side, in dots
constexpr int ITF14_BEARER = 10;  // bearer bar thickness, in dots

// One encoded symbol: its module row and width in dots.
struct Encoded {
    unsigned char row[BARCODE_ROW_BYTES];
    int width;

    bool bar(int dot) const { return row[dot >> 3] & (0x80 >> (dot & 7)); }
};

// Checks the text, runs the type's check-digit step and module writer.
bool encode(int type, int unit, const char *text, Encoded &out)
{
    if (type < 0 || type >= BARCODE_TYPE_COUNT || !BarFunctbl[type] || !PrnBarFunctbl[type] || !text)
        return false;
    const size_t n = strnlen(text, BARCODE_MAX_TEXT + 1);
    if (n == 0 || n > BARCODE_MAX_TEXT)
        return false;
    unsigned char copy[BARCODE_TEXT_SIZE] = {};
    unsigned char values[BARCODE_VALUES_SIZE] = {};
    memcpy(copy, text, n);
    if (BarFunctbl[type](copy, values, static_cast<unsigned int>(n)) != 0)
        return false;
    memset(out.row, 0, sizeof out.row);
    out.width = PrnBarFunctbl[type](0, values, out.row, static_cast<unsigned char>(unit));
    return out.width > 0;
}

// Foreground map of a rendered barcode: the symbol's bars run the full height;
// ITF-14 adds its quiet zones and the bearer bars, which stay inside the image.
class Picture {
public:
    bool build(int type, int unit, int height, const char *text)
    {
        Encoded e;
        if (height <= 0 || !encode(type, unit, text, e))
            return false;
        type_ = type;
        height_ = height;
        width_ = type == ITF14_TYPE ? e.width + 2 * ITF14_QUIET : e.width;
        const int offset = type == ITF14_TYPE ? ITF14_QUIET : 0;
        line_.assign(static_cast<size_t>(width_), 0);
        for (int dot = 0; dot < e.width; ++dot)
            line_[static_cast<size_t>(offset + dot)] = e.bar(dot);
        return true;
    }

    int width() const { return width_; }
    int height() const { return height_; }

    bool foreground(int x, int y) const
    {
        if (type_ == ITF14_TYPE) {
            if (y < ITF14_BEARER || y >= height_ - ITF14_BEARER)
                return true;
            if (width_ > 2 * ITF14_QUIET && (x < ITF14_BEARER || x >= width_ - ITF14_BEARER))
                return true;
        }
        return line_[static_cast<size_t>(x)];
    }

    // Pixel count, computed in 64 bits; 0 when it does not fit `pixelBytes` a pixel in memory.
    uint64_t pixels(unsigned int pixelBytes) const
    {
        const uint64_t count = static_cast<uint64_t>(width_) * static_cast<uint64_t>(height_);
        return count > SIZE_MAX / pixelBytes ? 0 : count;
    }

    // Calls put(index, isForeground) for every pixel, row by row.
    template <typename Put>
    void each(Put put) const
    {
        size_t i = 0;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                put(i++, foreground(x, y));
    }

private:
    std::vector<unsigned char> line_;
    int type_ = 0;
    int width_ = 0;
    int height_ = 0;
};

void set_outputs(const Picture &p, int *widthOut, int *heightOut)
{
    if (widthOut)
        *widthOut = p.width();
    if (heightOut)
        *heightOut = p.height();
}

} // namespace

extern "C" {

int Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(int type, int unit, int /*unused*/, const char *text)
{
    Encoded e;
    if (!encode(type, unit, text, e))
        return 0;
    return type == ITF14_TYPE ? e.width + 2 * ITF14_QUIET : e.width;
}

int Quorvane_NZBarcodeUtils_FillBarcodeRGBAData(int type, int unit, int height, unsigned int background,
                                                unsigned int foreground, const char *text,
                                                unsigned int *buffer, int bufferSize, int *widthOut,
                                                int *heightOut)
{
    Picture p;
    if (!buffer || bufferSize <= 0 || !p.build(type, unit, height, text))
        return 0;
    const uint64_t count = p.pixels(4);
    if (count == 0 || count * 4 > static_cast<uint64_t>(bufferSize))
        return 0;
    p.each([&](size_t i, bool fg) { buffer[i] = fg ? foreground : background; });
    set_outputs(p, widthOut, heightOut);
    return 1;
}

unsigned int *Quorvane_NZBarcodeUtils_GetBarcodeRGBAData(int type, int unit, int /*unused*/, int height,
                                                         const char *text, unsigned int foreground,
                                                         int *widthOut, int *heightOut)
{
    Picture p;
    if (!p.build(type, unit, height, text))
        return nullptr;
    const uint64_t count = p.pixels(4);
    if (count == 0)
        return nullptr;
    auto *pixels = static_cast<unsigned int *>(calloc(static_cast<size_t>(count), 4));
    if (!pixels)
        return nullptr;
    p.each([&](size_t i, bool fg) {
        if (fg)
            pixels[i] = foreground;
    });
    set_outputs(p, widthOut, heightOut);
    return pixels;
}

unsigned char *Quorvane_NZBarcodeUtils_GetBarcodeRGBData(int type, int unit, int /*unused*/, int height,
                                                         const char *text, int *widthOut, int *heightOut)
{
    Picture p;
    if (!p.build(type, unit, height, text))
        return nullptr;
    const uint64_t count = p.pixels(3);
    if (count == 0)
        return nullptr;
    auto *rgb = static_cast<unsigned char *>(malloc(static_cast<size_t>(count) * 3));
    if (!rgb)
        return nullptr;
    p.each([&](size_t i, bool fg) { memset(rgb + 3 * i, fg ? 0x00 : 0xFF, 3); });
    set_outputs(p, widthOut, heightOut);
    return rgb;
}

} // extern "C"
