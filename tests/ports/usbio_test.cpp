// USB printer and parallel ports: device paths on pseudo-terminals, the 64-byte padding,
// and the vendor/product lookup against a temporary usblp driver tree.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "ports/NZEnumerator_linux.h"
#include "ports/NZFilter.h"
#include "ports/NZIOPortConfigFileUtils.h"
#include "ports/NZLptIO_linux.h"
#include "ports/NZUsbBaseOnVidPidIO_linux.h"
#include "ports/NZUsbIO_linux.h"
#include "ports/NZUsbProductSerialNumberIO.h"
#include "ports/NZUsbSysfs_linux.h"
#include "ports/NZUtils.h"
#include "support/DeviceFixtures.h"
#include "support/TestUtil.h"

using namespace quorvane_test;

namespace {

TEST(UsbPort, WritesArePaddedTo64Bytes)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZUsbIO_linux port;
    NZFilter_ByteAlignment align;
    align.alignment = 64;
    align.fillByte = 0;
    port.SetWriteFilter(&align);
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    EXPECT_EQ(port.GetReadPacketSize(), 64u);
    const struct {
        size_t len;
        size_t wire;
    } rows[] = {{1, 64}, {10, 64}, {63, 64}, {64, 64}, {65, 128}, {200, 256}};
    for (const auto &row : rows) {
        std::string data(row.len, 'A');
        for (size_t i = 0; i < row.len; ++i)
            data[i] = static_cast<char>('A' + i % 26);
        EXPECT_EQ(port.Write(reinterpret_cast<const unsigned char *>(data.data()), row.len, 1000),
                  static_cast<int>(row.len));
        const std::string wire = pty.ReadMaster(row.wire, 2000);
        EXPECT_EQ(wire, data + std::string(row.wire - row.len, '\0')) << row.len;
    }
    EXPECT_EQ(pty.ReadMaster(1, 100), ""); // nothing beyond the padding
    port.Close();
}

struct PacketLog {
    std::mutex lock;
    std::vector<unsigned int> sizes;
};

void OnReceived(const unsigned char *, unsigned int len, void *user)
{
    PacketLog *log = static_cast<PacketLog *>(user);
    std::lock_guard<std::mutex> g(log->lock);
    log->sizes.push_back(len);
}

TEST(UsbPort, ReceivesIn64BytePackets)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZUsbIO_linux port;
    PacketLog log;
    port.SetReadedEvent(&OnReceived, &log);
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    ASSERT_TRUE(pty.WriteMaster(std::string(300, 'z')));
    unsigned char buf[300];
    EXPECT_EQ(port.Read(buf, 300, 3000), 300);
    port.Close();
    unsigned int total = 0;
    for (unsigned int s : log.sizes) {
        EXPECT_LE(s, 64u);
        total += s;
    }
    EXPECT_EQ(total, 300u);
}

TEST(UsbPort, MissingNodeFails)
{
    const int fds = CountOpenFds();
    NZUsbIO_linux port;
    EXPECT_FALSE(port.Open("/nonexistent/usb/lp0"));
    EXPECT_FALSE(port.IsOpened());
    EXPECT_FALSE(port.IsInvalid());
    EXPECT_FALSE(port.IsCancelRead());
    EXPECT_EQ(CountOpenFds(), fds);
}

TEST(LptPort, WriteOnly)
{
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    NZLptIO_linux port;
    ASSERT_TRUE(port.Open(pty.slavePath().c_str()));
    EXPECT_TRUE(port.IsUnreadable());
    EXPECT_TRUE(port.IsCancelRead());
    EXPECT_FALSE(port.IsReadThreadRunning());
    ASSERT_TRUE(pty.WriteMaster("ignored"));
    unsigned char buf[8];
    const int64_t t0 = NZUtils_MonotonicMs();
    EXPECT_EQ(port.Read(buf, 1, 5000), -1);
    EXPECT_LT(NZUtils_MonotonicMs() - t0, 500);
    const unsigned char text[] = {'p', 'r', 'i', 'n', 't'};
    EXPECT_EQ(port.Write(text, 5, 1000), 5);
    EXPECT_EQ(pty.ReadMaster(5, 1000), "print");
    port.Close();

    EXPECT_FALSE(port.Open("/nonexistent/lp0"));
    EXPECT_FALSE(port.IsOpened());
    EXPECT_TRUE(port.IsUnreadable());
    EXPECT_TRUE(port.IsCancelRead());
    EXPECT_FALSE(port.IsInvalid());
}

// A usblp driver directory and a device directory under one temporary root.
class UsbSysfs : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(root.MakeDir("usblp"));
        ASSERT_TRUE(root.MakeDir("dev/usb"));
        ASSERT_TRUE(root.WriteFile("usblp/bind", ""));
        ASSERT_TRUE(root.WriteFile("usblp/uevent", "DRIVER=usblp\n"));
        NZUsbSysfs_SetRoots(root.Sub("usblp").c_str(), root.Sub("dev/usb").c_str());
    }
    void TearDown() override { NZUsbSysfs_SetRoots(nullptr, nullptr); }

    void AddInterface(const std::string &name, const std::string &modalias, const char *lp)
    {
        ASSERT_TRUE(root.MakeDir("usblp/" + name));
        ASSERT_TRUE(root.WriteFile("usblp/" + name + "/modalias", modalias));
        if (lp) {
            ASSERT_TRUE(root.MakeDir("usblp/" + name + "/usbmisc/" + lp));
        }
    }

    static std::vector<std::string> Split(const char *list)
    {
        std::vector<std::string> out;
        for (const char *p = list; *p; p += strlen(p) + 1)
            out.push_back(p);
        return out;
    }

    TempDir root;
    PtyPair pty;
};

TEST_F(UsbSysfs, OpensByVendorAndProduct)
{
    AddInterface("1-1:1.0", "usb:v1A2Bp3C4Dd0100dc00dsc00dp00ic07isc01ip02in00\n", "lp0");
    ASSERT_TRUE(root.Symlink(pty.slavePath(), "dev/usb/lp0"));
    const char *names[] = {"VID:0x1A2B,PID:0x3C4D", "VID:0x1a2b,PID:0x3c4d"};
    for (const char *name : names) {
        NZUsbBaseOnVidPidIO_linux port;
        testing::internal::CaptureStdout();
        const bool ok = port.Open(name);
        const std::string printed = testing::internal::GetCapturedStdout();
        ASSERT_TRUE(ok) << name;
        EXPECT_EQ(printed, "OpenUsbVidPid " + root.Sub("dev/usb/lp0") + " VID:0x1A2B,PID:0x3C4D\n");
        EXPECT_TRUE(port.IsReadThreadRunning());
        const unsigned char b[] = {0x10, 0x04, 0x01};
        EXPECT_EQ(port.Write(b, 3, 1000), 3);
        EXPECT_EQ(pty.ReadMaster(3, 1000), std::string("\x10\x04\x01", 3));
        port.Close();
    }
}

TEST_F(UsbSysfs, NamesThatOpenNothing)
{
    AddInterface("1-1:1.0", "usb:v1A2Bp3C4Dd0100\n", "lp0");
    ASSERT_TRUE(root.Symlink(pty.slavePath(), "dev/usb/lp0"));
    const char *names[] = {
        "VID:0x1A2B,PID:0x3C4",        // 20 characters
        "VID:0x1A2B,PID:0x3C4D,MI:00", // interface selection is not available
        "VID:0x1A2B,PID:0x3C4E",       // no such printer
        "VID:0xZZZZ,PID:0x3C4D",       // not hex
        "VID:0x1A2B,PID:-0x3C4",       // sign
        "",
    };
    for (const char *name : names) {
        NZUsbBaseOnVidPidIO_linux port;
        testing::internal::CaptureStdout();
        EXPECT_FALSE(port.Open(name)) << name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << name;
        EXPECT_FALSE(port.IsOpened());
    }
    NZUsbBaseOnVidPidIO_linux port;
    EXPECT_FALSE(port.Open(nullptr));
}

TEST_F(UsbSysfs, OnlyTheFirstMatchingInterfaceCounts)
{
    // The matching interface without a device node fails the open, as does a bad modalias.
    AddInterface("1-1:1.0", "usb:v1A2Bp3C4D\n", nullptr);
    AddInterface("2-1:1.0", "usb:v1A2Bp3C4D\n", "lp1");
    ASSERT_TRUE(root.Symlink(pty.slavePath(), "dev/usb/lp1"));
    NZUsbBaseOnVidPidIO_linux port;
    char list[256];
    unsigned int needed = 0;
    const int n = NZUsbBaseOnVidPidIO_linux::EnumerateUsblpBusPath(list, sizeof list, &needed);
    ASSERT_EQ(n, 2);
    const std::vector<std::string> buses = Split(list);
    const bool firstIsEmpty = buses[0] == root.Sub("usblp/1-1:1.0");
    testing::internal::CaptureStdout();
    const bool ok = port.Open("VID:0x1A2B,PID:0x3C4D");
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(ok, !firstIsEmpty); // directory order decides
    port.Close();
}

TEST_F(UsbSysfs, ModaliasParsing)
{
    const struct {
        const char *text;
        bool ok;
        unsigned short vid, pid;
    } rows[] = {
        {"usb:v1A2Bp3C4Dd0100\n", true, 0x1A2B, 0x3C4D},
        {"usb:vabcdpef01d0000", true, 0xABCD, 0xEF01},
        {"usb:v1A2Bp3C4D", true, 0x1A2B, 0x3C4D},    // 14 characters
        {"usb:v1A2Bp3C4", false, 0, 0},              // 13 characters
        {"", false, 0, 0},
        {"usb:v1A2Gp3C4Dd0100", false, 0, 0},        // not hex
        {"usb:v1A2Bp3C4 d0100", false, 0, 0},        // field cut short
        {"usb:v-A2Bp3C4Dd0100", false, 0, 0},
    };
    int i = 0;
    for (const auto &row : rows) {
        const std::string bus = "if" + std::to_string(i++);
        ASSERT_TRUE(root.MakeDir(bus));
        ASSERT_TRUE(root.WriteFile(bus + "/modalias", row.text));
        unsigned short vid = 0, pid = 0;
        EXPECT_EQ(NZUsbBaseOnVidPidIO_linux::ReadUsbVidPidByUsblpBusPath(root.Sub(bus).c_str(), &vid, &pid), row.ok)
            << row.text;
        if (row.ok) {
            EXPECT_EQ(vid, row.vid);
            EXPECT_EQ(pid, row.pid);
        }
    }
    unsigned short vid, pid;
    EXPECT_FALSE(NZUsbBaseOnVidPidIO_linux::ReadUsbVidPidByUsblpBusPath(root.Sub("none").c_str(), &vid, &pid));
    EXPECT_FALSE(NZUsbBaseOnVidPidIO_linux::ReadUsbVidPidByUsblpBusPath(nullptr, &vid, &pid));
}

TEST_F(UsbSysfs, DevicePathListsMeasureThenFill)
{
    AddInterface("1-1:1.0", "usb:v1A2Bp3C4D\n", "lp0");
    ASSERT_TRUE(root.MakeDir("usblp/1-1:1.0/usbmisc/lp7"));
    ASSERT_TRUE(root.MakeDir("usblp/1-1:1.0/usbmisc/other"));
    unsigned int needed = 0;
    EXPECT_EQ(NZUsbBaseOnVidPidIO_linux::EnumerateUsblpDevicePathByUsbVidPid(0x1A2B, 0x3C4D, nullptr, 0, &needed), 0);
    const std::string dev = root.Sub("dev/usb");
    EXPECT_EQ(needed, 2 * (dev.size() + 4 + 2));
    std::vector<char> buf(needed, '\x7f');
    EXPECT_EQ(NZUsbBaseOnVidPidIO_linux::EnumerateUsblpDevicePathByUsbVidPid(0x1A2B, 0x3C4D, buf.data(), needed,
                                                                            nullptr),
              2);
    std::vector<std::string> got = Split(buf.data());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{dev + "/lp0", dev + "/lp7"}));

    // No matching interface: nothing listed and the needed size left alone.
    needed = 1234;
    EXPECT_EQ(NZUsbBaseOnVidPidIO_linux::EnumerateUsbmiscByUsbVidPid(0x1111, 0x2222, nullptr, 0, &needed), 0);
    EXPECT_EQ(needed, 1234u);
}

TEST_F(UsbSysfs, VidPidEnumerator)
{
    AddInterface("1-1:1.0", "usb:v1A2Bp3C4Dd0100\n", "lp0");
    AddInterface("1-2:1.0", "usb:v04B8p0202\n", "lp1");
    AddInterface("1-3:1.0", "usb:v12", "lp2"); // too short: left out
    NZUsbVidPidEnumerator_linux e;
    unsigned int needed = 0;
    EXPECT_EQ(e.Enumerate(nullptr, 0, &needed), 0);
    EXPECT_EQ(needed, 2u * 23u);
    char buf[64];
    memset(buf, 0x7f, sizeof buf);
    EXPECT_EQ(e.EnumerateA(buf, sizeof buf, &needed), 2);
    std::vector<std::string> got = Split(buf);
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, (std::vector<std::string>{"VID:0x04B8,PID:0x0202", "VID:0x1A2B,PID:0x3C4D"}));
    // The names it gives are names the open accepts.
    for (const std::string &name : got) {
        unsigned short v, p;
        int mi;
        EXPECT_TRUE(NZUsbBaseOnVidPidIO::ParseName(name.c_str(), &v, &p, &mi));
        EXPECT_EQ(mi, -1);
    }
    // With a filter only matching pairs are listed.
    NZUsbVidPidEnumerator::VidPid only = {0x04B8, 0x0202};
    e.filter = &only;
    e.filterCount = 1;
    EXPECT_EQ(e.Enumerate(buf, sizeof buf, &needed), 1);
    EXPECT_STREQ(buf, "VID:0x04B8,PID:0x0202");
    EXPECT_TRUE(e.FilterMatchedVidPid(0x04B8, 0x0202));
    EXPECT_FALSE(e.FilterMatchedVidPid(0x1A2B, 0x3C4D));
}

TEST_F(UsbSysfs, NoDriverDirectoryFindsNothing)
{
    NZUsbSysfs_SetRoots(root.Sub("missing").c_str(), root.Sub("dev/usb").c_str());
    NZUsbVidPidEnumerator_linux e;
    unsigned int needed = 99;
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(e.Enumerate(buf, sizeof buf, &needed), 0);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(buf[0], '\0'); // an empty list is still terminated
    NZUsbBaseOnVidPidIO_linux port;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(port.Open("VID:0x1A2B,PID:0x3C4D"));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

struct VidPidSpy : public NZUsbBaseOnVidPidIO {
    bool OpenUsbVidPidMi(unsigned short vid, unsigned short pid, int mi) override
    {
        calls.push_back({vid, pid, mi});
        return NZUsbBaseOnVidPidIO::OpenUsbVidPidMi(vid, pid, mi);
    }
    struct Call {
        unsigned short vid, pid;
        int mi;
    };
    std::vector<Call> calls;
};

TEST(UsbNames, NeutralVidPidForms)
{
    VidPidSpy spy;
    EXPECT_FALSE(spy.Open("VID:0x1A2B,PID:0x3C4D"));
    EXPECT_FALSE(spy.Open("VID:0x1A2B,PID:0x3C4D,MI:07"));
    EXPECT_FALSE(spy.Open("VID:0x1A2B,PID:0x3C4D,MI:0"));
    ASSERT_EQ(spy.calls.size(), 2u);
    EXPECT_EQ(spy.calls[0].mi, -1);
    EXPECT_EQ(spy.calls[1].vid, 0x1A2B);
    EXPECT_EQ(spy.calls[1].pid, 0x3C4D);
    EXPECT_EQ(spy.calls[1].mi, 7);
    EXPECT_TRUE(spy.InitUsbDevice(1, 2, nullptr));
}

struct SerialSpy : public NZUsbProductSerialNumberIO {
    bool OpenUsbProductSerialNumberMi(const char *product, const char *serial, int mi) override
    {
        seen.push_back(std::string(product) + "|" + serial + "|" + std::to_string(mi));
        return NZUsbProductSerialNumberIO::OpenUsbProductSerialNumberMi(product, serial, mi);
    }
    std::vector<std::string> seen;
};

TEST(UsbNames, ProductSerialForms)
{
    const struct {
        const char *name;
        const char *reached; // null: nothing reached
    } rows[] = {
        {"abc/123,MI:2", "abc|123|2"},
        {"abc/123", "abc|123|0"},
        {"a/b/c", "a|b/c|0"},
        {"/", "||0"},
        {"abc", nullptr},
        {"abc,MI:3", nullptr},
    };
    for (const auto &row : rows) {
        SerialSpy spy;
        EXPECT_FALSE(spy.Open(row.name)) << row.name;
        if (row.reached) {
            ASSERT_EQ(spy.seen.size(), 1u) << row.name;
            EXPECT_EQ(spy.seen[0], row.reached);
        } else {
            EXPECT_TRUE(spy.seen.empty()) << row.name;
        }
        EXPECT_FALSE(spy.IsOpened());
    }
    SerialSpy spy;
    EXPECT_FALSE(spy.Open(nullptr));
}

TEST(UsbNames, PortConfigMapsNameToItself)
{
    NZIOPortConfigFileUtils cfg("quorvane", "quorvane.ini");
    char out[64];
    EXPECT_TRUE(cfg.GetPortData("/dev/usb/lp0", "/dev/usb/lp0", out, sizeof out));
    EXPECT_STREQ(out, "/dev/usb/lp0");
    char small[5];
    EXPECT_TRUE(cfg.GetPortData("/dev/usb/lp0", "/dev/usb/lp0", small, sizeof small));
    EXPECT_STREQ(small, "/dev");
    EXPECT_FALSE(cfg.GetPortData("k", "v", nullptr, 0));
    EXPECT_FALSE(cfg.SetPortData("VID:0x1A2B,PID:0x3C4D", "/dev/usb/lp0"));
}

} // namespace
