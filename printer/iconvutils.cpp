// Text encoding conversion through iconv (explicit encodings) and through the
// process locale. Every result is a new malloc'ed, zero-terminated buffer.
#include "printer/iconvutils.h"

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <iconv.h>
#include <memory>

#include "ports/NZUtils.h"

namespace {

const char kWideName[] = "WCHAR_T";

// Copy of s up to its terminator, or null.
char *strdup_local(const char *s)
{
    if (!s)
        return nullptr;
    size_t n = strlen(s);
    char *copy = static_cast<char *>(calloc(n + 1, 1));
    if (copy)
        memcpy(copy, s, n);
    return copy;
}

// Copy of s up to its terminator, or null.
wchar_t *wcsdup_local(const wchar_t *s)
{
    if (!s)
        return nullptr;
    size_t n = wcslen(s);
    wchar_t *copy = static_cast<wchar_t *>(calloc(n + 1, sizeof(wchar_t)));
    if (copy)
        memcpy(copy, s, n * sizeof(wchar_t));
    return copy;
}

// True when every wide character of the count at text is a Unicode scalar value: at most
// U+10FFFF and no surrogate. The converter itself would turn larger values into 5- and
// 6-byte sequences that no printer reads, and read such sequences back.
bool WideTextIsUnicode(const wchar_t *text, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = static_cast<uint32_t>(text[i]);
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
            return false;
    }
    return true;
}

// Runs one conversion from inBytes bytes at in. The output starts with room for
// `room` bytes and grows whenever the converter needs more, so encodings whose
// output is longer than the estimate (escape sequences of stateful encodings)
// still convert completely. Wide text on either side must be Unicode scalar values. The shift state is
// flushed at the end. On success returns a buffer holding the converted bytes
// followed by `unit` zero bytes and stores the converted byte count; on failure
// prints the diagnostic and returns null.
char *ConvertWhole(const char *from, const char *to, const char *in, size_t inBytes,
                   size_t room, size_t unit, size_t *outBytes)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1)
        return nullptr;
    const bool wideIn = strcmp(from, kWideName) == 0;
    const bool wideOut = strcmp(to, kWideName) == 0;
    if (wideIn && !WideTextIsUnicode(reinterpret_cast<const wchar_t *>(in), inBytes / sizeof(wchar_t))) {
        iconv_close(cd);
        printf("iconv failed to convert str from %s to %s. errno %d\r\n", from, to, EILSEQ);
        return nullptr;
    }

    size_t cap = room;
    // Owned, so the diagnostics below (printf may be a cancellation point) cannot leak it.
    std::unique_ptr<char, NZFree> buf(static_cast<char *>(calloc(cap + unit, 1)));
    if (!buf) {
        iconv_close(cd);
        return nullptr;
    }

    char *inPtr = const_cast<char *>(in);
    size_t inLeft = inBytes;
    size_t used = 0;
    bool flushing = false;
    bool failed = false;
    int err = 0;
    for (;;) {
        char *outPtr = buf.get() + used;
        size_t outLeft = cap - used;
        size_t rc = flushing ? iconv(cd, nullptr, nullptr, &outPtr, &outLeft)
                             : iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        int callErr = errno;
        used = static_cast<size_t>(outPtr - buf.get());
        if (rc != (size_t)-1) {
            if (flushing || inLeft != 0)
                break;
            flushing = true;
            continue;
        }
        if (callErr != E2BIG) {
            failed = true;
            err = callErr;
            break;
        }
        // Out of room: double the buffer and carry on where the converter stopped.
        if (cap > (SIZE_MAX - unit) / 2) {
            failed = true;
            err = callErr;
            break;
        }
        size_t newCap = cap * 2 + 16;
        char *grown = static_cast<char *>(realloc(buf.get(), newCap + unit));
        if (!grown) {
            iconv_close(cd);
            return nullptr;
        }
        (void)buf.release(); // moved by realloc
        buf.reset(grown);
        cap = newCap;
    }
    iconv_close(cd);

    if (failed) {
        printf("iconv failed to convert str from %s to %s. errno %d\r\n", from, to, err);
        return nullptr;
    }
    if (inLeft != 0) {
        printf("iconv incomplete convert str from %s to %s. srcbyteslen:%d inbytesleft: %d",
               from, to, static_cast<int>(inBytes), static_cast<int>(inLeft));
        return nullptr;
    }
    if (wideOut && !WideTextIsUnicode(reinterpret_cast<const wchar_t *>(buf.get()), used / sizeof(wchar_t))) {
        printf("iconv failed to convert str from %s to %s. errno %d\r\n", from, to, EILSEQ);
        return nullptr;
    }
    memset(buf.get() + used, 0, unit);
    *outBytes = used;
    return buf.release();
}

} // namespace

char *NZIconv_WideToEncoding(const wchar_t *text, const char *encoding)
{
    if (!text || !encoding)
        return nullptr;
    size_t n = wcslen(text);
    if (n > SIZE_MAX / sizeof(wchar_t) - 1)
        return nullptr;
    size_t converted = 0;
    return ConvertWhole(kWideName, encoding, reinterpret_cast<const char *>(text),
                        n * sizeof(wchar_t), (n + 1) * sizeof(wchar_t), 1, &converted);
}

wchar_t *NZIconv_EncodingToWide(const char *text, const char *encoding)
{
    if (!text || !encoding)
        return nullptr;
    size_t n = strlen(text);
    if (n > SIZE_MAX / sizeof(wchar_t) - 1)
        return nullptr;
    size_t converted = 0;
    char *out = ConvertWhole(encoding, kWideName, text, n, (n + 1) * sizeof(wchar_t),
                             sizeof(wchar_t), &converted);
    return reinterpret_cast<wchar_t *>(out);
}

char *NZIconv_WideToLocale(const wchar_t *text)
{
    if (!text)
        return nullptr;
    const char *locale = setlocale(LC_ALL, "");
    if (locale && *locale) {
        // Measure first so the buffer fits whatever the locale's encoding needs;
        // a character the locale cannot represent (or no Unicode character at all)
        // fails the whole conversion.
        if (!WideTextIsUnicode(text, wcslen(text)))
            return nullptr;
        size_t need = wcstombs(nullptr, text, 0);
        if (need == (size_t)-1)
            return nullptr;
        char *buf = static_cast<char *>(calloc(need + 1, 1));
        if (!buf)
            return nullptr;
        if (wcstombs(buf, text, need + 1) == (size_t)-1) {
            free(buf);
            return nullptr;
        }
        return buf;
    }
    // No locale: each character keeps its low 8 bits.
    size_t n = wcslen(text);
    char *buf = static_cast<char *>(calloc(n + 1, 1));
    if (!buf)
        return nullptr;
    for (size_t i = 0; i < n; ++i)
        buf[i] = static_cast<char>(static_cast<uint32_t>(text[i]) & 0xFF);
    char *result = strdup_local(buf);
    free(buf);
    return result;
}

wchar_t *NZIconv_LocaleToWide(const char *text)
{
    if (!text)
        return nullptr;
    size_t n = strlen(text);
    const char *locale = setlocale(LC_ALL, "");
    if (locale && *locale) {
        size_t need = mbstowcs(nullptr, text, 0);
        if (need == (size_t)-1 || need > n)
            return nullptr;
        wchar_t *buf = static_cast<wchar_t *>(calloc(need + 1, sizeof(wchar_t)));
        if (!buf)
            return nullptr;
        if (mbstowcs(buf, text, need + 1) == (size_t)-1 || !WideTextIsUnicode(buf, need)) {
            free(buf);
            return nullptr;
        }
        return buf;
    }
    // No locale: each byte becomes the character of the same value (0 to 255).
    wchar_t *buf = static_cast<wchar_t *>(calloc(n + 1, sizeof(wchar_t)));
    if (!buf)
        return nullptr;
    for (size_t i = 0; i < n; ++i)
        buf[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
    wchar_t *result = wcsdup_local(buf);
    free(buf);
    return result;
}

char *NZIconv_Utf8ToLocale(const char *text)
{
    wchar_t *wide = NZIconv_EncodingToWide(text, "UTF-8");
    if (!wide)
        return nullptr;
    char *result = NZIconv_WideToLocale(wide);
    free(wide);
    return result;
}
