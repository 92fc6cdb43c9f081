/*
 * receipt: prints a short receipt on a network printer.
 *
 *     receipt PRINTER-ADDRESS [PORT [PICTURE]]
 *
 * Connects to PRINTER-ADDRESS:PORT (9100 when not given) over TCP, prints a line of UTF-8
 * text with Chinese characters, a CODE128 barcode, a QR code and a picture (the PNG file
 * PICTURE, or a small built-in PNG), feeds and cuts, asks for the printer's real-time
 * status and closes. Each failure is reported on stderr; the exit status is 0 when every
 * step succeeded, 1 when one failed and 2 for a wrong command line.
 *
 * Build it against an installed library with
 *     cc -std=c99 receipt.c $(pkg-config --cflags --libs quorvane) -o receipt
 */
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <quorvane.h>

/* A 40 x 20 gray PNG: a black frame around a checkered block. */
static const unsigned char kPicturePng[] = {
    0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44, 0x52,
    0x00, 0x00, 0x00, 0x28, 0x00, 0x00, 0x00, 0x14, 0x08, 0x00, 0x00, 0x00, 0x00, 0xDA, 0x2D, 0x20,
    0x67, 0x00, 0x00, 0x00, 0x24, 0x49, 0x44, 0x41, 0x54, 0x78, 0xDA, 0x63, 0x60, 0xA0, 0x01, 0xF8,
    0x4F, 0x04, 0x18, 0x3C, 0x0A, 0x61, 0x3C, 0x74, 0x9A, 0x3C, 0x85, 0xB8, 0x15, 0x0D, 0x1E, 0x85,
    0xD4, 0xF7, 0xF5, 0xE0, 0x8E, 0x6B, 0x2A, 0x03, 0x00, 0xEF, 0x47, 0xDE, 0x30, 0x5E, 0x6A, 0x93,
    0xC7, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};

static int failures = 0;

/* Counts and reports a step that returned 0. */
static void check(int ok, const char *step)
{
    if (!ok) {
        fprintf(stderr, "receipt: %s failed\n", step);
        ++failures;
    }
}

/* What the four real-time status bytes say, in words. */
static void describe_status(unsigned int status)
{
    printf("printer status %08X:", status);
    if (status & CP_RTSTATUS_OFFLINE)
        printf(" offline");
    if (status & CP_RTSTATUS_COVER_OPEN)
        printf(" cover-open");
    if (status & CP_RTSTATUS_PAPER_END)
        printf(" paper-out");
    else if (status & CP_RTSTATUS_PAPER_NEAR_END)
        printf(" paper-low");
    if (status & (CP_RTSTATUS_CUTTER_ERROR | CP_RTSTATUS_UNRECOVERABLE_ERROR | CP_RTSTATUS_AUTO_RECOVERABLE_ERROR))
        printf(" error");
    if (!(status & CP_RTSTATUS_NOT_READY))
        printf(" ready");
    printf("\n");
}

int main(int argc, char **argv)
{
    const char *address;
    unsigned long port = 9100;
    const char *picture = NULL;
    CP_Handle h;
    int status;

    if (argc < 2 || argc > 4) {
        fprintf(stderr, "usage: receipt PRINTER-ADDRESS [PORT [PICTURE]]\n");
        return 2;
    }
    address = argv[1];
    if (argc > 2) {
        char *end = NULL;
        port = strtoul(argv[2], &end, 10);
        if (!end || *end || port == 0 || port > 65535) {
            fprintf(stderr, "receipt: bad port '%s'\n", argv[2]);
            return 2;
        }
    }
    if (argc > 3)
        picture = argv[3];

    /* Without auto-reply the open only connects: up to 3 s here. */
    h = CP_Port_OpenTcp(NULL, address, (unsigned short)port, 3000, 0);
    if (!h) {
        fprintf(stderr, "receipt: cannot connect to %s:%lu\n", address, port);
        return 1;
    }
    /* A printer that stops taking data makes a command fail after 10 s, not after the
     * default hour. */
    check(CP_Port_SetDefaultWriteTimeout(h, 10000), "setting the write time-out");

    check(CP_Pos_ResetPrinter(h), "resetting the printer");
    check(CP_Pos_SetMultiByteMode(h), "selecting multi-byte text");
    check(CP_Pos_SetMultiByteEncoding(h, CP_MultiByteEncoding_UTF8), "selecting UTF-8");
    check(CP_Pos_SetAlignment(h, 1), "centring");
    /* "Welcome" in Chinese, then in English. */
    check(CP_Pos_PrintTextInUTF8(h, L"\u6B22\u8FCE\u5149\u4E34 Welcome\n"), "printing the text");

    check(CP_Pos_SetBarcodeUnitWidth(h, 2), "setting the barcode module width");
    check(CP_Pos_SetBarcodeHeight(h, 60), "setting the barcode height");
    check(CP_Pos_SetBarcodeReadableTextPosition(h, 2), "placing the barcode text");
    check(CP_Pos_PrintBarcode_Code128Auto(h, "No.123456"), "printing the CODE128 barcode");

    /* Module size 4 dots, error correction level 2 (M). */
    check(CP_Pos_PrintQRCodeUseEpsonCmd(h, 4, 2, "https://example.com/r/123456"), "printing the QR code");

    /* The picture at its own size (0, 0), mean threshold, uncompressed raster. */
    if (picture)
        check(CP_Pos_PrintRasterImageFromFile(h, 0, 0, picture, CP_ImageBinarizationMethod_Thresholding,
                                              CP_ImageCompressionMethod_None),
              "printing the picture");
    else
        check(CP_Pos_PrintRasterImageFromData(h, 0, 0, kPicturePng, (int)sizeof(kPicturePng),
                                              CP_ImageBinarizationMethod_Thresholding, CP_ImageCompressionMethod_None),
              "printing the picture");

    check(CP_Pos_FeedAndHalfCutPaper(h), "cutting the paper");

    /* Waits up to 2 s for the four status bytes. */
    status = CP_Pos_QueryRTStatus(h, 2000);
    check(status != 0, "querying the printer status");
    if (status != 0)
        describe_status((unsigned int)status);

    check(CP_Port_Close(h), "closing the connection");
    return failures ? 1 : 0;
}
