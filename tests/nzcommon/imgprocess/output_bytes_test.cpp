// The imaging outputs of photos, text and noise, checked against hashes recorded from the
// straightforward serial code: the serial and the parallel paths must give those bytes.
#include <gtest/gtest.h>

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/binarize.h"
#include "nzcommon/imgprocess/imgconvert.h"
#include "nzcommon/imgprocess/imgscale.h"
#include "nzcommon/imgprocess/jbigcodec.h"
#include "nzcommon/imgprocess/monoformat.h"
#include "nzcommon/imgprocess/parallel.h"
#include "support/ImageFiles.h"

using imgtest::Owned;
using quorvane_test::CountThreads;
using quorvane_test::Fnv64;
using quorvane_test::MakePicture;
using quorvane_test::PictureKind;

namespace {

struct Output {
    std::vector<unsigned char> bytes;
    bool ok;
};

Output Take(unsigned char *p, long long size)
{
    Owned owned(p);
    if (!p || size <= 0)
        return {{}, false};
    return {std::vector<unsigned char>(p, p + size), true};
}

// One named output and the hash it had when recorded.
struct Case {
    const char *name;
    std::function<Output()> run;
    uint64_t hash;
};

const int kW = 333, kH = 261;

// Pictures of kW x kH stay within one block of rows; 600 x 700 ones are split into several.
Output Pixels(PictureKind kind, int format, int method, int w = kW, int h = kH, uint32_t seed = 7)
{
    const int channels = format == 3 ? 1 : (format <= 5 ? 3 : 4);
    const std::vector<unsigned char> px = MakePicture(kind, w, h, channels, seed);
    int size = 0, bpl = 0;
    unsigned char *r =
        Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(px.data(), w, h, w * channels, format, method, &size, &bpl);
    return Take(r, size);
}

Output Scale(int channels, int sw, int sh, int dw, int dh)
{
    const std::vector<unsigned char> px = MakePicture(quorvane_test::kPhoto, sw, sh, channels, 3);
    unsigned char *r = channels == 3 ? Quorvane_ImgUtils_ScaleRGB888Image(sw, sh, px.data(), dw, dh)
                                     : Quorvane_ImgUtils_ScaleBGRA8888Image(sw, sh, px.data(), dw, dh);
    return Take(r, static_cast<long long>(dw) * dh * channels);
}

Output JbigBands(PictureKind kind, int bank)
{
    const int w = 576, h = 700;
    const std::vector<unsigned char> px = MakePicture(kind, w, h, 3, 5);
    int size = 0, bpl = 0;
    Owned raster(Quorvane_ImgUtils_ConvertImagePixelsToMonoFormat(px.data(), w, h, w * 3, 4, 2, &size, &bpl));
    if (!raster)
        return {{}, false};
    unsigned char *cmd = Quorvane_ImgUtils_RasterDataToJBIG5CmdSpecifyBankHeight(bpl, h, raster.get(), bank, &size);
    return Take(cmd, size);
}

Output File(const std::vector<unsigned char> &file, int dw, int dh, int method)
{
    int size = 0, bpl = 0;
    unsigned char *r = Quorvane_ImgUtils_ConvertImageDataToMonoFormat(file.data(), static_cast<int>(file.size()), dw,
                                                                      dh, method, &size, &bpl);
    return Take(r, size);
}

std::vector<Case> Cases()
{
    using namespace quorvane_test;
    const std::vector<unsigned char> photo = MakePicture(kPhoto, 400, 300, 3, 9);
    const std::vector<unsigned char> text = MakePicture(kText, 250, 120, 4, 9);
    const std::vector<unsigned char> png = Png(400, 300, 3, photo), jpeg = Jpeg(400, 300, 3, photo);
    const std::vector<unsigned char> bmp = MakeBmp(400, 300, 24, photo), pngText = Png(250, 120, 4, text);
    return {
        {"photo gray dither", [] { return Pixels(kPhoto, 3, 0); }, 0xba29a032c0ebb8a7ull},
        {"photo gray threshold", [] { return Pixels(kPhoto, 3, 1); }, 0x8ebe7fe50aa0eef2ull},
        {"photo gray diffusion", [] { return Pixels(kPhoto, 3, 2); }, 0x45b636ba5b1423e2ull},
        {"photo RGBA dither", [] { return Pixels(kPhoto, 7, 0); }, 0x42434af32aa115aeull},
        {"photo RGBA threshold", [] { return Pixels(kPhoto, 7, 1); }, 0x4654c31ac9bde117ull},
        {"photo RGBA diffusion", [] { return Pixels(kPhoto, 7, 2); }, 0xaf8b76059e565dc6ull},
        {"text RGB dither", [] { return Pixels(kText, 4, 0); }, 0xd8a964ac6f94b5edull},
        {"text RGB threshold", [] { return Pixels(kText, 4, 1); }, 0xa8f803fc5604eacfull},
        {"text RGB diffusion", [] { return Pixels(kText, 4, 2); }, 0x2ddb8589748af7ffull},
        {"noise BGRA dither", [] { return Pixels(kNoise, 9, 0); }, 0x327c62c2b9a88287ull},
        {"noise BGRA threshold", [] { return Pixels(kNoise, 9, 1); }, 0xa70e7a395c3e56cbull},
        {"noise BGRA diffusion", [] { return Pixels(kNoise, 9, 2); }, 0xa9f7d4b66358e138ull},
        {"large photo RGBA dither", [] { return Pixels(kPhoto, 7, 0, 600, 700, 13); }, 0xa4f7fff0a51a955full},
        {"large photo RGBA threshold", [] { return Pixels(kPhoto, 7, 1, 600, 700, 13); }, 0x3ffabcc09340bd16ull},
        {"large photo RGBA diffusion", [] { return Pixels(kPhoto, 7, 2, 600, 700, 13); }, 0x240b2d650a60ec2dull},
        {"large text gray threshold", [] { return Pixels(kText, 3, 1, 600, 700, 13); }, 0xefb25b800ec2d9efull},
        {"large noise RGB dither", [] { return Pixels(kNoise, 4, 0, 600, 700, 13); }, 0x3cf568b5f78a8f72ull},
        {"noise ARGB diffusion", [] { return Pixels(kNoise, 6, 2); }, 0x87f53fb2fff7fec4ull},
        {"scale RGB up", [] { return Scale(3, 301, 211, 576, 400); }, 0xb3eb3806e6a3084eull},
        {"scale RGB down", [] { return Scale(3, 301, 211, 150, 97); }, 0xfd17878b70f39ecaull},
        {"scale BGRA up", [] { return Scale(4, 123, 77, 300, 200); }, 0x4ebf1948c162b9a1ull},
        {"JBIG bands photo", [] { return JbigBands(kPhoto, 255); }, 0xd9e44e69b589930eull},
        {"JBIG bands text", [] { return JbigBands(kText, 255); }, 0xeebd332507424d19ull},
        {"JBIG bands of 64", [] { return JbigBands(kNoise, 64); }, 0x7a0c7ffe0d960b59ull},
        {"PNG diffusion", [=] { return File(png, 200, 150, 2); }, 0xa3fca55a6ff12c87ull},
        {"PNG dither up", [=] { return File(png, 576, 433, 0); }, 0xd89682f4da15f0d4ull},
        {"JPEG threshold", [=] { return File(jpeg, 300, 225, 1); }, 0x34471c969a7abd55ull},
        {"BMP diffusion", [=] { return File(bmp, 576, 432, 2); }, 0x2c6dca180a736327ull},
        {"PNG with alpha", [=] { return File(pngText, 250, 120, 2); }, 0x28bb5be12624bcc4ull},
    };
}

} // namespace

// The serial path (one thread) and the parallel ones (blocks of rows and bands on several
// threads, gray rows converted ahead of the diffusion), with the processor's blend in the
// diffusion and without, give the recorded bytes.
TEST(OutputBytes, MatchTheRecordedHashesOnEveryPath)
{
    const std::vector<Case> cases = Cases();
    for (bool generic : {false, true}) {
        NZImg_UseGenericDiffusion(generic);
        for (int threads : {1, 2, 5}) {
            NZPar_SetThreads(threads);
            for (const Case &c : cases) {
                SCOPED_TRACE(testing::Message() << c.name << ", threads " << threads << ", generic " << generic);
                const Output out = c.run();
                ASSERT_TRUE(out.ok);
                char hex[32];
                snprintf(hex, sizeof hex, "0x%016" PRIx64 "ull", Fnv64(out.bytes));
                EXPECT_EQ(c.hash, Fnv64(out.bytes)) << hex;
            }
        }
    }
    NZPar_SetThreads(0);
    NZImg_UseGenericDiffusion(false);
}

// Sixteen callers converting at once share one budget of threads at work, about the cores:
// each gets the recorded bytes, the helpers never outnumber the cores (a caller counts
// itself), and the whole budget is free again afterwards.
TEST(OutputBytes, CallersAtOnceShareTheHelperThreads)
{
    cpu_set_t set;
    const int cores = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
    const int budget = std::max(cores, NZPar_Threads());
    const std::vector<Case> all = Cases();
    std::vector<const Case *> cases;
    for (const char *name : {"large photo RGBA diffusion", "JBIG bands photo", "large photo RGBA dither"})
        cases.push_back(
            &*std::find_if(all.begin(), all.end(), [&](const Case &c) { return c.name == std::string(name); }));
    const int callers = 16, before = CountThreads();
    std::atomic<int> peak{before}, wrong{0}, ready{0};
    std::atomic<bool> done{false};
    std::thread sampler([&] {
        while (!done.load()) {
            const int n = CountThreads();
            if (n > peak.load())
                peak.store(n);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < callers; ++t)
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < callers) // all start at once
                std::this_thread::yield();
            for (size_t i = 0; i < 2 * cases.size(); ++i) {
                const Case &c = *cases[(t + i) % cases.size()];
                const Output out = c.run();
                if (!out.ok || Fnv64(out.bytes) != c.hash)
                    wrong.fetch_add(1);
            }
        });
    for (std::thread &th : threads)
        th.join();
    done.store(true);
    sampler.join();
    EXPECT_EQ(0, wrong.load());
    // Beyond the callers and the helpers: the sampler, and one joined thread the system may
    // not have removed yet.
    EXPECT_LE(peak.load(), before + callers + (budget - 1) + 2) << budget << " threads at work at most";
    NZParShare share(3);
    EXPECT_EQ(std::min(3, budget - 1), share.Helpers());
}
