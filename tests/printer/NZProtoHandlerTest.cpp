#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ports/NZUtils.h"
#include "printer/NZProtoHandler.h"

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kProbe = {0x03, 0xFF, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00,
                      0xD4, 0x18, 'D',  'E',  'V',  'I',  'C',  'E',  '?',  '?'};

Bytes Build(unsigned char type, unsigned short cmd, unsigned int para, const Bytes& data)
{
    Bytes out(NZProtoHandler::HeaderSize + data.size());
    unsigned int n = 0;
    EXPECT_TRUE(NZProtoHandler::GenerateSendPackage(type, cmd, para, (unsigned int)data.size(),
                                                    data.empty() ? nullptr : data.data(),
                                                    out.data(), &n));
    EXPECT_EQ(out.size(), n);
    return out;
}

struct Got {
    unsigned char type;
    unsigned short cmd;
    unsigned int para;
    Bytes data;
    size_t endIndex;  // index of the byte that completed the package
};

// Feeds bytes the way the receive path does: reset after every completed package.
std::vector<Got> Feed(NZProtoHandlerPro& r, const Bytes& in)
{
    std::vector<Got> got;
    for (size_t i = 0; i < in.size(); ++i) {
        if (r.HandleByte(in[i])) {
            Got g{r.GetResultType(), r.GetResultCmd(), r.GetResultPara(),
                  Bytes(r.GetResultRecvbuf(), r.GetResultRecvbuf() + r.GetResultRecvlen()), i};
            got.push_back(g);
            r.ResetHandler();
        }
    }
    return got;
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

}  // namespace

TEST(ProtoPackage, DeviceProbeBytesAndReadBack)
{
    const char* text = "DEVICE??";
    EXPECT_EQ(kProbe, Build(0xFF, 32, 0, Bytes(text, text + 8)));

    NZProtoHandlerPro r;
    std::vector<Got> got = Feed(r, kProbe);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(0xFF, got[0].type);
    EXPECT_EQ(32, got[0].cmd);
    EXPECT_EQ(0u, got[0].para);
    EXPECT_EQ(Bytes(text, text + 8), got[0].data);
    EXPECT_EQ(kProbe.size() - 1, got[0].endIndex);
}

TEST(ProtoPackage, WireLayoutTable)
{
    struct Row {
        unsigned char type;
        unsigned short cmd;
        unsigned int para;
        Bytes data;
        Bytes expected;
    } rows[] = {
        // No data: 12 bytes, data check 00.
        {0xFF, 253, 0, {}, {0x03, 0xFF, 0xFD, 0x00, 0, 0, 0, 0, 0, 0, 0x03 ^ 0xFF ^ 0xFD, 0x00}},
        // Little-endian command and parameter.
        {0x01, 0x1234, 0x89ABCDEF, {0x03},
         {0x03, 0x01, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x89, 0x01, 0x00,
          (unsigned char)(0x03 ^ 0x01 ^ 0x34 ^ 0x12 ^ 0xEF ^ 0xCD ^ 0xAB ^ 0x89 ^ 0x01), 0x03, 0x03}},
        // Query battery level.
        {0xFF, 63, 86, {}, {0x03, 0xFF, 0x3F, 0x00, 0x56, 0, 0, 0, 0, 0, 0x03 ^ 0xFF ^ 0x3F ^ 0x56, 0x00}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cmd);
        Bytes pkg = Build(row.type, row.cmd, row.para, row.data);
        EXPECT_EQ(row.expected, pkg);
        NZProtoHandlerPro r;
        std::vector<Got> got = Feed(r, pkg);
        ASSERT_EQ(1u, got.size());
        EXPECT_EQ(row.type, got[0].type);
        EXPECT_EQ(row.cmd, got[0].cmd);
        EXPECT_EQ(row.para, got[0].para);
        EXPECT_EQ(row.data, got[0].data);
        EXPECT_EQ(pkg.size() - 1, got[0].endIndex);
    }
}

TEST(ProtoPackage, GenerateRefusesBadArguments)
{
    unsigned char out[64];
    unsigned char data[4] = {1, 2, 3, 4};
    unsigned int n = 99;
    memset(out, 0xAA, sizeof(out));
    EXPECT_FALSE(NZProtoHandler::GenerateSendPackage(0xFF, 1, 0, 65536, data, out, &n));
    EXPECT_EQ(0u, n);
    n = 99;
    EXPECT_FALSE(NZProtoHandler::GenerateSendPackage(0xFF, 1, 0, 3, nullptr, out, &n));
    EXPECT_EQ(0u, n);
    EXPECT_FALSE(NZProtoHandler::GenerateSendPackage(0xFF, 1, 0, 3, data, nullptr, &n));
    EXPECT_FALSE(NZProtoHandler::GenerateSendPackage(0xFF, 1, 0, 3, data, out, nullptr));
    for (unsigned char c : out)
        ASSERT_EQ(0xAA, c);  // nothing written
    // Null data with no length is a package without data.
    EXPECT_TRUE(NZProtoHandler::GenerateSendPackage(0xFF, 1, 0, 0, nullptr, out, &n));
    EXPECT_EQ(12u, n);
}

TEST(ProtoPackage, LargestPackageRoundTrip)
{
    Bytes data(65535);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = (unsigned char)(i * 7 + 3);
    Bytes pkg = Build(0xFF, 100, 0xFFFFFFFF, data);
    ASSERT_EQ(12u + 65535u, pkg.size());
    EXPECT_EQ(0xFF, pkg[8]);
    EXPECT_EQ(0xFF, pkg[9]);
    NZProtoHandlerPro r;
    std::vector<Got> got = Feed(r, pkg);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(0xFFFFFFFFu, got[0].para);
    EXPECT_EQ(data, got[0].data);
}

TEST(ProtoPackage, ResynchronisesInFrontOfValidPackage)
{
    const Bytes other = Build(0xFF, 63, 78, {});
    struct Row {
        const char* name;
        Bytes prefix;
    } rows[] = {
        {"nothing", {}},
        {"bytes before the first 03", {0x00, 0x11, 0xFE, 0x53}},
        {"stray 03", {0x03}},
        {"stray 03 03", {0x03, 0x03}},
        {"03 11 22 33 44", {0x03, 0x11, 0x22, 0x33, 0x44}},
        {"03 and ten junk bytes", {0x03, 1, 2, 4, 8, 16, 32, 64, 128, 5, 6}},
        {"bad header with 03 at position 5", {0x03, 0x10, 0x20, 0x30, 0x40}},
        {"a package cut short", {0x03, 0xFF, 0x20, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NZProtoHandlerPro r;
        Bytes in = Cat({row.prefix, kProbe, other});
        std::vector<Got> got = Feed(r, in);
        ASSERT_EQ(2u, got.size());
        EXPECT_EQ(32, got[0].cmd);
        EXPECT_EQ(Bytes({'D', 'E', 'V', 'I', 'C', 'E', '?', '?'}), got[0].data);
        EXPECT_EQ(row.prefix.size() + kProbe.size() - 1, got[0].endIndex);
        EXPECT_EQ(63, got[1].cmd);
        EXPECT_EQ(78u, got[1].para);
        EXPECT_EQ(in.size() - 1, got[1].endIndex);
    }
}

TEST(ProtoPackage, BadHeaderKeepsTailFromNextStartByte)
{
    // Twelve bytes whose check fails, with a 03 at position 5: the seven bytes
    // from there are kept as the start of the next header.
    Bytes in = {0x03, 0x10, 0x20, 0x30, 0x40, 0x03, 0xFF, 0x20, 0x00, 0x00, 0x00, 0x00};
    NZProtoHandlerPro r;
    EXPECT_TRUE(Feed(r, in).empty());
    Bytes rest(kProbe.begin() + 7, kProbe.end());
    std::vector<Got> got = Feed(r, rest);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(32, got[0].cmd);
}

TEST(ProtoPackage, CheckHeadAndResetHeadTable)
{
    struct Row {
        Bytes in;
        bool head;
    } checks[] = {
        {{}, true},
        {{0x04}, false},
        {{0x03}, true},
        {{0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9}, true},          // 10 bytes: start byte is enough
        {{0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}, false},      // 11 bytes: check must hold
        {Bytes(kProbe.begin(), kProbe.begin() + 11), true},
        {Bytes(kProbe.begin(), kProbe.begin() + 12), true},
    };
    for (const Row& row : checks)
        EXPECT_EQ(row.head, NZProtoHandlerPro::CheckHead(row.in.data(), (unsigned int)row.in.size()));
    EXPECT_TRUE(NZProtoHandlerPro::CheckHead(nullptr, 0));
    EXPECT_FALSE(NZProtoHandlerPro::CheckHead(nullptr, 5));

    struct Reset {
        Bytes in;
        Bytes kept;
    } resets[] = {
        {{0x03, 0x03, 0xFF, 0x20, 0, 0, 0, 0, 0, 0x08, 0x00, 0xD4}, Bytes(kProbe.begin(), kProbe.begin() + 11)},
        {{0x03, 0x10, 0x20, 0x30, 0x40, 0x03, 0xFF, 0x20, 0, 0, 0, 0}, {0x03, 0xFF, 0x20, 0, 0, 0, 0}},
        {{0x03, 0x05, 0x03, 0x11, 0x12, 0x14, 0x18, 0x21, 0x22, 0x24, 0x28, 0x31},
         {0x03, 0x11, 0x12, 0x14, 0x18, 0x21, 0x22, 0x24, 0x28, 0x31}},
        // Eleven bytes from position 1 start with 03 but fail the check.
        {{0x03, 0x03, 0x11, 0x12, 0x14, 0x18, 0x21, 0x22, 0x24, 0x03, 0x28, 0x31}, {0x03, 0x28, 0x31}},
        {{0x03, 0x11, 0x12, 0x14, 0x18, 0x21, 0x22, 0x24, 0x28, 0x31, 0x32, 0x03}, {0x03}},
        {{0x03, 0x11, 0x12, 0x14, 0x18, 0x21, 0x22, 0x24, 0x28, 0x31, 0x32, 0x34}, {}},
    };
    for (const Reset& row : resets) {
        unsigned char buf[12];
        memcpy(buf, row.in.data(), 12);
        unsigned int n = 99;
        NZProtoHandlerPro::ResetHead(buf, 12, buf, &n);
        EXPECT_EQ(row.kept, Bytes(buf, buf + n));
    }
}

TEST(ProtoPackage, BadDataCheckDropsPackageOnly)
{
    Bytes bad = kProbe;
    bad[11] ^= 0x01;
    Bytes good = Build(0xFF, 97, 5, {'n', 'a', 'm', 'e', 0x03});
    NZProtoHandlerPro r;
    std::vector<Got> got = Feed(r, Cat({bad, good}));
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ(97, got[0].cmd);
    EXPECT_EQ(5u, got[0].para);
}

TEST(ProtoPackage, ChecksOffAcceptWrongCheckBytes)
{
    Bytes pkg = kProbe;
    pkg[10] = 0x00;
    pkg[11] = 0x00;
    NZProtoHandlerPro r;
    r.checkHeadXor = false;
    r.checkDataXor = false;
    std::vector<Got> got = Feed(r, Cat({pkg, pkg}));
    ASSERT_EQ(2u, got.size());
    EXPECT_EQ(32, got[1].cmd);

    NZProtoHandlerPro strict;
    EXPECT_TRUE(Feed(strict, pkg).empty());
}

TEST(ProtoPackage, BytesAfterCompletedPackageWithoutResetStartOver)
{
    // The owner forgets to reset: the reader must neither append past the
    // completed package nor run off its buffer.
    NZProtoHandlerPro r;
    Bytes empty = Build(0xFF, 253, 0, {});
    int completed = 0;
    for (unsigned char b : empty)
        completed += r.HandleByte(b);
    EXPECT_EQ(1, completed);
    for (int i = 0; i < 70000; ++i)
        EXPECT_FALSE(r.HandleByte((unsigned char)(i % 3 == 0 ? 0x00 : 0x41))) << i;
    r.ResetHandler();
    completed = 0;
    for (int k = 0; k < 2; ++k)
        for (unsigned char b : kProbe)
            completed += r.HandleByte(b);  // no reset in between
    EXPECT_EQ(2, completed);
    EXPECT_EQ(32, r.GetResultCmd());
    EXPECT_EQ(0, memcmp(r.GetResultRecvbuf(), "DEVICE??", 8));
}

TEST(ReceivedProtoPackage, DeepCopiesAndSafeAssignment)
{
    const unsigned char d[3] = {1, 2, 3};
    NZReceivedProtoPackage a(63, 86, d, 3);
    ASSERT_NE(nullptr, a.data);
    EXPECT_NE(d, a.data);
    EXPECT_EQ(3u, a.length);

    NZReceivedProtoPackage b(a);
    EXPECT_NE(a.data, b.data);
    EXPECT_EQ(0, memcmp(b.data, d, 3));

    NZReceivedProtoPackage& self = a;
    a = self;
    ASSERT_NE(nullptr, a.data);
    EXPECT_EQ(0, memcmp(a.data, d, 3));
    EXPECT_EQ(63, a.cmd);
    EXPECT_EQ(86u, a.para);

    NZReceivedProtoPackage c(1, 2, nullptr, 0);
    c = a;
    EXPECT_EQ(3u, c.length);
    a = NZReceivedProtoPackage();
    EXPECT_EQ(nullptr, a.data);
    EXPECT_EQ(0u, a.length);
    EXPECT_EQ(0, memcmp(c.data, d, 3));

    NZReceivedProtoPackage moved(std::move(c));
    EXPECT_EQ(nullptr, c.data);
    EXPECT_EQ(0u, c.length);
    EXPECT_EQ(3u, moved.length);
}

TEST(ReceivedProtoPackage, DataNullExactlyWhenLengthZero)
{
    const unsigned char d[1] = {9};
    struct Row {
        const unsigned char* data;
        unsigned int length;
        bool hasData;
    } rows[] = {{nullptr, 0, false}, {nullptr, 5, false}, {d, 0, false}, {d, 1, true}};
    for (const Row& row : rows) {
        NZReceivedProtoPackage p(32, 0, row.data, row.length);
        EXPECT_EQ(row.hasData, p.data != nullptr);
        EXPECT_EQ(row.hasData ? row.length : 0u, p.length);
        EXPECT_EQ(32, p.cmd);
    }
}

TEST(FirmwareVersion, TerminatedAfterCopiedBytes)
{
    NZProtoModePrinterFirmwareVersion v;
    EXPECT_STREQ("", v.text);
    EXPECT_EQ(0, v.time);

    std::string longer = "V2.10.33-long";
    v.SetVersion((const unsigned char*)longer.data(), (unsigned int)longer.size(), 10);
    EXPECT_EQ(longer, v.text);
    v.SetVersion((const unsigned char*)"V1.0", 4, 20);
    EXPECT_STREQ("V1.0", v.text);
    EXPECT_EQ(20, v.time);

    std::string big(300, 'x');
    v.SetVersion((const unsigned char*)big.data(), (unsigned int)big.size(), 30);
    EXPECT_EQ(255u, strlen(v.text));

    v.SetVersion(nullptr, 10, 40);
    EXPECT_STREQ("", v.text);

    long long before = (long long)NZUtils_GetSysTimeMs();
    v.SetVersion((const unsigned char*)"V3", 2);
    EXPECT_STREQ("V3", v.text);
    EXPECT_GE(v.time, before);
    EXPECT_LE(v.time, (long long)NZUtils_GetSysTimeMs());
}
