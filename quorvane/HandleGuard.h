// The handle rule, in one place. Every function that takes a connection handle starts
//
//     HandleGuard h(handle);
//     if (!h)
//         return <failure value>;      // null or unregistered handle: nothing is touched
//     ... h->m_posPrinter ...            // the handle cannot be destroyed meanwhile
//
// The guard takes one registry reference when it is built and gives it back when it goes
// out of scope; the release that drops the last reference destroys the handle.
#ifndef QUORVANE_HANDLEGUARD_H
#define QUORVANE_HANDLEGUARD_H

#include "quorvane/IOHandle.h"

class HandleGuard {
public:
    explicit HandleGuard(const void *handle)
        : m_handle(static_cast<IOHandle *>(const_cast<void *>(handle)))
    {
        if (m_handle && !ptrs.AddRef(m_handle))
            m_handle = nullptr;
    }

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
