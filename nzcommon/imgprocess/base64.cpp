// Base64 encoder and decoder.
#include "nzcommon/imgprocess/base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Value of an alphabet character, -1 for anything else.
int Sextet(unsigned char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return -1;
}

} // namespace

int base64_encode(const unsigned char *data, int length, char *out)
{
    if (!out)
        return 0;
    if (!data || length <= 0) {
        out[0] = '\0';
        return 0;
    }
    char *p = out;
    int i = 0;
    for (; i + 3 <= length; i += 3) {
        unsigned v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        *p++ = kAlphabet[(v >> 18) & 63];
        *p++ = kAlphabet[(v >> 12) & 63];
        *p++ = kAlphabet[(v >> 6) & 63];
        *p++ = kAlphabet[v & 63];
    }
    if (i < length) {
        unsigned v = data[i] << 16;
        if (i + 1 < length)
            v |= data[i + 1] << 8;
        *p++ = kAlphabet[(v >> 18) & 63];
        *p++ = kAlphabet[(v >> 12) & 63];
        *p++ = i + 1 < length ? kAlphabet[(v >> 6) & 63] : '=';
        *p++ = '=';
    }
    *p = '\0';
    return static_cast<int>(p - out);
}

int base64_decode(const char *text, int length, unsigned char *out)
{
    if (!text || !out || length <= 0 || length % 4 != 0)
        return 0;
    int count = 0;
    unsigned acc = 0;
    int bits = 0;
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '=')
            break;
        int v = Sextet(c);
        if (v < 0)
            return 0;
        acc = ((acc << 6) | static_cast<unsigned>(v)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out[count++] = static_cast<unsigned char>(acc >> bits);
        }
    }
    return count;
}
