// Module rows against the bar/space patterns of the published symbologies.
// The patterns below are the symbologies' own encodation tables, written in
// their usual notations (module strings, element widths, narrow/wide).
#include "barcode_test_support.h"

#include <gtest/gtest.h>

#include <map>

using barcode_test::from_nw;
using barcode_test::from_widths;
using barcode_test::row_of;
using barcode_test::scaled;

namespace {

// EAN/UPC number sets: L (A, odd), G (B, even), R (C).
const char *const kL[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                            "0110001", "0101111", "0111011", "0110111", "0001011"};
const char *const kG[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                            "0111001", "0000101", "0010001", "0001001", "0010111"};
const char *const kR[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                            "1001110", "1010000", "1000100", "1001000", "1110100"};
// EAN-13 left-half sets by the leading digit.
const char *const kEan13Parity[10] = {"LLLLLL", "LLGLGG", "LLGGLG", "LLGGGL", "LGLLGG",
                                      "LGGLLG", "LGGGLL", "LGLGLG", "LGLGGL", "LGGLGL"};
// UPC-E number system 0 parity by check digit (E = even = G, O = odd = L).
const char *const kUpceParity[10] = {"EEEOOO", "EEOEOO", "EEOOEO", "EEOOOE", "EOEEOO",
                                     "EOOEEO", "EOOOEE", "EOEOEO", "EOEOOE", "EOOEOE"};
// 5-digit add-on sets by its check value.
const char *const kAddon5Parity[10] = {"GGLLL", "GLGLL", "GLLGL", "GLLLG", "LGGLL",
                                       "LLGGL", "LLLGG", "LGLGL", "LGLLG", "LLGLG"};

std::string digit_code(char set, char digit)
{
    const int d = digit - '0';
    return set == 'L' ? kL[d] : set == 'G' ? kG[d] : kR[d];
}

// An EAN-13 row from all 13 digits.
std::string ean13(const std::string &code)
{
    std::string s = "101";
    for (int i = 0; i < 6; ++i)
        s += digit_code(kEan13Parity[code[0] - '0'][i], code[1 + i]);
    s += "01010";
    for (int i = 7; i < 13; ++i)
        s += digit_code('R', code[i]);
    return s + "101";
}

std::string addon(const std::string &digits)
{
    std::string parity;
    if (digits.size() == 2) {
        const int v = std::stoi(digits) % 4;
        parity = std::string(1, (v & 2) ? 'G' : 'L') + ((v & 1) ? 'G' : 'L');
    } else {
        const int d[5] = {digits[0] - '0', digits[1] - '0', digits[2] - '0', digits[3] - '0', digits[4] - '0'};
        parity = kAddon5Parity[(3 * (d[0] + d[2] + d[4]) + 9 * (d[1] + d[3])) % 10];
    }
    std::string s = std::string(10, '0') + "1011";
    for (size_t i = 0; i < digits.size(); ++i)
        s += (i ? "01" : "") + digit_code(parity[i], digits[i]);
    return s;
}

TEST(BarcodeModules, Ean13EveryLeadingDigit)
{
    // Valid EAN-13 codes, one per leading digit (so every parity pattern is drawn).
    const char *codes[] = {"0123456789012", "1123456789011", "2123456789010", "3123456789019",
                           "4123456789018", "5123456789017", "6123456789016", "7123456789015",
                           "8123456789014", "9123456789013"};
    for (const char *code : codes) {
        EXPECT_EQ(row_of(2, std::string(code, 12)), ean13(code)) << code;
        EXPECT_EQ(row_of(2, code), ean13(code)) << code;
    }
    EXPECT_EQ(row_of(2, "590123412345").size(), 95u);
}

TEST(BarcodeModules, UpcA)
{
    std::string expect = "101";
    for (char c : std::string("036000"))
        expect += digit_code('L', c);
    expect += "01010";
    for (char c : std::string("291452"))
        expect += digit_code('R', c);
    expect += "101";
    EXPECT_EQ(row_of(0, "03600029145"), expect);
}

TEST(BarcodeModules, UpcE)
{
    const struct {
        const char *data;
        int check;
    } rows[] = {{"123456", 5}, {"123450", 5}, {"123451", 4}, {"123453", 1}, {"123454", 3}, {"123457", 2}};
    for (const auto &r : rows) {
        std::string expect = "101";
        for (int i = 0; i < 6; ++i)
            expect += digit_code(kUpceParity[r.check][i] == 'E' ? 'G' : 'L', r.data[i]);
        expect += "010101";
        EXPECT_EQ(row_of(1, r.data), expect) << r.data;
        EXPECT_EQ(expect.size(), 51u);
    }
    EXPECT_EQ(std::string(kUpceParity[5]), "EOOEEO"); // 123456 has check digit 5
}

TEST(BarcodeModules, Ean8)
{
    std::string expect = "101";
    for (char c : std::string("9638"))
        expect += digit_code('L', c);
    expect += "01010";
    for (char c : std::string("5074"))
        expect += digit_code('R', c);
    expect += "101";
    EXPECT_EQ(row_of(3, "9638507"), expect);
    EXPECT_EQ(expect.size(), 67u);
}

TEST(BarcodeModules, AddOns)
{
    const std::string main13 = ean13("5901234123457");
    EXPECT_EQ(row_of(16, "59012341234512"), main13 + addon("12"));
    EXPECT_EQ(row_of(16, "59012341234599"), main13 + addon("99"));
    EXPECT_EQ(row_of(17, "59012341234512345"), main13 + addon("12345"));
    EXPECT_EQ(row_of(17, "59012341234586104"), main13 + addon("86104"));
    EXPECT_EQ(addon("12").size(), 30u);
    EXPECT_EQ(addon("12345").size(), 57u);
    const std::string upce = row_of(1, "123456");
    EXPECT_EQ(row_of(23, "12345698"), upce + addon("98"));
    EXPECT_EQ(row_of(24, "12345654321"), upce + addon("54321"));
    const std::string ean8 = row_of(3, "9638507");
    EXPECT_EQ(row_of(18, "963850712"), ean8 + addon("12"));
    EXPECT_EQ(row_of(19, "963850712345"), ean8 + addon("12345"));
    // A type given the other family's lengths has no valid layout.
    EXPECT_EQ(row_of(2, "9638507"), "");
    EXPECT_EQ(row_of(3, "590123412345"), "");
    EXPECT_EQ(row_of(16, "963850712"), "");
    EXPECT_EQ(row_of(18, "59012341234512"), "");
}

// Code 39: bar, space, bar, ... (9 elements, three wide), then a narrow gap.
const std::map<char, const char *> kCode39 = {
    {'0', "nnnwwnwnn"}, {'1', "wnnwnnnnw"}, {'2', "nnwwnnnnw"}, {'3', "wnwwnnnnn"}, {'4', "nnnwwnnnw"},
    {'5', "wnnwwnnnn"}, {'6', "nnwwwnnnn"}, {'7', "nnnwnnwnw"}, {'8', "wnnwnnwnn"}, {'9', "nnwwnnwnn"},
    {'A', "wnnnnwnnw"}, {'B', "nnwnnwnnw"}, {'C', "wnwnnwnnn"}, {'D', "nnnnwwnnw"}, {'E', "wnnnwwnnn"},
    {'F', "nnwnwwnnn"}, {'G', "nnnnnwwnw"}, {'H', "wnnnnwwnn"}, {'I', "nnwnnwwnn"}, {'J', "nnnnwwwnn"},
    {'K', "wnnnnnnww"}, {'L', "nnwnnnnww"}, {'M', "wnwnnnnwn"}, {'N', "nnnnwnnww"}, {'O', "wnnnwnnwn"},
    {'P', "nnwnwnnwn"}, {'Q', "nnnnnnwww"}, {'R', "wnnnnnwwn"}, {'S', "nnwnnnwwn"}, {'T', "nnnnwnwwn"},
    {'U', "wwnnnnnnw"}, {'V', "nwwnnnnnw"}, {'W', "wwwnnnnnn"}, {'X', "nwnnwnnnw"}, {'Y', "wwnnwnnnn"},
    {'Z', "nwwnwnnnn"}, {'-', "nwnnnnwnw"}, {'.', "wwnnnnwnn"}, {' ', "nwwnnnwnn"}, {'$', "nwnwnwnnn"},
    {'/', "nwnwnnnwn"}, {'+', "nwnnnwnwn"}, {'%', "nnnwnwnwn"}, {'*', "nwnnwnwnn"},
};

std::string code39(const std::string &chars)
{
    std::string s;
    for (char c : chars)
        s += from_nw(kCode39.at(c)) + "0";
    return s;
}

TEST(BarcodeModules, Code39EveryCharacter)
{
    const std::string all = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%";
    EXPECT_EQ(row_of(4, all), code39("*" + all + "*"));
    EXPECT_EQ(row_of(4, "AB").size(), 64u); // 16 units a character
    EXPECT_EQ(row_of(15, "ab"), code39("*+A+B*"));
    EXPECT_EQ(row_of(14, "ab"), code39("*+A+BH*")); // check value 17 is H
}

// Code 93: element widths of the 47 values (0-9, A-Z, - . space $ / + %,
// then the shifts ($) (%) (/) (+)) and of the start/stop character.
const char *const kCode93[47] = {
    "131112", "111213", "111312", "111411", "121113", "121212", "121311", "111114", "131211", "141111",
    "211113", "211212", "211311", "221112", "221211", "231111", "112113", "112212", "112311", "122112",
    "132111", "111123", "111222", "111321", "121122", "131121", "212112", "212211", "211122", "211221",
    "221121", "222111", "112122", "112221", "122121", "123111", "121131", "311112", "311211", "321111",
    "112131", "113121", "211131", "121221", "312111", "311121", "122211",
};
const char *const kCode93StartStop = "111141";

std::string code93(const std::vector<int> &values)
{
    std::string s = from_widths(kCode93StartStop);
    for (int v : values)
        s += from_widths(kCode93[v]);
    return s + from_widths(kCode93StartStop) + "1";
}

TEST(BarcodeModules, Code93EveryValue)
{
    EXPECT_EQ(row_of(7, "TEST93"), code93({29, 14, 28, 29, 9, 3, 41, 6}));
    // The 43 characters and one pair of each shift: a ! SOH ;
    std::vector<int> values;
    for (int v = 0; v < 43; ++v)
        values.push_back(v);
    for (int v : {46, 10, 45, 10, 43, 10, 44, 15, 39, 43})
        values.push_back(v);
    EXPECT_EQ(row_of(7, "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ-. $/+%a!\x01;"), code93(values));
    for (const char *w : kCode93)
        EXPECT_EQ(from_widths(w).size(), 9u);
}

// Code 128 element widths of values 0 to 106 (106 = stop, 13 modules).
const char *const kCode128[107] = {
    "212222", "222122", "222221", "121223", "121322", "131222", "122213", "122312", "132212", "221213",
    "221312", "231212", "112232", "122132", "122231", "113222", "123122", "123221", "223211", "221132",
    "221231", "213212", "223112", "312131", "311222", "321122", "321221", "312212", "322112", "322211",
    "212123", "212321", "232121", "111323", "131123", "131321", "112313", "132113", "132311", "211313",
    "231113", "231311", "112133", "112331", "132131", "113123", "113321", "133121", "313121", "211331",
    "231131", "213113", "213311", "213131", "311123", "311321", "331121", "312113", "312311", "332111",
    "314111", "221411", "431111", "111224", "111422", "121124", "121421", "141122", "141221", "112214",
    "112412", "122114", "122411", "142112", "142211", "241211", "221114", "413111", "241112", "134111",
    "111242", "121142", "121241", "114212", "124112", "124211", "411212", "421112", "421211", "212141",
    "214121", "412121", "111143", "111341", "131141", "114113", "114311", "411113", "411311", "113141",
    "114131", "311141", "411131", "211412", "211214", "211232", "2331112",
};

std::string code128(const std::vector<int> &values)
{
    std::string s;
    for (int v : values)
        s += from_widths(kCode128[v]);
    return s;
}

TEST(BarcodeModules, Code128EveryValue)
{
    EXPECT_EQ(row_of(8, "ABC"), code128({104, 33, 34, 35, 1, 106}));
    EXPECT_EQ(row_of(8, "ABC").size(), 68u);
    EXPECT_EQ(row_of(8, "1234"), code128({105, 12, 34, 82, 106}));
    EXPECT_EQ(row_of(8, "1234").size(), 57u);
    // Set B values 0 to 95 from the printable characters (set B given in the data).
    std::string printable = "\x98";
    std::vector<int> values = {104};
    for (int c = 32; c < 128; ++c) {
        printable += static_cast<char>(c);
        values.push_back(c - 32);
    }
    values.push_back(95);
    values.push_back(106);
    EXPECT_EQ(row_of(11, printable), code128(values));
    // Function and code-set values 96 to 103.
    EXPECT_EQ(row_of(11, "\x97\x90\x91\x92\x93" "12\x96\x94\x95" "A"),
              code128({103, 96, 97, 98, 99, 12, 102, 100, 101, 33, 58, 106}));
}

// Interleaved 2 of 5 digits, narrow/wide.
const char *const kI25[10] = {"nnwwn", "wnnnw", "nwnnw", "wwnnn", "nnwnw",
                              "wnwnn", "nwwnn", "nnnww", "wnnwn", "nwnwn"};

std::string itf(const std::string &digits)
{
    std::string s = "1010";
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        std::string widths;
        for (int k = 0; k < 5; ++k) {
            widths += kI25[digits[i] - '0'][k] == 'w' ? '3' : '1';
            widths += kI25[digits[i + 1] - '0'][k] == 'w' ? '3' : '1';
        }
        s += from_widths(widths);
    }
    return s + "111010";
}

TEST(BarcodeModules, InterleavedTwoOfFive)
{
    EXPECT_EQ(row_of(5, "1234567890"), itf("1234567890"));
    EXPECT_EQ(row_of(5, "123"), itf("0123"));
    EXPECT_EQ(row_of(13, "1234"), itf("012348"));
    EXPECT_EQ(row_of(28, "0001234560001"), itf("00012345600012"));
}

// Codabar, narrow/wide.
const std::map<char, const char *> kCodabar = {
    {'0', "nnnnnww"}, {'1', "nnnnwwn"}, {'2', "nnnwnnw"}, {'3', "wwnnnnn"}, {'4', "nnwnnwn"},
    {'5', "wnnnnwn"}, {'6', "nwnnnnw"}, {'7', "nwnnwnn"}, {'8', "nwwnnnn"}, {'9', "wnnwnnn"},
    {'-', "nnnwwnn"}, {'$', "nnwwnnn"}, {':', "wnnnwnw"}, {'/', "wnwnnnw"}, {'.', "wnwnwnn"},
    {'+', "nnwnwnw"}, {'A', "nnwwnwn"}, {'B', "nwnwnnw"}, {'C', "nnnwnww"}, {'D', "nnnwwwn"},
};

std::string codabar(const std::string &chars)
{
    std::string s;
    for (char c : chars)
        s += from_nw(kCodabar.at(c)) + "0";
    return s;
}

TEST(BarcodeModules, CodabarEveryCharacter)
{
    EXPECT_EQ(row_of(6, "1234"), codabar("A1234A"));
    EXPECT_EQ(row_of(6, "A1234B"), codabar("A1234B"));
    EXPECT_EQ(row_of(6, "C0123456789-$:/.+DB"), codabar("C0123456789-$:/.+DB"));
}

// Code 11, narrow/wide; the start/stop character last.
const std::map<char, const char *> kCode11 = {
    {'0', "nnnnw"}, {'1', "wnnnw"}, {'2', "nwnnw"}, {'3', "wwnnn"}, {'4', "nnwnw"}, {'5', "wnwnn"},
    {'6', "nwwnn"}, {'7', "nnnww"}, {'8', "wnnwn"}, {'9', "wnnnn"}, {'-', "nnwnn"}, {'*', "nnwwn"},
};

TEST(BarcodeModules, Code11)
{
    std::string expect;
    for (char c : std::string("*123456789-06*")) // check characters C = 0, K = 6
        expect += from_nw(kCode11.at(c)) + "0";
    EXPECT_EQ(row_of(9, "123456789-"), expect);
}

TEST(BarcodeModules, Msi)
{
    auto bits = [](const std::string &b) {
        std::string s;
        for (char c : b)
            s += c == '1' ? "1110" : "1000";
        return s;
    };
    EXPECT_EQ(row_of(10, "1234"), bits("1" "0001" "0010" "0011" "0100" "0") + "1");
    EXPECT_EQ(row_of(26, "1234"), bits("1" "0001" "0010" "0011" "0100" "0100" "0") + "1");
}

TEST(BarcodeModules, UnitWidensEveryModule)
{
    for (int unit : {2, 3, 7}) {
        EXPECT_EQ(row_of(2, "590123412345", unit), scaled(row_of(2, "590123412345"), unit));
        EXPECT_EQ(row_of(4, "AB", unit), scaled(row_of(4, "AB"), unit));
        EXPECT_EQ(row_of(8, "ABC", unit), scaled(row_of(8, "ABC"), unit));
        EXPECT_EQ(row_of(5, "1234", unit), scaled(row_of(5, "1234"), unit));
    }
}

// A symbol wider than the 2000-dot row fails instead of being clipped.
TEST(BarcodeModules, RowLimit)
{
    const struct {
        int type;
        std::string text;
        int unit;
        size_t width; // 0 = rejected
    } rows[] = {
        {2, "590123412345", 21, 95 * 21},
        {2, "590123412345", 22, 0},
        {4, std::string(123, 'A'), 1, 125 * 16},
        {4, std::string(124, 'A'), 1, 0},
        {5, std::string(200, '1'), 1, 4 + 100 * 18 + 6},
        {5, std::string(200, '1'), 2, 0},
        {8, std::string(200, '1'), 1, 102 * 11 + 13},
        {8, std::string(180, 'A'), 1, 0},
        {7, std::string(200, 'a'), 1, 0},
        {10, std::string(200, '1'), 1, 0},
        {6, std::string(200, '1'), 1, 0},
        {9, std::string(200, '1'), 1, 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(row_of(r.type, r.text, r.unit).size(), r.width) << "type " << r.type << " unit " << r.unit;
}

} // namespace
