// Codabar, with start and stop characters A to D.
#include "nzcommon/imgprocess/barcode_internal.h"

using barcode_detail::ValueList;
using barcode_detail::finish_row;
using barcode_detail::value_count;

namespace {

constexpr int CODABAR_A = 16;

int codabar_value(unsigned char c)
{
    for (int i = 0; i < 20; ++i)
        if (static_cast<unsigned char>(CodeBarCharTbl[i]) == c)
            return i;
    return -1;
}

bool is_start_stop(unsigned char c)
{
    return c >= 'A' && c <= 'D';
}

} // namespace

extern "C" {

// A missing start or stop character (A to D) becomes 'A'.
int GenCodeBarChecksum(unsigned char *text, unsigned char *values, unsigned int len)
{
    if (len == 0 || len > BARCODE_MAX_TEXT)
        return -1;
    ValueList v(values);
    if (!is_start_stop(text[0]))
        v.put(CODABAR_A);
    for (unsigned int i = 0; i < len; ++i) {
        const int value = codabar_value(text[i]);
        if (value < 0)
            return -1;
        v.put(value);
    }
    if (!is_start_stop(text[len - 1]))
        v.put(CODABAR_A);
    return v.finish();
}

// Seven elements per value, then a narrow gap.
int CodeBarBarcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit)
{
    const int n = value_count(values);
    if (start < 0 || n <= 0)
        return 0;
    int pos = start;
    for (int i = 0; i < n; ++i) {
        if (values[i] >= 20 || pos > BARCODE_MAX_DOTS)
            return 0;
        pos = Fill39Dot(pos, static_cast<unsigned short>(CodeBarBarTbl[values[i]] << 8), 7, row, unit);
        pos += unit;
    }
    return finish_row(pos);
}

} // extern "C"
