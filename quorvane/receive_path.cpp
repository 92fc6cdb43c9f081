// The receive path of a connection: the port's received hook splits auto-reply frames
// (into the status records and their callbacks), protocol packages (into the handle's
// package list) and plain data (into the receive ring), then raises the received
// callbacks; the written hook raises the written callbacks.

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/cp_events.h"

// Applies one auto-reply frame under the status lock, then raises its event with the
// values as they stand after the update (the lock is not held during callbacks).
static void ApplyAutoReplyFrame(IOHandle *h, void *handle, const unsigned char *frame)
{
    if (!AutoReplyHandlerPro::FrameUpdatesRecord(frame[6]))
        return;
    AutoReplyFrameEvent event;
    long long errorStatus, infoStatus;
    unsigned int printed, received;
    {
        std::lock_guard<std::mutex> lock(h->m_statusMutex);
        event = AutoReplyHandlerPro::ApplyFrame(frame, NZIOTimeStamp::GetSysTimeMs(), &h->m_status, &h->m_info,
                                                &h->m_positionAdjustment, &h->m_received, &h->m_printed);
        errorStatus = h->m_status.errorStatus;
        infoStatus = h->m_status.infoStatus;
        printed = h->m_printed.count;
        received = h->m_received.count;
    }
    switch (event) {
    case AUTOREPLY_EVENT_STATUS:
        CallPrinterStatusEventForStructList(handle, errorStatus, infoStatus);
        break;
    case AUTOREPLY_EVENT_PRINTED:
        CallPrinterPrintedEventForStructList(handle, printed);
        break;
    case AUTOREPLY_EVENT_RECEIVED:
        CallPrinterReceivedEventForStructList(handle, received);
        break;
    default:
        break;
    }
}

// Queues the package the reader just completed; a device probe reply also sets the
// firmware version text.
static void TakeReceivedPackage(IOHandle *h)
{
    NZProtoHandlerPro &reader = h->m_protoHandler;
    const unsigned short cmd = reader.GetResultCmd();
    const unsigned int length = reader.GetResultRecvlen();
    const unsigned char *data = reader.GetResultRecvbuf();
    NZReceivedProtoPackage package(cmd, reader.GetResultPara(), data, length);
    {
        std::lock_guard<std::mutex> lock(h->m_packageMutex);
        if (!h->m_replySink || !h->m_replySink->Offer(package)) {
            h->m_packages.push_back(std::move(package));
            while (h->m_packages.size() > IOHandle::MaxReceivedPackages)
                h->m_packages.pop_front();
        }
        if (cmd == NZPROTO_CMD_DEVICE_PROBE)
            h->m_firmwareVersion.SetVersion(data, length, NZIOTimeStamp::GetSysTimeMs());
    }
    reader.ResetHandler();
}

void Port_ReadedEvent(const unsigned char *data, unsigned int length, void *handle)
{
    // Bytes that arrive while the connection closes are still taken and reported.
    HandleGuard h(handle, HandleGuard::EvenClosing);
    if (!h || (!data && length != 0))
        return;
    // A UDP port raises this once per datagram, and a datagram is one package: whatever a
    // stray or cut datagram left in the reader must not swallow the next one.
    if (h->m_openParams.portType == CP_PORT_TYPE_UDP)
        h->m_protoHandler.ResetHandler();
    for (unsigned int i = 0; i < length; ++i) {
        const unsigned char b = data[i];
        unsigned char frame[AutoReplyHandlerPro::FrameSize], pass[AutoReplyHandlerPro::FrameSize];
        unsigned int frameLen = 0, passLen = 0;
        h->m_autoReplyHandler.HandleReceivedData(b, frame, sizeof(frame), &frameLen, pass, sizeof(pass), &passLen);
        if (frameLen == AutoReplyHandlerPro::FrameSize) {
            ApplyAutoReplyFrame(h.get(), handle, frame);
        } else if (passLen > 0) {
            std::lock_guard<std::mutex> lock(h->m_rxMutex);
            for (unsigned int k = 0; k < passLen && !h->m_rxBuffer.IsFull(); ++k)
                h->m_rxBuffer.PushBack(pass[k]);
        }
        if (h->m_protoHandler.HandleByte(b))
            TakeReceivedPackage(h.get());
    }
    CallPortReceivedEventForStructList(handle, data, length);
}

void Port_WritedEvent(const unsigned char *data, unsigned int length, void *handle)
{
    HandleGuard h(handle, HandleGuard::EvenClosing);
    if (!h)
        return;
    CallPortWrittenEventForStructList(handle, data, length);
}
