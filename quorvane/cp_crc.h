// Data scrambling: an 8-bit CRC and the key byte that CP_CRC_Encrypt derives from its
// 16-bit random value. The receiving side derives the same key from the random value.
#ifndef QUORVANE_CP_CRC_H
#define QUORVANE_CP_CRC_H

// Reflected CRC-8: start 0xFF, no final XOR; 0xFF for no data (or null data).
unsigned char CRC8(const unsigned char *data, unsigned int length, unsigned char polynomial);

// The key byte for a random value (its low 16 bits): CRC8 with polynomial 0x31 over the
// random value big-endian followed by the fixed 4-byte scrambling value.
unsigned char CRC_ScrambleKey(unsigned int random);

#endif
