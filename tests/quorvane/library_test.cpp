#include <gtest/gtest.h>

#include <cstdlib>

#include "quorvane/quorvane.h"

TEST(Library, VersionText)
{
    EXPECT_STREQ("1.0.7.20210419", CP_Library_Version());
}

// The exported conversions reach the command writers' converters (their own tables
// live with the converters); a null argument fails.
TEST(Library, ExportedTextConversionsForward)
{
    char *utf8 = iconv_wcstombs(L"\u4e2d", "UTF-8");
    ASSERT_NE(nullptr, utf8);
    EXPECT_STREQ("\xE4\xB8\xAD", utf8);
    wchar_t *wide = iconv_mbstowcs(utf8, "UTF-8");
    ASSERT_NE(nullptr, wide);
    EXPECT_STREQ(L"\u4e2d", wide);
    free(wide);
    free(utf8);
    EXPECT_EQ(nullptr, iconv_wcstombs(nullptr, "UTF-8"));
    EXPECT_EQ(nullptr, iconv_mbstowcs("a", nullptr));
    EXPECT_EQ(nullptr, iconv_wcstolocalmbs(nullptr));
    EXPECT_EQ(nullptr, iconv_localmbstowcs(nullptr));
    EXPECT_EQ(nullptr, iconv_utftolocalmbs(nullptr));
}
