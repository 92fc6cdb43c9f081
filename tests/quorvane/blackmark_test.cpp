// Black-mark paper calls: the bytes each writes on a memory connection, the signed
// positions and 16-bit cuts, failed writes and the handle rule.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "quorvane/quorvane.h"
#include "support/BadHandles.h"
#include "tests/quorvane/page_memory_port.h"

using quorvane_test::MemoryConnection;

namespace {

struct BlackMarkRow {
    const char *name;
    std::function<int(CP_Handle)> call;
    const char *bytes;
};

// One row for each call, and the cuts from int to the command's fields; the writer's own
// table holds the sign and magnitude forms of the positions.
const std::vector<BlackMarkRow> &Rows()
{
    static const std::vector<BlackMarkRow> rows = {
        {"Enable", [](CP_Handle h) { return CP_BlackMark_EnableBlackMarkMode(h); }, "1F 1B 1F 80 04 05 06 44"},
        {"Disable", [](CP_Handle h) { return CP_BlackMark_DisableBlackMarkMode(h); }, "1F 1B 1F 80 04 05 06 66"},
        {"MaxFind 300", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkMaxFindLength(h, 300); },
         "1F 1B 1F 81 04 05 06 2C 01"},
        {"MaxFind 70000 cut to 4464", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkMaxFindLength(h, 70000); },
         "1F 1B 1F 81 04 05 06 70 11"},
        {"MaxFind -1", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkMaxFindLength(h, -1); },
         "1F 1B 1F 81 04 05 06 FF FF"},
        {"FindNext", [](CP_Handle h) { return CP_BlackMark_FindNextBlackMark(h); }, "1D 0C"},
        {"Print -10", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkPaperPrintPosition(h, -10); },
         "1D 28 46 04 00 01 01 0A 00"},
        {"Print 65537 magnitude cut", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkPaperPrintPosition(h, 65537); },
         "1D 28 46 04 00 01 00 01 00"},
        {"Print INT_MIN", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkPaperPrintPosition(h, INT_MIN); },
         "1D 28 46 04 00 01 01 00 00"},
        {"Cut -300", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkPaperCutPosition(h, -300); },
         "1D 28 46 04 00 02 01 2C 01"},
        {"Cut -65536 magnitude cut", [](CP_Handle h) { return CP_BlackMark_SetBlackMarkPaperCutPosition(h, -65536); },
         "1D 28 46 04 00 02 01 00 00"},
        {"FullCut", [](CP_Handle h) { return CP_BlackMark_FullCutBlackMarkPaper(h); }, "1D 56 00"},
        {"HalfCut", [](CP_Handle h) { return CP_BlackMark_HalfCutBlackMarkPaper(h); }, "1D 56 01"},
    };
    return rows;
}

TEST(BlackMark, EachCallWritesItsCommand)
{
    MemoryConnection conn;
    ASSERT_NE(conn.handle(), nullptr);
    for (const BlackMarkRow &row : Rows()) {
        EXPECT_EQ(row.call(conn.handle()), 1) << row.name;
        EXPECT_EQ(conn.Take(), row.bytes) << row.name;
    }
}

TEST(BlackMark, FailedWriteReturnsZero)
{
    // Two bytes of room: only the two-byte command fits, and only once.
    MemoryConnection conn(2);
    ASSERT_NE(conn.handle(), nullptr);
    for (const BlackMarkRow &row : Rows()) {
        const bool fits = std::string(row.bytes).size() == 5; // "1D 0C"
        EXPECT_EQ(row.call(conn.handle()), fits ? 1 : 0) << row.name;
        EXPECT_EQ(conn.Take(), fits ? row.bytes : "") << row.name;
    }
}

TEST(BlackMark, NothingRemembered)
{
    MemoryConnection conn;
    ASSERT_NE(conn.handle(), nullptr);
    const PrinterProperty before = conn.Property();
    for (const BlackMarkRow &row : Rows())
        row.call(conn.handle());
    const PrinterProperty after = conn.Property();
    EXPECT_EQ(memcmp(&before, &after, sizeof before), 0);
}

TEST(BlackMark, NullAndUnregisteredHandles)
{
    MemoryConnection live;
    ASSERT_NE(live.handle(), nullptr);
    const quorvane_test::BadHandles bad;
    for (const auto &b : bad.All()) {
        for (const BlackMarkRow &row : Rows())
            EXPECT_EQ(row.call(b.handle), 0) << row.name << ", " << b.what;
    }
    EXPECT_TRUE(bad.Untouched());
    EXPECT_EQ(live.Take(), "");
}

} // namespace
