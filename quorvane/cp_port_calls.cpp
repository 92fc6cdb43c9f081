// The CP_Port_* calls besides the opens, the close and the event registration: device
// lists and searches, raw writes and reads on a connection, its state, and the calls that
// serve one transport only.
#include <cstring>
#include <mutex>

#include "ports/NZEnumerator.h"
#include "ports/NZEnumerator_linux.h"
#include "ports/NZIOUdpDiscover.h"
#include "ports/NZUtils.h"
#include "ports/NZWiFiP2PDeviceManager.h"
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/cp_port_calls.h"

namespace {

// Runs one enumerator on the part of the caller's buffer from `position` on, then counts
// the names it stored there (never past the buffer's end) and moves `position` past them.
int EnumerateInto(NZEnumerator &e, char *buffer, unsigned int size, unsigned int &position, unsigned int &total)
{
    char *out = buffer ? buffer + position : nullptr;
    const unsigned int room = buffer && size > position ? size - position : 0;
    unsigned int n = 0;
    const int stored = e.Enumerate(room ? out : nullptr, room, &n);
    total += n;
    int count = 0;
    if (stored > 0 && room) {
        const char *p = out;
        const char *end = out + room;
        while (count < stored && p < end && *p) {
            const void *nul = memchr(p, 0, static_cast<size_t>(end - p));
            if (!nul)
                break;
            const unsigned int len = static_cast<unsigned int>(static_cast<const char *>(nul) - p);
            ++count;
            position += len + 1;
            p += len + 1;
        }
    }
    return count;
}

// The raw read loop: while the port is open and the buffer has room, takes every byte
// that waits in the receive buffer at once; only when none is left does it look at the
// clock and, with time left, sleep 1 ms before looking again. Bytes that already wait are
// therefore always taken, however short the time-out. With `untilByte`, stops right after
// storing `endByte`.
int PollReceiveRing(CP_Handle handle, unsigned char *buffer, int length, unsigned int timeoutMs, bool untilByte,
                    unsigned char endByte)
{
    HandleGuard h(handle);
    if (!h)
        return -1;
    if (!buffer && length > 0)
        return -1;
    NZIO *port = h->m_currentPort;
    int count = 0;
    const int64_t start = NZUtils_MonotonicMs();
    while (count < length && port && port->IsOpened()) {
        bool ended = false;
        {
            std::lock_guard<std::mutex> lock(h->m_rxMutex);
            while (count < length && !h->m_rxBuffer.IsEmpty()) {
                const unsigned char byte = h->m_rxBuffer.PopFront();
                buffer[count++] = byte;
                if (untilByte && byte == endByte) {
                    ended = true;
                    break;
                }
            }
        }
        if (ended || count >= length || NZUtils_MonotonicMs() - start > static_cast<int64_t>(timeoutMs))
            break;
        NZIOSleep::SleepMs(1);
    }
    return count;
}

} // namespace

int Port_EnumJoined(NZEnumerator *const *enumerators, unsigned int count, char *buffer, unsigned int size,
                    unsigned int *needed)
{
    unsigned int position = 0, total = 0;
    int stored = 0;
    for (unsigned int i = 0; enumerators && i < count; ++i)
        if (enumerators[i])
            stored += EnumerateInto(*enumerators[i], buffer, size, position, total);
    if (needed)
        *needed = total;
    return stored;
}

// ---- Device lists and searches ---------------------------------------------------------

extern "C" CP_API int CP_Port_EnumCom(char *buffer, unsigned int size, unsigned int *needed)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        NZComIOEnumerator_linux e;
        return e.Enumerate(buffer, buffer ? size : 0, needed);
    });
}

extern "C" CP_API int CP_Port_EnumLpt(char *buffer, unsigned int size, unsigned int *needed)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        NZLptIOEnumerator_linux e;
        return e.Enumerate(buffer, buffer ? size : 0, needed);
    });
}

extern "C" CP_API int CP_Port_EnumUsb(char *buffer, unsigned int size, unsigned int *needed)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        NZUsbVidPidEnumerator_linux byIds; // empty filter: every printer
        NZUsbIOEnumerator_linux nodes;
        NZUsbProductSerialNumberEnumerator bySerial;
        NZEnumerator *const lists[] = {&byIds, &nodes, &bySerial};
        return Port_EnumJoined(lists, 3, buffer, size, needed);
    });
}

extern "C" CP_API void CP_Port_EnumNetPrinter(unsigned int timeout, int *cancel,
                                              CP_OnNetPrinterDiscovered on_discovered, const void *private_data)
{
    AtBoundary(DeferCancel, [&] {
        NZIOUdpDiscover discover;
        discover.NZIOUdpDiscover_StartDiscover(timeout, cancel, on_discovered, private_data);
    });
}

extern "C" CP_API void CP_Port_EnumBtDevice(unsigned int timeout, int *cancel,
                                            CP_OnBluetoothDeviceDiscovered on_discovered, const void *private_data)
{
    AtBoundary(DeferCancel, [&] {
        NZBtDeviceEnumerator e;
        e.EnumBtDeviceA(timeout, cancel, on_discovered, private_data);
    });
}

extern "C" CP_API void CP_Port_EnumBleDevice(unsigned int timeout, int *cancel,
                                             CP_OnBluetoothDeviceDiscovered on_discovered, const void *private_data)
{
    AtBoundary(DeferCancel, [&] {
        NZBleDeviceEnumerator e;
        e.EnumBtDeviceA(timeout, cancel, on_discovered, private_data);
    });
}

extern "C" CP_API void CP_Port_EnumWiFiP2PDevice(unsigned int timeout, int *cancel,
                                                 CP_OnWiFiP2PDeviceDiscovered on_discovered, const void *private_data)
{
    AtBoundary(DeferCancel, [&] {
        NZWiFiP2PDeviceEnumerator e;
        e.EnumWiFiP2PDeviceA(timeout, cancel, on_discovered, private_data);
    });
}

extern "C" CP_API int CP_Port_WiFiP2P_Connect(const char *device_address, unsigned int timeout)
{
    return AtBoundary(0, [&]() -> int {
        NZWiFiP2PDeviceManager manager;
        return manager.Connect(device_address, timeout) ? 1 : 0;
    });
}

extern "C" CP_API void CP_Port_WiFiP2P_Disconnect(void)
{
    AtBoundary([&] {
        NZWiFiP2PDeviceManager manager;
        manager.Disconnect();
    });
}

extern "C" CP_API int CP_Port_WiFiP2P_IsConnected(void)
{
    return AtBoundary(0, [&]() -> int {
        NZWiFiP2PDeviceManager manager;
        return manager.IsConnected() ? 1 : 0;
    });
}

// ---- Raw writes and reads ----------------------------------------------------------------

extern "C" CP_API int CP_Port_Write(CP_Handle handle, const unsigned char *buffer, unsigned int count,
                                    unsigned int timeout)
{
    return AtBoundary(-1, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !h->m_currentPort)
            return -1;
        if (!buffer && count != 0)
            return -1;
        return h->m_currentPort->Write(buffer, count, timeout);
    });
}

extern "C" CP_API int CP_Port_Read(CP_Handle handle, unsigned char *buffer, int count, unsigned int timeout)
{
    return AtBoundary(-1, [&]() -> int {
        return PollReceiveRing(handle, buffer, count, timeout, false, 0);
    });
}

extern "C" CP_API int CP_Port_ReadUntilByte(CP_Handle handle, unsigned char *buffer, int count, unsigned int timeout,
                                            unsigned char breakbyte)
{
    return AtBoundary(-1, [&]() -> int {
        return PollReceiveRing(handle, buffer, count, timeout, true, breakbyte);
    });
}

extern "C" CP_API int CP_Port_Available(CP_Handle handle)
{
    return AtBoundary(-1, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return -1;
        std::lock_guard<std::mutex> lock(h->m_rxMutex);
        return static_cast<int>(h->m_rxBuffer.Available());
    });
}

extern "C" CP_API int CP_Port_SkipAvailable(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        std::lock_guard<std::mutex> lock(h->m_rxMutex);
        h->m_rxBuffer.Reset();
        return 1;
    });
}

// ---- Connection state ----------------------------------------------------------------------

extern "C" CP_API int CP_Port_IsOpened(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        return Port_IsOpened(handle) ? 1 : 0;
    });
}

extern "C" CP_API int CP_Port_IsConnectionValid(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !h->m_currentPort || !h->m_currentPort->IsOpened())
            return 0;
        if (!h->m_autoReplyRequested)
            return 1;
        long long statusTime;
        {
            std::lock_guard<std::mutex> lock(h->m_statusMutex);
            statusTime = h->m_status.time;
        }
        const long long age = NZIOTimeStamp::GetSysTimeMs() - statusTime;
        return age < static_cast<long long>(h->m_statusValidityMs) ? 1 : 0;
    });
}

extern "C" CP_API int CP_Port_SetDefaultWriteTimeout(CP_Handle handle, unsigned int timeout)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        h->m_posPrinter.SetIODefaultTimeout(timeout);
        h->m_labelPrinter.SetIODefaultTimeout(timeout);
        return 1;
    });
}

// ---- Calls for one transport ---------------------------------------------------------------

extern "C" CP_API int CP_Port_SetComBaudrate(CP_Handle handle, int baudrate)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_COM)
            return 0;
        return h->m_comIO.SetBaudrate(baudrate) ? 1 : 0;
    });
}

extern "C" CP_API const void *CP_Port_GetMemoryBufferDataPointer(CP_Handle handle)
{
    return AtBoundary(nullptr, [&]() -> const void * {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_MEMORY)
            return nullptr;
        return h->m_memoryIO.GetBufferData();
    });
}

extern "C" CP_API unsigned int CP_Port_GetMemoryBufferDataLength(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> unsigned int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_MEMORY)
            return 0;
        return h->m_memoryIO.GetBufferLength();
    });
}

extern "C" CP_API int CP_Port_ClearMemoryBufferData(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_MEMORY)
            return 0;
        h->m_memoryIO.ClearBufferData();
        return 1;
    });
}

extern "C" CP_API int CP_Port_ClearBtBleProtoV2PacketSendTimesList(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_BTBLE_PROTOV2)
            return 0;
        h->m_bleProtoV2IO.ClearPacketSendTimesList();
        return 1;
    });
}

extern "C" CP_API int CP_Port_GetBtBleProtoV2PacketSendTimesListLength(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_BTBLE_PROTOV2)
            return 0;
        return h->m_bleProtoV2IO.GetPacketSendTimesListLength();
    });
}

extern "C" CP_API int CP_Port_GetBtBleProtoV2PacketSendTimesListValue(CP_Handle handle, int *values, int count)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_BTBLE_PROTOV2)
            return 0;
        if (!values && count > 0)
            return 0;
        return h->m_bleProtoV2IO.GetPacketSendTimesListValue(values, count);
    });
}
