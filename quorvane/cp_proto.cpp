// Packet-protocol requests and the CP_Proto_* family: device configuration over the
// protocol package, with the replies taken from the connection's received-package queue.
#include "quorvane/cp_proto.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"

namespace {

const unsigned int kRetryPauseMs = 100;
const unsigned int kRecvChunkSize = 256;
const unsigned int kSettingWriteTimeoutMs = 10000;
const unsigned int kSettingMaxDataLength = 256;
const unsigned int kBatteryKeptBytes = 300;
const unsigned int kBatteryNumberOffset = 4;
const unsigned int kStopAtBootPauseMs = 10;
// Chunks of one transfer that may await their replies at a time: well within what the
// connection's received-package queue keeps.
const size_t kReplyWindow = IOHandle::MaxReceivedPackages / 2;
// Replies are looked for this often while a request waits.
const int kPollMs = 1;

const unsigned short kQueryBatteryPara = 86;
const unsigned short kQuerySerialPara = 78;
const unsigned char kProbeData[] = {'D', 'E', 'V', 'I', 'C', 'E', '?', '?'};

bool CanLoop(IOHandle *h)
{
    return h->m_workEnabled.load() && h->m_currentPort && h->m_currentPort->IsOpened();
}

bool TakePackage(IOHandle *h, unsigned short cmd, unsigned int para, NZReceivedProtoPackage &result)
{
    std::lock_guard<std::mutex> lock(h->m_packageMutex);
    for (auto it = h->m_packages.begin(); it != h->m_packages.end(); ++it) {
        if (it->cmd == cmd && it->para == para) {
            result = std::move(*it);
            h->m_packages.erase(it);
            return true;
        }
    }
    return false;
}

void ClearPackages(IOHandle *h)
{
    std::lock_guard<std::mutex> lock(h->m_packageMutex);
    h->m_packages.clear();
}

bool SendPackage(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para, unsigned int dataLen,
                 const unsigned char *data, unsigned int writeTimeoutMs)
{
    if (!h->m_currentPort || dataLen > NZProtoHandler::MaxDataLength || (!data && dataLen != 0))
        return false;
    unsigned char *package = static_cast<unsigned char *>(malloc(NZProtoHandler::HeaderSize + dataLen));
    if (!package)
        return false;
    unsigned int packageLen = 0;
    bool ok = NZProtoHandler::GenerateSendPackage(type, cmd, para, dataLen, data, package, &packageLen);
    if (ok)
        ok = h->m_currentPort->Write(package, packageLen, writeTimeoutMs) == static_cast<int>(packageLen);
    free(package);
    return ok;
}

bool SendAndRecv(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para, unsigned int dataLen,
                 const unsigned char *data, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                 NZReceivedProtoPackage &reply)
{
    if (!CanLoop(h) || !SendPackage(h, type, cmd, para, dataLen, data, writeTimeoutMs))
        return false;
    NZMsTimer timer(replyTimeoutMs);
    for (;;) {
        if (timer.IsUp() || !CanLoop(h))
            return false;
        if (TakePackage(h, cmd, para, reply))
            return true;
        NZIOSleep::SleepMs(kPollMs);
    }
}

// Empties the queue once, then up to `tries` attempts while the connection may work.
template <typename Attempt>
bool WithRetry(IOHandle *h, unsigned int tries, Attempt attempt)
{
    ClearPackages(h);
    for (unsigned int i = 0; i < tries && CanLoop(h); ++i) {
        if (attempt())
            return true;
        NZIOSleep::SleepMs(kRetryPauseMs);
    }
    return false;
}

// The replies of one chunked transfer: one slot per chunk, filled as replies come in any
// order. Replies are taken while the chunks are still being sent too.
class ChunkReplies {
public:
    ChunkReplies(unsigned short cmd, unsigned int paraBase, unsigned int step)
        : m_cmd(cmd), m_base(paraBase), m_step(step), m_missing(0)
    {
    }

    // One more chunk whose reply keeps at most keepBytes data bytes.
    void Expect(unsigned int keepBytes)
    {
        m_slots.emplace_back();
        m_keep.push_back(keepBytes);
        m_have.push_back(false);
        ++m_missing;
    }

    size_t Missing() const { return m_missing; }

    // Moves every queued reply that answers a chunk still waiting into its slot.
    void Collect(IOHandle *h)
    {
        std::lock_guard<std::mutex> lock(h->m_packageMutex);
        for (auto it = h->m_packages.begin(); m_missing > 0 && it != h->m_packages.end();) {
            const size_t slot = SlotOf(*it);
            if (slot == SIZE_MAX) {
                ++it;
                continue;
            }
            if (it->length > m_keep[slot])
                m_slots[slot] = NZReceivedProtoPackage(it->cmd, it->para, it->data, m_keep[slot]);
            else
                m_slots[slot] = std::move(*it);
            m_have[slot] = true;
            --m_missing;
            it = h->m_packages.erase(it);
        }
    }

    // The replies that came, in chunk order.
    void MoveTo(std::list<NZReceivedProtoPackage> &replies)
    {
        for (size_t i = 0; i < m_slots.size(); ++i)
            if (m_have[i])
                replies.push_back(std::move(m_slots[i]));
    }

private:
    size_t SlotOf(const NZReceivedProtoPackage &p) const
    {
        if (p.cmd != m_cmd)
            return SIZE_MAX;
        const unsigned int offset = p.para - m_base; // positions wrap with the 32-bit parameter
        if (offset % m_step != 0)
            return SIZE_MAX;
        const size_t slot = offset / m_step;
        return slot < m_slots.size() && !m_have[slot] ? slot : SIZE_MAX;
    }

    unsigned short m_cmd;
    unsigned int m_base;
    unsigned int m_step;
    size_t m_missing;
    std::vector<NZReceivedProtoPackage> m_slots;
    std::vector<unsigned int> m_keep;
    std::vector<bool> m_have;
};

// What a chunked transfer keeps of each reply's data.
enum class KeepReplyData { All, None, ChunkShare };

// One chunked transfer. With data, chunks of up to `step` bytes are sent; without, each
// chunk is an empty request for the next `step` bytes. The printer chooses the reply
// lengths, so only what is kept of them is held until the transfer ends.
bool TransferChunks(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    const unsigned char *data, unsigned int step, unsigned int writeTimeoutMs,
                    unsigned int replyTimeoutMs, KeepReplyData keep, std::list<NZReceivedProtoPackage> &replies)
{
    replies.clear();
    if (total == 0)
        return true;
    if (step == 0)
        return false;
    ChunkReplies pending(cmd, paraBase, step);
    unsigned int position = 0;
    while (position < total && CanLoop(h)) {
        // Replies that come in one burst must all fit the connection's queue: with a full
        // window, wait (up to the reply time-out) for some before sending more.
        if (pending.Missing() >= kReplyWindow) {
            NZMsTimer windowTimer(replyTimeoutMs);
            for (;;) {
                pending.Collect(h);
                if (pending.Missing() < kReplyWindow || windowTimer.IsUp() || !CanLoop(h))
                    break;
                NZIOSleep::SleepMs(kPollMs);
            }
            if (pending.Missing() >= kReplyWindow)
                break;
        }
        const unsigned int n = total - position < step ? total - position : step;
        const bool sent = data ? SendPackage(h, type, cmd, paraBase + position, n, data + position, writeTimeoutMs)
                               : SendPackage(h, type, cmd, paraBase + position, 0, nullptr, writeTimeoutMs);
        if (!sent)
            break;
        pending.Expect(keep == KeepReplyData::All ? UINT_MAX : keep == KeepReplyData::None ? 0 : n);
        position += n;
        pending.Collect(h);
    }
    if (position < total)
        return false;
    NZMsTimer timer(replyTimeoutMs);
    while (pending.Missing() > 0 && !timer.IsUp() && CanLoop(h)) {
        pending.Collect(h);
        if (pending.Missing() > 0)
            NZIOSleep::SleepMs(kPollMs);
    }
    pending.MoveTo(replies);
    return pending.Missing() == 0;
}

bool SendData(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
              const unsigned char *data, unsigned short chunkSize, unsigned int writeTimeoutMs,
              unsigned int replyTimeoutMs, KeepReplyData keep, std::list<NZReceivedProtoPackage> &replies)
{
    if (total != 0 && !data) {
        replies.clear();
        return false;
    }
    return TransferChunks(h, type, cmd, paraBase, total, data, chunkSize, writeTimeoutMs, replyTimeoutMs, keep,
                          replies);
}

bool RecvData(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
              unsigned int writeTimeoutMs, unsigned int replyTimeoutMs, std::list<NZReceivedProtoPackage> &replies)
{
    // A reply holds the bytes of its own chunk; anything beyond belongs to no request.
    return TransferChunks(h, type, cmd, paraBase, total, nullptr, kRecvChunkSize, writeTimeoutMs, replyTimeoutMs,
                          KeepReplyData::ChunkShare, replies);
}

// Request and reply with retries, the reply's data copied into the caller's buffer.
int RequestIntoBuffer(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para, unsigned int dataLen,
                      const unsigned char *data, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                      unsigned int bufferSize, unsigned char *buffer, unsigned int *receivedLength,
                      unsigned int tries)
{
    if (dataLen > NZProtoHandler::MaxDataLength || (!data && dataLen != 0))
        return 0;
    NZReceivedProtoPackage reply;
    const bool ok = WithRetry(h, tries, [&]() {
        return SendAndRecv(h, type, cmd, para, dataLen, data, writeTimeoutMs, replyTimeoutMs, reply);
    });
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
    return SendPackage(h, NZProtoHandler::SystemType, cmd, 0, dataLen, data, kSettingWriteTimeoutMs) ? 1 : 0;
}

// Decimal number in the way of atoi, never reading past `len` bytes; values beyond the
// range of int are clamped.
int ParseDecimal(const unsigned char *p, unsigned int len)
{
    unsigned int i = 0;
    while (i < len && (p[i] == ' ' || (p[i] >= '\t' && p[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < len && (p[i] == '+' || p[i] == '-')) {
        negative = p[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < len && p[i] >= '0' && p[i] <= '9'; ++i) {
        value = value * 10 + (p[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative)
        return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
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

// ---- Internal operations ---------------------------------------------------------------

bool Proto_GetAndRemoveReceivedProtoPackage(void *handle, unsigned short cmd, unsigned int para,
                                            NZReceivedProtoPackage &result)
{
    HandleGuard h(handle);
    return h && TakePackage(h.get(), cmd, para, result);
}

unsigned int Proto_GetReceivedProtoPackageCount(void *handle)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_packageMutex);
    return static_cast<unsigned int>(h->m_packages.size());
}

void Proto_ClearReceivedProtoPackages(void *handle)
{
    HandleGuard h(handle);
    if (h)
        ClearPackages(h.get());
}

void Proto_SetWorkEnabled(void *handle)
{
    HandleGuard h(handle);
    if (h)
        h->m_workEnabled = true;
}

void Proto_SetWorkDisabled(void *handle)
{
    HandleGuard h(handle);
    if (h)
        h->m_workEnabled = false;
}

bool Proto_IsWorkEnabled(void *handle)
{
    HandleGuard h(handle);
    return h && h->m_workEnabled.load();
}

bool Proto_CanLoop(void *handle)
{
    HandleGuard h(handle);
    return h && CanLoop(h.get());
}

bool Proto_SendPackage(void *handle, unsigned char type, unsigned short cmd, unsigned int para, unsigned int dataLen,
                       const unsigned char *data, unsigned int writeTimeoutMs)
{
    HandleGuard h(handle);
    return h && SendPackage(h.get(), type, cmd, para, dataLen, data, writeTimeoutMs);
}

bool Proto_SendPackageAndRecvResponse(void *handle, unsigned char type, unsigned short cmd, unsigned int para,
                                      unsigned int dataLen, const unsigned char *data, unsigned int writeTimeoutMs,
                                      unsigned int replyTimeoutMs, NZReceivedProtoPackage &reply)
{
    HandleGuard h(handle);
    return h && SendAndRecv(h.get(), type, cmd, para, dataLen, data, writeTimeoutMs, replyTimeoutMs, reply);
}

bool Proto_SendPackageAndRecvResponseWithRetry(void *handle, unsigned char type, unsigned short cmd,
                                               unsigned int para, unsigned int dataLen, const unsigned char *data,
                                               unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                                               NZReceivedProtoPackage &reply, unsigned int tries)
{
    HandleGuard h(handle);
    return h && WithRetry(h.get(), tries, [&]() {
               return SendAndRecv(h.get(), type, cmd, para, dataLen, data, writeTimeoutMs, replyTimeoutMs, reply);
           });
}

bool Proto_SendData(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    const unsigned char *data, unsigned short chunkSize, unsigned int writeTimeoutMs,
                    unsigned int replyTimeoutMs, std::list<NZReceivedProtoPackage> &replies)
{
    HandleGuard h(handle);
    return h && SendData(h.get(), type, cmd, paraBase, total, data, chunkSize, writeTimeoutMs, replyTimeoutMs,
                         KeepReplyData::All, replies);
}

bool Proto_SendDataWithRetry(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase,
                             unsigned int total, const unsigned char *data, unsigned short chunkSize,
                             unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                             std::list<NZReceivedProtoPackage> &replies, unsigned int tries)
{
    HandleGuard h(handle);
    return h && WithRetry(h.get(), tries, [&]() {
               return SendData(h.get(), type, cmd, paraBase, total, data, chunkSize, writeTimeoutMs, replyTimeoutMs,
                               KeepReplyData::All, replies);
           });
}

bool Proto_RecvData(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                    std::list<NZReceivedProtoPackage> &replies)
{
    HandleGuard h(handle);
    return h && RecvData(h.get(), type, cmd, paraBase, total, writeTimeoutMs, replyTimeoutMs, replies);
}

bool Proto_RecvDataWithRetry(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase,
                             unsigned int total, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                             std::list<NZReceivedProtoPackage> &replies, unsigned int tries)
{
    HandleGuard h(handle);
    return h && WithRetry(h.get(), tries, [&]() {
               return RecvData(h.get(), type, cmd, paraBase, total, writeTimeoutMs, replyTimeoutMs, replies);
           });
}

// ---- C interface -----------------------------------------------------------------------

extern "C" CP_API CP_Handle CP_Proto_OpenCom(const char *name, int baudrate, CP_ComDataBits databits,
                                             CP_ComParity parity, CP_ComStopBits stopbits)
{
    return Port_OpenCom(name, static_cast<unsigned int>(baudrate), databits, parity, stopbits,
                        CP_ComFlowControl_None, 0);
}

extern "C" CP_API CP_Handle CP_Proto_OpenUsb(const char *name)
{
    return Port_OpenUsb(name, 0);
}

extern "C" CP_API CP_Handle CP_Proto_OpenUdp(const char *local_ip, unsigned short local_port, const char *dest_ip,
                                             unsigned short dest_port)
{
    return Port_OpenUdp(local_ip, local_port, dest_ip, dest_port);
}

extern "C" CP_API int CP_Proto_SetComBaudrate(CP_Handle handle, int baudrate)
{
    HandleGuard h(handle);
    if (!h || h->m_openParams.portType != CP_PORT_TYPE_COM)
        return 0;
    return h->m_comIO.SetBaudrate(baudrate) ? 1 : 0;
}

extern "C" CP_API int CP_Proto_SetWorkEnabled(CP_Handle handle, int enabled)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    h->m_workEnabled = enabled != 0;
    return 1;
}

extern "C" CP_API int CP_Proto_IsWorkEnabled(CP_Handle handle)
{
    HandleGuard h(handle);
    return h && h->m_workEnabled.load() ? 1 : 0;
}

extern "C" CP_API int CP_Proto_SendPackageAndRecvResponseWithRetry(
    CP_Handle handle, unsigned char type, unsigned short command, unsigned int parameter, unsigned int data_length,
    const unsigned char *data, unsigned int write_timeout, unsigned int reply_timeout, unsigned int buffer_size,
    unsigned char *buffer, unsigned int *received_length, unsigned int tries)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    return RequestIntoBuffer(h.get(), type, command, parameter, data_length, data, write_timeout, reply_timeout,
                             buffer_size, buffer, received_length, tries);
}

extern "C" CP_API int CP_Proto_SendDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                                 unsigned int parameter_base, unsigned int total_length,
                                                 const unsigned char *data, unsigned short chunk_size,
                                                 unsigned int write_timeout, unsigned int reply_timeout,
                                                 unsigned int tries)
{
    HandleGuard h(handle);
    if (!h || (total_length != 0 && (!data || chunk_size == 0)))
        return 0;
    std::list<NZReceivedProtoPackage> replies;
    return WithRetry(h.get(), tries, [&]() {
               // The replies are only counted: none of their data is kept.
               return SendData(h.get(), type, command, parameter_base, total_length, data, chunk_size, write_timeout,
                               reply_timeout, KeepReplyData::None, replies);
           })
               ? 1
               : 0;
}

extern "C" CP_API int CP_Proto_RecvDataWithRetry(CP_Handle handle, unsigned char type, unsigned short command,
                                                 unsigned int parameter_base, unsigned int write_timeout,
                                                 unsigned int reply_timeout, unsigned int total_length,
                                                 unsigned char *buffer, unsigned int *received_length,
                                                 unsigned int tries)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::list<NZReceivedProtoPackage> replies;
    const bool ok = WithRetry(h.get(), tries, [&]() {
        return RecvData(h.get(), type, command, parameter_base, total_length, write_timeout, reply_timeout, replies);
    });
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
}

extern "C" CP_API int CP_Proto_CommunicationTest(CP_Handle handle, unsigned char type, unsigned int write_timeout,
                                                 unsigned int reply_timeout, unsigned int buffer_size,
                                                 unsigned char *buffer, unsigned int *received_length,
                                                 unsigned int tries)
{
    return CP_Proto_SendPackageAndRecvResponseWithRetry(handle, type, NZPROTO_CMD_DEVICE_PROBE, 0,
                                                        sizeof(kProbeData), kProbeData, write_timeout, reply_timeout,
                                                        buffer_size, buffer, received_length, tries);
}

extern "C" CP_API int CP_Proto_ClearParameters(CP_Handle handle, unsigned char type, unsigned int write_timeout,
                                               unsigned int reply_timeout, unsigned int tries)
{
    return CP_Proto_SendPackageAndRecvResponseWithRetry(handle, type, NZPROTO_CMD_CLEAR_PARAMS, 0, 0, nullptr,
                                                        write_timeout, reply_timeout, 0, nullptr, nullptr, tries);
}

extern "C" CP_API int CP_Proto_StopAtBootBySenda(CP_Handle handle)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    {
        std::lock_guard<std::mutex> lock(h->m_rxMutex);
        h->m_rxBuffer.Reset();
    }
    static const unsigned char a = 'a';
    while (CanLoop(h.get())) {
        unsigned char b = 0;
        if (TakeReceivedByte(h.get(), b) && b == a)
            return 1;
        h->m_currentPort->Write(&a, 1, kSettingWriteTimeoutMs);
        NZIOSleep::SleepMs(kStopAtBootPauseMs);
    }
    return 0;
}

extern "C" CP_API int CP_Proto_QueryBatteryLevel(CP_Handle handle, unsigned int timeout)
{
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
    return ParseDecimal(kept + kBatteryNumberOffset, length - kBatteryNumberOffset);
}

extern "C" CP_API int CP_Proto_QuerySerialNumber(CP_Handle handle, char *buffer, unsigned int size,
                                                 unsigned int timeout)
{
    HandleGuard h(handle);
    if (!h || !buffer)
        return -1;
    h->m_workEnabled = true;
    unsigned int length = 0;
    if (!RequestIntoBuffer(h.get(), NZProtoHandler::SystemType, NZPROTO_CMD_QUERY, kQuerySerialPara, 0, nullptr,
                           timeout, timeout, size, reinterpret_cast<unsigned char *>(buffer), &length, 1))
        return -1;
    return length > INT_MAX ? INT_MAX : static_cast<int>(length);
}

extern "C" CP_API int CP_Proto_SetSystemNameAndSerialNumber(CP_Handle handle, const char *name,
                                                            const char *serial_number)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    return SendTwoTexts(h.get(), NZPROTO_CMD_SET_SYSTEM_NAME_SN, name, serial_number);
}

extern "C" CP_API int CP_Proto_SetBluetoothNameAndPassword(CP_Handle handle, const char *name, const char *password)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    return SendTwoTexts(h.get(), NZPROTO_CMD_SET_BT_NAME_PASSWORD, name, password);
}

extern "C" CP_API int CP_Proto_SetPTPBasicParameters(CP_Handle handle, unsigned int value1, unsigned char value2,
                                                     unsigned char value3, unsigned char value4, unsigned char value5,
                                                     unsigned short value6, unsigned short value7,
                                                     unsigned short value8, unsigned short value9)
{
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
    return SendPackage(h.get(), NZProtoHandler::SystemType, NZPROTO_CMD_SET_PTP_PARAMS, 0, sizeof(data), data,
                       kSettingWriteTimeoutMs)
               ? 1
               : 0;
}
