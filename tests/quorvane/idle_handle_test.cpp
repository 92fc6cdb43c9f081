// Idle connections are lean: receive rings and package buffers come with use, so a handle
// that only sends holds a few kilobytes; its unopened ports read nothing and fail cleanly.
#include <gtest/gtest.h>

#include <malloc.h>
#include <vector>

#include "quorvane/HandleGuard.h"
#include "quorvane/IOHandle.h"
#include "quorvane/quorvane.h"
#include "support/TestUtil.h"

TEST(IdleHandle, HundredMemoryConnectionsTakeUnderThreeMegabytes)
{
#ifdef QUORVANE_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizer's allocator keeps its own counts";
#else
    const size_t before = mallinfo2().uordblks;
    std::vector<CP_Handle> handles;
    for (int i = 0; i < 100; ++i)
        handles.push_back(CP_Port_OpenMemoryBuffer(1024));
    const size_t after = mallinfo2().uordblks;
    for (CP_Handle h : handles) {
        ASSERT_NE(nullptr, h);
        CP_Port_Close(h);
    }
    EXPECT_LT(after - before, 3u << 20);
#endif
}

TEST(IdleHandle, UnopenedPortsOfAHandleReadNothing)
{
    CP_Handle handle = CP_Port_OpenMemoryBuffer(64);
    ASSERT_NE(nullptr, handle);
    {
        HandleGuard h(handle);
        ASSERT_TRUE(h);
        NZThreadIO *ports[] = {&h->m_comIO, &h->m_usbIO, &h->m_tcpIO, &h->m_lptIO, &h->m_btSppIO};
        unsigned char buf[8];
        for (NZThreadIO *p : ports) {
            EXPECT_EQ(0u, p->AvailableInRing());
            EXPECT_EQ(-1, p->Read(buf, sizeof buf, 10));
            p->SkipAvailable();
        }
    }
    unsigned char buf[8];
    EXPECT_EQ(0, CP_Port_Available(handle));
    EXPECT_EQ(0, CP_Port_Read(handle, buf, sizeof buf, 20));
    EXPECT_EQ(1, CP_Port_SkipAvailable(handle));
    CP_Port_Close(handle);
}
