#include "printer/NZPrinter.h"

#include <climits>
#include <cstring>

NZPrinter::NZPrinter() : m_writeTimeout(600000) {}
NZPrinter::~NZPrinter() {}

void NZPrinter::SetIODefaultTimeout(unsigned int timeout) { m_writeTimeout = timeout; }
unsigned int NZPrinter::GetIODefaultTimeout() const { return m_writeTimeout; }

bool NZPrinter::WriteCommand(const void *data, size_t len)
{
    if (!data && len != 0)
        return false;
    if (len > static_cast<size_t>(INT_MAX))
        return false;
    const int written = Write(static_cast<const unsigned char *>(data),
                              static_cast<unsigned int>(len), m_writeTimeout);
    return written >= 0 && static_cast<size_t>(written) == len;
}

bool NZPrinter::POS_KickDrawer(unsigned char m, unsigned char t1, unsigned char t2)
{
    const unsigned char cmd[] = {0x1B, 0x70, m, t1, t2};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_Beep(unsigned char n, unsigned char t)
{
    const unsigned char cmd[] = {0x1B, 0x42, n, t};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_FeedAndCutPaper()
{
    const unsigned char cmd[] = {0x1D, 0x56, 0x42, 0x00};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_FullCutPaper()
{
    const unsigned char cmd[] = {0x1B, 0x69};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_HalfCutPaper()
{
    const unsigned char cmd[] = {0x1B, 0x6D};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_Reset()
{
    const unsigned char cmd[] = {0x1B, 0x40};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetPrintSpeed(unsigned short n)
{
    const unsigned char cmd[] = {0x1F, 0x28, 0x73, 0x02, 0x00, Lo(n), Hi(n)};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetPrintDensity_16(unsigned char n)
{
    const unsigned char cmd[] = {0x12, 0x23, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_PrintSelfTestPage()
{
    const unsigned char cmd[] = {0x12, 0x54};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetSingleByteMode()
{
    const unsigned char cmd[] = {0x1C, 0x2E};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetCharacterSet(unsigned char n)
{
    const unsigned char cmd[] = {0x1B, 0x52, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetCharacterCodepage(unsigned char n)
{
    const unsigned char cmd[] = {0x1B, 0x74, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetMultiByteMode()
{
    const unsigned char cmd[] = {0x1C, 0x26};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_SetMultiByteEncoding(unsigned char n)
{
    const unsigned char cmd[] = {0x1B, 0x39, n};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_ClearPrinterBuffer()
{
    const unsigned char cmd[] = {0x10, 0x05, 0xFF, 0x01, 0x02};
    return WriteCommand(cmd, sizeof cmd);
}

bool NZPrinter::POS_ClearPrinterError()
{
    // 10 05 01 padded with zeros to 64 bytes.
    unsigned char cmd[64];
    memset(cmd, 0, sizeof cmd);
    cmd[0] = 0x10;
    cmd[1] = 0x05;
    cmd[2] = 0x01;
    return WriteCommand(cmd, sizeof cmd);
}
