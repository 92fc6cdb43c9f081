// The request engine of the packet protocol: the received-package queue of a connection,
// its work switch, one request and its reply, retries and chunked transfers both ways.
#include "quorvane/proto_requests.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"

namespace {

const unsigned int kRetryPauseMs = 100;
const unsigned int kRecvChunkSize = 256;
// Replies are looked for this often while a request waits.
const int kPollMs = 1;

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
    // Owned across the write: a cancelled caller's unwinding frees it.
    const std::unique_ptr<unsigned char, NZFree> package(
        static_cast<unsigned char *>(malloc(NZProtoHandler::HeaderSize + dataLen)));
    if (!package)
        return false;
    unsigned int packageLen = 0;
    if (!NZProtoHandler::GenerateSendPackage(type, cmd, para, dataLen, data, package.get(), &packageLen))
        return false;
    return h->m_currentPort->Write(package.get(), packageLen, writeTimeoutMs) == static_cast<int>(packageLen);
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
// order. While the transfer runs it is the handle's reply sink: the receive path hands it
// every reply to a chunk already sent, so none of them waits in the received-package list,
// whose cap keeps only floods in check. Replies already queued (late ones of an earlier
// try) are taken from the list as well.
//
// The printer chooses the reply lengths. Kept up to the total, the replies' data put
// together in chunk order are cut there: a reply keeps only what falls within the first
// `total` bytes of the replies come so far. A reply still missing can only push later
// data further back, so nothing cut is ever needed, and what is kept stays within the
// total (plus the one reply being taken) whatever the replies' lengths and order.
class ChunkReplies final : public ProtoReplySink {
public:
    // The connection's transfer claim is held (TransferClaim): no other sink is set.
    ChunkReplies(IOHandle *h, unsigned short cmd, unsigned int paraBase, unsigned int step, KeepReplyData keep,
                 unsigned int total)
        : m_h(h), m_cmd(cmd), m_base(paraBase), m_step(step), m_keep(keep), m_total(total), m_kept(0), m_sent(0),
          m_missing(0)
    {
        std::lock_guard<std::mutex> lock(m_h->m_packageMutex);
        m_h->m_replySink = this;
    }

    ~ChunkReplies()
    {
        std::lock_guard<std::mutex> lock(m_h->m_packageMutex);
        if (m_h->m_replySink == this)
            m_h->m_replySink = nullptr;
    }

    ChunkReplies(const ChunkReplies &) = delete;
    ChunkReplies &operator=(const ChunkReplies &) = delete;

    // The next chunk was sent. Slots grow with the chunks actually sent, never ahead of them.
    void Sent()
    {
        std::lock_guard<std::mutex> lock(m_h->m_packageMutex);
        m_slots.emplace_back();
        m_have.push_back(false);
        ++m_sent;
        ++m_missing;
        // A reply may already wait in the list (a late one of an earlier try).
        for (auto it = m_h->m_packages.begin(); it != m_h->m_packages.end();) {
            if (Offer(*it))
                it = m_h->m_packages.erase(it);
            else
                ++it;
        }
    }

    size_t Missing()
    {
        std::lock_guard<std::mutex> lock(m_h->m_packageMutex);
        return m_missing;
    }

    // Under the package lock: takes a reply to a chunk sent and still unanswered.
    bool Offer(NZReceivedProtoPackage &p) override
    {
        const size_t slot = SlotOf(p);
        if (slot == SIZE_MAX)
            return false;
        const unsigned int length = p.length;
        if (m_keep == KeepReplyData::None && length != 0)
            m_slots[slot] = NZReceivedProtoPackage(p.cmd, p.para, nullptr, 0);
        else
            m_slots[slot] = std::move(p);
        m_have[slot] = true;
        --m_missing;
        if (m_keep == KeepReplyData::UpToTotal) {
            if (length <= m_total - m_kept)
                m_kept += length; // all replies so far fit: nothing to cut
            else
                CutAtTotal();
        }
        return true;
    }

    // The replies that came, in chunk order.
    void MoveTo(std::list<NZReceivedProtoPackage> &replies)
    {
        std::lock_guard<std::mutex> lock(m_h->m_packageMutex);
        for (size_t i = 0; i < m_sent; ++i)
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
        return slot < m_sent && !m_have[slot] ? slot : SIZE_MAX;
    }

    // Cuts the replies come so far, put together in chunk order, at the total.
    void CutAtTotal()
    {
        unsigned int kept = 0;
        for (size_t i = 0; i < m_sent; ++i) {
            NZReceivedProtoPackage &r = m_slots[i];
            const unsigned int room = m_total - kept;
            if (r.length > room)
                r = NZReceivedProtoPackage(r.cmd, r.para, r.data, room);
            kept += r.length;
        }
        m_kept = kept;
    }

    IOHandle *m_h;
    unsigned short m_cmd;
    unsigned int m_base;
    unsigned int m_step;
    KeepReplyData m_keep;
    unsigned int m_total;
    unsigned int m_kept; // UpToTotal: data bytes kept in all slots, at most m_total
    size_t m_sent;
    size_t m_missing;
    std::vector<NZReceivedProtoPackage> m_slots;
    std::vector<bool> m_have;
};

// One chunked transfer. With data, chunks of up to `step` bytes are sent; without, each
// chunk is an empty request for the next `step` bytes. Every chunk is sent, then the
// replies are awaited in any order. The printer chooses the reply lengths, so only what
// is kept of them is held until the transfer ends.
bool TransferChunks(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    const unsigned char *data, unsigned int step, unsigned int writeTimeoutMs,
                    unsigned int replyTimeoutMs, KeepReplyData keep, std::list<NZReceivedProtoPackage> &replies)
{
    replies.clear();
    if (total == 0)
        return true;
    if (step == 0)
        return false;
    ChunkReplies pending(h, cmd, paraBase, step, keep, total);
    unsigned int position = 0;
    while (position < total && CanLoop(h)) {
        const unsigned int n = total - position < step ? total - position : step;
        const bool sent = data ? SendPackage(h, type, cmd, paraBase + position, n, data + position, writeTimeoutMs)
                               : SendPackage(h, type, cmd, paraBase + position, 0, nullptr, writeTimeoutMs);
        if (!sent)
            break;
        pending.Sent();
        position += n;
    }
    if (position < total)
        return false;
    NZMsTimer timer(replyTimeoutMs);
    while (pending.Missing() > 0 && !timer.IsUp() && CanLoop(h))
        NZIOSleep::SleepMs(kPollMs);
    pending.MoveTo(replies);
    return pending.Missing() == 0;
}

// One chunked transfer call at a time per connection: the call holds the claim for all
// its tries, and a call that finds it taken fails at once, sending nothing. (Waiting for
// the running one could keep the caller far past its own time-out.)
class TransferClaim {
public:
    explicit TransferClaim(IOHandle *h) : m_h(h), m_held(!h->m_transferClaimed.exchange(true)) {}
    ~TransferClaim()
    {
        if (m_held)
            m_h->m_transferClaimed = false;
    }
    TransferClaim(const TransferClaim &) = delete;
    TransferClaim &operator=(const TransferClaim &) = delete;
    explicit operator bool() const { return m_held; }

private:
    IOHandle *m_h;
    bool m_held;
};

// Runs call() holding the connection's transfer claim; false at once when it is taken.
template <typename Call>
bool Claimed(IOHandle *h, std::list<NZReceivedProtoPackage> &replies, Call call)
{
    TransferClaim claim(h);
    if (!claim) {
        replies.clear();
        return false;
    }
    return call();
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
    // The replies' data are put together and cut at the total: nothing past it is kept.
    return TransferChunks(h, type, cmd, paraBase, total, nullptr, kRecvChunkSize, writeTimeoutMs, replyTimeoutMs,
                          KeepReplyData::UpToTotal, replies);
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
    return h && Claimed(h.get(), replies, [&]() {
               return SendData(h.get(), type, cmd, paraBase, total, data, chunkSize, writeTimeoutMs, replyTimeoutMs,
                               KeepReplyData::All, replies);
           });
}

bool Proto_SendDataWithRetry(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase,
                             unsigned int total, const unsigned char *data, unsigned short chunkSize,
                             unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                             std::list<NZReceivedProtoPackage> &replies, unsigned int tries)
{
    HandleGuard h(handle);
    return h && ProtoRequest_SendDataWithRetry(h.get(), type, cmd, paraBase, total, data, chunkSize, writeTimeoutMs,
                                               replyTimeoutMs, KeepReplyData::All, replies, tries);
}

bool Proto_RecvData(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase, unsigned int total,
                    unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                    std::list<NZReceivedProtoPackage> &replies)
{
    HandleGuard h(handle);
    return h && Claimed(h.get(), replies, [&]() {
               return RecvData(h.get(), type, cmd, paraBase, total, writeTimeoutMs, replyTimeoutMs, replies);
           });
}

bool Proto_RecvDataWithRetry(void *handle, unsigned char type, unsigned short cmd, unsigned int paraBase,
                             unsigned int total, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                             std::list<NZReceivedProtoPackage> &replies, unsigned int tries)
{
    HandleGuard h(handle);
    return h && ProtoRequest_RecvDataWithRetry(h.get(), type, cmd, paraBase, total, writeTimeoutMs, replyTimeoutMs,
                                               replies, tries);
}

// ---- Forms for callers that already hold a registry reference ------------------------

bool ProtoRequest_CanLoop(IOHandle *h)
{
    return CanLoop(h);
}

bool ProtoRequest_SendPackage(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para,
                              unsigned int dataLen, const unsigned char *data, unsigned int writeTimeoutMs)
{
    return SendPackage(h, type, cmd, para, dataLen, data, writeTimeoutMs);
}

bool ProtoRequest_WithRetry(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int para,
                            unsigned int dataLen, const unsigned char *data, unsigned int writeTimeoutMs,
                            unsigned int replyTimeoutMs, NZReceivedProtoPackage &reply, unsigned int tries)
{
    return WithRetry(h, tries, [&]() {
        return SendAndRecv(h, type, cmd, para, dataLen, data, writeTimeoutMs, replyTimeoutMs, reply);
    });
}

bool ProtoRequest_SendDataWithRetry(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase,
                                    unsigned int total, const unsigned char *data, unsigned short chunkSize,
                                    unsigned int writeTimeoutMs, unsigned int replyTimeoutMs, KeepReplyData keep,
                                    std::list<NZReceivedProtoPackage> &replies, unsigned int tries)
{
    return Claimed(h, replies, [&]() {
        return WithRetry(h, tries, [&]() {
            return SendData(h, type, cmd, paraBase, total, data, chunkSize, writeTimeoutMs, replyTimeoutMs, keep,
                            replies);
        });
    });
}

bool ProtoRequest_RecvDataWithRetry(IOHandle *h, unsigned char type, unsigned short cmd, unsigned int paraBase,
                                    unsigned int total, unsigned int writeTimeoutMs, unsigned int replyTimeoutMs,
                                    std::list<NZReceivedProtoPackage> &replies, unsigned int tries)
{
    return Claimed(h, replies, [&]() {
        return WithRetry(h, tries, [&]() {
            return RecvData(h, type, cmd, paraBase, total, writeTimeoutMs, replyTimeoutMs, replies);
        });
    });
}
