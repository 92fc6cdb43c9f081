#include "ports/NZBleBaseIO.h"

NZBleBaseIO::NZBleBaseIO() {}
NZBleBaseIO::~NZBleBaseIO() {}
bool NZBleBaseIO::OpenPeripheral(void *) { return BeginOpen() && IsOpened(); }
void NZBleBaseIO::SetWriteMode(unsigned int, unsigned int, unsigned int, unsigned int) {}

NZBleBaseIO_linux::NZBleBaseIO_linux() {}
NZBleBaseIO_linux::~NZBleBaseIO_linux() {}

NZBleProtoV2IO::NZBleProtoV2IO() {}
NZBleProtoV2IO::~NZBleProtoV2IO() {}
bool NZBleProtoV2IO::OpenPeripheral(void *) { return BeginOpen() && IsOpened(); }
void NZBleProtoV2IO::ClearPacketSendTimesList() {}
int NZBleProtoV2IO::GetPacketSendTimesListLength() { return 0; }
int NZBleProtoV2IO::GetPacketSendTimesListValue(int *, int) { return 0; }

NZBleProtoV3IO::NZBleProtoV3IO() {}
NZBleProtoV3IO::~NZBleProtoV3IO() {}
bool NZBleProtoV3IO::OpenPeripheral(void *) { return BeginOpen() && IsOpened(); }
