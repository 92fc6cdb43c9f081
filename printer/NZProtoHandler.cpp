#include "printer/NZProtoHandler.h"

#include <cstdlib>
#include <cstring>

#include "ports/NZUtils.h"

// ---- writer -----------------------------------------------------------------

unsigned char NZProtoHandler::Xor(const unsigned char* p, size_t n)
{
    unsigned char x = 0;
    for (size_t i = 0; i < n; ++i)
        x ^= p[i];
    return x;
}

bool NZProtoHandler::GenerateSendPackage(unsigned char type, unsigned short cmd, unsigned int para,
                                         unsigned int dataLen, const unsigned char* data,
                                         unsigned char* out, unsigned int* outLen)
{
    if (outLen)
        *outLen = 0;
    if (!out || !outLen || dataLen > MaxDataLength || (dataLen != 0 && !data))
        return false;

    out[0] = StartByte;
    out[1] = type;
    out[2] = (unsigned char)(cmd & 0xFF);
    out[3] = (unsigned char)(cmd >> 8);
    out[4] = (unsigned char)(para & 0xFF);
    out[5] = (unsigned char)((para >> 8) & 0xFF);
    out[6] = (unsigned char)((para >> 16) & 0xFF);
    out[7] = (unsigned char)((para >> 24) & 0xFF);
    out[8] = (unsigned char)(dataLen & 0xFF);
    out[9] = (unsigned char)((dataLen >> 8) & 0xFF);
    out[10] = Xor(out, 10);
    out[11] = dataLen ? Xor(data, dataLen) : 0;
    if (dataLen)
        memmove(out + HeaderSize, data, dataLen);
    *outLen = HeaderSize + dataLen;
    return true;
}

// ---- reader -----------------------------------------------------------------

NZProtoHandlerPro::NZProtoHandlerPro()
    : headCount(0), data(nullptr), dataCount(0),
      checkHeadXor(true), checkDataXor(true)
{
    memset(head, 0, sizeof(head));
    ResetHandler();
}

NZProtoHandlerPro::~NZProtoHandlerPro()
{
    free(data);
}

void NZProtoHandlerPro::ResetHandler()
{
    headCount = 0;
    dataCount = 0;
}

unsigned short NZProtoHandlerPro::GetResultCmd() const
{
    return (unsigned short)(head[2] | (head[3] << 8));
}

unsigned int NZProtoHandlerPro::GetResultPara() const
{
    return (unsigned int)head[4] | ((unsigned int)head[5] << 8) | ((unsigned int)head[6] << 16) |
           ((unsigned int)head[7] << 24);
}

unsigned short NZProtoHandlerPro::GetResultRecvlen() const
{
    return (unsigned short)(head[8] | (head[9] << 8));
}

unsigned char* NZProtoHandlerPro::GetResultRecvbuf() const
{
    return data;
}

bool NZProtoHandlerPro::HandleByte(unsigned char b)
{
    // A completed package still sitting in the reader: the caller did not reset,
    // so this byte begins the next package instead of running past the data.
    if (headCount == NZProtoHandler::HeaderSize && dataCount >= GetResultRecvlen())
        ResetHandler();

    if (headCount == 0) {
        if (b == NZProtoHandler::StartByte) {
            head[0] = b;
            headCount = 1;
        }
        return false;
    }

    if (headCount < NZProtoHandler::HeaderSize) {
        head[headCount++] = b;
        if (headCount < NZProtoHandler::HeaderSize)
            return false;
        dataCount = 0;
        // The data buffer comes with the first package: a connection that never receives
        // one holds none.
        if (!data)
            data = (unsigned char*)malloc(NZProtoHandler::MaxDataLength + 1);
        if (checkHeadXor && NZProtoHandler::Xor(head, 10) != head[10]) {
            ResetHead(head, headCount, head, &headCount);
            return false;
        }
        return GetResultRecvlen() == 0;
    }

    if (!data) {
        // No data buffer (allocation failed): nothing with data can be read.
        ResetHandler();
        return false;
    }
    data[dataCount++] = b;
    if (dataCount < GetResultRecvlen())
        return false;
    if (!checkDataXor || NZProtoHandler::Xor(data, dataCount) == head[11])
        return true;
    ResetHandler();
    return false;
}

bool NZProtoHandlerPro::CheckHead(const unsigned char* p, unsigned int count)
{
    if (count == 0)
        return true;
    if (!p || p[0] != NZProtoHandler::StartByte)
        return false;
    if (count <= 10)
        return true;
    return NZProtoHandler::Xor(p, 11) == 0;
}

void NZProtoHandlerPro::ResetHead(const unsigned char* src, unsigned int count, unsigned char* dst,
                                  unsigned int* newCount)
{
    unsigned int kept = 0;
    if (src && dst) {
        for (unsigned int i = 1; i < count; ++i) {
            if (CheckHead(src + i, count - i)) {
                kept = count - i;
                memmove(dst, src + i, kept);
                break;
            }
        }
    }
    if (newCount)
        *newCount = kept;
}

// ---- received package -------------------------------------------------------

NZReceivedProtoPackage::NZReceivedProtoPackage()
{
    InitProtoPackage();
}

NZReceivedProtoPackage::NZReceivedProtoPackage(unsigned short c, unsigned int p,
                                               const unsigned char* d, unsigned int n)
{
    InitProtoPackage();
    FillProtoPackage(c, p, d, n);
}

NZReceivedProtoPackage::NZReceivedProtoPackage(const NZReceivedProtoPackage& other)
{
    InitProtoPackage();
    FillProtoPackage(other.cmd, other.para, other.data, other.length);
}

NZReceivedProtoPackage::NZReceivedProtoPackage(NZReceivedProtoPackage&& other) noexcept
    : cmd(other.cmd), para(other.para), data(other.data), length(other.length)
{
    other.InitProtoPackage();
}

NZReceivedProtoPackage& NZReceivedProtoPackage::operator=(const NZReceivedProtoPackage& other)
{
    if (this == &other)
        return *this;
    // Copy first, then let go of the old data, so a failed copy never leaves
    // a dangling pointer and self-copies are harmless.
    NZReceivedProtoPackage copy(other);
    FreeProtoPackage();
    cmd = copy.cmd;
    para = copy.para;
    data = copy.data;
    length = copy.length;
    copy.InitProtoPackage();
    return *this;
}

NZReceivedProtoPackage& NZReceivedProtoPackage::operator=(NZReceivedProtoPackage&& other) noexcept
{
    if (this == &other)
        return *this;
    FreeProtoPackage();
    cmd = other.cmd;
    para = other.para;
    data = other.data;
    length = other.length;
    other.InitProtoPackage();
    return *this;
}

NZReceivedProtoPackage::~NZReceivedProtoPackage()
{
    FreeProtoPackage();
}

void NZReceivedProtoPackage::InitProtoPackage()
{
    cmd = 0;
    para = 0;
    data = nullptr;
    length = 0;
}

void NZReceivedProtoPackage::FreeProtoPackage()
{
    free(data);
    InitProtoPackage();
}

void NZReceivedProtoPackage::FillProtoPackage(unsigned short c, unsigned int p,
                                              const unsigned char* d, unsigned int n)
{
    cmd = c;
    para = p;
    data = nullptr;
    length = 0;
    if (d && n) {
        data = (unsigned char*)malloc(n);
        if (data) {
            memcpy(data, d, n);
            length = n;
        }
    }
}

// ---- firmware version -------------------------------------------------------

NZProtoModePrinterFirmwareVersion::NZProtoModePrinterFirmwareVersion() : time(0)
{
    memset(text, 0, sizeof(text));
}

void NZProtoModePrinterFirmwareVersion::SetVersion(const unsigned char* bytes, unsigned int length,
                                                   long long timeMs)
{
    unsigned int n = bytes ? length : 0;
    if (n > MaxTextLength)
        n = MaxTextLength;
    if (n)
        memcpy(text, bytes, n);
    text[n] = '\0';
    time = timeMs;
}

void NZProtoModePrinterFirmwareVersion::SetVersion(const unsigned char* bytes, unsigned int length)
{
    SetVersion(bytes, length, (long long)NZUtils_GetSysTimeMs());
}
