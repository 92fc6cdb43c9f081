#include "printer/PrinterProperty.h"

PrinterProperty::PrinterProperty()
    : textBaselineOffset(3),
      textLineHeight(32),
      textScaleWidth(0),
      textScaleHeight(0),
      asciiCharRightSpacing(0),
      kanjiCharLeftSpacing(0),
      kanjiCharRightSpacing(0),
      asciiCharWidth(12),
      asciiCharHeight(24),
      kanjiCharWidth(24),
      kanjiCharHeight(24),
      barcodeUnitWidth(2),
      barcodeHeight(60),
      barcodeReadableTextPosition(2),
      barcodeReadableTextFontType(0),
      pageAreaLeft(0),
      pageAreaTop(0),
      pageAreaWidth(0),
      pageAreaHeight(0),
      pageDrawDirection(0)
{
}
