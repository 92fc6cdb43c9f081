// The C example examples/receipt.c run as a program against the fake network printer: the
// bytes that arrive are decoded as a receipt printer reads them (text lines, GS k barcode,
// GS ( k QR functions, GS v 0 raster), and each failure it meets is reported with a
// non-zero exit.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "exerciser/ProgramRun.h"
#include "support/DeviceFixtures.h"
#include "support/FakePrinter.h"
#include "support/PrinterAnswers.h"

using namespace quorvane_test;

namespace {

const int kRunTimeoutMs = 30000;

// What a receipt printer makes of the bytes.
struct Receipt {
    struct Line {
        bool multiByte;
        int encoding;
        std::string bytes;
    };
    struct Raster {
        int bytesPerLine;
        int rows;
        std::string data;
    };
    std::vector<Line> lines;
    std::vector<std::pair<int, std::string>> barcodes; // system, data
    int qrModule = -1;
    int qrLevel = -1;
    std::string qrStored;
    int qrPrinted = 0;
    std::vector<Raster> rasters;
    int cuts = 0;
    int statusRequests = 0;
    std::string error; // where the bytes stopped making sense
};

Receipt Decode(const std::string &b)
{
    Receipt r;
    bool multiByte = false;
    int encoding = 0;
    std::string text;
    size_t i = 0;
    auto at = [&](size_t k) { return k < b.size() ? static_cast<unsigned char>(b[k]) : 0u; };
    auto need = [&](size_t n) { return i + n <= b.size(); };
    auto fail = [&](const char *what) {
        r.error = std::string(what) + " at byte " + std::to_string(i);
        return r;
    };
    while (i < b.size()) {
        const unsigned char c = at(i);
        if (c == 0x0A) {
            r.lines.push_back({multiByte, encoding, text});
            text.clear();
            ++i;
        } else if (c >= 0x20) {
            text += static_cast<char>(c);
            ++i;
        } else if (c == 0x1B && need(2) && at(i + 1) == 0x40) {
            multiByte = false;
            encoding = 0;
            i += 2;
        } else if (c == 0x1C && need(2) && at(i + 1) == 0x26) {
            multiByte = true;
            i += 2;
        } else if (c == 0x1B && need(3) && at(i + 1) == 0x39) {
            encoding = at(i + 2);
            i += 3;
        } else if (c == 0x1B && need(3) && at(i + 1) == 0x61) {
            i += 3; // alignment
        } else if (c == 0x1D && need(3) && (at(i + 1) == 0x77 || at(i + 1) == 0x68 || at(i + 1) == 0x48)) {
            i += 3; // barcode module width, height, readable-text position
        } else if (c == 0x1D && need(4) && at(i + 1) == 0x6B && at(i + 2) >= 65) {
            const size_t n = at(i + 3);
            if (!need(4 + n))
                return fail("short barcode");
            r.barcodes.emplace_back(at(i + 2), b.substr(i + 4, n));
            i += 4 + n;
        } else if (c == 0x1D && need(5) && at(i + 1) == 0x28 && at(i + 2) == 0x6B) {
            const size_t p = at(i + 3) | (at(i + 4) << 8);
            if (!need(5 + p) || p < 3 || at(i + 5) != 0x31)
                return fail("bad GS ( k");
            const unsigned char fn = at(i + 6);
            if (fn == 0x43 && p == 3)
                r.qrModule = at(i + 7);
            else if (fn == 0x45 && p == 3)
                r.qrLevel = at(i + 7);
            else if (fn == 0x50 && at(i + 7) == 0x30)
                r.qrStored = b.substr(i + 8, p - 3);
            else if (fn == 0x51 && p == 3 && at(i + 7) == 0x30)
                ++r.qrPrinted;
            else
                return fail("unknown QR function");
            i += 5 + p;
        } else if (c == 0x1D && need(8) && at(i + 1) == 0x76 && at(i + 2) == 0x30 && at(i + 3) == 0x00) {
            const int x = at(i + 4) | (at(i + 5) << 8);
            const int y = at(i + 6) | (at(i + 7) << 8);
            if (!need(8 + static_cast<size_t>(x) * y))
                return fail("short raster");
            r.rasters.push_back({x, y, b.substr(i + 8, static_cast<size_t>(x) * y)});
            i += 8 + static_cast<size_t>(x) * y;
        } else if (c == 0x1D && need(4) && at(i + 1) == 0x56 && at(i + 2) == 0x42) {
            ++r.cuts;
            i += 4;
        } else if (c == 0x10 && need(3) && at(i + 1) == 0x04 && at(i + 2) >= 1 && at(i + 2) <= 4) {
            ++r.statusRequests;
            i += 3;
        } else {
            return fail("unknown command");
        }
    }
    if (!text.empty())
        r.error = "text without a line feed: " + text;
    return r;
}

// CODE128 data of the GS k command as the symbol's characters: "{A" "{B" "{C" select a
// code set, "{{" is a brace, in set C each byte is two digits.
std::string Code128Text(const std::string &data)
{
    std::string out;
    char set = 0;
    for (size_t i = 0; i < data.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (c == '{' && i + 1 < data.size() && data[i + 1] != '{') {
            set = data[++i];
            if (set != 'A' && set != 'B' && set != 'C')
                return "<bad code set>";
        } else if (set == 'C') {
            if (c > 99)
                return "<bad set C value>";
            out += static_cast<char>('0' + c / 10);
            out += static_cast<char>('0' + c % 10);
        } else if (set == 'A' || set == 'B') {
            out += static_cast<char>(c);
            if (c == '{')
                ++i; // the second brace of "{{"
        } else {
            return "<data before a code set>";
        }
    }
    return out;
}

// A w x h black-and-white picture as raster rows: (w + 7) / 8 bytes a row, top bit leftmost.
template <typename Black>
std::string RasterOf(int w, int h, Black black)
{
    const int bpl = (w + 7) / 8;
    std::string out(static_cast<size_t>(bpl) * h, '\0');
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (black(x, y))
                out[static_cast<size_t>(y) * bpl + x / 8] |= static_cast<char>(0x80 >> (x % 8));
    return out;
}

// The example's own picture: a 40 x 20 frame two dots wide around a checkered block.
std::string BuiltInPicture()
{
    return RasterOf(40, 20, [](int x, int y) {
        if (x < 2 || x >= 38 || y < 2 || y >= 18)
            return true;
        return x >= 8 && x < 32 && y >= 6 && y < 14 && (x / 4 + y / 4) % 2 == 0;
    });
}

// A 24 x 4 gray PNG with black dots where (x + y) % 3 == 0, and its raster.
const char *const kDiagonalPng = "89504E470D0A1A0A0000000D4948445200000018000000040800000000B108A0"
                                 "C4000000144944415478DA6360F8FF9F34C4804B8A019716006CA03FC130951A"
                                 "4A0000000049454E44AE426082";
std::string DiagonalPicture()
{
    return RasterOf(24, 4, [](int x, int y) { return (x + y) % 3 == 0; });
}

const char *const kWelcomeUtf8 = "\xE6\xAC\xA2\xE8\xBF\x8E\xE5\x85\x89\xE4\xB8\xB4 Welcome"; // 欢迎光临 Welcome

enum class Printer { Ready, Silent, Absent };
enum class Picture { None, FileGiven, FileMissing };

struct Case {
    const char *name;
    Printer printer;
    Picture picture;
    int exitCode;
    const char *stdoutHas; // "" when the run must not get as far as printing the status
    const char *stderrHas; // "" when nothing may be reported
    std::string raster;    // expected picture raster ("" when none may arrive)
    int rasterBytesPerLine;
};

void PrintTo(const Case &c, std::ostream *os) { *os << c.name; }

class ReceiptExample : public ::testing::TestWithParam<Case> {};

TEST_P(ReceiptExample, PrintsAndReports)
{
    const Case &c = GetParam();
    TempDir dir;
    FakePrinter printer;
    if (c.printer != Printer::Silent)
        AddPrinterAnswers(printer, ReadyStatus());
    ASSERT_TRUE(printer.Start());
    const std::string port = std::to_string(printer.Port());
    if (c.printer == Printer::Absent)
        printer.Stop(); // nothing listens on the port any more

    std::vector<std::string> argv = {QUORVANE_EXAMPLE_RECEIPT_PATH, "127.0.0.1", port};
    if (c.picture == Picture::FileGiven) {
        ASSERT_TRUE(dir.WriteFile("picture.png", FakePrinter::Hex(kDiagonalPng)));
        argv.push_back(dir.Sub("picture.png"));
    } else if (c.picture == Picture::FileMissing) {
        argv.push_back(dir.Sub("missing.png"));
    }
    const ProgramResult run = RunProgram(argv, dir.path(), kRunTimeoutMs);
    ASSERT_TRUE(run.started);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(c.exitCode, run.exitCode) << run.err;
    if (*c.stderrHas) {
        EXPECT_NE(std::string::npos, run.err.find(c.stderrHas)) << run.err;
    } else {
        EXPECT_EQ("", run.err);
    }
    if (*c.stdoutHas) {
        EXPECT_NE(std::string::npos, run.out.find(c.stdoutHas)) << run.out;
    } else {
        EXPECT_EQ(std::string::npos, run.out.find("printer status")) << run.out;
    }
    if (c.printer == Printer::Absent) {
        EXPECT_EQ(0, printer.Accepted());
        return;
    }

    ASSERT_TRUE(printer.WaitForLive(0, 2000));
    const Receipt r = Decode(printer.Received());
    ASSERT_EQ("", r.error);

    // UTF-8 text, sent while multi-byte mode with the UTF-8 encoding (1) is selected.
    ASSERT_EQ(1u, r.lines.size());
    EXPECT_EQ(kWelcomeUtf8, r.lines[0].bytes);
    EXPECT_TRUE(r.lines[0].multiByte);
    EXPECT_EQ(1, r.lines[0].encoding);

    // CODE128 (system 73) whose code sets spell the text.
    ASSERT_EQ(1u, r.barcodes.size());
    EXPECT_EQ(73, r.barcodes[0].first);
    EXPECT_EQ("No.123456", Code128Text(r.barcodes[0].second));

    // QR: module size 4, level M (31), the text stored, then printed once.
    EXPECT_EQ(4, r.qrModule);
    EXPECT_EQ(0x31, r.qrLevel);
    EXPECT_EQ("https://example.com/r/123456", r.qrStored);
    EXPECT_EQ(1, r.qrPrinted);

    if (c.raster.empty()) {
        EXPECT_TRUE(r.rasters.empty());
    } else {
        ASSERT_EQ(1u, r.rasters.size());
        EXPECT_EQ(c.rasterBytesPerLine, r.rasters[0].bytesPerLine);
        EXPECT_EQ(c.raster, r.rasters[0].data);
    }
    EXPECT_EQ(1, r.cuts);
    EXPECT_GE(r.statusRequests, 4); // the four requests, repeated while unanswered
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ReceiptExample,
    ::testing::Values(
        Case{"BuiltInPicture", Printer::Ready, Picture::None, 0, "printer status 12121212: ready", "",
             BuiltInPicture(), 5},
        Case{"PictureFile", Printer::Ready, Picture::FileGiven, 0, "ready", "", DiagonalPicture(), 3},
        Case{"PictureMissing", Printer::Ready, Picture::FileMissing, 1, "ready",
             "receipt: printing the picture failed", "", 0},
        Case{"StatusUnanswered", Printer::Silent, Picture::None, 1, "", "receipt: querying the printer status failed",
             BuiltInPicture(), 5},
        Case{"NoPrinter", Printer::Absent, Picture::None, 1, "", "receipt: cannot connect to 127.0.0.1:", "", 0}),
    [](const ::testing::TestParamInfo<Case> &info) { return std::string(info.param.name); });

// A wrong command line prints the usage and exits 2 without connecting anywhere.
TEST(ReceiptExampleUsage, WrongArguments)
{
    const std::vector<std::vector<std::string>> lines = {
        {QUORVANE_EXAMPLE_RECEIPT_PATH},
        {QUORVANE_EXAMPLE_RECEIPT_PATH, "127.0.0.1", "0"},
        {QUORVANE_EXAMPLE_RECEIPT_PATH, "127.0.0.1", "65536"},
        {QUORVANE_EXAMPLE_RECEIPT_PATH, "127.0.0.1", "91x"},
        {QUORVANE_EXAMPLE_RECEIPT_PATH, "127.0.0.1", "9100", "a.png", "extra"},
    };
    for (const auto &argv : lines) {
        const ProgramResult run = RunProgram(argv, "", kRunTimeoutMs);
        ASSERT_TRUE(run.started);
        EXPECT_EQ(2, run.exitCode) << argv.size();
        EXPECT_FALSE(run.err.empty());
    }
}

} // namespace
