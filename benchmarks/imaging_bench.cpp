// Imaging throughput on receipt-sized images: decoded pixels and photos to 576 x 2000
// rasters by each binarization method and to each command form.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "nzcommon/imgprocess/imgutils.h"
#include "benchmarks/bench_pictures.h"

namespace {

const int kW = 576, kH = 2000;

const std::vector<unsigned char> &Rgba576()
{
    static const std::vector<unsigned char> p = Photo(kW, kH, 4);
    return p;
}

const std::vector<unsigned char> &Rgb1152()
{
    static const std::vector<unsigned char> p = Photo(1152, 4000, 3);
    return p;
}

const std::vector<unsigned char> &Rgb288()
{
    static const std::vector<unsigned char> p = Photo(288, 1000, 3);
    return p;
}

// Error-diffused raster of the decoded pixels, the input of the command forms.
const std::vector<unsigned char> &Raster576()
{
    static const std::vector<unsigned char> r = [] {
        int size = 0, bpl = 0;
        unsigned char *raster =
            Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(Rgba576().data(), kW, kH, kW * 4, 7, 2, &size, &bpl);
        std::vector<unsigned char> v(raster, raster + size);
        free(raster);
        return v;
    }();
    return r;
}

// Decoded RGBA pixels -> gray -> binarization (arg: method) -> overbound cleared -> GS v 0 bands.
void BM_RgbaToGsV0(benchmark::State &state)
{
    const int method = static_cast<int>(state.range(0));
    for (auto _ : state) {
        int size = 0, bpl = 0, cmdSize = 0;
        unsigned char *raster = Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(Rgba576().data(), kW, kH, kW * 4, 7,
                                                                                 method, &size, &bpl);
        unsigned char *clean = Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(bpl, kW, kH, raster, 0);
        unsigned char *cmd = Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(bpl, kH, clean, 24, &cmdSize);
        benchmark::DoNotOptimize(cmd);
        free(cmd);
        free(clean);
        free(raster);
    }
}
BENCHMARK(BM_RgbaToGsV0)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Decoded RGBA pixels -> gray only.
void BM_RgbaToGray(benchmark::State &state)
{
    for (auto _ : state) {
        unsigned char *gray = Quorvane_ImgUtils_ConvertImageToGrayFormat(Rgba576().data(), kW, kH, kW * 4, 7);
        benchmark::DoNotOptimize(gray);
        free(gray);
    }
}
BENCHMARK(BM_RgbaToGray)->Unit(benchmark::kMillisecond);

// Gray -> raster by method.
void BM_GrayToRaster(benchmark::State &state)
{
    const int method = static_cast<int>(state.range(0));
    unsigned char *gray = Quorvane_ImgUtils_ConvertImageToGrayFormat(Rgba576().data(), kW, kH, kW * 4, 7);
    for (auto _ : state) {
        int size = 0, bpl = 0;
        unsigned char *raster = Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(gray, kW, kH, kW, method, &size, &bpl);
        benchmark::DoNotOptimize(raster);
        free(raster);
    }
    free(gray);
}
BENCHMARK(BM_GrayToRaster)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Raster -> command form (arg: 0 GS v 0 bands of 24, 1 run-length, 2 GS 8 L, 3 JBIG bands of 255).
void BM_RasterToCommand(benchmark::State &state)
{
    const int form = static_cast<int>(state.range(0));
    const std::vector<unsigned char> &r = Raster576();
    const int bpl = kW / 8;
    int size = 0;
    for (auto _ : state) {
        unsigned char *cmd = nullptr;
        switch (form) {
        case 0: cmd = Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(bpl, kH, r.data(), 24, &size); break;
        case 1: cmd = Quorvane_ImgUtils_RasterDataToCompressCmd(bpl, kH, r.data(), &size); break;
        case 2: cmd = Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(bpl, kH, r.data(), &size); break;
        default: cmd = Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(bpl, kH, r.data(), 255, &size); break;
        }
        benchmark::DoNotOptimize(cmd);
        free(cmd);
    }
    state.counters["bytes"] = size;
}
BENCHMARK(BM_RasterToCommand)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

// Whole-image JBIG entity of the raster, and its decoding.
void BM_JbigWholeEncode(benchmark::State &state)
{
    const std::vector<unsigned char> &r = Raster576();
    int len = 0;
    for (auto _ : state) {
        unsigned char *bie = Quorvane_ImgUtils_RasterDataToJBIG5Data(kW / 8, kW, kH, r.data(), &len);
        benchmark::DoNotOptimize(bie);
        free(bie);
    }
    state.counters["bytes"] = len;
}
BENCHMARK(BM_JbigWholeEncode)->Unit(benchmark::kMillisecond);

void BM_JbigDecode(benchmark::State &state)
{
    const std::vector<unsigned char> &r = Raster576();
    int len = 0;
    unsigned char *bie = Quorvane_ImgUtils_RasterDataToJBIG5Data(kW / 8, kW, kH, r.data(), &len);
    std::vector<unsigned char> out(r.size());
    for (auto _ : state) {
        int bpl = 0, w = 0, h = 0, total = 0;
        int ok = Quorvane_ImgUtils_DecodeRasterImageFromJBIG5Data(bie, len, &bpl, &w, &h, out.data(),
                                                                  static_cast<int>(out.size()), &total);
        benchmark::DoNotOptimize(ok);
    }
    free(bie);
}
BENCHMARK(BM_JbigDecode)->Unit(benchmark::kMillisecond);

// Bicubic scaling to 576 x 2000 (arg: source width; 1152 x 4000 or 288 x 1000).
void BM_ScaleRgb(benchmark::State &state)
{
    const bool big = state.range(0) == 1152;
    const std::vector<unsigned char> &src = big ? Rgb1152() : Rgb288();
    for (auto _ : state) {
        unsigned char *out =
            Quorvane_ImgUtils_ScaleRGB888Image(big ? 1152 : 288, big ? 4000 : 1000, src.data(), kW, kH);
        benchmark::DoNotOptimize(out);
        free(out);
    }
}
BENCHMARK(BM_ScaleRgb)->Arg(1152)->Arg(288)->Unit(benchmark::kMillisecond);

// Photo -> scaled -> gray -> raster (args: source width, method).
void BM_PhotoToRaster(benchmark::State &state)
{
    const bool big = state.range(0) == 1152;
    const int method = static_cast<int>(state.range(1));
    const std::vector<unsigned char> &src = big ? Rgb1152() : Rgb288();
    for (auto _ : state) {
        int size = 0, bpl = 0;
        unsigned char *raster = Quorvane_ImgUtils_ConvertRGBPixelsDataToMonoFormat(
            src.data(), big ? 1152 : 288, big ? 4000 : 1000, kW, kH, method, &size, &bpl);
        benchmark::DoNotOptimize(raster);
        free(raster);
    }
}
BENCHMARK(BM_PhotoToRaster)->ArgsProduct({{1152, 288}, {0, 1, 2}})->Unit(benchmark::kMillisecond);

} // namespace
