// Barcode encoders with arbitrary text: type and unit width from the first two bytes, the
// rest is the text. The width call and the drawing calls agree; a drawing fills exactly
// width x height pixels with the two values given and refuses a buffer one pixel short;
// the encoders themselves stay inside their buffers (each allocated to its exact size)
// and never draw past the widest row.
#include <string>

#include "FuzzSupport.h"
#include "nzcommon/imgprocess/barcode_encoders.h"
#include "nzcommon/imgprocess/barcode_render.h"
#include "quorvane/quorvane.h"

std::vector<FuzzBytes> FuzzSeeds()
{
    const char *const texts[30] = {
        "01234567890", "123456", "5901234123457", "1234567", "CODE-39 $/+%", "1234", "A1234B", "Code 93 full",
        "ABC123abc\t", "123-45", "1234", "\x99\x31\x32\x33\x34", "0101234567890128", "1234", "ab+C", "ab", "590123412345712",
        "59012341234571234", "123456712", "", "123456789012", "01234567890121", "12345612", "1234561234", "",
        "1234", "1234", "", "0001234560001", "1234567890123"};
    std::vector<FuzzBytes> seeds;
    for (unsigned char type = 0; type < 30; ++type)
        seeds.push_back(FuzzCat({{type, static_cast<unsigned char>(type % 3 + 1)}, FuzzText(texts[type])}));
    seeds.push_back(FuzzCat({{8, 1}, FuzzBytes(200, '7')}));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2 || size > 400)
        return 0;
    const int type = data[0] % 33 - 1;   // -1 and 30, 31 are no types
    const int unit = data[1] % 6;        // 0 is no width
    const std::string text(reinterpret_cast<const char *>(data + 2),
                           strnlen(reinterpret_cast<const char *>(data + 2), size - 2));

    const int width = CP_Barcode_GetBarcodeWidth(type, unit, text.c_str());
    FUZZ_CHECK(width == Quorvane_NZBarcodeUtils_GetBarcodeWidthDots(type, unit, 0, text.c_str()));
    FUZZ_CHECK(width >= 0);
    const int height = 3;
    if (width > 0) {
        FUZZ_CHECK(type >= 0 && type < 30 && unit >= 1 && !text.empty() && text.size() <= 200);
        const size_t count = static_cast<size_t>(width) * height;
        std::vector<unsigned int> px(count);
        int w = -1, h = -1;
        FUZZ_CHECK(CP_Barcode_GetBarcodeRGBAData(type, unit, height, 0xA, 0xB, text.c_str(), px.data(),
                                                 static_cast<long long>(count * 4), &w, &h) == 1);
        FUZZ_CHECK(w == width && h == height);
        bool bar = false;
        for (unsigned int v : px) {
            FUZZ_CHECK(v == 0xA || v == 0xB);
            bar = bar || v == 0xB;
        }
        FUZZ_CHECK(bar);
        std::vector<unsigned int> shortBuffer(count - 1, 0xC);
        FUZZ_CHECK(CP_Barcode_GetBarcodeRGBAData(type, unit, height, 0xA, 0xB, text.c_str(), shortBuffer.data(),
                                                 static_cast<long long>((count - 1) * 4), &w, &h) == 0);
        for (unsigned int v : shortBuffer)
            FUZZ_CHECK(v == 0xC);
        unsigned char *rgb = Quorvane_NZBarcodeUtils_GetBarcodeRGBData(type, unit, 0, height, text.c_str(), &w, &h);
        FUZZ_CHECK(rgb && w == width && h == height);
        volatile unsigned char last = rgb[count * 3 - 1];
        (void)last;
        free(rgb);
    } else {
        unsigned int px[4] = {0, 0, 0, 0};
        FUZZ_CHECK(CP_Barcode_GetBarcodeRGBAData(type, unit, height, 0xA, 0xB, text.c_str(), px, sizeof px, nullptr,
                                                 nullptr) == 0);
    }

    // The encoder pair of the type on its own buffers.
    if (type < 0 || type >= BARCODE_TYPE_COUNT || !BarFunctbl[type] || text.empty() || text.size() > BARCODE_MAX_TEXT)
        return 0;
    FuzzBytes textBuffer(BARCODE_TEXT_SIZE, 0), values(BARCODE_VALUES_SIZE, 0), row(BARCODE_ROW_BYTES, 0);
    memcpy(textBuffer.data(), text.data(), text.size());
    if (BarFunctbl[type](textBuffer.data(), values.data(), static_cast<unsigned int>(text.size())) != 0)
        return 0;
    bool ended = false;
    for (unsigned char v : values)
        ended = ended || v == BARCODE_VALUES_END;
    FUZZ_CHECK(ended);
    const int dots = PrnBarFunctbl[type](0, values.data(), row.data(), static_cast<unsigned char>(unit ? unit : 1));
    FUZZ_CHECK(dots >= 0);
    return 0;
}
