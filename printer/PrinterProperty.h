// The text, barcode and page settings last sent through a connection, kept so
// that page-mode drawing can compute sizes the printer cannot be asked for.
#ifndef PRINTERPROPERTY_H
#define PRINTERPROPERTY_H

struct PrinterProperty {
    PrinterProperty();

    int textBaselineOffset;           // dots from the bottom of a text cell to the print position
    int textLineHeight;
    int textScaleWidth;               // 0 = normal width
    int textScaleHeight;              // 0 = normal height
    int asciiCharRightSpacing;
    int kanjiCharLeftSpacing;
    int kanjiCharRightSpacing;
    int asciiCharWidth;               // cell of a character code up to 255
    int asciiCharHeight;
    int kanjiCharWidth;               // cell of a character code above 255
    int kanjiCharHeight;
    int barcodeUnitWidth;             // also the module size assumed for QR symbols
    int barcodeHeight;
    int barcodeReadableTextPosition;  // 0 none, 1 above, 2 below, 3 both
    int barcodeReadableTextFontType;  // 0: text 24 dots high, otherwise 18
    int pageAreaLeft;
    int pageAreaTop;
    int pageAreaWidth;
    int pageAreaHeight;
    int pageDrawDirection;            // 0 to 3
};

#endif
