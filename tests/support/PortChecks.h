// Checks on the state every port keeps.
#ifndef QUORVANE_TESTS_SUPPORT_PORTCHECKS_H
#define QUORVANE_TESTS_SUPPORT_PORTCHECKS_H

#include <gtest/gtest.h>

#include "ports/NZIOBase.h"

namespace quorvane_test {

// A port that is not open carries no stale flag: not opened, invalid, unreadable,
// unwritable or cancelled either way.
inline void ExpectAllFlagsClear(NZIOBase &p)
{
    EXPECT_FALSE(p.IsOpened());
    EXPECT_FALSE(p.IsInvalid());
    EXPECT_FALSE(p.IsUnreadable());
    EXPECT_FALSE(p.IsUnwritable());
    EXPECT_FALSE(p.IsCancelRead());
    EXPECT_FALSE(p.IsCancelWrite());
}

} // namespace quorvane_test

#endif
