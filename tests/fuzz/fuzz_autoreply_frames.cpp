// Auto-reply frame splitter over arbitrary bytes. Nothing is lost, invented or reordered:
// frames, pass-through bytes and the bytes still held, in the order they came out, are the
// input. Every frame is a valid frame, and applying it raises the event its type calls for.
#include "FuzzSupport.h"
#include "printer/AutoReplyHandlerPro.h"
#include "support/AutoReplyFrame.h"

namespace {

using quorvane_test::Frame;

AutoReplyFrameEvent EventOfType(unsigned char type)
{
    switch (type) {
    case AUTOREPLY_FRAME_STATUS:
    case AUTOREPLY_FRAME_EXTENDED_ERROR:
        return AUTOREPLY_EVENT_STATUS;
    case AUTOREPLY_FRAME_PRINTED:
        return AUTOREPLY_EVENT_PRINTED;
    case AUTOREPLY_FRAME_RECEIVED:
        return AUTOREPLY_EVENT_RECEIVED;
    default:
        return AUTOREPLY_EVENT_NONE;
    }
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    std::vector<FuzzBytes> seeds;
    seeds.push_back(FuzzHex("53 01 02 03 00 02 00 51"));
    seeds.push_back(FuzzHex("41 53 42 43 44 45 46 47 48"));
    FuzzBytes all;
    for (unsigned char type = 0; type <= 10; ++type) {
        FuzzBytes f = Frame(0xFE, 0x05, 8, 1, 2, type);
        all.insert(all.end(), f.begin(), f.end());
        all.push_back('x');
    }
    seeds.push_back(all);
    FuzzBytes bad = Frame(1, 2, 3, 4, 5, 0);
    bad[7] ^= 1;
    seeds.push_back(FuzzCat({bad, Frame(0, 0, 1, 0, 0, 3)}));
    seeds.push_back(FuzzCat({FuzzHex("53 53 53"), Frame(9, 9, 9, 9, 9, 2)}));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    AutoReplyHandlerPro splitter;
    AutoReplyModePrinterStatus status;
    AutoReplyModePrinterInfo info;
    AutoReplyModePrinterPositionAdjustment adjustment;
    AutoReplyModePrinterReceived received;
    AutoReplyModePrinterPrinted printed;
    FuzzBytes out;
    for (size_t i = 0; i < size; ++i) {
        unsigned char frame[8], pass[8];
        unsigned int frameLen = 99, passLen = 99;
        FUZZ_CHECK(splitter.HandleReceivedData(data[i], frame, sizeof frame, &frameLen, pass, sizeof pass, &passLen));
        FUZZ_CHECK(frameLen == 0 || passLen == 0);
        FUZZ_CHECK(frameLen == 0 || frameLen == 8);
        FUZZ_CHECK(passLen <= 8);
        FUZZ_CHECK(splitter.GetHeldCount() < 8);
        if (frameLen) {
            FUZZ_CHECK(AutoReplyHandlerPro::IsFrame(frame));
            AutoReplyFrameEvent event = AutoReplyHandlerPro::ApplyFrame(frame, 1, &status, &info, &adjustment,
                                                                        &received, &printed);
            FUZZ_CHECK(event == EventOfType(frame[6]));
            if (event == AUTOREPLY_EVENT_RECEIVED)
                FUZZ_CHECK(received.count == ((static_cast<unsigned int>(frame[1]) << 24) | (frame[2] << 16) |
                                              (frame[3] << 8) | frame[4]));
            if (event == AUTOREPLY_EVENT_PRINTED)
                FUZZ_CHECK(printed.count == (frame[1] | (frame[2] << 8) | (frame[3] << 16) |
                                             (static_cast<unsigned int>(frame[4]) << 24)));
        }
        out.insert(out.end(), frame, frame + frameLen);
        out.insert(out.end(), pass, pass + passLen);
        // Plain bytes leave at once unless they could start a frame.
        if (splitter.GetHeldCount() == 0)
            FUZZ_CHECK(out.size() == i + 1);
    }
    out.insert(out.end(), splitter.GetHeldBytes(), splitter.GetHeldBytes() + splitter.GetHeldCount());
    FUZZ_CHECK(out.size() == size && (size == 0 || memcmp(out.data(), data, size) == 0));
    return 0;
}
