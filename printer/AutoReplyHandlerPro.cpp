#include "printer/AutoReplyHandlerPro.h"

#include <cstring>

namespace {

unsigned char XorBytes(const unsigned char* p, unsigned int n)
{
    unsigned char x = 0;
    for (unsigned int i = 0; i < n; ++i)
        x ^= p[i];
    return x;
}

// Replaces the bits selected by mask with value, in unsigned arithmetic.
long long SetBits(long long bits, unsigned long long mask, unsigned long long value)
{
    unsigned long long u = (unsigned long long)bits;
    u = (u & ~mask) | (value & mask);
    return (long long)u;
}

}  // namespace

AutoReplyHandlerPro::AutoReplyHandlerPro() : count(0)
{
    memset(buf, 0, sizeof(buf));
    ResetReceived();
}

void AutoReplyHandlerPro::ResetReceived()
{
    count = 0;
}

bool AutoReplyHandlerPro::CheckHead(const unsigned char* p, unsigned int length)
{
    if (length == 0)
        return true;
    if (!p || p[0] != HeadByte)
        return false;
    if (length < FrameSize)
        return true;
    return XorBytes(p, FrameSize) == 0;
}

void AutoReplyHandlerPro::ResetHead(const unsigned char* src, unsigned int srcLength,
                                    unsigned char* dst, unsigned int* outLength)
{
    unsigned int kept = 0;
    if (src && dst && srcLength >= 2) {
        unsigned int i = 1;
        while (i < srcLength && !CheckHead(src + i, srcLength - i))
            ++i;
        kept = srcLength - i;
        if (kept)
            memmove(dst, src + i, kept);
    }
    if (outLength)
        *outLength = kept;
}

bool AutoReplyHandlerPro::IsFrame(const unsigned char* p)
{
    return p && p[0] == HeadByte && p[6] <= MaxType && XorBytes(p, FrameSize) == 0;
}

bool AutoReplyHandlerPro::HandleReceivedData(unsigned char b, unsigned char* frame,
                                             unsigned int frameSize, unsigned int* frameLen,
                                             unsigned char* pass, unsigned int passSize,
                                             unsigned int* passLen)
{
    if (frameLen)
        *frameLen = 0;
    if (passLen)
        *passLen = 0;
    if (!frame || !frameLen || !pass || !passLen)
        return false;

    // Work on a copy of the state so that a byte whose output does not fit is
    // refused without changing anything.
    unsigned char next[FrameSize];
    unsigned int nextCount = count;
    memcpy(next, buf, count);
    unsigned char out[FrameSize];
    unsigned int outLen = 0;
    bool isFrame = false;

    if (nextCount == 0) {
        if (b == HeadByte)
            next[nextCount++] = b;
        else
            out[outLen++] = b;
    } else {
        next[nextCount++] = b;
        if (nextCount == FrameSize) {
            if (IsFrame(next)) {
                memcpy(out, next, FrameSize);
                outLen = FrameSize;
                isFrame = true;
                nextCount = 0;
            } else {
                // Not a frame: release the bytes before the next 0x53 as data and
                // keep the rest as the start of a new frame.
                memcpy(out, next, FrameSize);
                unsigned int kept = 0;
                ResetHead(next, FrameSize, next, &kept);
                outLen = FrameSize - kept;
                nextCount = kept;
            }
        }
    }

    if (isFrame ? outLen > frameSize : outLen > passSize)
        return false;

    memcpy(buf, next, nextCount);
    count = nextCount;
    if (isFrame) {
        memcpy(frame, out, outLen);
        *frameLen = outLen;
    } else if (outLen) {
        memcpy(pass, out, outLen);
        *passLen = outLen;
    }
    return true;
}

bool AutoReplyHandlerPro::FrameUpdatesRecord(unsigned char type)
{
    switch (type) {
    case AUTOREPLY_FRAME_STATUS:
    case AUTOREPLY_FRAME_RESOLUTION:
    case AUTOREPLY_FRAME_PRINTED:
    case AUTOREPLY_FRAME_RECEIVED:
    case AUTOREPLY_FRAME_POSITION_ADJUSTMENT:
    case AUTOREPLY_FRAME_EXTENDED_ERROR:
        return true;
    default:
        return false;
    }
}

AutoReplyFrameEvent AutoReplyHandlerPro::ApplyFrame(const unsigned char* f, long long timeMs,
                                                    AutoReplyModePrinterStatus* status,
                                                    AutoReplyModePrinterInfo* info,
                                                    AutoReplyModePrinterPositionAdjustment* adjustment,
                                                    AutoReplyModePrinterReceived* received,
                                                    AutoReplyModePrinterPrinted* printed)
{
    if (!IsFrame(f))
        return AUTOREPLY_EVENT_NONE;
    const unsigned int d1 = f[1], d2 = f[2], d3 = f[3], d4 = f[4], d5 = f[5];

    switch (f[6]) {
    case AUTOREPLY_FRAME_STATUS:
        if (!status)
            break;
        status->status = (unsigned char)d1;
        status->infoStatus = SetBits(status->infoStatus, 0xFFull, d2);
        status->errorStatus = SetBits(status->errorStatus, 0xFFull, d3);
        status->statusWord = (unsigned short)(d4 * 256u + d5);
        status->time = timeMs;
        return AUTOREPLY_EVENT_STATUS;
    case AUTOREPLY_FRAME_RESOLUTION:
        if (!info)
            break;
        info->firstResolution = (unsigned char)d4;
        info->secondResolution = (unsigned char)d5;
        info->dotsPerMm = (unsigned char)d3;
        info->time = timeMs;
        return AUTOREPLY_EVENT_NONE;
    case AUTOREPLY_FRAME_PRINTED:
        if (!printed)
            break;
        printed->count = d1 | (d2 << 8) | (d3 << 16) | (d4 << 24);
        printed->time = timeMs;
        return AUTOREPLY_EVENT_PRINTED;
    case AUTOREPLY_FRAME_RECEIVED:
        if (!received)
            break;
        received->count = (d1 << 24) | (d2 << 16) | (d3 << 8) | d4;
        received->time = timeMs;
        return AUTOREPLY_EVENT_RECEIVED;
    case AUTOREPLY_FRAME_POSITION_ADJUSTMENT:
        if (!adjustment)
            break;
        adjustment->firstAdjustment = (signed char)(unsigned char)d2;
        adjustment->secondAdjustment = (signed char)(unsigned char)d1;
        adjustment->time = timeMs;
        return AUTOREPLY_EVENT_NONE;
    case AUTOREPLY_FRAME_EXTENDED_ERROR:
        if (!status)
            break;
        status->errorStatus =
            SetBits(status->errorStatus, 0xFFFF00ull, ((unsigned long long)d1 << 16) | (d2 << 8));
        status->time = timeMs;
        return AUTOREPLY_EVENT_STATUS;
    default:
        break;
    }
    return AUTOREPLY_EVENT_NONE;
}
