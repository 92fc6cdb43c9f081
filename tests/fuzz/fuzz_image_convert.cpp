// Encoded images through the conversion entries, with the target size, the binarization
// method and the padding multiples taken from the first bytes. Every result has the size
// the entry promises and is readable to its last byte; an unknown method gives null.
#include "FuzzSupport.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/imgprobe.h"

namespace {

void Touch(const unsigned char *p, int size)
{
    FUZZ_CHECK(p && size > 0);
    volatile unsigned char last = p[size - 1];
    (void)last;
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    std::vector<FuzzBytes> seeds;
    unsigned char method = 0;
    for (const FuzzBytes &image : FuzzImageSeeds()) {
        // target width, target height, method, width multiple, line multiple
        seeds.push_back(FuzzCat({{12, 7, method, 8, 24}, image}));
        method = static_cast<unsigned char>((method + 1) % 3);
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > (1u << 20))
        return 0;
    FuzzReader in(data, size);
    const int dstW = in.Byte() % 96 + 1;
    const int dstH = in.Byte() % 96 + 1;
    const int method = in.Byte() % 4;   // 3 is no method
    const int widthMultiple = in.Byte() % 65;   // 0 is refused
    const int lineMultiple = in.Byte() % 65;
    const unsigned char *image = in.Rest();
    const int n = static_cast<int>(in.RestSize());
    if (FuzzImageTooSlow(image, in.RestSize()))
        return 0;

    int outSize = -1, bpl = -1;
    unsigned char *r = Quorvane_ImgUtils_ConvertImageDataToMonoFormat(image, n, dstW, dstH, method, &outSize, &bpl);
    if (r) {
        FUZZ_CHECK(method < 3);
        FUZZ_CHECK(bpl == (dstW + 7) / 8 && outSize == bpl * dstH);
        Touch(r, outSize);
        free(r);
    }
    const bool decodes = r != nullptr;

    int heightBytes = -1;
    r = Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImage(image, n, dstW, dstH, method, &outSize, &heightBytes);
    FUZZ_CHECK((r != nullptr) == decodes);
    if (r) {
        FUZZ_CHECK(heightBytes == (dstH + 7) / 8 && outSize == dstW * heightBytes);
        Touch(r, outSize);
        free(r);
    } else {
        FUZZ_CHECK(outSize == 0 && heightBytes == 0);
    }

    // At the image's own size: only for images small enough to convert quickly.
    int bits = 0, w = 0, h = 0;
    if (!Quorvane_ImgUtils_GetImageSizeFromData(image, n, &bits, &w, &h) || static_cast<long long>(w) * h > 512 * 512)
        return 0;
    FUZZ_CHECK(w > 0 && h > 0);
    int ow = -1, oh = -1;
    r = Quorvane_ImgUtils_ConvertImageDataToMonoFormatWithoutScale(image, n, method, &outSize, &bpl, &ow, &oh);
    FUZZ_CHECK((r != nullptr) == (method < 3));
    if (r) {
        FUZZ_CHECK(ow == w && oh == h && bpl == (w + 7) / 8 && outSize == bpl * h);
        Touch(r, outSize);
        free(r);
    }
    int obits = -1;
    r = Quorvane_ImgUtils_ConvertImageDataToVerticalRasterImageWithoutScale(image, n, method, &outSize, &heightBytes,
                                                                            &ow, &obits);
    FUZZ_CHECK((r != nullptr) == (method < 3));
    if (r) {
        FUZZ_CHECK(ow == w && obits == bits && heightBytes == (h + 7) / 8 && outSize == w * heightBytes);
        Touch(r, outSize);
        free(r);
    }
    int widthDots = -1, lines = -1;
    r = Quorvane_ImgUtils_ConvertImageDataToHorizontalRasterImageWithoutScale(
        image, n, method, widthMultiple, lineMultiple, &outSize, &bpl, &widthDots, &lines);
    FUZZ_CHECK((r != nullptr) == (method < 3 && widthMultiple > 0 && lineMultiple > 0));
    if (r) {
        FUZZ_CHECK(widthDots % widthMultiple == 0 && widthDots >= (w + 7) / 8 * 8 &&
                   widthDots < (w + 7) / 8 * 8 + widthMultiple);
        FUZZ_CHECK(lines % lineMultiple == 0 && lines >= h && lines < h + lineMultiple);
        FUZZ_CHECK(bpl == (widthDots + 7) / 8 && outSize == bpl * lines);
        Touch(r, outSize);
        free(r);
    }
    return 0;
}
