// The eight global event-callback lists. Each kind keeps its registrations in order
// under its own lock. Callbacks run on a snapshot of the list, with no lock held, so they
// may run at the same time on different threads and may call back into the library.
#ifndef QUORVANE_CP_EVENTS_H
#define QUORVANE_CP_EVENTS_H

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <vector>

#include "quorvane/quorvane.h"

#define QUORVANE_EVENT_STRUCT(Name, Fn)                                                            \
    struct Name {                                                                                 \
        Fn callback;                                                                              \
        void *user;                                                                               \
        Name() : callback(nullptr), user(nullptr) {}                                              \
        Name(Fn c, void *u) : callback(c), user(u) {}                                             \
    };

QUORVANE_EVENT_STRUCT(PortOpenedEventStruct, CP_OnPortOpenedEvent)
QUORVANE_EVENT_STRUCT(PortOpenFailedEventStruct, CP_OnPortOpenFailedEvent)
QUORVANE_EVENT_STRUCT(PortClosedEventStruct, CP_OnPortClosedEvent)
QUORVANE_EVENT_STRUCT(PortWrittenEventStruct, CP_OnPortWrittenEvent)
QUORVANE_EVENT_STRUCT(PortReceivedEventStruct, CP_OnPortReceivedEvent)
QUORVANE_EVENT_STRUCT(PrinterStatusEventStruct, CP_OnPrinterStatusEvent)
QUORVANE_EVENT_STRUCT(PrinterReceivedEventStruct, CP_OnPrinterReceivedEvent)
QUORVANE_EVENT_STRUCT(PrinterPrintedEventStruct, CP_OnPrinterPrintedEvent)
#undef QUORVANE_EVENT_STRUCT

// Depth of callback calls on the current thread: above 0 while a callback of any kind runs.
int &NZEventCallDepth();

template <typename Record>
class NZEventStructList {
public:
    typedef decltype(Record::callback) Callback;

    // Appends (callback, user) unless the callback is null or already registered (the user
    // pointer is not compared).
    bool Add(Callback callback, void *user)
    {
        if (!callback)
            return false;
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::shared_ptr<Entry> &e : m_list)
            if (e->record.callback == callback)
                return false;
        m_list.push_back(std::make_shared<Entry>(callback, user));
        return true;
    }

    // Erases the registration of the callback; no call of it starts afterwards. Outside
    // any callback this also waits until the calls of it running on other threads have
    // returned, so its user data may go as soon as this returns. Inside a callback it does
    // not wait: the call it would wait for may itself be waiting for this thread.
    bool Remove(Callback callback)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        for (auto it = m_list.begin(); it != m_list.end(); ++it) {
            if ((*it)->record.callback != callback)
                continue;
            std::shared_ptr<Entry> entry = *it;
            m_list.erase(it);
            entry->removed = true;
            if (NZEventCallDepth() == 0)
                m_idle.wait(lock, [&entry] { return entry->running == 0; });
            return true;
        }
        return false;
    }

    // Runs every callback registered when the event came, in registration order, with the
    // event's arguments and its user pointer. The list lock is held only to take the
    // snapshot and to mark each call's start and end, never while a callback runs: a
    // callback may call anything, including closing other connections, writing (which
    // raises this kind again) and adding or removing callbacks.
    template <typename... Args>
    void Call(Args... args)
    {
        std::vector<std::shared_ptr<Entry>> snapshot;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_list.empty())
                return;
            // Out of memory for the snapshot: this event is dropped, nothing else changes
            // (the calls run on event and read threads, where nothing may throw).
            try {
                snapshot.assign(m_list.begin(), m_list.end());
            } catch (...) {
                return;
            }
        }
        for (const std::shared_ptr<Entry> &entry : snapshot) {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (entry->removed)
                    continue;
                ++entry->running;
            }
            Running running(*this, *entry);
            entry->record.callback(args..., entry->record.user);
        }
    }

private:
    struct Entry {
        Entry(Callback callback, void *user) : record(callback, user), removed(false), running(0) {}
        const Record record;
        bool removed; // under m_mutex
        int running;  // calls in progress, under m_mutex
    };

    // One call of an entry in progress on this thread: counted in the entry and in the
    // thread's callback depth until it ends, also when it ends by the unwinding of a
    // cancelled thread (a callback on the caller's thread may reach a cancellation point).
    class Running {
    public:
        Running(NZEventStructList &list, Entry &entry) : m_list(list), m_entry(entry) { ++NZEventCallDepth(); }
        ~Running()
        {
            --NZEventCallDepth();
            std::lock_guard<std::mutex> lock(m_list.m_mutex);
            if (--m_entry.running == 0 && m_entry.removed)
                m_list.m_idle.notify_all();
        }
        Running(const Running &) = delete;
        Running &operator=(const Running &) = delete;

    private:
        NZEventStructList &m_list;
        Entry &m_entry;
    };

    std::mutex m_mutex;
    std::condition_variable m_idle;
    std::list<std::shared_ptr<Entry>> m_list;
};

// Internal add, remove and call functions of each kind.
bool AddPortOpenedEventToStructList(CP_OnPortOpenedEvent callback, void *user);
bool RemovePortOpenedEventFromStructList(CP_OnPortOpenedEvent callback);
void CallPortOpenedEventForStructList(void *handle, const char *name);

bool AddPortOpenFailedEventToStructList(CP_OnPortOpenFailedEvent callback, void *user);
bool RemovePortOpenFailedEventFromStructList(CP_OnPortOpenFailedEvent callback);
void CallPortOpenFailedEventForStructList(void *handle, const char *name);

bool AddPortClosedEventToStructList(CP_OnPortClosedEvent callback, void *user);
bool RemovePortClosedEventFromStructList(CP_OnPortClosedEvent callback);
void CallPortClosedEventForStructList(void *handle);

bool AddPortWrittenEventToStructList(CP_OnPortWrittenEvent callback, void *user);
bool RemovePortWrittenEventFromStructList(CP_OnPortWrittenEvent callback);
void CallPortWrittenEventForStructList(void *handle, const unsigned char *data, unsigned int length);

bool AddPortReceivedEventToStructList(CP_OnPortReceivedEvent callback, void *user);
bool RemovePortReceivedEventFromStructList(CP_OnPortReceivedEvent callback);
void CallPortReceivedEventForStructList(void *handle, const unsigned char *data, unsigned int length);

bool AddPrinterStatusEventToStructList(CP_OnPrinterStatusEvent callback, void *user);
bool RemovePrinterStatusEventFromStructList(CP_OnPrinterStatusEvent callback);
void CallPrinterStatusEventForStructList(void *handle, long long errorStatus, long long infoStatus);

bool AddPrinterReceivedEventToStructList(CP_OnPrinterReceivedEvent callback, void *user);
bool RemovePrinterReceivedEventFromStructList(CP_OnPrinterReceivedEvent callback);
void CallPrinterReceivedEventForStructList(void *handle, unsigned int count);

bool AddPrinterPrintedEventToStructList(CP_OnPrinterPrintedEvent callback, void *user);
bool RemovePrinterPrintedEventFromStructList(CP_OnPrinterPrintedEvent callback);
void CallPrinterPrintedEventForStructList(void *handle, unsigned int count);

#endif
