// Helpers shared by the barcode encoder files (not part of the interface).
#ifndef QUORVANE_BARCODE_INTERNAL_H
#define QUORVANE_BARCODE_INTERNAL_H

#include "nzcommon/imgprocess/barcode_encoders.h"

namespace barcode_detail {

// Appends symbol values, never past the value buffer; an over-long symbol
// makes finish() report failure.
class ValueList {
public:
    explicit ValueList(unsigned char *values) : v_(values) {}
    void put(int value)
    {
        if (n_ + 1 >= BARCODE_VALUES_SIZE) {
            ok_ = false;
            return;
        }
        v_[n_++] = static_cast<unsigned char>(value);
    }
    unsigned int size() const { return n_; }
    int at(unsigned int i) const { return v_[i]; }
    int finish()
    {
        if (!ok_)
            return -1;
        v_[n_] = BARCODE_VALUES_END;
        return 0;
    }

private:
    unsigned char *v_;
    unsigned int n_ = 0;
    bool ok_ = true;
};

// Number of values before the end marker, -1 when the marker is missing.
inline int value_count(const unsigned char *values)
{
    for (unsigned int i = 0; i < BARCODE_VALUES_SIZE; ++i)
        if (values[i] == BARCODE_VALUES_END)
            return static_cast<int>(i);
    return -1;
}

// A writer's result: the position after the symbol, or 0 when it does not fit the row.
inline int finish_row(int pos)
{
    return (pos > 0 && pos <= BARCODE_MAX_DOTS) ? pos : 0;
}

// Digits only, each at most 9, over n values.
inline bool all_digit_values(const unsigned char *values, int n)
{
    for (int i = 0; i < n; ++i)
        if (values[i] > 9)
            return false;
    return true;
}

// Digit-only text.
inline bool all_digits(const unsigned char *text, unsigned int len)
{
    for (unsigned int i = 0; i < len; ++i)
        if (!IsDigit(text[i]))
            return false;
    return true;
}

} // namespace barcode_detail

#endif
