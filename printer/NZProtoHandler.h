// Packet protocol: package writer, byte-wise package reader, received-package
// value type and the firmware-version record.
//
// Package on the wire (multi-byte fields little-endian):
//   03 | type | command(2) | parameter(4) | length(2) | header xor | data xor | data...
// The header xor covers bytes 0-9, the data xor covers the data bytes.
#ifndef NZPROTOHANDLER_H
#define NZPROTOHANDLER_H

#include <cstddef>

// Command numbers the system uses.
enum NZProtoCommand {
    NZPROTO_CMD_DEVICE_PROBE = 32,     // probe / communication test, data "DEVICE??"
    NZPROTO_CMD_QUERY = 63,            // parameter selects what to query
    NZPROTO_CMD_SET_PTP_PARAMS = 96,
    NZPROTO_CMD_SET_BT_NAME_PASSWORD = 97,
    NZPROTO_CMD_SET_SYSTEM_NAME_SN = 100,
    NZPROTO_CMD_CLEAR_PARAMS = 253
};

class NZProtoHandler {
public:
    static constexpr unsigned int HeaderSize = 12;
    static constexpr unsigned int MaxDataLength = 65535;
    static constexpr unsigned char StartByte = 0x03;
    static constexpr unsigned char SystemType = 0xFF;

    // Writes header then data into out (room for HeaderSize + dataLen bytes) and
    // stores the package size in *outLen. Fails (false, *outLen = 0, nothing
    // written) when dataLen exceeds MaxDataLength, data is null with a non-zero
    // length, or out/outLen is null.
    static bool GenerateSendPackage(unsigned char type, unsigned short cmd, unsigned int para,
                                    unsigned int dataLen, const unsigned char* data,
                                    unsigned char* out, unsigned int* outLen);

    // XOR of n bytes starting from 0.
    static unsigned char Xor(const unsigned char* p, size_t n);

private:
    NZProtoHandler() = delete;
};

// Byte-wise package reader. Feed bytes with HandleByte; when it returns true the
// completed package is readable through the GetResult* calls until the next byte
// is fed. The owner copies what it keeps and calls ResetHandler; a byte fed
// without that reset starts a new package.
class NZProtoHandlerPro {
public:
    NZProtoHandlerPro();
    ~NZProtoHandlerPro();
    NZProtoHandlerPro(const NZProtoHandlerPro&) = delete;
    NZProtoHandlerPro& operator=(const NZProtoHandlerPro&) = delete;

    void ResetHandler();
    bool HandleByte(unsigned char b);

    unsigned short GetResultCmd() const;
    unsigned int GetResultPara() const;
    unsigned short GetResultRecvlen() const;
    unsigned char* GetResultRecvbuf() const;
    unsigned char GetResultType() const { return head[1]; }

    // Whether count bytes can be the start of a header.
    static bool CheckHead(const unsigned char* p, unsigned int count);
    // Drops bytes from the front of a rejected header until what remains can
    // start a header; src and dst may overlap.
    static void ResetHead(const unsigned char* src, unsigned int count, unsigned char* dst,
                          unsigned int* newCount);

private:
    unsigned char head[12];
    unsigned int headCount;
    unsigned char* data;
    unsigned int dataCount;

public:
    // Both on after construction; UDP connections switch them off.
    bool checkHeadXor;
    bool checkDataXor;
};

// One received package; copies are deep.
class NZReceivedProtoPackage {
public:
    NZReceivedProtoPackage();
    NZReceivedProtoPackage(unsigned short cmd, unsigned int para, const unsigned char* data,
                           unsigned int length);
    NZReceivedProtoPackage(const NZReceivedProtoPackage& other);
    NZReceivedProtoPackage(NZReceivedProtoPackage&& other) noexcept;
    NZReceivedProtoPackage& operator=(const NZReceivedProtoPackage& other);
    NZReceivedProtoPackage& operator=(NZReceivedProtoPackage&& other) noexcept;
    ~NZReceivedProtoPackage();

    unsigned short cmd;
    unsigned int para;
    unsigned char* data;   // malloc'ed copy, null exactly when length is 0
    unsigned int length;

private:
    void InitProtoPackage();
    void FreeProtoPackage();
    void FillProtoPackage(unsigned short cmd, unsigned int para, const unsigned char* data,
                          unsigned int length);
};

// The firmware version text the printer last reported.
class NZProtoModePrinterFirmwareVersion {
public:
    static constexpr unsigned int MaxTextLength = 255;

    NZProtoModePrinterFirmwareVersion();

    // Copies at most MaxTextLength bytes, terminates the text right after them
    // and records timeMs (the caller's clock reading) as the time.
    void SetVersion(const unsigned char* bytes, unsigned int length, long long timeMs);
    // The same, stamped with the time of day (NZUtils_GetSysTimeMs).
    void SetVersion(const unsigned char* bytes, unsigned int length);

    char text[256];
    long long time;
};

#endif
