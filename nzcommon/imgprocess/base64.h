// Base64 with the standard alphabet and '=' padding.
#ifndef NZCOMMON_IMGPROCESS_BASE64_H
#define NZCOMMON_IMGPROCESS_BASE64_H

// Writes the text and a terminating NUL into out, which must hold (length + 2) / 3 * 4 + 1
// bytes; returns the number of characters (without the NUL).
int base64_encode(const unsigned char *data, int length, char *out);

// Decodes text of a length that is a multiple of 4 up to the first '='; returns the number
// of bytes stored (complete bytes only, so out needs at most length / 4 * 3 bytes), or 0
// for a bad length or a character outside the alphabet.
int base64_decode(const char *text, int length, unsigned char *out);

#endif
