// Check characters and symbol values of every barcode type.
#include "barcode_test_support.h"

#include <gtest/gtest.h>

using barcode_test::values_of;

namespace {

struct ValueCase {
    int type;
    const char *text;
    std::vector<int> values; // {-1}: rejected
};

const std::vector<int> REJECT = {-1};

const ValueCase kValueCases[] = {
    // EAN-13: a given check digit is replaced by the computed one.
    {2, "590123412345", {5, 9, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 7}},
    {2, "5901234123457", {5, 9, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 7}},
    {2, "5901234123450", {5, 9, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 7}},
    {2, "59012341234", REJECT},
    {2, "59012341234A", REJECT},
    {2, "5901234123:5", REJECT},
    {2, "590123412345 ", REJECT}, // the dropped check character must be a digit too
    // EAN-8.
    {3, "9638507", {9, 6, 3, 8, 5, 0, 7, 4}},
    {3, "96385074", {9, 6, 3, 8, 5, 0, 7, 4}},
    {3, "96385O7", REJECT},
    // UPC-A: marker 10, the first 11 digits and their check digit.
    {0, "03600029145", {10, 0, 3, 6, 0, 0, 0, 2, 9, 1, 4, 5, 2}},
    {0, "036000291459", {10, 0, 3, 6, 0, 0, 0, 2, 9, 1, 4, 5, 2}},
    {0, "0360002914", REJECT},
    {0, "0360002914x", REJECT},
    // UPC-E, number system 0: the check digit of the expanded UPC-A.
    {1, "123456", {0, 1, 2, 3, 4, 5, 6, 5}},
    {1, "123450", {0, 1, 2, 3, 4, 5, 0, 5}},
    {1, "123451", {0, 1, 2, 3, 4, 5, 1, 4}},
    {1, "123453", {0, 1, 2, 3, 4, 5, 3, 1}},
    {1, "123454", {0, 1, 2, 3, 4, 5, 4, 3}},
    {1, "123457", {0, 1, 2, 3, 4, 5, 7, 2}},
    {1, "12345", REJECT},
    {1, "1A3456", REJECT},
    // Add-ons: the check digit goes between data and add-on.
    {16, "59012341234512", {5, 9, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 7, 1, 2}},
    {17, "59012341234512345", {5, 9, 0, 1, 2, 3, 4, 1, 2, 3, 4, 5, 7, 1, 2, 3, 4, 5}},
    {18, "963850712", {9, 6, 3, 8, 5, 0, 7, 4, 1, 2}},
    {19, "963850712345", {9, 6, 3, 8, 5, 0, 7, 4, 1, 2, 3, 4, 5}},
    {16, "5901234123457", REJECT},
    {16, "5901234123451x", REJECT},
    {21, "0360002914512", {10, 0, 3, 6, 0, 0, 0, 2, 9, 1, 4, 5, 2, 1, 2}},
    {22, "0360002914512345", {10, 0, 3, 6, 0, 0, 0, 2, 9, 1, 4, 5, 2, 1, 2, 3, 4, 5}},
    {21, "036000291451", REJECT},
    {23, "12345612", {0, 1, 2, 3, 4, 5, 6, 5, 1, 2}},
    {24, "12345612345", {0, 1, 2, 3, 4, 5, 6, 5, 1, 2, 3, 4, 5}},
    {23, "1234561", REJECT},  // a missing add-on digit is no digit 0
    {24, "1234561234", REJECT},
    // Interleaved 2 of 5.
    {5, "123", {0, 1, 2, 3}},
    {5, "1234", {1, 2, 3, 4}},
    {5, "12a4", REJECT},
    {13, "1234", {0, 1, 2, 3, 4, 8}},
    {13, "123", {1, 2, 3, 6}},
    {13, "1-3", REJECT},
    // ITF-14: 13 digits and a check digit that is never 10.
    {28, "0001234560001", {0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 0, 1, 2}},
    {28, "0000000000000", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {28, "00012345600019", {0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 0, 1, 2}},
    {28, "000123456000", REJECT},
    {28, "000123456000X", REJECT},
    // Code 39 and full ASCII (+A +B for a b), with check character.
    {4, "AB", {43, 10, 11, 43}},
    {4, "ab", REJECT},
    {4, "A*B", REJECT},
    {15, "ab", {43, 41, 10, 41, 11, 43}},
    {15, "A-$", {43, 10, 36, 39, 43}},
    {15, "\x01*\x7F", {43, 39, 10, 40, 19, 42, 29, 43}},
    {14, "ab", {43, 41, 10, 41, 11, 17, 43}},
    {15, "\x80", REJECT},
    // Codabar: missing start/stop become A.
    {6, "1234", {16, 1, 2, 3, 4, 16}},
    {6, "A1234B", {16, 1, 2, 3, 4, 17}},
    {6, "C-$:/.+D", {18, 10, 12, 15, 13, 11, 14, 19}},
    {6, "a123", REJECT},
    // Code 93 with C and K.
    {7, "TEST93", {29, 14, 28, 29, 9, 3, 41, 6}},
    {7, "a", {46, 10, 8, 25}},
    {7, "\xC0", REJECT},
    // Code 11: one check character below 10 data characters, two from 10 on.
    {9, "123456789", {1, 2, 3, 4, 5, 6, 7, 8, 9, 0}},
    {9, "1234567890", {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 9}},
    {9, "12A", REJECT},
    // MSI.
    {10, "1234", {1, 2, 3, 4}},
    {26, "1234", {1, 2, 3, 4, 4}},
    {26, "12x", REJECT},
    // Code 128, automatic code sets.
    {8, "ABC", {104, 33, 34, 35, 1, 106}},
    {8, "1234", {105, 12, 34, 82, 106}},
    {8, "123", {105, 12, 100, 19, 65, 106}},
    {8, "\tA", {103, 73, 33, 36, 106}},
    {8, "\xE9", REJECT},
    // GS1-128: short digit texts start in set B, FNC1 follows the start.
    {12, "123", {104, 102, 17, 18, 19, 61, 106}},
    // Code 128 with code sets in the data.
    {11, "\x99" "12", {105, 12, 14, 106}},
    {11, "\x97" "a", REJECT},
    {11, "\x85", REJECT},
    {11, "A\x98", REJECT},
    {11, "\x99" "123", REJECT},
    {11, "", REJECT},
    {11, "\x99\x90", REJECT},
    // EAN-14 as Code 128: the check digit is appended.
    {29, "0001234560001", {105, 0, 1, 23, 45, 60, 0, 12, 19, 106}},
    {29, "000123456000", REJECT},
    {29, "000123456000A", REJECT},
};

TEST(BarcodeCheckDigits, ValuesPerType)
{
    for (const ValueCase &c : kValueCases)
        EXPECT_EQ(values_of(c.type, c.text), c.values) << "type " << c.type << " text " << c.text;
}

// Code 128 with code sets in the data: every control byte.
TEST(BarcodeCheckDigits, Code128ControlBytes)
{
    const std::string text = "\x97\x90\x91\x92\x93" "12\x96\x94\x95" "A";
    const std::vector<int> v = values_of(11, text);
    const std::vector<int> head = {103, 96, 97, 98, 99, 12, 102, 100, 101, 33};
    ASSERT_EQ(v.size(), head.size() + 2);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), v.begin()));
    EXPECT_EQ(v.back(), 106);
}

// The longest texts stay inside the value buffer and end with the marker.
TEST(BarcodeCheckDigits, WorstCaseValueListsFit)
{
    EXPECT_EQ(values_of(14, std::string(200, 'a')).size(), 403u);
    EXPECT_EQ(values_of(7, std::string(200, 'a')).size(), 402u);
    std::string mixed;
    for (int i = 0; i < 100; ++i)
        mixed += "\x01" "a";
    const std::vector<int> v = values_of(8, mixed);
    ASSERT_NE(v, std::vector<int>{-1});
    EXPECT_LT(v.size(), static_cast<size_t>(BARCODE_VALUES_SIZE));
}

TEST(BarcodeCheckDigits, OverLongTextIsRejectedByEveryStep)
{
    const std::string digits(201, '1');
    for (int type = 0; type < BARCODE_TYPE_COUNT; ++type) {
        if (!BarFunctbl[type])
            continue;
        EXPECT_EQ(values_of(type, digits), std::vector<int>{-1}) << "type " << type;
    }
}

TEST(BarcodeCheckDigits, UpcEExpansion)
{
    struct Row {
        const char *upce;
        const char *upca;
    } rows[] = {
        {"123450", "01200000345"}, {"123451", "01210000345"}, {"123452", "01220000345"},
        {"123453", "01230000045"}, {"123454", "01234000005"}, {"123459", "01234500009"},
    };
    for (const Row &r : rows) {
        unsigned char e[6], a[11];
        for (int i = 0; i < 6; ++i)
            e[i] = static_cast<unsigned char>(r.upce[i] - '0');
        UPCE_to_UPCA(e, a);
        std::string got;
        for (unsigned char d : a)
            got += static_cast<char>('0' + d);
        EXPECT_EQ(got, r.upca) << r.upce;
    }
}

TEST(BarcodeCheckDigits, Code128CharacterValues)
{
    const struct {
        unsigned char c;
        int value;
    } rows[] = {{0, 64}, {31, 95}, {' ', 0}, {'A', 33}, {'_', 63}, {'a', 65}, {127, 95}, {128, 96}, {134, 102}};
    for (const auto &r : rows)
        EXPECT_EQ(Barcode_encode_as(r.c), r.value) << int(r.c);
}

TEST(BarcodeCheckDigits, TypesWithoutEncoder)
{
    for (int type : {20, 25, 27}) {
        EXPECT_EQ(BarFunctbl[type], nullptr);
        EXPECT_EQ(PrnBarFunctbl[type], nullptr);
    }
}

} // namespace
