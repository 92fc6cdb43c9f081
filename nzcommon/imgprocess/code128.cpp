// Code 128: automatic code sets, GS1-128, code sets given in the data, and
// EAN-14 carried as Code 128.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::all_digits;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

enum CodeSet { SET_A, SET_B, SET_C };

constexpr int C128_FNC3 = 96;
constexpr int C128_FNC2 = 97;
constexpr int C128_SHIFT = 98;
constexpr int C128_CODE_C = 99;
constexpr int C128_CODE_B = 100;
constexpr int C128_CODE_A = 101;
constexpr int C128_FNC1 = 102;
constexpr int C128_START_A = 103;
constexpr int C128_STOP = 106;
constexpr int C128_MAX_VALUE = 106;

unsigned int digit_run(const unsigned char *text, unsigned int pos, unsigned int len)
{
    unsigned int r = 0;
    while (pos + r < len && IsDigit(text[pos + r]))
        ++r;
    return r;
}

// Check value over the start and the data values, then the stop value.
int finish_code128(ValueList &v)
{
    int sum = v.at(0);
    for (unsigned int i = 1; i < v.size(); ++i)
        sum = (sum + static_cast<int>(i) * v.at(i)) % 103;
    v.put(sum % 103);
    v.put(C128_STOP);
    return v.finish();
}

// Automatic code-set choice. `gs1` starts short digit texts in set B and puts
// FNC1 after the start value.
int code128_auto(const unsigned char *text, unsigned char *values, unsigned int len, bool gs1)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    for (unsigned int i = 0; i < len; ++i)
        if (text[i] >= 128)
            return -1;

    CodeSet set;
    const unsigned int d = digit_run(text, 0, len);
    if (text[0] < 32)
        set = SET_A;
    else if (d == 0)
        set = SET_B;
    else if (d >= 4)
        set = SET_C;
    else if (d < len)
        set = text[d] < 32 ? SET_A : SET_B;
    else
        set = gs1 ? SET_B : SET_C;

    ValueList v(values);
    v.put(C128_START_A + set);
    if (gs1)
        v.put(C128_FNC1);

    unsigned int pos = 0;
    while (pos < len) {
        const unsigned char c = text[pos];
        const unsigned char next = pos + 1 < len ? text[pos + 1] : 0;
        if (set == SET_C) {
            if (len - pos == 1) {
                v.put(C128_CODE_B);
                set = SET_B;
            } else if (IsDigit(c) && IsDigit(next)) {
                v.put((c - '0') * 10 + (next - '0'));
                pos += 2;
            } else if (c < 32 && next < 32) {
                v.put(C128_CODE_A);
                set = SET_A;
            } else {
                v.put(C128_CODE_B);
                set = SET_B;
            }
            continue;
        }
        const unsigned int r = digit_run(text, pos, len);
        if (r >= 4) {
            if (r % 2) {
                v.put(Barcode_encode_as(c));
                ++pos;
            }
            v.put(C128_CODE_C);
            set = SET_C;
        } else if (set == SET_A && c >= 96) {
            if (next < 32) {
                v.put(C128_SHIFT);
                v.put(c - 32);
                ++pos;
            } else {
                v.put(C128_CODE_B);
                set = SET_B;
            }
        } else if (set == SET_B && c < 32) {
            if (next < 96) {
                v.put(C128_CODE_A);
                set = SET_A;
            } else {
                v.put(C128_SHIFT);
                v.put(c + 64);
                ++pos;
            }
        } else {
            v.put(Barcode_encode_as(c));
            ++pos;
        }
    }
    return finish_code128(v);
}

} // namespace

extern "C" {

int GenCode128Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    return code128_auto(text, values, len, false);
}

int GenCodeEAN128Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    return code128_auto(text, values, len, true);
}

// Code sets and function characters given as bytes 0x90-0x99 in the data.
int GenCode128MChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    unsigned int pos = 0;
    CodeSet set = SET_B;
    if (text[0] >= 0x97 && text[0] <= 0x99) {
        set = static_cast<CodeSet>(text[0] - 0x97);
        pos = 1;
    }
    ValueList v(values);
    v.put(C128_START_A + set);
    for (; pos < len; ++pos) {
        const unsigned char c = text[pos];
        if (c > 0x99 || (c >= 0x80 && c <= 0x8F) || (c >= 0x97 && c <= 0x99))
            return -1;
        if (c >= 0x90) {
            switch (c) {
            case 0x94: v.put(C128_CODE_B); set = SET_B; continue;
            case 0x95: v.put(C128_CODE_A); set = SET_A; continue;
            case 0x96: v.put(C128_FNC1); continue;
            default: break;
            }
            if (set == SET_C) // FNC2, FNC3, shift and Code C have no meaning in set C
                return -1;
            switch (c) {
            case 0x90: v.put(C128_FNC3); break;
            case 0x91: v.put(C128_FNC2); break;
            case 0x92: v.put(C128_SHIFT); break;
            default: v.put(C128_CODE_C); set = SET_C; break;
            }
            continue;
        }
        switch (set) {
        case SET_B:
            if (c < 32)
                return -1;
            v.put(c - 32);
            break;
        case SET_A:
            if (c >= 96)
                return -1;
            v.put(c < 32 ? c + 64 : c - 32);
            break;
        case SET_C:
            if (pos + 1 >= len || !IsDigit(c) || !IsDigit(text[pos + 1]))
                return -1;
            v.put((c - '0') * 10 + (text[pos + 1] - '0'));
            ++pos;
            break;
        }
    }
    return finish_code128(v);
}

// EAN-14: at least 13 digits (at most 100 used); the check digit over the first
// 13 is appended and the whole is encoded with automatic code sets.
int GenCodeEAN14Checksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len < 13 || len > BARCODE_MAX_TEXT)
        return -1;
    if (len > 100)
        len = 100;
    if (!all_digits(text, len))
        return -1;
    int sum = 0;
    for (int i = 0; i < 13; ++i)
        sum += (text[i] - '0') * (i % 2 == 0 ? 3 : 1);
    text[len] = static_cast<unsigned char>('0' + (10 - sum % 10) % 10);
    text[len + 1] = 0;
    return code128_auto(text, values, len + 1, false);
}

// Eleven modules per value; the stop value gets two more bar modules.
int Code128Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0)
        return 0;
    int pos = start;
    for (int i = 0; i < n; ++i) {
        if (values[i] > C128_MAX_VALUE || pos + 11 * unit > BARCODE_MAX_DOTS)
            return 0;
        pos = SetDot(pos, Code128BarTbl[values[i]][0], 8, row, unit);
        pos = SetDot(pos, Code128BarTbl[values[i]][1], 3, row, unit);
        if (values[i] == C128_STOP)
            pos = SetDot(pos, 0xC0, 2, row, unit);
    }
    return finish_row(pos);
}

} // extern "C"
