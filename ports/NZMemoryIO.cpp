#include "ports/NZMemoryIO.h"

#include <cstdlib>
#include <cstring>

NZMemoryIO::NZMemoryIO() : m_capacity(0), m_buffer(nullptr), m_length(0) {}
NZMemoryIO::~NZMemoryIO() {}

bool NZMemoryIO::Open(unsigned int size)
{
    if (!BeginOpen())
        return false;
    if (size == 0)
        return false;
    unsigned char *buffer = static_cast<unsigned char *>(malloc(size));
    if (!buffer)
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_buffer = buffer;
        m_capacity = size;
        m_length = 0;
    }
    MarkOpenedWriteOnly();
    return IsOpened();
}

bool NZMemoryIO::Open(const char *name)
{
    if (!name || IsOpened())
        return false;
    const int size = atoi(name);
    if (size <= 0) {
        BeginOpen();
        return false;
    }
    return Open(static_cast<unsigned int>(size));
}

void NZMemoryIO::BaseClose()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_buffer) {
        free(m_buffer);
        m_buffer = nullptr;
        m_capacity = 0;
        m_length = 0;
    }
}

int NZMemoryIO::BaseWrite(const unsigned char *data, unsigned int len, unsigned int)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_buffer)
        return -1;
    if (!data && len != 0)
        return -1;
    if (len > m_capacity - m_length)
        return -1;
    if (len)
        memcpy(m_buffer + m_length, data, len);
    m_length += len;
    return static_cast<int>(len);
}

const void *NZMemoryIO::GetBufferData()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_buffer;
}

unsigned int NZMemoryIO::GetBufferLength()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_length;
}

void NZMemoryIO::ClearBufferData()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_length = 0;
}
