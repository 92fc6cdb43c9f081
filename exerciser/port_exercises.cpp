// Port, printer and receipt exercises.
#include <cstdio>
#include <cstring>

#include "exercises.h"
#include "quorvane.h"

namespace {

// Shows "Write failed" when ok is 0; returns ok.
int Checked(int ok)
{
    if (!ok)
        ShowMessage("Write failed");
    return ok ? 1 : 0;
}

int SpeedThenSelfTest(void *h, int speed)
{
    CP_Pos_SetPrintSpeed(h, speed);
    return Checked(CP_Pos_PrintSelfTestPage(h));
}

int DensityThenSelfTest(void *h, int density)
{
    CP_Pos_SetPrintDensity(h, density);
    return Checked(CP_Pos_PrintSelfTestPage(h));
}

} // namespace

int Test_Port_Write(void *h)
{
    const unsigned char cmd[] = {0x12, 0x54};
    return Checked(CP_Port_Write(h, cmd, sizeof(cmd), 1000) == static_cast<int>(sizeof(cmd)));
}

int Test_Port_Read(void *h)
{
    CP_Port_SkipAvailable(h);
    const unsigned char cmd[] = {0x10, 0x04, 0x01};
    if (CP_Port_Write(h, cmd, sizeof(cmd), 1000) != static_cast<int>(sizeof(cmd))) {
        ShowMessage("Write failed");
        return 0;
    }
    unsigned char status = 0;
    if (CP_Port_Read(h, &status, 1, 2000) != 1) {
        ShowMessage("Read failed");
        return 0;
    }
    char text[32];
    snprintf(text, sizeof(text), "Status: %02X", status);
    ShowMessage(text);
    return 1;
}

int Test_Port_ReadUntilByte(void *h)
{
    CP_Port_SkipAvailable(h);
    const unsigned char cmd[] = {0x1F, 0x28, 0x4C, 0x02, 0x00, 0x72, 0x41};
    if (CP_Port_Write(h, cmd, sizeof(cmd), 1000) != static_cast<int>(sizeof(cmd))) {
        ShowMessage("Write failed");
        return 0;
    }
    unsigned char buffer[256];
    const int count = CP_Port_ReadUntilByte(h, buffer, sizeof(buffer), 2000, 0x00);
    if (count <= 0) {
        ShowMessage("Read failed");
        return 0;
    }
    // Only the bytes received are shown, up to the first NUL among them.
    char text[sizeof(buffer) + 1];
    const size_t n = static_cast<size_t>(count) < sizeof(buffer) ? static_cast<size_t>(count) : sizeof(buffer);
    memcpy(text, buffer, n);
    text[n] = '\0';
    ShowMessage(text);
    return 1;
}

int Test_Port_Available(void *h)
{
    char text[32];
    snprintf(text, sizeof(text), "available: %d", CP_Port_Available(h));
    ShowMessage(text);
    return 1;
}

int Test_Port_SkipAvailable(void *h) { return CP_Port_SkipAvailable(h) ? 1 : 0; }

int Test_Port_IsConnectionValid(void *h)
{
    const int valid = CP_Port_IsConnectionValid(h) ? 1 : 0;
    char text[32];
    snprintf(text, sizeof(text), "valid: %d", valid);
    ShowMessage(text);
    return valid;
}

int Test_Printer_ClearPrinterBuffer(void *h) { return CP_Printer_ClearPrinterBuffer(h) ? 1 : 0; }

int Test_Pos_QueryRTStatus(void *h)
{
    const int status = CP_Pos_QueryRTStatus(h, 3000);
    if (!status) {
        ShowMessage("Query failed");
        return 0;
    }
    const unsigned int s = static_cast<unsigned int>(status);
    char text[80];
    snprintf(text, sizeof(text), "RTStatus: %02X %02X %02X %02X\r\n%s%s", s & 0xFF, (s >> 8) & 0xFF, (s >> 16) & 0xFF,
             (s >> 24) & 0xFF, (s & 0x400) ? "[Cover Up]" : "", (s & 0x2000) ? "[No Paper]" : "");
    ShowMessage(text);
    return 1;
}

int Test_Pos_QueryPrintResult(void *h)
{
    const int ok = CP_Pos_QueryPrintResult(h, 30000);
    ShowMessage(ok ? "Print Success" : "Print failed");
    return ok ? 1 : 0;
}

int Test_Pos_KickOutDrawer(void *h)
{
    CP_Pos_KickOutDrawer(h, 0, 100, 100);
    return Checked(CP_Pos_KickOutDrawer(h, 1, 100, 100));
}

int Test_Pos_Beep(void *h) { return Checked(CP_Pos_Beep(h, 3, 300)); }
int Test_Pos_PrintSelfTestPage(void *h) { return Checked(CP_Pos_PrintSelfTestPage(h)); }
int Test_Pos_ResetPrinter(void *h) { return Checked(CP_Pos_ResetPrinter(h)); }
int Test_Pos_SetPrintSpeed_20(void *h) { return SpeedThenSelfTest(h, 20); }
int Test_Pos_SetPrintSpeed_50(void *h) { return SpeedThenSelfTest(h, 50); }
int Test_Pos_SetPrintSpeed_100(void *h) { return SpeedThenSelfTest(h, 100); }
int Test_Pos_SetPrintDensity_0(void *h) { return DensityThenSelfTest(h, 0); }
int Test_Pos_SetPrintDensity_7(void *h) { return DensityThenSelfTest(h, 7); }
int Test_Pos_SetPrintDensity_15(void *h) { return DensityThenSelfTest(h, 15); }
