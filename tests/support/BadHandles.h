// The handles every C-interface entry must refuse with its failure value: null, the
// address of something that is no handle, heap memory that is no handle, and a handle
// already closed.
#ifndef QUORVANE_TESTS_SUPPORT_BADHANDLES_H
#define QUORVANE_TESTS_SUPPORT_BADHANDLES_H

#include <string>
#include <vector>

#include "quorvane/quorvane.h"

namespace quorvane_test {

class BadHandles {
public:
    struct Bad {
        const char *what;
        CP_Handle handle;
    };

    BadHandles();
    ~BadHandles();
    BadHandles(const BadHandles &) = delete;
    BadHandles &operator=(const BadHandles &) = delete;

    const std::vector<Bad> &All() const { return m_all; }
    // The stand-in objects are left as they were (nothing wrote through them).
    bool Untouched() const;

private:
    int m_notAHandle;
    void *m_heap;
    std::vector<Bad> m_all;
};

} // namespace quorvane_test

#endif
