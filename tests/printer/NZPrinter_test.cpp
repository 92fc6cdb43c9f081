// Common printer commands: exact bytes, one write per command, the write time-out,
// and false for a missing port, a short write or a failed write.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "printer/NZPrinter.h"
#include "support/TestUtil.h"
#include "support/printer_ports.h"

namespace {

using quorvane_test::RecordingPort;
using quorvane_test::Bytes;
using quorvane_test::Hex;
using quorvane_test::ToHex;

struct CommonRow {
    const char *name;
    std::function<bool(NZPrinter &)> call;
    Bytes expected;
};

Bytes ClearErrorBytes()
{
    Bytes b = Hex("10 05 01");
    b.resize(64, 0x00);
    return b;
}

const std::vector<CommonRow> &CommonRows()
{
    static const std::vector<CommonRow> rows = {
        {"KickDrawer", [](NZPrinter &p) { return p.POS_KickDrawer(0, 25, 250); }, Hex("1B 70 00 19 FA")},
        {"KickDrawerPin1", [](NZPrinter &p) { return p.POS_KickDrawer(1, 0, 255); }, Hex("1B 70 01 00 FF")},
        {"Beep", [](NZPrinter &p) { return p.POS_Beep(3, 2); }, Hex("1B 42 03 02")},
        {"FeedAndCutPaper", [](NZPrinter &p) { return p.POS_FeedAndCutPaper(); }, Hex("1D 56 42 00")},
        {"FullCutPaper", [](NZPrinter &p) { return p.POS_FullCutPaper(); }, Hex("1B 69")},
        {"HalfCutPaper", [](NZPrinter &p) { return p.POS_HalfCutPaper(); }, Hex("1B 6D")},
        {"Reset", [](NZPrinter &p) { return p.POS_Reset(); }, Hex("1B 40")},
        {"SetPrintSpeed", [](NZPrinter &p) { return p.POS_SetPrintSpeed(0x1234); }, Hex("1F 28 73 02 00 34 12")},
        {"SetPrintSpeedMax", [](NZPrinter &p) { return p.POS_SetPrintSpeed(0xFFFF); }, Hex("1F 28 73 02 00 FF FF")},
        {"SetPrintDensity0", [](NZPrinter &p) { return p.POS_SetPrintDensity_16(0); }, Hex("12 23 00")},
        {"SetPrintDensity15", [](NZPrinter &p) { return p.POS_SetPrintDensity_16(15); }, Hex("12 23 0F")},
        {"PrintSelfTestPage", [](NZPrinter &p) { return p.POS_PrintSelfTestPage(); }, Hex("12 54")},
        {"SetSingleByteMode", [](NZPrinter &p) { return p.POS_SetSingleByteMode(); }, Hex("1C 2E")},
        {"SetCharacterSet", [](NZPrinter &p) { return p.POS_SetCharacterSet(15); }, Hex("1B 52 0F")},
        {"SetCharacterCodepage", [](NZPrinter &p) { return p.POS_SetCharacterCodepage(255); }, Hex("1B 74 FF")},
        {"SetMultiByteMode", [](NZPrinter &p) { return p.POS_SetMultiByteMode(); }, Hex("1C 26")},
        {"SetMultiByteEncoding", [](NZPrinter &p) { return p.POS_SetMultiByteEncoding(1); }, Hex("1B 39 01")},
        {"ClearPrinterBuffer", [](NZPrinter &p) { return p.POS_ClearPrinterBuffer(); }, Hex("10 05 FF 01 02")},
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
        EXPECT_EQ(ToHex(row.expected), ToHex(port.Data()));
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
    EXPECT_EQ((Hex("1B 40")), small.Data());
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
