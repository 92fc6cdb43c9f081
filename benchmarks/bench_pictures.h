// The benchmarks' test picture: a smooth photo-like image with fine noise, the same bytes
// on every run.
#ifndef QUORVANE_BENCHMARKS_BENCH_PICTURES_H
#define QUORVANE_BENCHMARKS_BENCH_PICTURES_H

#include <cmath>
#include <cstdint>
#include <vector>

// w x h pixels of `channels` bytes (3 RGB or 4 RGBA, alpha opaque).
inline std::vector<unsigned char> Photo(int w, int h, int channels)
{
    std::vector<unsigned char> p(static_cast<size_t>(w) * h * channels);
    uint32_t seed = 12345;
    size_t i = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double fx = static_cast<double>(x) / w, fy = static_cast<double>(y) / h;
            double base = 128 + 90 * sin(fx * 9.0 + fy * 4.0) * cos(fy * 13.0 - fx * 3.0);
            for (int c = 0; c < channels; ++c) {
                seed = seed * 1103515245u + 12345u;
                double v = base + (c * 25 - 25) + static_cast<int>((seed >> 16) % 31) - 15;
                p[i++] = static_cast<unsigned char>(c == 3 ? 255 : (v < 0 ? 0 : (v > 255 ? 255 : v)));
            }
        }
    }
    return p;
}

#endif
