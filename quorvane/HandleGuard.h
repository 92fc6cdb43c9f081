// The handle rule, in one place. Every function that takes a connection handle starts
//
//     HandleGuard h(handle);
//     if (!h)
//         return <failure value>;      // null or unregistered handle: nothing is touched
//     ... h->m_posPrinter ...            // the handle cannot be destroyed meanwhile
//
// The guard resolves the handle value through the registry and takes one reference when it
// is built, and gives it back when it goes out of scope; the release that drops the last
// reference destroys the handle. A value whose connection is gone resolves to nothing,
// even when a later connection lives at the same address.
#ifndef QUORVANE_HANDLEGUARD_H
#define QUORVANE_HANDLEGUARD_H

#include "quorvane/IOHandle.h"

class HandleGuard {
public:
    explicit HandleGuard(const void *handle) : m_handle(ptrs.AddRef(handle)) {}

    ~HandleGuard()
    {
        if (m_handle)
            ptrs.Release(m_handle);
    }

    HandleGuard(const HandleGuard &) = delete;
    HandleGuard &operator=(const HandleGuard &) = delete;

    explicit operator bool() const { return m_handle != nullptr; }
    IOHandle *operator->() const { return m_handle; }
    IOHandle *get() const { return m_handle; }

private:
    IOHandle *m_handle;
};

#endif
