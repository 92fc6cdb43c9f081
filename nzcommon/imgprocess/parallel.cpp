#include "nzcommon/imgprocess/parallel.h"

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include <sched.h>

namespace {

std::atomic<int> g_override{0};

// The cores this process may run on.
int Cores()
{
    static const int cores = [] {
        int n = 0;
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) == 0)
            n = CPU_COUNT(&set);
        if (n <= 0)
            n = static_cast<int>(std::thread::hardware_concurrency());
        return n < 1 ? 1 : n;
    }();
    return cores;
}

int DefaultThreads()
{
    static const int threads = [] {
        const char *env = getenv("QUORVANE_THREADS");
        if (env && *env) {
            char *end = nullptr;
            long n = strtol(env, &end, 10);
            if (end && *end == '\0' && n >= 1)
                return n > 256 ? 256 : static_cast<int>(n);
        }
        // Beyond four threads the work of one picture gains little, and on a busy machine
        // every extra thread is one more to wait for.
        return Cores() > 4 ? 4 : Cores();
    }();
    return threads;
}

// Threads at imaging work in the whole process: the callers of the parallel calls under
// way and their helpers. Helpers are started only while this stays within the cores (or
// the threads one call may use, when that is more), so callers on many threads at once
// each work alone instead of crowding the cores with helpers.
std::atomic<int> g_busy{0};

} // namespace

int NZPar_Threads()
{
    const int forced = g_override.load(std::memory_order_relaxed);
    return forced > 0 ? forced : DefaultThreads();
}

void NZPar_SetThreads(int threads)
{
    g_override.store(threads > 0 ? threads : 0, std::memory_order_relaxed);
}

NZParShare::NZParShare(int want)
{
    if (want <= 0)
        return;
    const int budget = Cores() > NZPar_Threads() ? Cores() : NZPar_Threads();
    int busy = g_busy.load(std::memory_order_relaxed);
    int granted;
    do {
        const int spare = budget - busy - 1;
        granted = want < spare ? want : (spare > 0 ? spare : 0);
    } while (!g_busy.compare_exchange_weak(busy, busy + 1 + granted, std::memory_order_relaxed));
    m_claimed = 1 + granted;
}

NZParShare::~NZParShare()
{
    if (m_claimed > 0)
        g_busy.fetch_sub(m_claimed, std::memory_order_relaxed);
}

void NZParShare::Return(int helpers)
{
    if (helpers <= 0)
        return;
    if (helpers > m_claimed - 1)
        helpers = m_claimed - 1;
    g_busy.fetch_sub(helpers, std::memory_order_relaxed);
    m_claimed -= helpers;
}

bool NZPar_For(int count, int grain, const std::function<void(int, int)> &body)
{
    if (count <= 0)
        return true;
    if (grain < 1)
        grain = 1;
    const int blocks = (count - 1) / grain + 1;
    int threads = NZPar_Threads();
    if (threads > blocks)
        threads = blocks;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (;;) {
            const int b = next.fetch_add(1, std::memory_order_relaxed);
            if (b >= blocks || failed.load(std::memory_order_relaxed))
                return;
            const int begin = b * grain;
            try {
                body(begin, count - begin < grain ? count : begin + grain);
            } catch (...) {
                failed.store(true);
            }
        }
    };
    NZParShare share(threads - 1);
    if (share.Helpers() == 0) {
        work();
        return !failed.load();
    }
    std::vector<std::thread> helpers;
    try {
        helpers.reserve(static_cast<size_t>(share.Helpers()));
        for (int t = 0; t < share.Helpers(); ++t)
            helpers.emplace_back(work);
    } catch (...) {
        // the threads that started, and the caller, share the blocks
        share.Return(share.Helpers() - static_cast<int>(helpers.size()));
    }
    work();
    for (std::thread &t : helpers)
        t.join();
    return !failed.load();
}

namespace {

int AheadHelpers(int helpers, int blocks)
{
    const int threads = NZPar_Threads() - 1;
    const int most = helpers < threads ? helpers : threads;
    return most < blocks - 1 ? most : blocks - 1;
}

} // namespace

NZParAhead::NZParAhead(int count, int grain, int helpers, std::function<void(int, int)> body)
    : m_count(count > 0 ? count : 0), m_grain(grain > 0 ? grain : 1),
      m_blocks(m_count > 0 ? (m_count - 1) / m_grain + 1 : 0), m_body(std::move(body)),
      m_done(new std::atomic<unsigned char>[static_cast<size_t>(m_blocks > 0 ? m_blocks : 1)]),
      m_share(AheadHelpers(helpers, m_blocks))
{
    for (int b = 0; b < m_blocks; ++b)
        m_done[b].store(0, std::memory_order_relaxed);
    try {
        m_helpers.reserve(static_cast<size_t>(m_share.Helpers()));
        for (int t = 0; t < m_share.Helpers(); ++t)
            m_helpers.emplace_back([this] {
                while (RunNext()) {
                }
            });
    } catch (...) {
        m_share.Return(m_share.Helpers() - static_cast<int>(m_helpers.size()));
    }
}

NZParAhead::~NZParAhead()
{
    Stop();
}

void NZParAhead::Stop()
{
    // Blocks nobody waits for are still claimed by the helpers; let them finish.
    for (std::thread &t : m_helpers)
        t.join();
    m_helpers.clear();
}

bool NZParAhead::RunNext()
{
    const int b = m_next.fetch_add(1, std::memory_order_relaxed);
    if (b >= m_blocks)
        return false;
    const int begin = b * m_grain;
    if (!m_failed.load(std::memory_order_relaxed)) {
        try {
            m_body(begin, m_count - begin < m_grain ? m_count : begin + m_grain);
        } catch (...) {
            m_failed.store(true);
        }
    }
    m_done[b].store(1, std::memory_order_release);
    return true;
}

bool NZParAhead::Wait(int item)
{
    if (item < 0 || item >= m_count)
        return !m_failed.load();
    const int b = item / m_grain;
    while (!m_done[b].load(std::memory_order_acquire)) {
        if (m_next.load(std::memory_order_relaxed) <= b)
            RunNext();
        else
            std::this_thread::yield();
    }
    return !m_failed.load();
}
