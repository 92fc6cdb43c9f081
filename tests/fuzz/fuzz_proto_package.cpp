// Package reader over arbitrary bytes, checks on and off (the first byte: bit 0 header
// check, bit 1 data check). Every completed package is the last 12 + length bytes fed,
// holds what its header says, passes the checks that are on, and written again gives the
// same bytes.
#include "FuzzSupport.h"
#include "printer/NZProtoHandler.h"
#include "support/ProtoPackages.h"

namespace {

// Packages of the printer's type (0xFF).
FuzzBytes Package(unsigned short cmd, unsigned int para, const FuzzBytes &data)
{
    return quorvane_test::PackageBytes(0xFF, cmd, para, data);
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    FuzzBytes probe = Package(32, 0, FuzzText("DEVICE??"));
    FuzzBytes empty = Package(253, 7, {});
    FuzzBytes badHead = probe;
    badHead[10] ^= 0x40;
    FuzzBytes badData = probe;
    badData[11] ^= 0x01;
    FuzzBytes longData = Package(32, 1, FuzzBytes(300, 'v'));
    std::vector<FuzzBytes> seeds;
    for (unsigned char mode : {0, 3}) {
        seeds.push_back(FuzzCat({{mode}, FuzzText("noise"), probe, empty}));
        seeds.push_back(FuzzCat({{mode}, badHead, probe}));
        seeds.push_back(FuzzCat({{mode}, badData, empty}));
        seeds.push_back(FuzzCat({{mode}, longData}));
        // A header with a 0x03 inside it: reading resumes there.
        seeds.push_back(FuzzCat({{mode}, FuzzHex("03 FF 20 00 03 00 00 00"), probe}));
    }
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    NZProtoHandlerPro reader;
    reader.checkHeadXor = (data[0] & 1) != 0;
    reader.checkDataXor = (data[0] & 2) != 0;
    for (size_t i = 1; i < size; ++i) {
        if (!reader.HandleByte(data[i]))
            continue;
        const unsigned int len = reader.GetResultRecvlen();
        const size_t total = NZProtoHandler::HeaderSize + len;
        FUZZ_CHECK(i >= total);   // bytes 1..i were fed
        const uint8_t *wire = data + i + 1 - total;
        FUZZ_CHECK(wire[0] == NZProtoHandler::StartByte);
        FUZZ_CHECK(reader.GetResultType() == wire[1]);
        FUZZ_CHECK(reader.GetResultCmd() == (wire[2] | (wire[3] << 8)));
        FUZZ_CHECK(reader.GetResultPara() ==
                   (wire[4] | (wire[5] << 8) | (wire[6] << 16) | (static_cast<unsigned int>(wire[7]) << 24)));
        FUZZ_CHECK(len == static_cast<unsigned int>(wire[8] | (wire[9] << 8)));
        FUZZ_CHECK(len == 0 || memcmp(reader.GetResultRecvbuf(), wire + 12, len) == 0);
        if (reader.checkHeadXor)
            FUZZ_CHECK(NZProtoHandler::Xor(wire, 10) == wire[10]);
        if (reader.checkDataXor && len > 0)
            FUZZ_CHECK(NZProtoHandler::Xor(wire + 12, len) == wire[11]);

        FuzzBytes again(total);
        unsigned int againLen = 0;
        FUZZ_CHECK(NZProtoHandler::GenerateSendPackage(reader.GetResultType(), reader.GetResultCmd(),
                                                       reader.GetResultPara(), len, reader.GetResultRecvbuf(),
                                                       again.data(), &againLen));
        FUZZ_CHECK(againLen == total);
        // The check bytes match the input wherever the reader enforced them.
        if (!reader.checkHeadXor)
            again[10] = wire[10];
        if (!reader.checkDataXor || len == 0)
            again[11] = wire[11];
        FUZZ_CHECK(memcmp(again.data(), wire, total) == 0);
        reader.ResetHandler();
    }
    return 0;
}
