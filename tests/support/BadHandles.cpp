#include "support/BadHandles.h"

#include <cstdlib>
#include <cstring>

namespace quorvane_test {

namespace {
const size_t kHeapSize = 256;
}

BadHandles::BadHandles() : m_notAHandle(0), m_heap(calloc(1, kHeapSize))
{
    CP_Handle closed = CP_Port_OpenMemoryBuffer(64);
    if (closed)
        CP_Port_Close(closed);
    m_all = {{"null", nullptr}, {"not a handle", &m_notAHandle}, {"heap memory", m_heap}, {"closed", closed}};
}

BadHandles::~BadHandles() { free(m_heap); }

bool BadHandles::Untouched() const
{
    static const unsigned char zeros[kHeapSize] = {0};
    return m_notAHandle == 0 && m_heap && memcmp(m_heap, zeros, kHeapSize) == 0;
}

} // namespace quorvane_test
