// AirKiss length encoding: an SSID, a password and a random byte become the lengths of
// the datagrams that a listening device decodes (leading part, magic part, content part).
#ifndef QUORVANE_PORTS_NZAIRKISSENCODER_H
#define QUORVANE_PORTS_NZAIRKISSENCODER_H

// CRC-8/MAXIM (reflected polynomial 0x8C, initial 0, no final XOR); 0 for no bytes.
unsigned char NZAirKissEncoder_CRC8(const unsigned char *data, unsigned int count);

// Each Fill function writes only when room (in values) covers what its part needs,
// stores that need through needed when it is not null, and returns the number of
// values written (0 when the room is too small or the input is unusable).

// The group 1, 2, 3, 4 repeated leadingCount times.
unsigned int NZAirKissEncoder_FillLeadingPart(unsigned int *array, unsigned int room, unsigned int leadingCount,
                                              unsigned int *needed);
// Total length and SSID CRC as four values, repeated magicRepeat times.
unsigned int NZAirKissEncoder_FillMagicCode(unsigned int *array, unsigned int room, unsigned int magicRepeat,
                                            const char *ssid, const char *password, unsigned int *needed);
// Password length and its CRC as four values.
unsigned int NZAirKissEncoder_FillPrefixCode(unsigned int *array, unsigned int room, const char *password,
                                             unsigned int *needed);
// One data block: CRC value, index value, then 256 + each byte (count + 2 values).
unsigned int NZAirKissEncoder_FillSequenceData(unsigned int *array, unsigned int room, unsigned int index,
                                               const unsigned char *bytes, unsigned int count,
                                               unsigned int *needed);
// Prefix group and the blocks of password, random byte and SSID, repeated contentRepeat times.
unsigned int NZAirKissEncoder_FillContentData(unsigned int *array, unsigned int room, unsigned int contentRepeat,
                                              const char *ssid, const char *password, unsigned char randomByte,
                                              unsigned int *needed);
// The whole malloc'ed length array (the caller frees it); *count receives the total
// number of values in any case. Null when the total is 0, the input is null or too
// large, or memory runs out.
unsigned int *NZAirKissEncoder_EncodeDataToLengthArray(const char *ssid, const char *password,
                                                       unsigned char randomByte, unsigned int leadingCount,
                                                       unsigned int magicRepeat, unsigned int contentRepeat,
                                                       unsigned int *count);

#endif
