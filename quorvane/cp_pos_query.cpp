// Real-time status and print-result queries. Both write straight to the connection's
// port and take the answer from the handle's receive buffer, resending the question
// every 300 ms until it is answered or the caller's time-out has passed.
#include "quorvane/Boundary.h"
#include "quorvane/cp_pos_query.h"

#include <cstdint>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/quorvane.h"

namespace {

const unsigned int kResendPeriodMs = 300;
const unsigned int kAnswerReadTimeoutMs = 1000;
const unsigned char kPrintResultAnswer = 0x37;
const unsigned char kPrintResultAnswerTag = 0x22;

bool PortOpen(IOHandle &h) { return h.m_currentPort && h.m_currentPort->IsOpened(); }

// A real-time status byte: bit 0 clear, bits 1 and 4 set.
bool IsStatusByte(unsigned char b) { return (b & 0x13) == 0x12; }
// Bit 3 of status 1: the printer went off line / stopped.
bool IsStopStatus(unsigned char b) { return (b & 0x08) != 0; }

// Monotonic milliseconds since start, so a change of the system time cannot stretch or
// cut a wait.
int64_t ElapsedMs(int64_t start) { return NZUtils_MonotonicMs() - start; }

// The receive buffer through the Port calls, which take the receive lock.
void DiscardReceived(IOHandle &h) { CP_Port_SkipAvailable(h.m_handleValue); }

unsigned int ReceivedAvailable(IOHandle &h)
{
    const int n = CP_Port_Available(h.m_handleValue);
    return n > 0 ? static_cast<unsigned int>(n) : 0;
}

// Reads a printer's answer through CP_Port_Read: up to len bytes, waiting up to timeoutMs
// while the port stays open; the number of bytes taken.
unsigned int ReadAnswerBytes(IOHandle &h, unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    const int n = CP_Port_Read(h.m_handleValue, buf, static_cast<int>(len), timeoutMs);
    return n > 0 ? static_cast<unsigned int>(n) : 0;
}

uint32_t LittleEndian32(const unsigned char *p)
{
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// Discards what is waiting, then writes the print-result request for id (0 to 9).
bool SendPrintResultRequest(IOHandle &h, unsigned int id, unsigned int timeoutMs)
{
    DiscardReceived(h);
    if (!h.m_currentPort)
        return false;
    const unsigned char request[11] = {0x1D,
                                       0x28,
                                       0x48,
                                       0x06,
                                       0x00,
                                       0x30,
                                       0x30,
                                       static_cast<unsigned char>(id),
                                       static_cast<unsigned char>(id >> 8),
                                       static_cast<unsigned char>(id >> 16),
                                       static_cast<unsigned char>(id >> 24)};
    return h.m_currentPort->Write(request, sizeof(request), timeoutMs) == static_cast<int>(sizeof(request));
}

// Reads the six bytes after the 37 of a print-result answer. -1: fewer arrived;
// otherwise 1 when the answer is well formed and carries id, else 0.
int ReadPrintResultRest(IOHandle &h, unsigned int id)
{
    unsigned char rest[6];
    if (ReadAnswerBytes(h, rest, sizeof(rest), kAnswerReadTimeoutMs) != sizeof(rest))
        return -1;
    if (rest[0] != kPrintResultAnswerTag)
        return 0;
    return LittleEndian32(rest + 1) == id ? 1 : 0;
}

} // namespace

unsigned char Pos_QueryRTStatus(void *handle, unsigned char n, unsigned int timeout)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    DiscardReceived(*h.get());
    unsigned int sent = 0;
    const int64_t start = NZUtils_MonotonicMs();
    for (;;) {
        const int64_t elapsed = ElapsedMs(start);
        if (!PortOpen(*h.get()) || elapsed >= static_cast<int64_t>(timeout))
            return 0;
        if (sent < elapsed / kResendPeriodMs + 1) {
            if (!Printer_SendRTQueryPackage_n(handle, n, timeout))
                return 0;
            ++sent;
        }
        if (ReceivedAvailable(*h.get()) == 0) {
            NZUtils_SleepMs(1);
            continue;
        }
        unsigned char b;
        if (ReadAnswerBytes(*h.get(), &b, 1, kAnswerReadTimeoutMs) != 1)
            return 0;
        if (IsStatusByte(b))
            return b;
    }
}

bool Pos_QueryPrintResult_WithAutoReplyStatus(void *handle, unsigned int id, unsigned int timeout)
{
    HandleGuard h(handle);
    if (!h)
        return false;
    id %= 10;
    if (!SendPrintResultRequest(*h.get(), id, timeout))
        return false;
    const int64_t start = NZUtils_MonotonicMs();
    for (;;) {
        if (!PortOpen(*h.get()) || ElapsedMs(start) > static_cast<int64_t>(timeout))
            return false;
        // An error reported by the printer's own status frames ends the wait. The answer's
        // bytes are counted first: a frame that came before them has been applied by the
        // time they are in the buffer, so an error sent ahead of the answer is never missed.
        const bool answerWaiting = ReceivedAvailable(*h.get()) >= 7;
        long long errorStatus = 0;
        if (!CP_Printer_GetPrinterStatusInfo(handle, &errorStatus, nullptr, nullptr) || errorStatus != 0)
            return false;
        if (!answerWaiting) {
            NZUtils_SleepMs(1);
            continue;
        }
        unsigned char b;
        if (ReadAnswerBytes(*h.get(), &b, 1, kAnswerReadTimeoutMs) != 1)
            return false;
        if (b != kPrintResultAnswer)
            continue;
        return ReadPrintResultRest(*h.get(), id) == 1;
    }
}

bool Pos_QueryPrintResult_WithQueryRTStatus(void *handle, unsigned int id, unsigned int timeout)
{
    HandleGuard h(handle);
    if (!h)
        return false;
    id %= 10;
    const unsigned char status = Pos_QueryRTStatus(handle, 1, timeout);
    if (status == 0 || IsStopStatus(status))
        return false;
    if (!SendPrintResultRequest(*h.get(), id, timeout))
        return false;
    // Status 1 is polled meanwhile (first after one period) so that a printer that stops
    // ends the wait.
    unsigned int sent = 0;
    const int64_t start = NZUtils_MonotonicMs();
    for (;;) {
        const int64_t elapsed = ElapsedMs(start);
        if (!PortOpen(*h.get()) || elapsed >= static_cast<int64_t>(timeout))
            return false;
        if (sent < elapsed / kResendPeriodMs) {
            if (!Printer_SendRTQueryPackage_n(handle, 1, timeout))
                return false;
            ++sent;
        }
        if (ReceivedAvailable(*h.get()) == 0) {
            NZUtils_SleepMs(1);
            continue;
        }
        unsigned char b;
        if (ReadAnswerBytes(*h.get(), &b, 1, kAnswerReadTimeoutMs) != 1)
            continue;
        if (b == kPrintResultAnswer) {
            const int r = ReadPrintResultRest(*h.get(), id);
            if (r < 0)
                continue;
            return r == 1;
        }
        if (IsStatusByte(b) && IsStopStatus(b))
            return false;
    }
}

extern "C" CP_API int CP_Pos_QueryRTStatus(CP_Handle handle, unsigned int timeout)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        DiscardReceived(*h.get());
        unsigned int sent = 0;
        const int64_t start = NZUtils_MonotonicMs();
        for (;;) {
            const int64_t elapsed = ElapsedMs(start);
            if (!PortOpen(*h.get()) || elapsed >= static_cast<int64_t>(timeout))
                return 0;
            if (sent < elapsed / kResendPeriodMs + 1) {
                if (!Printer_SendRTQueryPackage_1234(handle, timeout))
                    return 0;
                ++sent;
            }
            if (ReceivedAvailable(*h.get()) > 3) {
                unsigned char s[4];
                if (ReadAnswerBytes(*h.get(), s, sizeof(s), kAnswerReadTimeoutMs) != sizeof(s))
                    return 0;
                return static_cast<int>(LittleEndian32(s));
            }
            NZUtils_SleepMs(1);
        }
    });
}

extern "C" CP_API int CP_Pos_QueryPrintResult(CP_Handle handle, unsigned int timeout)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        // Ids cycle 0 to 9 per connection.
        const unsigned int id = h->m_printResultCounter.fetch_add(1) % 10;
        const bool ok = h->m_autoReplyRequested ? Pos_QueryPrintResult_WithAutoReplyStatus(handle, id, timeout)
                                                : Pos_QueryPrintResult_WithQueryRTStatus(handle, id, timeout);
        return ok ? 1 : 0;
    });
}
