// Ports for command-writer tests: a memory port that counts writes and records
// the time-out it was given, and can be told to accept only part of each write
// or to fail every write.
#ifndef QUORVANE_TESTS_SUPPORT_PRINTER_PORTS_H
#define QUORVANE_TESTS_SUPPORT_PRINTER_PORTS_H

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "ports/NZMemoryIO.h"
#include "support/TestUtil.h"

namespace quorvane_test {

class RecordingPort : public NZMemoryIO {
public:
    enum Mode { kWhole, kShort, kFail };

    explicit RecordingPort(unsigned int capacity = 1 << 16) { Open(capacity); }
    ~RecordingPort() override { Close(); }

    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override
    {
        ++writes;
        lastTimeout = timeoutMs;
        if (mode == kFail)
            return -1;
        if (mode == kShort && len > 0)
            return NZMemoryIO::BaseWrite(data, len - 1, timeoutMs);
        return NZMemoryIO::BaseWrite(data, len, timeoutMs);
    }

    std::vector<unsigned char> Data()
    {
        const unsigned char *p = static_cast<const unsigned char *>(GetBufferData());
        return p ? std::vector<unsigned char>(p, p + GetBufferLength()) : std::vector<unsigned char>();
    }

    void Reset()
    {
        ClearBufferData();
        writes = 0;
        lastTimeout = 0;
    }

    Mode mode = kWhole;
    int writes = 0;
    unsigned int lastTimeout = 0;
};

// Command tables: rows of {name, call(printer), expected bytes}.

// Runs check(row, printer, port) for every row, the port emptied before each and in mode.
template <typename Printer, typename Rows, typename Check>
void ForEachRow(const Rows &rows, unsigned int capacity, RecordingPort::Mode mode, Check check)
{
    RecordingPort port(capacity);
    port.mode = mode;
    Printer printer;
    printer.SetIO(&port);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        port.Reset();
        check(row, printer, port);
    }
}

// Every row, run once, writes exactly its bytes in one write with the writer's time-out.
template <typename Printer, typename Rows>
void ExpectRowsWriteExactly(const Rows &rows, unsigned int capacity = 1 << 16)
{
    auto check = [](const auto &row, Printer &printer, RecordingPort &port) {
        EXPECT_TRUE(row.call(printer));
        EXPECT_EQ(ToHex(row.expected), ToHex(port.Data()));
        EXPECT_EQ(1, port.writes);
        EXPECT_EQ(600000u, port.lastTimeout);
    };
    ForEachRow<Printer>(rows, capacity, RecordingPort::kWhole, check);
}

// A short or failed write makes every row report false, without a retry.
template <typename Printer, typename Rows>
void ExpectRowsFailOnShortOrFailedWrite(const Rows &rows, unsigned int capacity = 1 << 16)
{
    auto check = [](const auto &row, Printer &printer, RecordingPort &port) {
        EXPECT_FALSE(row.call(printer));
        EXPECT_EQ(1, port.writes) << "no retry";
    };
    for (RecordingPort::Mode mode : {RecordingPort::kShort, RecordingPort::kFail})
        ForEachRow<Printer>(rows, capacity, mode, check);
}

// Every row reports false before anything reaches the port (what the writer prints on the
// way is swallowed).
template <typename Printer, typename Rows>
void ExpectRowsSendNothing(const Rows &rows, unsigned int capacity = 1 << 16)
{
    auto check = [](const auto &row, Printer &printer, RecordingPort &port) {
        testing::internal::CaptureStdout();
        EXPECT_FALSE(row.call(printer));
        fflush(stdout);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(0, port.writes);
        EXPECT_TRUE(port.Data().empty());
    };
    ForEachRow<Printer>(rows, capacity, RecordingPort::kWhole, check);
}

// Without a port every row reports false.
template <typename Printer, typename Rows>
void ExpectRowsFailWithoutPort(const Rows &rows)
{
    Printer printer;
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(row.call(printer));
    }
}

} // namespace quorvane_test

#endif
