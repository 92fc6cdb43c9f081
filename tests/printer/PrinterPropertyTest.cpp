#include <gtest/gtest.h>

#include <cstddef>

#include "printer/PrinterProperty.h"

TEST(PrinterProperty, DefaultsInDeclaredOrder)
{
    struct Row {
        int PrinterProperty::*field;
        size_t offset;
        int value;
    } rows[] = {
        {&PrinterProperty::textBaselineOffset, offsetof(PrinterProperty, textBaselineOffset), 3},
        {&PrinterProperty::textLineHeight, offsetof(PrinterProperty, textLineHeight), 32},
        {&PrinterProperty::textScaleWidth, offsetof(PrinterProperty, textScaleWidth), 0},
        {&PrinterProperty::textScaleHeight, offsetof(PrinterProperty, textScaleHeight), 0},
        {&PrinterProperty::asciiCharRightSpacing, offsetof(PrinterProperty, asciiCharRightSpacing), 0},
        {&PrinterProperty::kanjiCharLeftSpacing, offsetof(PrinterProperty, kanjiCharLeftSpacing), 0},
        {&PrinterProperty::kanjiCharRightSpacing, offsetof(PrinterProperty, kanjiCharRightSpacing), 0},
        {&PrinterProperty::asciiCharWidth, offsetof(PrinterProperty, asciiCharWidth), 12},
        {&PrinterProperty::asciiCharHeight, offsetof(PrinterProperty, asciiCharHeight), 24},
        {&PrinterProperty::kanjiCharWidth, offsetof(PrinterProperty, kanjiCharWidth), 24},
        {&PrinterProperty::kanjiCharHeight, offsetof(PrinterProperty, kanjiCharHeight), 24},
        {&PrinterProperty::barcodeUnitWidth, offsetof(PrinterProperty, barcodeUnitWidth), 2},
        {&PrinterProperty::barcodeHeight, offsetof(PrinterProperty, barcodeHeight), 60},
        {&PrinterProperty::barcodeReadableTextPosition, offsetof(PrinterProperty, barcodeReadableTextPosition), 2},
        {&PrinterProperty::barcodeReadableTextFontType, offsetof(PrinterProperty, barcodeReadableTextFontType), 0},
        {&PrinterProperty::pageAreaLeft, offsetof(PrinterProperty, pageAreaLeft), 0},
        {&PrinterProperty::pageAreaTop, offsetof(PrinterProperty, pageAreaTop), 0},
        {&PrinterProperty::pageAreaWidth, offsetof(PrinterProperty, pageAreaWidth), 0},
        {&PrinterProperty::pageAreaHeight, offsetof(PrinterProperty, pageAreaHeight), 0},
        {&PrinterProperty::pageDrawDirection, offsetof(PrinterProperty, pageDrawDirection), 0},
    };
    static_assert(sizeof(PrinterProperty) == 20 * sizeof(int), "twenty ints, nothing else");
    PrinterProperty p;
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_EQ(i * sizeof(int), rows[i].offset) << i;
        EXPECT_EQ(rows[i].value, p.*rows[i].field) << i;
    }
}
