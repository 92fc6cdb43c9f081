// The scrambling service: CRC-8 values, the key for a random value, and scrambling
// round trips.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "quorvane/cp_crc.h"
#include "quorvane/quorvane.h"

namespace {

struct Crc8Row {
    std::string data;
    unsigned char polynomial;
    unsigned char expected;
};

TEST(Crc8, KnownValues)
{
    const Crc8Row rows[] = {
        {"abc", 0x31, 0x24},
        {"", 0x31, 0xFF},
        {std::string(1, '\0'), 0x31, 0x22},
        {std::string(1, '\xFF'), 0x31, 0x00},
        {"123456789", 0x31, 0x20},
        {"abc", 0x00, 0x00}, // no polynomial: every byte is shifted out
    };
    for (const Crc8Row &row : rows) {
        const unsigned char *p = reinterpret_cast<const unsigned char *>(row.data.data());
        EXPECT_EQ(CRC8(p, static_cast<unsigned int>(row.data.size()), row.polynomial), row.expected) << row.data;
    }
    EXPECT_EQ(CRC8(nullptr, 5, 0x31), 0xFF);
}

// The key depends on the random value and on the fixed value every peer shares: these
// rows pin both, so a changed fixed value shows here.
TEST(CrcScramble, KeyForRandomValue)
{
    const struct {
        unsigned int random;
        unsigned char key;
    } rows[] = {{0x0000, 0x0C}, {0x0001, 0x0D}, {0x1234, 0x13}, {0xFFFF, 0x17}, {0x11234, 0x13}};
    for (const auto &row : rows)
        EXPECT_EQ(CRC_ScrambleKey(row.random), row.key) << std::hex << row.random;
}

TEST(CrcScramble, RoundTripWithTheRandomValue)
{
    std::vector<unsigned char> input(300);
    for (size_t i = 0; i < input.size(); ++i)
        input[i] = static_cast<unsigned char>(i * 7 + 3);
    std::vector<unsigned char> output(input.size(), 0);
    unsigned int r = 0xDEADBEEF;
    CP_CRC_Encrypt(input.data(), static_cast<unsigned int>(input.size()), output.data(), &r);
    ASSERT_LT(r, 65536u);
    const unsigned char key = CRC_ScrambleKey(r);
    for (size_t i = 0; i < input.size(); ++i)
        ASSERT_EQ(output[i], input[i] ^ key) << i;

    // The receiving side: the same XOR with the key derived from r.
    for (unsigned char &b : output)
        b ^= CRC_ScrambleKey(r);
    EXPECT_EQ(output, input);
}

TEST(CrcScramble, InPlace)
{
    const std::string text = "scramble me in place";
    std::string buf = text;
    unsigned char *p = reinterpret_cast<unsigned char *>(&buf[0]);
    unsigned int r = 0;
    CP_CRC_Encrypt(p, static_cast<unsigned int>(buf.size()), p, &r);
    const unsigned char key = CRC_ScrambleKey(r);
    for (size_t i = 0; i < text.size(); ++i)
        EXPECT_EQ(static_cast<unsigned char>(buf[i]), static_cast<unsigned char>(text[i]) ^ key);
}

TEST(CrcScramble, ZeroLengthStillGivesRandomValue)
{
    unsigned char out[4] = {1, 2, 3, 4};
    unsigned int r = 0xFFFFFFFF;
    CP_CRC_Encrypt(nullptr, 0, out, &r);
    EXPECT_LT(r, 65536u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[3], 4);
}

// Missing buffers scramble nothing but still store the random value; without a place
// for the random value nothing happens at all.
TEST(CrcScramble, NullArguments)
{
    const struct {
        const char *name;
        bool input, output;
    } rows[] = {{"no input", false, true}, {"no output", true, false}, {"neither", false, false}};
    for (const auto &row : rows) {
        unsigned char in[3] = {1, 2, 3}, out[3] = {9, 9, 9};
        unsigned int r = 0xFFFFFFFF;
        CP_CRC_Encrypt(row.input ? in : nullptr, 3, row.output ? out : nullptr, &r);
        EXPECT_LT(r, 65536u) << row.name;
        EXPECT_EQ(out[0], 9) << row.name;
    }
    unsigned char in[3] = {1, 2, 3}, out[3] = {9, 9, 9};
    CP_CRC_Encrypt(in, 3, out, nullptr);
    EXPECT_EQ(out[0], 9);
}

// The generator is seeded with the time in seconds: two calls in one second agree.
TEST(CrcScramble, SameSecondSameRandomValue)
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        const time_t before = time(nullptr);
        unsigned char a = 0x5A, b = 0x5A, outA = 0, outB = 0;
        unsigned int ra = 0, rb = 0;
        CP_CRC_Encrypt(&a, 1, &outA, &ra);
        CP_CRC_Encrypt(&b, 1, &outB, &rb);
        if (time(nullptr) != before)
            continue; // crossed a second boundary: try again
        EXPECT_EQ(ra, rb);
        EXPECT_EQ(outA, outB);
        return;
    }
    FAIL() << "never two calls within one second";
}

// Concurrent callers each get a consistent (random value, output) pair.
TEST(CrcScramble, ConcurrentCallersStayConsistent)
{
    std::vector<std::thread> threads;
    std::vector<int> bad(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &bad]() {
            unsigned char in[64], out[64];
            for (int i = 0; i < 64; ++i)
                in[i] = static_cast<unsigned char>(i + t);
            for (int k = 0; k < 200; ++k) {
                unsigned int r = 0;
                CP_CRC_Encrypt(in, sizeof(in), out, &r);
                for (int i = 0; i < 64; ++i)
                    if ((out[i] ^ in[i]) != CRC_ScrambleKey(r))
                        ++bad[t];
            }
        });
    }
    for (std::thread &th : threads)
        th.join();
    for (int n : bad)
        EXPECT_EQ(n, 0);
}

} // namespace
