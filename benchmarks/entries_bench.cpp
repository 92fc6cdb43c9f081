// The C interface end to end on receipt-sized pictures, each stage of the file path on its
// own, and the heap of idle connections. Entries print into memory connections.
//
// Args named "threads" run with that many imaging threads (0: QUORVANE_THREADS or the cores).
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <malloc.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "nzcommon/imgprocess/imgutils.h"
#include "quorvane/quorvane.h"

#if __has_include("nzcommon/imgprocess/parallel.h")
#include "nzcommon/imgprocess/parallel.h"
#define BENCH_SET_THREADS(n) NZPar_SetThreads(n)
#else
#define BENCH_SET_THREADS(n) (void)(n)
#endif

#include "tests/support/StbImageWrite.h"
#include "benchmarks/bench_pictures.h"

namespace {

const int kW = 576, kH = 2000, kBigW = 1152, kBigH = 4000;

void Collect(void *context, void *data, int size)
{
    auto *out = static_cast<std::vector<unsigned char> *>(context);
    out->insert(out->end(), static_cast<unsigned char *>(data), static_cast<unsigned char *>(data) + size);
}

const std::vector<unsigned char> &Rgba576()
{
    static const std::vector<unsigned char> p = Photo(kW, kH, 4);
    return p;
}

// The 1152 x 4000 photo encoded as 0 PNG, 1 JPEG, 2 BMP, and the path of a file holding it.
struct Encoded {
    std::vector<unsigned char> bytes;
    std::string path;
};

const Encoded &Big(int kind)
{
    static Encoded files[3];
    Encoded &e = files[kind];
    if (e.bytes.empty()) {
        static const std::vector<unsigned char> rgb = Photo(kBigW, kBigH, 3);
        if (kind == 0)
            stbi_write_png_to_func(Collect, &e.bytes, kBigW, kBigH, 3, rgb.data(), kBigW * 3);
        else if (kind == 1)
            stbi_write_jpg_to_func(Collect, &e.bytes, kBigW, kBigH, 3, rgb.data(), 90);
        else
            stbi_write_bmp_to_func(Collect, &e.bytes, kBigW, kBigH, 3, rgb.data());
        static const char *names[3] = {"png", "jpg", "bmp"};
        e.path = std::string("/tmp/quorvane_bench_") + std::to_string(getpid()) + "." + names[kind];
        FILE *f = fopen(e.path.c_str(), "wb");
        if (f) {
            fwrite(e.bytes.data(), 1, e.bytes.size(), f);
            fclose(f);
        }
    }
    return e;
}

struct FileCleanup {
    ~FileCleanup()
    {
        for (int k = 0; k < 3; ++k)
            unlink(Big(k).path.c_str());
    }
} g_cleanup;

// One memory connection for a whole benchmark, as an application prints receipt after
// receipt on one connection; the collected bytes are dropped before each print.
struct PrintConnection {
    CP_Handle handle = CP_Port_OpenMemoryBuffer(1 << 24);
    ~PrintConnection() { CP_Port_Close(handle); }
    void StartPrint() { CP_Port_ClearMemoryBufferData(handle); }
};

void Report(benchmark::State &state, bool ok)
{
    if (!ok)
        state.SkipWithError("the entry failed");
}

// CP_Pos_PrintRasterImageFromPixels: 576 x 2000 RGBA -> gray -> method -> GS v 0 (args: method, threads).
void BM_EntryPixels(benchmark::State &state)
{
    BENCH_SET_THREADS(static_cast<int>(state.range(1)));
    const std::vector<unsigned char> &px = Rgba576();
    PrintConnection conn;
    for (auto _ : state) {
        state.PauseTiming();
        conn.StartPrint();
        state.ResumeTiming();
        const int ok = CP_Pos_PrintRasterImageFromPixels(conn.handle, px.data(), static_cast<int>(px.size()), kW, kH,
                                                         kW * 4, 7, static_cast<int>(state.range(0)), 0);
        Report(state, ok == 1);
    }
    BENCH_SET_THREADS(0);
}
BENCHMARK(BM_EntryPixels)->ArgNames({"method", "threads"})->ArgsProduct({{0, 1, 2}, {1, 0}})->Unit(benchmark::kMillisecond);

// Threads of this process now.
int ProcessThreads()
{
    int n = 0;
    if (DIR *d = opendir("/proc/self/task")) {
        while (const dirent *e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// 80 prints of the 576 x 2000 RGBA photo, error diffusion and JBIG, shared out over
// `callers` application threads printing at once, each on a memory connection of its own
// (args: callers, threads). Counter peak_threads: the most threads the process ran, sampled
// every 0.5 ms; the benchmark's own thread and the sampler are two of them.
void BM_EntryCallers(benchmark::State &state)
{
    const int callers = static_cast<int>(state.range(0)), prints = 80;
    BENCH_SET_THREADS(static_cast<int>(state.range(1)));
    const std::vector<unsigned char> &px = Rgba576();
    std::vector<std::unique_ptr<PrintConnection>> conns;
    for (int c = 0; c < callers; ++c)
        conns.emplace_back(new PrintConnection);
    int peak = 0;
    for (auto _ : state) {
        std::atomic<int> next{0}, failed{0};
        std::atomic<bool> done{false};
        std::thread sampler([&] {
            while (!done.load()) {
                const int n = ProcessThreads();
                peak = n > peak ? n : peak;
                usleep(500);
            }
        });
        std::vector<std::thread> threads;
        for (int c = 0; c < callers; ++c) {
            threads.emplace_back([&, c] {
                while (next.fetch_add(1) < prints) {
                    conns[static_cast<size_t>(c)]->StartPrint();
                    if (CP_Pos_PrintRasterImageFromPixels(conns[static_cast<size_t>(c)]->handle, px.data(),
                                                          static_cast<int>(px.size()), kW, kH, kW * 4, 7, 2, 2) != 1)
                        failed.fetch_add(1);
                }
            });
        }
        for (std::thread &t : threads)
            t.join();
        done.store(true);
        sampler.join();
        Report(state, failed.load() == 0);
    }
    state.counters["peak_threads"] = peak;
    BENCH_SET_THREADS(0);
}
BENCHMARK(BM_EntryCallers)
    ->ArgNames({"callers", "threads"})
    ->Args({1, 0})
    ->Args({16, 0})
    ->Args({16, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// CP_Pos_PrintRasterImageFromFile / FromData: 1152 x 4000 file -> 576 x 2000 error-diffused GS v 0
// (args: 0 PNG, 1 JPEG, 2 BMP; 0 file, 1 data; threads).
void BM_EntryEncoded(benchmark::State &state)
{
    const Encoded &e = Big(static_cast<int>(state.range(0)));
    const bool fromData = state.range(1) == 1;
    BENCH_SET_THREADS(static_cast<int>(state.range(2)));
    PrintConnection conn;
    for (auto _ : state) {
        state.PauseTiming();
        conn.StartPrint();
        state.ResumeTiming();
        const int ok = fromData ? CP_Pos_PrintRasterImageFromData(conn.handle, kW, kH, e.bytes.data(),
                                                                  static_cast<int>(e.bytes.size()), 2, 0)
                                : CP_Pos_PrintRasterImageFromFile(conn.handle, kW, kH, e.path.c_str(), 2, 0);
        Report(state, ok == 1);
    }
    BENCH_SET_THREADS(0);
}
BENCHMARK(BM_EntryEncoded)
    ->ArgNames({"format", "data", "threads"})
    ->ArgsProduct({{0, 1, 2}, {0, 1}, {1, 0}})
    ->Unit(benchmark::kMillisecond);

// Stage: reading the 1152 x 4000 file and decoding it to RGB pixels, once (args: 0 PNG,
// 1 JPEG, 2 BMP). An entry taking the file costs at least this.
void BM_StageDecodeFile(benchmark::State &state)
{
    const Encoded &e = Big(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        int size = 0, bits = 0, w = 0, h = 0;
        unsigned char *data = Quorvane_ImgUtils_ReadFile(e.path.c_str(), &size);
        unsigned char *rgb = data ? nzbmpreadrgb(data, static_cast<unsigned int>(size), &bits, &w, &h) : nullptr;
        if (data && !rgb)
            rgb = nzstb_DecodeRGB(data, size, &w, &h, nullptr);
        Report(state, rgb != nullptr);
        free(rgb);
        free(data);
    }
}
BENCHMARK(BM_StageDecodeFile)->ArgName("format")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Stage: bicubic 1152 x 4000 -> 576 x 2000 (arg: threads).
void BM_StageScale(benchmark::State &state)
{
    static const std::vector<unsigned char> rgb = Photo(kBigW, kBigH, 3);
    BENCH_SET_THREADS(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        unsigned char *out = Quorvane_ImgUtils_ScaleRGB888Image(kBigW, kBigH, rgb.data(), kW, kH);
        benchmark::DoNotOptimize(out);
        free(out);
    }
    BENCH_SET_THREADS(0);
}
BENCHMARK(BM_StageScale)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Arg(0)->Unit(benchmark::kMillisecond);

// Stage: JBIG bands of 255 lines of the error-diffused 576 x 2000 raster (arg: threads).
void BM_StageJbigBands(benchmark::State &state)
{
    int size = 0, bpl = 0;
    unsigned char *raster =
        Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(Rgba576().data(), kW, kH, kW * 4, 7, 2, &size, &bpl);
    BENCH_SET_THREADS(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        unsigned char *cmd = Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(bpl, kH, raster, 255, &size);
        benchmark::DoNotOptimize(cmd);
        free(cmd);
    }
    BENCH_SET_THREADS(0);
    free(raster);
}
BENCHMARK(BM_StageJbigBands)->ArgName("threads")->Arg(1)->Arg(2)->Arg(4)->Arg(0)->Unit(benchmark::kMillisecond);

// Stage: 576 x 2000 RGBA -> gray, and gray -> raster by method (args: method, threads).
void BM_StageGray(benchmark::State &state)
{
    BENCH_SET_THREADS(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        unsigned char *gray = Quorvane_ImgUtils_ConvertImageToGrayFormat(Rgba576().data(), kW, kH, kW * 4, 7);
        benchmark::DoNotOptimize(gray);
        free(gray);
    }
    BENCH_SET_THREADS(0);
}
BENCHMARK(BM_StageGray)->ArgName("threads")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_StageBinarize(benchmark::State &state)
{
    unsigned char *gray = Quorvane_ImgUtils_ConvertImageToGrayFormat(Rgba576().data(), kW, kH, kW * 4, 7);
    BENCH_SET_THREADS(static_cast<int>(state.range(1)));
    for (auto _ : state) {
        int size = 0, bpl = 0;
        unsigned char *r = Quorvane_ImgUtils_ConvertGrayImageToMonoFormat(gray, kW, kH, kW,
                                                                          static_cast<int>(state.range(0)), &size, &bpl);
        benchmark::DoNotOptimize(r);
        free(r);
    }
    BENCH_SET_THREADS(0);
    free(gray);
}
BENCHMARK(BM_StageBinarize)->ArgNames({"method", "threads"})->ArgsProduct({{0, 1, 2}, {1, 0}})->Unit(benchmark::kMillisecond);

// Heap held by 100 idle memory connections (counter heap_bytes).
void BM_IdleConnectionsHeap(benchmark::State &state)
{
    size_t bytes = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        std::vector<CP_Handle> handles;
        for (int i = 0; i < 100; ++i)
            handles.push_back(CP_Port_OpenMemoryBuffer(1024));
        bytes = mallinfo2().uordblks - before;
        for (CP_Handle h : handles)
            CP_Port_Close(h);
    }
    state.counters["heap_bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_IdleConnectionsHeap)->Unit(benchmark::kMillisecond);

} // namespace
