// The edge of the C interface, in one place. No C++ exception may reach a C caller, so
// every exported function runs its body as
//
//     return AtBoundary(<failure value>, [&] { ... });     // or AtBoundary([&] { ... }) for void
//
// either itself or through a per-file helper that does (WithHandle and the like). Whatever
// the body throws (above all std::bad_alloc when memory runs out) ends here and the caller
// gets the function's failure value, the one it returns for bad input. What the body
// allocated is held by owning types, so the unwinding frees it, and a HandleGuard taken in
// the body gives its reference back on the way out. tests/check_boundary.sh checks that
// every exported function starts this way.
//
// The one exception let through is the unwinding of a cancelled thread (pthread_cancel),
// which must go on to the thread's end. Each entry is of one of two kinds towards it:
//
// - Entries that wait on the printer (writes and the commands that write, reads, status
//   queries, print-result waits, protocol and settings requests) are cancellation points.
//   They run as AtBoundary(failure, body), and everything they allocate or count is held
//   by owning types and guards, so a cancelled thread releases it as it unwinds.
// - Entries that change what the process holds (opens, closes, searches, provisioning,
//   callback lists, device lists) run as AtBoundary(DeferCancel, failure, body): the
//   whole body with the cancel held off, so a descriptor, thread or registration is
//   never left half made or half given back. Their own time-outs bound them; a cancel
//   that arrives meanwhile takes effect at the caller's next cancellation point after
//   the call, and the call's result reaches the caller.
#ifndef QUORVANE_BOUNDARY_H
#define QUORVANE_BOUNDARY_H

#include <cxxabi.h>

#include <type_traits>
#include <utility>

#include "ports/NZUtils.h"

namespace quorvane_detail {
template <typename T>
struct Same {
    typedef T type;
};
} // namespace quorvane_detail

// Returns body(), or failure when body throws; the result type is body's.
template <typename Body, typename R = std::invoke_result_t<Body &>>
R AtBoundary(typename quorvane_detail::Same<R>::type failure, Body &&body)
{
    try {
        return body();
    } catch (abi::__forced_unwind &) {
        throw;
    } catch (...) {
        return failure;
    }
}

// For functions without a result: a body that throws has no effect beyond what it did
// before the throw.
template <typename Body>
void AtBoundary(Body &&body)
{
    try {
        body();
    } catch (abi::__forced_unwind &) {
        throw;
    } catch (...) {
    }
}

// Marks the entries that defer a cancel to their end.
struct DeferCancelTag {
};
constexpr DeferCancelTag DeferCancel{};

template <typename Body, typename R = std::invoke_result_t<Body &>>
R AtBoundary(DeferCancelTag, typename quorvane_detail::Same<R>::type failure, Body &&body)
{
    NZCancelDeferral deferral;
    return AtBoundary(failure, std::forward<Body>(body));
}

template <typename Body>
void AtBoundary(DeferCancelTag, Body &&body)
{
    NZCancelDeferral deferral;
    AtBoundary(std::forward<Body>(body));
}

#endif
