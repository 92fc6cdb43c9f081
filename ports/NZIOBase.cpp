#include "ports/NZIOBase.h"

#include <cstdlib>
#include <memory>
#include <vector>

#include "ports/NZFilter.h"
#include "ports/NZUtils.h"

NZIOBase::NZIOBase()
    : m_readedEvent(nullptr), m_writedEvent(nullptr), m_closedEvent(nullptr),
      m_readedUser(nullptr), m_writedUser(nullptr), m_closedUser(nullptr), m_closeDepth(0),
      m_opened(false), m_invalid(false), m_unreadable(false), m_unwritable(false),
      m_cancelRead(false), m_cancelWrite(false), m_filter(nullptr)
{
}

NZIOBase::~NZIOBase() {}

void NZIOBase::SetReadedEvent(NZIODataEvent fn, void *user)
{
    m_readedUser = user;
    m_readedEvent = fn;
}

void NZIOBase::SetWritedEvent(NZIODataEvent fn, void *user)
{
    m_writedUser = user;
    m_writedEvent = fn;
}

void NZIOBase::SetClosedEvent(NZIOClosedEvent fn, void *user)
{
    m_closedUser = user;
    m_closedEvent = fn;
}

void NZIOBase::SetWriteFilter(NZFilter *filter) { m_filter = filter; }
NZFilter *NZIOBase::GetWriteFilter() { return m_filter; }

bool NZIOBase::Open(const char *)
{
    SetOpened(false);
    SetInvalid(false);
    SetUnreadable(false);
    SetUnwritable(false);
    SetCancelRead(false);
    SetCancelWrite(false);
    return IsOpened();
}

bool NZIOBase::BeginOpen()
{
    if (IsOpened())
        return false;
    NZIOBase::Open(nullptr);
    return true;
}

void NZIOBase::MarkOpenedWriteOnly()
{
    SetOpened(true);
    SetUnreadable(true);
    SetCancelRead(true);
    SetInvalid(false);
    SetUnwritable(false);
    SetCancelWrite(false);
}

bool NZIOBase::IsOpened() { return m_opened; }
void NZIOBase::SetOpened(bool v) { m_opened = v; }
bool NZIOBase::IsUnreadable() { return m_unreadable; }
void NZIOBase::SetUnreadable(bool v) { m_unreadable = v; }
bool NZIOBase::IsUnwritable() { return m_unwritable; }
void NZIOBase::SetUnwritable(bool v) { m_unwritable = v; }
bool NZIOBase::IsInvalid() { return m_invalid; }
void NZIOBase::SetInvalid(bool v) { m_invalid = v; }
bool NZIOBase::IsCancelRead() { return m_cancelRead; }
void NZIOBase::SetCancelRead(bool v) { m_cancelRead = v; }
bool NZIOBase::IsCancelWrite() { return m_cancelWrite; }
void NZIOBase::SetCancelWrite(bool v) { m_cancelWrite = v; }

void NZIOBase::BaseClose() {}
void NZIOBase::SkipAvailable() {}
void NZIOBase::FlushBuffer() {}
bool NZIOBase::DeferClose() { return false; }

void NZIOBase::RaiseClosed()
{
    NZIOClosedEvent fn = m_closedEvent;
    if (fn)
        fn(m_closedUser);
}

void NZIOBase::Close()
{
    // Handed on before the depth is raised, so the thread that takes the close over runs it.
    if (IsOpened() && DeferClose())
        return;
    // A close gives back descriptors and threads and waits for them: it runs whole, with a
    // cancel of the calling thread held off until it is done.
    NZCancelDeferral deferral;
    int depth;
    {
        std::lock_guard<std::recursive_mutex> lock(m_closeMutex);
        depth = m_closeDepth++;
    }
    if (depth == 0 && IsOpened()) {
        BaseClose();
        SetOpened(false);
        RaiseClosed();
    }
    std::lock_guard<std::recursive_mutex> lock(m_closeMutex);
    --m_closeDepth;
}

int NZIOBase::BaseWrite(const unsigned char *, unsigned int, unsigned int) { return -1; }
int NZIOBase::BaseReadDirectly(unsigned char *, unsigned int, unsigned int) { return -1; }
int NZIOBase::BaseRead(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    return ReadDirectly(buf, len, timeoutMs);
}

int NZIOBase::Read(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    return BaseRead(buf, len, timeoutMs);
}

int NZIOBase::Write(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!IsOpened() || IsInvalid() || IsUnwritable() || IsCancelWrite())
        return -1;
    if (!data && len != 0)
        return -1;
    int result;
    NZFilter *filter = m_filter;
    if (!filter) {
        result = BaseWrite(data, len, timeoutMs);
    } else {
        unsigned int outLen = 0;
        // Owned across the write, which a cancel may end by unwinding.
        const std::unique_ptr<unsigned char, NZFree> filtered(filter->FilterData(data, len, &outLen));
        if (!filtered || outLen == 0) {
            result = 0;
        } else {
            const int n = BaseWrite(filtered.get(), outLen, timeoutMs);
            if (n >= 0 && static_cast<unsigned int>(n) == outLen)
                result = static_cast<int>(len);
            else
                result = n < static_cast<int>(len) ? n : static_cast<int>(len);
        }
    }
    NZIODataEvent fn = m_writedEvent;
    if (result > 0 && fn)
        fn(data, static_cast<unsigned int>(result), m_writedUser);
    return result;
}

int NZIOBase::ReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    if (!IsOpened() || IsInvalid() || IsUnreadable() || IsCancelRead())
        return -1;
    if (!buf && len != 0)
        return -1;
    const int n = BaseReadDirectly(buf, len, timeoutMs);
    NZIODataEvent fn = m_readedEvent;
    if (n > 0 && fn)
        fn(buf, static_cast<unsigned int>(n), m_readedUser);
    return n;
}

NZIO::NZIO() {}
NZIO::~NZIO() {}

bool NZIO::OpenA(const char *name) { return Open(name); }

bool NZIO::OpenW(const wchar_t *name)
{
    char *narrow = NZStringUtils::nzutils_wcstombs_local(name);
    if (!narrow)
        return false;
    const bool ok = Open(narrow);
    free(narrow);
    return ok;
}

int NZIO::ReadUntilByte(unsigned char *buf, unsigned int len, unsigned int timeoutMs, unsigned char stop)
{
    if (!buf && len != 0)
        return -1;
    NZSecondsTimer timer(timeoutMs);
    unsigned int count = 0;
    for (;;) {
        if (!IsOpened() || count == len || timer.IsUp())
            return static_cast<int>(count);
        const int n = Read(buf + count, 1, timeoutMs);
        if (n < 0)
            return n;
        if (n == 1) {
            ++count;
            if (buf[count - 1] == stop)
                return static_cast<int>(count);
        }
    }
}

int NZIO::ReadUntilBytes(unsigned char *buf, unsigned int len, unsigned int timeoutMs,
                         const unsigned char *pattern, unsigned int patternLen, bool *found)
{
    if (found)
        *found = false;
    if (!pattern || patternLen == 0 || (!buf && len != 0))
        return 0;
    // Longest proper prefix of the pattern that is also a suffix, per prefix length, so a
    // failed partial match falls back instead of restarting (overlapping matches are found).
    std::vector<unsigned int> fallback(patternLen, 0);
    for (unsigned int i = 1, k = 0; i < patternLen; ++i) {
        while (k > 0 && pattern[i] != pattern[k])
            k = fallback[k - 1];
        if (pattern[i] == pattern[k])
            ++k;
        fallback[i] = k;
    }
    NZSecondsTimer timer(timeoutMs);
    unsigned int count = 0, matched = 0;
    while (IsOpened() && count != len && !timer.IsUp()) {
        unsigned char byte;
        if (Read(&byte, 1, timeoutMs) != 1)
            break;
        buf[count++] = byte;
        while (matched > 0 && pattern[matched] != byte)
            matched = fallback[matched - 1];
        if (pattern[matched] == byte)
            ++matched;
        if (matched == patternLen)
            break;
    }
    if (found)
        *found = matched == patternLen;
    return static_cast<int>(count);
}

// Repeats step(offset, left) until len bytes moved, the port closes or the time is up;
// a negative step result is passed on.
template <typename Step>
static int untilLength(NZIO &io, unsigned int len, unsigned int timeoutMs, Step step)
{
    NZSecondsTimer timer(timeoutMs);
    unsigned int count = 0;
    for (;;) {
        if (!io.IsOpened() || count == len || timer.IsUp())
            return static_cast<int>(count);
        const int n = step(count, len - count);
        if (n < 0)
            return n;
        count += static_cast<unsigned int>(n);
    }
}

int NZIO::ReadUntilLength(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    if (!buf && len != 0)
        return -1;
    return untilLength(*this, len, timeoutMs,
                       [&](unsigned int off, unsigned int left) { return Read(buf + off, left, timeoutMs); });
}

int NZIO::WriteUntilLength(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    if (!data && len != 0)
        return -1;
    return untilLength(*this, len, timeoutMs,
                       [&](unsigned int off, unsigned int left) { return Write(data + off, left, timeoutMs); });
}

int NZIO::QueryOneByteStatus(const unsigned char *cmd, unsigned int cmdLen, unsigned int timeoutMs)
{
    if (!cmd && cmdLen != 0)
        return -1;
    SkipAvailable();
    NZSecondsTimer timer(timeoutMs);
    for (;;) {
        if (!IsOpened() || timer.IsUp())
            return -1;
        const int w = Write(cmd, cmdLen, timeoutMs);
        if (w < 0)
            return w;
        if (static_cast<unsigned int>(w) != cmdLen)
            return -1;
        unsigned char byte;
        const int n = Read(&byte, 1, 1000);
        if (n < 0)
            return n;
        if (n == 1)
            return byte;
    }
}

int NZIO::QueryResponse(const unsigned char *cmd, unsigned int cmdLen, unsigned char *resp,
                        unsigned int respLen, unsigned int timeoutMs)
{
    if ((!cmd && cmdLen != 0) || (!resp && respLen != 0))
        return -1;
    SkipAvailable();
    const int w = Write(cmd, cmdLen, timeoutMs);
    if (w < 0)
        return w;
    if (static_cast<unsigned int>(w) != cmdLen)
        return -1;
    return ReadUntilLength(resp, respLen, timeoutMs);
}
