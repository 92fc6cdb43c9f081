#include "ports/NZWiFiP2PDeviceManager.h"

bool NZWiFiP2PDeviceManager::Connect(const char *, unsigned int) { return false; }
void NZWiFiP2PDeviceManager::Disconnect() {}
bool NZWiFiP2PDeviceManager::IsConnected() { return false; }
