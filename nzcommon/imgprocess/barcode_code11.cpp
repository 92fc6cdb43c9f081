// Code 11 with one check character, two from 10 data characters on.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

constexpr int CODE11_DASH = 10;
constexpr int CODE11_START_STOP = 11;

// Weighted sum mod 11, weights 1..maxWeight from the right, repeating.
int code11_check(const ValueList &v, int maxWeight)
{
    int sum = 0;
    const unsigned int n = v.size();
    for (unsigned int i = 0; i < n; ++i)
        sum += v.at(i) * static_cast<int>((n - 1 - i) % maxWeight + 1);
    return sum % 11;
}

int put11(int pos, int value, unsigned char *row, unsigned char unit)
{
    pos = Fill39Dot(pos, static_cast<unsigned short>(Code11BarTbl[value] << 11), 5, row, unit);
    return pos + unit;
}

} // namespace

extern "C" {

int GenCODE11Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    ValueList v(values);
    for (unsigned int i = 0; i < len; ++i) {
        if (IsDigit(text[i]))
            v.put(text[i] - '0');
        else if (text[i] == '-')
            v.put(CODE11_DASH);
        else
            return -1;
    }
    v.put(code11_check(v, 10));
    if (len >= 10)
        v.put(code11_check(v, 9));
    return v.finish();
}

// Start, per value five elements and a gap, stop.
int CODE11Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0)
        return 0;
    int pos = put11(start, CODE11_START_STOP, row, unit);
    for (int i = 0; i < n; ++i) {
        if (values[i] > CODE11_DASH || pos > BARCODE_MAX_DOTS)
            return 0;
        pos = put11(pos, values[i], row, unit);
    }
    pos = put11(pos, CODE11_START_STOP, row, unit);
    return finish_row(pos);
}

} // extern "C"
