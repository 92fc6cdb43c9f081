// Helpers of the barcode tests: run one type's encoder and read back its row,
// and build expected module strings from the symbologies' element notations.
#ifndef QUORVANE_TESTS_BARCODE_TEST_SUPPORT_H
#define QUORVANE_TESTS_BARCODE_TEST_SUPPORT_H

#include "nzcommon/imgprocess/barcode_encoders.h"

#include <cstring>
#include <string>
#include <vector>

namespace barcode_test {

// Values of a check-digit step, or {-1} when it rejects the text.
inline std::vector<int> values_of(int type, const std::string &text)
{
    unsigned char copy[BARCODE_TEXT_SIZE] = {};
    unsigned char values[BARCODE_VALUES_SIZE] = {};
    memcpy(copy, text.data(), text.size() < BARCODE_TEXT_SIZE ? text.size() : BARCODE_TEXT_SIZE);
    if (BarFunctbl[type](copy, values, static_cast<unsigned int>(text.size())) != 0)
        return {-1};
    std::vector<int> out;
    for (unsigned int i = 0; i < BARCODE_VALUES_SIZE && values[i] != BARCODE_VALUES_END; ++i)
        out.push_back(values[i]);
    return out;
}

// The drawn row as '1' (bar) and '0' (space) for each dot, "" on failure.
inline std::string row_of(int type, const std::string &text, int unit = 1)
{
    unsigned char copy[BARCODE_TEXT_SIZE] = {};
    unsigned char values[BARCODE_VALUES_SIZE] = {};
    unsigned char row[BARCODE_ROW_BYTES] = {};
    memcpy(copy, text.data(), text.size() < BARCODE_TEXT_SIZE ? text.size() : BARCODE_TEXT_SIZE);
    if (BarFunctbl[type](copy, values, static_cast<unsigned int>(text.size())) != 0)
        return "";
    const int width = PrnBarFunctbl[type](0, values, row, static_cast<unsigned char>(unit));
    std::string s;
    for (int d = 0; d < width; ++d)
        s += (row[d >> 3] & (0x80 >> (d & 7))) ? '1' : '0';
    return s;
}

// Modules from element widths ("131112"), bar first.
inline std::string from_widths(const std::string &widths)
{
    std::string s;
    bool bar = true;
    for (char c : widths) {
        s.append(static_cast<size_t>(c - '0'), bar ? '1' : '0');
        bar = !bar;
    }
    return s;
}

// Modules from narrow/wide elements ("nnwwn"), bar first, wide = 3 modules.
inline std::string from_nw(const std::string &elements)
{
    std::string widths;
    for (char c : elements)
        widths += c == 'w' ? '3' : '1';
    return from_widths(widths);
}

// Each module repeated `unit` times.
inline std::string scaled(const std::string &modules, int unit)
{
    std::string s;
    for (char c : modules)
        s.append(static_cast<size_t>(unit), c);
    return s;
}

} // namespace barcode_test

#endif
