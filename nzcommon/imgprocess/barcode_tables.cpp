// Encodation tables of the linear symbologies and the per-type function tables.
#include "nzcommon/imgprocess/barcode_encoders.h"

extern "C" {

// EAN/UPC number sets A (odd parity), B (even parity) and C (right half):
// 7 modules in bits 7..1, 1 = bar.
const unsigned char tbl13o[11] = {0x1A, 0x32, 0x26, 0x7A, 0x46, 0x62, 0x5E, 0x76, 0x6E, 0x16, 0x00};
const unsigned char tbl13e[11] = {0x4E, 0x66, 0x36, 0x42, 0x3A, 0x72, 0x0A, 0x22, 0x12, 0x2E, 0x00};
const unsigned char tbl13r[11] = {0xE4, 0xCC, 0xD8, 0x84, 0xB8, 0x9C, 0xA0, 0x88, 0x90, 0xE8, 0x00};

// Set choice of the six left digits by the leading EAN-13 digit, bits 7..2,
// 1 = set B. Entry 10 (all set A) draws UPC-A.
const unsigned char EAN13Tbl[11] = {0x00, 0x2C, 0x34, 0x38, 0x4C, 0x64, 0x70, 0x54, 0x58, 0x68, 0x00};

// UPC-E parity by check digit (number system 0), bits 7..2, 1 = even parity.
const unsigned char upctbl[10] = {0xE0, 0xD0, 0xC8, 0xC4, 0xB0, 0x98, 0x8C, 0xA8, 0xA4, 0x94};

// 5-digit add-on parity by its check value, bits 7..3, 1 = set B.
const unsigned char EAN13_5Tbl[10] = {0xC0, 0xA0, 0x90, 0x88, 0x60, 0x30, 0x18, 0x50, 0x48, 0x28};

// Interleaved 2 of 5 digits: 5 elements in bits 7..3, 1 = wide.
const unsigned char i25tbl[10] = {0x30, 0x88, 0x48, 0xC0, 0x28, 0xA0, 0x60, 0x18, 0x90, 0x50};

// Code 39 character set; the index is the value, 43 is the start/stop character.
const char Code39Tbl[44] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";

// First 8 of the 9 Code 39 elements, 1 = wide.
const unsigned char Code39BarTbl[44] = {
    0x1A, 0x90, 0x30, 0xB0, 0x18, 0x98, 0x38, 0x12, 0x92, 0x32, 0x84, 0x24, 0xA4, 0x0C, 0x8C,
    0x2C, 0x06, 0x86, 0x26, 0x0E, 0x81, 0x21, 0xA1, 0x09, 0x89, 0x29, 0x03, 0x83, 0x23, 0x0B,
    0xC0, 0x60, 0xE0, 0x48, 0xC8, 0x68, 0x42, 0xC2, 0x62, 0x54, 0x51, 0x45, 0x15, 0x4A,
};

// Full-ASCII shift character per ASCII code, as a Code 39 value ($ 39, % 42, / 40, + 41);
// 0 for codes that encode as themselves.
const unsigned char Shift39Set1[128] = {
    42, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39,
    39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 39, 42, 42, 42, 42, 42,
     0, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40, 40,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 40, 42, 42, 42, 42, 42,
    42,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 42, 42, 42, 42, 42,
    42, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41,
    41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 41, 42, 42, 42, 42, 42,
};

// The same as Code 93 shift values (($) 43, (%) 44, (/) 45, (+) 46).
const unsigned char Shift93Set1[128] = {
    44, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43,
    43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 43, 44, 44, 44, 44, 44,
     0, 45, 45, 45, 45, 45, 45, 45, 45, 45, 45, 45, 45,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 45, 44, 44, 44, 44, 44,
    44,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,
     0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0, 44, 44, 44, 44, 44,
    44, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46,
    46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 46, 44, 44, 44, 44, 44,
};

// Second character of the full-ASCII pair (shared by Code 39 and Code 93).
const char Shift93Set2[128] = {
    'U', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O',
    'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', 'A', 'B', 'C', 'D', 'E',
      0, 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L',   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,   0,   0, 'Z', 'F', 'G', 'H', 'I', 'J',
    'V',   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
      0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0, 'K', 'L', 'M', 'N', 'O',
    'W', 'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J', 'K', 'L', 'M', 'N', 'O',
    'P', 'Q', 'R', 'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z', 'P', 'Q', 'R', 'S', 'T',
};

// First 8 of the 9 Code 93 modules (the 9th is a space); 0-42 characters,
// 43-46 the shifts ($) (%) (/) (+), 47 start/stop.
const unsigned char Code93BarTbl[48] = {
    0x8A, 0xA4, 0xA2, 0xA1, 0x94, 0x92, 0x91, 0xA8, 0x89, 0x85, 0xD4, 0xD2, 0xD1, 0xCA, 0xC9, 0xC5,
    0xB4, 0xB2, 0xB1, 0x9A, 0x8D, 0xAC, 0xA6, 0xA3, 0x96, 0x8B, 0xDA, 0xD9, 0xD6, 0xD3, 0xCB, 0xCD,
    0xB6, 0xB3, 0x9B, 0x9D, 0x97, 0xEA, 0xE9, 0xE5, 0xB7, 0xBB, 0xD7, 0x93, 0xED, 0xEB, 0x99, 0xAF,
};

// Codabar characters; the index is the value.
const char CodeBarCharTbl[21] = "0123456789-.$/+:ABCD";

// Codabar: 7 elements in bits 7..1, 1 = wide.
const unsigned char CodeBarBarTbl[20] = {
    0x06, 0x0C, 0x12, 0xC0, 0x24, 0x84, 0x42, 0x48, 0x60, 0x90,
    0x18, 0xA8, 0x30, 0xA2, 0x2A, 0x8A, 0x34, 0x52, 0x16, 0x1C,
};

// Code 11: digits, 10 the dash, 11 start/stop; 5 elements in bits 4..0, 1 = wide.
const unsigned char Code11BarTbl[12] = {0x01, 0x11, 0x09, 0x18, 0x05, 0x14, 0x0C, 0x03, 0x12, 0x10, 0x04, 0x06};

// Code 128: 11 modules per value, 8 in the first byte and 3 in bits 7..5 of
// the second; 106 (stop) holds its first 11 modules.
const unsigned char Code128BarTbl[107][2] = {
    {0xD9, 0x80}, {0xCD, 0x80}, {0xCC, 0xC0}, {0x93, 0x00}, {0x91, 0x80}, {0x89, 0x80},
    {0x99, 0x00}, {0x98, 0x80}, {0x8C, 0x80}, {0xC9, 0x00}, {0xC8, 0x80}, {0xC4, 0x80},
    {0xB3, 0x80}, {0x9B, 0x80}, {0x99, 0xC0}, {0xB9, 0x80}, {0x9D, 0x80}, {0x9C, 0xC0},
    {0xCE, 0x40}, {0xCB, 0x80}, {0xC9, 0xC0}, {0xDC, 0x80}, {0xCE, 0x80}, {0xED, 0xC0},
    {0xE9, 0x80}, {0xE5, 0x80}, {0xE4, 0xC0}, {0xEC, 0x80}, {0xE6, 0x80}, {0xE6, 0x40},
    {0xDB, 0x00}, {0xD8, 0xC0}, {0xC6, 0xC0}, {0xA3, 0x00}, {0x8B, 0x00}, {0x88, 0xC0},
    {0xB1, 0x00}, {0x8D, 0x00}, {0x8C, 0x40}, {0xD1, 0x00}, {0xC5, 0x00}, {0xC4, 0x40},
    {0xB7, 0x00}, {0xB1, 0xC0}, {0x8D, 0xC0}, {0xBB, 0x00}, {0xB8, 0xC0}, {0x8E, 0xC0},
    {0xEE, 0xC0}, {0xD1, 0xC0}, {0xC5, 0xC0}, {0xDD, 0x00}, {0xDC, 0x40}, {0xDD, 0xC0},
    {0xEB, 0x00}, {0xE8, 0xC0}, {0xE2, 0xC0}, {0xED, 0x00}, {0xEC, 0x40}, {0xE3, 0x40},
    {0xEF, 0x40}, {0xC8, 0x40}, {0xF1, 0x40}, {0xA6, 0x00}, {0xA1, 0x80}, {0x96, 0x00},
    {0x90, 0xC0}, {0x85, 0x80}, {0x84, 0xC0}, {0xB2, 0x00}, {0xB0, 0x80}, {0x9A, 0x00},
    {0x98, 0x40}, {0x86, 0x80}, {0x86, 0x40}, {0xC2, 0x40}, {0xCA, 0x00}, {0xF7, 0x40},
    {0xC2, 0x80}, {0x8F, 0x40}, {0xA7, 0x80}, {0x97, 0x80}, {0x93, 0xC0}, {0xBC, 0x80},
    {0x9E, 0x80}, {0x9E, 0x40}, {0xF4, 0x80}, {0xF2, 0x80}, {0xF2, 0x40}, {0xDB, 0xC0},
    {0xDE, 0xC0}, {0xF6, 0xC0}, {0xAF, 0x00}, {0xA3, 0xC0}, {0x8B, 0xC0}, {0xBD, 0x00},
    {0xBC, 0x40}, {0xF5, 0x00}, {0xF4, 0x40}, {0xBB, 0xC0}, {0xBD, 0xC0}, {0xEB, 0xC0},
    {0xF5, 0xC0}, {0xD0, 0x80}, {0xD2, 0x00}, {0xD3, 0x80}, {0xC7, 0x40},
};

const BarcodeCheckFunc BarFunctbl[BARCODE_TYPE_COUNT] = {
    GenUPCAChecksum,        // 0 UPC-A
    GenUPCEChecksum,        // 1 UPC-E
    GenEAN13Checksum,       // 2 EAN-13
    GenEAN13Checksum,       // 3 EAN-8
    GenCODE39Checksum,      // 4 Code 39
    GenI25Checksum,         // 5 ITF
    GenCodeBarChecksum,     // 6 Codabar
    GenCODE93Checksum,      // 7 Code 93
    GenCode128Checksum,     // 8 Code 128, automatic sets
    GenCODE11Checksum,      // 9 Code 11
    GenMSIChecksum,         // 10 MSI
    GenCode128MChecksum,    // 11 Code 128, sets in the data
    GenCodeEAN128Checksum,  // 12 GS1-128
    GenI25CChecksum,        // 13 ITF with check digit
    GenCODE39CFullChecksum, // 14 Code 39 full ASCII with check
    GenCODE39FullChecksum,  // 15 Code 39 full ASCII
    GenEAN13_2Checksum,     // 16 EAN-13 + 2
    GenEAN13_5Checksum,     // 17 EAN-13 + 5
    GenEAN13_2Checksum,     // 18 EAN-8 + 2
    GenEAN13_5Checksum,     // 19 EAN-8 + 5
    nullptr,                // 20
    GenUPCA_2Checksum,      // 21 UPC-A + 2
    GenUPCA_5Checksum,      // 22 UPC-A + 5
    GenUPCE_2Checksum,      // 23 UPC-E + 2
    GenUPCE_5Checksum,      // 24 UPC-E + 5
    nullptr,                // 25
    GenMSICChecksum,        // 26 MSI with check digit
    nullptr,                // 27
    GenIITF14Checksum,      // 28 ITF-14
    GenCodeEAN14Checksum,   // 29 EAN-14 as Code 128
};

const BarcodeModuleFunc PrnBarFunctbl[BARCODE_TYPE_COUNT] = {
    EAN13Barcode,   // 0
    UPCEBarcode,    // 1
    EAN13Barcode,   // 2
    EAN8Barcode,    // 3
    CODE39Barcode,  // 4
    I25Barcode,     // 5
    CodeBarBarcode, // 6
    CODE93Barcode,  // 7
    Code128Barcode, // 8
    CODE11Barcode,  // 9
    MSIBarcode,     // 10
    Code128Barcode, // 11
    Code128Barcode, // 12
    I25Barcode,     // 13
    CODE39Barcode,  // 14
    CODE39Barcode,  // 15
    EAN13_2Barcode, // 16
    EAN13_5Barcode, // 17
    EAN8_2Barcode,  // 18
    EAN8_5Barcode,  // 19
    nullptr,        // 20
    EAN13_2Barcode, // 21
    EAN13_5Barcode, // 22
    UPCE_2Barcode,  // 23
    UPCE_5Barcode,  // 24
    nullptr,        // 25
    MSIBarcode,     // 26
    nullptr,        // 27
    I25Barcode,     // 28
    Code128Barcode, // 29
};

} // extern "C"
