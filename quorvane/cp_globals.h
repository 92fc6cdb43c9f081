// The event-callback lists built at load (see cp_globals.cpp).
#ifndef QUORVANE_CP_GLOBALS_H
#define QUORVANE_CP_GLOBALS_H

#include "quorvane/cp_events.h"

extern NZEventStructList<PortOpenedEventStruct> &m_PortOpenedEventStructList;
extern NZEventStructList<PortOpenFailedEventStruct> &m_PortOpenFailedEventStructList;
extern NZEventStructList<PortClosedEventStruct> &m_PortClosedEventStructList;
extern NZEventStructList<PortWrittenEventStruct> &m_PortWrittenEventStructList;
extern NZEventStructList<PortReceivedEventStruct> &m_PortReceivedEventStructList;
extern NZEventStructList<PrinterStatusEventStruct> &m_PrinterStatusEventStructList;
extern NZEventStructList<PrinterReceivedEventStruct> &m_PrinterReceivedEventStructList;
extern NZEventStructList<PrinterPrintedEventStruct> &m_PrinterPrintedEventStructList;

#endif
