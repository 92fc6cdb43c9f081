// Device lists and searches of the C interface: measure-then-fill, the joined USB list,
// bounds of the caller's buffer, and the searches that find nothing here.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "ports/NZEnumerator.h"
#include "ports/NZUtils.h"
#include "quorvane/cp_port_calls.h"
#include "quorvane/quorvane.h"

namespace {

// "a|bb|" for the list a, bb (each name and the list's end shown by '|'), read from at
// most size bytes.
std::string Shown(const char *buf, unsigned int size)
{
    std::string out;
    unsigned int i = 0;
    while (i < size) {
        if (buf[i] == 0) {
            out += '|';
            break;
        }
        while (i < size && buf[i] != 0)
            out += buf[i++];
        out += '|';
        ++i;
    }
    return out;
}

int CountNames(const char *buf, unsigned int size)
{
    int n = 0;
    for (unsigned int i = 0; i < size && buf[i]; i += static_cast<unsigned int>(strlen(buf + i)) + 1)
        ++n;
    return n;
}

class ListEnumerator : public NZEnumerator {
public:
    explicit ListEnumerator(std::vector<std::string> names) : m_names(std::move(names)) {}
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override
    {
        NZStringListWriter w(out, room);
        for (const std::string &n : m_names)
            w.Add(n.c_str());
        return w.Finish(needed);
    }

private:
    std::vector<std::string> m_names;
};

// Fills all the room it gets with non-zero bytes and claims five names.
class UnterminatedEnumerator : public NZEnumerator {
public:
    int Enumerate(char *out, unsigned int room, unsigned int *needed) override
    {
        if (out)
            memset(out, 'x', room);
        if (needed)
            *needed = 7;
        return out && room ? 5 : 0;
    }
};

const unsigned int kCanary = 16;

} // namespace

TEST(PortCallsEnum, JoinedListsTable)
{
    const std::vector<std::string> ab = {"a", "bb"}, c = {"ccc"}, none = {}, longName = {"long-name"},
                                   s = {"s"};
    struct Row {
        const char *what;
        std::vector<std::vector<std::string>> lists;
        bool withBuffer;
        unsigned int size;
        int count;
        unsigned int needed;
        const char *shown;
    } rows[] = {
        {"measure", {ab, c, none}, false, 0, 0, 12, ""},
        {"null buffer, size given", {ab, c, none}, false, 100, 0, 12, ""},
        {"all fit", {ab, c, none}, true, 100, 3, 12, "a|bb|ccc||"},
        {"size of needed", {ab, c, none}, true, 12, 3, 12, "a|bb|ccc||"},
        {"one byte more than the list", {ab, c, none}, true, 11, 3, 12, "a|bb|ccc||"},
        {"just the list", {ab, c, none}, true, 10, 3, 12, "a|bb|ccc||"},
        {"one byte short of the list", {ab, c, none}, true, 9, 2, 12, "a|bb||"},
        {"first list only", {ab, c, none}, true, 6, 2, 12, "a|bb||"},
        {"first name only", {ab, c, none}, true, 5, 1, 12, "a||"},
        {"nothing fits", {ab, c, none}, true, 2, 0, 12, "|"},
        {"size 1", {ab, c, none}, true, 1, 0, 12, "|"},
        {"size 0 with buffer", {ab, c, none}, true, 0, 0, 12, ""},
        {"empty first list", {none, {"xy"}}, true, 100, 1, 4, "xy||"},
        {"later short name after a skipped one", {longName, s}, true, 5, 1, 14, "s||"},
        {"nothing anywhere", {none, none, none}, true, 8, 0, 0, "|"},
    };
    for (const Row &r : rows) {
        std::vector<ListEnumerator> enums;
        for (const auto &l : r.lists)
            enums.emplace_back(l);
        std::vector<NZEnumerator *> ptrs;
        for (auto &e : enums)
            ptrs.push_back(&e);
        std::vector<char> buf(r.size + kCanary, '#');
        unsigned int needed = 999;
        const int n = Port_EnumJoined(ptrs.data(), static_cast<unsigned int>(ptrs.size()),
                                      r.withBuffer ? buf.data() : nullptr, r.size, &needed);
        EXPECT_EQ(n, r.count) << r.what;
        EXPECT_EQ(needed, r.needed) << r.what;
        if (r.withBuffer) {
            EXPECT_EQ(Shown(buf.data(), r.size), r.shown) << r.what;
            EXPECT_EQ(CountNames(buf.data(), r.size), r.count) << r.what;
        }
        for (unsigned int i = r.size; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '#') << r.what << ": written past the size at " << i;
        if (!r.withBuffer) {
            for (char ch : buf)
                ASSERT_EQ(ch, '#') << r.what;
        }
    }
}

TEST(PortCallsEnum, JoinNeverReadsPastTheBuffer)
{
    UnterminatedEnumerator bad;
    ListEnumerator after({"z"});
    NZEnumerator *lists[] = {&bad, &after};
    std::vector<char> buf(8 + kCanary, '#');
    unsigned int needed = 0;
    // The unterminated names are not counted; the next list writes over them.
    EXPECT_EQ(Port_EnumJoined(lists, 2, buf.data(), 8, &needed), 1);
    EXPECT_EQ(needed, 10u);
    EXPECT_EQ(Shown(buf.data(), 8), "z||");
    for (unsigned int i = 8; i < buf.size(); ++i)
        EXPECT_EQ(buf[i], '#') << i;
    EXPECT_EQ(Port_EnumJoined(nullptr, 2, buf.data(), 8, &needed), 0);
    EXPECT_EQ(needed, 0u);
}

// The exported lists on this host: measure, then fill a buffer of the measured size; a
// buffer one byte short loses names but never overruns.
TEST(PortCallsEnum, ExportedListsMeasureThenFill)
{
    struct Row {
        const char *what;
        std::function<int(char *, unsigned int, unsigned int *)> call;
        const char *prefix;
    } rows[] = {
        {"EnumCom", CP_Port_EnumCom, "/dev/tty"},
        {"EnumLpt", CP_Port_EnumLpt, "/dev/"},
        {"EnumUsb", CP_Port_EnumUsb, ""},
    };
    for (const Row &r : rows) {
        unsigned int needed = 12345;
        EXPECT_EQ(r.call(nullptr, 0, &needed), 0) << r.what;
        ASSERT_NE(needed, 12345u) << r.what;
        unsigned int again = 0;
        EXPECT_EQ(r.call(nullptr, 64, &again), 0) << r.what << ": null buffer only measures";
        EXPECT_EQ(again, needed) << r.what;
        EXPECT_EQ(r.call(nullptr, 0, nullptr), 0) << r.what;

        std::vector<char> buf(needed + kCanary, '#');
        const unsigned int size = needed ? needed : 1;
        unsigned int filledNeeded = 0;
        const int count = r.call(buf.data(), size, &filledNeeded);
        EXPECT_EQ(filledNeeded, needed) << r.what;
        EXPECT_EQ(CountNames(buf.data(), size), count) << r.what;
        EXPECT_EQ(count == 0, needed == 0) << r.what;
        for (unsigned int i = 0; i < size && buf[i]; i += static_cast<unsigned int>(strlen(buf.data() + i)) + 1)
            EXPECT_EQ(std::string(buf.data() + i).rfind(r.prefix, 0), 0u) << r.what << ": " << (buf.data() + i);
        for (unsigned int i = size; i < buf.size(); ++i)
            ASSERT_EQ(buf[i], '#') << r.what;

        if (needed > 1) {
            std::vector<char> small(needed - 1 + kCanary, '#');
            const int fewer = r.call(small.data(), needed - 1, nullptr);
            EXPECT_LE(fewer, count) << r.what;
            EXPECT_EQ(CountNames(small.data(), needed - 1), fewer) << r.what;
            for (unsigned int i = needed - 1; i < small.size(); ++i)
                ASSERT_EQ(small[i], '#') << r.what;
        }
    }
}

// ---- Searches that find nothing here ------------------------------------------------------

namespace {
int g_found = 0;
void OnBt(const char *, const char *, const void *) { ++g_found; }
void OnP2P(const char *, const char *, const char *, const void *) { ++g_found; }
} // namespace

TEST(PortCallsEnum, WirelessSearchesFindNothing)
{
    g_found = 0;
    int cancel = 0;
    const int64_t start = NZUtils_MonotonicMs();
    CP_Port_EnumBtDevice(3000, &cancel, OnBt, nullptr);
    CP_Port_EnumBleDevice(3000, nullptr, OnBt, nullptr);
    CP_Port_EnumWiFiP2PDevice(3000, &cancel, OnP2P, nullptr);
    CP_Port_EnumBtDevice(3000, nullptr, nullptr, nullptr);
    EXPECT_LT(NZUtils_MonotonicMs() - start, 1000); // a wait would take 3 s per search
    EXPECT_EQ(g_found, 0);
    EXPECT_EQ(CP_Port_WiFiP2P_Connect("00:11:22:33:44:55", 100), 0);
    EXPECT_EQ(CP_Port_WiFiP2P_Connect(nullptr, 0), 0);
    CP_Port_WiFiP2P_Disconnect();
    EXPECT_EQ(CP_Port_WiFiP2P_IsConnected(), 0);
}

TEST(PortCallsEnum, LibraryVersion)
{
    EXPECT_STREQ(CP_Library_Version(), "1.0.7.20210419");
    EXPECT_EQ(CP_Library_Version(), CP_Library_Version());
}
