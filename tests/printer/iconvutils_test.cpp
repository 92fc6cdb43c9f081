// Text encoding conversion: explicit encodings through iconv, and the locale
// forms (run in child processes so this process's locale never changes).
#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iconv.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "printer/iconvutils.h"
#include "support/TestUtil.h"

namespace {

using quorvane_test::Bytes;
using quorvane_test::Hex;
using quorvane_test::ToHex;

Bytes BytesOf(const char *s)
{
    return s ? Bytes(s, s + strlen(s)) : Bytes();
}

// Runs body in a forked child with LC_ALL set to locale. The body returns an
// empty string on success or a description of what went wrong.
void RunInChild(const char *locale, const std::function<std::string()> &body)
{
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    fflush(stdout);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(fds[0]);
        setenv("LC_ALL", locale, 1);
        std::string err = body();
        if (!err.empty() && write(fds[1], err.data(), err.size()) < 0)
            _exit(3);
        _exit(err.empty() ? 0 : 1);
    }
    close(fds[1]);
    std::string report;
    char buf[512];
    for (int waited = 0; waited < 100;) {
        pollfd p{fds[0], POLLIN, 0};
        int r = poll(&p, 1, 100);
        if (r == 0) {
            ++waited;
            continue;
        }
        ssize_t got = read(fds[0], buf, sizeof buf);
        if (got <= 0)
            break;
        report.append(buf, static_cast<size_t>(got));
    }
    close(fds[0]);
    int status = 0;
    pid_t done = 0;
    for (int i = 0; i < 100 && (done = waitpid(pid, &status, WNOHANG)) == 0; ++i)
        usleep(10000);
    if (done == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "child did not finish (locale " << locale << ")";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "child crashed (locale " << locale << ")";
    EXPECT_EQ(0, WEXITSTATUS(status)) << "locale " << locale << ": " << report;
}

// Captures what fn prints to standard output.
std::string StdoutOf(const std::function<void()> &fn)
{
    fflush(stdout);
    testing::internal::CaptureStdout();
    fn();
    fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

struct EncodeRow {
    const char *encoding;
    Bytes expected;
};

const EncodeRow kChineseRows[] = {
    {"UTF-8", Hex("E4 B8 AD E6 96 87")},
    {"GBK", Hex("D6 D0 CE C4")},
    {"BIG5", Hex("A4 A4 A4 E5")},
    {"SHIFT-JIS", Hex("92 86 95 B6")},
    {"EUC-KR", Hex("F1 E9 D9 FE")},
};

TEST(IconvUtils, WideChineseToEveryEncodingAndBack)
{
    for (const EncodeRow &row : kChineseRows) {
        SCOPED_TRACE(row.encoding);
        char *out = NZIconv_WideToEncoding(L"中文", row.encoding);
        ASSERT_NE(nullptr, out);
        EXPECT_EQ(ToHex(row.expected), ToHex(BytesOf(out)));
        wchar_t *back = NZIconv_EncodingToWide(out, row.encoding);
        ASSERT_NE(nullptr, back);
        EXPECT_STREQ(L"中文", back);
        free(back);
        free(out);
    }
}

TEST(IconvUtils, MixedTextRoundTripsThroughGbk)
{
    const wchar_t *text = L"Total 合计: 12.50 元\n";
    char *gbk = NZIconv_WideToEncoding(text, "GBK");
    ASSERT_NE(nullptr, gbk);
    wchar_t *back = NZIconv_EncodingToWide(gbk, "GBK");
    ASSERT_NE(nullptr, back);
    EXPECT_STREQ(text, back);
    free(back);
    free(gbk);
}

TEST(IconvUtils, EmptyTextGivesAllocatedEmptyString)
{
    char *out = NZIconv_WideToEncoding(L"", "GBK");
    ASSERT_NE(nullptr, out);
    EXPECT_STREQ("", out);
    free(out);
    wchar_t *wide = NZIconv_EncodingToWide("", "UTF-8");
    ASSERT_NE(nullptr, wide);
    EXPECT_STREQ(L"", wide);
    free(wide);
}

TEST(IconvUtils, NullArgumentsGiveNull)
{
    EXPECT_EQ(nullptr, NZIconv_WideToEncoding(nullptr, "UTF-8"));
    EXPECT_EQ(nullptr, NZIconv_WideToEncoding(L"a", nullptr));
    EXPECT_EQ(nullptr, NZIconv_EncodingToWide(nullptr, "UTF-8"));
    EXPECT_EQ(nullptr, NZIconv_EncodingToWide("a", nullptr));
    EXPECT_EQ(nullptr, NZIconv_Utf8ToLocale(nullptr));
}

TEST(IconvUtils, UnknownEncodingGivesNullSilently)
{
    char *out = reinterpret_cast<char *>(1);
    wchar_t *wide = reinterpret_cast<wchar_t *>(1);
    std::string printed = StdoutOf([&] {
        out = NZIconv_WideToEncoding(L"abc", "NO-SUCH-ENCODING");
        wide = NZIconv_EncodingToWide("abc", "NO-SUCH-ENCODING");
    });
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(nullptr, wide);
    EXPECT_EQ("", printed);
}

// Rows: text, source or target encoding, expected diagnostic.
TEST(IconvUtils, UnconvertibleInputPrintsFailureAndGivesNull)
{
    char expectWide[128], expectUtf[128], expectCut[128];
    snprintf(expectWide, sizeof expectWide,
             "iconv failed to convert str from WCHAR_T to GBK. errno %d\r\n", EILSEQ);
    snprintf(expectUtf, sizeof expectUtf,
             "iconv failed to convert str from UTF-8 to WCHAR_T. errno %d\r\n", EILSEQ);
    snprintf(expectCut, sizeof expectCut,
             "iconv failed to convert str from UTF-8 to WCHAR_T. errno %d\r\n", EINVAL);

    char *out = reinterpret_cast<char *>(1);
    EXPECT_EQ(expectWide, StdoutOf([&] { out = NZIconv_WideToEncoding(L"한", "GBK"); }));
    EXPECT_EQ(nullptr, out);

    struct Row {
        const char *utf8;
        const char *message;
    } rows[] = {
        {"ab\xFF", expectUtf},    // byte never valid in UTF-8
        {"ab\xE4\xB8", expectCut}, // sequence cut off at the end
    };
    for (const Row &row : rows) {
        wchar_t *wide = reinterpret_cast<wchar_t *>(1);
        EXPECT_EQ(row.message, StdoutOf([&] { wide = NZIconv_EncodingToWide(row.utf8, "UTF-8"); }));
        EXPECT_EQ(nullptr, wide);
        char *local = reinterpret_cast<char *>(1);
        EXPECT_EQ(row.message, StdoutOf([&] { local = NZIconv_Utf8ToLocale(row.utf8); }));
        EXPECT_EQ(nullptr, local);
    }
}

// Output longer than four bytes per character (a shift sequence around every character):
// the buffer grows to fit.
TEST(IconvUtils, LongOutputIsKeptWhole)
{
    std::wstring text;
    Bytes expected;
    const Bytes pair = Hex("1B 24 42 46 7C 1B 28 42 61"); // shift in, 日, shift out, a
    for (int i = 0; i < 8; ++i) {
        text += L"\u65e5a";
        expected.insert(expected.end(), pair.begin(), pair.end());
    }
    char *out = NZIconv_WideToEncoding(text.c_str(), "ISO-2022-JP");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(ToHex(expected), ToHex(BytesOf(out)));
    free(out);
}

// Only Unicode scalar values cross: a wide character above U+10FFFF or a surrogate is
// refused on the way out, and a sequence decoding above U+10FFFF on the way in, instead
// of 5- and 6-byte sequences or values no encoding has.
TEST(IconvUtils, TextOutsideUnicodeIsRefused)
{
    char wideToUtf[128], utfToWide[128];
    snprintf(wideToUtf, sizeof wideToUtf, "iconv failed to convert str from WCHAR_T to UTF-8. errno %d\r\n", EILSEQ);
    snprintf(utfToWide, sizeof utfToWide, "iconv failed to convert str from UTF-8 to WCHAR_T. errno %d\r\n", EILSEQ);
    const wchar_t above[] = {L'a', 0x110000, L'b', 0};
    const wchar_t largest[] = {0x7FFFFFFF, 0};
    const wchar_t surrogate[] = {L'a', 0xD800, 0};
    for (const wchar_t *text : {above, largest, surrogate}) {
        char *out = reinterpret_cast<char *>(1);
        EXPECT_EQ(wideToUtf, StdoutOf([&] { out = NZIconv_WideToEncoding(text, "UTF-8"); }));
        EXPECT_EQ(nullptr, out);
    }
    for (const char *utf8 : {"a\xF4\x90\x80\x80" "b", "\xFD\xBF\xBF\xBF\xBF\xBF"}) {
        wchar_t *wide = reinterpret_cast<wchar_t *>(1);
        EXPECT_EQ(utfToWide, StdoutOf([&] { wide = NZIconv_EncodingToWide(utf8, "UTF-8"); }));
        EXPECT_EQ(nullptr, wide);
    }
    // U+10FFFF itself is the last one that goes through, both ways.
    const wchar_t last[] = {0x10FFFF, 0};
    char *out = NZIconv_WideToEncoding(last, "UTF-8");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ("F4 8F BF BF", ToHex(BytesOf(out)));
    wchar_t *back = NZIconv_EncodingToWide(out, "UTF-8");
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(0, wcscmp(last, back));
    free(back);
    free(out);
}

// A stateful encoding gets its closing shift sequence.
TEST(IconvUtils, StatefulEncodingIsClosed)
{
    char *out = NZIconv_WideToEncoding(L"日本", "ISO-2022-JP");
    ASSERT_NE(nullptr, out);
    Bytes expected = Hex("1B 24 42 46 7C 4B 5C 1B 28 42");
    EXPECT_EQ(ToHex(expected), ToHex(BytesOf(out)));
    wchar_t *back = NZIconv_EncodingToWide(out, "ISO-2022-JP");
    ASSERT_NE(nullptr, back);
    EXPECT_STREQ(L"日本", back);
    free(back);
    free(out);
}

TEST(IconvUtils, LongTextConverts)
{
    std::wstring text;
    for (int i = 0; i < 5000; ++i)
        text += (i % 2) ? L'文' : L'a';
    char *out = NZIconv_WideToEncoding(text.c_str(), "UTF-8");
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(2500u + 2500u * 3u, strlen(out));
    wchar_t *back = NZIconv_EncodingToWide(out, "UTF-8");
    ASSERT_NE(nullptr, back);
    EXPECT_EQ(text, std::wstring(back));
    free(back);
    free(out);
}

// Each call opens its own converter, so threads convert side by side.
TEST(IconvUtils, ConcurrentConversionsAgree)
{
    // Keep the converter modules loaded for the whole test: the C library loads and
    // unloads them under its own loader lock, which ThreadSanitizer cannot see.
    std::vector<iconv_t> pinned;
    for (const EncodeRow &row : kChineseRows) {
        pinned.push_back(iconv_open(row.encoding, "WCHAR_T"));
        pinned.push_back(iconv_open("WCHAR_T", row.encoding));
    }
    std::vector<std::thread> threads;
    std::vector<int> mismatches(sizeof kChineseRows / sizeof kChineseRows[0], 0);
    for (size_t t = 0; t < mismatches.size(); ++t) {
        threads.emplace_back([t, &mismatches] {
            const EncodeRow &row = kChineseRows[t];
            for (int i = 0; i < 200; ++i) {
                char *out = NZIconv_WideToEncoding(L"中文", row.encoding);
                wchar_t *back = out ? NZIconv_EncodingToWide(out, row.encoding) : nullptr;
                if (!out || BytesOf(out) != row.expected || !back || wcscmp(back, L"中文") != 0)
                    ++mismatches[t];
                free(back);
                free(out);
            }
        });
    }
    for (std::thread &th : threads)
        th.join();
    for (iconv_t cd : pinned)
        if (cd != (iconv_t)-1)
            iconv_close(cd);
    for (size_t t = 0; t < mismatches.size(); ++t)
        EXPECT_EQ(0, mismatches[t]) << kChineseRows[t].encoding;
}

// ---- Locale forms, each in its own child process ----

std::string Expect(bool ok, const std::string &what)
{
    return ok ? std::string() : what + "\n";
}

TEST(IconvUtilsLocale, ParentLocaleStaysUntouched)
{
    std::string before = setlocale(LC_ALL, nullptr);
    RunInChild("C.UTF-8", [] {
        char *out = NZIconv_WideToLocale(L"x");
        std::string err = Expect(out && strcmp(out, "x") == 0, "plain ascii");
        free(out);
        return err;
    });
    EXPECT_EQ(before, setlocale(LC_ALL, nullptr));
}

TEST(IconvUtilsLocale, WithoutUsableLocaleLowBytesAreUsed)
{
    RunInChild("xx_XX.no-such-locale", [] {
        std::string err;
        struct Row {
            std::wstring wide;
            std::string narrow;
        } rows[] = {
            {L"\u00e9", "\xE9"},
            {L"\u4e2d", "\x2D"},
            {L"abc", "abc"},
            {L"", ""},
        };
        for (const Row &row : rows) {
            char *out = NZIconv_WideToLocale(row.wide.c_str());
            err += Expect(out && row.narrow == out, "narrowing of " + row.narrow);
            free(out);
        }
        wchar_t *wide = NZIconv_LocaleToWide("\xE9" "A");
        err += Expect(wide && wide[0] == 0xE9 && wide[1] == L'A' && wide[2] == 0, "widening");
        free(wide);
        err += Expect(NZIconv_WideToLocale(nullptr) == nullptr, "null wide text");
        err += Expect(NZIconv_LocaleToWide(nullptr) == nullptr, "null narrow text");
        return err;
    });
}

TEST(IconvUtilsLocale, Utf8LocaleConvertsBothWays)
{
    RunInChild("C.UTF-8", [] {
        std::string err;
        const char *utf8 = "\xE4\xB8\xAD\xE6\x96\x87";
        char *out = NZIconv_WideToLocale(L"中文");
        err += Expect(out && strcmp(out, utf8) == 0, "wide to locale");
        free(out);
        wchar_t *wide = NZIconv_LocaleToWide(utf8);
        err += Expect(wide && wcscmp(wide, L"中文") == 0, "locale to wide");
        free(wide);
        char *chained = NZIconv_Utf8ToLocale(utf8);
        err += Expect(chained && strcmp(chained, utf8) == 0, "utf-8 to locale");
        free(chained);
        // Text outside Unicode is refused both ways (no 5- and 6-byte sequences);
        // U+10FFFF itself still converts.
        const wchar_t big[] = {L'a', 0x110000, L'b', 0};
        err += Expect(NZIconv_WideToLocale(big) == nullptr, "above U+10FFFF to locale");
        err += Expect(NZIconv_LocaleToWide("a\xF4\x90\x80\x80") == nullptr, "above U+10FFFF from locale");
        const wchar_t top[] = {0x10FFFF, 0};
        char *topOut = NZIconv_WideToLocale(top);
        err += Expect(topOut && strcmp(topOut, "\xF4\x8F\xBF\xBF") == 0, "U+10FFFF to locale");
        free(topOut);
        err += Expect(NZIconv_LocaleToWide("ab\xFF") == nullptr, "invalid locale text");
        return err;
    });
}

TEST(IconvUtilsLocale, UnrepresentableCharacterGivesNull)
{
    RunInChild("C", [] {
        std::string err;
        err += Expect(NZIconv_WideToLocale(L"ab\u00e9") == nullptr, "e-acute in C locale");
        char *ascii = NZIconv_WideToLocale(L"plain");
        err += Expect(ascii && strcmp(ascii, "plain") == 0, "ascii in C locale");
        free(ascii);
        err += Expect(NZIconv_Utf8ToLocale("\xE4\xB8\xAD") == nullptr, "chinese to C locale");
        return err;
    });
}

} // namespace
