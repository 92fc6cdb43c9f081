// Write-only port that collects every write in one fixed-size memory buffer.
#ifndef QUORVANE_PORTS_NZMEMORYIO_H
#define QUORVANE_PORTS_NZMEMORYIO_H

#include <mutex>

#include "ports/NZIOBase.h"

// Writes, clears and the close are serialised: writers on several threads never lose bytes.
class NZMemoryIO : public virtual NZIO {
public:
    NZMemoryIO();
    ~NZMemoryIO() override;

    virtual bool Open(unsigned int size);
    // Opens a buffer of the size the decimal text names.
    bool Open(const char *name) override;
    void BaseClose() override;
    // A write is stored whole or not at all.
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    virtual const void *GetBufferData();
    virtual unsigned int GetBufferLength();
    virtual void ClearBufferData();

private:
    std::mutex m_mutex;
    unsigned int m_capacity;
    unsigned char *m_buffer;
    unsigned int m_length;
};

#endif
