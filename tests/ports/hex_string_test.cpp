#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ports/NZHexStringUtils.h"
#include "support/TestUtil.h"

using quorvane_test::ToHex;

TEST(HexStringUtils, IPv4Texts)
{
    struct Row {
        const char *text;
        bool ok;
        const char *bytes; // the four output bytes afterwards (start: AA AA AA AA)
    } rows[] = {
        {"192.168.1.100", true, "C0 A8 01 64"},
        {"0.0.0.0", true, "00 00 00 00"},
        {"255.255.255.255", true, "FF FF FF FF"},
        {"192.168.1", false, "C0 A8 01 AA"},       // three parts stored, the fourth left alone
        {"1.2.3.4.5", false, "01 02 03 04"},       // the fifth part is not stored
        {"1.2.256.4", false, "01 02 AA AA"},
        {"1..3.4", false, "01 AA AA AA"},
        {"1.2.3.", false, "01 02 03 AA"},
        {"1.2.3.1234", false, "01 02 03 AA"},
        {"-1.2.3.4", false, "AA AA AA AA"},
        {"1a.2.3.4", true, "01 02 03 04"},         // a number ends at its first non-digit
        {"abc.def.ghi.jkl", false, "AA AA AA AA"}, // a part without a digit is no number
        {"1.2.x.4", false, "01 02 AA AA"},
        {"", false, "AA AA AA AA"},
    };
    for (const Row &r : rows) {
        unsigned char out[5] = {0xAA, 0xAA, 0xAA, 0xAA, 0xAA};
        EXPECT_EQ(r.ok, NZHexStringUtils::ip_string_to_bytes_a(r.text, out)) << r.text;
        EXPECT_EQ(r.bytes, ToHex(out, 4)) << r.text;
        EXPECT_EQ(0xAA, out[4]) << r.text;
    }
}

TEST(HexStringUtils, IPv4LengthLimitAndNulls)
{
    unsigned char out[4];
    std::string longest = "1.2.3." + std::string(92, '0'); // 98 characters: still fits
    EXPECT_FALSE(NZHexStringUtils::ip_string_to_bytes_a(longest.c_str(), out)); // part too long
    std::string padded = "1.2.3.4" + std::string(92, 'x');
    EXPECT_FALSE(NZHexStringUtils::ip_string_to_bytes_a(padded.c_str(), out));
    EXPECT_FALSE(NZHexStringUtils::ip_string_to_bytes_a(std::string(1000, '1').c_str(), out));
    EXPECT_FALSE(NZHexStringUtils::ip_string_to_bytes_a(nullptr, out));
    EXPECT_FALSE(NZHexStringUtils::ip_string_to_bytes_a("1.2.3.4", nullptr));
}

TEST(HexStringUtils, MacTexts)
{
    struct Row {
        const char *text;
        bool ok;
        const char *bytes; // start: AA x 6
    } rows[] = {
        {"00:11:22:33:44:55", true, "00 11 22 33 44 55"},
        {"64-eb-8c-2a-2a-ac", true, "64 EB 8C 2A 2A AC"},
        {"00 11 22 AA BB CC", true, "00 11 22 AA BB CC"},
        {"00:11:22:33:44", false, "00 11 22 33 44 AA"},  // the sixth group lies past the end
        {"00:11:22:33:44:", false, "00 11 22 33 44 AA"},
        {"001122334455", false, "AA AA AA AA AA AA"},    // one long number, out of range
        {"00:11:2233:44:55", false, "00 11 AA AA AA AA"},
        {"zz:zz:zz:zz:zz:zz", false, "AA AA AA AA AA AA"}, // a group without a hex digit
        {"00:11:zz:33:44:55", false, "00 11 AA AA AA AA"},
        {"", false, "AA AA AA AA AA AA"},
    };
    for (const Row &r : rows) {
        unsigned char out[7];
        memset(out, 0xAA, sizeof out);
        EXPECT_EQ(r.ok, NZHexStringUtils::mac_string_to_bytes_a(r.text, out)) << r.text;
        EXPECT_EQ(r.bytes, ToHex(out, 6)) << r.text;
        EXPECT_EQ(0xAA, out[6]);
    }
    unsigned char out[6];
    EXPECT_FALSE(NZHexStringUtils::mac_string_to_bytes_a(nullptr, out));
    EXPECT_FALSE(NZHexStringUtils::mac_string_to_bytes_a("00:11:22:33:44:55", nullptr));
}
