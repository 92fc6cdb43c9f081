// Auto-reply frames: the 8-byte messages a printer in auto-reply mode mixes into
// the bytes it sends back, the records that keep the latest value of each kind,
// and the splitter that separates frames from plain data one byte at a time.
//
// Frame: 53 | d1 d2 d3 d4 d5 | type (0-9) | check (XOR of all 8 bytes is 0).
#ifndef AUTOREPLYHANDLERPRO_H
#define AUTOREPLYHANDLERPRO_H

// Frame types.
enum AutoReplyFrameType {
    AUTOREPLY_FRAME_STATUS = 0,
    AUTOREPLY_FRAME_RESOLUTION = 1,
    AUTOREPLY_FRAME_PRINTED = 2,
    AUTOREPLY_FRAME_RECEIVED = 3,
    AUTOREPLY_FRAME_POSITION_ADJUSTMENT = 4,
    AUTOREPLY_FRAME_EXTENDED_ERROR = 6
};

// The printer event a frame calls for once its record has been updated.
enum AutoReplyFrameEvent {
    AUTOREPLY_EVENT_NONE = 0,
    AUTOREPLY_EVENT_STATUS,    // PrinterStatus with error and info status
    AUTOREPLY_EVENT_PRINTED,   // PrinterPrinted with the printed count
    AUTOREPLY_EVENT_RECEIVED   // PrinterReceived with the received count
};

// Records; every member zero after construction. Times are milliseconds.
struct AutoReplyModePrinterInfo {
    unsigned char firstResolution = 0;
    unsigned char secondResolution = 0;
    unsigned char dotsPerMm = 0;
    long long time = 0;
};

struct AutoReplyModePrinterStatus {
    unsigned char status = 0;
    long long errorStatus = 0;   // bit set; nonzero means the printer reports an error
    long long infoStatus = 0;    // bit set
    unsigned short statusWord = 0;
    long long time = 0;
};

struct AutoReplyModePrinterPositionAdjustment {
    signed char firstAdjustment = 0;    // dots
    signed char secondAdjustment = 0;   // dots
    long long time = 0;
};

struct AutoReplyModePrinterReceived {
    unsigned int count = 0;
    long long time = 0;
};

struct AutoReplyModePrinterPrinted {
    unsigned int count = 0;
    long long time = 0;
};

class AutoReplyHandlerPro {
public:
    static constexpr unsigned int FrameSize = 8;
    static constexpr unsigned char HeadByte = 0x53;
    static constexpr unsigned char MaxType = 9;

    AutoReplyHandlerPro();

    void ResetReceived();

    // Whether length bytes can be the start of a frame.
    static bool CheckHead(const unsigned char* p, unsigned int length);
    // Drops bytes from the front of src until what remains can start a frame and
    // moves the rest to dst (the two may overlap).
    static void ResetHead(const unsigned char* src, unsigned int srcLength, unsigned char* dst,
                          unsigned int* outLength);
    // 8 bytes starting with 0x53, XOR 0, type at most 9.
    static bool IsFrame(const unsigned char* p);

    // Feeds one byte. Afterwards at most one of *frameLen (a complete frame) and
    // *passLen (plain data bytes, up to 8) is nonzero. Returns false, consuming
    // nothing, when an output is missing or too small for what this byte releases.
    bool HandleReceivedData(unsigned char b, unsigned char* frame, unsigned int frameSize,
                            unsigned int* frameLen, unsigned char* pass, unsigned int passSize,
                            unsigned int* passLen);

    // Bytes held back as the possible start of a frame.
    unsigned int GetHeldCount() const { return count; }
    const unsigned char* GetHeldBytes() const { return buf; }

    // Whether a frame of this type changes a record (and so needs the status lock).
    static bool FrameUpdatesRecord(unsigned char type);

    // Applies a frame to its record, stamping timeMs, and tells which event to
    // raise. Invalid frames, types without effect and missing records change
    // nothing and give AUTOREPLY_EVENT_NONE.
    static AutoReplyFrameEvent ApplyFrame(const unsigned char* frame, long long timeMs,
                                          AutoReplyModePrinterStatus* status,
                                          AutoReplyModePrinterInfo* info,
                                          AutoReplyModePrinterPositionAdjustment* adjustment,
                                          AutoReplyModePrinterReceived* received,
                                          AutoReplyModePrinterPrinted* printed);

private:
    unsigned char buf[FrameSize];
    unsigned int count;
};

#endif
