#include <gtest/gtest.h>

#include <atomic>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "ports/NZUtils.h"
#include "support/TestUtil.h"

using quorvane_test::WaitFor;

TEST(Utils, ClockMillisecondsFollowMicroseconds)
{
    const int64_t us = NZIOTimeStamp::GetSysTimeMicros();
    const int64_t ms = NZIOTimeStamp::GetSysTimeMs();
    EXPECT_GE(ms, us / 1000);
    EXPECT_LE(ms - us / 1000, 1000);
    EXPECT_GT(ms, 1600000000000LL);
}

TEST(Utils, SleepOfZeroOrLessReturnsAtOnce)
{
    const int64_t start = NZUtils_MonotonicMs();
    NZIOSleep::SleepMs(0);
    NZIOSleep::SleepMs(-5);
    NZUtils_SleepMs(-2147483647 - 1);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 200);
    NZIOSleep::SleepMs(5);
    EXPECT_GE(NZUtils_MonotonicMs() - start, 5);
}

TEST(Utils, SecondsTimerRoundsUpToWholeSeconds)
{
    NZSecondsTimer zero(0);
    EXPECT_TRUE(WaitFor([&] { return zero.IsUp(); }, 100));
    NZSecondsTimer one(1);
    NZIOSleep::SleepMs(100);
    EXPECT_FALSE(one.IsUp());
    NZSecondsTimer huge(4294967295u); // no 32-bit wrap to a tiny limit
    EXPECT_FALSE(huge.IsUp());
}

static void bump(void *arg)
{
    static_cast<std::atomic<int> *>(arg)->fetch_add(1);
}

TEST(Utils, StartThreadRunsDetachedFunction)
{
    std::atomic<int> counter(0);
    ASSERT_TRUE(NZIOThread::StartThread(bump, &counter));
    EXPECT_TRUE(WaitFor([&] { return counter.load() == 1; }, 2000));
    EXPECT_FALSE(NZIOThread::StartThread(nullptr, &counter));
}

TEST(Utils, CopiesOfNullAndEmptyStrings)
{
    EXPECT_EQ(nullptr, NZStringUtils::nzutils_strdup_local(nullptr));
    EXPECT_EQ(nullptr, NZStringUtils::nzutils_wcsdup_local(nullptr));
    EXPECT_EQ(nullptr, NZStringUtils::nzutils_wcstombs_local(nullptr));
    EXPECT_EQ(nullptr, NZStringUtils::nzutils_mbstowcs_local(nullptr));
    char *a = NZStringUtils::nzutils_strdup_local("abc");
    EXPECT_STREQ("abc", a);
    free(a);
    wchar_t *w = NZStringUtils::nzutils_wcsdup_local(L"x\u4e2d");
    EXPECT_EQ(0, wcscmp(L"x\u4e2d", w));
    free(w);
}

// The locale conversions set the process locale from the environment: run them in a child.
static int convertInLocale(const char *locale, const wchar_t *in, const char *expect)
{
    setenv("LC_ALL", locale, 1);
    char *out = NZStringUtils::nzutils_wcstombs_local(in);
    const bool ok = out && strcmp(out, expect) == 0;
    free(out);
    return ok ? 0 : 1;
}

TEST(UtilsDeathTest, WideToNarrowWithoutUsableLocaleKeepsLowBytes)
{
    EXPECT_EXIT(exit(convertInLocale("no_such_locale.XYZ", L"A\u00e9\u4e2d", "A\xe9\x2d")),
                ::testing::ExitedWithCode(0), "");
}

TEST(UtilsDeathTest, WideToNarrowEmptyAndAscii)
{
    EXPECT_EXIT(exit(convertInLocale("C.UTF-8", L"", "")), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(exit(convertInLocale("C.UTF-8", L"abc\u00e9", "abc\xc3\xa9")), ::testing::ExitedWithCode(0), "");
    // A character above U+10FFFF ends the text like any the locale cannot hold.
    EXPECT_EXIT(exit(convertInLocale("C.UTF-8", L"a\x110000" L"b", "a")), ::testing::ExitedWithCode(0), "");
}

static int narrowToWide(const char *locale, const char *in, const wchar_t *expect)
{
    setenv("LC_ALL", locale, 1);
    wchar_t *out = NZStringUtils::nzutils_mbstowcs_local(in);
    const bool ok = out && wcscmp(out, expect) == 0;
    free(out);
    return ok ? 0 : 1;
}

TEST(UtilsDeathTest, NarrowToWide)
{
    EXPECT_EXIT(exit(narrowToWide("C.UTF-8", "abc", L"abc")), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(exit(narrowToWide("C.UTF-8", "a\xF4\x90\x80\x80" "b", L"a")), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(exit(narrowToWide("no_such_locale.XYZ", "a\xe9", L"a\u00e9")), ::testing::ExitedWithCode(0), "");
}
