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

/* Label page language over a connection. Every call returns 1 when its whole command was
 * written, else 0. Coordinates and sizes are printer dots cut to 16 bits; settings and
 * colours are cut to 8 bits. */

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
/* Linear barcode: sends the readable-text position (1D 48 n) first, then the barcode of
 * the given type (0 UPC-A ... 8 CODE128), bar height, module width and rotation. */
CP_API int CP_Label_DrawBarcode(CP_Handle handle, int x, int y, int barcode_type, int text_position,
                                int height, int unit_width, int rotation, const char *str);
/* QR symbol: version (0 automatic), error-correction level, module size and rotation. */
CP_API int CP_Label_DrawQRCode(CP_Handle handle, int x, int y, int version, int ecc_level, int unit_width,
                               int rotation, const char *str);
CP_API int CP_Label_DrawQRCodeInUTF8(CP_Handle handle, int x, int y, int version, int ecc_level,
                                     int unit_width, int rotation, const wchar_t *str);
CP_API int CP_Label_DrawQRCodeInBytes(CP_Handle handle, int x, int y, int version, int ecc_level,
                                      int unit_width, int rotation, const unsigned char *data, int length);
/* PDF417 symbol with its five settings (3, 3, 0, 3, 0 is a common choice). */
CP_API int CP_Label_DrawPDF417Code(CP_Handle handle, int x, int y, int setting1, int setting2, int setting3,
                                   int setting4, int setting5, const char *str);
/* Image file or encoded image data drawn at width x height (binarization method 0 to 2,
 * compression 0 plain or 2 JBIG). A width or height of 0 or less follows the image's own
 * aspect ratio; both 0 or less keep its size. */
CP_API int CP_Label_DrawImageFromFile(CP_Handle handle, int x, int y, int width, int height, const char *path,
                                      int binarization_method, int compression_method);
CP_API int CP_Label_DrawImageFromData(CP_Handle handle, int x, int y, int width, int height,
                                      const unsigned char *data, int data_size, int binarization_method,
                                      int compression_method);
/* Pixel array in one of the pixel formats 1 to 9, stride bytes a row. */
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

/* ---- CRC ---------------------------------------------------------------- */

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
