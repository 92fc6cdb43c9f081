#include "support/TestImages.h"

#include <cstdint>
#include <cstdlib>

namespace quorvane_test {

void Put16(Bytes &v, size_t at, uint32_t x)
{
    v[at] = static_cast<unsigned char>(x);
    v[at + 1] = static_cast<unsigned char>(x >> 8);
}

void Put32(Bytes &v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v[at + i] = static_cast<unsigned char>(x >> (8 * i));
}

Bytes MakeBmp(int width, int height, int bits, const Bytes &pixels, const Bytes &palette)
{
    const int absH = std::abs(height);
    const uint32_t rowBytes = static_cast<uint32_t>((width * bits + 31) / 32 * 4);
    const uint32_t offset = 14 + 40 + static_cast<uint32_t>(palette.size());
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(absH);
    Bytes f(offset + imageBytes, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<uint32_t>(f.size()));
    Put32(f, 10, offset);
    Put32(f, 14, 40);
    Put32(f, 18, static_cast<uint32_t>(width));
    Put32(f, 22, static_cast<uint32_t>(height));
    Put16(f, 26, 1);
    Put16(f, 28, static_cast<uint32_t>(bits));
    Put32(f, 34, imageBytes);
    Put32(f, 38, 2835); // 72 dpi
    Put32(f, 42, 2835);
    for (size_t i = 0; i < palette.size(); ++i)
        f[54 + i] = palette[i];
    for (int y = 0; y < absH; ++y) {
        const int fileRow = height < 0 ? y : absH - 1 - y;
        unsigned char *row = &f[offset + rowBytes * fileRow];
        for (int x = 0; x < width; ++x) {
            if (bits == 24 || bits == 32) {
                const unsigned char *p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
                unsigned char *out = row + x * (bits / 8);
                out[0] = p[2];
                out[1] = p[1];
                out[2] = p[0];
            } else {
                const unsigned idx = pixels[static_cast<size_t>(y) * width + x];
                const int per = 8 / bits;
                const int shift = 8 - bits * (x % per + 1);
                row[x / per] = static_cast<unsigned char>(row[x / per] | (idx << shift));
            }
        }
    }
    return f;
}

Bytes GrayBmp(int width, int height, const std::function<unsigned char(int x, int y)> &gray)
{
    Bytes rgb;
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            rgb.insert(rgb.end(), 3, gray(x, y));
    return MakeBmp(width, height, 24, rgb);
}

Bytes GrayBmp(const std::vector<std::vector<unsigned char>> &rows)
{
    const int height = static_cast<int>(rows.size());
    const int width = height ? static_cast<int>(rows[0].size()) : 0;
    return GrayBmp(width, height, [&rows](int x, int y) { return rows[y][x]; });
}

Bytes BlackWhiteBmp(int width, int height, const std::function<bool(int x, int y)> &black)
{
    return GrayBmp(width, height, [&black](int x, int y) -> unsigned char { return black(x, y) ? 0x00 : 0xFF; });
}

Bytes StripedOverBlackBmp()
{
    return GrayBmp({{0, 255, 0, 255, 0, 255, 0, 255}, {0, 0, 0, 0, 0, 0, 0, 0}});
}

Bytes HalfBlackBmp(int width, int height)
{
    return BlackWhiteBmp(width, height, [width](int x, int) { return x < width / 2; });
}

Bytes DcOverflowJpeg()
{
    Bytes f = {0xFF, 0xD8};
    auto segment = [&f](unsigned char marker, Bytes body) {
        const size_t length = body.size() + 2;
        f.insert(f.end(), {0xFF, marker, static_cast<unsigned char>(length >> 8), static_cast<unsigned char>(length)});
        f.insert(f.end(), body.begin(), body.end());
    };
    Bytes quantisers(129, 0xFF);
    quantisers[0] = 0x10; // 16-bit entries, table 0
    segment(0xDB, quantisers);
    segment(0xC0, {8, 0, 8, 1, 0, 1, 1, 0x11, 0}); // 256 x 8, one component
    Bytes dc(18, 0), ac(18, 0);                    // one code of one bit each:
    dc[1] = ac[1] = 1;
    dc[17] = 11;  // DC difference of 11 bits
    ac[0] = 0x10; // end of block
    segment(0xC4, dc);
    segment(0xC4, ac);
    segment(0xDA, {1, 1, 0, 0, 63, 0});
    // Each block: the DC code (0), 11 one bits (+2047), the AC code (0); FF bytes stuffed.
    uint64_t bits = 0;
    int count = 0;
    for (int block = 0; block < 32; ++block) {
        bits = (bits << 13) | 0x0FFE;
        for (count += 13; count >= 8; count -= 8) {
            f.push_back(static_cast<unsigned char>(bits >> (count - 8)));
            if (f.back() == 0xFF)
                f.push_back(0);
        }
    }
    f.insert(f.end(), {0xFF, 0xD9});
    return f;
}

} // namespace quorvane_test
