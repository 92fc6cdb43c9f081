// The receive and write hooks of a connection, and the CP_Printer_* calls that read the
// auto-reply records and send the two maintenance commands.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "ports/NZUtils.h"
#include "quorvane/HandleGuard.h"
#include "quorvane/cp_connection.h"
#include "quorvane/cp_events.h"

// Applies one auto-reply frame under the status lock, then raises its event with the
// values as they stand after the update (the lock is not held during callbacks).
static void ApplyAutoReplyFrame(IOHandle *h, void *handle, const unsigned char *frame)
{
    if (!AutoReplyHandlerPro::FrameUpdatesRecord(frame[6]))
        return;
    AutoReplyFrameEvent event;
    long long errorStatus, infoStatus;
    unsigned int printed, received;
    {
        std::lock_guard<std::mutex> lock(h->m_statusMutex);
        event = AutoReplyHandlerPro::ApplyFrame(frame, NZIOTimeStamp::GetSysTimeMs(), &h->m_status, &h->m_info,
                                                &h->m_positionAdjustment, &h->m_received, &h->m_printed);
        errorStatus = h->m_status.errorStatus;
        infoStatus = h->m_status.infoStatus;
        printed = h->m_printed.count;
        received = h->m_received.count;
    }
    switch (event) {
    case AUTOREPLY_EVENT_STATUS:
        CallPrinterStatusEventForStructList(handle, errorStatus, infoStatus);
        break;
    case AUTOREPLY_EVENT_PRINTED:
        CallPrinterPrintedEventForStructList(handle, printed);
        break;
    case AUTOREPLY_EVENT_RECEIVED:
        CallPrinterReceivedEventForStructList(handle, received);
        break;
    default:
        break;
    }
}

// Queues the package the reader just completed; a device probe reply also sets the
// firmware version text.
static void TakeReceivedPackage(IOHandle *h)
{
    NZProtoHandlerPro &reader = h->m_protoHandler;
    const unsigned short cmd = reader.GetResultCmd();
    const unsigned int length = reader.GetResultRecvlen();
    const unsigned char *data = reader.GetResultRecvbuf();
    NZReceivedProtoPackage package(cmd, reader.GetResultPara(), data, length);
    {
        std::lock_guard<std::mutex> lock(h->m_packageMutex);
        h->m_packages.push_back(std::move(package));
        while (h->m_packages.size() > IOHandle::MaxReceivedPackages)
            h->m_packages.pop_front();
        if (cmd == NZPROTO_CMD_DEVICE_PROBE)
            h->m_firmwareVersion.SetVersion(data, length, NZIOTimeStamp::GetSysTimeMs());
    }
    reader.ResetHandler();
}

void Port_ReadedEvent(const unsigned char *data, unsigned int length, void *handle)
{
    HandleGuard h(handle);
    if (!h || (!data && length != 0))
        return;
    for (unsigned int i = 0; i < length; ++i) {
        const unsigned char b = data[i];
        unsigned char frame[AutoReplyHandlerPro::FrameSize], pass[AutoReplyHandlerPro::FrameSize];
        unsigned int frameLen = 0, passLen = 0;
        h->m_autoReplyHandler.HandleReceivedData(b, frame, sizeof(frame), &frameLen, pass, sizeof(pass), &passLen);
        if (frameLen == AutoReplyHandlerPro::FrameSize) {
            ApplyAutoReplyFrame(h.get(), handle, frame);
        } else if (passLen > 0) {
            std::lock_guard<std::mutex> lock(h->m_rxMutex);
            for (unsigned int k = 0; k < passLen && !h->m_rxBuffer.IsFull(); ++k)
                h->m_rxBuffer.PushBack(pass[k]);
        }
        if (h->m_protoHandler.HandleByte(b))
            TakeReceivedPackage(h.get());
    }
    CallPortReceivedEventForStructList(handle, data, length);
}

void Port_WritedEvent(const unsigned char *data, unsigned int length, void *handle)
{
    HandleGuard h(handle);
    if (!h)
        return;
    CallPortWrittenEventForStructList(handle, data, length);
}

extern "C" CP_API int CP_Printer_GetPrinterResolutionInfo(CP_Handle handle, int *first, int *second, int *dots_per_mm)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_statusMutex);
    if (first)
        *first = h->m_info.firstResolution;
    if (second)
        *second = h->m_info.secondResolution;
    if (dots_per_mm)
        *dots_per_mm = h->m_info.dotsPerMm;
    return 1;
}

extern "C" CP_API int CP_Printer_GetPrinterFirmwareVersion(CP_Handle handle, char *buffer, unsigned int size,
                                                           int *needed)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_packageMutex);
    const char *text = h->m_firmwareVersion.text;
    if (needed)
        *needed = static_cast<int>(strnlen(text, sizeof(h->m_firmwareVersion.text) - 1)) + 1;
    if (buffer && size != 0)
        snprintf(buffer, size, "%.255s", text);
    return 1;
}

extern "C" CP_API int CP_Printer_GetPrinterStatusInfo(CP_Handle handle, long long *printer_error_status,
                                                      long long *printer_info_status, long long *timestamp_ms)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_statusMutex);
    if (printer_error_status)
        *printer_error_status = h->m_status.errorStatus;
    if (printer_info_status)
        *printer_info_status = h->m_status.infoStatus;
    if (timestamp_ms)
        *timestamp_ms = h->m_status.time;
    return 1;
}

extern "C" CP_API int CP_Printer_GetPrinterReceivedInfo(CP_Handle handle, unsigned int *printer_received_byte_count,
                                                        long long *timestamp_ms)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_statusMutex);
    if (printer_received_byte_count)
        *printer_received_byte_count = h->m_received.count;
    if (timestamp_ms)
        *timestamp_ms = h->m_received.time;
    return 1;
}

extern "C" CP_API int CP_Printer_GetPrinterPrintedInfo(CP_Handle handle, unsigned int *printer_printed_page_id,
                                                       long long *timestamp_ms)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_statusMutex);
    if (printer_printed_page_id)
        *printer_printed_page_id = h->m_printed.count;
    if (timestamp_ms)
        *timestamp_ms = h->m_printed.time;
    return 1;
}

extern "C" CP_API int CP_Printer_GetPrinterLabelPositionAdjustmentInfo(CP_Handle handle,
                                                                       double *label_print_position_adjustment,
                                                                       double *label_tear_position_adjustment,
                                                                       long long *timestamp_ms)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    std::lock_guard<std::mutex> lock(h->m_statusMutex);
    const double d = h->m_info.dotsPerMm;
    if (d == 0)
        return 0;
    if (label_print_position_adjustment)
        *label_print_position_adjustment = h->m_positionAdjustment.firstAdjustment / d;
    if (label_tear_position_adjustment)
        *label_tear_position_adjustment = h->m_positionAdjustment.secondAdjustment / d;
    if (timestamp_ms)
        *timestamp_ms = h->m_positionAdjustment.time;
    return 1;
}

// Millimetres to dots, truncated toward zero; values beyond the int range (and NaN) are
// clamped instead of overflowing the conversion.
static int MillimetresToDots(double mm, unsigned int dotsPerMm)
{
    const double dots = mm * dotsPerMm;
    if (std::isnan(dots))
        return 0;
    if (dots >= static_cast<double>(INT_MAX))
        return INT_MAX;
    if (dots <= static_cast<double>(INT_MIN))
        return INT_MIN;
    return static_cast<int>(dots);
}

extern "C" CP_API int CP_Printer_SetPrinterLabelPositionAdjustmentInfo(CP_Handle handle,
                                                                       double label_print_position_adjustment,
                                                                       double label_tear_position_adjustment)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    unsigned int d;
    {
        std::lock_guard<std::mutex> lock(h->m_statusMutex);
        d = h->m_info.dotsPerMm;
    }
    // Without a known resolution the millimetres cannot be turned into dots: send nothing.
    if (d == 0)
        return 0;
    return h->m_labelPrinter.SetLabelPositionAdjustment(MillimetresToDots(label_print_position_adjustment, d),
                                                        MillimetresToDots(label_tear_position_adjustment, d))
               ? 1
               : 0;
}

extern "C" CP_API int CP_Printer_ClearPrinterBuffer(CP_Handle handle)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    return h->m_posPrinter.POS_ClearPrinterBuffer() ? 1 : 0;
}

extern "C" CP_API int CP_Printer_ClearPrinterError(CP_Handle handle)
{
    HandleGuard h(handle);
    if (!h)
        return 0;
    return h->m_posPrinter.POS_ClearPrinterError() ? 1 : 0;
}
