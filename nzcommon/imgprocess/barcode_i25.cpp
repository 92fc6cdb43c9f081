// Interleaved 2 of 5: plain, with check digit, and ITF-14.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::all_digit_values;
using barcode_detail::all_digits;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

// Check digit with weight 3 on the last digit, alternating leftwards.
int check_from_right(const unsigned char *text, unsigned int len)
{
    int sum = 0;
    for (unsigned int i = 0; i < len; ++i)
        sum += (text[i] - '0') * (((len - 1 - i) % 2 == 0) ? 3 : 1);
    return (10 - sum % 10) % 10;
}

} // namespace

extern "C" {

// Digits only; an odd count gets a leading 0.
int GenI25Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    ValueList v(values);
    if (len % 2)
        v.put(0);
    for (unsigned int i = 0; i < len; ++i)
        v.put(text[i] - '0');
    return v.finish();
}

// Digits and a check digit; an even count gets a leading 0 so that data and
// check digit together are even.
int GenI25CChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    ValueList v(values);
    if (len % 2 == 0)
        v.put(0);
    for (unsigned int i = 0; i < len; ++i)
        v.put(text[i] - '0');
    v.put(check_from_right(text, len));
    return v.finish();
}

// ITF-14: 13 data digits and their check digit. A 14th digit given as check
// digit is replaced by the computed one; digits after the 14th are ignored.
int GenIITF14Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len <= 12 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    ValueList v(values);
    for (unsigned int i = 0; i < 13; ++i)
        v.put(text[i] - '0');
    v.put(check_from_right(text, 13));
    return v.finish();
}

// Start (narrow bar, space, bar, space), the digit pairs, stop (wide bar,
// narrow space, narrow bar, narrow space).
int I25Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0 || n % 2 || !all_digit_values(values, n))
        return 0;
    int pos = SetDot(start, 0xA0, 4, row, unit);
    for (int i = 0; i < n && pos <= BARCODE_MAX_DOTS; i += 2)
        pos = FillI25Dot(pos, i25tbl[values[i]], i25tbl[values[i + 1]], row, unit);
    pos = Fill39Dot(pos, 0x8000, 4, row, unit);
    return finish_row(pos);
}

} // extern "C"
