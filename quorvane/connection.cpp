// The connection core: the internal opens, the auto-reply start-up, the small printer
// writes of the open and the status queries, and the open/close event threads.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "ports/NZIOPortConfigFileUtils.h"
#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/cp_events.h"

namespace {

const unsigned char kClearPrinterBuffer[] = {0x10, 0x05, 0xFF, 0x01, 0x02};
const unsigned char kRTQuery1234[] = {0x10, 0x04, 0x01, 0x10, 0x04, 0x02, 0x10, 0x04, 0x03, 0x10, 0x04, 0x04};
// Automatic status back, every report enabled: the printer then sends its status frames
// by itself.
const unsigned char kEnableAutoReply[] = {0x1D, 0x61, 0xFF};
const unsigned int kInitWriteTimeoutMs = 10000;
const unsigned int kWriterTimeoutMs = 3600000;

void CopyField(char (&field)[300], const char *text) { snprintf(field, sizeof(field), "%s", text ? text : ""); }

// Writes the whole buffer on the current port; true when every byte went.
bool WriteAll(IOHandle *h, const unsigned char *data, unsigned int len, unsigned int timeoutMs)
{
    return h->m_currentPort && h->m_currentPort->Write(data, len, timeoutMs) == static_cast<int>(len);
}

bool CurrentPortOpen(IOHandle *h) { return h->m_currentPort && h->m_currentPort->IsOpened(); }

// Whether a status frame can still arrive: the port is open and can receive.
bool CurrentPortCanReceive(IOHandle *h)
{
    return CurrentPortOpen(h) && !h->m_currentPort->IsUnreadable() && !h->m_currentPort->IsInvalid();
}

// Steps common to every open once its transport is open and recorded: register the
// handle and initialise it. On failure the port is closed and the handle destroyed.
// The result is the handle value the registry gave, or null.
CP_Handle RegisterAndInitialize(IOHandle *h, unsigned int autoReply)
{
    h->m_autoReplyRequested = autoReply;
    CP_Handle handle = ptrs.InitPtr(h, &IOHandle::m_handleValue);
    if (!handle) {
        h->m_currentPort->Close();
        delete h;
        return nullptr;
    }
    // A start-up that fails, or throws (memory ran out), gives the registration back.
    auto giveBack = [h] {
        h->m_currentPort->Close();
        h->m_openRefDropped = true;
        ptrs.Release(h);
    };
    bool initialized;
    try {
        initialized = Port_Initialize(handle);
    } catch (...) {
        giveBack();
        throw;
    }
    if (!initialized) {
        giveBack();
        return nullptr;
    }
    return handle;
}

} // namespace

CP_Handle Port_OpenCom(const char *name, unsigned int baudrate, CP_ComDataBits dataBits, CP_ComParity parity,
                       CP_ComStopBits stopBits, CP_ComFlowControl flowControl, unsigned int autoReply)
{
    if (!name)
        return nullptr;
    // Flow control would hold back the frames the printer sends by itself.
    const CP_ComFlowControl flow = autoReply ? CP_ComFlowControl_None : flowControl;
    IOHandle *h = new IOHandle;
    if (!h->m_comIO.Open(name, static_cast<int>(baudrate), static_cast<ComDataBits>(dataBits),
                         static_cast<ComParity>(parity), static_cast<ComStopBits>(stopBits),
                         static_cast<ComFlowControl>(flow))) {
        delete h;
        return nullptr;
    }
    h->m_currentPort = &h->m_comIO;
    IOHandleOpenParams &p = h->m_openParams;
    p.portType = CP_PORT_TYPE_COM;
    CopyField(p.comName, name);
    p.comBaudrate = static_cast<int>(baudrate);
    p.comDataBits = dataBits;
    p.comParity = parity;
    p.comStopBits = stopBits;
    p.comFlowControl = flow;
    return RegisterAndInitialize(h, autoReply);
}

CP_Handle Port_OpenUsb(const char *name, unsigned int autoReply)
{
    if (!name)
        return nullptr;
    NZIOPortConfigFileUtils config("quorvane", "quorvane.ini");
    char mapped[300];
    memset(mapped, 0, sizeof(mapped));
    config.GetPortData(name, name, mapped, sizeof(mapped));

    IOHandle *h = new IOHandle;
    // A device path, then "VID:...,PID:...", then product/serial number.
    h->m_usbIO.Open(mapped);
    h->m_currentPort = &h->m_usbIO;
    if (!h->m_currentPort->IsOpened()) {
        h->m_currentPort = &h->m_usbVidPidIO;
        if (h->m_usbVidPidIO.Open(name))
            config.SetPortData(name, name);
    }
    if (!h->m_currentPort->IsOpened()) {
        h->m_currentPort = &h->m_usbProductSerialIO;
        if (h->m_usbProductSerialIO.Open(name))
            config.SetPortData(name, name);
    }
    if (!h->m_currentPort->IsOpened()) {
        delete h;
        return nullptr;
    }
    h->m_usbWriteFilter.alignment = 64;
    h->m_usbWriteFilter.fillByte = 0;
    h->m_currentPort->SetWriteFilter(&h->m_usbWriteFilter);
    h->m_openParams.portType = CP_PORT_TYPE_USB;
    CopyField(h->m_openParams.usbName, name);
    return RegisterAndInitialize(h, autoReply);
}

CP_Handle Port_OpenLpt(const char *path)
{
    if (!path)
        return nullptr;
    IOHandle *h = new IOHandle;
    if (!h->m_lptIO.Open(path)) {
        delete h;
        return nullptr;
    }
    h->m_currentPort = &h->m_lptIO;
    h->m_openParams.portType = CP_PORT_TYPE_LPT;
    CopyField(h->m_openParams.lptPath, path);
    return RegisterAndInitialize(h, 0);
}

CP_Handle Port_OpenFile(const char *path)
{
    if (!path)
        return nullptr;
    IOHandle *h = new IOHandle;
    if (!h->m_fileIO.OpenAppend(path)) {
        delete h;
        return nullptr;
    }
    h->m_currentPort = &h->m_fileIO;
    h->m_openParams.portType = CP_PORT_TYPE_FILE;
    CopyField(h->m_openParams.filePath, path);
    return RegisterAndInitialize(h, 0);
}

CP_Handle Port_OpenMem(unsigned int size)
{
    IOHandle *h = new IOHandle;
    if (!h->m_memoryIO.Open(size)) {
        delete h;
        return nullptr;
    }
    h->m_currentPort = &h->m_memoryIO;
    h->m_openParams.portType = CP_PORT_TYPE_MEMORY;
    return RegisterAndInitialize(h, 0);
}

CP_Handle Port_OpenTcp(const char *localIp, const char *destIp, unsigned short port, unsigned int timeoutMs,
                       unsigned int autoReply)
{
    if (!destIp)
        return nullptr;
    IOHandle *h = new IOHandle;
    if (!h->m_tcpIO.Open(localIp, destIp, port, timeoutMs)) {
        delete h;
        return nullptr;
    }
    h->m_tcpIO.setsockopt_keepalivevals(true, 6000, 2000, 3);
    h->m_currentPort = &h->m_tcpIO;
    h->m_openParams.portType = CP_PORT_TYPE_TCP;
    CopyField(h->m_openParams.netAddress, destIp);
    h->m_openParams.tcpPort = port;
    return RegisterAndInitialize(h, autoReply);
}

CP_Handle Port_OpenUdp(const char *localIp, unsigned short localPort, const char *destIp, unsigned short destPort)
{
    if (!destIp)
        return nullptr;
    IOHandle *h = new IOHandle;
    if (!h->m_udpIO.Open(localIp, localPort, destIp, destPort)) {
        delete h;
        return nullptr;
    }
    // Datagrams arrive whole; packages are taken as they come, without the two checks.
    h->m_protoHandler.checkHeadXor = false;
    h->m_protoHandler.checkDataXor = false;
    h->m_currentPort = &h->m_udpIO;
    h->m_openParams.portType = CP_PORT_TYPE_UDP;
    CopyField(h->m_openParams.netAddress, destIp);
    h->m_openParams.udpDestPort = destPort;
    return RegisterAndInitialize(h, 0);
}

CP_Handle Port_OpenBtSpp(const char *address, unsigned int autoReply)
{
    if (!address)
        return nullptr;
    IOHandle *h = new IOHandle;
    if (!h->m_btSppIO.Open(address)) {
        delete h;
        return nullptr;
    }
    h->m_currentPort = &h->m_btSppIO;
    h->m_openParams.portType = CP_PORT_TYPE_BTSPP;
    CopyField(h->m_openParams.btSppAddress, address);
    return RegisterAndInitialize(h, autoReply);
}

// The three BLE kinds share the open: the port's base open by address.
static CP_Handle OpenBleKind(const char *address, unsigned int autoReply, unsigned int type)
{
    if (!address)
        return nullptr;
    IOHandle *h = new IOHandle;
    NZIO *port = type == CP_PORT_TYPE_BTBLE            ? static_cast<NZIO *>(&h->m_bleIO)
                 : type == CP_PORT_TYPE_BTBLE_PROTOV2 ? static_cast<NZIO *>(&h->m_bleProtoV2IO)
                                                       : static_cast<NZIO *>(&h->m_bleProtoV3IO);
    if (!port->NZIOBase::Open(address)) {
        delete h;
        return nullptr;
    }
    if (type == CP_PORT_TYPE_BTBLE)
        h->m_bleIO.SetWriteMode(0, 120, 180000, 3);
    h->m_currentPort = port;
    h->m_openParams.portType = type;
    CopyField(h->m_openParams.bleAddress, address);
    return RegisterAndInitialize(h, autoReply);
}

CP_Handle Port_OpenBtBle(const char *address, unsigned int autoReply)
{
    return OpenBleKind(address, autoReply, CP_PORT_TYPE_BTBLE);
}

CP_Handle Port_OpenBtBleProtoV2(const char *address, unsigned int autoReply)
{
    return OpenBleKind(address, autoReply, CP_PORT_TYPE_BTBLE_PROTOV2);
}

CP_Handle Port_OpenBtBleProtoV3(const char *address, unsigned int autoReply)
{
    return OpenBleKind(address, autoReply, CP_PORT_TYPE_BTBLE_PROTOV3);
}

bool Port_Initialize(void *handle)
{
    HandleGuard h(handle);
    if (!h || !h->m_currentPort)
        return false;
    NZIO *port = h->m_currentPort;
    port->SetReadedEvent(&Port_ReadedEvent, handle);
    port->SetWritedEvent(&Port_WritedEvent, handle);
    if (NZThreadIO *threadPort = h->CurrentThreadPort())
        threadPort->ReleaseReads();
    h->m_posPrinter.SetIO(port);
    h->m_labelPrinter.SetIO(port);
    h->m_settingPackage.SetIO(port);
    h->m_posPrinter.SetIODefaultTimeout(kWriterTimeoutMs);
    h->m_labelPrinter.SetIODefaultTimeout(kWriterTimeoutMs);
    if (!h->m_autoReplyRequested)
        return true;

    bool ok = false;
    for (unsigned int attempt = 0; attempt < h->m_autoReplyTries && !ok; ++attempt) {
        Printer_ClearPrinterBuffer(handle, kInitWriteTimeoutMs);
        Printer_ClearPrinterBuffer(handle, kInitWriteTimeoutMs);
        Printer_SendTestPackage(handle, kInitWriteTimeoutMs);
        Printer_EnableAutoReplyMode(handle, kInitWriteTimeoutMs);
        NZMsTimer timer(h->m_autoReplyTryTimeMs);
        for (;;) {
            if (timer.IsUp() || !CurrentPortOpen(h.get()))
                break;
            unsigned int word;
            {
                std::lock_guard<std::mutex> lock(h->m_statusMutex);
                word = h->m_status.statusWord;
            }
            if (word >= h->m_minStatusWord) {
                ok = true;
                break;
            }
            // A port that can no longer receive will never bring the status: stop waiting.
            if (!CurrentPortCanReceive(h.get()))
                break;
            NZIOSleep::SleepMs(1);
        }
    }
    return ok;
}

bool Port_IsOpened(void *handle)
{
    HandleGuard h(handle);
    return h && CurrentPortOpen(h.get());
}

bool Printer_ClearPrinterBuffer(void *handle, unsigned int timeoutMs)
{
    HandleGuard h(handle);
    return h && WriteAll(h.get(), kClearPrinterBuffer, sizeof(kClearPrinterBuffer), timeoutMs);
}

bool Printer_SendTestPackage(void *handle, unsigned int timeoutMs)
{
    HandleGuard h(handle);
    if (!h || !CurrentPortOpen(h.get()))
        return false;
    static const unsigned char probe[] = {'D', 'E', 'V', 'I', 'C', 'E', '?', '?'};
    unsigned char package[NZProtoHandler::HeaderSize + sizeof(probe)];
    unsigned int len = 0;
    if (!NZProtoHandler::GenerateSendPackage(NZProtoHandler::SystemType, NZPROTO_CMD_DEVICE_PROBE, 0, sizeof(probe),
                                             probe, package, &len))
        return false;
    return WriteAll(h.get(), package, len, timeoutMs);
}

bool Printer_EnableAutoReplyMode(void *handle, unsigned int timeoutMs)
{
    HandleGuard h(handle);
    if (!h || !CurrentPortOpen(h.get()))
        return false;
    return WriteAll(h.get(), kEnableAutoReply, sizeof(kEnableAutoReply), timeoutMs);
}

bool Printer_SendRTQueryPackage_1234(void *handle, unsigned int timeoutMs)
{
    HandleGuard h(handle);
    if (!h || !CurrentPortOpen(h.get()))
        return false;
    return WriteAll(h.get(), kRTQuery1234, sizeof(kRTQuery1234), timeoutMs);
}

bool Printer_SendRTQueryPackage_n(void *handle, unsigned char n, unsigned int timeoutMs)
{
    HandleGuard h(handle);
    if (!h || !CurrentPortOpen(h.get()))
        return false;
    const unsigned char query[] = {0x10, 0x04, n};
    return WriteAll(h.get(), query, sizeof(query), timeoutMs);
}

// ---- Close and open events -----------------------------------------------------------

void Port_FinishClose(IOHandle *h)
{
    if (h->m_currentPort)
        h->m_currentPort->Close();
    // A close that device loss started on the port's close thread may still be running
    // (then ours did nothing): let it finish, so its closed event finds the handle alive.
    NZThreadIO *threadPort = h->CurrentThreadPort();
    if (threadPort)
        threadPort->StopCloseThread();
    // The open reference goes exactly once, with the first close of the connection.
    if (!h->m_openRefDropped.exchange(true))
        ptrs.Release(h);
}

// The thread's argument is the handle it holds a reference to.
static void ClosedEventThread(void *arg)
{
    IOHandle *h = static_cast<IOHandle *>(arg);
    // The port is closed (by the application, or because the device went): from here on
    // no call resolves the value, while the callbacks below still get it.
    ptrs.MarkClosing(h);
    CallPortClosedEventForStructList(h->m_handleValue);
    Port_FinishClose(h);
    ptrs.Release(h);
}

void Port_ClosedEventOnChildThread(void *handle)
{
    // The thread's own reference, taken also when the application's close has begun. The
    // hook carries the handle value, so a hook raised after its connection was destroyed
    // resolves to nothing and can never reach a later connection.
    IOHandle *h = ptrs.AddRef(handle, PtrAutoDeleteManager<IOHandle>::EvenClosing);
    if (!h)
        return;
    if (h->m_closedEventStarted.exchange(true) || !NZIOThread::StartThread(&ClosedEventThread, h))
        ptrs.Release(h);
}

// ---- Open events ----------------------------------------------------------------------

namespace {

// What the open-event thread reports: the handle (with the registry reference the thread
// gives back), or null for a failed open, and the name the open was given. The record
// belongs to the thread, so the opener returns without waiting for it, and the thread
// gives everything back however its callbacks end.
struct OpenFinishedEvent {
    OpenFinishedEvent(IOHandle *h, const char *n) : handle(h), name(strdup(n ? n : "")) {}
    ~OpenFinishedEvent()
    {
        free(name);
        if (handle)
            ptrs.Release(handle);
    }
    OpenFinishedEvent(const OpenFinishedEvent &) = delete;
    OpenFinishedEvent &operator=(const OpenFinishedEvent &) = delete;

    IOHandle *handle;
    char *name; // null when no copy could be made: reported as ""
};

void OpenFinishedEventThread(void *arg)
{
    std::unique_ptr<OpenFinishedEvent> event(static_cast<OpenFinishedEvent *>(arg));
    const char *name = event->name ? event->name : "";
    if (event->handle)
        CallPortOpenedEventForStructList(event->handle->m_handleValue, name);
    else
        CallPortOpenFailedEventForStructList(nullptr, name);
}

} // namespace

void Port_OpenFinishedEventOnChildThread(IOHandle *handle, const char *name)
{
    OpenFinishedEvent *event = new (std::nothrow) OpenFinishedEvent(handle, name);
    if (!event) {
        if (handle)
            ptrs.Release(handle);
        return;
    }
    if (!NZIOThread::StartThread(&OpenFinishedEventThread, event))
        delete event;
}
