#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "ports/NZMemoryIO.h"
#include "printer/NZIOSettingPackage.h"

namespace {

using Bytes = std::vector<unsigned char>;

PrinterHardwareFunction Zeroed()
{
    PrinterHardwareFunction f;
    memset(&f, 0, sizeof(f));
    return f;
}

Bytes Cmd(const PrinterHardwareFunction& f)
{
    unsigned char buf[40];
    int required = -1, written = -1;
    f.GetCmd(buf, sizeof(buf), &required, &written);
    EXPECT_EQ(28, required);
    EXPECT_EQ(28, written);
    return Bytes(buf, buf + 28);
}

const Bytes kSpeed5 = {0x1F, 0x53, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00,
                       0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x05};

}  // namespace

TEST(HardwareSettings, CommandTable)
{
    struct Row {
        const char* name;
        int index[3];
        int value[3];
        // expected bytes at offsets (offset, value), -1 ends
        int at[6][2];
    } rows[] = {
        {"int 13 = 20", {13, -1, -1}, {20}, {{13, 2}, {27, 2}, {-1}}},
        {"int 13 = -20", {13, -1, -1}, {-20}, {{13, 0xFE}, {27, 0xFE}, {-1}}},
        {"int 18 = 0x80 is cut to 7 bits", {18, -1, -1}, {0x80}, {{20, 0}, {21, 0}, {22, 0}, {23, 0}, {27, 0}, {-1}}},
        {"int 19 = 0x1234", {19, -1, -1}, {0x1234}, {{20, 0}, {21, 0x23}, {22, 0x40}, {23, 0}, {27, 0x63}, {-1}}},
        {"ints 18-20 packed", {18, 19, 20}, {0x7F, 0xFFF, 0xABC}, {{20, 0xFE}, {21, 0xFF}, {22, 0xFA}, {23, 0xBC}, {-1}}},
        {"16-bit big-endian values", {14, 15, -1}, {0x10203, 0xBEEF}, {{14, 0x02}, {15, 0x03}, {16, 0xBE}, {17, 0xEF}, {-1}}},
        {"low bytes", {11, 12, 16}, {0x1FF, -1, 0x42}, {{11, 0xFF}, {12, 0xFF}, {18, 0x42}, {-1}}},
        {"function bits", {0, 10, 9}, {1, -5, 7}, {{2, 0}, {3, 0}, {4, 0x06}, {5, 0x01}, {-1}}},
        {"letter h", {23, -1, -1}, {1}, {{26, 'h'}, {27, 'h'}, {-1}}},
        {"letter f", {23, -1, -1}, {2}, {{26, 'f'}, {-1}}},
        {"letter r", {23, -1, -1}, {3}, {{26, 'r'}, {-1}}},
        {"other letter", {23, -1, -1}, {4}, {{26, 0}, {-1}}},
        {"speed and value 22", {21, 22, -1}, {300, 7}, {{24, 300 & 0xFF}, {25, 7}, {27, (300 & 0xFF) ^ 7}, {-1}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PrinterHardwareFunction f = Zeroed();
        for (int k = 0; k < 3; ++k)
            if (row.index[k] >= 0)
                f.values[row.index[k]] = row.value[k];
        Bytes c = Cmd(f);
        EXPECT_EQ(0x1F, c[0]);
        EXPECT_EQ(0x53, c[1]);
        EXPECT_EQ(0x10, c[10]);
        unsigned char x = 0;
        for (int i = 11; i <= 26; ++i)
            x ^= c[i];
        EXPECT_EQ(x, c[27]);
        for (int k = 0; k < 6 && row.at[k][0] >= 0; ++k)
            EXPECT_EQ(row.at[k][1], c[(size_t)row.at[k][0]]) << "offset " << row.at[k][0];
    }
}

TEST(HardwareSettings, AllZeroAndPrintSpeed)
{
    Bytes zero(28, 0);
    zero[0] = 0x1F;
    zero[1] = 0x53;
    zero[10] = 0x10;
    EXPECT_EQ(zero, Cmd(Zeroed()));

    PrinterHardwareFunction f = Zeroed();
    f.values[PrinterHardwareFunction::PrintSpeedFunction] = 1;
    f.values[PrinterHardwareFunction::PrintSpeedValue] = 5;
    EXPECT_EQ(kSpeed5, Cmd(f));
}

TEST(HardwareSettings, GetCmdShortOrMissingBuffer)
{
    PrinterHardwareFunction f = Zeroed();
    unsigned char buf[27];
    memset(buf, 0xAA, sizeof(buf));
    int required = -1, written = -1;
    f.GetCmd(buf, 27, &required, &written);
    EXPECT_EQ(28, required);
    EXPECT_EQ(0, written);
    for (unsigned char b : buf)
        EXPECT_EQ(0xAA, b);
    required = written = -1;
    f.GetCmd(nullptr, 100, &required, &written);
    EXPECT_EQ(28, required);
    EXPECT_EQ(0, written);
    f.GetCmd(buf, -1, nullptr, nullptr);  // no outputs: nothing to report, no crash
}

TEST(HardwareSettings, WritesThroughHeldPort)
{
    NZMemoryIO io;
    ASSERT_TRUE(io.Open(64u));
    NZIOSettingPackage writer;
    writer.SetIO(&io);
    EXPECT_TRUE(writer.Setting_Hardware_SetPrintSpeed(5));
    ASSERT_EQ(28u, io.GetBufferLength());
    const unsigned char* p = static_cast<const unsigned char*>(io.GetBufferData());
    EXPECT_EQ(kSpeed5, Bytes(p, p + 28));

    PrinterHardwareFunction f = Zeroed();
    f.values[0] = 1;
    EXPECT_TRUE(writer.Setting_Hardware_FunctionSelect(&f));
    EXPECT_EQ(56u, io.GetBufferLength());
    EXPECT_FALSE(writer.Setting_Hardware_FunctionSelect(nullptr));
    EXPECT_EQ(56u, io.GetBufferLength());
    io.Close();
}

TEST(HardwareSettings, FailedWritesReportFalse)
{
    NZIOSettingPackage empty;  // no port
    EXPECT_FALSE(empty.Setting_Hardware_SetPrintSpeed(5));

    NZMemoryIO closed;
    NZIOSettingPackage toClosed;
    toClosed.SetIO(&closed);
    EXPECT_FALSE(toClosed.Setting_Hardware_SetPrintSpeed(5));

    NZMemoryIO small;
    ASSERT_TRUE(small.Open(27u));  // the whole command does not fit
    NZIOSettingPackage toSmall;
    toSmall.SetIO(&small);
    EXPECT_FALSE(toSmall.Setting_Hardware_SetPrintSpeed(5));
    EXPECT_EQ(0u, small.GetBufferLength());
    small.Close();
}
