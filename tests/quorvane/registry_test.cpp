// Registry of live objects: counts, the last release, a full table, and the handle guard.
#include <gtest/gtest.h>

#include <set>

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
    void *value = reg.InitPtr(a);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(reg.AddRef(value), a);
    // Once marked closing, plain lookups refuse the value; references already taken stay,
    // and lookups for the library's own threads still find it.
    EXPECT_TRUE(reg.MarkClosing(a));
    EXPECT_FALSE(reg.MarkClosing(a));
    EXPECT_EQ(reg.AddRef(value), nullptr);
    EXPECT_TRUE(reg.Contains(value));
    EXPECT_EQ(reg.AddRef(value, PtrAutoDeleteManager<Counted>::EvenClosing), a);
    EXPECT_FALSE(reg.Release(a)); // count 3 -> 2
    EXPECT_FALSE(reg.Release(a)); // count 2 -> 1: still alive
    EXPECT_EQ(Counted::alive, 1);
    EXPECT_TRUE(reg.Release(a)); // 1 -> 0: destroyed
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_EQ(reg.AddRef(value), nullptr);
    EXPECT_FALSE(reg.Contains(value));
}

// Only values the registry gave out, while their object lives, resolve: never the
// object's own address, null, or a value nobody was given.
TEST(Registry, OnlyLiveValuesResolve)
{
    PtrAutoDeleteManager<Counted> reg(2);
    Counted *a = new Counted;
    void *value = reg.InitPtr(a);
    ASSERT_NE(value, nullptr);
    const struct {
        const char *name;
        const void *handle;
    } refused[] = {
        {"null", nullptr},
        {"the object's address", a},
        {"next value", static_cast<const char *>(value) + 2},
        {"even value", static_cast<const char *>(value) + 1},
    };
    for (const auto &row : refused) {
        EXPECT_EQ(reg.AddRef(row.handle), nullptr) << row.name;
        EXPECT_FALSE(reg.Contains(row.handle)) << row.name;
    }
    EXPECT_EQ(reg.InitPtr(nullptr), nullptr);
    EXPECT_FALSE(reg.Release(nullptr));
    Counted *never = new Counted;
    EXPECT_FALSE(reg.Release(never));
    delete never;
    EXPECT_TRUE(reg.Release(a));
}

TEST(Registry, FullTableAndSlotReuse)
{
    PtrAutoDeleteManager<Counted> reg(2);
    Counted *a = new Counted, *b = new Counted, *c = new Counted;
    void *va = reg.InitPtr(a);
    void *vb = reg.InitPtr(b);
    EXPECT_NE(va, nullptr);
    EXPECT_NE(vb, nullptr);
    EXPECT_EQ(reg.InitPtr(c), nullptr);
    EXPECT_EQ(reg.Count(), 2u);
    EXPECT_TRUE(reg.Release(a));
    // The freed slot takes the next object under a value of its own.
    void *vc = reg.InitPtr(c);
    EXPECT_NE(vc, nullptr);
    EXPECT_NE(vc, va);
    EXPECT_EQ(reg.AddRef(va), nullptr);
    EXPECT_TRUE(reg.Release(b));
    EXPECT_TRUE(reg.Release(c));
    EXPECT_EQ(Counted::alive, 0);
}

// Objects allocated over and over at the address of the one just destroyed still get a
// value no earlier object had, and every earlier value stays refused.
TEST(Registry, ValuesAreNeverReused)
{
    PtrAutoDeleteManager<Counted> reg(1);
    std::set<void *> seen;
    for (int i = 0; i < 10000; ++i) {
        Counted *p = new Counted;
        void *value = reg.InitPtr(p);
        ASSERT_NE(value, nullptr);
        ASSERT_TRUE(seen.insert(value).second) << "value repeated at cycle " << i;
        ASSERT_TRUE(reg.Release(p));
    }
    for (void *value : seen)
        ASSERT_EQ(reg.AddRef(value), nullptr);
}

TEST(Registry, CustomDestroyerRunsOnce)
{
    static int destroyed = 0;
    PtrAutoDeleteManager<Counted> reg(1, [](Counted *p) {
        ++destroyed;
        delete p;
    });
    Counted *a = new Counted;
    void *value = reg.InitPtr(a);
    reg.AddRef(value);
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
    EXPECT_EQ(h.m_handleValue, nullptr);
}

TEST(HandleGuard, TakesAndGivesBackOneReference)
{
    IOHandle *h = new IOHandle;
    CP_Handle value = ptrs.InitPtr(h, &IOHandle::m_handleValue);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(h->m_handleValue, value);
    {
        HandleGuard g(value);
        ASSERT_TRUE(static_cast<bool>(g));
        EXPECT_EQ(g.get(), h);
        // Dropping the open reference inside a call leaves the handle alive until the
        // call's own reference goes.
        EXPECT_FALSE(ptrs.Release(h));
        EXPECT_TRUE(ptrs.Contains(value));
    }
    EXPECT_FALSE(ptrs.Contains(value));
    HandleGuard stale(value);
    EXPECT_FALSE(static_cast<bool>(stale));
    HandleGuard none(nullptr);
    EXPECT_FALSE(static_cast<bool>(none));
}

} // namespace
