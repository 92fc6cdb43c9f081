// Conversions between wide text (wchar_t) and the multibyte encodings printers
// expect, through iconv (explicit encodings) or the process locale. Every result is
// a new malloc'ed, zero-terminated buffer that the caller frees, or null on failure.
// The library's exported iconv_* functions forward to these.
#ifndef QUORVANE_PRINTER_ICONVUTILS_H
#define QUORVANE_PRINTER_ICONVUTILS_H

#include <cwchar>

// Wide text to `encoding` (an iconv name such as "UTF-8" or "GBK"), and back.
char *NZIconv_WideToEncoding(const wchar_t *text, const char *encoding);
wchar_t *NZIconv_EncodingToWide(const char *text, const char *encoding);
// Wide text to the environment locale's multibyte encoding, and back; with no
// locale each character keeps its low 8 bits (and each byte becomes a character).
char *NZIconv_WideToLocale(const wchar_t *text);
wchar_t *NZIconv_LocaleToWide(const char *text);
// UTF-8 text to the locale's encoding.
char *NZIconv_Utf8ToLocale(const char *text);

#endif
