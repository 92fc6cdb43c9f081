// Text conversion. The first byte picks the direction and the encoding, the rest is the
// text: wide characters (four bytes each) to a multibyte encoding, bytes to wide text, or
// the locale forms. Results are terminated where promised; UTF-8 output holds only
// sequences of one to four bytes of code points up to U+10FFFF and converts back to the
// same wide text, and wide text read from UTF-8 converts back to the same bytes.
#include <clocale>
#include <cwchar>
#include <string>

#include "FuzzSupport.h"
#include "quorvane/quorvane.h"

namespace {

const char *const kEncodings[] = {"UTF-8", "GBK", "BIG5", "SHIFT-JIS", "EUC-KR", "NO-SUCH-CODE"};
constexpr int kEncodingCount = sizeof kEncodings / sizeof kEncodings[0];

// A well-formed UTF-8 text of code points up to U+10FFFF, surrogates excluded.
bool WellFormedUtf8(const unsigned char *s, size_t n)
{
    for (size_t i = 0; i < n;) {
        const unsigned char c = s[i];
        size_t len;
        uint32_t cp;
        if (c < 0x80) { len = 1; cp = c; }
        else if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
        else if (c >= 0xE0 && c <= 0xEF) { len = 3; cp = c & 0x0F; }
        else if (c >= 0xF0 && c <= 0xF4) { len = 4; cp = c & 0x07; }
        else return false;
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    auto wide = [](const std::u32string &s) {
        FuzzBytes out;
        for (char32_t c : s)
            for (int k = 0; k < 4; ++k)
                out.push_back(static_cast<unsigned char>(static_cast<uint32_t>(c) >> (8 * k)));
        return out;
    };
    std::vector<FuzzBytes> seeds;
    for (unsigned char enc = 0; enc < 5; ++enc) {
        seeds.push_back(FuzzCat({{static_cast<unsigned char>(enc * 3)}, wide(U"a\u00e9\u4e2d\u20ac\U0001F600z")}));
        seeds.push_back(FuzzCat({{static_cast<unsigned char>(enc * 3 + 1)}, FuzzText("abc \xe4\xb8\xad\xc3\xa9")}));
    }
    seeds.push_back(FuzzCat({{2}, wide(U"caf\u00e9")}));
    seeds.push_back(FuzzCat({{1}, FuzzHex("C0 AF ED A0 80 F4 90 80 80 FF")}));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const int mode = data[0] % 3;
    const char *encoding = kEncodings[data[0] / 3 % kEncodingCount];
    const bool utf8 = encoding == kEncodings[0];
    const uint8_t *rest = data + 1;
    const size_t n = size - 1;

    if (mode == 0 || mode == 2) {
        // Wide text: every four bytes one character, ended by the first zero.
        std::wstring text;
        for (size_t i = 0; i + 4 <= n; i += 4) {
            uint32_t c;
            memcpy(&c, rest + i, 4);
            if (c == 0)
                break;
            text.push_back(static_cast<wchar_t>(c));
        }
        if (mode == 2) {
            char *local = iconv_wcstolocalmbs(text.c_str());
            free(local);
            return 0;
        }
        char *out = iconv_wcstombs(text.c_str(), encoding);
        if (!out)
            return 0;
        FUZZ_CHECK(encoding != kEncodings[kEncodingCount - 1]);
        if (utf8) {
            const size_t len = strlen(out);
            FUZZ_CHECK(WellFormedUtf8(reinterpret_cast<const unsigned char *>(out), len));
            wchar_t *back = iconv_mbstowcs(out, "UTF-8");
            FUZZ_CHECK(back && text == back);
            free(back);
        }
        free(out);
        return 0;
    }

    // Bytes: up to the first zero, in a buffer of their exact length plus the terminator.
    const std::string text(reinterpret_cast<const char *>(rest), strnlen(reinterpret_cast<const char *>(rest), n));
    wchar_t *wide = iconv_mbstowcs(text.c_str(), encoding);
    if (wide) {
        FUZZ_CHECK(encoding != kEncodings[kEncodingCount - 1]);
        for (const wchar_t *p = wide; *p; ++p)
            FUZZ_CHECK(static_cast<uint32_t>(*p) <= 0x10FFFF);
        if (utf8) {
            FUZZ_CHECK(WellFormedUtf8(reinterpret_cast<const unsigned char *>(text.data()), text.size()));
            char *back = iconv_wcstombs(wide, "UTF-8");
            FUZZ_CHECK(back && text == back);
            free(back);
        }
        free(wide);
    } else if (utf8) {
        FUZZ_CHECK(!WellFormedUtf8(reinterpret_cast<const unsigned char *>(text.data()), text.size()));
    }
    if (data[0] % 2 == 0) {
        free(iconv_localmbstowcs(text.c_str()));
        free(iconv_utftolocalmbs(text.c_str()));
    }
    return 0;
}
