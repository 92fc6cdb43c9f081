// The CP_Printer_* calls: read the auto-reply records and send the two maintenance
// commands.
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "quorvane/Boundary.h"
#include "quorvane/HandleGuard.h"

extern "C" CP_API int CP_Printer_GetPrinterResolutionInfo(CP_Handle handle, int *first, int *second, int *dots_per_mm)
{
    return AtBoundary(0, [&]() -> int {
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
    });
}

extern "C" CP_API int CP_Printer_GetPrinterFirmwareVersion(CP_Handle handle, char *buffer, unsigned int size,
                                                           int *needed)
{
    return AtBoundary(0, [&]() -> int {
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
    });
}

extern "C" CP_API int CP_Printer_GetPrinterStatusInfo(CP_Handle handle, long long *printer_error_status,
                                                      long long *printer_info_status, long long *timestamp_ms)
{
    return AtBoundary(0, [&]() -> int {
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
    });
}

extern "C" CP_API int CP_Printer_GetPrinterReceivedInfo(CP_Handle handle, unsigned int *printer_received_byte_count,
                                                        long long *timestamp_ms)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        std::lock_guard<std::mutex> lock(h->m_statusMutex);
        if (printer_received_byte_count)
            *printer_received_byte_count = h->m_received.count;
        if (timestamp_ms)
            *timestamp_ms = h->m_received.time;
        return 1;
    });
}

extern "C" CP_API int CP_Printer_GetPrinterPrintedInfo(CP_Handle handle, unsigned int *printer_printed_page_id,
                                                       long long *timestamp_ms)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        std::lock_guard<std::mutex> lock(h->m_statusMutex);
        if (printer_printed_page_id)
            *printer_printed_page_id = h->m_printed.count;
        if (timestamp_ms)
            *timestamp_ms = h->m_printed.time;
        return 1;
    });
}

extern "C" CP_API int CP_Printer_GetPrinterLabelPositionAdjustmentInfo(CP_Handle handle,
                                                                       double *label_print_position_adjustment,
                                                                       double *label_tear_position_adjustment,
                                                                       long long *timestamp_ms)
{
    return AtBoundary(0, [&]() -> int {
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
    });
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
    return AtBoundary(0, [&]() -> int {
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
    });
}

extern "C" CP_API int CP_Printer_ClearPrinterBuffer(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_posPrinter.POS_ClearPrinterBuffer() ? 1 : 0;
    });
}

extern "C" CP_API int CP_Printer_ClearPrinterError(CP_Handle handle)
{
    return AtBoundary(0, [&]() -> int {
        HandleGuard h(handle);
        if (!h)
            return 0;
        return h->m_posPrinter.POS_ClearPrinterError() ? 1 : 0;
    });
}
