// Common base of the command writers (receipt and label): holds the connection's
// port and sends the commands every printer understands. Each command is built
// completely and leaves in one Write with the writer's time-out; it succeeds only
// when every byte was written. Not locked: one caller at a time per writer.
#ifndef QUORVANE_PRINTER_NZPRINTER_H
#define QUORVANE_PRINTER_NZPRINTER_H

#include <cstddef>

#include "ports/NZIOHolder.h"

class NZPrinter : public NZIOHolder {
public:
    // No port attached; write time-out 600000 ms.
    NZPrinter();
    ~NZPrinter() override;

    void SetIODefaultTimeout(unsigned int timeout);
    unsigned int GetIODefaultTimeout() const;

    bool POS_KickDrawer(unsigned char m, unsigned char t1, unsigned char t2);
    bool POS_Beep(unsigned char n, unsigned char t);
    bool POS_FeedAndCutPaper();
    bool POS_FullCutPaper();
    bool POS_HalfCutPaper();
    bool POS_Reset();
    bool POS_SetPrintSpeed(unsigned short n);
    bool POS_SetPrintDensity_16(unsigned char n);
    bool POS_PrintSelfTestPage();
    bool POS_SetSingleByteMode();
    bool POS_SetCharacterSet(unsigned char n);
    bool POS_SetCharacterCodepage(unsigned char n);
    bool POS_SetMultiByteMode();
    bool POS_SetMultiByteEncoding(unsigned char n);
    bool POS_ClearPrinterBuffer();
    bool POS_ClearPrinterError();

protected:
    // Sends one complete command; true when all len bytes were written. Null data
    // with a non-zero length, or a length a write count cannot report, fails
    // without writing.
    bool WriteCommand(const void *data, size_t len);

    // Little-endian halves of a 16-bit command field.
    static unsigned char Lo(unsigned short v) { return static_cast<unsigned char>(v & 0xFF); }
    static unsigned char Hi(unsigned short v) { return static_cast<unsigned char>(v >> 8); }

private:
    unsigned int m_writeTimeout;
};

#endif
