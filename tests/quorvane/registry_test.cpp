// Registry of live objects: counts, the last release, a full table, and the handle guard.
#include <gtest/gtest.h>

#include "quorvane/HandleGuard.h"
#include "quorvane/PtrAutoDeleteManager.h"

namespace {

struct Counted {
    static int alive;
    Counted() { ++alive; }
    ~Counted() { --alive; }
};
int Counted::alive = 0;

TEST(Registry, CountsAndLastRelease)
{
    PtrAutoDeleteManager<Counted> reg(3);
    Counted *a = new Counted;
    ASSERT_TRUE(reg.InitPtr(a));
    EXPECT_TRUE(reg.AddRef(a));
    EXPECT_FALSE(reg.Release(a)); // count 2 -> 1: still alive
    EXPECT_EQ(Counted::alive, 1);
    EXPECT_TRUE(reg.Release(a)); // 1 -> 0: destroyed
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_FALSE(reg.AddRef(a));
    EXPECT_FALSE(reg.Release(a));
    EXPECT_FALSE(reg.Contains(a));
}

TEST(Registry, NullAndUnknownPointersAreRefused)
{
    PtrAutoDeleteManager<Counted> reg(2);
    Counted *never = new Counted;
    EXPECT_FALSE(reg.InitPtr(nullptr));
    EXPECT_FALSE(reg.AddRef(nullptr));
    EXPECT_FALSE(reg.Release(nullptr));
    EXPECT_FALSE(reg.AddRef(never));
    EXPECT_FALSE(reg.Release(never));
    delete never;
}

TEST(Registry, FullTableAndSlotReuse)
{
    PtrAutoDeleteManager<Counted> reg(2);
    Counted *a = new Counted, *b = new Counted, *c = new Counted;
    EXPECT_TRUE(reg.InitPtr(a));
    EXPECT_TRUE(reg.InitPtr(b));
    EXPECT_FALSE(reg.InitPtr(c));
    EXPECT_EQ(reg.Count(), 2u);
    EXPECT_TRUE(reg.Release(a));
    EXPECT_TRUE(reg.InitPtr(c));
    EXPECT_TRUE(reg.Release(b));
    EXPECT_TRUE(reg.Release(c));
    EXPECT_EQ(Counted::alive, 0);
}

TEST(Registry, CustomDestroyerRunsOnce)
{
    static int destroyed = 0;
    PtrAutoDeleteManager<Counted> reg(1, [](Counted *p) {
        ++destroyed;
        delete p;
    });
    Counted *a = new Counted;
    reg.InitPtr(a);
    reg.AddRef(a);
    reg.Release(a);
    EXPECT_EQ(destroyed, 0);
    reg.Release(a);
    EXPECT_EQ(destroyed, 1);
}

TEST(Registry, FreshHandleDefaults)
{
    IOHandle h;
    EXPECT_EQ(h.m_currentPort, nullptr);
    EXPECT_EQ(h.m_autoReplyRequested, 0u);
    EXPECT_EQ(h.m_minStatusWord, 2u);
    EXPECT_EQ(h.m_autoReplyTries, 6u);
    EXPECT_EQ(h.m_autoReplyTryTimeMs, 1000u);
    EXPECT_EQ(h.m_statusValidityMs, 6000u);
    EXPECT_EQ(h.m_printResultCounter.load(), 0u);
    EXPECT_EQ(h.m_openParams.portType, 0u);
    EXPECT_FALSE(h.m_workEnabled.load());
    EXPECT_TRUE(h.m_rxBuffer.IsEmpty());
}

TEST(HandleGuard, TakesAndGivesBackOneReference)
{
    IOHandle *h = new IOHandle;
    ASSERT_TRUE(ptrs.InitPtr(h));
    {
        HandleGuard g(h);
        ASSERT_TRUE(static_cast<bool>(g));
        EXPECT_EQ(g.get(), h);
        // Dropping the open reference inside a call leaves the handle alive until the
        // call's own reference goes.
        EXPECT_FALSE(ptrs.Release(h));
        EXPECT_TRUE(ptrs.Contains(h));
    }
    EXPECT_FALSE(ptrs.Contains(h));
    HandleGuard stale(h);
    EXPECT_FALSE(static_cast<bool>(stale));
    HandleGuard none(nullptr);
    EXPECT_FALSE(static_cast<bool>(none));
}

} // namespace
