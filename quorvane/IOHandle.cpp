#include "quorvane/IOHandle.h"

#include <cstring>

#include "ports/NZThreadIO.h"
#include "ports/NZUtils.h"

template <typename F>
static void ForEachThreadPort(const IOHandle *h, F f)
{
    IOHandle *m = const_cast<IOHandle *>(h);
    NZThreadIO *ports[] = {
        &m->m_comIO, &m->m_usbIO, &m->m_usbVidPidIO, &m->m_usbProductSerialIO, &m->m_tcpIO, &m->m_udpIO,
        &m->m_btSppIO, &m->m_bleIO, &m->m_bleProtoV2IO, &m->m_bleProtoV3IO, &m->m_lptIO,
    };
    for (NZThreadIO *t : ports)
        f(t);
}

IOHandle::IOHandle()
    : m_currentPort(nullptr), m_rxBuffer(16384), m_workEnabled(false), m_replySink(nullptr), m_autoReplyRequested(0),
      m_minStatusWord(2), m_autoReplyTries(6), m_autoReplyTryTimeMs(1000), m_statusValidityMs(6000),
      m_printResultCounter(0), m_handleValue(nullptr), m_openRefDropped(false),
      m_closedEventStarted(false)
{
    memset(&m_openParams, 0, sizeof(m_openParams));
    // Bytes a printer sends as the connection opens wait in the system until the open has
    // installed the receive hooks (Port_Initialize releases the reads).
    ForEachThreadPort(this, [](NZThreadIO *t) { t->HoldReads(); });
}

IOHandle::~IOHandle()
{
    // Ports are closed before their handle goes; their threads may still be on their way
    // out and must be gone before any member is destroyed.
    WaitPortThreads();
}

NZThreadIO *IOHandle::CurrentThreadPort() const { return dynamic_cast<NZThreadIO *>(m_currentPort); }

bool IOHandle::OnOwnPortThread() const
{
    bool on = false;
    ForEachThreadPort(this, [&on](NZThreadIO *t) {
        if (t->OnReadThread())
            on = true;
    });
    return on;
}

void IOHandle::WaitPortThreads()
{
    ForEachThreadPort(this, [](NZThreadIO *t) {
        t->StopReadThread();
        t->StopCloseThread();
    });
}

static void DestroyOnThread(void *arg) { delete static_cast<IOHandle *>(arg); }

void IOHandle::Destroy(IOHandle *handle)
{
    if (!handle)
        return;
    // A port thread cannot wait for its own end: hand the destruction to a new thread.
    if (handle->OnOwnPortThread() && NZIOThread::StartThread(&DestroyOnThread, handle))
        return;
    delete handle;
}
