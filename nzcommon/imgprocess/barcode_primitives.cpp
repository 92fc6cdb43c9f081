// Drawing primitives of the linear barcode writers.
#include "nzcommon/imgprocess/barcode_internal.h"

namespace {

// Sets `width` dots from `pos` as bars; dots outside the row are not written.
void put_bar(unsigned char *row, int pos, int width)
{
    for (int d = pos; d < pos + width; ++d)
        if (d >= 0 && d < BARCODE_MAX_DOTS)
            row[d >> 3] |= static_cast<unsigned char>(0x80 >> (d & 7));
}

} // namespace

extern "C" {

// Writes the first nbits of pattern (most significant first), each bit `unit`
// dots. Nothing is written at or past dot 2000, but the returned position keeps
// counting so that the writers can refuse a symbol that does not fit.
int SetDot(int pos, unsigned char pattern, int nbits, unsigned char *row, unsigned char unit)
{
    for (int i = 0; i < nbits && i < 8; ++i) {
        if (pattern & (0x80 >> i))
            put_bar(row, pos, unit);
        pos += unit;
    }
    return pos;
}

// Alternating bar and space elements from the top bits of pattern, bar first;
// a 1 bit is a wide element of 3 units.
int Fill39Dot(int pos, unsigned short pattern, int nelements, unsigned char *row, unsigned char unit)
{
    for (int i = 0; i < nelements && i < 16; ++i) {
        const int width = ((pattern << i) & 0x8000) ? 3 * unit : unit;
        if ((i & 1) == 0)
            put_bar(row, pos, width);
        pos += width;
    }
    return pos;
}

// One Interleaved 2 of 5 digit pair: bars from the first digit's 5 elements,
// spaces from the second's, element by element.
int FillI25Dot(int pos, unsigned char bars, unsigned char spaces, unsigned char *row, unsigned char unit)
{
    for (int i = 0; i < 5; ++i) {
        const int bar = (bars & (0x80 >> i)) ? 3 * unit : unit;
        put_bar(row, pos, bar);
        pos += bar;
        pos += (spaces & (0x80 >> i)) ? 3 * unit : unit;
    }
    return pos;
}

// MSI bits, most significant first: 1 = bar of 3 units and space of 1,
// 0 = bar of 1 unit and space of 3.
int FillMsiDot(int pos, unsigned char bits, int nbits, unsigned char *row, unsigned char unit)
{
    for (int i = 0; i < nbits && i < 8; ++i) {
        const bool one = bits & (0x80 >> i);
        const int bar = one ? 3 * unit : unit;
        put_bar(row, pos, bar);
        pos += bar + (one ? unit : 3 * unit);
    }
    return pos;
}

// The pattern of a digit in number set A (0), B (1) or C (2).
unsigned char Read13LRDot(unsigned char digit, int set)
{
    if (digit > 9)
        return 0;
    switch (set) {
    case 0: return tbl13o[digit];
    case 1: return tbl13e[digit];
    default: return tbl13r[digit];
    }
}

// Expands the six UPC-E data digits (number system 0) to the 11 UPC-A data
// digits by the zero-suppression rules.
void UPCE_to_UPCA(const unsigned char *e, unsigned char *a)
{
    for (int i = 0; i < 11; ++i)
        a[i] = 0;
    switch (e[5]) {
    case 0: case 1: case 2:
        a[1] = e[0]; a[2] = e[1]; a[3] = e[5];
        a[8] = e[2]; a[9] = e[3]; a[10] = e[4];
        break;
    case 3:
        a[1] = e[0]; a[2] = e[1]; a[3] = e[2];
        a[9] = e[3]; a[10] = e[4];
        break;
    case 4:
        a[1] = e[0]; a[2] = e[1]; a[3] = e[2]; a[4] = e[3];
        a[10] = e[4];
        break;
    default:
        a[1] = e[0]; a[2] = e[1]; a[3] = e[2]; a[4] = e[3]; a[5] = e[4];
        a[10] = e[5];
        break;
    }
}

int IsDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// Code 128 value of a character in set A or B.
int Barcode_encode_as(unsigned char c)
{
    // Codes 0-31 follow the printable ones in set A; bytes 128-134 stand for
    // the function values 96-102; everything else is code - 32.
    return c < 32 ? c + 64 : c - 32;
}

} // extern "C"
