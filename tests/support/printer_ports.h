// Ports for command-writer tests: a memory port that counts writes and records
// the time-out it was given, and can be told to accept only part of each write
// or to fail every write.
#ifndef QUORVANE_TESTS_SUPPORT_PRINTER_PORTS_H
#define QUORVANE_TESTS_SUPPORT_PRINTER_PORTS_H

#include <vector>

#include "ports/NZMemoryIO.h"

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

} // namespace quorvane_test

#endif
