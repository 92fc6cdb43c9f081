// The port interface every transport implements: state flags, events, a write filter,
// the guarded close, and timed operations built from Read and Write.
#ifndef QUORVANE_PORTS_NZIOBASE_H
#define QUORVANE_PORTS_NZIOBASE_H

#include <atomic>
#include <cwchar>
#include <mutex>

class NZFilter;

typedef void (*NZIODataEvent)(const unsigned char *data, unsigned int len, void *user);
typedef void (*NZIOClosedEvent)(void *user);

class NZIOBase {
public:
    NZIOBase();
    virtual ~NZIOBase();

    virtual void SetReadedEvent(NZIODataEvent fn, void *user);
    virtual void SetWritedEvent(NZIODataEvent fn, void *user);
    virtual void SetClosedEvent(NZIOClosedEvent fn, void *user);
    virtual void SetWriteFilter(NZFilter *filter);
    virtual NZFilter *GetWriteFilter();

    // Clears the six flags and returns IsOpened() (false); transports override it.
    virtual bool Open(const char *name);

    virtual bool IsOpened();
    virtual void SetOpened(bool v);
    virtual bool IsUnreadable();
    virtual void SetUnreadable(bool v);
    virtual bool IsUnwritable();
    virtual void SetUnwritable(bool v);
    virtual bool IsInvalid();
    virtual void SetInvalid(bool v);
    virtual bool IsCancelRead();
    virtual void SetCancelRead(bool v);
    virtual bool IsCancelWrite();
    virtual void SetCancelWrite(bool v);

    virtual void BaseClose();
    // Only the outermost close of an open port acts; it raises the closed event once.
    void Close();
    virtual void SkipAvailable();
    virtual void FlushBuffer();

    virtual int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs);
    int Write(const unsigned char *data, unsigned int len, unsigned int timeoutMs);
    virtual int BaseReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    int ReadDirectly(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    virtual int BaseRead(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    int Read(unsigned char *buf, unsigned int len, unsigned int timeoutMs);

protected:
    // Opening an already open object fails and leaves it untouched; otherwise the six flags
    // are cleared in order and true is returned so the transport may acquire its resource.
    bool BeginOpen();
    // Sets the flags of a port that accepts writes and refuses reads (memory, file, parallel).
    void MarkOpenedWriteOnly();
    // Lets a transport take over a close requested on a thread that must not run it
    // (its own read thread); returns true when the close was handed on.
    virtual bool DeferClose();

private:
    void RaiseClosed();

    std::atomic<NZIODataEvent> m_readedEvent;
    std::atomic<NZIODataEvent> m_writedEvent;
    std::atomic<NZIOClosedEvent> m_closedEvent;
    std::atomic<void *> m_readedUser;
    std::atomic<void *> m_writedUser;
    std::atomic<void *> m_closedUser;
    int m_closeDepth;
    std::recursive_mutex m_closeMutex;
    std::atomic<bool> m_opened;
    std::atomic<bool> m_invalid;
    std::atomic<bool> m_unreadable;
    std::atomic<bool> m_unwritable;
    std::atomic<bool> m_cancelRead;
    std::atomic<bool> m_cancelWrite;
    std::atomic<NZFilter *> m_filter;
};

class NZIO : public virtual NZIOBase {
public:
    NZIO();
    ~NZIO() override;

    virtual bool OpenA(const char *name);
    virtual bool OpenW(const wchar_t *name);
    // Reads until the stop byte (stored and counted), len bytes, the port closes or time is up.
    virtual int ReadUntilByte(unsigned char *buf, unsigned int len, unsigned int timeoutMs, unsigned char stop);
    // Reads until the pattern has arrived (overlapping starts are followed); never -1.
    virtual int ReadUntilBytes(unsigned char *buf, unsigned int len, unsigned int timeoutMs,
                               const unsigned char *pattern, unsigned int patternLen, bool *found);
    virtual int ReadUntilLength(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    virtual int WriteUntilLength(const unsigned char *data, unsigned int len, unsigned int timeoutMs);
    // Sends cmd until one byte answers; returns it (0..255) or -1.
    virtual int QueryOneByteStatus(const unsigned char *cmd, unsigned int cmdLen, unsigned int timeoutMs);
    // Sends cmd once and reads a respLen-byte answer.
    virtual int QueryResponse(const unsigned char *cmd, unsigned int cmdLen, unsigned char *resp,
                              unsigned int respLen, unsigned int timeoutMs);
};

#endif
