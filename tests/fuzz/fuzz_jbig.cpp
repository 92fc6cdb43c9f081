// JBIG in both directions. Mode 0 (first byte even): arbitrary bytes as a BIE through the
// decoders; a BIE that decodes reports one size everywhere, fills exactly the room the
// measuring pass asked for and gives only the two pixel values. Mode 1: arbitrary raster
// data encoded (whole, in US ( J bands, and as base64) and decoded back to the same dots.
#include <algorithm>

#include "FuzzSupport.h"
#include "nzcommon/imgprocess/base64.h"
#include "nzcommon/imgprocess/jbigcodec.h"

namespace {

FuzzBytes Raster(int bytesPerLine, int lines, unsigned seed)
{
    FuzzBytes r(static_cast<size_t>(bytesPerLine) * lines);
    for (size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<unsigned char>((i / 3 % 5 == 0 ? 0xF0 : 0x00) ^ (i * seed));
    return r;
}

// Decodes a BIE and checks it holds the widthDots x lines dots of raster (stride bytesPerLine).
void ExpectDecodesTo(const unsigned char *bie, int length, const unsigned char *raster, int bytesPerLine,
                     int widthDots, int lines)
{
    int total = -1, bpl = -1, w = -1, h = -1;
    Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, length, &bpl, &w, &h, nullptr, 0, &total);
    FUZZ_CHECK(total > 0);
    FuzzBytes out(static_cast<size_t>(total));
    FUZZ_CHECK(Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, length, &bpl, &w, &h, out.data(), total,
                                                                &total) == 1);
    FUZZ_CHECK(w == widthDots && h == lines && bpl == (widthDots + 7) / 8 && total == bpl * h);
    for (int y = 0; y < lines; ++y)
        for (int x = 0; x < widthDots; ++x) {
            const int a = (raster[static_cast<size_t>(y) * bytesPerLine + x / 8] >> (7 - x % 8)) & 1;
            const int b = (out[static_cast<size_t>(y) * bpl + x / 8] >> (7 - x % 8)) & 1;
            FUZZ_CHECK(a == b);
        }
}

void Decode(const uint8_t *bie, size_t size)
{
    const int n = static_cast<int>(size);
    int w = -1, h = -1;
    if (!Quorvane_ImgUtils_DecodeImageSizeFromJBIGData(bie, n, &w, &h)) {
        FUZZ_CHECK(w == -1 && h == -1);
        return;
    }
    FUZZ_CHECK(w > 0 && h > 0);
    int total = -1, bpl = -1, w2 = -1, h2 = -1;
    Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, n, &bpl, &w2, &h2, nullptr, 0, &total);
    FUZZ_CHECK(w2 == w && h2 == h && total > 0 && bpl == (w + 7) / 8 && total == bpl * h);
    if (static_cast<long long>(w) * h > (1LL << 18))
        return;
    FuzzBytes raster(static_cast<size_t>(total));
    FUZZ_CHECK(Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, n, &bpl, &w2, &h2, raster.data(), total,
                                                                &total) == 1);
    if (total > 1)
        FUZZ_CHECK(Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, n, &bpl, &w2, &h2, raster.data(), total - 1,
                                                                    &total) == 0);
    std::vector<unsigned int> px(static_cast<size_t>(w) * h);
    FUZZ_CHECK(Quorvane_ImgUtils_DecodeRGBAImageFromJBIGData(bie, n, 7, 9, px.data(), &w2, &h2) == 1);
    FUZZ_CHECK(w2 == w && h2 == h);
    for (size_t i = 0; i < px.size(); ++i)
        FUZZ_CHECK(px[i] == ((raster[i / w * bpl + i % w / 8] >> (7 - i % w % 8)) & 1 ? 9u : 7u));
}

void RoundTrip(FuzzReader &in)
{
    const int bytesPerLine = in.Byte() % 32 + 1;
    const int widthDots = bytesPerLine * 8 - in.Byte() % 8;
    const int bankHeight = in.Byte() % 40 + 1;
    const int lines = static_cast<int>(std::min<size_t>(in.RestSize() / bytesPerLine, 300));
    if (lines == 0)
        return;
    const unsigned char *raster = in.Rest();

    int length = -1;
    unsigned char *bie = Quorvane_ImgUtils_RasterDataToJBIG5Data(bytesPerLine, widthDots, lines, raster, &length);
    FUZZ_CHECK(bie && length > 0);
    ExpectDecodesTo(bie, length, raster, bytesPerLine, widthDots, lines);

    // Base64 of the same BIE.
    char *text = Quorvane_ImgUtils_RasterDataToJBIG5Base64Data(bytesPerLine, widthDots, lines, raster);
    FUZZ_CHECK(text && strlen(text) == static_cast<size_t>((length + 2) / 3 * 4));
    FuzzBytes back(strlen(text) / 4 * 3);
    FUZZ_CHECK(base64_decode(text, static_cast<int>(strlen(text)), back.data()) == length);
    FUZZ_CHECK(memcmp(back.data(), bie, static_cast<size_t>(length)) == 0);
    free(text);
    free(bie);

    // Bands: 1F 28 4A, pL pH, wL wH, lines, BIE; together they hold every line in order.
    int cmdSize = -1;
    unsigned char *cmd =
        Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(bytesPerLine, lines, raster, bankHeight, &cmdSize);
    FUZZ_CHECK(cmd && cmdSize > 0);
    int at = 0, line = 0;
    while (at < cmdSize) {
        FUZZ_CHECK(at + 8 <= cmdSize && cmd[at] == 0x1F && cmd[at + 1] == 0x28 && cmd[at + 2] == 0x4A);
        const int bandBie = (cmd[at + 3] | (cmd[at + 4] << 8)) - 3;
        const int bandWidth = cmd[at + 5] | (cmd[at + 6] << 8);
        const int bandLines = cmd[at + 7];
        FUZZ_CHECK(bandBie > 0 && at + 8 + bandBie <= cmdSize);
        FUZZ_CHECK(bandWidth == bytesPerLine * 8 && bandLines >= 1 && bandLines <= bankHeight);
        FUZZ_CHECK(line + bandLines <= lines);
        ExpectDecodesTo(cmd + at + 8, bandBie, raster + static_cast<size_t>(line) * bytesPerLine, bytesPerLine,
                        bandWidth, bandLines);
        line += bandLines;
        at += 8 + bandBie;
    }
    FUZZ_CHECK(at == cmdSize && line == lines);
    free(cmd);
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    std::vector<FuzzBytes> seeds;
    struct Row { int bpl, cut, bank, lines; } rows[] = {{2, 6, 24, 3}, {1, 0, 1, 5}, {4, 3, 7, 20}, {9, 1, 40, 12}};
    for (const Row &r : rows) {
        FuzzBytes raster = Raster(r.bpl, r.lines, 37u * r.bpl + 1);
        seeds.push_back(FuzzCat({{1, static_cast<unsigned char>(r.bpl - 1), static_cast<unsigned char>(r.cut),
                                  static_cast<unsigned char>(r.bank - 1)},
                                 raster}));
        int length = 0;
        unsigned char *bie = Quorvane_ImgUtils_RasterDataToJBIG5Data(r.bpl, r.bpl * 8 - r.cut, r.lines, raster.data(),
                                                                     &length);
        if (bie) {
            seeds.push_back(FuzzCat({{0}, FuzzBytes(bie, bie + length)}));
            free(bie);
        }
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > (1u << 16))
        return 0;
    if (data[0] % 2 == 0) {
        Decode(data + 1, size - 1);
        return 0;
    }
    FuzzReader in(data + 1, size - 1);
    RoundTrip(in);
    return 0;
}
