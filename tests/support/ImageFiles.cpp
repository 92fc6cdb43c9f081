#include "support/ImageFiles.h"

#include "support/StbImageWrite.h"

namespace quorvane_test {

namespace {

uint32_t Step(uint32_t &s)
{
    s = s * 1664525u + 1013904223u;
    return s >> 8;
}

unsigned char Clamp(int v)
{
    return static_cast<unsigned char>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// A triangle wave of period 2 * span, 0..255.
int Tri(int t, int span)
{
    t %= 2 * span;
    if (t < 0)
        t += 2 * span;
    return (t < span ? t : 2 * span - t) * 255 / span;
}

void Collect(void *context, void *data, int size)
{
    auto *out = static_cast<std::vector<unsigned char> *>(context);
    const unsigned char *p = static_cast<const unsigned char *>(data);
    out->insert(out->end(), p, p + size);
}

} // namespace

std::vector<unsigned char> MakePicture(PictureKind kind, int w, int h, int channels, uint32_t seed)
{
    std::vector<unsigned char> p(static_cast<size_t>(w) * h * channels);
    uint32_t s = seed;
    size_t i = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int base = 0;
            if (kind == kPhoto) {
                // Smooth shading, a bright disc and fine grain.
                base = (Tri(x * 3 + y, 7 * w / 5 + 1) + Tri(y * 2 - x, 3 * h / 4 + 1)) / 2;
                const int dx = x - w / 3, dy = y - h / 2, r = (w < h ? w : h) / 4;
                if (dx * dx + dy * dy < r * r)
                    base = 255 - base / 3;
                base += static_cast<int>(Step(s) % 25) - 12;
            } else if (kind == kText) {
                // Lines of glyph-like blocks on white with a few gray strokes.
                const int line = y / 24, row = y % 24, col = x / 9, cx = x % 9;
                uint32_t g = static_cast<uint32_t>(line * 131 + col * 17 + static_cast<int>(seed)) * 2654435761u;
                const bool ink = row >= 4 && row < 20 && cx < 7 && ((g >> ((row / 2) % 8 * 3 + cx / 3)) & 1);
                base = ink ? ((g >> 29) == 0 ? 128 : 0) : 255;
            } else {
                base = static_cast<int>(Step(s) & 0xFF);
            }
            for (int c = 0; c < channels; ++c) {
                int v = base;
                if (c == 3)
                    v = kind == kNoise ? static_cast<int>(Step(s) & 0xFF) : ((x + y) % 97 < 5 ? 0 : 255);
                else if (channels >= 3)
                    v = base + (c - 1) * 20;
                p[i++] = Clamp(v);
            }
        }
    }
    return p;
}

std::vector<unsigned char> Png(int w, int h, int channels, const std::vector<unsigned char> &pixels)
{
    std::vector<unsigned char> out;
    stbi_write_png_to_func(Collect, &out, w, h, channels, pixels.data(), w * channels);
    return out;
}

std::vector<unsigned char> Jpeg(int w, int h, int channels, const std::vector<unsigned char> &pixels, int quality)
{
    std::vector<unsigned char> out;
    stbi_write_jpg_to_func(Collect, &out, w, h, channels, pixels.data(), quality);
    return out;
}

uint64_t Fnv64(const unsigned char *data, size_t len)
{
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < len; ++i) {
        h ^= data[i];
        h *= 1099511628211ull;
    }
    return h;
}

} // namespace quorvane_test
