// The exported opens and CP_Port_Close over the connection core (cp_connection.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ports/NZIOPortConfigFileUtils.h"
#include "ports/NZThreadIO.h"
#include "ports/NZUtils.h"
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"

// Runs a close handed over by CP_Port_Close, then gives back the reference it came with.
static void DeferredCloseThread(void *arg)
{
    IOHandle *h = static_cast<IOHandle *>(arg);
    Port_FinishClose(h);
    ptrs.Release(h);
}

extern "C" CP_API int CP_Port_Close(CP_Handle handle)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        // The port's read thread cannot close its own port: the close would wait for it.
        if (h->OnOwnPortThread())
            return 0;
        // Only the first close acts; from here on no call resolves the value.
        if (!ptrs.MarkClosing(h.get()))
            return 0;
        // Nor may another port's read thread wait for this port's: that thread may be in a
        // callback closing the caller's connection, and each would wait for the other. The
        // close then runs on a thread of its own, which holds a reference until it is done.
        if (NZThreadIO::OnAnyReadThread()) {
            IOHandle *held = ptrs.AddRef(handle, PtrAutoDeleteManager<IOHandle>::EvenClosing);
            if (held) {
                if (NZIOThread::StartThread(&DeferredCloseThread, held))
                    return 1;
                ptrs.Release(held);
            }
        }
        Port_FinishClose(h.get());
        return 1;
    });
}

// Common tail of the exported opens: hook the closed event, then report the outcome.
static CP_Handle FinishExportedOpen(CP_Handle handle, const char *name)
{
    // The open-event thread's reference, taken before anything can close the handle.
    IOHandle *h = handle ? ptrs.AddRef(handle) : nullptr;
    if (handle && !h)
        return handle; // already closed by a call that had the value
    if (h) {
        h->m_currentPort->SetClosedEvent(&Port_ClosedEventOnChildThread, handle);
        // The device may have gone before the hook was in place: its close then raised
        // nothing, so raise the event here (a close raising it as well is ignored).
        if (!h->m_currentPort->IsOpened())
            Port_ClosedEventOnChildThread(handle);
    }
    Port_OpenFinishedEventOnChildThread(h, name);
    return handle;
}

extern "C" CP_API CP_Handle CP_Port_OpenCom(const char *name, int baudrate, CP_ComDataBits databits,
                                            CP_ComParity parity, CP_ComStopBits stopbits,
                                            CP_ComFlowControl flowcontrol, int autoreplymode)
{
    // A C caller may pass any number for the settings: they go on as numbers, never read
    // back from an enum object (the port refuses those it does not know).
    return AtBoundary(DeferCancel, nullptr,
                      [&, bits = static_cast<int>(databits), par = static_cast<int>(parity),
                       stop = static_cast<int>(stopbits), flow = static_cast<int>(flowcontrol)]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenCom(name, static_cast<unsigned int>(baudrate),
                                               static_cast<CP_ComDataBits>(bits), static_cast<CP_ComParity>(par),
                                               static_cast<CP_ComStopBits>(stop), static_cast<CP_ComFlowControl>(flow),
                                               static_cast<unsigned int>(autoreplymode)),
                                  name);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenUsb(const char *name, int autoreplymode)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenUsb(name, static_cast<unsigned int>(autoreplymode)), name);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenLpt(const char *name)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenLpt(name), name);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenFile(const char *path)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenFile(path), path);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenTcp(const char *local_ip, const char *dest_ip, unsigned short dest_port,
                                            unsigned int timeout, int autoreplymode)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(
            Port_OpenTcp(local_ip, dest_ip, dest_port, timeout, static_cast<unsigned int>(autoreplymode)), dest_ip);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenBtSpp(const char *address, int autoreplymode)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenBtSpp(address, static_cast<unsigned int>(autoreplymode)), address);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenBtBle(const char *address, int autoreplymode)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenBtBle(address, static_cast<unsigned int>(autoreplymode)), address);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenBtBleProtoV2(const char *address, int autoreplymode)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenBtBleProtoV2(address, static_cast<unsigned int>(autoreplymode)), address);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenBtBleProtoV3(const char *address, int autoreplymode)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return FinishExportedOpen(Port_OpenBtBleProtoV3(address, static_cast<unsigned int>(autoreplymode)), address);
    });
}

extern "C" CP_API CP_Handle CP_Port_OpenMemoryBuffer(unsigned int size)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return Port_OpenMem(size);
    });
}
