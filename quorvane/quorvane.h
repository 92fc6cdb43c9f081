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
