#include "nzcommon/imgprocess/parallel.h"

#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

#include <sched.h>

namespace {

std::atomic<int> g_override{0};

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
        int cores = 0;
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) == 0)
            cores = CPU_COUNT(&set);
        if (cores <= 0)
            cores = static_cast<int>(std::thread::hardware_concurrency());
        return cores < 1 ? 1 : (cores > 4 ? 4 : cores);
    }();
    return threads;
}

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
    if (threads <= 1) {
        work();
        return !failed.load();
    }
    std::vector<std::thread> helpers;
    helpers.reserve(static_cast<size_t>(threads - 1));
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (...) {
            break; // the threads that started, and the caller, share the blocks
        }
    }
    work();
    for (std::thread &t : helpers)
        t.join();
    return !failed.load();
}

NZParAhead::NZParAhead(int count, int grain, int helpers, std::function<void(int, int)> body)
    : m_count(count > 0 ? count : 0), m_grain(grain > 0 ? grain : 1),
      m_blocks(m_count > 0 ? (m_count - 1) / m_grain + 1 : 0), m_body(std::move(body)),
      m_done(new std::atomic<unsigned char>[static_cast<size_t>(m_blocks > 0 ? m_blocks : 1)])
{
    for (int b = 0; b < m_blocks; ++b)
        m_done[b].store(0, std::memory_order_relaxed);
    int threads = NZPar_Threads() - 1;
    if (threads > helpers)
        threads = helpers;
    if (threads > m_blocks - 1)
        threads = m_blocks - 1;
    for (int t = 0; t < threads; ++t) {
        try {
            m_helpers.emplace_back([this] {
                while (RunNext()) {
                }
            });
        } catch (...) {
            break;
        }
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
