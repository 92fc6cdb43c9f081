// Reference-counting registry of live objects: a fixed table of (pointer, count) slots
// under one lock. Lookups are linear scans; nothing allocates after construction.
#ifndef QUORVANE_PTRAUTODELETEMANAGER_H
#define QUORVANE_PTRAUTODELETEMANAGER_H

#include <cstdlib>
#include <mutex>

template <typename T>
class PtrAutoDeleteManager {
public:
    // Called for the object whose last reference went; the default deletes it.
    typedef void (*Destroyer)(T *);

    explicit PtrAutoDeleteManager(unsigned int capacity, Destroyer destroy = nullptr)
        : m_ptrs(static_cast<T **>(malloc(sizeof(T *) * (capacity ? capacity : 1)))),
          m_counts(static_cast<int *>(malloc(sizeof(int) * (capacity ? capacity : 1)))),
          m_capacity(capacity), m_destroy(destroy)
    {
        for (unsigned int i = 0; m_ptrs && i < m_capacity; ++i)
            m_ptrs[i] = nullptr;
        for (unsigned int i = 0; m_counts && i < m_capacity; ++i)
            m_counts[i] = 0;
    }

    ~PtrAutoDeleteManager()
    {
        free(m_ptrs);
        free(m_counts);
    }

    PtrAutoDeleteManager(const PtrAutoDeleteManager &) = delete;
    PtrAutoDeleteManager &operator=(const PtrAutoDeleteManager &) = delete;

    // Registers a new object with count 1 in the first free slot; false when full.
    bool InitPtr(T *p)
    {
        if (!p || !m_ptrs || !m_counts)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i) {
            if (!m_ptrs[i]) {
                m_ptrs[i] = p;
                m_counts[i] = 1;
                return true;
            }
        }
        return false;
    }

    // One more reference to a registered object; false when it is not registered.
    bool AddRef(T *p)
    {
        if (!p || !m_ptrs || !m_counts)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i) {
            if (m_ptrs[i] == p) {
                ++m_counts[i];
                return true;
            }
        }
        return false;
    }

    // Drops one reference; the last one frees the slot and destroys the object and
    // returns true. The slot is freed under the lock, so no AddRef can find the object
    // any more; the destruction itself runs after the lock is let go, because it waits
    // for threads that may be about to look an object up.
    bool Release(T *p)
    {
        if (!p || !m_ptrs || !m_counts)
            return false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            unsigned int i = 0;
            while (i < m_capacity && m_ptrs[i] != p)
                ++i;
            if (i == m_capacity || m_counts[i] <= 0)
                return false;
            if (--m_counts[i] > 0)
                return false;
            m_ptrs[i] = nullptr;
        }
        if (m_destroy)
            m_destroy(p);
        else
            delete p;
        return true;
    }

    // Whether the object is registered right now (diagnostics and tests).
    bool Contains(const T *p)
    {
        if (!p || !m_ptrs)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (unsigned int i = 0; i < m_capacity; ++i)
            if (m_ptrs[i] == p)
                return true;
        return false;
    }

    // Number of registered objects.
    unsigned int Count()
    {
        if (!m_ptrs)
            return 0;
        std::lock_guard<std::mutex> lock(m_mutex);
        unsigned int n = 0;
        for (unsigned int i = 0; i < m_capacity; ++i)
            if (m_ptrs[i])
                ++n;
        return n;
    }

    unsigned int Capacity() const { return m_capacity; }

private:
    T **m_ptrs;
    int *m_counts;
    unsigned int m_capacity;
    Destroyer m_destroy;
    std::mutex m_mutex;
};

#endif
