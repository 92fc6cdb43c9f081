// Uncompressed BMP files built in memory, for the image tests of every layer.
#ifndef QUORVANE_TESTS_SUPPORT_TESTIMAGES_H
#define QUORVANE_TESTS_SUPPORT_TESTIMAGES_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/DeviceFixtures.h"
#include "support/TestUtil.h"

namespace quorvane_test {

// Little-endian fields written into a buffer at byte offset `at`.
void Put16(Bytes &v, size_t at, uint32_t x);
void Put32(Bytes &v, size_t at, uint32_t x);

// An uncompressed BMP of width x |height| pixels. For 24 and 32 bits `pixels` holds
// (R, G, B) per pixel, top row first (the fourth byte of 32 bits is 0); for 1, 4 and 8 bits
// one palette index per pixel, and `palette` the (B, G, R, 0) entries. A negative height
// stores the rows top-down, else bottom-up.
Bytes MakeBmp(int width, int height, int bits, const Bytes &pixels, const Bytes &palette = Bytes());

// A 24-bit BMP whose pixel (x, y) has the gray level gray(x, y).
Bytes GrayBmp(int width, int height, const std::function<unsigned char(int x, int y)> &gray);
// rows[y][x] is the gray level of pixel (x, y), top row first.
Bytes GrayBmp(const std::vector<std::vector<unsigned char>> &rows);
// A 24-bit BMP, black where black(x, y) holds, else white.
Bytes BlackWhiteBmp(int width, int height, const std::function<bool(int x, int y)> &black);
// An 8 x 2 gray BMP: the top row alternates black and white, the bottom row is black, so a
// mean threshold keeps it as raster bytes AA FF.
Bytes StripedOverBlackBmp();
// A 24-bit BMP, the left half black and the right half white.
Bytes HalfBlackBmp(int width, int height);

// A 256 x 8 gray JPEG with 16-bit quantisers of 65535 whose every block adds 2047 to the
// DC value: from the 17th block on, the dequantised DC no longer fits an int.
Bytes DcOverflowJpeg();

// An image (or any content) in memory and in a file of a fresh temporary directory,
// removed with it.
class TempImage {
public:
    explicit TempImage(const Bytes &content, const std::string &name = "image.bmp");
    bool ok() const { return m_ok; }
    const Bytes &bytes() const { return m_bytes; }
    const unsigned char *data() const { return m_bytes.data(); }
    int size() const { return static_cast<int>(m_bytes.size()); }
    const char *path() const { return m_path.c_str(); }

private:
    TempDir m_dir;
    Bytes m_bytes;
    std::string m_path;
    bool m_ok;
};

inline std::string AsString(const Bytes &b) { return std::string(b.begin(), b.end()); }

} // namespace quorvane_test

#endif
