// Hardware settings: a fixed 28-byte command that selects hardware functions and
// carries their values, and the command writer that sends it.
#ifndef NZIOSETTINGPACKAGE_H
#define NZIOSETTINGPACKAGE_H

#include "ports/NZIOHolder.h"

// Which functions to set and their values: ints 0-10 select function i when
// nonzero, ints 11-23 are the values the command carries. Plain record; callers
// zero it.
struct PrinterHardwareFunction {
    static constexpr int FunctionCount = 11;
    static constexpr int CmdSize = 28;
    static constexpr int PrintSpeedFunction = 8;   // select flag of the print speed
    static constexpr int PrintSpeedValue = 21;     // int holding the print speed

    int values[24];

    // Stores 28 in *required (when given). Writes the command and stores 28 in
    // *written when buf holds at least 28 bytes; otherwise writes nothing and
    // stores 0.
    void GetCmd(unsigned char* buf, int size, int* required, int* written) const;
};

class NZIOSettingPackage : public NZIOHolder {
public:
    NZIOSettingPackage();
    ~NZIOSettingPackage() override;

    // Builds the command for the record and writes it to the held port; true when
    // all of it was written.
    bool Setting_Hardware_FunctionSelect(const PrinterHardwareFunction* function);
    // A zeroed record selecting only the print speed.
    bool Setting_Hardware_SetPrintSpeed(int speed);

    static constexpr unsigned int WriteTimeoutMs = 10000;
};

#endif
