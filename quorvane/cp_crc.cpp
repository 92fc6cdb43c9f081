// CP_CRC_Encrypt: XOR scrambling with a key byte derived by CRC-8 from a fresh random
// value and a fixed value that both sides know.
#include "quorvane/cp_crc.h"
#include "quorvane/Boundary.h"

#include <cstdlib>
#include <ctime>

#include "quorvane/quorvane.h"

namespace {

const unsigned char kKeyPolynomial = 0x31;
const unsigned int kKeyBlockSize = 6;

// The fixed scrambling value, assembled one byte at a time so that it never stands in
// the binary as one constant.
void FixedScrambleValue(unsigned char *out)
{
    out[0] = static_cast<unsigned char>('Q' ^ 0x1F);
    out[1] = static_cast<unsigned char>(0x2D + 0x2D);
    out[2] = static_cast<unsigned char>(0xE3 >> 1);
    out[3] = static_cast<unsigned char>(~0x3C);
}

} // namespace

unsigned char CRC8(const unsigned char *data, unsigned int length, unsigned char polynomial)
{
    unsigned char crc = 0xFF;
    if (!data)
        return crc;
    for (unsigned int i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<unsigned char>((crc >> 1) ^ polynomial) : static_cast<unsigned char>(crc >> 1);
    }
    return crc;
}

unsigned char CRC_ScrambleKey(unsigned int random)
{
    unsigned char block[kKeyBlockSize];
    block[0] = static_cast<unsigned char>(random >> 8);
    block[1] = static_cast<unsigned char>(random);
    FixedScrambleValue(block + 2);
    return CRC8(block, kKeyBlockSize, kKeyPolynomial);
}

extern "C" CP_API void CP_CRC_Encrypt(const unsigned char *input, unsigned int length, unsigned char *output,
                                      unsigned int *random)
{
    AtBoundary([&] {
        // Nowhere to put the random value: nothing to do.
        if (!random)
            return;
        srand(static_cast<unsigned int>(time(nullptr)));
        const unsigned int r = static_cast<unsigned int>(rand()) % 65536u;
        *random = r;
        // No buffers for the data: the random value is still stored, nothing is scrambled.
        if (length != 0 && (!input || !output))
            return;
        const unsigned char key = CRC_ScrambleKey(r);
        for (unsigned int i = 0; i < length; ++i)
            output[i] = input[i] ^ key;
    });
}
