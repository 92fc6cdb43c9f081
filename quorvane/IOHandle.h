// The connection handle: one per open connection. Applications hold an opaque value the
// registry gave it (never its address). It embeds one port object of every transport and points at the one
// in use, and holds everything kept per connection: the open's arguments, the latest
// auto-reply records, the receive buffer, the received protocol packages, the command
// writers bound to the port and the page settings record.
//
// Handles live in the registry `ptrs` (100 slots). Code that works on a handle takes a
// registry reference for its whole run through HandleGuard (quorvane/HandleGuard.h).
// Everything that takes a `void *handle` / CP_Handle takes that value, never an
// IOHandle*: code holding an IOHandle passes m_handleValue on (port hooks, callbacks,
// calls of the C interface).
//
// Member names other modules use:
//   m_currentPort          NZIO*, the port in use (set by the open, never changed after)
//   m_openParams           IOHandleOpenParams, m_openParams.portType = CP_PORT_TYPE_*
//   m_memoryIO, m_comIO, m_tcpIO, m_udpIO, ...   the embedded transports
//   m_status / m_info / m_positionAdjustment / m_received / m_printed   under m_statusMutex
//   m_rxBuffer             NZIORxBuffer, under m_rxMutex (bytes for CP_Port_Read & co.)
//   m_packages, m_replySink, m_firmwareVersion   under m_packageMutex; m_workEnabled,
//   m_transferClaimed
//   m_autoReplyRequested, m_minStatusWord, m_autoReplyTries, m_autoReplyTryTimeMs,
//   m_statusValidityMs, m_printResultCounter
//   m_posPrinter (NZPosPrinter), m_labelPrinter (NZLabelPrinter),
//   m_settingPackage (NZIOSettingPackage), m_printerProperty (PrinterProperty)
// The three locks are taken one at a time, never while another of them is held.
#ifndef QUORVANE_IOHANDLE_H
#define QUORVANE_IOHANDLE_H

#include <atomic>
#include <list>
#include <mutex>

#include "ports/NZBleBaseIO.h"
#include "ports/NZBtSppBaseIO.h"
#include "ports/NZComIO_linux.h"
#include "ports/NZFileIO.h"
#include "ports/NZFilter.h"
#include "ports/NZIORxBuffer.h"
#include "ports/NZLptIO_linux.h"
#include "ports/NZMemoryIO.h"
#include "ports/NZTcpClientIO_linux.h"
#include "ports/NZUdpClientIO_linux.h"
#include "ports/NZUsbBaseOnVidPidIO_linux.h"
#include "ports/NZUsbIO_linux.h"
#include "ports/NZUsbProductSerialNumberIO.h"
#include "printer/AutoReplyHandlerPro.h"
#include "printer/NZIOSettingPackage.h"
#include "printer/NZLabelPrinter.h"
#include "printer/NZPosPrinter.h"
#include "printer/NZProtoHandler.h"
#include "printer/PrinterProperty.h"
#include "quorvane/PtrAutoDeleteManager.h"
#include "quorvane/quorvane.h"

class NZThreadIO;

// Where a running chunked transfer takes its replies as they arrive, before they would
// enter the received-package list (whose cap could drop them in a burst). Called by the
// receive path under the package lock; true when the package was taken.
class ProtoReplySink {
public:
    virtual bool Offer(NZReceivedProtoPackage &package) = 0;

protected:
    ~ProtoReplySink() = default;
};

// Port-type codes, one bit each.
enum {
    CP_PORT_TYPE_COM = 1,
    CP_PORT_TYPE_TCP = 2,
    CP_PORT_TYPE_USB = 4,
    CP_PORT_TYPE_LPT = 8,
    CP_PORT_TYPE_UDP = 16,
    CP_PORT_TYPE_FILE = 128,
    CP_PORT_TYPE_MEMORY = 256,
    CP_PORT_TYPE_BTSPP = 512,
    CP_PORT_TYPE_BTBLE = 2048,
    CP_PORT_TYPE_BTBLE_PROTOV2 = 16384,
    CP_PORT_TYPE_BTBLE_PROTOV3 = 32768
};

// What the successful open was given; all zero until then, written once.
struct IOHandleOpenParams {
    unsigned int portType;
    char comName[300];
    int comBaudrate;
    CP_ComDataBits comDataBits;
    CP_ComParity comParity;
    CP_ComStopBits comStopBits;
    CP_ComFlowControl comFlowControl;
    char netAddress[300];
    unsigned int tcpPort;
    unsigned int udpDestPort;
    char usbName[300];
    char lptPath[300];
    char filePath[300];
    char btSppAddress[300];
    char bleAddress[300];
};

class IOHandle {
public:
    IOHandle();
    ~IOHandle();
    IOHandle(const IOHandle &) = delete;
    IOHandle &operator=(const IOHandle &) = delete;

    // The current port as a threaded port, or null.
    NZThreadIO *CurrentThreadPort() const;
    // True on the read or close thread of one of this handle's ports.
    bool OnOwnPortThread() const;
    // Waits until no port thread of this handle runs any more.
    void WaitPortThreads();

    // Registry destroyer: destroys the handle, on a new thread when the caller is one of
    // the handle's own port threads (which the destruction has to wait for).
    static void Destroy(IOHandle *handle);

    NZIO *m_currentPort;
    NZComIO_linux m_comIO;
    NZUsbIO_linux m_usbIO;
    NZUsbBaseOnVidPidIO_linux m_usbVidPidIO;
    NZUsbProductSerialNumberIO m_usbProductSerialIO;
    NZTcpClientIO_linux m_tcpIO;
    NZUdpClientIO_linux m_udpIO;
    NZBtSppBaseIO_linux m_btSppIO;
    NZBleBaseIO_linux m_bleIO;
    NZBleProtoV2IO m_bleProtoV2IO;
    NZBleProtoV3IO m_bleProtoV3IO;
    NZLptIO_linux m_lptIO;
    NZFileIO m_fileIO;
    NZMemoryIO m_memoryIO;
    IOHandleOpenParams m_openParams;
    NZFilter_ByteAlignment m_usbWriteFilter;
    AutoReplyModePrinterInfo m_info;
    AutoReplyModePrinterStatus m_status;
    AutoReplyModePrinterPositionAdjustment m_positionAdjustment;
    AutoReplyModePrinterReceived m_received;
    AutoReplyModePrinterPrinted m_printed;
    AutoReplyHandlerPro m_autoReplyHandler; // read thread only
    std::mutex m_statusMutex;
    NZIORxBuffer m_rxBuffer;
    std::mutex m_rxMutex;
    std::atomic<bool> m_workEnabled;
    std::list<NZReceivedProtoPackage> m_packages; // at most MaxReceivedPackages, oldest first
    ProtoReplySink *m_replySink;                  // the running chunked transfer, or null
    // Held by the one chunked transfer call running on the connection (retries included).
    std::atomic<bool> m_transferClaimed{false};
    NZProtoModePrinterFirmwareVersion m_firmwareVersion;
    NZProtoHandlerPro m_protoHandler; // read thread only
    std::mutex m_packageMutex;
    unsigned int m_autoReplyRequested;
    const unsigned int m_minStatusWord;
    const unsigned int m_autoReplyTries;
    const unsigned int m_autoReplyTryTimeMs;
    const unsigned int m_statusValidityMs;
    NZPosPrinter m_posPrinter;
    NZLabelPrinter m_labelPrinter;
    NZIOSettingPackage m_settingPackage;
    PrinterProperty m_printerProperty;
    std::atomic<unsigned int> m_printResultCounter;

    // The received-package list keeps this many; older ones are dropped. Replies a running
    // transfer awaits never enter it (m_replySink), so the cap cannot cut a transfer.
    static constexpr size_t MaxReceivedPackages = 256;

    // The value the registry gave this connection (null until registered, then fixed).
    CP_Handle m_handleValue;

    // Set by the first close that drops the open reference; later closes leave it alone.
    std::atomic<bool> m_openRefDropped;
    // Set when the closed-event thread of this connection was started; it runs once.
    std::atomic<bool> m_closedEventStarted;
};

// The one registry of live handles (100 slots). Built at load, never freed, so threads
// still running at unload never find it gone.
extern PtrAutoDeleteManager<IOHandle> &ptrs;

#endif
