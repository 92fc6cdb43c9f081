#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ports/NZFileIO.h"
#include "ports/NZFilter.h"
#include "ports/NZMemoryIO.h"

namespace {

struct Counter {
    int writes = 0;
    std::vector<unsigned char> last;
};

void onWritten(const unsigned char *data, unsigned int len, void *user)
{
    Counter *c = static_cast<Counter *>(user);
    c->writes++;
    c->last.assign(data, data + len);
}

std::string tempPath(const char *name)
{
    return std::string(::testing::TempDir()) + "quorvane_" + std::to_string(getpid()) + "_" + name;
}

long fileSize(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

} // namespace

TEST(MemoryPort, WritesAreTakenWholeOrNotAtAll)
{
    NZMemoryIO io;
    Counter c;
    io.SetWritedEvent(onWritten, &c);
    ASSERT_TRUE(io.Open(16u));
    std::vector<unsigned char> d(10, 0x55);
    struct Step {
        unsigned int len;
        int result;
        unsigned int length;
        int events;
    } steps[] = {{10, 10, 10, 1}, {7, -1, 10, 1}, {6, 6, 16, 2}, {1, -1, 16, 2}, {0, 0, 16, 2}};
    for (const Step &s : steps) {
        EXPECT_EQ(s.result, io.Write(d.data(), s.len, 0)) << s.len;
        EXPECT_EQ(s.length, io.GetBufferLength());
        EXPECT_EQ(s.events, c.writes);
    }
    io.ClearBufferData();
    EXPECT_EQ(0u, io.GetBufferLength());
    const unsigned char x = 0x7E;
    EXPECT_EQ(1, io.Write(&x, 1, 0));
    EXPECT_EQ(0x7E, static_cast<const unsigned char *>(io.GetBufferData())[0]);
    unsigned char buf[4];
    EXPECT_EQ(-1, io.Read(buf, 4, 10));
    io.Close();
    EXPECT_EQ(nullptr, io.GetBufferData());
    EXPECT_EQ(0u, io.GetBufferLength());
    EXPECT_EQ(-1, io.Write(&x, 1, 0));
}

TEST(MemoryPort, AlignmentFilterPadsStoredBytes)
{
    NZMemoryIO io;
    NZFilter_ByteAlignment f;
    f.alignment = 64;
    f.fillByte = 0;
    io.SetWriteFilter(&f);
    Counter c;
    io.SetWritedEvent(onWritten, &c);
    ASSERT_TRUE(io.Open(100u));
    std::vector<unsigned char> d(10, 0xFF);
    EXPECT_EQ(10, io.Write(d.data(), 10, 0));
    ASSERT_EQ(64u, io.GetBufferLength());
    const unsigned char *buf = static_cast<const unsigned char *>(io.GetBufferData());
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(i < 10 ? 0xFF : 0x00, buf[i]) << i;
    ASSERT_EQ(1, c.writes);
    EXPECT_EQ(d, c.last);
    io.Close();
}

TEST(MemoryPort, OpenByNameAndBadNames)
{
    struct Row {
        const char *name;
        bool ok;
    } rows[] = {{"1024", true}, {"0", false}, {"-5", false}, {"abc", false}, {nullptr, false}};
    for (const Row &r : rows) {
        NZMemoryIO io;
        EXPECT_EQ(r.ok, io.Open(r.name)) << (r.name ? r.name : "null");
        io.Close();
    }
    NZMemoryIO io;
    ASSERT_TRUE(io.Open(8u));
    const void *first = io.GetBufferData();
    EXPECT_FALSE(io.Open(32u)); // already open: refused, buffer kept
    EXPECT_EQ(first, io.GetBufferData());
    io.Close();
}

TEST(FilePort, AppendKeepsContentNewTruncates)
{
    const std::string path = tempPath("append.bin");
    {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::vector<unsigned char> hundred(100, 1);
        fwrite(hundred.data(), 1, hundred.size(), f);
        fclose(f);
    }
    const unsigned char five[5] = {1, 2, 3, 4, 5};
    NZFileIO io;
    ASSERT_TRUE(io.OpenAppend(path.c_str()));
    EXPECT_EQ(5, io.Write(five, 5, 0));
    EXPECT_EQ(105, fileSize(path)); // flushed at once
    io.Close();
    EXPECT_EQ(105, fileSize(path));
    ASSERT_TRUE(io.OpenNew(path.c_str()));
    EXPECT_EQ(5, io.Write(five, 5, 0));
    unsigned char b[2];
    EXPECT_EQ(-1, io.Read(b, 2, 10));
    io.Close();
    EXPECT_EQ(5, fileSize(path));
    ASSERT_TRUE(io.OpenAppendW(std::wstring(path.begin(), path.end()).c_str()));
    io.Close();
    EXPECT_FALSE(io.OpenNew(nullptr));
    EXPECT_FALSE(io.OpenNewW(nullptr));
    EXPECT_FALSE(io.OpenNew("/nonexistent-dir/x/y"));
    unlink(path.c_str());
}

TEST(FilePort, FailedWriteReportsMinusOne)
{
    NZFileIO io;
    ASSERT_TRUE(io.OpenNew("/dev/full"));
    const unsigned char d[4] = {1, 2, 3, 4};
    EXPECT_EQ(-1, io.Write(d, 4, 0));
    io.Close();
}

TEST(MemoryPort, ConcurrentWritersLoseNothing)
{
    NZMemoryIO io;
    ASSERT_TRUE(io.Open(8u * 4000u));
    std::vector<std::thread> writers;
    for (int t = 0; t < 8; ++t) {
        writers.emplace_back([&io, t] {
            const unsigned char b[4] = {static_cast<unsigned char>(t), 1, 2, 3};
            for (int i = 0; i < 1000; ++i)
                io.Write(b, 4, 0);
        });
    }
    for (std::thread &w : writers)
        w.join();
    EXPECT_EQ(8u * 4000u, io.GetBufferLength());
    // Every write landed whole: each 4-byte block is one writer's block.
    const unsigned char *buf = static_cast<const unsigned char *>(io.GetBufferData());
    for (unsigned int i = 0; i < io.GetBufferLength(); i += 4)
        EXPECT_TRUE(buf[i] < 8 && buf[i + 1] == 1 && buf[i + 2] == 2 && buf[i + 3] == 3) << i;
    io.Close();
}
