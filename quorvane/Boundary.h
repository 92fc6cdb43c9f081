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
// which must go on to the thread's end.
#ifndef QUORVANE_BOUNDARY_H
#define QUORVANE_BOUNDARY_H

#include <cxxabi.h>

#include <type_traits>

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

#endif
