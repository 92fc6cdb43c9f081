// Code 39, its full-ASCII form and the full-ASCII form with check character.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

constexpr int CODE39_START_STOP = 43;

// Value of a character of the 43-character set, -1 when it is not in it.
int code39_value(unsigned char c)
{
    for (int i = 0; i < 43; ++i)
        if (static_cast<unsigned char>(Code39Tbl[i]) == c)
            return i;
    return -1;
}

// Full-ASCII encoding; with `check`, the sum of the data values mod 43 follows.
int code39_full(const unsigned char *text, unsigned char *values, unsigned int len, bool check)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    ValueList v(values);
    v.put(CODE39_START_STOP);
    int sum = 0;
    for (unsigned int i = 0; i < len; ++i) {
        const unsigned char c = text[i];
        if (c >= 128)
            return -1;
        int value = code39_value(c);
        if (value < 0) {
            v.put(Shift39Set1[c]);
            sum += Shift39Set1[c];
            value = code39_value(static_cast<unsigned char>(Shift93Set2[c]));
        }
        v.put(value);
        sum += value;
    }
    if (check)
        v.put(sum % 43);
    v.put(CODE39_START_STOP);
    return v.finish();
}

} // namespace

extern "C" {

int GenCODE39Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    ValueList v(values);
    v.put(CODE39_START_STOP);
    for (unsigned int i = 0; i < len; ++i) {
        const int value = code39_value(text[i]);
        if (value < 0)
            return -1;
        v.put(value);
    }
    v.put(CODE39_START_STOP);
    return v.finish();
}

int GenCODE39FullChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    return code39_full(text, values, len, false);
}

int GenCODE39CFullChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    return code39_full(text, values, len, true);
}

// Nine elements per value (three wide), then a narrow gap: 16 units a character.
int CODE39Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0)
        return 0;
    int pos = start;
    for (int i = 0; i < n; ++i) {
        if (values[i] > CODE39_START_STOP || pos > BARCODE_MAX_DOTS)
            return 0;
        const unsigned char first8 = Code39BarTbl[values[i]];
        unsigned short pattern = static_cast<unsigned short>(first8 << 8);
        if (__builtin_popcount(first8) <= 2)
            pattern |= 0x0080; // the ninth element is the third wide one
        pos = Fill39Dot(pos, pattern, 9, row, unit);
        pos += unit;
    }
    return finish_row(pos);
}

} // extern "C"
