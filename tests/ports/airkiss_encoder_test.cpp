#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ports/NZAirKissEncoder.h"

namespace {

typedef std::vector<unsigned int> Lengths;

Lengths encode(const char *ssid, const char *password, unsigned char random, unsigned int lead, unsigned int magic,
               unsigned int content, unsigned int *countOut = nullptr)
{
    unsigned int count = 12345;
    unsigned int *array = NZAirKissEncoder_EncodeDataToLengthArray(ssid, password, random, lead, magic, content, &count);
    if (countOut)
        *countOut = count;
    Lengths out;
    if (array) {
        out.assign(array, array + count);
        free(array);
    }
    return out;
}

} // namespace

TEST(AirKissEncoder, Crc8)
{
    struct Row {
        const char *bytes;
        unsigned int count;
        unsigned char crc;
    } rows[] = {
        {"", 0, 0x00},
        {"123456789", 9, 0xA1},
        {"\x00", 1, 0x00},
        {"\x01", 1, 0x5E},
        {"\xFF", 1, 0x35},
    };
    for (const Row &r : rows)
        EXPECT_EQ(r.crc, NZAirKissEncoder_CRC8(reinterpret_cast<const unsigned char *>(r.bytes), r.count)) << r.bytes;
    EXPECT_EQ(0, NZAirKissEncoder_CRC8(nullptr, 5));
}

// Whole arrays with one repetition of each part, against independently computed values.
TEST(AirKissEncoder, SmallArraysMatchTable)
{
    struct Row {
        const char *ssid;
        const char *password;
        unsigned char random;
        Lengths expected;
    } rows[] = {
        {"abc", "12345678", 0x5A,
         {0x1, 0x2, 0x3, 0x4, 0x8, 0x1c, 0x24, 0x32, 0x40, 0x58, 0x6c, 0x72, 0xf1, 0x80, 0x131,
          0x132, 0x133, 0x134, 0xb4, 0x81, 0x135, 0x136, 0x137, 0x138, 0x82, 0x82, 0x15a, 0x161, 0x162, 0x163}},
        // Empty password: prefix 40 50 60 70; random byte FF gives the largest length 511.
        {"Net", "", 0xFF, {0x1, 0x2, 0x3, 0x4, 0x8, 0x14, 0x2f, 0x39, 0x40, 0x50, 0x60, 0x70, 0x92, 0x80, 0x1ff,
                           0x14e, 0x165, 0x174}},
        // Random byte 00 gives the length 256: no length is ever 0.
        {"ab", "xyz12", 0x00, {0x1, 0x2, 0x3, 0x4, 0x8, 0x18, 0x24, 0x37, 0x40, 0x55, 0x63, 0x7f, 0xe4, 0x80,
                               0x178, 0x179, 0x17a, 0x131, 0xc5, 0x81, 0x132, 0x100, 0x161, 0x162}},
    };
    for (const Row &r : rows) {
        unsigned int count = 0;
        EXPECT_EQ(r.expected, encode(r.ssid, r.password, r.random, 1, 1, 1, &count)) << r.ssid;
        EXPECT_EQ(r.expected.size(), count);
    }
}

TEST(AirKissEncoder, FullArrayLayout)
{
    unsigned int count = 0;
    const Lengths a = encode("abc", "12345678", 0x5A, 50, 20, 30, &count);
    ASSERT_EQ(940u, count); // 200 + 80 + 30 x 22
    ASSERT_EQ(940u, a.size());
    for (unsigned int i = 0; i < 200; ++i)
        EXPECT_EQ(i % 4 + 1, a[i]);
    for (unsigned int i = 200; i < 280; ++i)
        EXPECT_EQ(a[200 + i % 4], a[i]);
    for (unsigned int i = 280; i < 940; ++i)
        EXPECT_EQ(a[280 + (i - 280) % 22], a[i]);
    for (unsigned int v : a) {
        EXPECT_GE(v, 1u);
        EXPECT_LE(v, 511u);
    }
}

TEST(AirKissEncoder, MagicTotalLength)
{
    struct Row {
        const char *ssid;
        const char *password;
        unsigned int m0, m1;
    } rows[] = {
        {"abcdefg", "1234567", 0x08, 0x1F},  // 14 + 1 = 15: high nibble 0 becomes 8
        {"abcdefg", "12345678", 0x01, 0x10}, // 15 + 1 = 16
        {"", "", 0x08, 0x11},
    };
    for (const Row &r : rows) {
        unsigned int out[4] = {0};
        unsigned int needed = 0;
        ASSERT_EQ(4u, NZAirKissEncoder_FillMagicCode(out, 4, 1, r.ssid, r.password, &needed));
        EXPECT_EQ(4u, needed);
        EXPECT_EQ(r.m0, out[0]) << r.ssid << "/" << r.password;
        EXPECT_EQ(r.m1, out[1]);
    }
}

TEST(AirKissEncoder, BlockCounts)
{
    // S = password + 1 + SSID; each block of n bytes gives n + 2 values.
    struct Row {
        const char *ssid;
        const char *password;
        unsigned int perRepeat;
    } rows[] = {
        {"abc", "1234", 4 + 2 * 2 + 8},   // S = 8: two full blocks
        {"abcd", "1234", 4 + 2 * 3 + 9},  // S = 9: the third block holds one byte
        {"", "", 4 + 2 * 1 + 1},
    };
    for (const Row &r : rows) {
        unsigned int needed = 0;
        EXPECT_EQ(0u, NZAirKissEncoder_FillContentData(nullptr, 0, 1, r.ssid, r.password, 7, &needed));
        EXPECT_EQ(r.perRepeat, needed) << r.ssid;
        std::vector<unsigned int> out(needed);
        EXPECT_EQ(r.perRepeat, NZAirKissEncoder_FillContentData(out.data(), needed, 1, r.ssid, r.password, 7, nullptr));
    }
    // Last block of "abcd"/"1234": index 2, one byte ('d').
    unsigned int out[19];
    NZAirKissEncoder_FillContentData(out, 19, 1, "abcd", "1234", 7, nullptr);
    EXPECT_EQ(0x82u, out[17]);
    EXPECT_EQ(256u + 'd', out[18]);
}

TEST(AirKissEncoder, FillFunctionsRefuseShortRoom)
{
    unsigned int out[8];
    memset(out, 0xEE, sizeof out);
    unsigned int needed = 0;
    EXPECT_EQ(0u, NZAirKissEncoder_FillLeadingPart(out, 7, 2, &needed));
    EXPECT_EQ(8u, needed);
    EXPECT_EQ(0xEEEEEEEEu, out[0]);
    EXPECT_EQ(8u, NZAirKissEncoder_FillLeadingPart(out, 8, 2, nullptr));
    EXPECT_EQ(0u, NZAirKissEncoder_FillPrefixCode(out, 3, "pw", &needed));
    EXPECT_EQ(4u, needed);
    EXPECT_EQ(0u, NZAirKissEncoder_FillSequenceData(out, 5, 0, reinterpret_cast<const unsigned char *>("abcd"), 4,
                                                    &needed));
    EXPECT_EQ(6u, needed);
    EXPECT_EQ(0u, NZAirKissEncoder_FillMagicCode(out, 3, 1, "s", "p", &needed));
    EXPECT_EQ(4u, needed);
}

TEST(AirKissEncoder, SequenceBlockIndexIsOneByte)
{
    const unsigned char b[2] = {0x00, 0xFF};
    unsigned int out[4];
    ASSERT_EQ(4u, NZAirKissEncoder_FillSequenceData(out, 4, 0x181, b, 2, nullptr));
    const unsigned char crcInput[3] = {0x81, 0x00, 0xFF};
    EXPECT_EQ(0x80u | (NZAirKissEncoder_CRC8(crcInput, 3) & 0x7F), out[0]);
    EXPECT_EQ(0x81u, out[1]);
    EXPECT_EQ(256u, out[2]);
    EXPECT_EQ(511u, out[3]);
}

TEST(AirKissEncoder, BadInput)
{
    unsigned int count = 99;
    EXPECT_EQ(nullptr, NZAirKissEncoder_EncodeDataToLengthArray(nullptr, "pw", 1, 50, 20, 30, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, NZAirKissEncoder_EncodeDataToLengthArray("ssid", nullptr, 1, 50, 20, 30, &count));
    EXPECT_EQ(nullptr, NZAirKissEncoder_EncodeDataToLengthArray("ssid", "pw", 1, 0, 0, 0, &count));
    EXPECT_EQ(0u, count);
    // Counts whose total does not fit 32 bits are refused, not wrapped.
    EXPECT_EQ(nullptr, NZAirKissEncoder_EncodeDataToLengthArray("ssid", "pw", 1, 0x40000000u, 0, 0, &count));
    EXPECT_EQ(0u, count);
    EXPECT_EQ(nullptr, NZAirKissEncoder_EncodeDataToLengthArray("ssid", "pw", 1, 0x3FFFFFFFu, 0x3FFFFFFFu, 0, &count));
    EXPECT_EQ(0u, NZAirKissEncoder_FillSequenceData(nullptr, 10, 0, nullptr, 3, &count));
    // Only leading values still make an array.
    unsigned int *a = NZAirKissEncoder_EncodeDataToLengthArray("s", "p", 1, 1, 0, 0, &count);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(4u, count);
    free(a);
}
