#include "ports/NZIOHolder.h"

NZIOHolder::NZIOHolder() : m_io(nullptr) {}
NZIOHolder::~NZIOHolder() {}

void NZIOHolder::SetIO(NZIO *io) { m_io = io; }
NZIO *NZIOHolder::GetIO() { return m_io; }
bool NZIOHolder::Open(const char *name) { return m_io ? m_io->Open(name) : false; }
bool NZIOHolder::OpenA(const char *name) { return m_io ? m_io->OpenA(name) : false; }
bool NZIOHolder::OpenW(const wchar_t *name) { return m_io ? m_io->OpenW(name) : false; }
bool NZIOHolder::IsOpened() { return m_io ? m_io->IsOpened() : false; }

void NZIOHolder::Close()
{
    if (m_io)
        m_io->Close();
}

int NZIOHolder::BaseWrite(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    return m_io ? m_io->BaseWrite(data, len, timeoutMs) : -1;
}

int NZIOHolder::BaseRead(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    return m_io ? m_io->BaseRead(buf, len, timeoutMs) : -1;
}

void NZIOHolder::SkipAvailable()
{
    if (m_io)
        m_io->SkipAvailable();
}

void NZIOHolder::FlushBuffer()
{
    if (m_io)
        m_io->FlushBuffer();
}

int NZIOHolder::Write(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    return m_io ? m_io->Write(data, len, timeoutMs) : -1;
}

int NZIOHolder::Read(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    return m_io ? m_io->Read(buf, len, timeoutMs) : -1;
}

int NZIOHolder::ReadUntilByte(unsigned char *buf, unsigned int len, unsigned int timeoutMs, unsigned char stop)
{
    return m_io ? m_io->ReadUntilByte(buf, len, timeoutMs, stop) : -1;
}

int NZIOHolder::ReadUntilBytes(unsigned char *buf, unsigned int len, unsigned int timeoutMs,
                               const unsigned char *pattern, unsigned int patternLen, bool *found)
{
    return m_io ? m_io->ReadUntilBytes(buf, len, timeoutMs, pattern, patternLen, found) : -1;
}

int NZIOHolder::ReadUntilLength(unsigned char *buf, unsigned int len, unsigned int timeoutMs)
{
    return m_io ? m_io->ReadUntilLength(buf, len, timeoutMs) : -1;
}

int NZIOHolder::WriteUntilLength(const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    return m_io ? m_io->WriteUntilLength(data, len, timeoutMs) : -1;
}

int NZIOHolder::QueryOneByteStatus(const unsigned char *cmd, unsigned int cmdLen, unsigned int timeoutMs)
{
    return m_io ? m_io->QueryOneByteStatus(cmd, cmdLen, timeoutMs) : -1;
}

int NZIOHolder::QueryResponse(const unsigned char *cmd, unsigned int cmdLen, unsigned char *resp,
                              unsigned int respLen, unsigned int timeoutMs)
{
    return m_io ? m_io->QueryResponse(cmd, cmdLen, resp, respLen, timeoutMs) : -1;
}

void NZIOHolder::SetReadedEvent(NZIODataEvent fn, void *user)
{
    if (m_io)
        m_io->SetReadedEvent(fn, user);
}

void NZIOHolder::SetWritedEvent(NZIODataEvent fn, void *user)
{
    if (m_io)
        m_io->SetWritedEvent(fn, user);
}

void NZIOHolder::SetClosedEvent(NZIOClosedEvent fn, void *user)
{
    if (m_io)
        m_io->SetClosedEvent(fn, user);
}
