// A memory connection for page-mode and black-mark tests: what each call wrote, as hex.
#ifndef QUORVANE_TESTS_QUORVANE_PAGE_MEMORY_PORT_H
#define QUORVANE_TESTS_QUORVANE_PAGE_MEMORY_PORT_H

#include <string>

#include "quorvane/HandleGuard.h"
#include "quorvane/quorvane.h"
#include "support/TestUtil.h"

namespace quorvane_test {

class MemoryConnection {
public:
    explicit MemoryConnection(unsigned int size = 1 << 16) : m_handle(CP_Port_OpenMemoryBuffer(size)) {}
    ~MemoryConnection()
    {
        if (m_handle)
            CP_Port_Close(m_handle);
    }
    MemoryConnection(const MemoryConnection &) = delete;
    MemoryConnection &operator=(const MemoryConnection &) = delete;

    CP_Handle handle() const { return m_handle; }

    // Everything written since the last Take, as "1B 4C" hex; the buffer is emptied.
    std::string Take()
    {
        HandleGuard h(m_handle);
        if (!h)
            return "<no handle>";
        const unsigned char *data = static_cast<const unsigned char *>(h->m_memoryIO.GetBufferData());
        const std::string hex = data ? ToHex(data, h->m_memoryIO.GetBufferLength()) : std::string();
        h->m_memoryIO.ClearBufferData();
        return hex;
    }

    PrinterProperty &Property()
    {
        HandleGuard h(m_handle);
        return h->m_printerProperty;
    }

private:
    CP_Handle m_handle;
};

} // namespace quorvane_test

#endif
