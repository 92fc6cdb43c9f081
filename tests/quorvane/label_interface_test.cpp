// Label family of the C interface over a file port: the bytes each call sends, the
// cutting of arguments to their fields, the image size rule and the refusals.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "quorvane/quorvane.h"
#include "support/BadHandles.h"
#include "support/DeviceFixtures.h"
#include "support/TestImages.h"
#include "support/TestUtil.h"

using namespace quorvane_test;

namespace {

std::string Le16(unsigned v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; }

// A 24-bit BMP of w x h, black where black(x, y).
std::string Bmp(int w, int h, const std::function<bool(int, int)> &black)
{
    return AsString(BlackWhiteBmp(w, h, black));
}

class LabelInterface : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_path = m_dir.Sub("printer.bin");
        m_h = CP_Port_OpenFile(m_path.c_str());
        ASSERT_NE(nullptr, m_h);
    }
    void TearDown() override
    {
        if (m_h)
            CP_Port_Close(m_h);
    }

    // Everything written since the last call.
    std::string Sent()
    {
        std::string all;
        ReadWholeFile(m_path, all);
        std::string fresh = all.substr(m_seen < all.size() ? m_seen : all.size());
        m_seen = all.size();
        return fresh;
    }
    std::string SentHex()
    {
        const std::string s = Sent();
        return ToHex(reinterpret_cast<const unsigned char *>(s.data()), s.size());
    }

    TempDir m_dir;
    std::string m_path;
    CP_Handle m_h = nullptr;
    size_t m_seen = 0;
};

struct CallCase {
    const char *name;
    std::function<int(CP_Handle)> call;
    const char *hex; // bytes sent when the call succeeds
};

// One case or more for each call, with arguments that show the interface's own work
// (cuts to the fields, argument order, size to corner); the writer's table holds the rest.
const std::vector<CallCase> &CommandCases()
{
    static const std::vector<CallCase> cases = {
        {"EnableLabelMode", [](CP_Handle h) { return CP_Label_EnableLabelMode(h); }, "1F 28 4C 01 00 31"},
        {"DisableLabelMode", [](CP_Handle h) { return CP_Label_DisableLabelMode(h); }, "1F 28 4C 01 00 00"},
        {"CalibrateLabel", [](CP_Handle h) { return CP_Label_CalibrateLabel(h); }, "1F 63"},
        {"FeedLabel", [](CP_Handle h) { return CP_Label_FeedLabel(h); }, "1A 0C 00"},
        {"PageBegin cut to fields", [](CP_Handle h) { return CP_Label_PageBegin(h, 0x12345, -1, 65546, 200, 0x101); },
         "1A 5B 01 45 23 FF FF 0A 00 C8 00 01"},
        {"PagePrint count low byte", [](CP_Handle h) { return CP_Label_PagePrint(h, 258); }, "1A 4F 01 02"},
        {"DrawText", [](CP_Handle h) { return CP_Label_DrawText(h, 10, 10, 24, 0, "AB"); },
         "1A 54 01 0A 00 0A 00 18 00 00 00 41 42 00"},
        {"DrawText empty", [](CP_Handle h) { return CP_Label_DrawText(h, 1, 2, 16, 0x2200, ""); },
         "1A 54 01 01 00 02 00 10 00 00 22 00"},
        {"DrawTextInUTF8", [](CP_Handle h) { return CP_Label_DrawTextInUTF8(h, 1, 2, 24, 3, L"\u00E9"); },
         "1A 54 01 01 00 02 00 18 00 03 00 C3 A9 00"},
        {"DrawTextInGBK", [](CP_Handle h) { return CP_Label_DrawTextInGBK(h, 1, 2, 24, 0, L"\u4F60A"); },
         "1A 54 01 01 00 02 00 18 00 00 00 C4 E3 41 00"},
        {"DrawTextInBIG5", [](CP_Handle h) { return CP_Label_DrawTextInBIG5(h, 1, 2, 24, 0, L"\u865F"); },
         "1A 54 01 01 00 02 00 18 00 00 00 B8 B9 00"},
        {"DrawTextInShiftJIS", [](CP_Handle h) { return CP_Label_DrawTextInShiftJIS(h, 1, 2, 24, 0, L"\u3092"); },
         "1A 54 01 01 00 02 00 18 00 00 00 82 F0 00"},
        {"DrawTextInEUCKR", [](CP_Handle h) { return CP_Label_DrawTextInEUCKR(h, 1, 2, 24, 0, L"\uC655"); },
         "1A 54 01 01 00 02 00 18 00 00 00 BF D5 00"},
        {"DrawTextInBytes keeps zero bytes", [](CP_Handle h) { return CP_Label_DrawTextInBytes(h, 10, 10, 24, 0, "A\0BC", 3); },
         "1A 54 01 0A 00 0A 00 18 00 00 00 41 00 42 00"},
        {"DrawTextInBytes empty", [](CP_Handle h) { return CP_Label_DrawTextInBytes(h, 10, 10, 24, 0, "", 0); },
         "1A 54 01 0A 00 0A 00 18 00 00 00 00"},
        {"DrawBarcode", [](CP_Handle h) { return CP_Label_DrawBarcode(h, 10, 70, 8, 2, 60, 2, 0, "No.123456"); },
         "1D 48 02 1A 30 00 0A 00 46 00 08 3C 02 00 4E 6F 2E 31 32 33 34 35 36 00"},
        {"DrawBarcode settings low byte", [](CP_Handle h) { return CP_Label_DrawBarcode(h, 1, 2, 0x100, 0x103, 0x150, 0x102, 0x101, "1"); },
         "1D 48 03 1A 30 00 01 00 02 00 00 50 02 01 31 00"},
        {"DrawQRCode", [](CP_Handle h) { return CP_Label_DrawQRCode(h, 240, 10, 4, 1, 4, 0, "No.1"); },
         "1A 31 00 04 01 F0 00 0A 00 04 00 4E 6F 2E 31 00"},
        {"DrawQRCodeInUTF8", [](CP_Handle h) { return CP_Label_DrawQRCodeInUTF8(h, 10, 10, 0, 1, 8, 0, L"Hi \u4F60"); },
         "1A 31 00 00 01 0A 00 0A 00 08 00 48 69 20 E4 BD A0 00"},
        {"DrawQRCodeInBytes takes only length bytes",
         [](CP_Handle h) { return CP_Label_DrawQRCodeInBytes(h, 10, 10, 0, 1, 8, 0, reinterpret_cast<const unsigned char *>("123456"), 3); },
         "1A 31 00 00 01 0A 00 0A 00 08 00 31 32 33 00"},
        {"DrawPDF417Code swaps settings 2 and 3", [](CP_Handle h) { return CP_Label_DrawPDF417Code(h, 10, 10, 3, 3, 0, 3, 0, "AB"); },
         "1A 31 01 03 00 03 0A 00 0A 00 03 00 41 42 00"},
        {"DrawPDF417Code order", [](CP_Handle h) { return CP_Label_DrawPDF417Code(h, 1, 2, 5, 6, 7, 8, 9, "A"); },
         "1A 31 01 05 07 06 01 00 02 00 08 09 41 00"},
        {"DrawLine", [](CP_Handle h) { return CP_Label_DrawLine(h, 20, 20, 100, 300, 1, 1); },
         "1A 5C 01 14 00 14 00 64 00 2C 01 01 00 01"},
        {"DrawRect", [](CP_Handle h) { return CP_Label_DrawRect(h, 20, 20, 200, 10, 1); },
         "1A 2A 00 14 00 14 00 DC 00 1E 00 01"},
        {"DrawRect far corner wraps at 16 bits", [](CP_Handle h) { return CP_Label_DrawRect(h, INT_MAX, 0, 1, 0, 0); },
         "1A 2A 00 FF FF 00 00 00 00 00 00 00"},
        {"DrawBox inside", [](CP_Handle h) { return CP_Label_DrawBox(h, 30, 30, 300, 200, 2, 0); },
         "1A 26 01 1E 00 1E 00 4A 01 E6 00 02 00 00"},
    };
    return cases;
}

} // namespace

TEST_F(LabelInterface, CommandsSendTheirBytes)
{
    for (const CallCase &c : CommandCases()) {
        EXPECT_EQ(1, c.call(m_h)) << c.name;
        EXPECT_EQ(c.hex, SentHex()) << c.name;
    }
}

TEST_F(LabelInterface, NullAndClosedHandlesReturnZero)
{
    const BadHandles bad;
    for (const auto &b : bad.All()) {
        for (const CallCase &c : CommandCases())
            EXPECT_EQ(0, c.call(b.handle)) << c.name << ", " << b.what;
    }
    EXPECT_TRUE(bad.Untouched());
    // This suite's own connection, once closed.
    CP_Handle closed = m_h;
    ASSERT_EQ(1, CP_Port_Close(m_h));
    m_h = nullptr;
    for (const CallCase &c : CommandCases())
        EXPECT_EQ(0, c.call(closed)) << c.name;
    EXPECT_EQ("", Sent());
}

TEST_F(LabelInterface, NullPointersAndNegativeLengthsAreRefusedWithoutSending)
{
    const std::vector<CallCase> refused = {
        {"DrawText null", [](CP_Handle h) { return CP_Label_DrawText(h, 0, 0, 24, 0, nullptr); }, ""},
        {"DrawTextInUTF8 null", [](CP_Handle h) { return CP_Label_DrawTextInUTF8(h, 0, 0, 24, 0, nullptr); }, ""},
        {"DrawTextInGBK null", [](CP_Handle h) { return CP_Label_DrawTextInGBK(h, 0, 0, 24, 0, nullptr); }, ""},
        {"DrawTextInBIG5 null", [](CP_Handle h) { return CP_Label_DrawTextInBIG5(h, 0, 0, 24, 0, nullptr); }, ""},
        {"DrawTextInShiftJIS null", [](CP_Handle h) { return CP_Label_DrawTextInShiftJIS(h, 0, 0, 24, 0, nullptr); }, ""},
        {"DrawTextInEUCKR null", [](CP_Handle h) { return CP_Label_DrawTextInEUCKR(h, 0, 0, 24, 0, nullptr); }, ""},
        {"DrawTextInBytes null", [](CP_Handle h) { return CP_Label_DrawTextInBytes(h, 0, 0, 24, 0, nullptr, 3); }, ""},
        {"DrawTextInBytes negative", [](CP_Handle h) { return CP_Label_DrawTextInBytes(h, 0, 0, 24, 0, "abc", -1); }, ""},
        {"DrawBarcode null", [](CP_Handle h) { return CP_Label_DrawBarcode(h, 0, 0, 8, 2, 60, 2, 0, nullptr); }, ""},
        {"DrawQRCode null", [](CP_Handle h) { return CP_Label_DrawQRCode(h, 0, 0, 0, 1, 8, 0, nullptr); }, ""},
        {"DrawQRCodeInUTF8 null", [](CP_Handle h) { return CP_Label_DrawQRCodeInUTF8(h, 0, 0, 0, 1, 8, 0, nullptr); }, ""},
        {"DrawQRCodeInBytes null", [](CP_Handle h) { return CP_Label_DrawQRCodeInBytes(h, 0, 0, 0, 1, 8, 0, nullptr, 3); }, ""},
        {"DrawQRCodeInBytes negative",
         [](CP_Handle h) { return CP_Label_DrawQRCodeInBytes(h, 0, 0, 0, 1, 8, 0, reinterpret_cast<const unsigned char *>("1"), -5); }, ""},
        {"DrawPDF417Code null", [](CP_Handle h) { return CP_Label_DrawPDF417Code(h, 0, 0, 3, 3, 0, 3, 0, nullptr); }, ""},
        {"DrawImageFromFile null", [](CP_Handle h) { return CP_Label_DrawImageFromFile(h, 0, 0, 0, 0, nullptr, 1, 0); }, ""},
        {"DrawImageFromData null", [](CP_Handle h) { return CP_Label_DrawImageFromData(h, 0, 0, 0, 0, nullptr, 10, 1, 0); }, ""},
        {"DrawImageFromData negative",
         [](CP_Handle h) { return CP_Label_DrawImageFromData(h, 0, 0, 0, 0, reinterpret_cast<const unsigned char *>("BM"), -1, 1, 0); }, ""},
        {"DrawImageFromPixels null", [](CP_Handle h) { return CP_Label_DrawImageFromPixels(h, 0, 0, nullptr, 4, 16, 2, 2, 1, 1, 0); }, ""},
        {"DrawImageFromPixels negative",
         [](CP_Handle h) { return CP_Label_DrawImageFromPixels(h, 0, 0, reinterpret_cast<const unsigned char *>("\xFF\xFF\xFF\xFF"), -1, 16, 2, 2, 1, 1, 0); }, ""},
        // Hangul has no GBK form: the conversion fails and nothing is sent.
        {"DrawTextInGBK unencodable", [](CP_Handle h) { return CP_Label_DrawTextInGBK(h, 0, 0, 24, 0, L"\uC655"); }, ""},
    };
    for (const CallCase &c : refused) {
        EXPECT_EQ(0, c.call(m_h)) << c.name;
        EXPECT_EQ("", SentHex()) << c.name;
    }
}

TEST_F(LabelInterface, ImageSizeRuleFromFileAndData)
{
    // 200 x 100: left half black.
    const std::string bmp = Bmp(200, 100, [](int x, int) { return x < 100; });
    ASSERT_TRUE(m_dir.WriteFile("img.bmp", bmp));
    const std::string path = m_dir.Sub("img.bmp");
    const auto *data = reinterpret_cast<const unsigned char *>(bmp.data());
    const int size = static_cast<int>(bmp.size());
    const struct {
        int w, h;
        unsigned dotsW, h2; // announced width (bytes per line x 8) and height
    } cases[] = {
        {0, 0, 200, 100},   // the image's own size
        {-5, -1, 200, 100}, // both 0 or less: the same
        {100, 0, 104, 50},  // height follows the aspect ratio (100 dots in 13 bytes a line)
        {0, 50, 104, 50},   // width follows
        {30, 40, 32, 40},   // both given: used as they are
    };
    for (const auto &c : cases) {
        for (int fromData = 0; fromData < 2; ++fromData) {
            const int r = fromData ? CP_Label_DrawImageFromData(m_h, 5, 6, c.w, c.h, data, size, 1, 0)
                                   : CP_Label_DrawImageFromFile(m_h, 5, 6, c.w, c.h, path.c_str(), 1, 0);
            EXPECT_EQ(1, r) << c.w << "x" << c.h << " data " << fromData;
            const std::string sent = Sent();
            const unsigned bytesPerLine = c.dotsW / 8;
            ASSERT_EQ(13u + bytesPerLine * c.h2, sent.size()) << c.w << "x" << c.h;
            const std::string expectHead = std::string("\x1A\x21\x01\x05\x00\x06\x00", 7) + Le16(c.dotsW) +
                                           Le16(c.h2) + std::string(2, '\0');
            EXPECT_EQ(expectHead, sent.substr(0, 13)) << c.w << "x" << c.h;
        }
    }
    // At its own size the raster is exact: 100 black dots, then white, on every row.
    ASSERT_EQ(1, CP_Label_DrawImageFromFile(m_h, 0, 0, 0, 0, path.c_str(), 1, 0));
    const std::string sent = Sent();
    std::string row(12, '\xFF');
    row += '\xF0';
    row.append(12, '\0');
    for (int y = 0; y < 100; ++y)
        ASSERT_EQ(row, sent.substr(13 + static_cast<size_t>(y) * 25, 25)) << "row " << y;
}

TEST_F(LabelInterface, ImageFailuresSendNothing)
{
    const std::string bmp = Bmp(16, 8, [](int x, int y) { return (x + y) % 2 == 0; });
    ASSERT_TRUE(m_dir.WriteFile("small.bmp", bmp));
    ASSERT_TRUE(m_dir.WriteFile("not-an-image.bmp", "this is text, not an image"));
    const std::string small = m_dir.Sub("small.bmp");
    const auto *data = reinterpret_cast<const unsigned char *>(bmp.data());
    const struct {
        const char *name;
        std::function<int()> call;
    } cases[] = {
        {"missing file", [&] { return CP_Label_DrawImageFromFile(m_h, 0, 0, 0, 0, m_dir.Sub("none.bmp").c_str(), 1, 0); }},
        {"not an image", [&] { return CP_Label_DrawImageFromFile(m_h, 0, 0, 0, 0, m_dir.Sub("not-an-image.bmp").c_str(), 1, 0); }},
        {"data not an image", [&] { return CP_Label_DrawImageFromData(m_h, 0, 0, 0, 0, reinterpret_cast<const unsigned char *>("xyz"), 3, 1, 0); }},
        {"truncated data", [&] { return CP_Label_DrawImageFromData(m_h, 0, 0, 0, 0, data, 10, 1, 0); }},
        {"compression method 1", [&] { return CP_Label_DrawImageFromFile(m_h, 0, 0, 0, 0, small.c_str(), 1, 1); }},
        {"compression method 3", [&] { return CP_Label_DrawImageFromData(m_h, 0, 0, 0, 0, data, static_cast<int>(bmp.size()), 1, 3); }},
        {"binarization method 3", [&] { return CP_Label_DrawImageFromFile(m_h, 0, 0, 0, 0, small.c_str(), 3, 0); }},
        // Width and height both above INT_MAX once the aspect ratio is applied: refused
        // before any conversion is tried.
        {"computed size too large", [&] { return CP_Label_DrawImageFromFile(m_h, 0, 0, 0, INT_MAX, small.c_str(), 1, 0); }},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(0, c.call()) << c.name;
        EXPECT_EQ("", SentHex()) << c.name;
    }
}

TEST_F(LabelInterface, ImageCompressionMethods)
{
    // 20 x 4, the left 10 dots black.
    const std::string bmp = Bmp(20, 4, [](int x, int) { return x < 10; });
    const auto *data = reinterpret_cast<const unsigned char *>(bmp.data());
    // Plain: 20 dots in 3 bytes a line, announced as 24.
    ASSERT_EQ(1, CP_Label_DrawImageFromData(m_h, 1, 2, 0, 0, data, static_cast<int>(bmp.size()), 1, 0));
    EXPECT_EQ("1A 21 01 01 00 02 00 18 00 04 00 00 00 FF C0 00 FF C0 00 FF C0 00 FF C0 00", SentHex());
    // JBIG: a 15-byte head with the entity's length, then the entity.
    ASSERT_EQ(1, CP_Label_DrawImageFromData(m_h, 1, 2, 0, 0, data, static_cast<int>(bmp.size()), 1, 2));
    const std::string jbig = Sent();
    ASSERT_GT(jbig.size(), 15u);
    EXPECT_EQ("1A 21 FF 01 00 02 00 18 00 04 00", ToHex(reinterpret_cast<const unsigned char *>(jbig.data()), 11));
    const unsigned len = static_cast<unsigned char>(jbig[11]) | static_cast<unsigned char>(jbig[12]) << 8 |
                         static_cast<unsigned char>(jbig[13]) << 16 | static_cast<unsigned>(static_cast<unsigned char>(jbig[14])) << 24;
    EXPECT_EQ(jbig.size() - 15, len);
}

TEST_F(LabelInterface, ImageFromPixels)
{
    // Raster format (1): 16 x 2 dots, two bytes a row.
    const unsigned char pixels[] = {0xFF, 0x00, 0x0F, 0xF0};
    ASSERT_EQ(1, CP_Label_DrawImageFromPixels(m_h, 3, 4, pixels, sizeof pixels, 16, 2, 2, 1, 1, 0));
    EXPECT_EQ("1A 21 01 03 00 04 00 10 00 02 00 00 00 FF 00 0F F0", SentHex());
    // 8-bit gray (3): black, white, black.
    const unsigned char gray[] = {0x00, 0xFF, 0x00};
    ASSERT_EQ(1, CP_Label_DrawImageFromPixels(m_h, 0, 0, gray, sizeof gray, 3, 1, 3, 3, 1, 0));
    EXPECT_EQ("1A 21 01 00 00 00 00 08 00 01 00 00 00 A0", SentHex());
    EXPECT_EQ(0, CP_Label_DrawImageFromPixels(m_h, 0, 0, gray, sizeof gray, 3, 1, 3, 10, 1, 0)); // unknown format
    EXPECT_EQ("", SentHex());
}

TEST_F(LabelInterface, PagesFromSeveralHandlesAtOnce)
{
    // Each thread its own connection: every page arrives whole on its own port.
    const int kThreads = 4, kPages = 50;
    std::vector<std::string> paths;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        paths.push_back(m_dir.Sub("p" + std::to_string(t) + ".bin"));
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CP_Handle h = CP_Port_OpenFile(paths[static_cast<size_t>(t)].c_str());
            for (int i = 0; i < kPages; ++i) {
                CP_Label_PageBegin(h, 0, 0, 384, 200, 0);
                CP_Label_DrawText(h, t, i, 24, 0, "x");
                CP_Label_PagePrint(h, 1);
            }
            CP_Port_Close(h);
        });
    }
    for (std::thread &th : threads)
        th.join();
    for (int t = 0; t < kThreads; ++t) {
        std::string all;
        ASSERT_TRUE(ReadWholeFile(paths[static_cast<size_t>(t)], all));
        std::string expect;
        for (int i = 0; i < kPages; ++i)
            expect += std::string("\x1A\x5B\x01\x00\x00\x00\x00\x80\x01\xC8\x00\x00", 12) +
                      std::string("\x1A\x54\x01", 3) + Le16(static_cast<unsigned>(t)) + Le16(static_cast<unsigned>(i)) +
                      Le16(24) + Le16(0) + "x" + std::string(1, '\0') + std::string("\x1A\x4F\x01\x01", 4);
        EXPECT_EQ(expect, all) << t;
    }
}
