// Holds one port (never owned) and forwards the port interface to it; an empty holder
// answers every call with its failure value. Command writers derive from it.
#ifndef QUORVANE_PORTS_NZIOHOLDER_H
#define QUORVANE_PORTS_NZIOHOLDER_H

#include "ports/NZIOBase.h"

class NZIOHolder {
public:
    NZIOHolder();
    virtual ~NZIOHolder();

    virtual void SetIO(NZIO *io);
    virtual NZIO *GetIO();
    virtual bool Open(const char *name);
    virtual bool OpenA(const char *name);
    virtual bool OpenW(const wchar_t *name);
    virtual bool IsOpened();
    virtual void Close();
    virtual int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs);
    virtual int BaseRead(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    virtual void SkipAvailable();
    virtual void FlushBuffer();
    virtual int Write(const unsigned char *data, unsigned int len, unsigned int timeoutMs);
    virtual int Read(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    virtual int ReadUntilByte(unsigned char *buf, unsigned int len, unsigned int timeoutMs, unsigned char stop);
    virtual int ReadUntilBytes(unsigned char *buf, unsigned int len, unsigned int timeoutMs,
                               const unsigned char *pattern, unsigned int patternLen, bool *found);
    virtual int ReadUntilLength(unsigned char *buf, unsigned int len, unsigned int timeoutMs);
    virtual int WriteUntilLength(const unsigned char *data, unsigned int len, unsigned int timeoutMs);
    virtual int QueryOneByteStatus(const unsigned char *cmd, unsigned int cmdLen, unsigned int timeoutMs);
    virtual int QueryResponse(const unsigned char *cmd, unsigned int cmdLen, unsigned char *resp,
                              unsigned int respLen, unsigned int timeoutMs);
    virtual void SetReadedEvent(NZIODataEvent fn, void *user);
    virtual void SetWritedEvent(NZIODataEvent fn, void *user);
    virtual void SetClosedEvent(NZIOClosedEvent fn, void *user);

private:
    NZIO *m_io;
};

#endif
