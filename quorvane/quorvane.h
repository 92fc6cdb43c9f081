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

/* ---- Port: event callbacks ---------------------------------------------- */

/* ---- Port: reading, writing and enumerating ----------------------------- */

/* ---- Printer: status and events ----------------------------------------- */

/* ---- Pos: receipt commands ---------------------------------------------- */

/* ---- Settings ----------------------------------------------------------- */

/* ---- Page mode ---------------------------------------------------------- */

/* ---- Black-mark paper --------------------------------------------------- */

/* ---- Label pages -------------------------------------------------------- */

/* ---- Proto: packet protocol --------------------------------------------- */

/* ---- CRC ---------------------------------------------------------------- */

/* ---- Barcode, QR code and image conversion ------------------------------ */
/* Pixel arrays hold one 32-bit value per pixel, rows top-down, stored as given. Sizes of
 * buffers are in bytes. */

/* Width in dots of a barcode of the type (0 to 29) with unit_width dots per narrow module;
 * 0 when the text does not suit the type. */
CP_API int CP_Barcode_GetBarcodeWidth(int type, int unit_width, const char *text);
/* Draws the barcode, height rows high, into pixels; 1 when it fitted (width and height out). */
CP_API int CP_Barcode_GetBarcodeRGBAData(int type, int unit_width, int height, unsigned int background,
                                         unsigned int foreground, const char *text, unsigned int *pixels,
                                         long long pixels_size, int *width_out, int *height_out);
/* Modules per side of the QR symbol (version 0 picks the smallest, level 0 to 3 = L M Q H); 0 on failure. */
CP_API int CP_Qrcode_GetQrcodeWidth(const char *text, int version, int level);
/* Draws the QR symbol, one pixel per module, into pixels; 1 when it fitted. */
CP_API int CP_Qrcode_GetQrcodeRGBAData(const char *text, int version, int level, unsigned int background,
                                       unsigned int foreground, unsigned int *pixels, long long pixels_size,
                                       int *width_out, int *height_out);
/* Length of the JBIG data the image (pixel format 1 to 9, binarization method 0 to 2) compresses
 * to; data_length must cover the image. 0 on failure. */
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
/* Accepted and ignored: the library keeps no log. */
CP_API void CP_Logger_SetDebugEnabled(int enabled);
CP_API void CP_Logger_SetLogToFile(int enabled);

#ifdef __cplusplus
}
#endif

#endif /* QUORVANE_H */
