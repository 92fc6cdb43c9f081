/* An application built against the installed library only: prints the library's version
 * text and checks that a receipt command reaches a memory connection byte for byte. */
#include <stdio.h>
#include <string.h>

#include <quorvane.h>

int main(void)
{
    static const unsigned char expected[] = {0x1D, 0x6B, 0x49, 0x04, '{', 'B', '1', '2'};
    CP_Handle h = CP_Port_OpenMemoryBuffer(1024);
    int ok;

    if (!h) {
        fprintf(stderr, "app: cannot open a memory connection\n");
        return 1;
    }
    ok = CP_Pos_PrintBarcode(h, CP_Pos_BarcodeType_CODE128, "{B12") &&
         CP_Port_GetMemoryBufferDataLength(h) == sizeof(expected) &&
         memcmp(CP_Port_GetMemoryBufferDataPointer(h), expected, sizeof(expected)) == 0;
    CP_Port_Close(h);
    if (!ok) {
        fprintf(stderr, "app: the barcode command did not arrive as sent\n");
        return 1;
    }
#ifdef QUORVANE_PACKAGE_VERSION
    printf("package %s\n", QUORVANE_PACKAGE_VERSION);
#endif
    printf("library %s\n", CP_Library_Version());
    return 0;
}
