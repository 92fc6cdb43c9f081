// Page-mode calls on memory connections: the bytes of every call, positions resolved
// against the page area, direction and the remembered text and barcode settings, the
// image size completion, refusals that send nothing, and the handle rule.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "quorvane/quorvane.h"
#include "support/BadHandles.h"
#include "support/DeviceFixtures.h"
#include "support/TestImages.h"
#include "tests/quorvane/page_memory_port.h"

using quorvane_test::BlackWhiteBmp;
using quorvane_test::Bytes;
using quorvane_test::MemoryConnection;
using quorvane_test::TempDir;
using quorvane_test::TempImage;

namespace {

// The image at (0, 0): positions (y at its bottom row), then the GS 8 L store and print
// commands of the 8 x 2 image (height padded to 8 rows).
const char *const kHalfBlackAtOrigin = "1B 24 00 00 1D 24 01 00 1D 38 4C 12 00 00 00 30 70 30 01 01 31 08 00 08 00 "
                                       "F0 F0 00 00 00 00 00 00 1D 38 4C 02 00 00 00 30 02";

const unsigned char kPixels[] = {0xFF, 0x81};

// The 8 x 2 image, left half black (one raster byte F0 per row), in memory and in a file.
struct Fixture : TempImage {
    Fixture() : TempImage(quorvane_test::HalfBlackBmp(8, 2), "half.bmp") {}
};

struct PageRow {
    const char *name;
    bool page384x800; // page area set first (its bytes are not part of the row)
    std::function<int(CP_Handle, Fixture &)> call;
    int result;
    std::string bytes;
};

const std::vector<PageRow> &Rows()
{
    static const std::vector<PageRow> rows = {
        {"SelectPageMode", false, [](CP_Handle h, Fixture &) { return CP_Page_SelectPageMode(h); }, 1, "1B 4C"},
        {"SelectPageModeEx", false,
         [](CP_Handle h, Fixture &) { return CP_Page_SelectPageModeEx(h, 1, 2, 0, 0, 384, 800); }, 1,
         "1D 50 01 02 1B 4C 1B 57 00 00 00 00 80 01 20 03 1B 54 00 1B 33 20 1B 20 00 1C 53 00 00 1D 21 00 "
         "1D 77 02 1D 68 3C 1D 48 02 1D 66 00"},
        {"ExitPageMode", false, [](CP_Handle h, Fixture &) { return CP_Page_ExitPageMode(h); }, 1, "1B 53"},
        {"PrintPage", false, [](CP_Handle h, Fixture &) { return CP_Page_PrintPage(h); }, 1, "1B 0C"},
        {"ClearPage", false, [](CP_Handle h, Fixture &) { return CP_Page_ClearPage(h); }, 1, "18"},
        {"SetPageArea", false, [](CP_Handle h, Fixture &) { return CP_Page_SetPageArea(h, 0, 0, 384, 800); }, 1,
         "1B 57 00 00 00 00 80 01 20 03"},
        {"SetPageArea cut to 16 bits", false,
         [](CP_Handle h, Fixture &) { return CP_Page_SetPageArea(h, 10, 20, 70000, -1); }, 1,
         "1B 57 0A 00 14 00 70 11 FF FF"},
        {"SetPageDrawDirection", false, [](CP_Handle h, Fixture &) { return CP_Page_SetPageDrawDirection(h, 1); },
         1, "1B 54 01"},
        {"SetPageDrawDirection low byte", false,
         [](CP_Handle h, Fixture &) { return CP_Page_SetPageDrawDirection(h, 259); }, 1, "1B 54 03"},
        // x -3 on a 384-dot page, width 100: x1 284, x2 383.
        {"DrawRect far end", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawRect(h, -3, 10, 100, 50, 1); }, 1,
         "1F 28 52 0A 00 01 1C 00 0A 01 7F 00 3B 01 01"},
        {"DrawRect centred, colour low byte", true,
         [](CP_Handle h, Fixture &) { return CP_Page_DrawRect(h, -2, -2, 100, 50, 0x102); }, 1,
         "1F 28 52 0A 00 00 8E 01 77 00 F1 01 A8 02 01"},
        {"DrawBox", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawBox(h, 0, 0, 100, 50, 2, 1); }, 1,
         "1F 28 52 0A 00 00 00 00 00 00 63 00 31 01 01 1F 28 52 0A 00 00 02 00 02 00 61 00 2F 00 01"},
        // Text "AB": 24 x 24 dots; y is the top of the cell, sent at the baseline (+ 24 - 3).
        {"DrawText", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawText(h, -2, -1, "AB"); }, 1,
         "1B 24 B4 00 1D 24 15 00 41 42"},
        {"DrawTextInUTF8", true,
         [](CP_Handle h, Fixture &) { return CP_Page_DrawTextInUTF8(h, 10, 10, L"A\u00e9"); }, 1,
         "1B 24 0A 00 1D 24 1F 00 41 C3 A9"},
        {"DrawTextInGBK", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawTextInGBK(h, -3, 0, L"\u4e2d"); }, 1,
         "1B 24 68 01 1D 24 15 00 D6 D0"},
        {"DrawTextInBIG5", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawTextInBIG5(h, -3, 0, L"\u4e2d"); },
         1, "1B 24 68 01 1D 24 15 00 A4 A4"},
        {"DrawTextInShiftJIS", true,
         [](CP_Handle h, Fixture &) { return CP_Page_DrawTextInShiftJIS(h, -3, 0, L"\u4e2d"); }, 1,
         "1B 24 68 01 1D 24 15 00 92 86"},
        {"DrawTextInEUCKR", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawTextInEUCKR(h, -3, 0, L"\u4e2d"); },
         1, "1B 24 68 01 1D 24 15 00 F1 E9"},
        // EAN-13 of 95 modules at unit width 2: 190 dots, centred at (384 - 190) / 2 = 97;
        // bars 60 high with the text below: bottom bar row 10 + 59.
        {"DrawBarcode", true,
         [](CP_Handle h, Fixture &) { return CP_Page_DrawBarcode(h, -2, 10, 67, "590123412345"); }, 1,
         "1B 24 61 00 1D 24 45 00 1D 6B 43 0C 35 39 30 31 32 33 34 31 32 33 34 35"},
        // QR version 1: 21 modules of 2 dots; at the far end of 384 x 800: (342, 758).
        {"DrawQRCode", true, [](CP_Handle h, Fixture &) { return CP_Page_DrawQRCode(h, -3, -3, 1, 1, "abc"); }, 1,
         "1B 24 56 01 1D 24 F6 02 1D 6B 61 01 01 03 00 61 62 63"},
        // Images: y is sent at the bottom row (0 + 2 - 1).
        {"DrawRasterImageFromFile", true,
         [](CP_Handle h, Fixture &f) { return CP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, f.path(), 1); }, 1,
         kHalfBlackAtOrigin},
        {"DrawRasterImageFromData", true,
         [](CP_Handle h, Fixture &f) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 8, 2, f.data(), f.size(), 1); },
         1, kHalfBlackAtOrigin},
        {"DrawRasterImageFromPixels", true,
         [](CP_Handle h, Fixture &) {
             return CP_Page_DrawRasterImageFromPixels(h, -3, -1, kPixels, 2, 8, 2, 1, 1, 0);
         },
         1,
         "1B 24 78 01 1D 24 01 00 1D 38 4C 12 00 00 00 30 70 30 01 01 31 08 00 08 00 FF 81 00 00 00 00 00 00 "
         "1D 38 4C 02 00 00 00 30 02"},
    };
    return rows;
}

TEST(Page, EveryCallWritesItsBytes)
{
    Fixture f;
    for (const PageRow &row : Rows()) {
        MemoryConnection conn;
        ASSERT_NE(conn.handle(), nullptr);
        if (row.page384x800) {
            ASSERT_EQ(CP_Page_SetPageArea(conn.handle(), 0, 0, 384, 800), 1);
            conn.Take();
        }
        EXPECT_EQ(row.call(conn.handle(), f), row.result) << row.name;
        EXPECT_EQ(conn.Take(), row.bytes) << row.name;
    }
}

TEST(Page, NullAndUnregisteredHandles)
{
    Fixture f;
    MemoryConnection live;
    ASSERT_NE(live.handle(), nullptr);
    const quorvane_test::BadHandles bad;
    for (const auto &b : bad.All()) {
        for (const PageRow &row : Rows())
            EXPECT_EQ(row.call(b.handle, f), 0) << row.name << ", " << b.what;
    }
    EXPECT_TRUE(bad.Untouched());
    EXPECT_EQ(live.Take(), "");
}

// ---- The page settings record ----

TEST(Page, RecordFollowsSuccessfulSettings)
{
    MemoryConnection conn;
    ASSERT_NE(conn.handle(), nullptr);
    ASSERT_EQ(CP_Page_SetPageArea(conn.handle(), 10, 20, 70000, -1), 1);
    ASSERT_EQ(CP_Page_SetPageDrawDirection(conn.handle(), 259), 1);
    const PrinterProperty &p = conn.Property();
    // The ints as passed, not the bytes sent.
    EXPECT_EQ(p.pageAreaLeft, 10);
    EXPECT_EQ(p.pageAreaTop, 20);
    EXPECT_EQ(p.pageAreaWidth, 70000);
    EXPECT_EQ(p.pageAreaHeight, -1);
    EXPECT_EQ(p.pageDrawDirection, 259);
}

TEST(Page, FailedPageAreaKeepsTheFirst)
{
    MemoryConnection conn(10); // room for one page-area command
    ASSERT_NE(conn.handle(), nullptr);
    EXPECT_EQ(CP_Page_SetPageArea(conn.handle(), 0, 0, 384, 800), 1);
    EXPECT_EQ(CP_Page_SetPageArea(conn.handle(), 1, 2, 576, 400), 0);
    EXPECT_EQ(CP_Page_SetPageDrawDirection(conn.handle(), 1), 0);
    const PrinterProperty &p = conn.Property();
    EXPECT_EQ(p.pageAreaLeft, 0);
    EXPECT_EQ(p.pageAreaWidth, 384);
    EXPECT_EQ(p.pageAreaHeight, 800);
    EXPECT_EQ(p.pageDrawDirection, 0);
}

TEST(Page, SelectPageModeExStopsAtFailedPageArea)
{
    // Room for the text scale, the motion units and page mode, not for the page area.
    MemoryConnection conn(3 + 4 + 2);
    ASSERT_NE(conn.handle(), nullptr);
    ASSERT_EQ(CP_Pos_SetTextScale(conn.handle(), 1, 1), 1);
    EXPECT_EQ(CP_Page_SelectPageModeEx(conn.handle(), 1, 2, 0, 0, 384, 800), 0);
    EXPECT_EQ(conn.Take(), "1D 21 11 1D 50 01 02 1B 4C");
    const PrinterProperty &p = conn.Property();
    EXPECT_EQ(p.pageAreaWidth, 0);
    EXPECT_EQ(p.textScaleWidth, 1); // the reset to defaults never ran
}

// The application closes the connection while the sequence runs and opens another at
// once: whatever of the sequence is left fails, and none of it reaches the new one.
TEST(Page, SelectPageModeExKeepsToOneConnection)
{
    int reachedNew = 0;
    for (int round = 0; round < 50; ++round) {
        CP_Handle h = CP_Port_OpenMemoryBuffer(1 << 20);
        ASSERT_NE(h, nullptr);
        std::thread sequence([h] {
            while (CP_Page_SelectPageModeEx(h, 1, 2, 0, 0, 384, 800) == 1) {
            }
        });
        std::this_thread::sleep_for(std::chrono::microseconds(200 + 37 * round));
        EXPECT_EQ(CP_Port_Close(h), 1);
        CP_Handle other = CP_Port_OpenMemoryBuffer(1 << 20);
        ASSERT_NE(other, nullptr);
        sequence.join();
        reachedNew += CP_Port_GetMemoryBufferDataLength(other) != 0;
        EXPECT_EQ(CP_Port_Close(other), 1);
    }
    EXPECT_EQ(reachedNew, 0) << "rounds whose sequence wrote to the connection opened after the close";
}

TEST(Page, SelectPageModeExRestoresDefaults)
{
    MemoryConnection conn;
    ASSERT_NE(conn.handle(), nullptr);
    ASSERT_EQ(CP_Pos_SetTextScale(conn.handle(), 2, 3), 1);
    ASSERT_EQ(CP_Pos_SetBarcodeHeight(conn.handle(), 100), 1);
    ASSERT_EQ(CP_Pos_SetBarcodeReadableTextFontType(conn.handle(), 1), 1);
    ASSERT_EQ(CP_Page_SetPageDrawDirection(conn.handle(), 2), 1);
    ASSERT_EQ(CP_Page_SelectPageModeEx(conn.handle(), 0, 0, 5, 6, 576, 400), 1);
    PrinterProperty expected;
    expected.pageAreaLeft = 5;
    expected.pageAreaTop = 6;
    expected.pageAreaWidth = 576;
    expected.pageAreaHeight = 400;
    const PrinterProperty &p = conn.Property();
    EXPECT_EQ(memcmp(&p, &expected, sizeof p), 0);
}

// ---- Positions ----

struct PositionRow {
    const char *name;
    std::function<void(CP_Handle)> setup; // settings; their bytes are dropped
    std::function<int(CP_Handle)> draw;
    const char *bytes;
};

TEST(Page, PositionsFollowTheRecord)
{
    const std::vector<PositionRow> rows = {
        // A fresh handle computes against a 0 x 0 page.
        {"0x0 page rect centred", [](CP_Handle) {}, [](CP_Handle h) { return CP_Page_DrawRect(h, -2, -3, 10, 10, 1); },
         "1F 28 52 0A 00 00 00 00 00 00 09 00 09 01 01"},
        {"0x0 page text at y -1", [](CP_Handle) {}, [](CP_Handle h) { return CP_Page_DrawText(h, -3, -1, "A"); },
         "1B 24 00 00 1D 24 15 00 41"},
        {"text scale 1 x 1", [](CP_Handle h) { CP_Pos_SetTextScale(h, 1, 1); },
         [](CP_Handle h) { return CP_Page_DrawText(h, -3, 10, "AB"); }, "1B 24 50 01 1D 24 37 00 41 42"},
        {"text stops at a control character", [](CP_Handle) {},
         [](CP_Handle h) { return CP_Page_DrawText(h, -3, 0, "AB\nCD"); }, "1B 24 68 01 1D 24 15 00 41 42 0A 43 44"},
        {"direction 1 swaps the axes", [](CP_Handle h) { CP_Page_SetPageDrawDirection(h, 1); },
         [](CP_Handle h) { return CP_Page_DrawRect(h, -3, -2, 100, 50, 1); },
         "1F 28 52 0A 00 02 BC 00 A7 03 1F 00 D8 01 01"},
        {"barcode text below, font 0", [](CP_Handle) {},
         [](CP_Handle h) { return CP_Page_DrawBarcode(h, 0, -3, 67, "590123412345"); },
         "1B 24 00 00 1D 24 07 03 1D 6B 43 0C 35 39 30 31 32 33 34 31 32 33 34 35"},
        {"barcode text below, font 1 is 18 dots", [](CP_Handle h) { CP_Pos_SetBarcodeReadableTextFontType(h, 1); },
         [](CP_Handle h) { return CP_Page_DrawBarcode(h, 0, -3, 67, "590123412345"); },
         "1B 24 00 00 1D 24 0D 03 1D 6B 43 0C 35 39 30 31 32 33 34 31 32 33 34 35"},
        {"barcode text above and below", [](CP_Handle h) { CP_Pos_SetBarcodeReadableTextPosition(h, 3); },
         [](CP_Handle h) { return CP_Page_DrawBarcode(h, 0, 0, 67, "590123412345"); },
         "1B 24 00 00 1D 24 53 00 1D 6B 43 0C 35 39 30 31 32 33 34 31 32 33 34 35"},
        {"barcode unit width 3", [](CP_Handle h) { CP_Pos_SetBarcodeUnitWidth(h, 3); },
         [](CP_Handle h) { return CP_Page_DrawBarcode(h, -3, 0, 67, "590123412345"); },
         "1B 24 63 00 1D 24 3B 00 1D 6B 43 0C 35 39 30 31 32 33 34 31 32 33 34 35"},
        {"QR module from the barcode unit width", [](CP_Handle h) { CP_Pos_SetBarcodeUnitWidth(h, 4); },
         [](CP_Handle h) { return CP_Page_DrawQRCode(h, -2, -2, 1, 1, "abc"); },
         "1B 24 96 00 1D 24 66 01 1D 6B 61 01 01 03 00 61 62 63"},
    };
    for (const PositionRow &row : rows) {
        MemoryConnection conn;
        ASSERT_NE(conn.handle(), nullptr);
        if (std::string(row.name).rfind("0x0", 0) != 0) {
            ASSERT_EQ(CP_Page_SetPageArea(conn.handle(), 0, 0, 384, 800), 1);
        }
        row.setup(conn.handle());
        conn.Take();
        EXPECT_EQ(row.draw(conn.handle()), 1) << row.name;
        EXPECT_EQ(conn.Take(), row.bytes) << row.name;
    }
}

TEST(Page, FailedScaleKeepsOldTextPosition)
{
    // Room for the page area only: the scale command fails and is not remembered.
    MemoryConnection conn(10);
    ASSERT_NE(conn.handle(), nullptr);
    ASSERT_EQ(CP_Page_SetPageArea(conn.handle(), 0, 0, 384, 800), 1);
    EXPECT_EQ(CP_Pos_SetTextScale(conn.handle(), 1, 1), 0);
    EXPECT_EQ(conn.Property().textScaleWidth, 0);
    conn.Take();
    EXPECT_EQ(CP_Page_DrawText(conn.handle(), 0, 0, "A"), 1);
    EXPECT_EQ(conn.Take(), "1B 24 00 00 1D 24 15 00 41");
}

// ---- Image sizes ----

// The width and height fields of the GS 8 L store command after the two positions.
std::string Gs8Size(const std::string &hex)
{
    const size_t start = 8 * 3 + 13 * 3; // two positions, then GS 8 L up to xL
    return hex.size() >= start + 11 ? hex.substr(start, 11) : "<short: " + hex + ">";
}

TEST(Page, ImageSizeCompletion)
{
    const TempImage checkered(BlackWhiteBmp(200, 50, [](int x, int y) { return (x + y) % 2 == 0; }), "wide.bmp");
    const char *path = checkered.path();
    const Bytes bmp = quorvane_test::HalfBlackBmp(200, 50);
    const unsigned char *data = bmp.data();
    struct Row {
        int w, h;
        const char *position; // the two position commands
        const char *size;     // xL xH yL yH: width 8-dot aligned, height rounded up to 8
    };
    const Row rows[] = {
        {0, 100, "1B 24 00 00 1D 24 63 00", "90 01 68 00"}, // 400 x 100
        {0, 0, "1B 24 00 00 1D 24 31 00", "C8 00 38 00"},   // 200 x 50
        {100, -5, "1B 24 00 00 1D 24 18 00", "68 00 20 00"}, // 100 x 25 (width 104 on the wire)
        {64, 64, "1B 24 00 00 1D 24 3F 00", "40 00 40 00"},  // both given: used as they are
    };
    MemoryConnection conn;
    ASSERT_NE(conn.handle(), nullptr);
    for (const Row &r : rows) {
        EXPECT_EQ(CP_Page_DrawRasterImageFromFile(conn.handle(), 0, 0, r.w, r.h, path, 2), 1) << r.w;
        std::string hex = conn.Take();
        EXPECT_EQ(hex.substr(0, 23), r.position) << r.w;
        EXPECT_EQ(Gs8Size(hex), r.size) << r.w;
        EXPECT_EQ(CP_Page_DrawRasterImageFromData(conn.handle(), 0, 0, r.w, r.h, data, static_cast<int>(bmp.size()),
                                                  0),
                  1)
            << r.w;
        hex = conn.Take();
        EXPECT_EQ(hex.substr(0, 23), r.position) << r.w;
        EXPECT_EQ(Gs8Size(hex), r.size) << r.w;
    }
}

// ---- Refusals: 0 and nothing sent ----

TEST(Page, RefusedBeforeSending)
{
    Fixture f;
    TempDir dir;
    ASSERT_TRUE(dir.WriteFile("notimage.bmp", "this is not an image"));
    const std::string notImage = dir.Sub("notimage.bmp");
    const Bytes tall = BlackWhiteBmp(200, 1, [](int, int) { return true; });
    const unsigned char *tallData = tall.data();
    const int tallSize = static_cast<int>(tall.size());
    const unsigned char rgb[8 * 3 * 2] = {};

    struct Row {
        const char *name;
        std::function<void(CP_Handle)> setup;
        std::function<int(CP_Handle)> call;
    };
    const std::vector<Row> rows = {
        {"rect width 0", nullptr, [](CP_Handle h) { return CP_Page_DrawRect(h, 0, 0, 0, 10, 1); }},
        {"rect height -1", nullptr, [](CP_Handle h) { return CP_Page_DrawBox(h, 0, 0, 10, -1, 1, 1); }},
        {"rect corner beyond 65535", nullptr, [](CP_Handle h) { return CP_Page_DrawRect(h, 65500, 0, 100, 10, 1); }},
        {"rect at a negative x", nullptr, [](CP_Handle h) { return CP_Page_DrawRect(h, -5, 0, 10, 10, 1); }},
        {"rect width INT_MAX", nullptr, [](CP_Handle h) { return CP_Page_DrawRect(h, 10, 0, INT_MAX, 10, 1); }},
        {"text y below 0 is not moved", nullptr, [](CP_Handle h) { return CP_Page_DrawText(h, 0, -4, "A"); }},
        {"text x beyond 65535", nullptr, [](CP_Handle h) { return CP_Page_DrawText(h, 70000, 0, "A"); }},
        {"centre under an unknown direction", [](CP_Handle h) { CP_Page_SetPageDrawDirection(h, 5); },
         [](CP_Handle h) { return CP_Page_DrawTextInUTF8(h, -2, 0, L"A"); }},
        {"null text", nullptr, [](CP_Handle h) { return CP_Page_DrawText(h, 0, 0, nullptr); }},
        {"null wide text", nullptr, [](CP_Handle h) { return CP_Page_DrawTextInGBK(h, 0, 0, nullptr); }},
        {"null barcode text", nullptr, [](CP_Handle h) { return CP_Page_DrawBarcode(h, 0, 0, 67, nullptr); }},
        {"barcode y below 0", nullptr, [](CP_Handle h) { return CP_Page_DrawBarcode(h, 0, -7, 67, "590123412345"); }},
        {"null QR text", nullptr, [](CP_Handle h) { return CP_Page_DrawQRCode(h, 0, 0, 1, 1, nullptr); }},
        {"null path", nullptr, [](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, nullptr, 0); }},
        {"missing file", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, "/nonexistent/x.bmp", 0); }},
        {"file that is not an image", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, notImage.c_str(), 0); }},
        {"unknown binarization", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, f.path(), 3); }},
        {"null data", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 0, 0, nullptr, 10, 0); }},
        {"negative data size", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 0, 0, f.data(), -1, 0); }},
        {"empty data", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 0, 0, f.data(), 0, 0); }},
        {"completed width beyond an int", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 0, INT_MAX, tallData, tallSize, 0); }},
        {"completed height rounds to 0", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 100, 0, tallData, tallSize, 0); }},
        {"image bottom beyond 65535", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromData(h, 0, 0, 8, 70000, f.data(), f.size(), 0); }},
        {"null pixels", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, nullptr, 2, 8, 2, 1, 1, 0); }},
        {"pixel width 0", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, kPixels, 2, 0, 2, 1, 1, 0); }},
        {"pixel height 0", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, kPixels, 2, 8, 0, 1, 1, 0); }},
        {"stride 0", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, kPixels, 2, 8, 2, 0, 1, 0); }},
        {"stride smaller than a row", nullptr,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, kPixels, 2, 9, 2, 1, 1, 0); }},
        {"RGB stride smaller than a row", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, rgb, 48, 8, 2, 23, 4, 0); }},
        {"unknown pixel format", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, rgb, 48, 8, 2, 24, 10, 0); }},
        {"RGB with unknown binarization", nullptr,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, rgb, 48, 8, 2, 24, 4, 7); }},
    };
    for (const Row &row : rows) {
        MemoryConnection conn;
        ASSERT_NE(conn.handle(), nullptr);
        ASSERT_EQ(CP_Page_SetPageArea(conn.handle(), 0, 0, 384, 800), 1);
        if (row.setup)
            row.setup(conn.handle());
        conn.Take();
        EXPECT_EQ(row.call(conn.handle()), 0) << row.name;
        EXPECT_EQ(conn.Take(), "") << row.name;
    }
}

// ---- Writes that fail part-way ----

TEST(Page, DrawingStopsAtTheFirstFailedCommand)
{
    Fixture f;
    struct Row {
        const char *name;
        unsigned int room;
        std::function<int(CP_Handle)> call;
        const char *sent;
    };
    const std::vector<Row> rows = {
        {"text: vertical position fails", 4 + 3, [](CP_Handle h) { return CP_Page_DrawText(h, 0, 0, "AB"); },
         "1B 24 00 00"},
        {"text: print fails", 8 + 1, [](CP_Handle h) { return CP_Page_DrawTextInUTF8(h, 0, 0, L"AB"); },
         "1B 24 00 00 1D 24 15 00"},
        {"text: cannot be encoded", 64, [](CP_Handle h) { return CP_Page_DrawTextInBIG5(h, 0, 0, L"\u00e9\u4e2d"); },
         "1B 24 00 00 1D 24 15 00"},
        {"barcode: horizontal position fails", 3,
         [](CP_Handle h) { return CP_Page_DrawBarcode(h, 0, 0, 67, "590123412345"); }, ""},
        {"QR: print fails", 8 + 5, [](CP_Handle h) { return CP_Page_DrawQRCode(h, 0, 0, 1, 1, "abc"); },
         "1B 24 00 00 1D 24 00 00"},
        {"image: vertical position fails, no image", 4 + 3,
         [&](CP_Handle h) { return CP_Page_DrawRasterImageFromFile(h, 0, 0, 0, 0, f.path(), 1); },
         "1B 24 00 00"},
        {"pixels: image fails", 8 + 20,
         [](CP_Handle h) { return CP_Page_DrawRasterImageFromPixels(h, 0, 0, kPixels, 2, 8, 2, 1, 1, 0); },
         "1B 24 00 00 1D 24 01 00"},
        {"rect: write fails", 14, [](CP_Handle h) { return CP_Page_DrawRect(h, 0, 0, 1, 1, 1); }, ""},
    };
    for (const Row &row : rows) {
        MemoryConnection conn(row.room);
        ASSERT_NE(conn.handle(), nullptr) << row.name;
        EXPECT_EQ(row.call(conn.handle()), 0) << row.name;
        EXPECT_EQ(conn.Take(), row.sent) << row.name;
    }
}

// ---- Threads ----

TEST(Page, ConnectionsDrawIndependently)
{
    // Each thread works on its own connection and record; no state is shared between them.
    const int kThreads = 4;
    std::vector<std::string> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &got] {
            MemoryConnection conn;
            std::string all;
            for (int i = 0; i < 50; ++i) {
                CP_Page_SetPageArea(conn.handle(), 0, 0, 100 * (t + 1), 800);
                conn.Take();
                CP_Page_DrawRect(conn.handle(), -3, 0, 10, 10, 1);
                all = conn.Take();
            }
            got[t] = all;
        });
    }
    for (std::thread &th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t) {
        const int x1 = 100 * (t + 1) - 10, x2 = x1 + 9;
        char expected[64];
        snprintf(expected, sizeof expected, "1F 28 52 0A 00 %02X %02X 00 00 %02X %02X 00 09 01 01", x1 >> 8, x1 & 0xFF,
                 x2 >> 8, x2 & 0xFF);
        EXPECT_EQ(got[t], expected) << t;
    }
}

} // namespace
