#include "ports/NZUtils.h"

#include <cxxabi.h>
#include <pthread.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <sys/time.h>

int64_t NZIOTimeStamp::GetSysTimeMicros()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<int64_t>(tv.tv_sec) * 1000000 + static_cast<int64_t>(tv.tv_usec);
}

int64_t NZIOTimeStamp::GetSysTimeMs()
{
    return GetSysTimeMicros() / 1000;
}

int64_t NZUtils_GetSysTimeMicros() { return NZIOTimeStamp::GetSysTimeMicros(); }
int64_t NZUtils_GetSysTimeMs() { return NZIOTimeStamp::GetSysTimeMs(); }

int64_t NZUtils_MonotonicMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

NZSecondsTimer::NZSecondsTimer(unsigned int timeoutMs)
    : m_startMs(NZUtils_MonotonicMs()),
      m_limitMs(static_cast<int64_t>((static_cast<uint64_t>(timeoutMs) + 999) / 1000) * 1000)
{
}

bool NZSecondsTimer::IsUp() const
{
    return NZUtils_MonotonicMs() - m_startMs > m_limitMs;
}

NZMsTimer::NZMsTimer(uint64_t timeoutMs)
{
    const int64_t now = NZUtils_MonotonicMs();
    const uint64_t room = static_cast<uint64_t>(INT64_MAX - now);
    m_deadlineMs = timeoutMs >= room ? INT64_MAX : now + static_cast<int64_t>(timeoutMs);
}

bool NZMsTimer::IsUp() const
{
    return NZUtils_MonotonicMs() >= m_deadlineMs;
}

namespace {
std::atomic<int> g_longestWaitMs{INT_MAX};
}

void NZUtils_SetLongestWaitMs(int ms) { g_longestWaitMs.store(ms > 0 ? ms : INT_MAX, std::memory_order_relaxed); }

int NZMsTimer::RemainingMs() const
{
    const int64_t left = m_deadlineMs - NZUtils_MonotonicMs();
    if (left <= 0)
        return 0;
    const int longest = g_longestWaitMs.load(std::memory_order_relaxed);
    return left > longest ? longest : static_cast<int>(left);
}

void NZIOSleep::SleepMs(int ms)
{
    if (ms <= 0)
        return;
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

void NZUtils_SleepMs(int ms) { NZIOSleep::SleepMs(ms); }

NZCancelDeferral::NZCancelDeferral() : m_state(PTHREAD_CANCEL_ENABLE)
{
    pthread_setcancelstate(PTHREAD_CANCEL_DISABLE, &m_state);
}

NZCancelDeferral::~NZCancelDeferral() { pthread_setcancelstate(m_state, nullptr); }

namespace {
struct ThreadStartRecord {
    void (*fn)(void *);
    void *arg;
};
}

void *NZIOThread::ThreadRoutine(void *record)
{
    ThreadStartRecord *r = static_cast<ThreadStartRecord *>(record);
    // Nothing a thread body throws may end the process: the rest of its work is dropped.
    // The unwinding of a cancelled thread goes on.
    try {
        r->fn(r->arg);
    } catch (abi::__forced_unwind &) {
        free(r);
        throw;
    } catch (...) {
    }
    free(r);
    return nullptr;
}

static void *nzThreadEntry(void *record)
{
    return NZIOThread::ThreadRoutine(record);
}

bool NZIOThread::StartThread(void (*fn)(void *), void *arg)
{
    if (!fn)
        return false;
    ThreadStartRecord *r = static_cast<ThreadStartRecord *>(malloc(sizeof(ThreadStartRecord)));
    if (!r)
        return false;
    r->fn = fn;
    r->arg = arg;
    pthread_attr_t attr;
    if (pthread_attr_init(&attr) != 0) {
        free(r);
        return false;
    }
    pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
    pthread_t tid;
    const int rc = pthread_create(&tid, &attr, nzThreadEntry, r);
    pthread_attr_destroy(&attr);
    if (rc != 0) {
        free(r);
        return false;
    }
    return true;
}

char *NZStringUtils::nzutils_strdup_local(const char *s)
{
    if (!s)
        return nullptr;
    const size_t n = strlen(s);
    char *copy = static_cast<char *>(calloc(n + 1, 1));
    if (!copy)
        return nullptr;
    memcpy(copy, s, n);
    return copy;
}

wchar_t *NZStringUtils::nzutils_wcsdup_local(const wchar_t *s)
{
    if (!s)
        return nullptr;
    const size_t n = wcslen(s);
    wchar_t *copy = static_cast<wchar_t *>(calloc(n + 1, sizeof(wchar_t)));
    if (!copy)
        return nullptr;
    memcpy(copy, s, n * sizeof(wchar_t));
    return copy;
}

// The process locale is set from the environment on every conversion; serialise our own
// users of it so two conversions never interleave their setlocale and conversion.
static std::mutex &localeMutex()
{
    static std::mutex m;
    return m;
}

char *NZStringUtils::nzutils_wcstombs_local(const wchar_t *s)
{
    if (!s)
        return nullptr;
    const size_t n = wcslen(s);
    const size_t size = (n + 1) * 4;
    char *work = static_cast<char *>(calloc(size, 1));
    if (!work)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(localeMutex());
        const char *loc = setlocale(LC_ALL, "");
        if (loc && *loc) {
            // A character the locale cannot hold ends the text; what came before it stays.
            mbstate_t st;
            memset(&st, 0, sizeof st);
            char *out = work;
            size_t room = size - 1;
            char tmp[MB_LEN_MAX];
            for (size_t i = 0; i < n; ++i) {
                // Above U+10FFFF the C library would still write 5- and 6-byte sequences.
                if (static_cast<uint32_t>(s[i]) > 0x10FFFF)
                    break;
                const size_t k = wcrtomb(tmp, s[i], &st);
                if (k == static_cast<size_t>(-1) || k > room)
                    break;
                memcpy(out, tmp, k);
                out += k;
                room -= k;
            }
        } else {
            for (size_t i = 0; i < n; ++i)
                work[i] = static_cast<char>(s[i] & 0xFF);
        }
    }
    char *result = nzutils_strdup_local(work);
    free(work);
    return result;
}

wchar_t *NZStringUtils::nzutils_mbstowcs_local(const char *s)
{
    if (!s)
        return nullptr;
    const size_t n = strlen(s);
    wchar_t *work = static_cast<wchar_t *>(calloc(n + 1, sizeof(wchar_t)));
    if (!work)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(localeMutex());
        const char *loc = setlocale(LC_ALL, "");
        if (loc && *loc) {
            mbstate_t st;
            memset(&st, 0, sizeof st);
            const char *in = s;
            size_t left = n;
            size_t count = 0;
            while (left > 0) {
                wchar_t wc;
                const size_t k = mbrtowc(&wc, in, left, &st);
                if (k == static_cast<size_t>(-1) || k == static_cast<size_t>(-2) || k == 0 ||
                    static_cast<uint32_t>(wc) > 0x10FFFF)
                    break;
                work[count++] = wc;
                in += k;
                left -= k;
            }
        } else {
            for (size_t i = 0; i < n; ++i)
                work[i] = static_cast<wchar_t>(static_cast<unsigned char>(s[i]));
        }
    }
    wchar_t *result = nzutils_wcsdup_local(work);
    free(work);
    return result;
}
