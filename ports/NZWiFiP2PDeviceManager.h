// Wi-Fi P2P connection manager; nothing connects on this platform.
#ifndef QUORVANE_PORTS_NZWIFIP2PDEVICEMANAGER_H
#define QUORVANE_PORTS_NZWIFIP2PDEVICEMANAGER_H

class NZWiFiP2PDeviceManager {
public:
    virtual bool Connect(const char *device, unsigned int timeoutMs);
    virtual void Disconnect();
    virtual bool IsConnected();
};

#endif
