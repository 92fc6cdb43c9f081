// Enumerators: the string-list format and its measure-then-fill rule, directory listings
// on temporary trees, the wide form and the host address list.
#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <cstring>
#include <dirent.h>
#include <string>
#include <vector>

#include "ports/NZEnumerator_linux.h"
#include "support/DeviceFixtures.h"

using namespace quorvane_test;

namespace {

std::vector<std::string> Split(const char *list)
{
    std::vector<std::string> out;
    for (const char *p = list; *p; p += strlen(p) + 1)
        out.push_back(p);
    return out;
}

// Writer rows: entries, room, expected buffer bytes (with '#' for untouched), count, needed.
struct WriterRow {
    std::vector<std::string> entries;
    unsigned int room;
    std::string bytes;
    int count;
    unsigned int needed;
};

TEST(StringList, WriterRules)
{
    const std::string z(1, '\0');
    const WriterRow rows[] = {
        // "/dev/lp0" and "/dev/lp1": 20 needed, 19 used.
        {{"/dev/lp0", "/dev/lp1"}, 19, "/dev/lp0" + z + "/dev/lp1" + z + z, 2, 20},
        {{"/dev/lp0", "/dev/lp1"}, 20, "/dev/lp0" + z + "/dev/lp1" + z + z + "#", 2, 20},
        {{"/dev/lp0", "/dev/lp1"}, 10, "/dev/lp0" + z + z + "#########", 1, 20},
        // Nothing fits: the list is empty but terminated.
        {{"/dev/lp0", "/dev/lp1"}, 9, z + "##################", 0, 20},
        // A long entry is skipped, a later short one still fits.
        {{"a-very-long-entry", "ab"}, 6, "ab" + z + z + "##", 1, 23},
        {{}, 4, z + "###", 0, 0},
        {{}, 0, "####", 0, 0},
        {{""}, 3, z + z + "#", 1, 2},
        {{"x", "y", "z"}, 7, "x" + z + "y" + z + "z" + z + z, 3, 9},
        {{"x", "y", "z"}, 6, "x" + z + "y" + z + z + "#", 2, 9},
    };
    for (const WriterRow &row : rows) {
        std::string buf(std::max<size_t>(row.bytes.size(), row.room), '#');
        NZStringListWriter w(&buf[0], row.room);
        for (const std::string &e : row.entries)
            w.Add(e.c_str());
        unsigned int needed = 777;
        EXPECT_EQ(w.Finish(&needed), row.count) << row.room;
        EXPECT_EQ(needed, row.needed) << row.room;
        EXPECT_EQ(buf.substr(0, row.bytes.size()), row.bytes) << row.room;
    }
    // Measuring without a buffer.
    NZStringListWriter m(nullptr, 100);
    m.Add("abc");
    m.Add(nullptr);
    unsigned int needed = 0;
    EXPECT_EQ(m.Finish(&needed), 0);
    EXPECT_EQ(needed, 5u);
    EXPECT_EQ(m.Finish(nullptr), 0);
}

class DirList : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(dir.path().empty());
        for (const char *f : {"ttyS0", "ttyS1", "ttyUSB0", "lp0", "lp1", "console"})
            ASSERT_TRUE(dir.WriteFile(f, ""));
        ASSERT_TRUE(dir.MakeDir("ttyS-dir"));
    }

    // The names in the order the directory returns them.
    std::vector<std::string> ReaddirOrder() const
    {
        std::vector<std::string> names;
        DIR *d = opendir(dir.path().c_str());
        while (struct dirent *e = readdir(d))
            names.push_back(e->d_name);
        closedir(d);
        return names;
    }

    TempDir dir;
};

TEST_F(DirList, PrefixesAndDirectorySkip)
{
    const char *com[] = {"ttyS", "ttyUSB", nullptr};
    char buf[512];
    unsigned int needed = 0;
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.path().c_str(), com, buf, sizeof buf, &needed), 3);
    std::vector<std::string> want;
    for (const std::string &n : ReaddirOrder()) {
        if (n == "ttyS0" || n == "ttyS1" || n == "ttyUSB0")
            want.push_back(dir.Sub(n));
    }
    EXPECT_EQ(Split(buf), want); // directory order, the directory left out
    EXPECT_EQ(needed, 3 * (dir.path().size() + 1 + 2) + 5 + 5 + 7);

    const char *lp[] = {"lp", nullptr};
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.path().c_str(), lp, buf, sizeof buf, &needed), 2);
    const char *none[] = {nullptr};
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.path().c_str(), none, buf, sizeof buf, &needed), 0);
    EXPECT_EQ(needed, 0u);
    // No skip type and no prefixes: everything, "." and ".." included.
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.path().c_str(), 0, nullptr, buf, sizeof buf, &needed), 9);
    const std::vector<std::string> all = Split(buf);
    EXPECT_NE(std::find(all.begin(), all.end(), dir.Sub(".")), all.end());
    EXPECT_NE(std::find(all.begin(), all.end(), dir.Sub("ttyS-dir")), all.end());
}

TEST_F(DirList, MeasureThenFill)
{
    const char *lp[] = {"lp", nullptr};
    unsigned int needed = 0;
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.path().c_str(), lp, nullptr, 0, &needed), 0);
    const unsigned int n = static_cast<unsigned int>(dir.Sub("lp0").size());
    EXPECT_EQ(needed, 2 * (n + 2));
    const struct {
        unsigned int room;
        int count;
    } rows[] = {{2 * n + 3, 2}, {2 * (n + 2), 2}, {n + 2, 1}, {n + 1, 0}, {1, 0}};
    for (const auto &row : rows) {
        std::vector<char> buf(row.room + 4, '#');
        unsigned int got = 0;
        EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.path().c_str(), lp, buf.data(), row.room, &got), row.count)
            << row.room;
        EXPECT_EQ(got, needed);
        EXPECT_EQ(buf[row.room], '#'); // never beyond the room
        EXPECT_EQ(Split(buf.data()).size(), static_cast<size_t>(row.count));
    }
    char *alloc = NZDirectoryList_linux::ListFilesAlloc(dir.path().c_str(), DT_DIR, lp);
    ASSERT_NE(alloc, nullptr);
    EXPECT_EQ(Split(alloc).size(), 2u);
    free(alloc);
}

TEST_F(DirList, LongPathsAreNotCut)
{
    const std::string longDir = std::string(200, 'd');
    const std::string longName = "lp" + std::string(150, '9');
    ASSERT_TRUE(dir.MakeDir(longDir));
    ASSERT_TRUE(dir.WriteFile(longDir + "/" + longName, ""));
    const std::string full = dir.Sub(longDir) + "/" + longName;
    ASSERT_GT(full.size(), 300u);
    const char *lp[] = {"lp", nullptr};
    std::vector<char> buf(4096);
    unsigned int needed = 0;
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(dir.Sub(longDir).c_str(), lp, buf.data(), buf.size(), &needed), 1);
    EXPECT_EQ(std::string(buf.data()), full);
    EXPECT_EQ(needed, full.size() + 2);
}

TEST(DirListMissing, NothingFound)
{
    char buf[8] = "#######";
    unsigned int needed = 5;
    EXPECT_EQ(NZDirectoryList_linux::ListFiles("/nonexistent/dir", nullptr, buf, sizeof buf, &needed), 0);
    EXPECT_EQ(needed, 0u);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(buf[1], '#');
    EXPECT_EQ(NZDirectoryList_linux::ListFiles(nullptr, nullptr, buf, sizeof buf, &needed), 0);
}

// An enumerator with fixed entries, for the wide form.
struct FixedEnumerator : public NZEnumerator {
    std::vector<std::string> entries;
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override
    {
        NZStringListWriter w(out, room);
        for (const std::string &e : entries)
            w.Add(e.c_str());
        return w.Finish(needed);
    }
};

TEST(WideList, RoomAndNeededInBytes)
{
    FixedEnumerator e;
    e.entries = {"0123456789", "abcdefghij", "ABCDEFGHIJ"};
    wchar_t buf[40];
    wmemset(buf, L'#', 40);
    unsigned int needed = 0;
    EXPECT_EQ(e.EnumerateW(buf, 100, &needed), 2);
    EXPECT_EQ(needed, 3u * 48u);
    EXPECT_EQ(std::wstring(buf), L"0123456789");
    EXPECT_EQ(std::wstring(buf + 11), L"abcdefghij");
    EXPECT_EQ(buf[22], L'\0');
    EXPECT_EQ(buf[23], L'#');
    EXPECT_EQ(e.EnumerateW(nullptr, 0, &needed), 0);
    EXPECT_EQ(needed, 144u);
    EXPECT_EQ(e.EnumerateW(buf, 47, &needed), 0);
    EXPECT_EQ(buf[0], L'\0'); // empty but terminated

    FixedEnumerator empty;
    needed = 9;
    EXPECT_EQ(empty.EnumerateW(buf, sizeof buf, &needed), 0);
    EXPECT_EQ(needed, 0u);
    NZEnumerator base;
    needed = 9;
    EXPECT_EQ(base.EnumerateA(nullptr, 0, &needed), 0);
    EXPECT_EQ(needed, 0u);
}

TEST(HostIP, Ipv4WithoutLoopback)
{
    NZHostIPEnumerator_linux e;
    unsigned int needed = 0;
    e.Enumerate(nullptr, 0, &needed);
    std::vector<char> buf(needed + 1, '#');
    const int n = e.Enumerate(buf.data(), static_cast<unsigned int>(buf.size()), nullptr);
    const std::vector<std::string> got = n > 0 ? Split(buf.data()) : std::vector<std::string>();
    EXPECT_EQ(static_cast<int>(got.size()), n);
    unsigned int sum = 0;
    for (const std::string &ip : got) {
        struct in_addr a;
        EXPECT_EQ(inet_pton(AF_INET, ip.c_str(), &a), 1) << ip;
        EXPECT_NE(ip.rfind("127.", 0), 0u) << ip;
        sum += static_cast<unsigned int>(ip.size() + 2);
    }
    EXPECT_EQ(sum, needed);
}

TEST(DeviceEnumerators, MeasureThenFillOnDev)
{
    NZComIOEnumerator_linux com;
    NZLptIOEnumerator_linux lpt;
    NZUsbIOEnumerator_linux usb;
    struct {
        NZEnumerator *e;
        std::vector<std::string> prefixes;
    } rows[] = {{&com, {"/dev/ttyS", "/dev/ttyUSB"}}, {&lpt, {"/dev/lp"}}, {&usb, {"/dev/usb/lp"}}};
    for (auto &row : rows) {
        unsigned int needed = 0;
        EXPECT_EQ(row.e->Enumerate(nullptr, 0, &needed), 0);
        std::vector<char> buf(needed + 1, '#');
        unsigned int again = 0;
        const int n = row.e->EnumerateA(buf.data(), static_cast<unsigned int>(buf.size()), &again);
        EXPECT_EQ(again, needed);
        for (const std::string &entry : Split(buf.data())) {
            bool matched = false;
            for (const std::string &p : row.prefixes)
                matched = matched || entry.rfind(p, 0) == 0;
            EXPECT_TRUE(matched) << entry;
        }
        EXPECT_EQ(static_cast<int>(Split(buf.data()).size()), n);
    }
}

int g_callbacks = 0;
void BtFound(const char *, const char *, const void *) { ++g_callbacks; }
void BtFoundW(const wchar_t *, const wchar_t *, const void *) { ++g_callbacks; }
void P2PFound(const char *, const char *, const char *, const void *) { ++g_callbacks; }
void P2PFoundW(const wchar_t *, const wchar_t *, const wchar_t *, const void *) { ++g_callbacks; }

TEST(WirelessEnumerators, FindNothing)
{
    NZBtDeviceEnumerator_linux bt;
    NZBleDeviceEnumerator_linux ble;
    NZWiFiP2PDeviceEnumerator p2p;
    int cancel = 0;
    bt.EnumBtDeviceA(100, &cancel, &BtFound, nullptr);
    bt.EnumBtDeviceW(100, &cancel, &BtFoundW, nullptr);
    ble.EnumBtDeviceA(100, &cancel, &BtFound, nullptr);
    ble.EnumBtDeviceW(100, nullptr, &BtFoundW, nullptr);
    p2p.EnumWiFiP2PDeviceA(100, &cancel, &P2PFound, nullptr);
    p2p.EnumWiFiP2PDeviceW(100, &cancel, &P2PFoundW, nullptr);
    EXPECT_EQ(g_callbacks, 0);
    unsigned int needed = 3;
    EXPECT_EQ(bt.Enumerate(nullptr, 0, &needed), 0);
    EXPECT_EQ(needed, 0u);
    NZUsbProductSerialNumberEnumerator ps;
    EXPECT_EQ(ps.Enumerate(nullptr, 0, &needed), 0);
}

} // namespace
