// Clocks, sleeps, detached threads and string copies shared by every layer.
#ifndef QUORVANE_PORTS_NZUTILS_H
#define QUORVANE_PORTS_NZUTILS_H

#include <cstdint>
#include <cstdlib>
#include <cwchar>

// Wall clock from the time of day (follows changes of the system time): for timestamps.
class NZIOTimeStamp {
public:
    static int64_t GetSysTimeMicros();
    static int64_t GetSysTimeMs();
};

int64_t NZUtils_GetSysTimeMicros();
int64_t NZUtils_GetSysTimeMs();

// Monotonic milliseconds: the one clock every wait and time-out measures with.
int64_t NZUtils_MonotonicMs();

// A time limit counted in whole seconds: a limit of N ms becomes ceil(N / 1000) seconds,
// and the time is up once more than that many seconds have passed since construction.
class NZSecondsTimer {
public:
    explicit NZSecondsTimer(unsigned int timeoutMs);
    bool IsUp() const;

private:
    int64_t m_startMs;
    int64_t m_limitMs;
};

// A time limit in exact milliseconds on the monotonic clock.
class NZMsTimer {
public:
    explicit NZMsTimer(uint64_t timeoutMs);
    bool IsUp() const;
    // Milliseconds left (0 when up) for one poll(): clipped to the longest single wait
    // (INT_MAX), so a longer time-out is waited out in several polls until IsUp().
    int RemainingMs() const;

private:
    int64_t m_deadlineMs;
};

// Sets the longest single wait RemainingMs hands out (0: back to INT_MAX). Tests lower it
// to see that time-outs longer than one poll are waited out whole.
void NZUtils_SetLongestWaitMs(int ms);

class NZIOSleep {
public:
    // Sleeps ms milliseconds; 0 or less returns at once.
    static void SleepMs(int ms);
};

void NZUtils_SleepMs(int ms);

// Holds off pthread_cancel for its lifetime and puts the thread's own setting back at its
// end: a cancel that arrives meanwhile takes effect at the thread's next cancellation
// point after the scope. Work that changes what the process holds (descriptors, threads,
// registrations) or shares the caller's stack with helper threads runs inside one, so a
// cancel never leaves it half done.
class NZCancelDeferral {
public:
    NZCancelDeferral();
    ~NZCancelDeferral();
    NZCancelDeferral(const NZCancelDeferral &) = delete;
    NZCancelDeferral &operator=(const NZCancelDeferral &) = delete;

private:
    int m_state; // the caller's cancel state
};

class NZIOThread {
public:
    // Starts fn(arg) on a detached thread; false when the thread could not be created
    // (then fn never runs).
    static bool StartThread(void (*fn)(void *), void *arg);
    static void *ThreadRoutine(void *record);
};

// Heap copies and locale conversions; every result is malloc'ed, null for null input.
class NZStringUtils {
public:
    static char *nzutils_strdup_local(const char *s);
    static wchar_t *nzutils_wcsdup_local(const wchar_t *s);
    static char *nzutils_wcstombs_local(const wchar_t *s);
    static wchar_t *nzutils_mbstowcs_local(const char *s);
};

// Deleter for malloc'ed blocks held by std::unique_ptr: the block is freed when its owner
// goes out of scope, also when a cancelled thread unwinds past it.
struct NZFree {
    void operator()(void *p) const { free(p); }
};

#endif
