// The CP_Proto_* family: device configuration over the protocol package, through the
// request engine (proto_requests.h).
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ports/NZUtils.h"
#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/proto_requests.h"

namespace {

const unsigned int kSettingWriteTimeoutMs = 10000;
const unsigned int kSettingMaxDataLength = 256;
const unsigned int kBatteryKeptBytes = 300;
const unsigned int kBatteryNumberOffset = 4;
const unsigned int kStopAtBootPauseMs = 10;

const unsigned short kQueryBatteryPara = 86;
const unsigned short kQuerySerialPara = 78;
const unsigned char kProbeData[] = {'D', 'E', 'V', 'I', 'C', 'E', '?', '?'};

// Request and reply with retries, the reply's data copied into the caller's buffer.
int RequestIntoBuffer(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para, unsigned int dataLen,
                      const unsigned char *data, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                      unsigned int bufferSize, unsigned char *buffer, unsigned int *receivedLength,
                      unsigned int tries)
{
    if (dataLen > NZProtoHandler::MaxDataLength || (!data && dataLen != 0))
        return 0;
    NZReceivedProtoPackage reply;
    const bool ok =
        ProtoRequest_WithRetry(h, type, cmd, para, dataLen, data, writeTimeoutMs, replyTimeoutMs, reply, tries);
    if (!ok)
        return 0;
    unsigned int copied = 0;
    if (bufferSize != 0 && buffer && receivedLength && reply.data) {
        copied = reply.length < bufferSize ? reply.length : bufferSize;
        memcpy(buffer, reply.data, copied);
    }
    if (receivedLength)
        *receivedLength = copied;
    return 1;
}

// One setting package of two zero-terminated texts, written without waiting for a reply.
int SendTwoTexts(IOHandle *h, unsigned short cmd, const char *first, const char *second)
{
    if (!first || !second)
        return 0;
    const size_t firstLen = strlen(first), secondLen = strlen(second);
    if (firstLen > kSettingMaxDataLength || secondLen > kSettingMaxDataLength ||
        firstLen + secondLen + 2 > kSettingMaxDataLength)
        return 0;
    unsigned char data[kSettingMaxDataLength];
    memcpy(data, first, firstLen + 1);
    memcpy(data + firstLen + 1, second, secondLen + 1);
    const unsigned int dataLen = static_cast<unsigned int>(firstLen + secondLen + 2);
    const bool sent =
        ProtoRequest_SendPackage(h, NZProtoHandler::SystemType, cmd, 0, dataLen, data, kSettingWriteTimeoutMs);
    return sent ? 1 : 0;
}

// Decimal number in the way of atoi, never reading past `len` bytes; values beyond the
// range of int are clamped.
bool ParseDecimal(const unsigned char *p, unsigned int len, int *out)
{
    unsigned int i = 0;
    while (i < len && (p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < len && (p[i] == '+' || p[i] == '-')) {
        negative = p[i] == '-';
        ++i;
    }
    const unsigned int first = i;
    long long value = 0;
    for (; i < len && p[i] >= '0' && p[i] <= '9'; ++i) {
        value = value * 10 + (p[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    // No digit: no number (0 is a valid level, so it cannot stand for "none").
    if (i == first)
        return false;
    if (negative)
        *out = static_cast<int>(-value);
    else
        *out = value > INT_MAX ? INT_MAX : static_cast<int>(value);
    return true;
}

// Takes one byte waiting in the connection's receive buffer.
bool TakeReceivedByte(IOHandle *h, unsigned char &b)
{
    std::lock_guard<std::mutex> lock(h->m_rxMutex);
    if (h->m_rxBuffer.IsEmpty())
        return false;
    b = h->m_rxBuffer.PopFront();
    return true;
}

} // namespace

// ---- C interface -----------------------------------------------------------------------

extern "C" CP_API CP_Handle CP_Proto_OpenCom(const char *name, int baudrate, CP_ComDataBits databits,
                                             CP_ComParity parity, CP_ComStopBits stopbits)
{
    // The settings go on as numbers, as in CP_Port_OpenCom.
    return AtBoundary(DeferCancel, nullptr, [&, bits = static_cast<int>(databits), par = static_cast<int>(parity),
                                             stop = static_cast<int>(stopbits)]() -> CP_Handle {
        return Port_OpenCom(name, static_cast<unsigned int>(baudrate), static_cast<CP_ComDataBits>(bits),
                            static_cast<CP_ComParity>(par), static_cast<CP_ComStopBits>(stop), CP_ComFlowControl_None,
                            0);
    });
}

extern "C" CP_API CP_Handle CP_Proto_OpenUsb(const char *name)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return Port_OpenUsb(name, 0);
    });
}

extern "C" CP_API CP_Handle CP_Proto_OpenUdp(const char *local_ip, unsigned short local_port, const char *dest_ip,
                                             unsigned short dest_port)
{
    return AtBoundary(DeferCancel, nullptr, [&]() -> CP_Handle {
        return Port_OpenUdp(local_ip, local_port, dest_ip, dest_port);
    });
}

extern "C" CP_API int CP_Proto_SetComBaudrate(CP_Handle handle, int baudrate)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || h->m_openParams.portType != CP_PORT_TYPE_COM)
            return 0;
        return h->m_comIO.SetBaudrate(baudrate) ? 1 : 0;
    });
}

extern "C" CP_API int CP_Proto_SetWorkEnabled(CP_Handle handle, int enabled)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        h->m_workEnabled = enabled != 0;
        return 1;
    });
}

extern "C" CP_API int CP_Proto_IsWorkEnabled(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        return h && h->m_workEnabled.load() ? 1 : 0;
    });
}

extern "C" CP_API int CP_Proto_SendPackageAndRecvResponseWithRetry(
    CP_Handle handle, unsigned char type, unsigned short command, unsigned int parameter, unsigned int data_length,
    const unsigned char *data, unsigned int write_timeout, unsigned int reply_timeout, unsigned int buffer_size,
    unsigned char *buffer, unsigned int *received_length, unsigned int tries)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return RequestIntoBuffer(h.get(), type, command, parameter, data_length, data, write_timeout, reply_timeout,
                                 buffer_size, buffer, received_length, tries);
    });
}

extern "C" CP_API int CP_Proto_SendDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                                 unsigned int parameter_base, unsigned int total_length,
                                                 const unsigned char *data, unsigned short chunk_size,
                                                 unsigned int write_timeout, unsigned int reply_timeout,
                                                 unsigned int tries)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h || (total_length != 0 && (!data || chunk_size == 0)))
            return 0;
        std::list<NZReceivedProtoPackage> replies;
        // The replies are only counted: none of their data is kept.
        return ProtoRequest_SendDataWithRetry(h.get(), type, command, parameter_base, total_length, data, chunk_size,
                                              write_timeout, reply_timeout, KeepReplyData::None, replies, tries)
                   ? 1
                   : 0;
    });
}

extern "C" CP_API int CP_Proto_RecvDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                                 unsigned int parameter_base, unsigned int write_timeout,
                                                 unsigned int reply_timeout, unsigned int total_length,
                                                 unsigned char *buffer, unsigned int *received_length,
                                                 unsigned int tries)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        std::list<NZReceivedProtoPackage> replies;
        const bool ok = ProtoRequest_RecvDataWithRetry(h.get(), type, command, parameter_base, total_length,
                                                       write_timeout, reply_timeout, replies, tries);
        if (!ok)
            return 0;
        unsigned int stored = 0;
        if (total_length != 0 && buffer && received_length) {
            // The printer decides the reply lengths: never store more than was asked for.
            for (const NZReceivedProtoPackage &reply : replies) {
                const unsigned int room = total_length - stored;
                const unsigned int n = reply.length < room ? reply.length : room;
                if (n != 0)
                    memcpy(buffer + stored, reply.data, n);
                stored += n;
            }
        }
        if (received_length)
            *received_length = stored;
        return 1;
    });
}

extern "C" CP_API int CP_Proto_CommunicationTest(CP_Handle handle, unsigned char type, unsigned int write_timeout,
                                                 unsigned int reply_timeout, unsigned int buffer_size,
                                                 unsigned char *buffer, unsigned int *received_length,
                                                 unsigned int tries)
{
    return AtBoundary(0, [&]() -> int {
        return CP_Proto_SendPackageAndRecvResponseWithRetry(handle, type, NZPROTO_CMD_DEVICE_PROBE, 0,
                                                            sizeof(kProbeData), kProbeData, write_timeout, reply_timeout,
                                                            buffer_size, buffer, received_length, tries);
    });
}

extern "C" CP_API int CP_Proto_ClearParameters(CP_Handle handle, unsigned char type, unsigned int write_timeout,
                                               unsigned int reply_timeout, unsigned int tries)
{
    return AtBoundary(0, [&]() -> int {
        return CP_Proto_SendPackageAndRecvResponseWithRetry(handle, type, NZPROTO_CMD_CLEAR_PARAMS, 0, 0, nullptr,
                                                            write_timeout, reply_timeout, 0, nullptr, nullptr, tries);
    });
}

extern "C" CP_API int CP_Proto_StopAtBootBySenda(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        {
            std::lock_guard<std::mutex> lock(h->m_rxMutex);
            h->m_rxBuffer.Reset();
        }
        static const unsigned char a = 'a';
        while (ProtoRequest_CanLoop(h.get())) {
            unsigned char b = 0;
            if (TakeReceivedByte(h.get(), b) && b == a)
                return 1;
            h->m_currentPort->Write(&a, 1, kSettingWriteTimeoutMs);
            NZIOSleep::SleepMs(kStopAtBootPauseMs);
        }
        return 0;
    });
}

extern "C" CP_API int CP_Proto_QueryBatteryLevel(CP_Handle handle, unsigned int timeout)
{
    return AtBoundary(-1, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return -1;
        h->m_workEnabled = true;
        unsigned char kept[kBatteryKeptBytes];
        memset(kept, 0, sizeof(kept));
        unsigned int length = 0;
        if (!RequestIntoBuffer(h.get(), NZProtoHandler::SystemType, NZPROTO_CMD_QUERY, kQueryBatteryPara, 0, nullptr,
                               timeout, timeout, sizeof(kept), kept, &length, 1))
            return -1;
        // A reply too short to hold the number is no battery level.
        if (length <= kBatteryNumberOffset)
            return -1;
        int level = -1;
        if (!ParseDecimal(kept + kBatteryNumberOffset, length - kBatteryNumberOffset, &level))
            return -1;
        return level;
    });
}

extern "C" CP_API int CP_Proto_QuerySerialNumber(CP_Handle handle, char *buffer, unsigned int size,
                                                 unsigned int timeout)
{
    return AtBoundary(-1, [&]() -> int {
        HandleGuard h(handle);
        if (!h || !buffer)
            return -1;
        h->m_workEnabled = true;
        unsigned int length = 0;
        if (!RequestIntoBuffer(h.get(), NZProtoHandler::SystemType, NZPROTO_CMD_QUERY, kQuerySerialPara, 0, nullptr,
                               timeout, timeout, size, reinterpret_cast<unsigned char *>(buffer), &length, 1))
            return -1;
        // Terminated when there is room; a reply that fills the buffer stays unterminated.
        if (length < size)
            buffer[length] = '\0';
        return length > INT_MAX ? INT_MAX : static_cast<int>(length);
    });
}

extern "C" CP_API int CP_Proto_SetSystemNameAndSerialNumber(CP_Handle handle, const char *name,
                                                            const char *serial_number)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return SendTwoTexts(h.get(), NZPROTO_CMD_SET_SYSTEM_NAME_SN, name, serial_number);
    });
}

extern "C" CP_API int CP_Proto_SetBluetoothNameAndPassword(CP_Handle handle, const char *name, const char *password)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return SendTwoTexts(h.get(), NZPROTO_CMD_SET_BT_NAME_PASSWORD, name, password);
    });
}

extern "C" CP_API int CP_Proto_SetPTPBasicParameters(CP_Handle handle, unsigned int value1, unsigned char value2,
                                                     unsigned char value3, unsigned char value4, unsigned char value5,
                                                     unsigned short value6, unsigned short value7,
                                                     unsigned short value8, unsigned short value9)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        unsigned char data[16] = {
            static_cast<unsigned char>(value1 >> 24), static_cast<unsigned char>(value1 >> 16),
            static_cast<unsigned char>(value1 >> 8),  static_cast<unsigned char>(value1),
            value2, value3, value4, value5,
        };
        const unsigned short tail[] = {value6, value7, value8, value9};
        for (unsigned int i = 0; i < 4; ++i) {
            data[8 + 2 * i] = static_cast<unsigned char>(tail[i]);
            data[9 + 2 * i] = static_cast<unsigned char>(tail[i] >> 8);
        }
        return ProtoRequest_SendPackage(h.get(), NZProtoHandler::SystemType, NZPROTO_CMD_SET_PTP_PARAMS, 0, sizeof(data), data,
                           kSettingWriteTimeoutMs)
                   ? 1
                   : 0;
    });
}
