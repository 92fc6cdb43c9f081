#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "ports/NZFilter.h"
#include "ports/NZIOHolder.h"
#include "support/TestUtil.h"

namespace {

// A port whose raw operations are scripted: BaseWrite answers a fixed count, BaseReadDirectly
// hands out queued bytes one read at a time.
class ScriptedIO : public NZIO {
public:
    int writeAnswer = -2; // -2: answer the length asked for
    std::vector<unsigned int> writeLengths;
    std::deque<unsigned char> input;
    int closes = 0;

    bool Open(const char *) override
    {
        if (!BeginOpen())
            return false;
        SetOpened(true);
        return true;
    }
    void BaseClose() override { ++closes; }
    int BaseWrite(const unsigned char *, unsigned int len, unsigned int) override
    {
        writeLengths.push_back(len);
        return writeAnswer == -2 ? static_cast<int>(len) : writeAnswer;
    }
    int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int) override
    {
        unsigned int n = 0;
        while (n < len && !input.empty()) {
            buf[n++] = input.front();
            input.pop_front();
        }
        return static_cast<int>(n);
    }
};

struct EventLog {
    std::vector<std::vector<unsigned char>> written;
    int closed = 0;
};

void onWritten(const unsigned char *data, unsigned int len, void *user)
{
    static_cast<EventLog *>(user)->written.emplace_back(data, data + len);
}

void onClosed(void *user) { static_cast<EventLog *>(user)->closed++; }

class NullFilter : public NZFilter {
public:
    unsigned char *FilterData(const unsigned char *, unsigned int, unsigned int *outLen) override
    {
        *outLen = 0;
        return nullptr;
    }
};

} // namespace

TEST(PortBase, WriteOnClosedPortIsRefusedWithoutEvent)
{
    ScriptedIO io;
    EventLog log;
    io.SetWritedEvent(onWritten, &log);
    const unsigned char d[3] = {1, 2, 3};
    EXPECT_EQ(-1, io.Write(d, 3, 100));
    EXPECT_TRUE(io.writeLengths.empty());
    EXPECT_TRUE(log.written.empty());
}

TEST(PortBase, AlignmentFilterResultMapping)
{
    struct Row {
        int baseAnswer;
        int expect;
    } rows[] = {{64, 10}, {32, 10}, {5, 5}, {-1, -1}, {0, 0}};
    for (const Row &r : rows) {
        ScriptedIO io;
        ASSERT_TRUE(io.Open("x"));
        NZFilter_ByteAlignment filter;
        filter.alignment = 64;
        io.SetWriteFilter(&filter);
        EventLog log;
        io.SetWritedEvent(onWritten, &log);
        io.writeAnswer = r.baseAnswer;
        const unsigned char d[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        EXPECT_EQ(r.expect, io.Write(d, 10, 100)) << r.baseAnswer;
        ASSERT_EQ(1u, io.writeLengths.size());
        EXPECT_EQ(64u, io.writeLengths[0]);
        if (r.expect > 0) {
            ASSERT_EQ(1u, log.written.size());
            EXPECT_EQ(static_cast<size_t>(r.expect), log.written[0].size());
            EXPECT_EQ(1, log.written[0][0]);
        } else {
            EXPECT_TRUE(log.written.empty());
        }
    }
}

TEST(PortBase, FilterReturningNullWritesNothing)
{
    ScriptedIO io;
    ASSERT_TRUE(io.Open("x"));
    NullFilter filter;
    io.SetWriteFilter(&filter);
    EventLog log;
    io.SetWritedEvent(onWritten, &log);
    const unsigned char d[2] = {1, 2};
    EXPECT_EQ(0, io.Write(d, 2, 100));
    EXPECT_TRUE(io.writeLengths.empty());
    EXPECT_TRUE(log.written.empty());
    NZFilter_ByteAlignment zero;
    zero.alignment = 0;
    io.SetWriteFilter(&zero);
    EXPECT_EQ(0, io.Write(d, 2, 100));
}

TEST(PortBase, AlignmentFilterSizes)
{
    struct Row {
        unsigned int alignment, len, out;
    } rows[] = {{64, 10, 64}, {64, 64, 64}, {64, 65, 128}, {1, 7, 7}, {3, 1, 3}, {0, 5, 0}, {0x80000000u, 0x80000001u, 0}};
    std::vector<unsigned char> data(70, 0xAB);
    for (const Row &r : rows) {
        NZFilter_ByteAlignment f;
        f.alignment = r.alignment;
        f.fillByte = 0;
        unsigned int outLen = 99;
        // The last row only checks the refused size: its length is never read.
        unsigned char *out = f.FilterData(data.data(), r.len, &outLen);
        EXPECT_EQ(r.out, outLen) << r.alignment << " " << r.len;
        if (out) {
            EXPECT_EQ(0xAB, out[0]);
            EXPECT_EQ(r.len < r.out ? 0 : 0xAB, out[r.out - 1]);
        }
        free(out);
    }
    NZFilter plain;
    unsigned int outLen = 5;
    EXPECT_EQ(nullptr, plain.FilterData(nullptr, 4, &outLen));
    EXPECT_EQ(0u, outLen);
}

TEST(PortBase, CloseTwiceRaisesOneEventAndNestedCloseReturns)
{
    ScriptedIO io;
    EventLog log;
    io.SetClosedEvent(onClosed, &log);
    ASSERT_TRUE(io.Open("x"));
    EXPECT_FALSE(io.Open("x")); // already open: refused, untouched
    EXPECT_TRUE(io.IsOpened());
    io.Close();
    io.Close();
    EXPECT_EQ(1, log.closed);
    EXPECT_EQ(1, io.closes);
    const unsigned char d[1] = {0};
    EXPECT_EQ(-1, io.Write(d, 1, 10));

    struct Nested {
        ScriptedIO *io;
        int calls;
    } nested{&io, 0};
    io.SetClosedEvent([](void *u) {
        Nested *n = static_cast<Nested *>(u);
        n->calls++;
        n->io->Close();
    }, &nested);
    ASSERT_TRUE(io.Open("x"));
    io.Close();
    EXPECT_EQ(1, nested.calls);
}

TEST(PortBase, ReadUntilByteStoresAndCountsStopByte)
{
    ScriptedIO io;
    ASSERT_TRUE(io.Open("x"));
    io.input = {0x41, 0x42, 0x0A, 0x43};
    unsigned char buf[10] = {0};
    EXPECT_EQ(3, io.ReadUntilByte(buf, sizeof buf, 1000, 0x0A));
    EXPECT_EQ(0x0A, buf[2]);
    EXPECT_EQ(1u, io.input.size());
}

TEST(PortBase, ReadUntilBytesFollowsOverlappingMatches)
{
    struct Row {
        const char *input;
        const char *pattern;
        bool found;
        int count;
    } rows[] = {
        {"41 41 41 42", "41 41 42", true, 4},
        {"41 42 41 41 42", "41 41 42", true, 5},
        {"41 42 41 42 41 43", "41 42 41 43", true, 6},
        {"41 42 43", "44", false, 3},
        {"41 42 43", "", false, 0},
    };
    for (const Row &r : rows) {
        ScriptedIO io;
        ASSERT_TRUE(io.Open("x"));
        for (unsigned char b : quorvane_test::Hex(r.input))
            io.input.push_back(b);
        const quorvane_test::Bytes pattern = quorvane_test::Hex(r.pattern);
        unsigned char buf[16];
        bool found = !r.found;
        EXPECT_EQ(r.count, io.ReadUntilBytes(buf, sizeof buf, 1000, pattern.empty() ? nullptr : pattern.data(),
                                             static_cast<unsigned int>(pattern.size()), &found))
            << r.input;
        EXPECT_EQ(r.found, found) << r.input;
    }
}

TEST(PortBase, QueryResponseWithShortRequestWriteReadsNothing)
{
    ScriptedIO io;
    ASSERT_TRUE(io.Open("x"));
    io.writeAnswer = 1;
    io.input = {0x12};
    const unsigned char cmd[3] = {0x10, 0x04, 0x01};
    unsigned char resp[1];
    EXPECT_EQ(-1, io.QueryResponse(cmd, 3, resp, 1, 100));
    EXPECT_EQ(1u, io.input.size());
    io.writeAnswer = -2;
    EXPECT_EQ(0x12, io.QueryOneByteStatus(cmd, 3, 100));
}

TEST(PortHolder, EmptyHolderAnswersFailure)
{
    NZIOHolder h;
    EXPECT_EQ(nullptr, h.GetIO());
    EXPECT_FALSE(h.IsOpened());
    EXPECT_FALSE(h.Open("x"));
    unsigned char b[2] = {0, 0};
    EXPECT_EQ(-1, h.Write(b, 2, 10));
    EXPECT_EQ(-1, h.Read(b, 2, 10));
    EXPECT_EQ(-1, h.BaseWrite(b, 2, 10));
    bool found = true;
    EXPECT_EQ(-1, h.ReadUntilBytes(b, 2, 10, b, 1, &found));
    EXPECT_TRUE(found);
    h.Close();
}

TEST(PortHolder, ForwardsToHeldPortAndNeverClosesIt)
{
    ScriptedIO io;
    ASSERT_TRUE(io.Open("x"));
    {
        NZIOHolder h;
        h.SetIO(&io);
        EXPECT_TRUE(h.IsOpened());
        const unsigned char d[4] = {1, 2, 3, 4};
        EXPECT_EQ(4, h.Write(d, 4, 10));
    }
    EXPECT_TRUE(io.IsOpened());
    EXPECT_EQ(0, io.closes);
}
