// Event registration: the internal add/remove/call functions of the eight kinds and
// their exported CP_Port_* / CP_Printer_* entries.
#include "quorvane/cp_events.h"
#include "quorvane/Boundary.h"
#include "quorvane/cp_globals.h"

int &NZEventCallDepth()
{
    thread_local int depth = 0;
    return depth;
}

#define QUORVANE_EVENT_FUNCTIONS(Kind, Family, Fn)                                                 \
    bool Add##Kind##EventToStructList(Fn callback, void *user)                                    \
    {                                                                                             \
        return m_##Kind##EventStructList.Add(callback, user);                                     \
    }                                                                                             \
    bool Remove##Kind##EventFromStructList(Fn callback)                                           \
    {                                                                                             \
        return m_##Kind##EventStructList.Remove(callback);                                        \
    }                                                                                             \
    extern "C" CP_API int CP_##Family##_AddOn##Kind##Event(Fn event, void *private_data)          \
    {                                                                                             \
        return AtBoundary(DeferCancel, 0, [&] { return Add##Kind##EventToStructList(event, private_data) ? 1 : 0; }); \
    }                                                                                             \
    extern "C" CP_API int CP_##Family##_RemoveOn##Kind##Event(Fn event)                           \
    {                                                                                             \
        return AtBoundary(DeferCancel, 0, [&] { return Remove##Kind##EventFromStructList(event) ? 1 : 0; });   \
    }

QUORVANE_EVENT_FUNCTIONS(PortOpened, Port, CP_OnPortOpenedEvent)
QUORVANE_EVENT_FUNCTIONS(PortOpenFailed, Port, CP_OnPortOpenFailedEvent)
QUORVANE_EVENT_FUNCTIONS(PortClosed, Port, CP_OnPortClosedEvent)
QUORVANE_EVENT_FUNCTIONS(PortWritten, Port, CP_OnPortWrittenEvent)
QUORVANE_EVENT_FUNCTIONS(PortReceived, Port, CP_OnPortReceivedEvent)
QUORVANE_EVENT_FUNCTIONS(PrinterStatus, Printer, CP_OnPrinterStatusEvent)
QUORVANE_EVENT_FUNCTIONS(PrinterReceived, Printer, CP_OnPrinterReceivedEvent)
QUORVANE_EVENT_FUNCTIONS(PrinterPrinted, Printer, CP_OnPrinterPrintedEvent)
#undef QUORVANE_EVENT_FUNCTIONS

void CallPortOpenedEventForStructList(void *handle, const char *name)
{
    m_PortOpenedEventStructList.Call(handle, name);
}

void CallPortOpenFailedEventForStructList(void *handle, const char *name)
{
    m_PortOpenFailedEventStructList.Call(handle, name);
}

void CallPortClosedEventForStructList(void *handle) { m_PortClosedEventStructList.Call(handle); }

void CallPortWrittenEventForStructList(void *handle, const unsigned char *data, unsigned int length)
{
    m_PortWrittenEventStructList.Call(handle, data, length);
}

void CallPortReceivedEventForStructList(void *handle, const unsigned char *data, unsigned int length)
{
    m_PortReceivedEventStructList.Call(handle, data, length);
}

void CallPrinterStatusEventForStructList(void *handle, long long errorStatus, long long infoStatus)
{
    m_PrinterStatusEventStructList.Call(handle, errorStatus, infoStatus);
}

void CallPrinterReceivedEventForStructList(void *handle, unsigned int count)
{
    m_PrinterReceivedEventStructList.Call(handle, count);
}

void CallPrinterPrintedEventForStructList(void *handle, unsigned int count)
{
    m_PrinterPrintedEventStructList.Call(handle, count);
}
