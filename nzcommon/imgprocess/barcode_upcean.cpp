// EAN-13, EAN-8, UPC-A and UPC-E with their 2- and 5-digit add-ons.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::all_digit_values;
using barcode_detail::all_digits;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

constexpr unsigned char UPCA_MARKER = 10; // selects the all-set-A parity entry

// EAN/UPC check digit: weight 3 on the rightmost data digit, alternating leftwards.
int ean_check(const unsigned char *digits, int n)
{
    int sum = 0;
    for (int i = 0; i < n; ++i)
        sum += digits[i] * (((n - 1 - i) % 2 == 0) ? 3 : 1);
    return (10 - sum % 10) % 10;
}

// Values of `n` data digits (optionally behind the UPC-A marker), their check
// digit, then `addon` further digits.
int put_ean(unsigned char *text, unsigned char *values, int n, bool upcaMarker, int addon)
{
    if (!all_digits(text, n + addon))
        return -1;
    unsigned char digits[16];
    int k = 0;
    if (upcaMarker)
        digits[k++] = UPCA_MARKER;
    for (int i = 0; i < n; ++i)
        digits[k++] = text[i] & 0x0F;
    ValueList v(values);
    for (int i = 0; i < k; ++i)
        v.put(digits[i]);
    v.put(ean_check(digits, k));
    for (int i = 0; i < addon; ++i)
        v.put(text[n + i] & 0x0F);
    return v.finish();
}

int put_upce(unsigned char *text, unsigned char *values, int addon)
{
    if (!all_digits(text, 6 + addon))
        return -1;
    unsigned char e[6];
    unsigned char a[11];
    for (int i = 0; i < 6; ++i)
        e[i] = text[i] & 0x0F;
    UPCE_to_UPCA(e, a);
    ValueList v(values);
    v.put(0); // number system 0
    for (int i = 0; i < 6; ++i)
        v.put(e[i]);
    v.put(ean_check(a, 11));
    for (int i = 0; i < addon; ++i)
        v.put(text[6 + i] & 0x0F);
    return v.finish();
}

// Guard 101, six left digits with sets from the leading value, centre 01010,
// six right digits in set C, guard 101: 95 modules.
int draw_ean13(int pos, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    if (values[0] > UPCA_MARKER || !all_digit_values(values + 1, 12))
        return -1;
    const unsigned char parity = EAN13Tbl[values[0]];
    pos = SetDot(pos, 0xA0, 3, row, unit);
    for (int i = 0; i < 6; ++i)
        pos = SetDot(pos, Read13LRDot(values[1 + i], (parity >> (7 - i)) & 1), 7, row, unit);
    pos = SetDot(pos, 0x50, 5, row, unit);
    for (int i = 0; i < 6; ++i)
        pos = SetDot(pos, Read13LRDot(values[7 + i], 2), 7, row, unit);
    return SetDot(pos, 0xA0, 3, row, unit);
}

// 101, four set-A digits, 01010, four set-C digits, 101: 67 modules.
int draw_ean8(int pos, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    if (!all_digit_values(values, 8))
        return -1;
    pos = SetDot(pos, 0xA0, 3, row, unit);
    for (int i = 0; i < 4; ++i)
        pos = SetDot(pos, Read13LRDot(values[i], 0), 7, row, unit);
    pos = SetDot(pos, 0x50, 5, row, unit);
    for (int i = 0; i < 4; ++i)
        pos = SetDot(pos, Read13LRDot(values[4 + i], 2), 7, row, unit);
    return SetDot(pos, 0xA0, 3, row, unit);
}

// 101, six digits with parities chosen by the check digit, 010101: 51 modules.
int draw_upce(int pos, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    if (values[0] != 0 || !all_digit_values(values + 1, 7))
        return -1;
    const unsigned char parity = upctbl[values[7]];
    pos = SetDot(pos, 0xA0, 3, row, unit);
    for (int i = 0; i < 6; ++i)
        pos = SetDot(pos, Read13LRDot(values[1 + i], (parity >> (7 - i)) & 1), 7, row, unit);
    return SetDot(pos, 0x54, 6, row, unit);
}

// A 10-module gap, start 1011, the digits separated by 01.
int draw_addon(int pos, const unsigned char *digits, int n, unsigned char *row, unsigned char unit)
{
    if (!all_digit_values(digits, n))
        return -1;
    unsigned char parity; // bit 7 for the first digit, 1 = set B
    if (n == 2) {
        parity = static_cast<unsigned char>(((digits[0] * 10 + digits[1]) % 4) << 6);
    } else {
        const int cv = (3 * (digits[0] + digits[2] + digits[4]) + 9 * (digits[1] + digits[3])) % 10;
        parity = EAN13_5Tbl[cv];
    }
    pos += 10 * unit;
    pos = SetDot(pos, 0xB0, 4, row, unit);
    for (int i = 0; i < n; ++i) {
        if (i > 0)
            pos = SetDot(pos, 0x40, 2, row, unit);
        pos = SetDot(pos, Read13LRDot(digits[i], (parity >> (7 - i)) & 1), 7, row, unit);
    }
    return pos;
}

enum class Main { EAN13, EAN8, UPCE };

// Draws a main symbol and an optional add-on after checking that the value
// list has exactly the layout of this type.
int draw_symbol(Main kind, int addon, int start, const unsigned char *values, unsigned char *row,
                unsigned char unit)
{
    const int mainCount = kind == Main::EAN13 ? 13 : 8;
    if (start < 0 || value_count(values) != mainCount + addon)
        return 0;
    int pos;
    switch (kind) {
    case Main::EAN13: pos = draw_ean13(start, values, row, unit); break;
    case Main::EAN8: pos = draw_ean8(start, values, row, unit); break;
    default: pos = draw_upce(start, values, row, unit); break;
    }
    if (pos >= 0 && addon > 0)
        pos = draw_addon(pos, values + mainCount, addon, row, unit);
    return pos < 0 ? 0 : finish_row(pos);
}

} // namespace

extern "C" {

// EAN-13 (12 digits) and EAN-8 (7 digits); a given check digit is replaced.
int GenEAN13Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    if (len == 13 || len == 8)
        --len;
    if (len != 12 && len != 7)
        return -1;
    return put_ean(text, values, static_cast<int>(len), false, 0);
}

// UPC-A: the first 11 of at least 11 digits (all characters must be digits),
// behind the all-set-A marker.
int GenUPCAChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len < 11 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    return put_ean(text, values, 11, true, 0);
}

// EAN-13 or EAN-8 data without check digit, followed by 2 add-on digits.
int GenEAN13_2Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len != 12 + 2 && len != 7 + 2)
        return -1;
    return put_ean(text, values, static_cast<int>(len) - 2, false, 2);
}

int GenEAN13_5Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len != 12 + 5 && len != 7 + 5)
        return -1;
    return put_ean(text, values, static_cast<int>(len) - 5, false, 5);
}

// UPC-A with add-on: 11 data digits and the add-on; longer text is cut.
int GenUPCA_2Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len < 13 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    return put_ean(text, values, 11, true, 2);
}

int GenUPCA_5Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len < 16 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    return put_ean(text, values, 11, true, 5);
}

// UPC-E, number system 0: six data digits; further digits are ignored.
int GenUPCEChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len < 6 || len > BARCODE_MAX_TEXT || !all_digits(text, len))
        return -1;
    return put_upce(text, values, 0);
}

// UPC-E with add-on: exactly the six data digits and the add-on digits.
int GenUPCE_2Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len != 6 + 2)
        return -1;
    return put_upce(text, values, 2);
}

int GenUPCE_5Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len != 6 + 5)
        return -1;
    return put_upce(text, values, 5);
}

int EAN13Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::EAN13, 0, start, values, row, unit);
}

int EAN8Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::EAN8, 0, start, values, row, unit);
}

int UPCEBarcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::UPCE, 0, start, values, row, unit);
}

int EAN13_2Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::EAN13, 2, start, values, row, unit);
}

int EAN13_5Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::EAN13, 5, start, values, row, unit);
}

int EAN8_2Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::EAN8, 2, start, values, row, unit);
}

int EAN8_5Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::EAN8, 5, start, values, row, unit);
}

int UPCE_2Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::UPCE, 2, start, values, row, unit);
}

int UPCE_5Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    return draw_symbol(Main::UPCE, 5, start, values, row, unit);
}

} // extern "C"
