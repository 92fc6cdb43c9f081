// Bluetooth SPP, BLE and Wi-Fi P2P ports: every open fails and leaves the port closed.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "ports/NZBleBaseIO.h"
#include "ports/NZBtSppBaseIO.h"
#include "ports/NZWiFiP2PDeviceManager.h"
#include "support/PortChecks.h"

using quorvane_test::ExpectAllFlagsClear;

namespace {

struct UuidSpy : public NZBtSppBaseIO_linux {
    bool OpenAddressUuid(const char *address, const char *uuid) override
    {
        seenAddress = address ? address : "(null)";
        seenUuid = uuid ? uuid : "(null)";
        return NZBtSppBaseIO_linux::OpenAddressUuid(address, uuid);
    }
    std::string seenAddress, seenUuid;
};

TEST(BtSpp, OpensFail)
{
    UuidSpy port;
    EXPECT_FALSE(port.Open("00:11:22:33:44:55"));
    EXPECT_EQ(port.seenUuid, "00001101-0000-1000-8000-00805F9B34FB");
    ExpectAllFlagsClear(port);
    EXPECT_FALSE(port.OpenAddressUuidA("00:11:22:33:44:55", "uuid"));
    EXPECT_EQ(port.seenUuid, "uuid");
    EXPECT_FALSE(port.OpenAddressUuidW(L"AA:BB:CC:DD:EE:FF", L"wide-uuid"));
    EXPECT_EQ(port.seenAddress, "AA:BB:CC:DD:EE:FF");
    EXPECT_EQ(port.seenUuid, "wide-uuid");
    EXPECT_FALSE(port.OpenW(L"AA:BB:CC:DD:EE:FF"));
    EXPECT_FALSE(port.Open(nullptr));
    ExpectAllFlagsClear(port);
    port.Close();
    ExpectAllFlagsClear(port);
    unsigned char b;
    EXPECT_EQ(port.Write(&b, 1, 10), -1);
    EXPECT_EQ(port.Read(&b, 1, 10), -1);
}

struct FakeServer : public NZBtSppServerSocket {
    bool listenResult = true;
    int listens = 0, accepts = 0, stops = 0;
    const char *fill = nullptr;
    bool Listen() override
    {
        ++listens;
        return listenResult;
    }
    void Accept(unsigned int, NZBtSppBaseIO *, char *address) override
    {
        ++accepts;
        if (fill)
            strcpy(address, fill);
    }
    void StopListen() override { ++stops; }
};

TEST(BtSpp, OpenWithListen)
{
    NZBtSppBaseIO_linux port;
    FakeServer server;
    wchar_t wide[18];
    wmemset(wide, L'#', 18);
    EXPECT_FALSE(port.OpenWithListenW(&server, 1000, wide));
    for (wchar_t c : wide)
        EXPECT_EQ(c, L'\0');
    EXPECT_EQ(server.listens, 1);
    EXPECT_EQ(server.accepts, 1);
    EXPECT_EQ(server.stops, 1);

    server.fill = "11:22:33:44:55:66";
    EXPECT_FALSE(port.OpenWithListenW(&server, 1000, wide));
    EXPECT_EQ(std::wstring(wide), L"11:22:33:44:55:66");

    server.listenResult = false;
    char narrow[18] = {0};
    EXPECT_FALSE(port.OpenWithListenA(&server, 1000, narrow));
    EXPECT_EQ(server.accepts, 2); // no accept without a listening server
    EXPECT_FALSE(port.OpenWithListen(nullptr, 1000, narrow));
    EXPECT_FALSE(port.OpenWithListenW(nullptr, 1000, nullptr));
    ExpectAllFlagsClear(port);
}

TEST(Ble, AllVariantsStayClosed)
{
    NZBleBaseIO_linux ble;
    EXPECT_FALSE(ble.OpenPeripheral(nullptr));
    EXPECT_FALSE(ble.Open("AA:BB"));
    ble.SetWriteMode(0, 120, 180000, 3);
    ExpectAllFlagsClear(ble);

    NZBleProtoV2IO v2;
    EXPECT_FALSE(v2.OpenPeripheral(&v2));
    int value = 42;
    EXPECT_EQ(v2.GetPacketSendTimesListLength(), 0);
    EXPECT_EQ(v2.GetPacketSendTimesListValue(&value, 1), 0);
    v2.ClearPacketSendTimesList();
    EXPECT_EQ(v2.GetPacketSendTimesListLength(), 0);
    EXPECT_EQ(v2.GetPacketSendTimesListValue(&value, 1), 0);
    EXPECT_EQ(value, 42);
    ExpectAllFlagsClear(v2);

    NZBleProtoV3IO v3;
    EXPECT_FALSE(v3.OpenPeripheral(nullptr));
    ExpectAllFlagsClear(v3);
}

TEST(WiFiP2P, NeverConnects)
{
    NZWiFiP2PDeviceManager m;
    EXPECT_FALSE(m.IsConnected());
    EXPECT_FALSE(m.Connect("DIRECT-printer", 5000));
    EXPECT_FALSE(m.Connect(nullptr, 0));
    m.Disconnect();
    EXPECT_FALSE(m.IsConnected());
}

} // namespace
