// Linear barcode encoders: per barcode type a check-digit step that validates a
// text and turns it into symbol values, and a module writer that draws the
// values into one row of bars (one bit per dot, most significant bit first).
#ifndef QUORVANE_BARCODE_ENCODERS_H
#define QUORVANE_BARCODE_ENCODERS_H

// Capacities of the buffers the encoders work on.
constexpr unsigned int BARCODE_MAX_TEXT = 200;     // longest accepted text
constexpr unsigned int BARCODE_TEXT_SIZE = 220;    // text copy (room for inserted characters)
constexpr unsigned int BARCODE_VALUES_SIZE = 512;  // value list, worst case of every encoder
constexpr unsigned int BARCODE_ROW_BYTES = 251;    // module row
constexpr int BARCODE_MAX_DOTS = 2000;             // widest row ever drawn
constexpr unsigned char BARCODE_VALUES_END = 0xFF; // ends the value list
constexpr int BARCODE_TYPE_COUNT = 30;

extern "C" {

// Check-digit step: text buffer of BARCODE_TEXT_SIZE bytes (may be rewritten),
// value buffer of BARCODE_VALUES_SIZE bytes, text length. 0 on success, -1 when
// the text is not valid for the symbology.
typedef int (*BarcodeCheckFunc)(unsigned char *text, unsigned char *values, unsigned int len);
// Module writer: first dot, value list, zeroed row of BARCODE_ROW_BYTES bytes,
// module width in dots. Returns the dot after the symbol (its width), 0 on failure.
typedef int (*BarcodeModuleFunc)(int start, const unsigned char *values, unsigned char *row, unsigned char unit);

// Indexed by barcode type 0 to 29; types 20, 25 and 27 hold null.
extern const BarcodeCheckFunc BarFunctbl[BARCODE_TYPE_COUNT];
extern const BarcodeModuleFunc PrnBarFunctbl[BARCODE_TYPE_COUNT];

// Pattern tables.
extern const unsigned char tbl13o[11];
extern const unsigned char tbl13e[11];
extern const unsigned char tbl13r[11];
extern const unsigned char EAN13Tbl[11];
extern const unsigned char upctbl[10];
extern const unsigned char EAN13_5Tbl[10];
extern const unsigned char i25tbl[10];
extern const char Code39Tbl[44];
extern const unsigned char Code39BarTbl[44];
extern const unsigned char Shift39Set1[128];
extern const unsigned char Shift93Set1[128];
extern const char Shift93Set2[128];
extern const unsigned char Code93BarTbl[48];
extern const char CodeBarCharTbl[21];
extern const unsigned char CodeBarBarTbl[20];
extern const unsigned char Code11BarTbl[12];
extern const unsigned char Code128BarTbl[107][2];

// Primitives.
int SetDot(int pos, unsigned char pattern, int nbits, unsigned char *row, unsigned char unit);
int Fill39Dot(int pos, unsigned short pattern, int nelements, unsigned char *row, unsigned char unit);
int FillI25Dot(int pos, unsigned char bars, unsigned char spaces, unsigned char *row, unsigned char unit);
int FillMsiDot(int pos, unsigned char bits, int nbits, unsigned char *row, unsigned char unit);
unsigned char Read13LRDot(unsigned char digit, int set); // set 0 = A, 1 = B, 2 = C
void UPCE_to_UPCA(const unsigned char *upce, unsigned char *upca);
int IsDigit(unsigned char c);
int Barcode_encode_as(unsigned char c);

// Check-digit steps.
int GenUPCAChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenUPCEChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenEAN13Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenEAN13_2Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenEAN13_5Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenUPCA_2Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenUPCA_5Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenUPCE_2Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenUPCE_5Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCODE39Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCODE39FullChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCODE39CFullChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenI25Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenI25CChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenIITF14Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCodeBarChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCODE93Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCode128Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCodeEAN128Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCode128MChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCodeEAN14Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenCODE11Checksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenMSIChecksum(unsigned char *text, unsigned char *values, unsigned int len);
int GenMSICChecksum(unsigned char *text, unsigned char *values, unsigned int len);

// Module writers.
int EAN13Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int EAN8Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int UPCEBarcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int EAN13_2Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int EAN13_5Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int EAN8_2Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int EAN8_5Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int UPCE_2Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int UPCE_5Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int CODE39Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int I25Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int CodeBarBarcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int CODE93Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int Code128Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int CODE11Barcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);
int MSIBarcode(int start, const unsigned char *values, unsigned char *row, unsigned char unit);

} // extern "C"

#endif
