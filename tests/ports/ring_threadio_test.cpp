#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ports/NZIORxBuffer.h"
#include "ports/NZUtils.h"
#include "support/SocketPairIO.h"
#include "support/TestUtil.h"

using quorvane_test::CountOpenFds;
using quorvane_test::SocketPairIO;
using quorvane_test::WaitFor;

TEST(RxRing, HoldsOneByteLessThanItsSize)
{
    NZIORxBuffer ring;
    EXPECT_TRUE(ring.IsEmpty());
    for (int i = 0; i < 16383; ++i) {
        ASSERT_FALSE(ring.IsFull());
        ring.PushBack(static_cast<unsigned char>(i));
    }
    EXPECT_TRUE(ring.IsFull());
    EXPECT_EQ(16383u, ring.Available());
    EXPECT_EQ(0, ring.PopFront());
    EXPECT_EQ(1, ring.PopFront());
    ring.Reset();
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(0u, ring.Available());
}

TEST(RxRing, AvailableAfterWrap)
{
    NZIORxBuffer ring;
    for (int i = 0; i < 16380; ++i) {
        ring.PushBack(0);
        ring.PopFront();
    }
    for (int i = 0; i < 7; ++i)
        ring.PushBack(static_cast<unsigned char>(i));
    EXPECT_EQ(7u, ring.Available());
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(i, ring.PopFront());
}

TEST(RxRing, DegenerateSizesAreFullAndEmpty)
{
    for (unsigned int size : {0u, 1u}) {
        NZIORxBuffer ring(size);
        EXPECT_TRUE(ring.IsEmpty());
        EXPECT_TRUE(ring.IsFull());
        EXPECT_EQ(0u, ring.Available());
        ring.PushBack(1); // dropped, never hangs
        EXPECT_EQ(0, ring.PopFront());
    }
}

TEST(RxRing, ProducerAndConsumerThreadsKeepOrder)
{
    NZIORxBuffer ring(64);
    const int total = 200000;
    std::thread producer([&] {
        for (int i = 0; i < total; ++i)
            ring.PushBack(static_cast<unsigned char>(i * 7));
    });
    bool inOrder = true;
    for (int i = 0; i < total; ++i)
        inOrder &= ring.PopFront() == static_cast<unsigned char>(i * 7);
    producer.join();
    EXPECT_TRUE(inOrder);
}

namespace {

struct Received {
    std::mutex m;
    std::vector<unsigned char> bytes;
    std::atomic<int> closed{0};
    std::atomic<bool> closedOnOtherThread{false};
    std::thread::id testThread = std::this_thread::get_id();
};

void onReceived(const unsigned char *data, unsigned int len, void *user)
{
    Received *r = static_cast<Received *>(user);
    std::lock_guard<std::mutex> lock(r->m);
    r->bytes.insert(r->bytes.end(), data, data + len);
}

void onClosed(void *user)
{
    Received *r = static_cast<Received *>(user);
    r->closedOnOtherThread = std::this_thread::get_id() != r->testThread;
    r->closed++;
}

size_t receivedCount(Received &r)
{
    std::lock_guard<std::mutex> lock(r.m);
    return r.bytes.size();
}

void sendAll(int fd, const std::vector<unsigned char> &data)
{
    size_t off = 0;
    while (off < data.size()) {
        const ssize_t n = ::send(fd, data.data() + off, data.size() - off, MSG_NOSIGNAL);
        ASSERT_GT(n, 0);
        off += static_cast<size_t>(n);
    }
}

} // namespace

TEST(ThreadPort, ReadPacketSizeIsClamped)
{
    SocketPairIO io;
    struct Row {
        unsigned int in, out;
    } rows[] = {{0, 1}, {1, 1}, {64, 64}, {1024, 1024}, {5000, 5000}, {65535, 65535}, {65536, 65535}};
    for (const Row &r : rows) {
        io.SetReadPacketSize(r.in);
        EXPECT_EQ(r.out, io.GetReadPacketSize());
    }
    io.StopReadThread(); // never started: returns at once
}

TEST(ThreadPort, ReceivedEventSeesEveryByteOnceInOrder)
{
    const int fdsBefore = CountOpenFds();
    {
        SocketPairIO io;
        Received r;
        io.SetReadedEvent(onReceived, &r);
        ASSERT_TRUE(io.Open("pair"));
        std::vector<unsigned char> data(20000);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = static_cast<unsigned char>(i * 31 + 7);
        sendAll(io.Peer(), data);
        ASSERT_TRUE(WaitFor([&] { return receivedCount(r) == data.size(); }, 5000));
        {
            std::lock_guard<std::mutex> lock(r.m);
            EXPECT_EQ(data, r.bytes);
        }
        // Nobody read: the ring kept the first 16383 bytes.
        ASSERT_TRUE(WaitFor([&] { return io.AvailableInRing() == 16383u; }, 2000));
        std::vector<unsigned char> got(16383);
        EXPECT_EQ(16383, io.Read(got.data(), 16383, 1000));
        EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin()));
        io.Close();
    }
    EXPECT_EQ(fdsBefore, CountOpenFds());
}

TEST(ThreadPort, ReadTimingAndClosedPortReads)
{
    SocketPairIO io;
    ASSERT_TRUE(io.Open("pair"));
    unsigned char buf[10];
    EXPECT_EQ(0, io.Read(buf, 0, 1000));
    const unsigned char four[4] = {1, 2, 3, 4};
    ASSERT_EQ(4, ::send(io.Peer(), four, 4, MSG_NOSIGNAL));
    const int64_t start = NZUtils_MonotonicMs();
    EXPECT_EQ(4, io.Read(buf, 10, 1000));
    const int64_t took = NZUtils_MonotonicMs() - start;
    EXPECT_GE(took, 1000);
    EXPECT_LE(took, 2100);
    // Bytes in the ring are returned before a closed port reports -1.
    ASSERT_EQ(2, ::send(io.Peer(), four, 2, MSG_NOSIGNAL));
    ASSERT_TRUE(WaitFor([&] { return io.AvailableInRing() == 2u; }, 2000));
    io.Close();
    EXPECT_EQ(2, io.Read(buf, 10, 100));
    EXPECT_EQ(-1, io.Read(buf, 10, 100));
    EXPECT_EQ(-1, io.Write(four, 4, 100));
}

TEST(ThreadPort, DeviceLossClosesOnItsOwnThreadOnce)
{
    const int fdsBefore = CountOpenFds();
    {
        SocketPairIO io;
        Received r;
        io.SetClosedEvent(onClosed, &r);
        ASSERT_TRUE(io.Open("pair"));
        io.DropPeer();
        ASSERT_TRUE(WaitFor([&] { return r.closed.load() == 1; }, 3000));
        EXPECT_TRUE(r.closedOnOtherThread.load());
        EXPECT_TRUE(WaitFor([&] { return !io.IsOpened(); }, 1000));
        unsigned char b;
        EXPECT_EQ(-1, io.Read(&b, 1, 100));
        io.Close();
        NZIOSleep::SleepMs(20);
        EXPECT_EQ(1, r.closed.load());
    }
    EXPECT_EQ(fdsBefore, CountOpenFds());
}

TEST(ThreadPort, CloseFromReceivedEventIsHandedToCloseThread)
{
    struct Ctx {
        SocketPairIO io;
        Received r;
    } ctx;
    ctx.io.SetClosedEvent(onClosed, &ctx.r);
    ctx.io.SetReadedEvent([](const unsigned char *, unsigned int, void *user) {
        static_cast<Ctx *>(user)->io.Close();
    }, &ctx);
    ASSERT_TRUE(ctx.io.Open("pair"));
    const unsigned char x = 1;
    ASSERT_EQ(1, ::send(ctx.io.Peer(), &x, 1, MSG_NOSIGNAL));
    ASSERT_TRUE(WaitFor([&] { return ctx.r.closed.load() == 1; }, 3000));
    EXPECT_TRUE(WaitFor([&] { return !ctx.io.IsReadThreadRunning(); }, 1000));
    EXPECT_FALSE(ctx.io.IsOpened());
}

TEST(ThreadPort, ReopenAfterCloseStartsANewReader)
{
    SocketPairIO io;
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(io.Open("pair"));
        const unsigned char x = static_cast<unsigned char>(round);
        ASSERT_EQ(1, ::send(io.Peer(), &x, 1, MSG_NOSIGNAL));
        unsigned char b = 0xFF;
        EXPECT_EQ(1, io.Read(&b, 1, 2000));
        EXPECT_EQ(x, b);
        io.Close();
        io.DropPeer();
    }
}

// The storage of a ring comes with its first byte (or the port's open): before that the
// ring is empty and not full, so producers that test for room do not drop the first bytes.
TEST(RxRing, IdleRingIsEmptyAndTakesItsFirstByte)
{
    NZIORxBuffer ring;
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_FALSE(ring.IsFull());
    EXPECT_EQ(0u, ring.Available());
    ring.Reset();
    ring.PushBack(7);
    EXPECT_EQ(1u, ring.Available());
    EXPECT_EQ(7, ring.PopFront());
    EXPECT_TRUE(ring.IsEmpty());
}

// A port that was never opened has no ring storage: its reads fail and skipping is harmless.
TEST(ThreadPort, NeverOpenedPortReadsFail)
{
    SocketPairIO io;
    unsigned char buf[4];
    EXPECT_EQ(0u, io.AvailableInRing());
    EXPECT_EQ(-1, io.Read(buf, 4, 50));
    io.SkipAvailable();
    io.SkipAvailable(3);
    EXPECT_EQ(0u, io.AvailableInRing());
}
