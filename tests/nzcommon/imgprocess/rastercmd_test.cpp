// Raster copies and raster command forms: byte-exact output, band cutting, run-length
// payloads, and refusal of sizes the command fields cannot hold.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "imgtest_util.h"
#include "nzcommon/imgprocess/rastercmd.h"
#include "nzcommon/imgprocess/rasterdata.h"

using imgtest::Bytes;
using imgtest::Hex;
using imgtest::Owned;

namespace {

std::vector<unsigned char> Fill(size_t n, unsigned char v)
{
    return std::vector<unsigned char>(n, v);
}

TEST(RasterData, DumpClearsOrSetsOverboundBits)
{
    // 20 dots in 3 bytes: the last byte keeps its top four bits.
    std::vector<unsigned char> ones = Fill(6, 0xFF);
    Owned cleared(Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(3, 20, 2, ones.data(), 0));
    EXPECT_EQ(Hex("FF FF F0 FF FF F0"), Bytes(cleared.get(), 6));

    std::vector<unsigned char> zeros = Fill(6, 0x00);
    Owned set(Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(3, 12, 2, zeros.data(), 0x100 | 1));
    EXPECT_EQ(Hex("00 0F FF 00 0F FF"), Bytes(set.get(), 6));
    // Only the low byte of value counts: 0x100 clears.
    Owned low(Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(3, 12, 2, ones.data(), 0x100));
    EXPECT_EQ(Hex("FF F0 00 FF F0 00"), Bytes(low.get(), 6));
    // Width beyond the row: a plain copy.
    Owned copy(Quorvane_ImgUtils_DumpRasterDataAndSetOverbound(3, 30, 2, ones.data(), 0));
    EXPECT_EQ(ones, Bytes(copy.get(), 6));
}

TEST(RasterData, WiderStrideForcesTheWidenedTail)
{
    std::vector<unsigned char> src = Hex("FF FF AA 55");
    Owned dst(Quorvane_ImgUtils_DumpRasterDataToWiderStrideAndSetOverbound(2, 12, 2, src.data(), 4, 0));
    EXPECT_EQ(Hex("FF F0 00 00 AA 50 00 00"), Bytes(dst.get(), 8));
    Owned set(Quorvane_ImgUtils_DumpRasterDataToWiderStrideAndSetOverbound(2, 16, 2, src.data(), 3, 1));
    EXPECT_EQ(Hex("FF FF FF AA 55 FF"), Bytes(set.get(), 6));
    // Narrower destination, or a width beyond the source row: refused.
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_DumpRasterDataToWiderStrideAndSetOverbound(2, 12, 2, src.data(), 1, 0));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_DumpRasterDataToWiderStrideAndSetOverbound(2, 17, 2, src.data(), 4, 0));
}

TEST(RasterData, DotAndGrayBytes)
{
    std::vector<unsigned char> src = Hex("A0 40"); // dots 0 and 2, then dot 1 of row 1
    Owned dots(Quorvane_ImgUtils_ConvertHorizontalRasterImageToImage1(1, 3, 2, src.data()));
    EXPECT_EQ(Hex("01 00 01 00 01 00"), Bytes(dots.get(), 6));
    Owned gray(Quorvane_ImgUtils_ConvertHorizontalRasterImageToGrayImage(1, 3, 2, src.data()));
    EXPECT_EQ(Hex("00 FF 00 FF 00 FF"), Bytes(gray.get(), 6));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_ConvertHorizontalRasterImageToImage1(1, 9, 2, src.data()));
}

TEST(RasterData, VerticalRasterOfTenByTen)
{
    // Column 0 black in every row, column 1 black in rows 8 and 9 only.
    std::vector<unsigned char> dots(100, 0);
    for (int y = 0; y < 10; ++y)
        dots[y * 10] = 1;
    dots[8 * 10 + 1] = dots[9 * 10 + 1] = 1;
    Owned v(Quorvane_ImgUtils_ConvertImage1ToVerticalRasterImageSpecifyDstWidthDotsAndHeightBytes(10, 10, dots.data(),
                                                                                                  10, 2));
    std::vector<unsigned char> got = Bytes(v.get(), 20);
    EXPECT_EQ(0xFF, got[0]);
    EXPECT_EQ(0xC0, got[1]);
    EXPECT_EQ(0x00, got[2]);
    EXPECT_EQ(0xC0, got[3]);
    // Clipped to a smaller destination: 4 columns of 1 byte hold rows 0-7.
    Owned clip(Quorvane_ImgUtils_ConvertImage1ToVerticalRasterImageSpecifyDstWidthDotsAndHeightBytes(10, 10,
                                                                                                     dots.data(), 4, 1));
    EXPECT_EQ(Hex("FF 00 00 00"), Bytes(clip.get(), 4));
}

TEST(RasterData, AlignedRasterFillsTheMargin)
{
    std::vector<unsigned char> src = Hex("81 42");
    Owned a(Quorvane_ImgUtils_GetAlignedHorizontalRasterImageData(src.data(), 1, 2, 3, 3, 0x1AA));
    EXPECT_EQ(Hex("81 AA AA 42 AA AA AA AA AA"), Bytes(a.get(), 9));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_GetAlignedHorizontalRasterImageData(src.data(), 1, 2, 1, 1, 0));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_GetAlignedHorizontalRasterImageData(src.data(), 2, 1, 1, 1, 0));
}

TEST(RasterCmd, BandedGsV0OfFiftyLines)
{
    std::vector<unsigned char> raster(3 * 50);
    for (size_t i = 0; i < raster.size(); ++i)
        raster[i] = static_cast<unsigned char>(i);
    int size = 0;
    Owned cmd(Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(3, 50, raster.data(), 24, &size));
    ASSERT_EQ(174, size);
    std::vector<unsigned char> got = Bytes(cmd.get(), size);
    struct {
        int offset;
        const char *header;
        int firstRow;
        int rows;
    } bands[] = {{0, "1D 76 30 00 03 00 18 00", 0, 24}, {80, "1D 76 30 00 03 00 18 00", 24, 24},
                 {160, "1D 76 30 00 03 00 02 00", 48, 2}};
    for (const auto &b : bands) {
        EXPECT_EQ(Hex(b.header), std::vector<unsigned char>(got.begin() + b.offset, got.begin() + b.offset + 8));
        EXPECT_EQ(0, memcmp(&got[b.offset + 8], &raster[b.firstRow * 3], b.rows * 3));
    }
}

TEST(RasterCmd, WholeGsV0MeasureThenFill)
{
    std::vector<unsigned char> raster = Hex("01 02 03 04");
    int size = 0;
    ASSERT_EQ(1, Quorvane_ImgUtils_RasterDataToRasterCmd(2, 2, raster.data(), nullptr, &size));
    ASSERT_EQ(12, size);
    std::vector<unsigned char> out(size);
    ASSERT_EQ(1, Quorvane_ImgUtils_RasterDataToRasterCmd(2, 2, raster.data(), out.data(), &size));
    EXPECT_EQ(Hex("1D 76 30 00 02 00 02 00 01 02 03 04"), out);
    Owned whole(Quorvane_ImgUtils_GetRasterCmdFromRasterData(2, 2, raster.data(), &size));
    EXPECT_EQ(out, Bytes(whole.get(), size));
}

TEST(RasterCmd, FieldsThatCannotHoldTheValueAreRefusedOrSplit)
{
    std::vector<unsigned char> raster(70000, 0);
    int size = -7;
    // One GS v 0 command cannot carry 65536 lines or 65536 bytes a line.
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_GetRasterCmdFromRasterData(1, 65536, raster.data(), &size));
    EXPECT_EQ(0, Quorvane_ImgUtils_RasterDataToRasterCmd(65536, 1, raster.data(), nullptr, &size));
    EXPECT_EQ(-7, size);
    // Band height 0 or negative sizes: refused; a band height beyond 16 bits is split.
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(1, 10, raster.data(), 0, &size));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(-1, 10, raster.data(), 24, &size));
    Owned split(Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(1, 65536, raster.data(), 100000, &size));
    ASSERT_NE(nullptr, split.get());
    EXPECT_EQ(65536 + 16, size);
    EXPECT_EQ(Hex("1D 76 30 00 01 00 FF FF"), Bytes(split.get(), 8));
    EXPECT_EQ(Hex("1D 76 30 00 01 00 01 00"), Bytes(split.get() + 8 + 65535, 8));
    // Products beyond int: refused before anything is allocated.
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToRasterCmdSpecifyBankHeight(65535, 40000, raster.data(), 24, &size));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToCompressCmd(65535, 1, raster.data(), &size));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(8192, 1, raster.data(), &size));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(1, 65530, raster.data(), &size));
    EXPECT_EQ(nullptr, Quorvane_ImgUtils_RasterDataToCompressCmd(1, 0, raster.data(), &size));
}

struct RunCase {
    const char *name;
    std::vector<unsigned char> line;
    std::vector<unsigned char> payload;
};

TEST(RasterCmd, RunLengthPayloads)
{
    std::vector<unsigned char> rising(300);
    for (size_t i = 0; i < rising.size(); ++i)
        rising[i] = static_cast<unsigned char>(i);
    std::vector<unsigned char> risingRaw = {0x00};
    risingRaw.insert(risingRaw.end(), rising.begin(), rising.end());
    // 150 pairs of alternating bytes: 300 runs would need a body of 600 bytes.
    std::vector<unsigned char> pairs;
    for (int i = 0; i < 200; ++i) {
        pairs.push_back(static_cast<unsigned char>(i % 2 ? 0xAA : 0x55));
        pairs.push_back(pairs.back());
        pairs.push_back(pairs.back());
    }
    std::vector<unsigned char> pairsRaw = {0x00};
    pairsRaw.insert(pairsRaw.end(), pairs.begin(), pairs.end());
    const RunCase cases[] = {
        {"ten zeros", Fill(10, 0), Hex("02 00 0A")},
        {"last run of one", Hex("00 00 00 FF"), Hex("00 00 00 00 FF")},
        {"single byte", Hex("7E"), Hex("00 7E")},
        {"all different", Hex("01 02 03"), Hex("00 01 02 03")},
        {"two runs", Hex("00 00 00 00 00 00 FF FF FF FF"), Hex("04 00 06 FF 04")},
        {"run of 255", Fill(255, 0x11), Hex("02 11 FF")},
        {"run of 300 split", Fill(300, 0x11), Hex("04 11 FF 11 2D")},
        {"run of 510 split", Fill(510, 0), Hex("04 00 FF 00 FF")},
        {"no repeats, long", rising, risingRaw},
        {"body over 255 bytes", pairs, pairsRaw},
    };
    for (const auto &c : cases) {
        int len = -1;
        int m = Quorvane_ImgUtils_CompressDataBuf(c.line.data(), static_cast<int>(c.line.size()), nullptr, &len);
        EXPECT_EQ(static_cast<int>(c.payload.size()), m) << c.name;
        EXPECT_EQ(m, len) << c.name;
        std::vector<unsigned char> out(m);
        Quorvane_ImgUtils_CompressDataBuf(c.line.data(), static_cast<int>(c.line.size()), out.data(), &len);
        EXPECT_EQ(c.payload, out) << c.name;
    }
    int len = -1;
    EXPECT_EQ(0, Quorvane_ImgUtils_CompressDataBuf(rising.data(), 0, nullptr, &len));
    EXPECT_EQ(-1, len);
}

TEST(RasterCmd, RunLengthCommandPerLine)
{
    std::vector<unsigned char> raster = Fill(72, 0);
    int size = 0;
    Owned cmd(Quorvane_ImgUtils_RasterDataToCompressCmd(72, 1, raster.data(), &size));
    EXPECT_EQ(Hex("1F 28 50 03 00 02 00 48"), Bytes(cmd.get(), size));

    std::vector<unsigned char> two = Hex("00 00 00 FF 05 05 05 05");
    Owned cmd2(Quorvane_ImgUtils_RasterDataToCompressCmd(4, 2, two.data(), &size));
    EXPECT_EQ(Hex("1F 28 50 05 00 00 00 00 00 FF 1F 28 50 03 00 02 05 04"), Bytes(cmd2.get(), size));
}

TEST(RasterCmd, Gs8LStoreAndPrint)
{
    std::vector<unsigned char> raster(2 * 10);
    for (size_t i = 0; i < raster.size(); ++i)
        raster[i] = static_cast<unsigned char>(0xA0 + i);
    int size = 0;
    Owned cmd(Quorvane_ImgUtils_GetEpsonTM88IVGS8CmdFromRasterData(2, 10, raster.data(), &size));
    ASSERT_EQ(58, size);
    std::vector<unsigned char> got = Bytes(cmd.get(), size);
    // 16 dots wide, 16 lines high: 32 data bytes, p = 42.
    EXPECT_EQ(Hex("1D 38 4C 2A 00 00 00 30 70 30 01 01 31 10 00 10 00"),
              std::vector<unsigned char>(got.begin(), got.begin() + 17));
    EXPECT_EQ(raster, std::vector<unsigned char>(got.begin() + 17, got.begin() + 37));
    EXPECT_EQ(Fill(12, 0), std::vector<unsigned char>(got.begin() + 37, got.begin() + 49));
    EXPECT_EQ(Hex("1D 38 4C 02 00 00 00 30 02"), std::vector<unsigned char>(got.begin() + 49, got.end()));
}

} // namespace
