// The exported text conversions: thin C forms of the command writers' converters.
#include "printer/iconvutils.h"
#include "quorvane/Boundary.h"
#include "quorvane/quorvane.h"

extern "C" CP_API char *iconv_wcstombs(const wchar_t *text, const char *encoding)
{
    return AtBoundary(nullptr, [&]() -> char * {
        return NZIconv_WideToEncoding(text, encoding);
    });
}

extern "C" CP_API wchar_t *iconv_mbstowcs(const char *text, const char *encoding)
{
    return AtBoundary(nullptr, [&]() -> wchar_t * {
        return NZIconv_EncodingToWide(text, encoding);
    });
}

extern "C" CP_API char *iconv_wcstolocalmbs(const wchar_t *text)
{
    return AtBoundary(nullptr, [&]() -> char * {
        return NZIconv_WideToLocale(text);
    });
}

extern "C" CP_API wchar_t *iconv_localmbstowcs(const char *text)
{
    return AtBoundary(nullptr, [&]() -> wchar_t * {
        return NZIconv_LocaleToWide(text);
    });
}

extern "C" CP_API char *iconv_utftolocalmbs(const char *text)
{
    return AtBoundary(nullptr, [&]() -> char * {
        return NZIconv_Utf8ToLocale(text);
    });
}
