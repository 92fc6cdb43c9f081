// Conversions of dotted IPv4 texts and MAC texts into the bytes of configuration packets.
#ifndef QUORVANE_PORTS_NZHEXSTRINGUTILS_H
#define QUORVANE_PORTS_NZHEXSTRINGUTILS_H

class NZHexStringUtils {
public:
    // "a.b.c.d" into four bytes, each part 1 to 3 characters with a value 0..255 (the number
    // ends at the first non-digit; a part without a digit is refused). Parts are stored as they are read, so a failure may
    // leave earlier bytes written; true only when exactly four parts were stored.
    static bool ip_string_to_bytes_a(const char *text, unsigned char *out);
    // Six hex groups at character positions 0, 3, 6, 9, 12 and 15 (any one separator)
    // into six bytes, each starting with a hex digit; true when all six were stored, earlier bytes stay stored on failure.
    static bool mac_string_to_bytes_a(const char *text, unsigned char *out);
};

#endif
