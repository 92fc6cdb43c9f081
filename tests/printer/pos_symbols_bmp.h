// A small uncompressed 24-bit BMP built in memory, for the image-entry tests.
#ifndef QUORVANE_TESTS_PRINTER_POS_SYMBOLS_BMP_H
#define QUORVANE_TESTS_PRINTER_POS_SYMBOLS_BMP_H

#include <cstdint>
#include <vector>

namespace quorvane_test {

// rows[y][x] is the gray level of pixel (x, y), top row first.
inline std::vector<unsigned char> MakeGrayBmp24(const std::vector<std::vector<unsigned char>> &rows)
{
    const uint32_t height = static_cast<uint32_t>(rows.size());
    const uint32_t width = height ? static_cast<uint32_t>(rows[0].size()) : 0;
    const uint32_t rowBytes = (width * 3 + 3) & ~3u;
    const uint32_t imageBytes = rowBytes * height;
    std::vector<unsigned char> out;
    auto le16 = [&out](uint32_t v) {
        out.push_back(v & 0xFF);
        out.push_back((v >> 8) & 0xFF);
    };
    auto le32 = [&le16](uint32_t v) {
        le16(v & 0xFFFF);
        le16(v >> 16);
    };
    out.push_back('B');
    out.push_back('M');
    le32(54 + imageBytes);
    le32(0);
    le32(54);
    le32(40);
    le32(width);
    le32(height);
    le16(1);
    le16(24);
    le32(0);
    le32(imageBytes);
    le32(2835);
    le32(2835);
    le32(0);
    le32(0);
    for (uint32_t y = height; y-- > 0;) {
        for (uint32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                out.push_back(rows[y][x]);
        for (uint32_t pad = width * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

} // namespace quorvane_test

#endif
