// The receive hook of a memory-port connection over arbitrary bytes, cut into chunks of
// the size the first byte gives. What comes out must be what the frame splitter and the
// package reader make of the same stream: the data bytes in the ring, the records and
// events of the frames, the queued packages and the firmware text; the received callback
// sees every chunk whole.
#include <algorithm>

#include "FuzzSupport.h"
#include "printer/AutoReplyHandlerPro.h"
#include "printer/NZProtoHandler.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/IOHandle.h"
#include "quorvane/cp_connection.h"
#include "quorvane/proto_requests.h"
#include "quorvane/quorvane.h"
#include "support/AutoReplyFrame.h"
#include "support/ProtoPackages.h"

namespace {

struct Seen {
    CP_Handle handle = nullptr;
    FuzzBytes received;
    unsigned int statusEvents = 0, printedEvents = 0, receivedEvents = 0;
};
Seen seen;

void OnReceived(CP_Handle h, const unsigned char *buffer, unsigned int count, void *)
{
    FUZZ_CHECK(h == seen.handle);
    seen.received.insert(seen.received.end(), buffer, buffer + count);
}
void OnStatus(CP_Handle h, long long, long long, void *)
{
    if (h == seen.handle)
        ++seen.statusEvents;
}
void OnPrinted(CP_Handle h, unsigned int, void *)
{
    if (h == seen.handle)
        ++seen.printedEvents;
}
void OnReceivedCount(CP_Handle h, unsigned int, void *)
{
    if (h == seen.handle)
        ++seen.receivedEvents;
}

using quorvane_test::Frame;

// Packages of the printer's type (0xFF).
FuzzBytes Package(unsigned short cmd, unsigned int para, const FuzzBytes &data)
{
    return quorvane_test::PackageBytes(0xFF, cmd, para, data);
}

} // namespace

std::vector<FuzzBytes> FuzzSeeds()
{
    FuzzBytes mixed = FuzzCat({FuzzText("A"), Frame(1, 2, 3, 0, 2, 0), FuzzText("SBC"), Frame(0, 0, 1, 0, 0, 3),
                               Package(32, 0, FuzzText("FW 1.02")), Frame(0, 0, 8, 0x20, 0x20, 1),
                               Frame(0xFE, 0x05, 0, 0, 0, 4), Frame(0x11, 0x22, 0, 0, 0, 6),
                               Frame(0, 0, 1, 0, 0, 2), Frame(0, 0, 0, 0, 0, 10), FuzzText("tail")});
    std::vector<FuzzBytes> seeds;
    for (unsigned char chunk : {0, 2, 4, 200})
        seeds.push_back(FuzzCat({{chunk}, mixed}));
    seeds.push_back(FuzzCat({{3}, Package(32, 0, FuzzBytes(300, 'v')), Package(63, 86, FuzzHex("64"))}));
    return seeds;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool registered = false;
    if (!registered) {
        registered = CP_Port_AddOnPortReceivedEvent(OnReceived, nullptr) &&
                     CP_Printer_AddOnPrinterStatusEvent(OnStatus, nullptr) &&
                     CP_Printer_AddOnPrinterPrintedEvent(OnPrinted, nullptr) &&
                     CP_Printer_AddOnPrinterReceivedEvent(OnReceivedCount, nullptr);
        FUZZ_CHECK(registered);
    }
    if (size < 1)
        return 0;
    const size_t chunk = data[0] + 1u;
    const uint8_t *stream = data + 1;
    const size_t n = size - 1;

    seen = Seen();
    CP_Handle h = CP_Port_OpenMemoryBuffer(64);
    FUZZ_CHECK(h != nullptr);
    seen.handle = h;
    for (size_t at = 0; at < n; at += chunk)
        Port_ReadedEvent(stream + at, static_cast<unsigned int>(std::min(chunk, n - at)), h);

    // The same stream through a splitter and a reader of its own.
    AutoReplyHandlerPro splitter;
    NZProtoHandlerPro reader;
    AutoReplyModePrinterStatus status;
    AutoReplyModePrinterInfo info;
    AutoReplyModePrinterPositionAdjustment adjustment;
    AutoReplyModePrinterReceived received;
    AutoReplyModePrinterPrinted printed;
    FuzzBytes pass;
    unsigned int events[4] = {0, 0, 0, 0};
    size_t packages = 0;
    FuzzBytes firmware;
    bool firmwareSet = false;
    for (size_t i = 0; i < n; ++i) {
        unsigned char f[8], p[8];
        unsigned int fl = 0, pl = 0;
        splitter.HandleReceivedData(stream[i], f, 8, &fl, p, 8, &pl);
        if (fl)
            ++events[AutoReplyHandlerPro::ApplyFrame(f, 0, &status, &info, &adjustment, &received, &printed)];
        pass.insert(pass.end(), p, p + pl);
        if (reader.HandleByte(stream[i])) {
            ++packages;
            if (reader.GetResultCmd() == NZPROTO_CMD_DEVICE_PROBE) {
                const unsigned char *d = reader.GetResultRecvbuf();
                firmware.assign(d, d + std::min<unsigned int>(reader.GetResultRecvlen(), 255));
                firmwareSet = true;
            }
            reader.ResetHandler();
        }
    }

    FUZZ_CHECK(seen.received.size() == n && (n == 0 || memcmp(seen.received.data(), stream, n) == 0));
    FUZZ_CHECK(seen.statusEvents == events[AUTOREPLY_EVENT_STATUS]);
    FUZZ_CHECK(seen.printedEvents == events[AUTOREPLY_EVENT_PRINTED]);
    FUZZ_CHECK(seen.receivedEvents == events[AUTOREPLY_EVENT_RECEIVED]);

    // Data bytes in order; a full ring drops the rest.
    size_t room = 0;
    {
        HandleGuard held(h);
        FUZZ_CHECK(held);
        room = held->m_rxBuffer.Size() - 1;
    }
    const int available = CP_Port_Available(h);
    FUZZ_CHECK(available >= 0 && static_cast<size_t>(available) == std::min(pass.size(), room));
    FuzzBytes ring(static_cast<size_t>(available) + 1);
    FUZZ_CHECK(CP_Port_Read(h, ring.data(), available, 0) == available);
    FUZZ_CHECK(available == 0 || memcmp(ring.data(), pass.data(), static_cast<size_t>(available)) == 0);

    long long errorStatus = -1, infoStatus = -1, time = -1;
    FUZZ_CHECK(CP_Printer_GetPrinterStatusInfo(h, &errorStatus, &infoStatus, &time) == 1);
    FUZZ_CHECK(errorStatus == status.errorStatus && infoStatus == status.infoStatus);
    unsigned int count = 0;
    FUZZ_CHECK(CP_Printer_GetPrinterReceivedInfo(h, &count, &time) == 1 && count == received.count);
    FUZZ_CHECK(CP_Printer_GetPrinterPrintedInfo(h, &count, &time) == 1 && count == printed.count);
    int first = -1, second = -1, dots = -1;
    FUZZ_CHECK(CP_Printer_GetPrinterResolutionInfo(h, &first, &second, &dots) == 1);
    FUZZ_CHECK(first == info.firstResolution && second == info.secondResolution && dots == info.dotsPerMm);
    double a = 0, b = 0;
    FUZZ_CHECK(CP_Printer_GetPrinterLabelPositionAdjustmentInfo(h, &a, &b, &time) == (info.dotsPerMm ? 1 : 0));

    FUZZ_CHECK(Proto_GetReceivedProtoPackageCount(h) == std::min<size_t>(packages, IOHandle::MaxReceivedPackages));
    char text[300];
    int needed = -1;
    FUZZ_CHECK(CP_Printer_GetPrinterFirmwareVersion(h, text, sizeof text, &needed) == 1);
    FUZZ_CHECK(needed >= 1 && needed <= 256 && strlen(text) + 1 == static_cast<size_t>(needed));
    // The last device probe reply's text, up to its first zero byte.
    const std::string expected(firmware.begin(), std::find(firmware.begin(), firmware.end(), 0));
    FUZZ_CHECK(firmwareSet ? expected == text : needed == 1);

    FUZZ_CHECK(CP_Port_Close(h) == 1);
    return 0;
}
