// MSI (modified Plessey), plain and with a modulo 10 check digit.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::all_digit_values;
using barcode_detail::all_digits;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

constexpr unsigned int MSI_CHECK_MAX_DIGITS = 18;

int digit_sum(unsigned long long v)
{
    int s = 0;
    for (; v; v /= 10)
        s += static_cast<int>(v % 10);
    return s;
}

} // namespace

extern "C" {

int GenMSIChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    ValueList v(values);
    for (unsigned int i = 0; i < len; ++i)
        v.put(text[i] - '0');
    return v.finish();
}

// The digits at odd places from the right form a number that is doubled; its
// digit sum plus the other digits gives the check digit.
int GenMSICChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    if (len > MSI_CHECK_MAX_DIGITS)
        len = MSI_CHECK_MAX_DIGITS;
    unsigned long long odd = 0;
    int total = 0;
    for (unsigned int i = 0; i < len; ++i) {
        const int d = text[i] - '0';
        if ((len - 1 - i) % 2 == 0)
            odd = odd * 10 + d;
        else
            total += d;
    }
    total += digit_sum(odd * 2);
    ValueList v(values);
    for (unsigned int i = 0; i < len; ++i)
        v.put(text[i] - '0');
    v.put((10 - total % 10) % 10);
    return v.finish();
}

// Start bit 1, four bits per digit, stop bit 0 and a final narrow bar.
int MSIBarcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0 || !all_digit_values(values, n))
        return 0;
    int pos = FillMsiDot(start, 0x80, 1, row, unit);
    for (int i = 0; i < n; ++i) {
        if (pos > BARCODE_MAX_DOTS)
            return 0;
        pos = FillMsiDot(pos, static_cast<unsigned char>(values[i] << 4), 4, row, unit);
    }
    pos = FillMsiDot(pos, 0x00, 1, row, unit);
    pos = SetDot(pos, 0x80, 1, row, unit);
    return finish_row(pos);
}

} // extern "C"
