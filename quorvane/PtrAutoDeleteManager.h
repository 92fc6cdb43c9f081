// Reference-counting registry of live objects: a fixed table of (object, handle value,
// count) slots under one lock. Lookups are linear scans; nothing allocates after
// construction.
//
// Applications never see the objects' addresses. Each registration gets a handle value of
// its own, drawn from a counter that only grows: a new object allocated where a destroyed
// one lived still gets a value no earlier object had, so a value kept after its object
// went is refused for good instead of reaching the new one. Values are odd (an object's
// address never is), non-null, and never handed out twice; once the counter runs out,
// registrations fail rather than reuse a value.
#ifndef QUORVANE_PTRAUTODELETEMANAGER_H
#define QUORVANE_PTRAUTODELETEMANAGER_H

#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "ports/NZUtils.h"

template <typename T>
class PtrAutoDeleteManager {
public:
    // Called for the object whose last reference went; the default deletes it.
    typedef void (*Destroyer)(T *);

    explicit PtrAutoDeleteManager(unsigned int capacity, Destroyer destroy = nullptr)
        : m_slots(static_cast<Slot *>(malloc(sizeof(Slot) * (capacity ? capacity : 1)))), m_capacity(capacity),
          m_lastValue(kNoValue), m_destroy(destroy)
    {
        for (unsigned int i = 0; m_slots && i < m_capacity; ++i)
            m_slots[i] = Slot{nullptr, kNoValue, 0, false};
    }

    ~PtrAutoDeleteManager() { free(m_slots); }

    PtrAutoDeleteManager(const PtrAutoDeleteManager &) = delete;
    PtrAutoDeleteManager &operator=(const PtrAutoDeleteManager &) = delete;

    // Registers a new object with count 1 in the first free slot and returns its handle
    // value; null when the table is full (or the object is null). With valueField, the
    // value is also stored in the object before any lookup can find it.
    void *InitPtr(T *p, void *T::*valueField = nullptr)
    {
        if (!p || !m_slots)
            return nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i) {
            if (m_slots[i].object)
                continue;
            if (m_lastValue > UINTPTR_MAX - 2)
                return nullptr; // every value was given out once
            m_lastValue = m_lastValue == kNoValue ? 1 : m_lastValue + 2;
            m_slots[i] = Slot{p, m_lastValue, 1, false};
            if (valueField)
                p->*valueField = reinterpret_cast<void *>(m_lastValue);
            return reinterpret_cast<void *>(m_lastValue);
        }
        return nullptr;
    }

    // Whether a lookup also finds an object whose close has begun (MarkClosing).
    enum Lookup { OpenOnly, EvenClosing };

    // One more reference to the object a handle value stands for; that object, or null
    // when the value is not registered (null, destroyed or foreign) or, for OpenOnly, when
    // the object's close has begun.
    T *AddRef(const void *handle, Lookup lookup = OpenOnly)
    {
        const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
        if (value == kNoValue || !m_slots)
            return nullptr;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i) {
            if (m_slots[i].object && m_slots[i].value == value) {
                if (m_slots[i].closing && lookup == OpenOnly)
                    return nullptr;
                ++m_slots[i].count;
                return m_slots[i].object;
            }
        }
        return nullptr;
    }

    // Marks an object the caller holds a reference to as closing: OpenOnly lookups no
    // longer find it, while the references already taken stay until released. True for
    // the call that marked it, false when it was marked already (or is not registered).
    bool MarkClosing(T *p)
    {
        if (!p || !m_slots)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i) {
            if (m_slots[i].object == p) {
                if (m_slots[i].closing)
                    return false;
                m_slots[i].closing = true;
                return true;
            }
        }
        return false;
    }

    // Drops one reference to an object the caller holds a reference to; the last one frees
    // the slot and destroys the object and returns true. The slot is freed under the lock,
    // so no AddRef can find the object any more; the destruction itself runs after the
    // lock is let go, because it waits for threads that may be about to look one up. It
    // runs with a cancel held off: the last reference may go in a call that waits on the
    // printer, and a cancel acting inside a destructor would end the process.
    bool Release(T *p)
    {
        if (!p || !m_slots)
            return false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            unsigned int i = 0;
            while (i < m_capacity && m_slots[i].object != p)
                ++i;
            if (i == m_capacity || m_slots[i].count <= 0)
                return false;
            if (--m_slots[i].count > 0)
                return false;
            m_slots[i] = Slot{nullptr, kNoValue, 0, false};
        }
        NZCancelDeferral deferral;
        if (m_destroy)
            m_destroy(p);
        else
            delete p;
        return true;
    }

    // Whether a handle value is registered right now, closing or not (diagnostics and tests).
    bool Contains(const void *handle)
    {
        const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
        if (value == kNoValue || !m_slots)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i)
            if (m_slots[i].object && m_slots[i].value == value)
                return true;
        return false;
    }

    // Number of registered objects.
    unsigned int Count()
    {
        if (!m_slots)
            return 0;
        std::lock_guard<std::mutex> lock(m_mutex);
        unsigned int n = 0;
        for (unsigned int i = 0; i < m_capacity; ++i)
            if (m_slots[i].object)
                ++n;
        return n;
    }

    unsigned int Capacity() const { return m_capacity; }

private:
    static constexpr uintptr_t kNoValue = 0;

    struct Slot {
        T *object; // null: free
        uintptr_t value;
        int count;
        bool closing; // the object's close has begun
    };

    Slot *m_slots;
    unsigned int m_capacity;
    uintptr_t m_lastValue; // the last value given out; the next is 2 more
    Destroyer m_destroy;
    std::mutex m_mutex;
};

#endif
