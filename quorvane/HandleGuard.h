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
// even when a later connection lives at the same address; so does a value whose close has
// begun (the application's or the device loss's), for every call made with the value.
// Only the library's own port hooks, which run while a close finishes, pass EvenClosing.
#ifndef QUORVANE_HANDLEGUARD_H
#define QUORVANE_HANDLEGUARD_H

#include "quorvane/IOHandle.h"

class HandleGuard {
public:
    typedef PtrAutoDeleteManager<IOHandle>::Lookup Lookup;
    static constexpr Lookup EvenClosing = PtrAutoDeleteManager<IOHandle>::EvenClosing;

    explicit HandleGuard(const void *handle, Lookup lookup = PtrAutoDeleteManager<IOHandle>::OpenOnly)
        : m_handle(ptrs.AddRef(handle, lookup))
    {
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
