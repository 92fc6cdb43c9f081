// Wire bytes of the image printing entries (files, encoded data, pixels) for photos, text
// and noise, checked against hashes recorded from the straightforward serial code.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <string>

#include "page_memory_port.h"
#include "support/ImageFiles.h"

using namespace quorvane_test;

namespace {

struct Case {
    const char *name;
    std::function<int(CP_Handle)> call;
    uint64_t hash;
};

} // namespace

TEST(ImagePrintBytes, MatchTheRecordedHashes)
{
    const std::vector<unsigned char> photo = MakePicture(kPhoto, 640, 500, 3, 11);
    const std::vector<unsigned char> text = MakePicture(kText, 300, 200, 4, 11);
    const std::vector<unsigned char> noise = MakePicture(kNoise, 200, 90, 4, 11);
    const std::vector<unsigned char> png = Png(640, 500, 3, photo), jpeg = Jpeg(640, 500, 3, photo);
    const std::vector<unsigned char> bmp = MakeBmp(640, 500, 24, photo), pngText = Png(300, 200, 4, text);
    const TempImage pngFile(png, "image.png"), bmpFile(bmp, "image.bmp"), jpegFile(jpeg, "image.jpg");
    auto data = [](const std::vector<unsigned char> &v) { return v.data(); };
    auto size = [](const std::vector<unsigned char> &v) { return static_cast<int>(v.size()); };
    const Case cases[] = {
        {"pos PNG data, GS v 0, diffusion", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 320, 250, data(png), size(png), 2, 0); }, 0x13d097f9f1b722a5ull},
        {"pos PNG data, run-length, width only", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 300, 0, data(png), size(png), 0, 1); }, 0x7c6318ae37a0a82cull},
        {"pos JPEG data, JBIG, height only", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 300, data(jpeg), size(jpeg), 2, 2); }, 0xb7c5966654710155ull},
        {"pos text PNG, own size", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 0, data(pngText), size(pngText), 1, 0); }, 0xbaf2f567a950d12cull},
        {"pos PNG file", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 576, 0, pngFile.path(), 2, 0); }, 0xcdeb7e878f247836ull},
        {"pos BMP file, JBIG", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 0, 0, bmpFile.path(), 0, 2); }, 0xa85dea7b705ea500ull},
        {"pos JPEG file", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 200, 200, jpegFile.path(), 1, 0); }, 0x4694b04b4273c9ccull},
        {"pos RGBA pixels, diffusion", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, data(text), size(text), 300, 200, 1200, 7, 2, 0); }, 0xb108576cd899323eull},
        {"pos RGBA noise, dither", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, data(noise), size(noise), 200, 90, 800, 7, 0, 0); }, 0x2aab6f04dcb63959ull},
        {"pos RGB pixels, threshold", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromPixels(h, data(photo), size(photo), 640, 500, 1920, 4, 1, 2); }, 0x6964572aed97047bull},
        {"label PNG data, plain", [&](CP_Handle h) { return CP_Label_DrawImageFromData(h, 3, 4, 200, 0, data(png), size(png), 2, 0); }, 0x46bf94c1aa04cbe6ull},
        {"label BMP file, JBIG", [&](CP_Handle h) { return CP_Label_DrawImageFromFile(h, 3, 4, 0, 150, bmpFile.path(), 0, 2); }, 0x80d2f2a3e362f2e3ull},
        {"page PNG data", [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 10, 20, 160, 0, data(png), size(png), 2); }, 0x0c556a42accb4b76ull},
        {"page JPEG file", [&](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 10, 20, 0, 0, jpegFile.path(), 1); }, 0x1b76e7bb950502ffull},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MemoryConnection conn(1 << 22);
        ASSERT_NE(nullptr, conn.handle());
        ASSERT_EQ(1, c.call(conn.handle()));
        const Bytes wire = Hex(conn.Take());
        ASSERT_FALSE(wire.empty());
        char hex[32];
        snprintf(hex, sizeof hex, "0x%016" PRIx64 "ull", Fnv64(wire));
        EXPECT_EQ(c.hash, Fnv64(wire)) << hex;
    }
}

// A picture whose header reads well but whose body is damaged fails at the decoding, and
// nothing reaches the port; so do a missing file and bytes that are no picture.
TEST(ImagePrintBytes, DamagedPicturesSendNothing)
{
    const std::vector<unsigned char> photo = MakePicture(kPhoto, 64, 48, 3, 2);
    std::vector<unsigned char> png = Png(64, 48, 3, photo);
    for (size_t i = png.size() / 2; i < png.size() - 12; ++i)
        png[i] = static_cast<unsigned char>(png[i] * 7 + 3); // inside the compressed rows
    std::vector<unsigned char> bmp = MakeBmp(64, 48, 24, photo);
    bmp.resize(bmp.size() - 100); // rows missing
    const TempImage pngFile(png), bmpFile(bmp);
    const unsigned char *p = png.data(), *b = bmp.data();
    const int pn = static_cast<int>(png.size()), bn = static_cast<int>(bmp.size());
    const Case cases[] = {
        {"pos data", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 0, p, pn, 2, 0); }, 0},
        {"pos file", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 32, 0, pngFile.path(), 2, 2); }, 0},
        {"pos short BMP", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 0, b, bn, 0, 0); }, 0},
        {"pos missing file", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromFile(h, 0, 0, "/nonexistent/x.png", 0, 0); }, 0},
        {"label data", [&](CP_Handle h) { return CP_Label_DrawImageFromData(h, 0, 0, 0, 0, p, pn, 1, 0); }, 0},
        {"label file", [&](CP_Handle h) { return CP_Label_DrawImageFromFile(h, 0, 0, 0, 0, bmpFile.path(), 1, 2); }, 0},
        {"page data", [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 5, 5, 0, 0, p, pn, 2); }, 0},
        {"page file", [&](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 5, 5, 0, 0, pngFile.path(), 0); }, 0},
        {"not a picture", [&](CP_Handle h) { return CP_Pos_PrintRasterImageFromData(h, 0, 0, p + 8, 40, 0, 0); }, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        MemoryConnection conn;
        ASSERT_NE(nullptr, conn.handle());
        EXPECT_EQ(0, c.call(conn.handle()));
        EXPECT_EQ("", conn.Take());
    }
}
