// The eight global event-callback lists. Each kind keeps its registrations in order
// under its own lock, which is held while the kind's callbacks run: callbacks of one
// kind never run at the same time, and must not register or remove callbacks of their
// own kind.
#ifndef QUORVANE_CP_EVENTS_H
#define QUORVANE_CP_EVENTS_H

#include <list>
#include <mutex>

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

template <typename Record>
class NZEventStructList {
public:
    typedef decltype(Record::callback) Callback;

    // Appends (callback, user) unless the callback is null or already registered (the user
    // pointer is not compared).
    bool Add(Callback callback, void *user)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Record &r : m_list)
            if (r.callback == callback)
                return false;
        if (!callback)
            return false;
        m_list.push_back(Record(callback, user));
        return true;
    }

    // Erases the first registration of the callback.
    bool Remove(Callback callback)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (auto it = m_list.begin(); it != m_list.end(); ++it) {
            if (it->callback == callback) {
                m_list.erase(it);
                return true;
            }
        }
        return false;
    }

    // Runs every callback in registration order with the event's arguments and its user
    // pointer, holding the list lock throughout.
    template <typename... Args>
    void Call(Args... args)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Record &r : m_list)
            if (r.callback)
                r.callback(args..., r.user);
    }

private:
    std::mutex m_mutex;
    std::list<Record> m_list;
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
