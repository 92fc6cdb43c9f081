// Pixel arrays of any shape through the JBIG compression entries: width, height, stride,
// pixel format and method come from the first bytes (now and then hostile values), the
// rest is the pixel data with its exact length. A shape whose rows do not fit the data is
// refused; an accepted one gives the same length from both calls, refuses a buffer one
// byte short, and decodes back to its own size (for 1-bit rows, to the very same dots).
#include <climits>

#include "FuzzSupport.h"
#include "nzcommon/imgprocess/grayconv.h"
#include "quorvane/quorvane.h"

namespace {

int Shape(FuzzReader &in, int modulus)
{
    const uint8_t pick = in.Byte();
    const uint16_t v = in.U16();
    switch (pick) {
    case 0xFF: return INT_MAX;
    case 0xFE: return -1;
    case 0xFD: return INT_MIN;
    case 0xFC: return 1 << 16;
    case 0xFB: return 0;
    default: return v % modulus + 1;
    }
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    std::vector<FuzzBytes> seeds;
    struct Row { int w, h, stride, format; } rows[] = {
        {16, 4, 2, 1}, {10, 3, 2, 2}, {5, 3, 15, 4}, {4, 4, 16, 3}, {6, 2, 6, 5}, {3, 3, 12, 9}, {7, 2, 14, 7},
    };
    for (const Row &r : rows) {
        FuzzBytes s = {0, static_cast<unsigned char>(r.w - 1), 0, 0, static_cast<unsigned char>(r.h - 1), 0,
                       0, static_cast<unsigned char>(r.stride - 1), 0, static_cast<unsigned char>(r.format), 1};
        for (int i = 0; i < r.stride * r.h; ++i)
            s.push_back(static_cast<unsigned char>(i * 29 + 3));
        seeds.push_back(s);
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzReader in(data, size);
    const int width = Shape(in, 256);
    const int height = Shape(in, 64);
    const int stride = Shape(in, 1024);
    const int format = in.Byte() % 11;   // 1 to 9 exist
    const int method = in.Byte() % 4;    // 0 to 2 exist
    // The pixels in a buffer of exactly their length, so any read past it is seen.
    const FuzzBytes pixels = in.RestBytes();
    const long long length = static_cast<long long>(pixels.size());
    if (length == 0)
        return 0;

    const int total = CP_Image_GetCompressToJBIGDataLength(pixels.data(), length, width, height, stride, format,
                                                           method);
    if (total <= 0)
        return 0;
    // The 1-bit formats are copied without binarization, whatever the method.
    FUZZ_CHECK(width > 0 && height > 0 && stride > 0 && format >= 1 && format <= 9 && (method <= 2 || format <= 2));
    const long long minStride = NZImg_MinStride(format, width);
    FUZZ_CHECK(minStride > 0 && stride >= minStride);
    FUZZ_CHECK(static_cast<long long>(stride) * (height - 1) + (format <= 2 ? stride : minStride) <= length);
    FuzzBytes bie(static_cast<size_t>(total));
    FUZZ_CHECK(CP_Image_GetCompressToJBIGDataBytes(pixels.data(), length, width, height, stride, format, method,
                                                   bie.data(), total) == total);
    FuzzBytes shortBuffer(static_cast<size_t>(total - 1) + 1);
    if (total > 1)
        FUZZ_CHECK(CP_Image_GetCompressToJBIGDataBytes(pixels.data(), length, width, height, stride, format, method,
                                                       shortBuffer.data(), total - 1) == 0);

    int w = -1, h = -1;
    FUZZ_CHECK(CP_Image_DecodeImageSizeFromJBIGData(bie.data(), total, &w, &h) == 1);
    FUZZ_CHECK(w == width && h == height);
    std::vector<unsigned int> out(static_cast<size_t>(w) * h);
    FUZZ_CHECK(CP_Image_DecodeRGBAImageFromJBIGData(bie.data(), total, 0, 1, out.data(), &w, &h) == 1);
    FUZZ_CHECK(w == width && h == height);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const unsigned int v = out[static_cast<size_t>(y) * w + x];
            FUZZ_CHECK(v <= 1);
            if (format == 1) {
                const unsigned char byte = pixels[static_cast<size_t>(y) * stride + x / 8];
                FUZZ_CHECK(v == ((byte >> (7 - x % 8)) & 1u));
            }
        }
    return 0;
}
