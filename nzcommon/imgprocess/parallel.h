// Independent imaging work (rows, bands) split over the cores for the duration of one call.
// Extra threads are started by the call and joined before it returns; none outlives it.
// The threads at such work share one budget in the whole process, about the cores it may
// run on: a call that finds it spent does its work on the caller's thread alone.
#ifndef NZCOMMON_IMGPROCESS_PARALLEL_H
#define NZCOMMON_IMGPROCESS_PARALLEL_H

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "ports/NZUtils.h"

// Threads one imaging call may use, the caller's included: the environment variable
// QUORVANE_THREADS when it holds a number of 1 or more (1 keeps every path serial), else
// the cores this process may run on, at most four. A call gets fewer while the budget below
// is in use by others.
int NZPar_Threads();

// Overrides the number above for the whole process (tests and benchmarks compare the
// serial and the parallel paths); 0 returns to the environment and the cores.
void NZPar_SetThreads(int threads);

// A share of the process-wide budget, which keeps the threads at imaging work (callers in a
// parallel call and their helpers) within the cores this process may run on, or within
// NZPar_Threads() when that is more: the caller's own place and up to `want` helpers, as
// many as the budget has spare (none when it is spent; nothing is claimed when want <= 0).
// Given back when destroyed; helpers that could not be started are given back at once.
// Every parallel section holds one, and while it lives the caller's thread cannot be
// cancelled: a pthread_cancel that arrives meanwhile (the join of the helpers is a
// cancellation point) takes effect at the caller's next cancellation point after the
// section, instead of unwinding past helpers that still use the caller's stack.
class NZParShare {
public:
    explicit NZParShare(int want);
    ~NZParShare();
    NZParShare(const NZParShare &) = delete;
    NZParShare &operator=(const NZParShare &) = delete;

    int Helpers() const { return m_claimed > 0 ? m_claimed - 1 : 0; }
    void Return(int helpers);

private:
    NZCancelDeferral m_deferral; // made first, ended last: held for the share's whole life
    int m_claimed = 0;
};

// Calls body(begin, end) for consecutive blocks of at most `grain` items covering
// [0, count), each block exactly once, on the caller and on up to NZPar_Threads() - 1
// threads of its own (never more than there are blocks, nor than the budget has free).
// Blocks run in any order and at the same time, so body must only touch what its block
// owns. When a thread cannot be started the work is shared by those that did start. False
// when a block threw (memory ran out): the work is then incomplete and the caller fails.
bool NZPar_For(int count, int grain, const std::function<void(int begin, int end)> &body);

// Work handed over in order while the caller goes on: blocks of `grain` items of
// [0, count) are done in increasing order by up to `helpers` threads of its own (fewer
// when NZPar_Threads() is smaller or the budget has fewer free), and Wait(item) returns once the block holding the item
// is done. A caller that finds no block under way does the next one itself, so the work
// also completes without helpers. The destructor joins the helpers.
class NZParAhead {
public:
    NZParAhead(int count, int grain, int helpers, std::function<void(int begin, int end)> body);
    ~NZParAhead();
    NZParAhead(const NZParAhead &) = delete;
    NZParAhead &operator=(const NZParAhead &) = delete;

    // False when a block threw.
    bool Wait(int item);

private:
    bool RunNext(); // claims and does the next block; false when none is left
    void Stop();

    const int m_count, m_grain, m_blocks;
    std::function<void(int, int)> m_body;
    std::unique_ptr<std::atomic<unsigned char>[]> m_done;
    std::atomic<int> m_next{0};
    std::atomic<bool> m_failed{false};
    NZParShare m_share; // given back after the destructor joined the helpers
    std::vector<std::thread> m_helpers;
};

#endif
