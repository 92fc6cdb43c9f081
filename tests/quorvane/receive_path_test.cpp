// The receive path of a connection: frames into records and printer events, plain bytes
// into the receive buffer, protocol packages into the package list, the whole chunk to
// the received callbacks; and the CP_Printer_* getters over the records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/quorvane.h"
#include "support/ProtoPackages.h"
#include "support/TestUtil.h"

using quorvane_test::Bytes;
using quorvane_test::Hex;
using quorvane_test::Package;
using quorvane_test::ToHex;

namespace {

struct Recorder {
    std::vector<std::string> events;
    std::vector<size_t> receivedChunks;
};
Recorder *g_rec = nullptr;

void OnStatus(void *, long long err, long long info, void *)
{
    g_rec->events.push_back("status " + std::to_string(err) + " " + std::to_string(info));
}
void OnPrinted(void *, unsigned int n, void *) { g_rec->events.push_back("printed " + std::to_string(n)); }
void OnRxCount(void *, unsigned int n, void *) { g_rec->events.push_back("received " + std::to_string(n)); }
void OnChunk(void *, const unsigned char *, unsigned int len, void *) { g_rec->receivedChunks.push_back(len); }

class ReceivePath : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_rec = &rec;
        handle = CP_Port_OpenMemoryBuffer(1024);
        ASSERT_NE(handle, nullptr);
        CP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr);
        CP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr);
        CP_Printer_AddOnPrinterReceivedEvent(OnRxCount, nullptr);
        CP_Port_AddOnPortReceivedEvent(OnChunk, nullptr);
    }
    void TearDown() override
    {
        CP_Printer_RemoveOnPrinterStatusEvent(OnStatus);
        CP_Printer_RemoveOnPrinterPrintedEvent(OnPrinted);
        CP_Printer_RemoveOnPrinterReceivedEvent(OnRxCount);
        CP_Port_RemoveOnPortReceivedEvent(OnChunk);
        CP_Port_Close(handle);
        g_rec = nullptr;
    }

    void Feed(const std::string &hex)
    {
        const Bytes b = Hex(hex);
        Port_ReadedEvent(b.data(), static_cast<unsigned int>(b.size()), handle);
    }
    void FeedRaw(const std::string &bytes)
    {
        Port_ReadedEvent(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<unsigned int>(bytes.size()),
                         handle);
    }
    std::string RxBytes()
    {
        HandleGuard h(handle);
        std::lock_guard<std::mutex> lock(h->m_rxMutex);
        Bytes out;
        while (!h->m_rxBuffer.IsEmpty())
            out.push_back(h->m_rxBuffer.PopFront());
        return ToHex(out);
    }

    Recorder rec;
    CP_Handle handle = nullptr;
};

// Chunks fed in order, then the events raised and the data left for the caller.
struct FeedRow {
    const char *name;
    std::vector<std::string> chunks;
    std::vector<std::string> events;
    const char *rx;
};

const FeedRow kFeedRows[] = {
    {"status frame", {"53 01 02 03 00 02 00 51"}, {"status 3 2"}, ""},
    {"status frame split 3+5", {"53 01 02", "03 00 02 00 51"}, {"status 3 2"}, ""},
    {"received count big-endian", {"53 00 00 01 00 00 03 51"}, {"received 256"}, ""},
    {"printed count little-endian", {"53 00 00 01 00 00 02 50"}, {"printed 65536"}, ""},
    {"extended error keeps low bits", {"53 01 02 03 00 02 00 51", "53 AA BB 00 00 00 06 44"},
     {"status 3 2", "status " + std::to_string(0xAABB03) + " 2"}, ""},
    {"resolution frame: no event", {"53 00 00 08 CB CC 01 5D"}, {}, ""},
    {"types 5, 7, 8, 9 consumed", {"53 00 00 00 00 00 05 56", "53 00 00 00 00 00 09 5A"}, {}, ""},
    {"type 10 is data", {"53 00 00 00 00 00 0A 59"}, {}, "53 00 00 00 00 00 0A 59"},
    {"plain data", {"41 42 0A"}, {}, "41 42 0A"},
    {"data with 53 held back", {"41 53 42 43"}, {}, "41"},
    {"held bytes released by five more", {"41 53 42 43", "44 45 46 47 48"}, {}, "41 53 42 43 44 45 46 47 48"},
    {"frame between data", {"41 53 01 02 03 00 02 00 51 42"}, {"status 3 2"}, "41 42"},
};

TEST_F(ReceivePath, FramesDataAndEventsTable)
{
    for (const FeedRow &row : kFeedRows) {
        SCOPED_TRACE(row.name);
        TearDown();
        rec = Recorder();
        SetUp();
        for (const std::string &c : row.chunks)
            Feed(c);
        EXPECT_EQ(rec.events, row.events);
        EXPECT_EQ(RxBytes(), row.rx);
        ASSERT_EQ(rec.receivedChunks.size(), row.chunks.size());
        for (size_t i = 0; i < row.chunks.size(); ++i)
            EXPECT_EQ(rec.receivedChunks[i], Hex(row.chunks[i]).size());
    }
}

TEST_F(ReceivePath, StatusGettersReportTheRecords)
{
    Feed("53 01 02 03 00 02 00 51");
    long long err = -1, info = -1, t = -1;
    EXPECT_EQ(CP_Printer_GetPrinterStatusInfo(handle, &err, &info, &t), 1);
    EXPECT_EQ(err, 3);
    EXPECT_EQ(info, 2);
    EXPECT_GT(t, 0);
    EXPECT_EQ(CP_Printer_GetPrinterStatusInfo(handle, nullptr, nullptr, nullptr), 1);

    Feed("53 00 00 01 00 00 03 51 53 00 00 01 00 00 02 50");
    unsigned int n = 0;
    EXPECT_EQ(CP_Printer_GetPrinterReceivedInfo(handle, &n, &t), 1);
    EXPECT_EQ(n, 256u);
    EXPECT_EQ(CP_Printer_GetPrinterPrintedInfo(handle, &n, &t), 1);
    EXPECT_EQ(n, 65536u);

    Feed("53 00 00 08 CB CC 01 5D");
    int first = 0, second = 0, dpm = 0;
    EXPECT_EQ(CP_Printer_GetPrinterResolutionInfo(handle, &first, &second, &dpm), 1);
    EXPECT_EQ(first, 0xCB);
    EXPECT_EQ(second, 0xCC);
    EXPECT_EQ(dpm, 8);
}

TEST_F(ReceivePath, LabelPositionAdjustmentNeedsResolution)
{
    double a = 9, b = 9;
    long long t = 0;
    Feed("53 FE 05 00 00 00 04 AC"); // adjustment before any resolution frame
    EXPECT_EQ(CP_Printer_GetPrinterLabelPositionAdjustmentInfo(handle, &a, &b, &t), 0);
    EXPECT_EQ(a, 9);
    // Without a resolution nothing is sent.
    EXPECT_EQ(CP_Printer_SetPrinterLabelPositionAdjustmentInfo(handle, 1.0, 1.0), 0);
    {
        HandleGuard h(handle);
        EXPECT_EQ(h->m_memoryIO.GetBufferLength(), 0u);
    }

    Feed("53 00 00 08 00 00 01 5A"); // resolution, 8 dots per mm
    Feed("53 FE 05 00 00 00 04 AC");
    EXPECT_EQ(CP_Printer_GetPrinterLabelPositionAdjustmentInfo(handle, &a, &b, &t), 1);
    EXPECT_DOUBLE_EQ(a, 0.625);
    EXPECT_DOUBLE_EQ(b, -0.25);
}

// Millimetres become dots (truncated toward zero) with the reported resolution.
TEST_F(ReceivePath, SetLabelPositionAdjustmentSendsDots)
{
    Feed("53 00 00 08 00 00 01 5A"); // 8 dots per mm
    struct Row {
        double first, second;
        const char *wire;
    } rows[] = {
        {0.375, -0.25, "1F 28 4C 04 00 53 FE 03 AE"}, // 3 and -2 dots
        {0.0, 0.0, "1F 28 4C 04 00 53 00 00 53"},
        {-0.99, 0.99, "1F 28 4C 04 00 53 07 F9 AD"},  // -7.92 -> -7, 7.92 -> 7
        {1e300, -1e300, "1F 28 4C 04 00 53 00 FF AC"}, // clamped to INT_MAX / INT_MIN
    };
    HandleGuard h(handle);
    for (const Row &r : rows) {
        SCOPED_TRACE(r.wire);
        h->m_memoryIO.ClearBufferData();
        EXPECT_EQ(CP_Printer_SetPrinterLabelPositionAdjustmentInfo(handle, r.first, r.second), 1);
        EXPECT_EQ(ToHex(static_cast<const unsigned char *>(h->m_memoryIO.GetBufferData()),
                        h->m_memoryIO.GetBufferLength()),
                  r.wire);
    }
}

TEST_F(ReceivePath, PackagesAreQueuedAndFirmwareTextIsSet)
{
    const std::string text = "FW 1.2.3";
    const std::string pkg = Package(0xFF, 32, 7, text);
    FeedRaw(pkg);
    {
        HandleGuard h(handle);
        std::lock_guard<std::mutex> lock(h->m_packageMutex);
        ASSERT_EQ(h->m_packages.size(), 1u);
    }
    // Package bytes are plain data for the caller as well.
    EXPECT_EQ(RxBytes(), ToHex(Bytes(pkg.begin(), pkg.end())));

    char buf[64];
    int needed = 0;
    EXPECT_EQ(CP_Printer_GetPrinterFirmwareVersion(handle, buf, sizeof(buf), &needed), 1);
    EXPECT_EQ(std::string(buf), text);
    EXPECT_EQ(needed, static_cast<int>(text.size()) + 1);

    // A shorter text later replaces the whole text (terminated after its bytes).
    FeedRaw(Package(0xFF, 32, 0, "abcdef"));
    char small[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(CP_Printer_GetPrinterFirmwareVersion(handle, small, sizeof(small), &needed), 1);
    EXPECT_EQ(std::string(small), "abc");
    EXPECT_EQ(needed, 7);
    needed = 0;
    EXPECT_EQ(CP_Printer_GetPrinterFirmwareVersion(handle, nullptr, 0, &needed), 1);
    EXPECT_EQ(needed, 7);
}

TEST_F(ReceivePath, LongFirmwareTextIsCutAt255)
{
    FeedRaw(Package(0xFF, 32, 0, std::string(300, 'v')));
    char buf[400];
    int needed = 0;
    EXPECT_EQ(CP_Printer_GetPrinterFirmwareVersion(handle, buf, sizeof(buf), &needed), 1);
    EXPECT_EQ(std::string(buf), std::string(255, 'v'));
    EXPECT_EQ(needed, 256);
}

TEST_F(ReceivePath, PackageListIsCapped)
{
    for (unsigned int i = 0; i < 300; ++i)
        FeedRaw(Package(0xFF, 63, i, ""));
    HandleGuard h(handle);
    std::lock_guard<std::mutex> lock(h->m_packageMutex);
    ASSERT_EQ(h->m_packages.size(), IOHandle::MaxReceivedPackages);
    EXPECT_EQ(h->m_packages.front().para, 300u - IOHandle::MaxReceivedPackages);
    EXPECT_EQ(h->m_packages.back().para, 299u);
}

TEST_F(ReceivePath, FullReceiveBufferDropsDataButNotFrames)
{
    std::vector<unsigned char> data(20000, 0x41);
    Port_ReadedEvent(data.data(), static_cast<unsigned int>(data.size()), handle);
    Feed("53 01 02 03 00 02 00 51");
    HandleGuard h(handle);
    {
        std::lock_guard<std::mutex> lock(h->m_rxMutex);
        EXPECT_EQ(h->m_rxBuffer.Available(), 16383u);
    }
    EXPECT_EQ(rec.events, (std::vector<std::string>{"status 3 2"}));
}

TEST_F(ReceivePath, RefusedHandleIsIgnored)
{
    int notAHandle = 0;
    const Bytes b = Hex("53 01 02 03 00 02 00 51");
    Port_ReadedEvent(b.data(), 8, &notAHandle);
    Port_ReadedEvent(b.data(), 8, nullptr);
    Port_ReadedEvent(nullptr, 8, handle);
    EXPECT_TRUE(rec.events.empty());
    EXPECT_TRUE(rec.receivedChunks.empty());
}

} // namespace
