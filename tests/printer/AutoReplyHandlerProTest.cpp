#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "printer/AutoReplyHandlerPro.h"
#include "support/AutoReplyFrame.h"

namespace {

using Bytes = std::vector<unsigned char>;

const Bytes kStatusFrame = {0x53, 0x01, 0x02, 0x03, 0x00, 0x02, 0x00, 0x51};

using quorvane_test::Frame;

// Splitter output as text: "P:41" for pass-through bytes, "F:53..." for a frame,
// one token per call that produced output.
std::string Hex(const unsigned char* p, unsigned int n)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (unsigned int i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

std::vector<std::string> Split(AutoReplyHandlerPro& h, const Bytes& in)
{
    std::vector<std::string> out;
    for (unsigned char b : in) {
        unsigned char frame[8], pass[8];
        unsigned int fl = 99, pl = 99;
        EXPECT_TRUE(h.HandleReceivedData(b, frame, sizeof(frame), &fl, pass, sizeof(pass), &pl));
        EXPECT_TRUE(fl == 0 || pl == 0);
        if (fl)
            out.push_back("F:" + Hex(frame, fl));
        if (pl)
            out.push_back("P:" + Hex(pass, pl));
    }
    return out;
}

}  // namespace

TEST(AutoReplySplitter, StreamTable)
{
    const Bytes type10 = Frame(1, 2, 3, 0, 2, 10);
    struct Row {
        const char* name;
        Bytes in;
        std::vector<std::string> out;
        unsigned int held;
    } rows[] = {
        {"status frame", kStatusFrame, {"F:5301020300020051"}, 0},
        {"plain byte", {0x41}, {"P:41"}, 0},
        {"frame between data", {0x41, 0x53, 0x53, 0x01, 0x02, 0x03, 0x00, 0x02, 0x00, 0x51, 0x42},
         {"P:41", "P:53", "F:5301020300020051", "P:42"}, 0},
        {"bad check, no further 53", {0x53, 1, 2, 3, 4, 5, 6, 7},
         {"P:5301020304050607"}, 0},
        {"type 10 with a good check is data", type10, {"P:" + Hex(type10.data(), 8)}, 0},
        {"looks like a frame then data",
         {0x53, 0x01, 0x02, 0x03, 0x00, 0x02, 0x00, 0x50, 0x41, 0x42},
         {"P:5301020300020050", "P:41", "P:42"}, 0},
        {"held back after 53", {0x41, 0x53, 0x42, 0x43}, {"P:41"}, 3},
        {"held bytes released by five more",
         {0x41, 0x53, 0x42, 0x43, 1, 2, 3, 4, 5},
         {"P:41", "P:5342430102030405"}, 0},
        {"second 53 inside a bad candidate",
         {0x53, 0x11, 0x22, 0x53, 0x01, 0x02, 0x03, 0x00, 0x02, 0x00, 0x51},
         {"P:531122", "F:5301020300020051"}, 0},
        {"two frames back to back", {0x53, 1, 2, 3, 0, 2, 0, 0x51, 0x53, 1, 2, 3, 0, 2, 0, 0x51},
         {"F:5301020300020051", "F:5301020300020051"}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        AutoReplyHandlerPro h;
        EXPECT_EQ(row.out, Split(h, row.in));
        EXPECT_EQ(row.held, h.GetHeldCount());
    }
}

TEST(AutoReplySplitter, FrameOnlyOnEighthByte)
{
    AutoReplyHandlerPro h;
    for (size_t i = 0; i < kStatusFrame.size(); ++i) {
        std::vector<std::string> out = Split(h, {kStatusFrame[i]});
        if (i < 7)
            EXPECT_TRUE(out.empty()) << i;
        else
            EXPECT_EQ(std::vector<std::string>{"F:5301020300020051"}, out);
    }
}

TEST(AutoReplySplitter, HonoursOutputSizes)
{
    AutoReplyHandlerPro h;
    unsigned char frame[8], pass[8];
    unsigned int fl = 5, pl = 5;
    // No room for the pass-through byte: refused, nothing consumed.
    EXPECT_FALSE(h.HandleReceivedData(0x41, frame, 8, &fl, pass, 0, &pl));
    EXPECT_EQ(0u, fl);
    EXPECT_EQ(0u, pl);
    EXPECT_TRUE(h.HandleReceivedData(0x41, frame, 8, &fl, pass, 1, &pl));
    EXPECT_EQ(1u, pl);
    EXPECT_EQ(0x41, pass[0]);

    // A held 53 needs no room.
    EXPECT_TRUE(h.HandleReceivedData(0x53, frame, 0, &fl, pass, 0, &pl));
    for (int i = 1; i < 7; ++i)
        EXPECT_TRUE(h.HandleReceivedData(kStatusFrame[i], frame, 0, &fl, pass, 0, &pl));
    // The completing byte with a 7-byte frame output is refused; the state stays.
    EXPECT_FALSE(h.HandleReceivedData(0x51, frame, 7, &fl, pass, 8, &pl));
    EXPECT_EQ(7u, h.GetHeldCount());
    EXPECT_TRUE(h.HandleReceivedData(0x51, frame, 8, &fl, pass, 0, &pl));
    EXPECT_EQ(8u, fl);
    EXPECT_EQ(kStatusFrame, Bytes(frame, frame + 8));

    // Missing outputs.
    EXPECT_FALSE(h.HandleReceivedData(0x41, nullptr, 8, &fl, pass, 8, &pl));
    EXPECT_FALSE(h.HandleReceivedData(0x41, frame, 8, nullptr, pass, 8, &pl));
    EXPECT_FALSE(h.HandleReceivedData(0x41, frame, 8, &fl, nullptr, 8, &pl));
    EXPECT_FALSE(h.HandleReceivedData(0x41, frame, 8, &fl, pass, 8, nullptr));
    EXPECT_EQ(0u, h.GetHeldCount());
}

TEST(AutoReplySplitter, CheckHeadAndResetHead)
{
    EXPECT_TRUE(AutoReplyHandlerPro::CheckHead(nullptr, 0));
    EXPECT_FALSE(AutoReplyHandlerPro::CheckHead(nullptr, 3));
    EXPECT_FALSE(AutoReplyHandlerPro::CheckHead((const unsigned char*)"\x41", 1));
    EXPECT_TRUE(AutoReplyHandlerPro::CheckHead((const unsigned char*)"\x53\x00", 2));
    EXPECT_TRUE(AutoReplyHandlerPro::CheckHead(kStatusFrame.data(), 8));
    Bytes bad = kStatusFrame;
    bad[7] = 0;
    EXPECT_FALSE(AutoReplyHandlerPro::CheckHead(bad.data(), 8));

    struct Row {
        Bytes in;
        Bytes kept;
    } rows[] = {
        {{}, {}},
        {{0x53}, {}},
        {{0x53, 0x53}, {0x53}},
        {{0x53, 1, 2, 0x53, 4, 5, 6, 7}, {0x53, 4, 5, 6, 7}},
        {{0x53, 1, 2, 3, 4, 5, 6, 7}, {}},
    };
    for (const Row& row : rows) {
        unsigned char buf[8] = {0};
        if (!row.in.empty())
            memcpy(buf, row.in.data(), row.in.size());
        unsigned int n = 99;
        AutoReplyHandlerPro::ResetHead(buf, (unsigned int)row.in.size(), buf, &n);
        EXPECT_EQ(row.kept, Bytes(buf, buf + n));
    }
}

TEST(AutoReplyRecords, ZeroAfterConstruction)
{
    AutoReplyModePrinterStatus s;
    AutoReplyModePrinterInfo i;
    AutoReplyModePrinterPositionAdjustment a;
    AutoReplyModePrinterReceived r;
    AutoReplyModePrinterPrinted p;
    EXPECT_EQ(0, s.status + s.errorStatus + s.infoStatus + s.statusWord + s.time);
    EXPECT_EQ(0, i.firstResolution + i.secondResolution + i.dotsPerMm + i.time);
    EXPECT_EQ(0, a.firstAdjustment + a.secondAdjustment + a.time);
    EXPECT_EQ(0u, r.count + p.count);
    EXPECT_EQ(0, r.time + p.time);
}

TEST(AutoReplyRecords, ApplyFrameTable)
{
    struct Row {
        const char* name;
        Bytes frame;
        AutoReplyFrameEvent event;
        unsigned int received, printed;
    } counts[] = {
        {"received 256", Frame(0, 0, 1, 0, 0, 3), AUTOREPLY_EVENT_RECEIVED, 256, 0},
        {"printed 65536", Frame(0, 0, 1, 0, 0, 2), AUTOREPLY_EVENT_PRINTED, 0, 65536},
        {"received all ones", Frame(0xFF, 0xFF, 0xFF, 0xFE, 0, 3), AUTOREPLY_EVENT_RECEIVED, 0xFFFFFFFEu, 0},
        {"printed all ones", Frame(0xFE, 0xFF, 0xFF, 0xFF, 0, 2), AUTOREPLY_EVENT_PRINTED, 0, 0xFFFFFFFEu},
        {"type 5 changes nothing", Frame(9, 9, 9, 9, 9, 5), AUTOREPLY_EVENT_NONE, 0, 0},
        {"type 9 changes nothing", Frame(9, 9, 9, 9, 9, 9), AUTOREPLY_EVENT_NONE, 0, 0},
        {"type 10 is no frame", Frame(0, 0, 1, 0, 0, 10), AUTOREPLY_EVENT_NONE, 0, 0},
    };
    for (const Row& row : counts) {
        SCOPED_TRACE(row.name);
        AutoReplyModePrinterStatus s;
        AutoReplyModePrinterInfo i;
        AutoReplyModePrinterPositionAdjustment a;
        AutoReplyModePrinterReceived r;
        AutoReplyModePrinterPrinted p;
        EXPECT_EQ(row.event, AutoReplyHandlerPro::ApplyFrame(row.frame.data(), 77, &s, &i, &a, &r, &p));
        EXPECT_EQ(row.received, r.count);
        EXPECT_EQ(row.printed, p.count);
        EXPECT_EQ(row.event == AUTOREPLY_EVENT_RECEIVED ? 77 : 0, r.time);
        EXPECT_EQ(row.event == AUTOREPLY_EVENT_PRINTED ? 77 : 0, p.time);
        EXPECT_EQ(0, s.time + i.time + a.time);
    }
}

TEST(AutoReplyRecords, StatusInfoAndAdjustment)
{
    AutoReplyModePrinterStatus s;
    AutoReplyModePrinterInfo i;
    AutoReplyModePrinterPositionAdjustment a;
    AutoReplyModePrinterReceived r;
    AutoReplyModePrinterPrinted p;

    s.infoStatus = 0x1234500;  // bits above 7 survive a status frame
    EXPECT_EQ(AUTOREPLY_EVENT_STATUS, AutoReplyHandlerPro::ApplyFrame(kStatusFrame.data(), 1, &s, &i, &a, &r, &p));
    EXPECT_EQ(1, s.status);
    EXPECT_EQ(0x1234502, s.infoStatus);
    EXPECT_EQ(0x03, s.errorStatus);
    EXPECT_EQ(2, s.statusWord);
    EXPECT_EQ(1, s.time);

    Bytes ext = Frame(0xAB, 0xCD, 0, 0, 0, 6);
    EXPECT_EQ(AUTOREPLY_EVENT_STATUS, AutoReplyHandlerPro::ApplyFrame(ext.data(), 2, &s, &i, &a, &r, &p));
    EXPECT_EQ(0xABCD03, s.errorStatus);
    EXPECT_EQ(0x1234502, s.infoStatus);
    EXPECT_EQ(2, s.time);

    Bytes word = Frame(0, 0, 0, 0x12, 0x34, 0);
    AutoReplyHandlerPro::ApplyFrame(word.data(), 3, &s, &i, &a, &r, &p);
    EXPECT_EQ(0x1234, s.statusWord);
    EXPECT_EQ(0xABCD00, s.errorStatus);

    Bytes res = Frame(1, 2, 8, 0xC8, 0xC9, 1);
    EXPECT_EQ(AUTOREPLY_EVENT_NONE, AutoReplyHandlerPro::ApplyFrame(res.data(), 4, &s, &i, &a, &r, &p));
    EXPECT_EQ(0xC8, i.firstResolution);
    EXPECT_EQ(0xC9, i.secondResolution);
    EXPECT_EQ(8, i.dotsPerMm);
    EXPECT_EQ(4, i.time);

    Bytes adj = Frame(0xFE, 0x05, 0, 0, 0, 4);
    EXPECT_EQ(AUTOREPLY_EVENT_NONE, AutoReplyHandlerPro::ApplyFrame(adj.data(), 5, &s, &i, &a, &r, &p));
    EXPECT_EQ(5, a.firstAdjustment);
    EXPECT_EQ(-2, a.secondAdjustment);
    EXPECT_EQ(5, a.time);

    // Bad check: nothing changes.
    Bytes broken = Frame(9, 9, 9, 9, 9, 0);
    broken[7] ^= 1;
    EXPECT_EQ(AUTOREPLY_EVENT_NONE, AutoReplyHandlerPro::ApplyFrame(broken.data(), 6, &s, &i, &a, &r, &p));
    EXPECT_EQ(3, s.time);
    // Missing record: nothing changes.
    EXPECT_EQ(AUTOREPLY_EVENT_NONE, AutoReplyHandlerPro::ApplyFrame(kStatusFrame.data(), 7, nullptr, &i, &a, &r, &p));
    EXPECT_EQ(AUTOREPLY_EVENT_NONE, AutoReplyHandlerPro::ApplyFrame(nullptr, 7, &s, &i, &a, &r, &p));

    for (unsigned char t = 0; t <= 12; ++t)
        EXPECT_EQ(t <= 4 || t == 6, AutoReplyHandlerPro::FrameUpdatesRecord(t)) << int(t);
}
