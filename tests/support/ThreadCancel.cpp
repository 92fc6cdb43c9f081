#include "support/ThreadCancel.h"

#include <pthread.h>
#include <time.h>
#include <unistd.h>

namespace quorvane_test {

CancelOutcome CancelAndJoin(void *(*fn)(void *), void *arg, int delayUs, int joinLimitMs,
                            const std::function<void()> &afterCancel)
{
    CancelOutcome out;
    pthread_t worker;
    if (pthread_create(&worker, nullptr, fn, arg) != 0)
        return out;
    out.started = true;
    if (delayUs >= 0) {
        if (delayUs > 0)
            usleep(static_cast<useconds_t>(delayUs));
        pthread_cancel(worker);
    }
    if (afterCancel)
        afterCancel();
    timespec until;
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_sec += joinLimitMs / 1000;
    until.tv_nsec += static_cast<long>(joinLimitMs % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    void *result = nullptr;
    out.joined = pthread_timedjoin_np(worker, &result, &until) == 0;
    out.cancelled = out.joined && result == PTHREAD_CANCELED;
    return out;
}

} // namespace quorvane_test
