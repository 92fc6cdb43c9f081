// The own BMP reader and the image size probes over arbitrary bytes. A decoded BMP has a
// positive size, a supported bit count and every pixel readable, and each probe reports
// exactly what the decoder it stands for delivers.
#include "FuzzSupport.h"
#include "nzcommon/imgprocess/bmpread.h"
#include "nzcommon/imgprocess/imgprobe.h"

std::vector<FuzzBytes> FuzzSeeds()
{
    return FuzzImageSeeds();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20) || FuzzImageTooSlow(data, size))
        return 0;
    const int n = static_cast<int>(size);
    int bits = -1, w = -1, h = -1;
    unsigned char *rgb = nzbmpreadrgb(data, static_cast<unsigned int>(size), &bits, &w, &h);
    int pbits = -1, pw = -1, ph = -1;
    const int bmpProbe = nzbmp_GetImageSizeFromData(data, n, &pbits, &pw, &ph);
    if (rgb) {
        FUZZ_CHECK(w > 0 && h > 0);
        FUZZ_CHECK(bits == 1 || bits == 4 || bits == 8 || bits == 24);
        volatile unsigned char last = rgb[static_cast<size_t>(w) * h * 3 - 1];
        (void)last;
        free(rgb);
        FUZZ_CHECK(bmpProbe == 1 && pbits == bits && pw == w && ph == h);
    } else {
        FUZZ_CHECK(bits == -1 && w == -1 && h == -1);
        FUZZ_CHECK(bmpProbe == 0 && pbits == -1 && pw == -1 && ph == -1);
    }

    // The combined probe: the BMP answer, else stb_image's.
    int cbits = -1, cw = -1, ch = -1;
    const int combined = Quorvane_ImgUtils_GetImageSizeFromData(data, n, &cbits, &cw, &ch);
    if (bmpProbe) {
        FUZZ_CHECK(combined == 1 && cbits == pbits && cw == pw && ch == ph);
        return 0;
    }
    // Otherwise stb_image's answer (the stb harness holds it to the decoder).
    if (combined)
        FUZZ_CHECK(cw > 0 && ch > 0 && cbits >= 8 && cbits <= 32);
    return 0;
}
