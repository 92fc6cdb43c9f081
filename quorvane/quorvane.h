/*
 * quorvane: drive thermal receipt and label printers.
 *
 * Plain C interface (C99 or C++). Build against the installed library with
 *     cc app.c $(pkg-config --cflags --libs quorvane)
 * or, in CMake, find_package(quorvane CONFIG REQUIRED) and link quorvane::quorvane;
 * then #include <quorvane.h>.
 *
 * Every function that works on a connection takes the opaque handle returned by a
 * CP_Port_Open* or CP_Proto_Open* call; a null or unknown handle makes the call return
 * its failure value at once. Unless stated otherwise, int results are 1 for success and
 * 0 for failure; reads and writes return a byte count or -1; buffers returned by the
 * library are freed by the caller with free(). Text is given as bytes (char *, sent as
 * they are, in the printer's current code page) or as wide text (wchar_t *, converted by
 * the call to the encoding its name says). No call lets a C++ exception out: when memory
 * runs out inside a call, it frees what it took and returns its failure value (a void
 * call then does nothing more); bytes a command had already written stay written. The
 * library's own threads likewise drop the event or received piece they could not handle.
 *
 * Blocking. Every call runs on the calling thread and returns when its work is done:
 * - Commands (CP_Pos_*, CP_Page_*, CP_Label_*, CP_BlackMark_*) return once their bytes
 *   are written. A printer that stops taking data holds them for up to the connection's
 *   write time-out, which is one hour (3600000 ms) unless CP_Port_SetDefaultWriteTimeout
 *   sets another (CP_Settings_* commands: 10 s). CP_Port_Write and CP_Port_Read* wait at
 *   most the time-out they are given. A write goes on until all its bytes are out or its
 *   time-out has passed, then returns what went out; a time-out of 0 is one attempt
 *   without waiting, on every connection type.
 * - Opens: CP_Port_OpenTcp waits for the connection up to its time-out; an open with
 *   auto-reply waits for the printer's first status, up to six tries of about a second.
 * - CP_Pos_QueryRTStatus and CP_Pos_QueryPrintResult wait for the printer's answer up to
 *   their time-out (the print result without auto-reply up to about twice that).
 * - CP_Proto_* requests wait up to tries x (write time-out + reply time-out + 100 ms);
 *   CP_Proto_StopAtBootBySenda has no time limit of its own.
 * - CP_Port_EnumNetPrinter, CP_Airkiss_ConfigWireless and CP_UDPBroadcast_* block until
 *   their time-out passes or they succeed or are stopped (*cancel, CP_Airkiss_CancelConfig).
 * Signals that reach a calling thread (timers, SIGCHLD, profilers), with SA_RESTART or
 * without, neither end a wait early nor cut a write short: each call waits out its own
 * time-out. Bytes a printer sends as a connection opens are kept for CP_Port_Read and the
 * callbacks.
 *
 * Threads. Calls on one handle from several threads are safe: the handle stays valid
 * until every call on it has returned, even when another thread closes it. Their writes
 * are not ordered against each other, though: commands sent from two threads at once
 * interleave on the wire, so send one receipt or label page from one thread (or
 * serialise the calls yourself). Only one thread at a time may read from a connection
 * (CP_Port_Read*, CP_Port_Available, CP_Pos_Query*, CP_Proto_* requests), as they take
 * their bytes from one receive buffer, and only one at a time may change or use the
 * settings that page mode remembers (the text and barcode settings marked "remembered",
 * CP_Page_*), as they are kept without a lock. Callbacks run on the library's threads:
 *   PortOpened / PortOpenFailed ...... a thread started by the open (it may still run
 *                                      when the open has returned)
 *   PortClosed ....................... a thread started by the close or by the lost device
 *   PortWritten ...................... the thread that wrote (inside the writing call)
 *   PortReceived, PrinterStatus,
 *   PrinterReceived, PrinterPrinted .. the connection's read thread
 *   LAN printer discovery ............ receive threads, while CP_Port_EnumNetPrinter runs
 * A thread that calls in may be cancelled (pthread_cancel), and nothing is left behind.
 * Calls that change what the process holds defer a cancel to their end: every open
 * (CP_Port_Open*, CP_Proto_Open*), CP_Port_Close, the device lists and searches
 * (CP_Port_Enum*), CP_Airkiss_ConfigWireless, CP_UDPBroadcast_* and adding or removing
 * callbacks run whole, within their own time-outs (end them early as usual: a shorter
 * time-out, *cancel, CP_Airkiss_CancelConfig), and a cancel that arrives meanwhile takes
 * effect at the thread's next cancellation point after the call, which has returned its
 * result. Calls that wait on the printer are cancellation points and release everything
 * they hold as the thread unwinds: writes and the commands that write, reads, status
 * queries, print-result waits, CP_Proto_* requests (CP_Proto_StopAtBootBySenda too) and
 * CP_Settings_*. Calls that convert pictures (CP_Image_*, and the commands that print
 * pictures or symbols from pixels or files) defer a cancel only while they convert: the
 * write that follows is a cancellation point. A PortWritten callback, which runs on the
 * writing thread, may reach a cancellation point of its own: the write then unwinds
 * cleanly as well, and removing that callback later returns.
 *
 * Diagnostics. The library keeps no log file and has no log level, but a few places print
 * one line each to standard output (stdout):
 * - the TCP and UDP transports, when a send or receive fails, when the printer closes its
 *   side, and when a close has to force the socket shut: the class and method, then what
 *   happened (with errno where the system gave one), as in
 *       NZTcpClientIO_linux socket_send: send error: 32
 *       NZTcpClientIO_linux socket_recv: recv 0. connection closed.
 *       NZTcpClientIO_linux BaseClose: force closesocket
 * - a USB open by vendor and product, the device it opens:
 *       OpenUsbVidPid /dev/usb/lp0 VID:0x0483,PID:0x5720
 * - the text conversions, when iconv cannot convert a text:
 *       iconv failed to convert str from WCHAR_T to GBK. errno 84
 * Nothing is printed on standard error. A program that keeps standard output for itself
 * can point it elsewhere (freopen, dup2) or run the library in a process of its own.
 *
 * Unloading. Once loaded, the library stays mapped until the process ends (dlclose does
 * not unload it): threads of its own, such as the one raising PortClosed, may still be
 * finishing after the call that started them has returned.
 */
#ifndef QUORVANE_H
#define QUORVANE_H

#include <stddef.h>
#include <wchar.h>

#if defined(QUORVANE_BUILDING_LIBRARY)
#define CP_API __attribute__((visibility("default")))
#else
#define CP_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque connection handle. */
typedef void *CP_Handle;

/* ---- Library ------------------------------------------------------------ */

/* The library's version text, a static string: "1.0.7.20210419", the version (the
 * one pkg-config --modversion and the CMake package report) and the build date. */
CP_API const char *CP_Library_Version(void);

/* ---- Port: opening and closing ------------------------------------------ */

/* Serial settings. */
typedef enum CP_ComDataBits {
    CP_ComDataBits_5 = 5,
    CP_ComDataBits_6 = 6,
    CP_ComDataBits_7 = 7,
    CP_ComDataBits_8 = 8
} CP_ComDataBits;

typedef enum CP_ComParity {
    CP_ComParity_NoParity = 0,
    CP_ComParity_OddParity = 1,
    CP_ComParity_EvenParity = 2
} CP_ComParity;

typedef enum CP_ComStopBits {
    CP_ComStopBits_One = 0,
    CP_ComStopBits_Two = 2
} CP_ComStopBits;

typedef enum CP_ComFlowControl {
    CP_ComFlowControl_None = 0,
    CP_ComFlowControl_XonXoff = 1,
    CP_ComFlowControl_RtsCts = 2
} CP_ComFlowControl;

/*
 * Every open returns a new handle, or NULL. Up to 100 connections can be open at once.
 * A handle value is never given to another connection: once its connection is closed (or
 * lost), every call with it returns the call's failure value and touches nothing.
 * The opens below (all but CP_Port_OpenMemoryBuffer) report the outcome to the
 * PortOpened or PortOpenFailed callbacks on a thread of their own, and run the
 * PortClosed callbacks on another thread when the port closes, also when the device is
 * lost (the handle is then closed and destroyed by the library).
 *
 * Auto-reply mode (autoreplymode nonzero): the open clears the printer's buffer
 * (10 05 FF 01 02, twice), sends a device probe package, then asks the printer to send
 * its status by itself with the automatic status back command GS a n (1D 61 FF); it
 * then waits up to 1 s for a status frame with a status word of at least 2. Six tries;
 * when none succeeds the open fails. Without auto-reply an open writes nothing.
 */

/* Serial port; with auto-reply no flow control is used, whatever is asked for. */
CP_API CP_Handle CP_Port_OpenCom(const char *name, int baudrate, CP_ComDataBits databits,
                                 CP_ComParity parity, CP_ComStopBits stopbits,
                                 CP_ComFlowControl flowcontrol, int autoreplymode);
/* USB printer: a device path, "VID:0x%04X,PID:0x%04X" or product/serial. */
CP_API CP_Handle CP_Port_OpenUsb(const char *name, int autoreplymode);
/* Parallel port device path (write only). */
CP_API CP_Handle CP_Port_OpenLpt(const char *name);
/* File; every write is appended to it. */
CP_API CP_Handle CP_Port_OpenFile(const char *path);
/* TCP client to the printer at dest_ip:dest_port (IPv4 text, e.g. "192.168.1.87"; most
 * network printers listen on 9100); local_ip (may be NULL or "") binds the local side.
 * The connect waits up to timeout ms (0: as long as the system lets it) and the open
 * fails when the printer has not accepted by then. */
CP_API CP_Handle CP_Port_OpenTcp(const char *local_ip, const char *dest_ip, unsigned short dest_port,
                                 unsigned int timeout, int autoreplymode);
/* Bluetooth SPP and BLE: not available on this platform; always NULL (PortOpenFailed runs). */
CP_API CP_Handle CP_Port_OpenBtSpp(const char *address, int autoreplymode);
CP_API CP_Handle CP_Port_OpenBtBle(const char *address, int autoreplymode);
CP_API CP_Handle CP_Port_OpenBtBleProtoV2(const char *address, int autoreplymode);
CP_API CP_Handle CP_Port_OpenBtBleProtoV3(const char *address, int autoreplymode);
/* Collects every write in a memory buffer of the given size; raises no open or close
 * events. */
CP_API CP_Handle CP_Port_OpenMemoryBuffer(unsigned int size);
/* Closes the connection and destroys the handle. 1 when the handle was known, else 0.
 * Only the first close of a connection drops it: once a close has begun (this call's,
 * or the library's own when the device was lost), a close with the handle returns 0 and
 * every other call its failure value, as after the close finished; the PortClosed
 * callbacks still get the handle value. Calling this from inside a callback
 * that runs on the connection's own read thread (received bytes, printer status, counts)
 * returns 0 and closes nothing. Called on another connection's read thread, it returns 1
 * at once and the close completes on a thread of its own. */
CP_API int CP_Port_Close(CP_Handle handle);

/* ---- Port: event callbacks ---------------------------------------------- */

/*
 * Callbacks are global: each one fires for every connection, with the handle first and
 * the user pointer given at registration last. Adding a callback that is already
 * registered (or NULL) returns 0; removing returns 1 when it was registered. Callbacks
 * run in the order they were added, with no library lock held: callbacks of one kind may
 * run at the same time on different threads (one per connection), and a callback may call
 * any function, including adding or removing callbacks and writing to, querying or
 * closing other connections. Received, status, received-count and printed-count
 * callbacks run on the connection's read thread and must not close that connection (the
 * close returns 0 there). A written callback that writes is called again for its own
 * write and must end that recursion itself.
 * Once a removal returns, the callback is not started again. A removal called outside
 * any callback also waits until the calls of that callback already running on other
 * threads have returned, so their user data may be freed right after it; a removal
 * called from inside a callback does not wait (that could deadlock), so such calls may
 * still be finishing.
 */
typedef void (*CP_OnPortOpenedEvent)(CP_Handle handle, const char *name, void *private_data);
typedef void (*CP_OnPortOpenFailedEvent)(CP_Handle handle, const char *name, void *private_data);
typedef void (*CP_OnPortClosedEvent)(CP_Handle handle, void *private_data);
typedef void (*CP_OnPortWrittenEvent)(CP_Handle handle, const unsigned char *buffer, unsigned int count,
                                      void *private_data);
typedef void (*CP_OnPortReceivedEvent)(CP_Handle handle, const unsigned char *buffer, unsigned int count,
                                       void *private_data);
typedef void (*CP_OnPrinterStatusEvent)(CP_Handle handle, long long printer_error_status,
                                        long long printer_info_status, void *private_data);
typedef void (*CP_OnPrinterReceivedEvent)(CP_Handle handle, unsigned int printer_received_byte_count,
                                          void *private_data);
typedef void (*CP_OnPrinterPrintedEvent)(CP_Handle handle, unsigned int printer_printed_page_id,
                                         void *private_data);

/* A connection opened (on a thread of its own). */
CP_API int CP_Port_AddOnPortOpenedEvent(CP_OnPortOpenedEvent event, void *private_data);
CP_API int CP_Port_RemoveOnPortOpenedEvent(CP_OnPortOpenedEvent event);
/* An open failed; the handle argument is NULL. */
CP_API int CP_Port_AddOnPortOpenFailedEvent(CP_OnPortOpenFailedEvent event, void *private_data);
CP_API int CP_Port_RemoveOnPortOpenFailedEvent(CP_OnPortOpenFailedEvent event);
/* A connection's port closed (by the application or because the device was lost). */
CP_API int CP_Port_AddOnPortClosedEvent(CP_OnPortClosedEvent event, void *private_data);
CP_API int CP_Port_RemoveOnPortClosedEvent(CP_OnPortClosedEvent event);
/* Bytes were written (on the writing thread). */
CP_API int CP_Port_AddOnPortWrittenEvent(CP_OnPortWrittenEvent event, void *private_data);
CP_API int CP_Port_RemoveOnPortWrittenEvent(CP_OnPortWrittenEvent event);
/* Bytes arrived, each chunk whole (on the read thread). */
CP_API int CP_Port_AddOnPortReceivedEvent(CP_OnPortReceivedEvent event, void *private_data);
CP_API int CP_Port_RemoveOnPortReceivedEvent(CP_OnPortReceivedEvent event);

/* ---- Port: reading, writing and enumerating ----------------------------- */

/* Device lists. Each writes NUL-terminated names end to end into buffer, with one more
 * NUL after the last name that fitted, stores the size the whole list needs in *needed
 * (when not NULL) and returns the number of names stored. Call with a NULL buffer and
 * size 0 to measure, then again with a buffer of that size to fill. */
/* Serial device nodes. */
CP_API int CP_Port_EnumCom(char *buffer, unsigned int size, unsigned int *needed);
/* Parallel port device nodes. */
CP_API int CP_Port_EnumLpt(char *buffer, unsigned int size, unsigned int *needed);
/* USB printers: "VID:0x%04X,PID:0x%04X" names first, then printer device nodes. */
CP_API int CP_Port_EnumUsb(char *buffer, unsigned int size, unsigned int *needed);

/* A printer answered the LAN search: the local address the query left from, the
 * printer's MAC "XX-XX-XX-XX-XX-XX", its address and name (its address when unnamed). */
typedef void (*CP_OnNetPrinterDiscovered)(const char *local_ip, const char *discovered_printer_mac,
                                          const char *discovered_printer_ip,
                                          const char *discovered_printer_name, const void *private_data);
/* Bluetooth / BLE device found: name and address. */
typedef void (*CP_OnBluetoothDeviceDiscovered)(const char *device_name, const char *device_address,
                                               const void *private_data);
/* Wi-Fi P2P device found: name, address and device type. */
typedef void (*CP_OnWiFiP2PDeviceDiscovered)(const char *device_name, const char *device_address,
                                             const char *device_type, const void *private_data);

/* Searches the local networks for printers by UDP broadcast (UDP 3289 and 22222) and
 * reports every answer, duplicates included, on receive threads. Blocks until the time-out
 * (counted in whole seconds, rounded up) passes or *cancel becomes nonzero (NULL: never). */
CP_API void CP_Port_EnumNetPrinter(unsigned int timeout, int *cancel, CP_OnNetPrinterDiscovered on_discovered,
                                   const void *private_data);
/* Bluetooth, BLE and Wi-Fi P2P searches: nothing is found on this platform. */
CP_API void CP_Port_EnumBtDevice(unsigned int timeout, int *cancel, CP_OnBluetoothDeviceDiscovered on_discovered,
                                 const void *private_data);
CP_API void CP_Port_EnumBleDevice(unsigned int timeout, int *cancel, CP_OnBluetoothDeviceDiscovered on_discovered,
                                  const void *private_data);
CP_API void CP_Port_EnumWiFiP2PDevice(unsigned int timeout, int *cancel, CP_OnWiFiP2PDeviceDiscovered on_discovered,
                                      const void *private_data);
/* Wi-Fi P2P connection: never connects on this platform (0). */
CP_API int CP_Port_WiFiP2P_Connect(const char *device_address, unsigned int timeout);
CP_API void CP_Port_WiFiP2P_Disconnect(void);
CP_API int CP_Port_WiFiP2P_IsConnected(void);

/* Writes length bytes within timeout ms (0: what can go at once) and returns the count
 * written: all of them, or fewer when the time-out passed first or the printer reset a
 * TCP connection after some bytes had gone out (those bytes are counted and the
 * connection is lost); 0 when nothing went in time; -1 when nothing was written for
 * another reason (unknown handle, closed port, NULL data with nonzero length, data the
 * system refused: a TCP connection the printer reset is then lost, a refused UDP
 * datagram fails this write only). Runs the PortWritten callbacks. */
CP_API int CP_Port_Write(CP_Handle handle, const unsigned char *buffer, unsigned int count, unsigned int timeout);
/* Takes up to count received bytes (auto-reply frames excluded), waiting up to timeout ms;
 * returns the count taken (0 once the port has closed) or -1 (unknown handle, NULL buffer). */
CP_API int CP_Port_Read(CP_Handle handle, unsigned char *buffer, int count, unsigned int timeout);
/* Like CP_Port_Read, and stops right after the end byte, which is stored and counted. */
CP_API int CP_Port_ReadUntilByte(CP_Handle handle, unsigned char *buffer, int count, unsigned int timeout,
                                 unsigned char breakbyte);
/* Received bytes waiting to be read, or -1. */
CP_API int CP_Port_Available(CP_Handle handle);
/* Drops every received byte waiting to be read. */
CP_API int CP_Port_SkipAvailable(CP_Handle handle);
/* 1 while the connection's port is open. */
CP_API int CP_Port_IsOpened(CP_Handle handle);
/* 1 while the port is open and, in auto-reply mode, a status report arrived in the last
 * 6 seconds. */
CP_API int CP_Port_IsConnectionValid(CP_Handle handle);
/* Write time-out in ms of the receipt, page, label and black-mark commands of this
 * connection (the default is 3600000 ms, one hour): how long a command waits for a
 * printer that does not take its bytes before it returns 0 (with 0, unless the bytes go
 * at once). CP_Settings_* commands always wait up to 10 s. */
CP_API int CP_Port_SetDefaultWriteTimeout(CP_Handle handle, unsigned int timeout);
/* Serial connections: changes the baud rate; 0 for other connections. */
CP_API int CP_Port_SetComBaudrate(CP_Handle handle, int baudrate);
/* Memory-buffer connections (CP_Port_OpenMemoryBuffer): the collected bytes, their count,
 * and emptying the buffer. NULL / 0 for other connections. */
CP_API const void *CP_Port_GetMemoryBufferDataPointer(CP_Handle handle);
CP_API unsigned int CP_Port_GetMemoryBufferDataLength(CP_Handle handle);
CP_API int CP_Port_ClearMemoryBufferData(CP_Handle handle);
/* BLE protocol V2 connections: the packet send-time list (none opens on this platform). */
CP_API int CP_Port_ClearBtBleProtoV2PacketSendTimesList(CP_Handle handle);
CP_API int CP_Port_GetBtBleProtoV2PacketSendTimesListLength(CP_Handle handle);
CP_API int CP_Port_GetBtBleProtoV2PacketSendTimesListValue(CP_Handle handle, int *values, int count);

/* ---- Printer: status and events ----------------------------------------- */

/* What the printer reported in auto-reply mode. Each getter returns 1 and fills the
 * outputs that are not NULL, or 0 for an unknown handle. Times are milliseconds of the
 * system clock when the report arrived. */
/* Resolution bytes and dots per millimetre. */
CP_API int CP_Printer_GetPrinterResolutionInfo(CP_Handle handle, int *first, int *second, int *dots_per_mm);
/* Firmware version text (from the device probe reply). *needed gets its length + 1; the
 * buffer, when given, gets as much as fits, always terminated. */
CP_API int CP_Printer_GetPrinterFirmwareVersion(CP_Handle handle, char *buffer, unsigned int size,
                                                int *needed);
CP_API int CP_Printer_GetPrinterStatusInfo(CP_Handle handle, long long *printer_error_status,
                                           long long *printer_info_status, long long *timestamp_ms);
CP_API int CP_Printer_GetPrinterReceivedInfo(CP_Handle handle, unsigned int *printer_received_byte_count,
                                             long long *timestamp_ms);
CP_API int CP_Printer_GetPrinterPrintedInfo(CP_Handle handle, unsigned int *printer_printed_page_id,
                                            long long *timestamp_ms);
/* Label position adjustment in millimetres; 0 while the resolution is not known. */
CP_API int CP_Printer_GetPrinterLabelPositionAdjustmentInfo(CP_Handle handle, double *label_print_position_adjustment,
                                                            double *label_tear_position_adjustment,
                                                            long long *timestamp_ms);
/* Sets the label position adjustment (millimetres); 0 and nothing sent while the
 * resolution is not known. */
CP_API int CP_Printer_SetPrinterLabelPositionAdjustmentInfo(CP_Handle handle, double label_print_position_adjustment,
                                                            double label_tear_position_adjustment);
/* Empties the printer's buffer / clears a recoverable error. */
CP_API int CP_Printer_ClearPrinterBuffer(CP_Handle handle);
CP_API int CP_Printer_ClearPrinterError(CP_Handle handle);

/* Auto-reply status (error and info bit sets), received byte count and printed count
 * callbacks; they run on the connection's read thread. */
CP_API int CP_Printer_AddOnPrinterStatusEvent(CP_OnPrinterStatusEvent event, void *private_data);
CP_API int CP_Printer_RemoveOnPrinterStatusEvent(CP_OnPrinterStatusEvent event);
CP_API int CP_Printer_AddOnPrinterReceivedEvent(CP_OnPrinterReceivedEvent event, void *private_data);
CP_API int CP_Printer_RemoveOnPrinterReceivedEvent(CP_OnPrinterReceivedEvent event);
CP_API int CP_Printer_AddOnPrinterPrintedEvent(CP_OnPrinterPrintedEvent event, void *private_data);
CP_API int CP_Printer_RemoveOnPrinterPrintedEvent(CP_OnPrinterPrintedEvent event);

/* ---- Pos: receipt commands ---------------------------------------------- */

/*
 * Receipt (ESC/POS style) commands on an open connection. Each returns 1 when every byte
 * of its command was written, else 0 (also for an unknown handle, a null text or array,
 * or a negative length, in which case nothing is sent). int arguments are cut to the
 * width of their command field (low byte, or low 16 bits where noted).
 */

/* Drawer kick pulse on pin nDrawerIndex (1B 70): pulse on and off times as the printer counts them. */
CP_API int CP_Pos_KickOutDrawer(CP_Handle handle, int nDrawerIndex, int nHighLevelTime, int nLowLevelTime);
/* Beeps nBeepCount times for nBeepMillis each (sent in units of 100 ms, truncated). */
CP_API int CP_Pos_Beep(CP_Handle handle, int nBeepCount, int nBeepMillis);
/* Feed to the cutter and cut (1D 56 42 00). */
CP_API int CP_Pos_FeedAndHalfCutPaper(CP_Handle handle);
/* Full cut / partial cut at the current position. */
CP_API int CP_Pos_FullCutPaper(CP_Handle handle);
CP_API int CP_Pos_HalfCutPaper(CP_Handle handle);
/* Print and feed numLines lines. */
CP_API int CP_Pos_FeedLine(CP_Handle handle, int numLines);
/* Print and feed numDots dots; more than 255 feeds 255. */
CP_API int CP_Pos_FeedDot(CP_Handle handle, int numDots);
/* Prints the printer's self-test page. */
CP_API int CP_Pos_PrintSelfTestPage(CP_Handle handle);
/* Initialises the printer (ESC @). */
CP_API int CP_Pos_ResetPrinter(CP_Handle handle);

/* Text bytes in the printer's current code page, up to the terminating zero. */
CP_API int CP_Pos_PrintText(CP_Handle handle, const char *str);
/* Wide text converted to UTF-8, GBK, BIG5, Shift-JIS or EUC-KR and sent as it is (select
 * the same encoding on the printer with CP_Pos_SetMultiByteMode and
 * CP_Pos_SetMultiByteEncoding); a text the encoding cannot hold sends nothing and
 * returns 0. Lines print when a line feed ("\n") arrives. */
CP_API int CP_Pos_PrintTextInUTF8(CP_Handle handle, const wchar_t *str);
CP_API int CP_Pos_PrintTextInGBK(CP_Handle handle, const wchar_t *str);
CP_API int CP_Pos_PrintTextInBIG5(CP_Handle handle, const wchar_t *str);
CP_API int CP_Pos_PrintTextInShiftJIS(CP_Handle handle, const wchar_t *str);
CP_API int CP_Pos_PrintTextInEUCKR(CP_Handle handle, const wchar_t *str);
/* length bytes sent unchanged, zero bytes included. */
CP_API int CP_Pos_PrintTextInBytes(CP_Handle handle, const char *data, int length);

/* Receipt barcode systems: the system byte of the GS k command (1D 6B m n data). These
 * are the numbers of CP_Pos_PrintBarcode and CP_Page_DrawBarcode; the label call
 * (CP_Label_DrawBarcode) counts the same symbologies from 0, and the rendering calls
 * (CP_Barcode_*) have a numbering of their own (0 to 29). */
typedef enum CP_Pos_BarcodeType {
    CP_Pos_BarcodeType_UPCA = 65,
    CP_Pos_BarcodeType_UPCE = 66,
    CP_Pos_BarcodeType_EAN13 = 67,
    CP_Pos_BarcodeType_EAN8 = 68,
    CP_Pos_BarcodeType_CODE39 = 69,
    CP_Pos_BarcodeType_ITF = 70,
    CP_Pos_BarcodeType_CODEBAR = 71,
    CP_Pos_BarcodeType_CODE93 = 72,
    CP_Pos_BarcodeType_CODE128 = 73
} CP_Pos_BarcodeType;
/* Linear barcode of system nBarcodeType (a CP_Pos_BarcodeType) with text str, sent as
 * 1D 6B m n str with n the text's length (low byte). For CODE128 the text carries the
 * printer's code-set selectors: "{A", "{B" or "{C" (in set C each byte is the value 0-99
 * of two digits) and "{{" for a brace. Module width, height and readable text come from
 * the CP_Pos_SetBarcode* settings. */
CP_API int CP_Pos_PrintBarcode(CP_Handle handle, int nBarcodeType, const char *str);
/* CODE128 with the code sets chosen for the text: runs of four or more digits (an even
 * count of them) go in set C, everything else in set B, so "No.123456" is sent as
 * 1D 6B 49 0A "{BNo." "{C" 0C 22 38. An empty text returns 0. */
CP_API int CP_Pos_PrintBarcode_Code128Auto(CP_Handle handle, const char *str);
/* QR symbols on receipts: error-correction levels 1-4 = L, M, Q, H (the rendering call
 * CP_Qrcode_* counts them 0-3).
 * Single-command form: 1D 6B 61 version level nL nH text. */
CP_API int CP_Pos_PrintQRCode(CP_Handle handle, int nVersion, int nECCLevel, const char *str);
/* Through the GS ( k functions of symbol class 31: module size in dots, level (sent as
 * 30-33), store the text, print it. */
CP_API int CP_Pos_PrintQRCodeUseEpsonCmd(CP_Handle handle, int nQRCodeUnitWidth, int nECCLevel, const char *str);
/* Two QR symbols side by side: a common module size, then per symbol its x position,
 * version, error correction and text. */
CP_API int CP_Pos_PrintDoubleQRCode(CP_Handle handle, int nQRCodeUnitWidth, int nQR1Position, int nQR1Version,
                                    int nQR1ECCLevel, const char *strQR1, int nQR2Position, int nQR2Version,
                                    int nQR2ECCLevel, const char *strQR2);
/* PDF417 symbol through the GS ( k functions. */
CP_API int CP_Pos_PrintPDF417BarcodeUseEpsonCmd(CP_Handle handle, int columnCount, int rowCount, int unitWidth,
                                                int rowHeight, int nECCLevel, int dataProcessingMode,
                                                const char *str);

/* Pixel layouts of the ...FromPixels calls and CP_Image_*: one pixel is */
typedef enum CP_ImagePixelFormat {
    CP_ImagePixelFormat_Mono = 1,    /* 1 bit, leftmost dot in the top bit, 1 black */
    CP_ImagePixelFormat_MonoLsb = 2, /* 1 bit, leftmost dot in the low bit, 1 black */
    CP_ImagePixelFormat_Gray8 = 3,   /* 1 byte of gray, 0 black */
    CP_ImagePixelFormat_RGB = 4,     /* 3 bytes R, G, B */
    CP_ImagePixelFormat_BGR = 5,     /* 3 bytes B, G, R */
    CP_ImagePixelFormat_ARGB = 6,    /* 4 bytes A, R, G, B */
    CP_ImagePixelFormat_RGBA = 7,    /* 4 bytes R, G, B, A */
    CP_ImagePixelFormat_ABGR = 8,    /* 4 bytes A, B, G, R */
    CP_ImagePixelFormat_BGRA = 9     /* 4 bytes B, G, R, A (alpha 0 prints white) */
} CP_ImagePixelFormat;
/* How gray becomes black and white dots (ignored for the two 1-bit pixel formats). */
typedef enum CP_ImageBinarizationMethod {
    CP_ImageBinarizationMethod_Dithering = 0,     /* 16 x 16 ordered dither */
    CP_ImageBinarizationMethod_Thresholding = 1,  /* black below the image's mean gray */
    CP_ImageBinarizationMethod_ErrorDiffusion = 2 /* serpentine error diffusion */
} CP_ImageBinarizationMethod;
/* How raster data is sent. Receipt images take all three, label images None or JBIG. */
typedef enum CP_ImageCompressionMethod {
    CP_ImageCompressionMethod_None = 0,
    CP_ImageCompressionMethod_RunLength = 1,
    CP_ImageCompressionMethod_JBIG = 2
} CP_ImageCompressionMethod;

/* Images. Image files and encoded data may be BMP (1, 4, 8, 16, 24 or 32 bits), PNG,
 * JPEG, GIF (first frame), TGA or PSD, at most 32768 dots a side and 2^26 pixels;
 * transparent pixels print white; a file cut short, or with tables or chunks the
 * decoder cannot take safely, gives 0. Images are scaled to dstw x dsth dots (a side of 0
 * or less follows the image's aspect ratio; both: the image's own size), turned to gray,
 * binarized by a CP_ImageBinarizationMethod and sent as raster data, by a
 * CP_ImageCompressionMethod: None as GS v 0 commands (1D 76 30 00 xL xH yL yH and the
 * rows, in bands of 24 rows), RunLength as one 1F 28 50 command a row, JBIG as JBIG
 * bands. Raster rows are (width + 7) / 8 bytes, leftmost dot in the top bit, 1 black. */
CP_API int CP_Pos_PrintRasterImageFromFile(CP_Handle handle, int dstw, int dsth, const char *pszFile,
                                           int binaryzation_method, int compress_method);
CP_API int CP_Pos_PrintRasterImageFromData(CP_Handle handle, int dstw, int dsth, const unsigned char *data,
                                           int data_size, int binaryzation_method, int compress_method);
/* Pixel array (a CP_ImagePixelFormat, img_stride bytes a row) printed at its own size;
 * img_datalen must cover every row (0 and nothing sent otherwise, as for every
 * pixel-array call). */
CP_API int CP_Pos_PrintRasterImageFromPixels(CP_Handle handle, const unsigned char *img_data, int img_datalen,
                                             int img_width, int img_height, int img_stride, int img_format,
                                             int binaryzation_method, int compress_method);

/* A horizontal line from dot nLineStartPosition to nLineEndPosition, one or
 * nLineThickness (above 0) dot rows thick. */
CP_API int CP_Pos_PrintHorizontalLine(CP_Handle handle, int nLineStartPosition, int nLineEndPosition);
CP_API int CP_Pos_PrintHorizontalLineSpecifyThickness(CP_Handle handle, int nLineStartPosition,
                                                      int nLineEndPosition, int nLineThickness);
/* One dot row with nLineCount (0-255) segments from the two arrays. */
CP_API int CP_Pos_PrintMultipleHorizontalLinesAtOneRow(CP_Handle handle, int nLineCount, int *pLineStartPosition,
                                                       int *pLineEndPosition);

/* Print speed (16 bits) and density. */
CP_API int CP_Pos_SetPrintSpeed(CP_Handle handle, int nSpeed);
CP_API int CP_Pos_SetPrintDensity(CP_Handle handle, int nDensity);
/* Character modes, international character set, code page and multi-byte encoding. */
CP_API int CP_Pos_SetSingleByteMode(CP_Handle handle);
CP_API int CP_Pos_SetCharacterSet(CP_Handle handle, int nCharacterSet);
CP_API int CP_Pos_SetCharacterCodepage(CP_Handle handle, int nCharacterCodepage);
/* Multi-byte mode (1C 26) and its encoding (1B 39 n). Select the encoding that matches
 * the ...InUTF8 / InGBK / ... call used for the text; receipt and label text alike. */
typedef enum CP_MultiByteEncoding {
    CP_MultiByteEncoding_GBK = 0,
    CP_MultiByteEncoding_UTF8 = 1,
    CP_MultiByteEncoding_BIG5 = 3,
    CP_MultiByteEncoding_ShiftJIS = 4,
    CP_MultiByteEncoding_EUCKR = 5
} CP_MultiByteEncoding;
CP_API int CP_Pos_SetMultiByteMode(CP_Handle handle);
CP_API int CP_Pos_SetMultiByteEncoding(CP_Handle handle, int nEncoding);

/* Horizontal and vertical motion units. */
CP_API int CP_Pos_SetMovementUnit(CP_Handle handle, int nHorizontalMovementUnit, int nVerticalMovementUnit);
/* Print area left margin and width in dots (16 bits). */
CP_API int CP_Pos_SetPrintAreaLeftMargin(CP_Handle handle, int nLeftMargin);
CP_API int CP_Pos_SetPrintAreaWidth(CP_Handle handle, int nWidth);
/* Absolute positions (16 bits) and relative offsets (may be negative). */
CP_API int CP_Pos_SetHorizontalAbsolutePrintPosition(CP_Handle handle, int nPosition);
CP_API int CP_Pos_SetHorizontalRelativePrintPosition(CP_Handle handle, int nPosition);
CP_API int CP_Pos_SetVerticalAbsolutePrintPosition(CP_Handle handle, int nPosition);
CP_API int CP_Pos_SetVerticalRelativePrintPosition(CP_Handle handle, int nPosition);
/* 0 left, 1 centre, 2 right. */
CP_API int CP_Pos_SetAlignment(CP_Handle handle, int nAlignment);

/* Character width and height factors (0 = normal); remembered for page-mode layout. */
CP_API int CP_Pos_SetTextScale(CP_Handle handle, int nWidthScale, int nHeightScale);
/* Character styles. Underline applies to single-byte and multi-byte characters alike. */
CP_API int CP_Pos_SetAsciiTextFontType(CP_Handle handle, int nFontType);
CP_API int CP_Pos_SetTextBold(CP_Handle handle, int nBold);
CP_API int CP_Pos_SetTextUnderline(CP_Handle handle, int nUnderline);
CP_API int CP_Pos_SetTextUpsideDown(CP_Handle handle, int nUpsideDown);
CP_API int CP_Pos_SetTextWhiteOnBlack(CP_Handle handle, int nWhiteOnBlack);
CP_API int CP_Pos_SetTextRotate(CP_Handle handle, int nRotate);
/* Line height and character spacing; remembered for page-mode layout. */
CP_API int CP_Pos_SetTextLineHeight(CP_Handle handle, int nLineHeight);
CP_API int CP_Pos_SetAsciiTextCharRightSpacing(CP_Handle handle, int nSpacing);
CP_API int CP_Pos_SetKanjiTextCharSpacing(CP_Handle handle, int nLeftSpacing, int nRightSpacing);
/* Barcode module width, height, readable-text font and position (0 none, 1 above,
 * 2 below, 3 both); remembered for page-mode layout. */
CP_API int CP_Pos_SetBarcodeUnitWidth(CP_Handle handle, int nBarcodeUnitWidth);
CP_API int CP_Pos_SetBarcodeHeight(CP_Handle handle, int nBarcodeHeight);
CP_API int CP_Pos_SetBarcodeReadableTextFontType(CP_Handle handle, int nFontType);
CP_API int CP_Pos_SetBarcodeReadableTextPosition(CP_Handle handle, int nTextPosition);

/* The four real-time status bytes (DLE EOT 1 to 4) in bits 0-7, 8-15, 16-23, 24-31;
 * the request is repeated every 300 ms until answered; 0 on failure or time-out (ms).
 * Each byte has bit 0 clear and bits 1 and 4 set; the bits below are those ESC/POS
 * printers report (the library passes the bytes on unchanged). Test them on the result
 * converted to unsigned int. */
#define CP_RTSTATUS_DRAWER_OPEN 0x00000004u              /* 1: drawer kick-out connector pin 3 */
#define CP_RTSTATUS_OFFLINE 0x00000008u                  /* 1: offline */
#define CP_RTSTATUS_WAITING_RECOVERY 0x00000020u         /* 1: waiting to come back online */
#define CP_RTSTATUS_FEED_BUTTON 0x00000040u              /* 1: feed button pressed */
#define CP_RTSTATUS_COVER_OPEN 0x00000400u               /* 2: cover open */
#define CP_RTSTATUS_FEEDING_BY_BUTTON 0x00000800u        /* 2: paper fed by the button */
#define CP_RTSTATUS_PAPER_END_STOP 0x00002000u           /* 2: stopped for lack of paper */
#define CP_RTSTATUS_ERROR 0x00004000u                    /* 2: an error occurred */
#define CP_RTSTATUS_CUTTER_ERROR 0x00080000u             /* 3: cutter error */
#define CP_RTSTATUS_UNRECOVERABLE_ERROR 0x00200000u      /* 3: unrecoverable error */
#define CP_RTSTATUS_AUTO_RECOVERABLE_ERROR 0x00400000u   /* 3: error that clears by itself */
#define CP_RTSTATUS_PAPER_NEAR_END 0x0C000000u           /* 4: paper near its end */
#define CP_RTSTATUS_PAPER_END 0x60000000u                /* 4: paper out */
/* Any of these set: the printer cannot print now. */
#define CP_RTSTATUS_NOT_READY                                                                      \
    (CP_RTSTATUS_OFFLINE | CP_RTSTATUS_COVER_OPEN | CP_RTSTATUS_PAPER_END_STOP | CP_RTSTATUS_ERROR | \
     CP_RTSTATUS_CUTTER_ERROR | CP_RTSTATUS_UNRECOVERABLE_ERROR | CP_RTSTATUS_AUTO_RECOVERABLE_ERROR |  \
     CP_RTSTATUS_PAPER_END)
CP_API int CP_Pos_QueryRTStatus(CP_Handle handle, unsigned int timeout);
/* 1 when the printer confirms that everything sent before has been printed, else 0.
 * Sends the print-result request 1D 28 48 06 00 30 30 d 00 00 00 (d counting 0 to 9 per
 * handle) and waits up to timeout ms for the answer 37 22 d 00 00 00 x. It gives 0 early
 * when the printer reports a problem: in auto-reply mode as soon as the latest status
 * (CP_Printer_GetPrinterStatusInfo) has a nonzero error status; without auto-reply it
 * first asks for status byte 1 (10 04 01, up to timeout ms, so the call may last about
 * twice timeout) and gives 0 when that is offline (CP_RTSTATUS_OFFLINE), and then polls
 * it every 300 ms while waiting. */
CP_API int CP_Pos_QueryPrintResult(CP_Handle handle, unsigned int timeout);

/* ---- Settings ----------------------------------------------------------- */

/* Print speed through the 28-byte hardware settings command (speed sent as its low byte). */
CP_API int CP_Settings_Hardware_SetPrintSpeed(CP_Handle handle, int nSpeed);

/* ---- Page mode ---------------------------------------------------------- */

/*
 * Page mode: define a page area, place objects at absolute positions in it, print it at
 * once. Each returns 1 when every command was written, else 0 (also for an unknown handle
 * or a null text, path or data, in which case nothing is sent). Positions x and y are dots
 * inside the page area, or -1 start, -2 centred, -3 far end; they are resolved with the
 * page area, direction and text and barcode settings last sent through this handle. A
 * position or corner that does not fit the printer's 16-bit field fails, nothing sent.
 */

/* Enter page mode (ESC L). */
CP_API int CP_Page_SelectPageMode(CP_Handle handle);
/* Motion units, page mode, page area, direction 0 and the default text and barcode
 * settings, in one call; stops at the first command that fails. */
CP_API int CP_Page_SelectPageModeEx(CP_Handle handle, int nHorizontalMovementUnit, int nVerticalMovementUnit,
                                    int left, int top, int width, int height);
/* Leave page mode (ESC S). */
CP_API int CP_Page_ExitPageMode(CP_Handle handle);
/* Print the page (ESC FF) / clear it (CAN). */
CP_API int CP_Page_PrintPage(CP_Handle handle);
CP_API int CP_Page_ClearPage(CP_Handle handle);
/* Page area origin and size in dots (16 bits each); remembered for layout. */
CP_API int CP_Page_SetPageArea(CP_Handle handle, int left, int top, int width, int height);
/* Print direction 0-3; remembered for layout. */
CP_API int CP_Page_SetPageDrawDirection(CP_Handle handle, int direction);
/* Filled rectangle (width, height above 0) / outline of nBorderWidth dots, in colour nColor. */
CP_API int CP_Page_DrawRect(CP_Handle handle, int x, int y, int width, int height, int nColor);
CP_API int CP_Page_DrawBox(CP_Handle handle, int x, int y, int width, int height, int nBorderWidth, int nColor);
/* Text at (x, y): bytes in the printer's code page, or wide text converted to UTF-8,
 * GBK, BIG5, Shift-JIS or EUC-KR. y is the top of the text cell. */
CP_API int CP_Page_DrawText(CP_Handle handle, int x, int y, const char *str);
CP_API int CP_Page_DrawTextInUTF8(CP_Handle handle, int x, int y, const wchar_t *str);
CP_API int CP_Page_DrawTextInGBK(CP_Handle handle, int x, int y, const wchar_t *str);
CP_API int CP_Page_DrawTextInBIG5(CP_Handle handle, int x, int y, const wchar_t *str);
CP_API int CP_Page_DrawTextInShiftJIS(CP_Handle handle, int x, int y, const wchar_t *str);
CP_API int CP_Page_DrawTextInEUCKR(CP_Handle handle, int x, int y, const wchar_t *str);
/* Linear barcode (a CP_Pos_BarcodeType, 65-73, as for CP_Pos_PrintBarcode) / QR symbol
 * (version, error correction 1-4 = L, M, Q, H) with (x, y) its top-left corner. */
CP_API int CP_Page_DrawBarcode(CP_Handle handle, int x, int y, int nBarcodeType, const char *str);
CP_API int CP_Page_DrawQRCode(CP_Handle handle, int x, int y, int nVersion, int nECCLevel, const char *str);
/* Image file or encoded data (formats as for CP_Pos_PrintRasterImageFromFile) scaled to
 * dstw x dsth (a side of 0 or less follows the image's aspect ratio; both: its own size),
 * binarized (a CP_ImageBinarizationMethod), top-left corner at (x, y); sent uncompressed. */
CP_API int CP_Page_DrawRasterImageFromFile(CP_Handle handle, int x, int y, int dstw, int dsth, const char *pszFile,
                                           int binaryzation_method);
CP_API int CP_Page_DrawRasterImageFromData(CP_Handle handle, int x, int y, int dstw, int dsth,
                                           const unsigned char *data, int data_size, int binaryzation_method);
/* Pixel array (a CP_ImagePixelFormat, img_stride bytes a row) at its own size;
 * img_datalen must cover every row. */
CP_API int CP_Page_DrawRasterImageFromPixels(CP_Handle handle, int x, int y, const unsigned char *img_data,
                                             int img_datalen, int img_width, int img_height, int img_stride,
                                             int img_format, int binaryzation_method);

/* ---- Black-mark paper --------------------------------------------------- */

/* Black-mark paper commands; each returns 1 when its one command was written, else 0. */
/* Black-mark mode on / off. */
CP_API int CP_BlackMark_EnableBlackMarkMode(CP_Handle handle);
CP_API int CP_BlackMark_DisableBlackMarkMode(CP_Handle handle);
/* How far the printer searches for a mark (16 bits). */
CP_API int CP_BlackMark_SetBlackMarkMaxFindLength(CP_Handle handle, int maxFindLength);
/* Feed to the next mark. */
CP_API int CP_BlackMark_FindNextBlackMark(CP_Handle handle);
/* Print start and cut position relative to the mark, in dots; negative is backwards
 * (magnitude 16 bits). */
CP_API int CP_BlackMark_SetBlackMarkPaperPrintPosition(CP_Handle handle, int position);
CP_API int CP_BlackMark_SetBlackMarkPaperCutPosition(CP_Handle handle, int position);
/* Full / partial cut at the cut position. */
CP_API int CP_BlackMark_FullCutBlackMarkPaper(CP_Handle handle);
CP_API int CP_BlackMark_HalfCutBlackMarkPaper(CP_Handle handle);

/* ---- Label pages -------------------------------------------------------- */

/* Each call returns 1 when its whole command was written, else 0. Coordinates and sizes
 * are dots cut to 16 bits; settings and colours are cut to 8 bits. */

/* Label mode on (1F 28 4C 01 00 31) / off (1F 28 4C 01 00 00). */
CP_API int CP_Label_EnableLabelMode(CP_Handle handle);
CP_API int CP_Label_DisableLabelMode(CP_Handle handle);
/* Measures the label length (1F 63) / feeds to the next label (1A 0C 00). */
CP_API int CP_Label_CalibrateLabel(CP_Handle handle);
CP_API int CP_Label_FeedLabel(CP_Handle handle);
/* Opens a page at (x, y) of width x height dots; option is the page's option byte. */
CP_API int CP_Label_PageBegin(CP_Handle handle, int x, int y, int width, int height, int option);
/* Prints the page count times. */
CP_API int CP_Label_PagePrint(CP_Handle handle, int count);
/* Text at (x, y) with a font height and a style; text in the printer's encoding. */
CP_API int CP_Label_DrawText(CP_Handle handle, int x, int y, int font_height, int font_style, const char *str);
/* Wide text converted to UTF-8, GBK, BIG5, Shift-JIS or EUC-KR; 0 and nothing sent when
 * the text cannot be converted. */
CP_API int CP_Label_DrawTextInUTF8(CP_Handle handle, int x, int y, int font_height, int font_style,
                                   const wchar_t *str);
CP_API int CP_Label_DrawTextInGBK(CP_Handle handle, int x, int y, int font_height, int font_style,
                                  const wchar_t *str);
CP_API int CP_Label_DrawTextInBIG5(CP_Handle handle, int x, int y, int font_height, int font_style,
                                   const wchar_t *str);
CP_API int CP_Label_DrawTextInShiftJIS(CP_Handle handle, int x, int y, int font_height, int font_style,
                                       const wchar_t *str);
CP_API int CP_Label_DrawTextInEUCKR(CP_Handle handle, int x, int y, int font_height, int font_style,
                                    const wchar_t *str);
/* length bytes of text, zero bytes included; a negative length gives 0. */
CP_API int CP_Label_DrawTextInBytes(CP_Handle handle, int x, int y, int font_height, int font_style,
                                   const char *data, int length);
/* Label barcode types: the receipt systems counted from 0 (CP_Label_BarcodeType_UPCA is
 * CP_Pos_BarcodeType_UPCA - 65); not the numbering of CP_Barcode_*. */
typedef enum CP_Label_BarcodeType {
    CP_Label_BarcodeType_UPCA = 0,
    CP_Label_BarcodeType_UPCE = 1,
    CP_Label_BarcodeType_EAN13 = 2,
    CP_Label_BarcodeType_EAN8 = 3,
    CP_Label_BarcodeType_CODE39 = 4,
    CP_Label_BarcodeType_ITF = 5,
    CP_Label_BarcodeType_CODEBAR = 6,
    CP_Label_BarcodeType_CODE93 = 7,
    CP_Label_BarcodeType_CODE128 = 8
} CP_Label_BarcodeType;
/* Linear barcode: sends the readable-text position (1D 48 n: 0 none, 1 above, 2 below,
 * 3 both) first, then the barcode of the given CP_Label_BarcodeType, bar height, module
 * width and rotation (1A 30 00 x y type height width rotation text 00). */
CP_API int CP_Label_DrawBarcode(CP_Handle handle, int x, int y, int barcode_type, int text_position,
                                int height, int unit_width, int rotation, const char *str);
/* QR symbol: version (0 automatic), error-correction level, module size and rotation,
 * each sent as one byte as given (1A 31 00 ...); the samples use level 1. */
CP_API int CP_Label_DrawQRCode(CP_Handle handle, int x, int y, int version, int ecc_level, int unit_width,
                               int rotation, const char *str);
CP_API int CP_Label_DrawQRCodeInUTF8(CP_Handle handle, int x, int y, int version, int ecc_level,
                                     int unit_width, int rotation, const wchar_t *str);
CP_API int CP_Label_DrawQRCodeInBytes(CP_Handle handle, int x, int y, int version, int ecc_level,
                                      int unit_width, int rotation, const unsigned char *data, int length);
/* PDF417 symbol with its five settings (3, 3, 0, 3, 0 is a common choice). */
CP_API int CP_Label_DrawPDF417Code(CP_Handle handle, int x, int y, int setting1, int setting2, int setting3,
                                   int setting4, int setting5, const char *str);
/* Image file or data (formats as for CP_Pos_PrintRasterImageFromFile) at width x height
 * (a CP_ImageBinarizationMethod; compression CP_ImageCompressionMethod_None or _JBIG,
 * any other gives 0); a size of 0 or less follows the image's aspect ratio, both 0 or
 * less keep its size. */
CP_API int CP_Label_DrawImageFromFile(CP_Handle handle, int x, int y, int width, int height, const char *path,
                                      int binarization_method, int compression_method);
CP_API int CP_Label_DrawImageFromData(CP_Handle handle, int x, int y, int width, int height,
                                      const unsigned char *data, int data_size, int binarization_method,
                                      int compression_method);
/* Pixel array in a CP_ImagePixelFormat, stride bytes a row; data_length must cover
 * every row. */
CP_API int CP_Label_DrawImageFromPixels(CP_Handle handle, int x, int y, const unsigned char *pixels,
                                        int data_length, int width, int height, int stride, int pixel_format,
                                        int binarization_method, int compression_method);
/* Line from (x1, y1) to (x2, y2). */
CP_API int CP_Label_DrawLine(CP_Handle handle, int x1, int y1, int x2, int y2, int line_width, int color);
/* Filled rectangle / outline box of width x height at (x, y). */
CP_API int CP_Label_DrawRect(CP_Handle handle, int x, int y, int width, int height, int color);
CP_API int CP_Label_DrawBox(CP_Handle handle, int x, int y, int width, int height, int border_width,
                            int color);

/* ---- Proto: packet protocol --------------------------------------------- */

/*
 * Device configuration through protocol packages. Requests wait for the reply with the
 * same command and parameter; generic requests run only while the connection's work
 * switch is on (CP_Proto_SetWorkEnabled), and clearing it from another thread, or
 * closing the port, ends a pending request. Calls ending in WithRetry, and those taking
 * tries, first drop every reply still queued, then make up to `tries` attempts with a
 * 100 ms pause after each failed one. Timeouts are milliseconds. Run one request at a
 * time per connection.
 */

/* Opens without auto-reply that raise no open or close events: serial (no flow
 * control), USB (as CP_Port_OpenUsb), UDP (package checks off). Close with CP_Port_Close. */
CP_API CP_Handle CP_Proto_OpenCom(const char *name, int baudrate, CP_ComDataBits databits, CP_ComParity parity,
                                  CP_ComStopBits stopbits);
CP_API CP_Handle CP_Proto_OpenUsb(const char *name);
CP_API CP_Handle CP_Proto_OpenUdp(const char *local_ip, unsigned short local_port, const char *dest_ip,
                                  unsigned short dest_port);
/* Serial connections only: changes the baud rate; 0 for other ports. */
CP_API int CP_Proto_SetComBaudrate(CP_Handle handle, int baudrate);
/* The work switch (off for every new connection). */
CP_API int CP_Proto_SetWorkEnabled(CP_Handle handle, int enabled);
CP_API int CP_Proto_IsWorkEnabled(CP_Handle handle);
/* One package (at most 65535 data bytes) and its reply. On success min(reply length,
 * buffer_size) reply bytes go into buffer and their count into *received_length (0 when
 * buffer, buffer_size or the reply's data is missing); on failure neither is touched. */
CP_API int CP_Proto_SendPackageAndRecvResponseWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                                        unsigned int parameter, unsigned int data_length,
                                                        const unsigned char *data, unsigned int write_timeout,
                                                        unsigned int reply_timeout, unsigned int buffer_size,
                                                        unsigned char *buffer, unsigned int *received_length,
                                                        unsigned int tries);
/* The two chunked transfers below run one at a time per connection: either of them
 * called while one of them runs on the same connection returns 0 at once and sends
 * nothing (it does not wait for the other).
 *
 * Sends total_length bytes in packages of at most chunk_size bytes with parameter
 * parameter_base + position; succeeds when every package was answered. */
CP_API int CP_Proto_SendDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                      unsigned int parameter_base, unsigned int total_length,
                                      const unsigned char *data, unsigned short chunk_size,
                                      unsigned int write_timeout, unsigned int reply_timeout, unsigned int tries);
/* Asks for total_length bytes, 256 a package (parameter parameter_base + position); the
 * replies' data, in order and cut at total_length, go into buffer, their count into
 * *received_length. Reply data past total_length is dropped as it arrives. */
CP_API int CP_Proto_RecvDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                      unsigned int parameter_base, unsigned int write_timeout,
                                      unsigned int reply_timeout, unsigned int total_length, unsigned char *buffer,
                                      unsigned int *received_length, unsigned int tries);
/* Sends "DEVICE??"; the reply is the firmware version text (buffer as above). */
CP_API int CP_Proto_CommunicationTest(CP_Handle handle, unsigned char type, unsigned int write_timeout,
                                      unsigned int reply_timeout, unsigned int buffer_size, unsigned char *buffer,
                                      unsigned int *received_length, unsigned int tries);
/* Resets the device's parameters; 1 once the device confirmed. */
CP_API int CP_Proto_ClearParameters(CP_Handle handle, unsigned char type, unsigned int write_timeout,
                                    unsigned int reply_timeout, unsigned int tries);
/* Sends "a" every 10 ms until the device answers "a" (1), or until the work switch is
 * cleared or the port closes (0). No time limit of its own. */
CP_API int CP_Proto_StopAtBootBySenda(CP_Handle handle);
/* Turn the work switch on and query once. Battery level: the number, or -1 (also for a
 * reply without digits). */
CP_API int CP_Proto_QueryBatteryLevel(CP_Handle handle, unsigned int timeout);
/* Serial number: bytes stored into buffer, or -1. A 0 byte follows them when the buffer has
 * room; a serial number that fills the whole buffer is not terminated. */
CP_API int CP_Proto_QuerySerialNumber(CP_Handle handle, char *buffer, unsigned int size, unsigned int timeout);
/* Settings sent without waiting for a reply (work switch not needed); 1 when written.
 * The two texts with their terminators take at most 256 bytes, else 0 and nothing sent. */
CP_API int CP_Proto_SetSystemNameAndSerialNumber(CP_Handle handle, const char *name, const char *serial_number);
CP_API int CP_Proto_SetBluetoothNameAndPassword(CP_Handle handle, const char *name, const char *password);
/* 16 bytes: value1 big-endian, value2-5 one byte each, value6-9 little-endian. */
CP_API int CP_Proto_SetPTPBasicParameters(CP_Handle handle, unsigned int value1, unsigned char value2,
                                          unsigned char value3, unsigned char value4, unsigned char value5,
                                          unsigned short value6, unsigned short value7, unsigned short value8,
                                          unsigned short value9);

/* ---- CRC ---------------------------------------------------------------- */

/* Scrambles length bytes (output may be input) with a key byte derived from a fresh
 * 16-bit random value, stored in *random for the receiving side. */
CP_API void CP_CRC_Encrypt(const unsigned char *input, unsigned int length, unsigned char *output,
                           unsigned int *random);

/* ---- Barcode, QR code and image conversion ------------------------------ */
/* Pixel arrays hold one 32-bit value per pixel, rows top-down, stored as given. Sizes of
 * buffers are in bytes. */

/* Rendering barcode types (not the numbers of the receipt or label calls; 0 to 8 are the
 * same symbologies as CP_Label_BarcodeType):
 *   0 UPC-A            1 UPC-E              2 EAN-13            3 EAN-8
 *   4 Code 39          5 ITF                6 Codabar           7 Code 93
 *   8 Code 128 (code sets chosen for the text)                  9 Code 11
 *  10 MSI             11 Code 128 (code sets given in the data) 12 GS1-128
 *  13 ITF with check digit   14 Code 39 full ASCII with check character
 *  15 Code 39 full ASCII     16 EAN-13 + 2 digits  17 EAN-13 + 5 digits
 *  18 EAN-8 + 2 digits       19 EAN-8 + 5 digits   21 UPC-A + 2 digits
 *  22 UPC-A + 5 digits       23 UPC-E + 2 digits   24 UPC-E + 5 digits
 *  26 MSI with check digit   28 ITF-14             29 EAN-14
 * (20, 25 and 27 are no types). Texts of 1 to 200 bytes; check digits are computed.
 * Width in dots of a barcode of the type with unit_width dots per narrow module; 0 when
 * the text does not suit the type. */
CP_API int CP_Barcode_GetBarcodeWidth(int type, int unit_width, const char *text);
/* Draws the barcode, height rows high, into pixels; 1 when it fitted (width and height out). */
CP_API int CP_Barcode_GetBarcodeRGBAData(int type, int unit_width, int height, unsigned int background,
                                         unsigned int foreground, const char *text, unsigned int *pixels,
                                         long long pixels_size, int *width_out, int *height_out);
/* Modules per side of the QR symbol (version 0 picks the smallest; level 0 to 3 = L M Q H,
 * unlike the receipt calls' 1-4); 0 on failure. */
CP_API int CP_Qrcode_GetQrcodeWidth(const char *text, int version, int level);
/* Draws the QR symbol, one pixel per module, into pixels; 1 when it fitted. */
CP_API int CP_Qrcode_GetQrcodeRGBAData(const char *text, int version, int level, unsigned int background,
                                       unsigned int foreground, unsigned int *pixels, long long pixels_size,
                                       int *width_out, int *height_out);
/* Length of the JBIG data the image (a CP_ImagePixelFormat, a CP_ImageBinarizationMethod)
 * compresses to; data_length, when not 0, must cover the image (0: not given, the image is
 * read from width, height and bytes_per_line). 0 on failure. */
CP_API int CP_Image_GetCompressToJBIGDataLength(const unsigned char *pixels, long long data_length, int width,
                                                int height, int bytes_per_line, int format, int method);
/* The same, storing the JBIG data in out: its length, or 0 on failure or when it does not fit. */
CP_API int CP_Image_GetCompressToJBIGDataBytes(const unsigned char *pixels, long long data_length, int width,
                                               int height, int bytes_per_line, int format, int method,
                                               unsigned char *out, long long out_capacity);
/* Width and height of the image in JBIG data; both outputs are 0 on failure. */
CP_API int CP_Image_DecodeImageSizeFromJBIGData(const unsigned char *data, long long data_length, int *width_out,
                                                int *height_out);
/* Decodes JBIG data into width x height pixels (room as the size call reports); outputs 0 on failure. */
CP_API int CP_Image_DecodeRGBAImageFromJBIGData(const unsigned char *data, long long data_length,
                                                unsigned int zero_value, unsigned int one_value, unsigned int *pixels,
                                                int *width_out, int *height_out);

/* ---- Network provisioning (UDP broadcast, AirKiss) ---------------------- */
/* These calls block until the printer answers, the time-out (ms) passes or they are cancelled. */

/* Hands Wi-Fi credentials to a printer by AirKiss; 1 when it confirmed. One run at a time. */
CP_API int CP_Airkiss_ConfigWireless(const char *ssid, const char *password, unsigned int timeout);
/* Ends the AirKiss run in progress (from any thread). */
CP_API void CP_Airkiss_CancelConfig(void);
/* Sets address, netmask, gateway and address mode (0 or non-zero) of the printer with the MAC
 * text, sending every interval ms to dest_ip:dest_port; 1 when it confirmed. Ports cut to 16 bits. */
CP_API int CP_UDPBroadcast_ConfigIP(const char *local_ip, int local_port, const char *dest_ip, int dest_port,
                                    const char *mac, int address_mode, const char *ip, const char *netmask,
                                    const char *gateway, unsigned int interval, unsigned int timeout);
/* Sets the printer's name the same way. */
CP_API int CP_UDPBroadcast_ConfigName(const char *local_ip, int local_port, const char *dest_ip, int dest_port,
                                      const char *mac, const char *name, unsigned int interval, unsigned int timeout);
/* Asks the printer to confirm (apply) its configuration. */
CP_API int CP_UDPBroadcast_ConfirmConfiguration(const char *local_ip, int local_port, const char *dest_ip,
                                                int dest_port, const char *mac, unsigned int interval,
                                                unsigned int timeout);

/* ---- Text encoding conversion ------------------------------------------ */
/* Results are new zero-terminated buffers (free() them); null on any failure. */

/* Wide text converted to the named encoding ("UTF-8", "GBK", "BIG5", "SHIFT-JIS", "EUC-KR", ...). */
CP_API char *iconv_wcstombs(const wchar_t *text, const char *encoding);
/* Text in the named encoding converted to wide text. */
CP_API wchar_t *iconv_mbstowcs(const char *text, const char *encoding);
/* Wide text in the encoding of the environment's locale (sets the process-wide locale);
 * without a usable locale each character keeps its low 8 bits. */
CP_API char *iconv_wcstolocalmbs(const wchar_t *text);
/* Text in the environment locale's encoding as wide text (sets the process-wide locale). */
CP_API wchar_t *iconv_localmbstowcs(const char *text);
/* UTF-8 text in the environment locale's encoding (sets the process-wide locale). */
CP_API char *iconv_utftolocalmbs(const char *text);

/* ---- Logger ------------------------------------------------------------- */
/* Accepted and ignored: the library keeps no log (its few diagnostic lines go to standard
 * output, as the opening section of this header says). */
CP_API void CP_Logger_SetDebugEnabled(int enabled);
CP_API void CP_Logger_SetLogToFile(int enabled);

#ifdef __cplusplus
}
#endif

#endif /* QUORVANE_H */
