#include <gtest/gtest.h>
#include "quorvane/quorvane.h"

TEST(Library, VersionText)
{
    EXPECT_STREQ("1.0.7.20210419", CP_Library_Version());
}
