// The library's load-time globals, built in this order: the handle registry, then the
// eight event-callback lists. They live on the heap and are never freed: threads that
// are still running at unload (callback threads, port threads) never find them gone.
#include "quorvane/IOHandle.h"
#include "quorvane/cp_globals.h"

PtrAutoDeleteManager<IOHandle> &ptrs = *new PtrAutoDeleteManager<IOHandle>(100, &IOHandle::Destroy);

NZEventStructList<PortOpenedEventStruct> &m_PortOpenedEventStructList =
    *new NZEventStructList<PortOpenedEventStruct>;
NZEventStructList<PortOpenFailedEventStruct> &m_PortOpenFailedEventStructList =
    *new NZEventStructList<PortOpenFailedEventStruct>;
NZEventStructList<PortClosedEventStruct> &m_PortClosedEventStructList =
    *new NZEventStructList<PortClosedEventStruct>;
NZEventStructList<PortWrittenEventStruct> &m_PortWrittenEventStructList =
    *new NZEventStructList<PortWrittenEventStruct>;
NZEventStructList<PortReceivedEventStruct> &m_PortReceivedEventStructList =
    *new NZEventStructList<PortReceivedEventStruct>;
NZEventStructList<PrinterStatusEventStruct> &m_PrinterStatusEventStructList =
    *new NZEventStructList<PrinterStatusEventStruct>;
NZEventStructList<PrinterReceivedEventStruct> &m_PrinterReceivedEventStructList =
    *new NZEventStructList<PrinterReceivedEventStruct>;
NZEventStructList<PrinterPrintedEventStruct> &m_PrinterPrintedEventStructList =
    *new NZEventStructList<PrinterPrintedEventStruct>;
