#include "printer/NZIOSettingPackage.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "ports/NZUtils.h"

void PrinterHardwareFunction::GetCmd(unsigned char* buf, int size, int* required, int* written) const
{
    if (required)
        *required = CmdSize;
    if (!buf || size < CmdSize) {
        if (written)
            *written = 0;
        return;
    }

    unsigned int bitmap = 0;
    for (int i = 0; i < FunctionCount; ++i)
        if (values[i])
            bitmap |= 1u << i;
    // Values are cut to their field widths in unsigned arithmetic.
    const unsigned int v13 = (unsigned int)(values[13] / 8);
    const unsigned int packed = (((unsigned int)values[18] & 0x7Fu) << 25) |
                                (((unsigned int)values[19] & 0xFFFu) << 12) |
                                ((unsigned int)values[20] & 0xFFFu);

    unsigned char* p = buf;
    p[0] = 0x1F;
    p[1] = 0x53;
    p[2] = (unsigned char)(bitmap >> 24);
    p[3] = (unsigned char)(bitmap >> 16);
    p[4] = (unsigned char)(bitmap >> 8);
    p[5] = (unsigned char)bitmap;
    p[6] = p[7] = p[8] = p[9] = 0;
    p[10] = (unsigned char)(CmdSize - 12);
    p[11] = (unsigned char)values[11];
    p[12] = (unsigned char)values[12];
    p[13] = (unsigned char)v13;
    p[14] = (unsigned char)((unsigned int)values[14] >> 8);
    p[15] = (unsigned char)values[14];
    p[16] = (unsigned char)((unsigned int)values[15] >> 8);
    p[17] = (unsigned char)values[15];
    p[18] = (unsigned char)values[16];
    p[19] = (unsigned char)values[17];
    p[20] = (unsigned char)(packed >> 24);
    p[21] = (unsigned char)(packed >> 16);
    p[22] = (unsigned char)(packed >> 8);
    p[23] = (unsigned char)packed;
    p[24] = (unsigned char)values[21];
    p[25] = (unsigned char)values[22];
    switch (values[23]) {
    case 1: p[26] = 'h'; break;
    case 2: p[26] = 'f'; break;
    case 3: p[26] = 'r'; break;
    default: p[26] = 0x00; break;
    }
    unsigned char check = 0;
    for (int i = 11; i <= 26; ++i)
        check ^= p[i];
    p[27] = check;
    if (written)
        *written = CmdSize;
}

NZIOSettingPackage::NZIOSettingPackage() {}

NZIOSettingPackage::~NZIOSettingPackage() {}

bool NZIOSettingPackage::Setting_Hardware_FunctionSelect(const PrinterHardwareFunction* function)
{
    if (!function)
        return false;
    int required = 0;
    function->GetCmd(nullptr, 0, &required, nullptr);
    if (required <= 0)
        return false;
    // Owned across the write: a cancelled caller's unwinding frees it.
    const std::unique_ptr<unsigned char, NZFree> cmd((unsigned char*)malloc((size_t)required));
    if (!cmd)
        return false;
    int written = 0;
    function->GetCmd(cmd.get(), required, &required, &written);
    if (written != required || written == 0)
        return false;
    return Write(cmd.get(), (unsigned int)written, WriteTimeoutMs) == written;
}

bool NZIOSettingPackage::Setting_Hardware_SetPrintSpeed(int speed)
{
    PrinterHardwareFunction f;
    memset(&f, 0, sizeof(f));
    f.values[PrinterHardwareFunction::PrintSpeedFunction] = 1;
    f.values[PrinterHardwareFunction::PrintSpeedValue] = speed;
    return Setting_Hardware_FunctionSelect(&f);
}
