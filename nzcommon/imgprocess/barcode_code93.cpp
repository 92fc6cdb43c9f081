// Code 93 with full-ASCII shifts and the two check characters C and K.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

constexpr int CODE93_START_STOP = 47;
constexpr int CODE93_MAX_VALUE = 46;

int set43_value(unsigned char c)
{
    for (int i = 0; i < 43; ++i)
        if (static_cast<unsigned char>(Code39Tbl[i]) == c)
            return i;
    return -1;
}

// Weighted sum mod 47, weights 1..maxWeight from the right, repeating.
int code93_check(const ValueList &v, int maxWeight)
{
    int sum = 0;
    const unsigned int n = v.size();
    for (unsigned int i = 0; i < n; ++i)
        sum += v.at(i) * static_cast<int>((n - 1 - i) % maxWeight + 1);
    return sum % 47;
}

// One character: its 8 modules from the table and a closing space.
int put93(int pos, int value, unsigned char *row, unsigned char unit)
{
    pos = SetDot(pos, Code93BarTbl[value], 8, row, unit);
    return pos + unit;
}

} // namespace

extern "C" {

int GenCODE93Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    ValueList v(values);
    for (unsigned int i = 0; i < len; ++i) {
        const unsigned char c = text[i];
        if (c >= 128)
            return -1;
        int value = set43_value(c);
        if (value < 0) {
            v.put(Shift93Set1[c]);
            value = set43_value(static_cast<unsigned char>(Shift93Set2[c]));
        }
        v.put(value);
    }
    v.put(code93_check(v, 20));
    v.put(code93_check(v, 15));
    return v.finish();
}

// Start, the values, stop, and a final bar module.
int CODE93Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0)
        return 0;
    int pos = put93(start, CODE93_START_STOP, row, unit);
    for (int i = 0; i < n; ++i) {
        if (values[i] > CODE93_MAX_VALUE || pos > BARCODE_MAX_DOTS)
            return 0;
        pos = put93(pos, values[i], row, unit);
    }
    pos = put93(pos, CODE93_START_STOP, row, unit);
    pos = SetDot(pos, 0x80, 1, row, unit);
    return finish_row(pos);
}

} // extern "C"
