// The kit inside an application: signals reaching the threads that call it, a time-out of
// 0, printers that speak first, datagrams the system refuses, and picture conversions on
// threads that the application cancels (cancelled port calls: cancel_test.cpp).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "nzcommon/imgprocess/parallel.h"
#include "ports/NZUtils.h"
#include "quorvane/quorvane.h"
#include "support/ChildCases.h"
#include "support/FakePrinter.h"
#include "support/ProtoPackages.h"
#include "support/PtyPrinter.h"
#include "support/SignalRain.h"
#include "support/TestNetns.h"
#include "support/TestUtil.h"
#include "support/ThreadCancel.h"
#include "support/UdpFakePrinter.h"
#include "support/UdpPeer.h"
#include "support/Watchdog.h"

using namespace quorvane_test;

namespace {

// Bytes that show where a stream was cut, dropped or repeated.
std::string Pattern(size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>(i * 7 + i / 251);
    return s;
}

const unsigned char *U(const std::string &s) { return reinterpret_cast<const unsigned char *>(s.data()); }

CP_Handle OpenTcp(const FakePrinter &printer)
{
    return CP_Port_OpenTcp(nullptr, "127.0.0.1", printer.Port(), 3000, 0);
}

} // namespace

// Writes go on through signals until every byte is out: a signal every millisecond while
// a stalled printer holds the data back, then lets it through.
TEST(CallerEnvironment, SignalsDoNotCutWrites)
{
#ifdef QUORVANE_TEST_SANITIZED
    const size_t size = 4u << 20;
#else
    const size_t size = 16u << 20;
#endif
    const std::string data = Pattern(size);
    const struct {
        const char *what;
        bool restart; // SA_RESTART makes no difference to a socket wait with a time-out
        std::function<bool(CP_Handle)> write;
    } rows[] = {
        {"CP_Port_Write", false,
         [&](CP_Handle h) { return CP_Port_Write(h, U(data), static_cast<unsigned int>(size), 30000) == static_cast<int>(size); }},
        {"CP_Port_Write, SA_RESTART", true,
         [&](CP_Handle h) { return CP_Port_Write(h, U(data), static_cast<unsigned int>(size), 30000) == static_cast<int>(size); }},
        {"command", false,
         [&](CP_Handle h) { return CP_Pos_PrintTextInBytes(h, data.data(), static_cast<int>(size)) == 1; }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        FakePrinter printer;
        printer.SetStalled(true);
        ASSERT_TRUE(printer.Start());
        CP_Handle h = OpenTcp(printer);
        ASSERT_NE(h, nullptr);
        std::atomic<int> result{-1};
        std::thread writer([&] { result = row.write(h) ? 1 : 0; });
        int sent;
        {
            SignalRain rain(writer.native_handle(), 1000, row.restart);
            NZIOSleep::SleepMs(300);
            printer.SetStalled(false);
            WaitFor([&] { return result.load() != -1; }, 30000);
            sent = rain.Sent();
        }
        writer.join();
        EXPECT_GT(sent, 100);
        EXPECT_EQ(result.load(), 1);
        EXPECT_TRUE(printer.WaitForReceivedCount(size, 10000));
        EXPECT_TRUE(printer.Received() == data) << printer.ReceivedCount() << " bytes received";
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
}

// A time-out of 0 is one attempt without waiting, on every transport: it returns at once
// with what went out, which is what the printer then receives.
TEST(CallerEnvironment, ZeroTimeOutWritesReturnAtOnce)
{
    Watchdog dog;
    const size_t big = 16u << 20;
    const std::string data = Pattern(big);
    {
        SCOPED_TRACE("TCP, full socket buffer");
        FakePrinter printer;
        printer.SetStalled(true);
        ASSERT_TRUE(printer.Start());
        CP_Handle h = OpenTcp(printer);
        ASSERT_NE(h, nullptr);
        int n;
        {
            Watchdog::Scope call(dog, "CP_Port_Write with time-out 0", 2000);
            n = CP_Port_Write(h, U(data), static_cast<unsigned int>(big), 0);
        }
        EXPECT_GE(n, 0);
        EXPECT_LT(n, static_cast<int>(big));
        {
            Watchdog::Scope call(dog, "second CP_Port_Write with time-out 0", 2000);
            EXPECT_EQ(CP_Port_Write(h, U(data), 1, 0), 0); // the buffer is still full
        }
        EXPECT_EQ(CP_Port_SetDefaultWriteTimeout(h, 0), 1);
        {
            Watchdog::Scope call(dog, "command with default write time-out 0", 2000);
            EXPECT_EQ(CP_Pos_PrintTextInBytes(h, data.data(), static_cast<int>(big)), 0);
        }
        printer.SetStalled(false);
        // What the first write reported is the first part of what arrives.
        EXPECT_TRUE(printer.WaitForReceivedCount(static_cast<size_t>(n), 10000));
        EXPECT_TRUE(printer.Received().compare(0, static_cast<size_t>(n), data, 0, static_cast<size_t>(n)) == 0);
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
    {
        SCOPED_TRACE("UDP");
        UdpPeer peer("127.0.0.1", 0);
        ASSERT_TRUE(peer.Ok());
        CP_Handle h = CP_Proto_OpenUdp("127.0.0.1", 0, "127.0.0.1", peer.Port());
        ASSERT_NE(h, nullptr);
        {
            Watchdog::Scope call(dog, "UDP CP_Port_Write with time-out 0", 2000);
            EXPECT_EQ(CP_Port_Write(h, U(data), 3, 0), 3);
        }
        Datagram d;
        ASSERT_TRUE(peer.Receive(d, 2000));
        EXPECT_EQ(std::string(d.data.begin(), d.data.end()), data.substr(0, 3));
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
    {
        SCOPED_TRACE("serial");
        PtyPrinter device;
        ASSERT_TRUE(device.Ok());
        CP_Handle h = CP_Port_OpenCom(device.Path(), 115200, CP_ComDataBits_8, CP_ComParity_NoParity,
                                      CP_ComStopBits_One, CP_ComFlowControl_None, 0);
        ASSERT_NE(h, nullptr);
        {
            Watchdog::Scope call(dog, "serial CP_Port_Write with time-out 0", 2000);
            EXPECT_EQ(CP_Port_Write(h, U(data), 3, 0), 3);
        }
        EXPECT_TRUE(device.WaitForReceivedCount(3, 2000));
        EXPECT_EQ(CP_Port_Close(h), 1);
    }
}

namespace {

// A free UDP port of 127.0.0.1 (free when asked).
unsigned short FreeUdpPort()
{
    UdpPeer probe("127.0.0.1", 0);
    return probe.Port();
}

// Waits until something in this network namespace has bound UDP 127.0.0.1:port.
bool WaitUdpBound(unsigned short port, int timeoutMs)
{
    char local[32];
    snprintf(local, sizeof local, "0100007F:%04X", port);
    return WaitFor([&] {
        std::string table;
        return ReadWholeFile("/proc/net/udp", table) && table.find(local) != std::string::npos;
    }, timeoutMs);
}

// Opens a connection whose printer speaks first, reads what it said, closes; the number of
// rounds in which every byte arrived in order.
int RoundsDelivered(const std::string &hello, int rounds, const std::function<CP_Handle()> &open)
{
    int delivered = 0;
    for (int i = 0; i < rounds; ++i) {
        CP_Handle h = open();
        if (!h)
            continue;
        unsigned char buf[64];
        const int n = CP_Port_Read(h, buf, static_cast<int>(hello.size()), 2000);
        delivered += n == static_cast<int>(hello.size()) && memcmp(buf, hello.data(), hello.size()) == 0;
        CP_Port_Close(h);
    }
    return delivered;
}

} // namespace

// Bytes a printer sends as the connection opens reach the application, in order, on every
// transport with a read thread: at accept (TCP), waiting on the line (serial), or the
// moment the socket is bound (UDP).
TEST(CallerEnvironment, BytesSentAtOpenArrive)
{
    const int rounds = 20;
    const std::string hello = "printer ready";

    FakePrinter printer;
    printer.SetGreeting(hello);
    ASSERT_TRUE(printer.Start());
    EXPECT_EQ(RoundsDelivered(hello, rounds, [&] { return OpenTcp(printer); }), rounds) << "TCP";

    PtyPrinter device;
    ASSERT_TRUE(device.Ok());
    EXPECT_EQ(RoundsDelivered(hello, rounds,
                              [&] {
                                  return device.Send(hello)
                                             ? CP_Port_OpenCom(device.Path(), 115200, CP_ComDataBits_8,
                                                               CP_ComParity_NoParity, CP_ComStopBits_One,
                                                               CP_ComFlowControl_None, 0)
                                             : nullptr;
                              }),
              rounds)
        << "serial";

    UdpPeer peer("127.0.0.1", 0);
    ASSERT_TRUE(peer.Ok());
    EXPECT_EQ(RoundsDelivered(hello, rounds,
                              [&] {
                                  const unsigned short local = FreeUdpPort();
                                  std::thread sender([&] {
                                      if (WaitUdpBound(local, 2000))
                                          peer.SendTo(Bytes(hello.begin(), hello.end()), "127.0.0.1", local);
                                  });
                                  CP_Handle h = CP_Proto_OpenUdp("127.0.0.1", local, "127.0.0.1", peer.Port());
                                  sender.join();
                                  return h;
                              }),
              rounds)
        << "UDP";
}

// A datagram the system refuses fails that one write; the connection stays open and works
// again once the cause has passed.
TEST(CallerEnvironment, RefusedDatagramKeepsTheConnection)
{
    testing::internal::CaptureStdout();
    CP_Handle h = CP_Proto_OpenUdp("0.0.0.0", 0, "127.0.0.1", 0); // destination port 0: refused
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CP_Port_Write(h, U("abc"), 3, 1000), -1);
    NZIOSleep::SleepMs(200);
    EXPECT_EQ(CP_Port_IsOpened(h), 1);
    EXPECT_EQ(CP_Port_Write(h, U("abc"), 3, 1000), -1); // tried again, refused again
    EXPECT_EQ(CP_Port_Close(h), 1);
    EXPECT_EQ(CountOf(testing::internal::GetCapturedStdout(), "sendto error"), 2u);
}

// No route to the printer yet: writes fail while the connection stays; once the route is
// there, a write reaches the printer byte-exact and a request gets its reply.
TEST(CallerEnvironment, DatagramsFlowOnceTheRouteExists)
{
    TestNetns ns(true);
    REQUIRE_NETNS(ns);
    const std::string reply = Package(0xFF, 63, 86, "\x01\x02\x03\x04" "85");
    UdpResponder printer("0.0.0.0", 9100, [&](int, const Datagram &d) {
        // Answers the requests (packages) and records everything.
        return d.data.size() >= 12 && d.data[0] == 0x03 ? std::vector<Bytes>{Bytes(reply.begin(), reply.end())}
                                                        : std::vector<Bytes>{};
    });
    std::thread peer = ns.Start(true, [&] { printer.Run(); });
    ASSERT_TRUE(printer.WaitReady());
    ASSERT_TRUE(ns.Run(false, [&] {
        ASSERT_TRUE(ns.SetRoutes(false));
        testing::internal::CaptureStdout();
        CP_Handle h = CP_Proto_OpenUdp(nullptr, 0, ns.PeerAddress(), 9100);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(CP_Port_Write(h, U("lost"), 4, 500), -1); // no route
        NZIOSleep::SleepMs(200);
        EXPECT_EQ(CP_Port_IsOpened(h), 1);
        EXPECT_NE(testing::internal::GetCapturedStdout().find("sendto error: "), std::string::npos);
        ASSERT_TRUE(ns.SetRoutes(true));
        const std::string data = Pattern(1000);
        EXPECT_EQ(CP_Port_Write(h, U(data), 1000, 500), 1000);
        EXPECT_TRUE(WaitFor([&] { return printer.Count() >= 1; }, 3000));
        EXPECT_EQ(CP_Proto_QueryBatteryLevel(h, 2000), 85);
        EXPECT_EQ(CP_Port_Close(h), 1);
        const std::vector<Datagram> got = printer.Packets();
        ASSERT_FALSE(got.empty());
        EXPECT_TRUE(std::string(got[0].data.begin(), got[0].data.end()) == data);
    }));
    printer.Stop();
    peer.join();
}

namespace {

struct CancelWork {
    std::vector<unsigned char> rgba;
    int width, height;
    CP_Handle memory;
};

// Converts the picture in a loop, each binarization in turn, until cancelled.
void *ConvertUntilCancelled(void *arg)
{
    CancelWork *w = static_cast<CancelWork *>(arg);
    for (int method = 0;; method = (method + 1) % 3) {
        CP_Image_GetCompressToJBIGDataLength(w->rgba.data(), static_cast<long long>(w->rgba.size()), w->width,
                                             w->height, w->width * 4, CP_ImagePixelFormat_RGBA, method);
        CP_Pos_PrintRasterImageFromPixels(w->memory, w->rgba.data(), static_cast<int>(w->rgba.size()), w->width,
                                          w->height, w->width * 4, CP_ImagePixelFormat_RGBA, method,
                                          CP_ImageCompressionMethod_JBIG);
        CP_Port_ClearMemoryBufferData(w->memory);
        pthread_testcancel();
    }
    return nullptr;
}

// An RGBA picture with gradients and fine detail, so every binarization has work to do.
std::vector<unsigned char> Picture(int width, int height)
{
    std::vector<unsigned char> p(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char *px = &p[(static_cast<size_t>(y) * width + x) * 4];
            px[0] = static_cast<unsigned char>(x * 255 / width);
            px[1] = static_cast<unsigned char>(y * 255 / height);
            px[2] = static_cast<unsigned char>((x ^ y) & 0xFF);
            px[3] = 0xFF;
        }
    return p;
}

// Distinct threads that one parallel section ran its blocks on.
size_t ThreadsOfOneSection()
{
    std::mutex lock;
    std::set<std::thread::id> ids;
    NZPar_For(64, 1, [&](int, int) {
        std::lock_guard<std::mutex> g(lock);
        ids.insert(std::this_thread::get_id());
        NZIOSleep::SleepMs(2);
    });
    return ids.size();
}

} // namespace

// A worker cancelled inside picture conversions ends at its next cancellation point after
// the call; the process lives on, the call gives the same bytes afterwards and the threads
// it shares its work with are still there to be had.
TEST(CallerEnvironment, CancelledConversionEndsTheWorkerOnly)
{
#ifdef QUORVANE_TEST_SANITIZED
    const int width = 800, height = 1200;
#else
    const int width = 1600, height = 2400;
#endif
    const int delaysMs[] = {2, 5, 9, 15, 24, 40, 65, 120};
    const size_t perChild = 3;
    const std::vector<ChildOutcome> out = RunChildCases(
        sizeof(delaysMs) / sizeof(delaysMs[0]),
        [&](size_t i) {
            CancelWork w;
            w.width = width;
            w.height = height;
            w.rgba = Picture(width, height);
            w.memory = CP_Port_OpenMemoryBuffer(64u << 20);
            if (!w.memory)
                return 2;
            auto jbig = [&] {
                return CP_Image_GetCompressToJBIGDataLength(w.rgba.data(), static_cast<long long>(w.rgba.size()),
                                                            width, height, width * 4, CP_ImagePixelFormat_RGBA,
                                                            CP_ImageBinarizationMethod_ErrorDiffusion);
            };
            const int before = jbig();
            for (size_t k = 0; k < perChild; ++k)
                if (!EndedByCancel(&ConvertUntilCancelled, &w, delaysMs[i] * static_cast<int>(k + 1)))
                    return 4;
            if (before <= 0 || jbig() != before)
                return 5;
            if (NZPar_Threads() > 1 && ThreadsOfOneSection() < 2)
                return 6;
            CP_Port_Close(w.memory);
            return 0;
        },
        60000, 4);
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_TRUE(out[i].exited && out[i].code == 0)
            << "cancelled after " << delaysMs[i] << " ms: " << (out[i].exited ? "exit " : "signal ") << out[i].code
            << "\n" << out[i].output;
    }
}
