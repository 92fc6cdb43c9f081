// Internal connection functions: opening, initialising and closing connections, the
// receive and write hooks, and the small printer writes used during the open and by the
// status queries. All take the handle value the registry gave (never an IOHandle*; the
// port hooks carry that value too, so a hook raised after its connection went resolves to
// nothing) and follow the handle rule (quorvane/HandleGuard.h).
#ifndef QUORVANE_CP_CONNECTION_H
#define QUORVANE_CP_CONNECTION_H

#include "quorvane/IOHandle.h"

// Port hooks (receive_path.cpp), with the handle as user pointer. The received hook splits auto-reply frames
// from data, queues protocol packages and raises the printer and received callbacks.
void Port_ReadedEvent(const unsigned char *data, unsigned int length, void *handle);
void Port_WritedEvent(const unsigned char *data, unsigned int length, void *handle);

// Internal opens: the value of a new registered handle, or null. None raises open or
// close events.
CP_Handle Port_OpenCom(const char *name, unsigned int baudrate, CP_ComDataBits dataBits, CP_ComParity parity,
                       CP_ComStopBits stopBits, CP_ComFlowControl flowControl, unsigned int autoReply);
CP_Handle Port_OpenUsb(const char *name, unsigned int autoReply);
CP_Handle Port_OpenLpt(const char *path);
CP_Handle Port_OpenFile(const char *path);
CP_Handle Port_OpenMem(unsigned int size);
CP_Handle Port_OpenTcp(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs,
                       unsigned int autoReply);
CP_Handle Port_OpenUdp(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort);
CP_Handle Port_OpenBtSpp(const char *address, unsigned int autoReply);
CP_Handle Port_OpenBtBle(const char *address, unsigned int autoReply);
CP_Handle Port_OpenBtBleProtoV2(const char *address, unsigned int autoReply);
CP_Handle Port_OpenBtBleProtoV3(const char *address, unsigned int autoReply);

// Binds the port to the receive path and the command writers and, when asked for at the
// open, brings the printer into auto-reply mode.
bool Port_Initialize(void *handle);
bool Port_IsOpened(void *handle);

// Single writes on the current port; true when every byte was written.
bool Printer_ClearPrinterBuffer(void *handle, unsigned int timeoutMs);      // 10 05 FF 01 02
bool Printer_SendTestPackage(void *handle, unsigned int timeoutMs);         // device probe package
bool Printer_EnableAutoReplyMode(void *handle, unsigned int timeoutMs);     // 1D 61 FF
bool Printer_SendRTQueryPackage_1234(void *handle, unsigned int timeoutMs); // 10 04 01 ... 10 04 04
bool Printer_SendRTQueryPackage_n(void *handle, unsigned char n, unsigned int timeoutMs); // 10 04 n

// Closed hook of the exported opens: runs the PortClosed callbacks and closes the handle
// on a thread of its own, which holds a registry reference for its whole run. That
// thread marks the handle closing first, so a close the device loss began is not
// followed by one of the application's.
void Port_ClosedEventOnChildThread(void *handle);
// The close of a connection whose close has begun, by a caller holding a reference:
// closes the port, waits for a close the device loss started, and drops the open
// reference if no earlier close did.
void Port_FinishClose(IOHandle *h);
// Runs the PortOpened callbacks (handle not null) or PortOpenFailed (null) on a thread of
// its own; returns once that thread runs. A handle given comes with a registry reference
// of its own, which the event thread gives back.
void Port_OpenFinishedEventOnChildThread(IOHandle *handle, const char *name);

#endif
