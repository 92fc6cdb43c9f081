// Network provisioning without a connection: AirKiss Wi-Fi credentials and the broadcast
// configuration commands addressed to a printer's MAC address.
#include <mutex>

#include "ports/NZIOAirKiss.h"
#include "ports/NZIOUDPConfig.h"
#include "quorvane/Boundary.h"
#include "quorvane/quorvane.h"

// The library's one AirKiss sender, and the lock that lets one provisioning run at a time.
NZIOAirKiss m_nzioAirKiss;
std::mutex m_nzioAirKissConfigMutex;

extern "C" CP_API int CP_Airkiss_ConfigWireless(const char *ssid, const char *password, unsigned int timeout)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        std::lock_guard<std::mutex> lock(m_nzioAirKissConfigMutex);
        // A cancel left from an earlier run must not stop this one.
        m_nzioAirKiss.NZIOAirKiss_EnableConfig();
        return m_nzioAirKiss.NZIOAirKiss_ConfigWireless(ssid, password, timeout);
    });
}

extern "C" CP_API void CP_Airkiss_CancelConfig(void)
{
    // No lock: the run in progress holds it.
    AtBoundary([&] {
        m_nzioAirKiss.NZIOAirKiss_CancelConfig();
    });
}

extern "C" CP_API int CP_UDPBroadcast_ConfigIP(const char *local_ip, int local_port, const char *dest_ip,
                                               int dest_port, const char *mac, int address_mode, const char *ip,
                                               const char *netmask, const char *gateway, unsigned int interval,
                                               unsigned int timeout)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        NZIOUDPConfigIP command;
        return command.NZIOUDPConfigIP_ConfigIP(local_ip, static_cast<unsigned short>(local_port), dest_ip,
                                                static_cast<unsigned short>(dest_port), mac, address_mode, ip, netmask,
                                                gateway, interval, timeout)
                   ? 1
                   : 0;
    });
}

extern "C" CP_API int CP_UDPBroadcast_ConfigName(const char *local_ip, int local_port, const char *dest_ip,
                                                 int dest_port, const char *mac, const char *name,
                                                 unsigned int interval, unsigned int timeout)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        NZIOUDPConfigName command;
        return command.NZIOUDPConfigName_ConfigName(local_ip, static_cast<unsigned short>(local_port), dest_ip,
                                                    static_cast<unsigned short>(dest_port), mac, name, interval, timeout)
                   ? 1
                   : 0;
    });
}

extern "C" CP_API int CP_UDPBroadcast_ConfirmConfiguration(const char *local_ip, int local_port, const char *dest_ip,
                                                           int dest_port, const char *mac, unsigned int interval,
                                                           unsigned int timeout)
{
    return AtBoundary(DeferCancel, 0, [&]() -> int {
        NZIOUDPConfigConfirm command;
        return command.NZIOUDPConfigConfirm_ConfigConfirm(local_ip, static_cast<unsigned short>(local_port), dest_ip,
                                                          static_cast<unsigned short>(dest_port), mac, interval, timeout)
                   ? 1
                   : 0;
    });
}
