// Serial ports on pseudo-terminals: the termios record, speed changes, timed reads and
// writes, device loss and descriptor hygiene.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "ports/NZComIO_linux.h"
#include "ports/NZLptIO_linux.h"
#include "ports/NZUtils.h"
#include "support/DeviceFixtures.h"
#include "support/PortChecks.h"
#include "support/TestUtil.h"

using namespace quorvane_test;

namespace {

struct TermiosRow {
    int baud;
    int dataBits, parity, stopBits, flow;
    speed_t speed;
    tcflag_t cflag; // without the speed bits
    tcflag_t iflag;
    unsigned char vstart, vstop;
};

const TermiosRow kTermiosRows[] = {
    {115200, 8, 0, 0, 0, B115200, CS8 | CREAD | CLOCAL, 0, 0, 0},
    {9600, 5, 0, 0, 0, B9600, CS5 | CREAD | CLOCAL, 0, 0, 0},
    {9600, 6, 0, 0, 0, B9600, CS6 | CREAD | CLOCAL, 0, 0, 0},
    {9600, 7, 0, 0, 0, B9600, CS7 | CREAD | CLOCAL, 0, 0, 0},
    {9600, 9, 0, 0, 0, B9600, CS8 | CREAD | CLOCAL, 0, 0, 0},          // unknown size: 8
    {19200, 8, 1, 0, 0, B19200, CS8 | PARENB | PARODD | CREAD | CLOCAL, 0, 0, 0},
    {38400, 8, 2, 0, 0, B38400, CS8 | PARENB | CREAD | CLOCAL, 0, 0, 0},
    {57600, 8, 3, 0, 0, B57600, CS8 | CREAD | CLOCAL, 0, 0, 0},       // unknown parity: none
    {230400, 8, 0, 2, 0, B230400, CS8 | CSTOPB | CREAD | CLOCAL, 0, 0, 0},
    {460800, 8, 0, 1, 0, B460800, CS8 | CREAD | CLOCAL, 0, 0, 0},     // 1: one stop bit
    {500000, 8, 0, 0, 1, B500000, CS8 | CREAD | CLOCAL, IXON, 0x11, 0x13},
    {576000, 8, 0, 0, 2, B576000, CS8 | CRTSCTS | CREAD | CLOCAL, 0, 0, 0},
    {921600, 8, 0, 0, 3, B921600, CS8 | CREAD | CLOCAL, 0, 0, 0},     // unknown flow: none
    {1500000, 7, 2, 2, 1, B1500000, CS7 | PARENB | CSTOPB | CREAD | CLOCAL, IXON, 0x11, 0x13},
};

TEST(ComTermios, RecordFromSettings)
{
    for (const TermiosRow &row : kTermiosRows) {
        SCOPED_TRACE(row.baud);
        struct termios t;
        ASSERT_TRUE(NZComIO_linux::BuildTermios(&t, row.baud, static_cast<ComDataBits>(row.dataBits),
                                                static_cast<ComParity>(row.parity),
                                                static_cast<ComStopBits>(row.stopBits),
                                                static_cast<ComFlowControl>(row.flow)));
        EXPECT_EQ(cfgetospeed(&t), row.speed);
        EXPECT_EQ(cfgetispeed(&t), row.speed);
        EXPECT_EQ(t.c_cflag & ~static_cast<tcflag_t>(CBAUD | CBAUDEX), row.cflag);
        EXPECT_EQ(t.c_iflag, row.iflag);
        EXPECT_EQ(t.c_oflag, 0u);
        EXPECT_EQ(t.c_lflag, 0u);
        for (int i = 0; i < NCCS; ++i) {
            const unsigned char want = i == VSTART ? row.vstart : i == VSTOP ? row.vstop : 0;
            EXPECT_EQ(t.c_cc[i], want) << "cc " << i;
        }
    }
}

TEST(ComTermios, BaudTable)
{
    const struct {
        int rate;
        bool ok;
        speed_t speed;
    } rows[] = {
        {9600, true, B9600},       {19200, true, B19200},     {38400, true, B38400},
        {57600, true, B57600},     {115200, true, B115200},   {230400, true, B230400},
        {460800, true, B460800},   {500000, true, B500000},   {576000, true, B576000},
        {921600, true, B921600},   {1000000, true, B1000000}, {1152000, true, B1152000},
        {1500000, true, B1500000}, {14400, false, 0},         {4800, false, 0},
        {0, false, 0},             {-9600, false, 0},         {2000000, false, 0},
    };
    for (const auto &row : rows) {
        speed_t s = 0;
        EXPECT_EQ(NZComIO_linux::LookupBaudrate(row.rate, &s), row.ok) << row.rate;
        if (row.ok) {
            EXPECT_EQ(s, row.speed) << row.rate;
        }
    }
    struct termios t;
    EXPECT_FALSE(NZComIO_linux::BuildTermios(&t, 14400, ComDataBits_8, ComParity_None, ComStopBits_One,
                                             ComFlowControl_None));
    EXPECT_FALSE(NZComIO_linux::BuildTermios(nullptr, 9600, ComDataBits_8, ComParity_None, ComStopBits_One,
                                             ComFlowControl_None));
}

bool PortAttrs(NZComIO_linux &port, struct termios *t) { return tcgetattr(port.GetFd(), t) == 0; }

TEST(ComPort, OpensPtyRaw115200)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZComIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 115200, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_None));
    EXPECT_TRUE(port.IsOpened());
    EXPECT_TRUE(port.IsReadThreadRunning());
    EXPECT_EQ(port.GetReadPacketSize(), 64u);
    struct termios t;
    ASSERT_TRUE(PortAttrs(port, &t));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B115200));
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B115200));
    EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag, 0u);
    EXPECT_EQ(t.c_oflag, 0u);
    EXPECT_EQ(t.c_lflag, 0u);
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
    EXPECT_EQ(fcntl(port.GetFd(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    EXPECT_EQ(fcntl(port.GetFd(), F_GETFL) & O_NONBLOCK, O_NONBLOCK);
    port.Close();
    EXPECT_FALSE(port.IsOpened());
    EXPECT_EQ(port.GetFd(), -1);
}

TEST(ComPort, FlowControl)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZComIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 9600, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_XonXoff));
    struct termios t;
    ASSERT_TRUE(PortAttrs(port, &t));
    EXPECT_EQ(t.c_iflag, static_cast<tcflag_t>(IXON));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    for (int v = 0; v <= 3; ++v)
        EXPECT_FALSE(port.SetFlowControl(static_cast<ComFlowControl>(v)));
    port.Close();

    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 9600, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_RtsCts));
    ASSERT_TRUE(PortAttrs(port, &t));
    EXPECT_EQ(t.c_iflag, 0u);
    port.Close();
}

TEST(ComPort, SetBaudrate)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZComIO_linux port;
    EXPECT_FALSE(port.SetBaudrate(9600)); // closed
    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 115200, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_XonXoff));
    struct termios before, after;
    ASSERT_TRUE(PortAttrs(port, &before));
    EXPECT_FALSE(port.SetBaudrate(14400));
    ASSERT_TRUE(PortAttrs(port, &after));
    EXPECT_EQ(before.c_iflag, after.c_iflag);
    EXPECT_EQ(before.c_oflag, after.c_oflag);
    EXPECT_EQ(before.c_cflag, after.c_cflag);
    EXPECT_EQ(before.c_lflag, after.c_lflag);
    EXPECT_EQ(memcmp(before.c_cc, after.c_cc, sizeof(before.c_cc)), 0);
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B115200));
    EXPECT_TRUE(port.SetBaudrate(1500000));
    ASSERT_TRUE(PortAttrs(port, &after));
    EXPECT_EQ(cfgetospeed(&after), static_cast<speed_t>(B1500000));
    EXPECT_EQ(after.c_iflag, static_cast<tcflag_t>(IXON)); // the rest is kept
    port.Close();
    EXPECT_FALSE(port.SetBaudrate(9600));
}

TEST(ComPort, OneArgumentOpenIs9600_8N1)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZComIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    struct termios t;
    ASSERT_TRUE(PortAttrs(port, &t));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_iflag, 0u);
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    port.Close();
    ASSERT_TRUE(port.OpenW(std::wstring(pty.slavePath().begin(), pty.slavePath().end()).c_str(), 19200,
                           ComDataBits_8, ComParity_None, ComStopBits_One, ComFlowControl_None));
    ASSERT_TRUE(PortAttrs(port, &t));
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    port.Close();
}

TEST(ComPort, FailedOpens)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int fds = CountOpenFds();
    NZComIO_linux port;
    // Unsupported rate: refused before the device is touched.
    EXPECT_FALSE(port.Open(pty.slavePath().c_str(), 14400, ComDataBits_8, ComParity_None, ComStopBits_One,
                           ComFlowControl_None));
    ExpectAllFlagsClear(port);
    EXPECT_FALSE(port.Open("/nonexistent/ttyS9", 9600, ComDataBits_8, ComParity_None, ComStopBits_One,
                           ComFlowControl_None));
    ExpectAllFlagsClear(port);
    EXPECT_FALSE(port.Open(nullptr));
    EXPECT_FALSE(port.Open(""));
    EXPECT_EQ(port.GetFd(), -1);
    EXPECT_FALSE(port.IsReadThreadRunning());
    EXPECT_EQ(CountOpenFds(), fds);
    // The platform-neutral defaults open nothing.
    NZComIO neutral;
    EXPECT_FALSE(neutral.Open(pty.slavePath().c_str()));
    EXPECT_FALSE(neutral.SetBaudrate(9600));
    ExpectAllFlagsClear(neutral);
}

TEST(ComPort, RoundTripBothWays)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZComIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 115200, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_None));
    const std::string out = "\x1b@hello\r\n\x00\xff";
    EXPECT_EQ(port.Write(reinterpret_cast<const unsigned char *>(out.data()), out.size(), 1000),
              static_cast<int>(out.size()));
    EXPECT_EQ(pty.ReadMaster(out.size(), 2000), out);

    std::string in(200, '\0');
    for (size_t i = 0; i < in.size(); ++i)
        in[i] = static_cast<char>(i);
    ASSERT_TRUE(pty.WriteMaster(in));
    unsigned char buf[256];
    EXPECT_EQ(port.Read(buf, 200, 3000), 200);
    EXPECT_EQ(std::string(reinterpret_cast<char *>(buf), 200), in);
    // Nothing more arrives: a short time-out returns 0 and the port stays valid.
    EXPECT_EQ(port.Read(buf, 1, 100), 0);
    EXPECT_FALSE(port.IsInvalid());
    port.Close();
    EXPECT_EQ(port.Read(buf, 1, 100), -1);
    EXPECT_EQ(port.Write(buf, 1, 100), -1);
}

struct ClosedRecord {
    std::atomic<int> count{0};
    std::atomic<bool> otherThread{false};
    std::thread::id caller;
};

void OnClosed(void *user)
{
    ClosedRecord *r = static_cast<ClosedRecord *>(user);
    if (std::this_thread::get_id() != r->caller)
        r->otherThread = true;
    r->count.fetch_add(1);
}

TEST(ComPort, MasterCloseMakesPortInvalidAndClosesOnce)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int fds = CountOpenFds();
    NZComIO_linux port;
    ClosedRecord rec;
    rec.caller = std::this_thread::get_id();
    port.SetClosedEvent(&OnClosed, &rec);
    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 115200, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_None));
    pty.CloseMaster();
    EXPECT_TRUE(WaitFor([&] { return rec.count.load() > 0; }, 3000));
    EXPECT_TRUE(WaitFor([&] { return !port.IsOpened(); }, 3000));
    EXPECT_TRUE(port.IsInvalid());
    NZIOSleep::SleepMs(50);
    EXPECT_EQ(rec.count.load(), 1);
    EXPECT_TRUE(rec.otherThread.load());
    unsigned char b;
    EXPECT_EQ(port.Read(&b, 1, 100), -1);
    port.Close(); // already closed: no second event
    port.StopCloseThread();
    EXPECT_EQ(rec.count.load(), 1);
    EXPECT_EQ(port.GetFd(), -1);
    EXPECT_EQ(CountOpenFds(), fds - 1); // only the master is gone
}

// A parallel port has no read thread, so the raw read can be driven directly.
TEST(SelectBase, RawReadTimeOutDataAndLoss)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZLptIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    unsigned char buf[16];
    const int64_t t0 = NZUtils_MonotonicMs();
    EXPECT_EQ(port.BaseReadDirectly(buf, sizeof buf, 150), 0);
    EXPECT_GE(NZUtils_MonotonicMs() - t0, 140);
    EXPECT_FALSE(port.IsInvalid());
    ASSERT_TRUE(pty.WriteMaster("ab"));
    EXPECT_EQ(port.BaseReadDirectly(buf, sizeof buf, 1000), 2);
    EXPECT_EQ(port.SelectRead(0), 0);
    EXPECT_EQ(port.SelectWrite(0), 1);
    pty.CloseMaster();
    EXPECT_LE(port.BaseReadDirectly(buf, sizeof buf, 1000), 0);
    EXPECT_TRUE(port.IsInvalid());
    port.Close();
    // No descriptor: every wait fails at once.
    EXPECT_EQ(port.SelectRead(0), -1);
    EXPECT_EQ(port.SelectWrite(0), -1);
    EXPECT_EQ(port.BaseReadDirectly(buf, 1, 0), -1);
    EXPECT_EQ(port.BaseWrite(buf, 1, 0), -1);
    const int fds = CountOpenFds();
    port.BaseClose(); // nothing left to close
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(SelectBase, WriteHonoursTimeOutOnStalledDevice)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZLptIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    std::vector<unsigned char> big(1 << 20, 0x55);
    // Nobody reads the master: the pty fills and the write stops at its time-out.
    const int64_t t0 = NZUtils_MonotonicMs();
    const int n = port.Write(big.data(), big.size(), 200);
    EXPECT_GT(n, 0);
    EXPECT_LT(n, static_cast<int>(big.size()));
    EXPECT_LT(NZUtils_MonotonicMs() - t0, 2000);
    EXPECT_EQ(port.Write(big.data(), 100, 50), 0);
    EXPECT_FALSE(port.IsInvalid());
    port.Close();
}

TEST(SelectBase, CloseEndsAStuckWrite)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int fds = CountOpenFds();
    NZComIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 9600, ComDataBits_8, ComParity_None, ComStopBits_One,
                          ComFlowControl_None));
    std::vector<unsigned char> big(1 << 20, 0x55);
    std::atomic<int> result{-2};
    std::thread writer([&] { result = port.Write(big.data(), big.size(), 600000); });
    NZIOSleep::SleepMs(100);
    EXPECT_EQ(result.load(), -2); // still waiting for the device
    const int64_t t0 = NZUtils_MonotonicMs();
    port.Close();
    writer.join();
    EXPECT_LT(NZUtils_MonotonicMs() - t0, 2000);
    EXPECT_GT(result.load(), 0);
    EXPECT_LT(result.load(), static_cast<int>(big.size()));
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(ComPort, NoDescriptorLeakOverManyOpens)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const int fds = CountOpenFds();
    NZComIO_linux port;
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(port.Open(pty.slavePath().c_str(), 115200, ComDataBits_8, ComParity_None, ComStopBits_One,
                              ComFlowControl_None));
        EXPECT_FALSE(port.Open(pty.slavePath().c_str())); // already open
        port.Close();
    }
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(ComPort, DescriptorAbove1024)
{
    struct rlimit lim;
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &lim), 0);
    if (lim.rlim_max != RLIM_INFINITY && lim.rlim_max < 1100)
        GTEST_SKIP() << "descriptor limit too low";
    const struct rlimit saved = lim;
    if (lim.rlim_cur < 1100) {
        lim.rlim_cur = 1100;
        ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lim), 0);
    }
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    std::vector<int> fillers;
    for (int fd = dup(0); fd >= 0 && fd < 1030; fd = dup(0))
        fillers.push_back(fd);
    NZComIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    EXPECT_GE(port.GetFd(), 1024);
    ASSERT_TRUE(pty.WriteMaster("xyz"));
    unsigned char buf[3];
    EXPECT_EQ(port.Read(buf, 3, 2000), 3);
    EXPECT_EQ(port.Write(buf, 3, 1000), 3);
    EXPECT_EQ(pty.ReadMaster(3, 1000), "xyz");
    port.Close();
    for (int fd : fillers)
        close(fd);
    setrlimit(RLIMIT_NOFILE, &saved);
}

} // namespace
