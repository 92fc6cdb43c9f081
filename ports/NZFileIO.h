// Write-only port that writes every write to a file.
#ifndef QUORVANE_PORTS_NZFILEIO_H
#define QUORVANE_PORTS_NZFILEIO_H

#include <cstdio>

#include "ports/NZIOBase.h"

class NZFileIO : public virtual NZIO {
public:
    NZFileIO();
    ~NZFileIO() override;

    void BaseClose() override;
    // Writes and flushes; a failed write reports -1.
    int BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs) override;
    bool Open(const char *path) override;
    virtual bool OpenNew(const char *path);
    virtual bool OpenNewA(const char *path);
    virtual bool OpenNewW(const wchar_t *path);
    virtual bool OpenAppend(const char *path);
    virtual bool OpenAppendA(const char *path);
    virtual bool OpenAppendW(const wchar_t *path);

private:
    bool OpenMode(const char *path, const char *mode, int whence);

    FILE *m_file;
};

#endif
