// Common printer commands: exact bytes, one write per command, the write time-out,
// and false for a missing port, a short write or a failed write.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "printer/NZPrinter.h"
#include "support/printer_ports.h"

namespace {

using quorvane_test::RecordingPort;
using Bytes = std::vector<unsigned char>;

struct CommonRow {
    const char *name;
    std::function<bool(NZPrinter &)> call;
    Bytes expected;
};

Bytes ClearErrorBytes()
{
    Bytes b(64, 0x00);
    b[0] = 0x10;
    b[1] = 0x05;
    b[2] = 0x01;
    return b;
}

const std::vector<CommonRow> &CommonRows()
{
    static const std::vector<CommonRow> rows = {
        {"KickDrawer", [](NZPrinter &p) { return p.POS_KickDrawer(0, 25, 250); }, {0x1B, 0x70, 0x00, 0x19, 0xFA}},
        {"KickDrawerPin1", [](NZPrinter &p) { return p.POS_KickDrawer(1, 0, 255); }, {0x1B, 0x70, 0x01, 0x00, 0xFF}},
        {"Beep", [](NZPrinter &p) { return p.POS_Beep(3, 2); }, {0x1B, 0x42, 0x03, 0x02}},
        {"FeedAndCutPaper", [](NZPrinter &p) { return p.POS_FeedAndCutPaper(); }, {0x1D, 0x56, 0x42, 0x00}},
        {"FullCutPaper", [](NZPrinter &p) { return p.POS_FullCutPaper(); }, {0x1B, 0x69}},
        {"HalfCutPaper", [](NZPrinter &p) { return p.POS_HalfCutPaper(); }, {0x1B, 0x6D}},
        {"Reset", [](NZPrinter &p) { return p.POS_Reset(); }, {0x1B, 0x40}},
        {"SetPrintSpeed", [](NZPrinter &p) { return p.POS_SetPrintSpeed(0x1234); }, {0x1F, 0x28, 0x73, 0x02, 0x00, 0x34, 0x12}},
        {"SetPrintSpeedMax", [](NZPrinter &p) { return p.POS_SetPrintSpeed(0xFFFF); }, {0x1F, 0x28, 0x73, 0x02, 0x00, 0xFF, 0xFF}},
        {"SetPrintDensity0", [](NZPrinter &p) { return p.POS_SetPrintDensity_16(0); }, {0x12, 0x23, 0x00}},
        {"SetPrintDensity15", [](NZPrinter &p) { return p.POS_SetPrintDensity_16(15); }, {0x12, 0x23, 0x0F}},
        {"PrintSelfTestPage", [](NZPrinter &p) { return p.POS_PrintSelfTestPage(); }, {0x12, 0x54}},
        {"SetSingleByteMode", [](NZPrinter &p) { return p.POS_SetSingleByteMode(); }, {0x1C, 0x2E}},
        {"SetCharacterSet", [](NZPrinter &p) { return p.POS_SetCharacterSet(15); }, {0x1B, 0x52, 0x0F}},
        {"SetCharacterCodepage", [](NZPrinter &p) { return p.POS_SetCharacterCodepage(255); }, {0x1B, 0x74, 0xFF}},
        {"SetMultiByteMode", [](NZPrinter &p) { return p.POS_SetMultiByteMode(); }, {0x1C, 0x26}},
        {"SetMultiByteEncoding", [](NZPrinter &p) { return p.POS_SetMultiByteEncoding(1); }, {0x1B, 0x39, 0x01}},
        {"ClearPrinterBuffer", [](NZPrinter &p) { return p.POS_ClearPrinterBuffer(); }, {0x10, 0x05, 0xFF, 0x01, 0x02}},
        {"ClearPrinterError", [](NZPrinter &p) { return p.POS_ClearPrinterError(); }, ClearErrorBytes()},
    };
    return rows;
}

TEST(NZPrinter, CommonCommandsWriteExactBytesInOneWrite)
{
    RecordingPort port;
    NZPrinter printer;
    printer.SetIO(&port);
    for (const CommonRow &row : CommonRows()) {
        SCOPED_TRACE(row.name);
        port.Reset();
        EXPECT_TRUE(row.call(printer));
        EXPECT_EQ(row.expected, port.Data());
        EXPECT_EQ(1, port.writes);
    }
}

TEST(NZPrinter, ShortOrFailedWriteReportsFalse)
{
    RecordingPort port;
    NZPrinter printer;
    printer.SetIO(&port);
    for (RecordingPort::Mode mode : {RecordingPort::kShort, RecordingPort::kFail}) {
        port.mode = mode;
        for (const CommonRow &row : CommonRows()) {
            SCOPED_TRACE(row.name);
            port.Reset();
            EXPECT_FALSE(row.call(printer));
            EXPECT_EQ(1, port.writes) << "no retry";
        }
    }
}

TEST(NZPrinter, WithoutPortEveryCommandFails)
{
    NZPrinter printer;
    for (const CommonRow &row : CommonRows()) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(row.call(printer));
    }
}

TEST(NZPrinter, ClosedOrFullPortFails)
{
    RecordingPort small(4);
    NZPrinter printer;
    printer.SetIO(&small);
    EXPECT_TRUE(printer.POS_Reset());
    EXPECT_FALSE(printer.POS_ClearPrinterBuffer()) << "does not fit";
    EXPECT_EQ((Bytes{0x1B, 0x40}), small.Data());
    small.Close();
    EXPECT_FALSE(printer.POS_Reset());
}

TEST(NZPrinter, WritesUseTheWriterTimeout)
{
    RecordingPort port;
    NZPrinter printer;
    printer.SetIO(&port);
    EXPECT_EQ(600000u, printer.GetIODefaultTimeout());
    EXPECT_TRUE(printer.POS_Reset());
    EXPECT_EQ(600000u, port.lastTimeout);
    printer.SetIODefaultTimeout(3600000);
    EXPECT_TRUE(printer.POS_ClearPrinterError());
    EXPECT_EQ(3600000u, port.lastTimeout);
    printer.SetIODefaultTimeout(5);
    EXPECT_TRUE(printer.POS_Beep(1, 1));
    EXPECT_EQ(5u, port.lastTimeout);
}

// The writer holds the port without owning it.
TEST(NZPrinter, DestroyingWriterLeavesPortOpen)
{
    RecordingPort port;
    {
        NZPrinter printer;
        printer.SetIO(&port);
        EXPECT_TRUE(printer.IsOpened());
    }
    EXPECT_TRUE(port.IsOpened());
}

} // namespace
