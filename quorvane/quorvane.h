/*
 * quorvane: drive thermal receipt and label printers.
 *
 * Plain C interface. Every function that works on a connection takes the opaque
 * handle returned by a CP_Port_Open* call; a null or unknown handle makes the call
 * return its failure value at once. Unless stated otherwise, int results are 1 for
 * success and 0 for failure; reads and writes return a byte count or -1; buffers
 * returned by the library are freed by the caller with free().
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

/* The library's version text, a static string. */
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
/* TCP client to the printer at dest_ip:dest_port; local_ip (may be NULL or "") binds
 * the local side. timeout is accepted for compatibility; the connect takes as long as
 * the system's. */
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
 * Only the first close of a connection drops it; calling this from inside a callback
 * that runs on the connection's own read thread (received bytes, printer status, counts)
 * returns 0 and closes nothing. */
CP_API int CP_Port_Close(CP_Handle handle);

/* ---- Port: event callbacks ---------------------------------------------- */

/*
 * Callbacks are global: each one fires for every connection, with the handle first and
 * the user pointer given at registration last. Adding a callback that is already
 * registered (or NULL) returns 0; removing returns 1 when it was registered. Callbacks of
 * one kind run one at a time, and must not add or remove callbacks of their own kind.
 * Received, status, received-count and printed-count callbacks run on the connection's
 * read thread and must not close that connection.
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

/* ---- Settings ----------------------------------------------------------- */

/* ---- Page mode ---------------------------------------------------------- */

/* ---- Black-mark paper --------------------------------------------------- */

/* ---- Label pages -------------------------------------------------------- */

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
/* Sends total_length bytes in packages of at most chunk_size bytes with parameter
 * parameter_base + position; succeeds when every package was answered. */
CP_API int CP_Proto_SendDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                      unsigned int parameter_base, unsigned int total_length,
                                      const unsigned char *data, unsigned short chunk_size,
                                      unsigned int write_timeout, unsigned int reply_timeout, unsigned int tries);
/* Asks for total_length bytes, 256 a package (parameter parameter_base + position); the
 * replies' data, in order and cut at total_length, go into buffer, their count into
 * *received_length. */
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
/* Turn the work switch on and query once. Battery level: the number, or -1. */
CP_API int CP_Proto_QueryBatteryLevel(CP_Handle handle, unsigned int timeout);
/* Serial number: bytes stored into buffer (not terminated), or -1. */
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

/* ---- Network provisioning (UDP broadcast, AirKiss) ---------------------- */

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

#ifdef __cplusplus
}
#endif

#endif /* QUORVANE_H */
