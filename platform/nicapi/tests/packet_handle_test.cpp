// The handle of an open adapter is a packet-driver handle on the adapter's interface, so a
// packet test runs on what VBKvOpenAdapter gave.
#include <pktdrv/pktdrv.h>
#include <support/packet_driver.h>

#include <cstring>

#include "api_fixture.h"

namespace nicapi::test {
namespace {

using PacketHandle = NicapiTest;

using testsupport::adapterAddress;

TEST_F(PacketHandle, AnOpenAdapterCarriesFramesOnTheSharedMediumWithItsOwnAddress) {
    WLAdapterInfo card = opened("0007");
    WLAdapterInfo usb = opened("0008");
    EXPECT_EQ(adapterAddress(card.AdapterHandle), (std::array<uint8_t, 6>{2, 0x5A, 0x1C, 0, 0, 7}));
    EXPECT_EQ(adapterAddress(usb.AdapterHandle), (std::array<uint8_t, 6>{2, 0x5A, 0x1C, 0, 0, 8}));

    // A frame from the card to the USB adapter arrives there.
    ASSERT_EQ(testsupport::setPacketFilter(usb.AdapterHandle, PKTDRV_FILTER_DIRECTED),
              ERROR_SUCCESS);
    static bool arrived = false;
    KvRAS_PACKET packet{};
    packet.Capacity = PKTDRV_MAX_FRAME;
    OVERLAPPED overlapped{};
    ASSERT_TRUE(W32N_PacketReadEx(usb.AdapterHandle, &packet, nullptr, &overlapped,
                                  [](DWORD, DWORD, OVERLAPPED*) { arrived = true; }));
    uint8_t frame[60] = {2, 0x5A, 0x1C, 0, 0, 8, 2, 0x5A, 0x1C, 0, 0, 7};
    ASSERT_TRUE(
        W32N_PacketSendEx(card.AdapterHandle, frame, sizeof frame, nullptr, nullptr, nullptr));
    for (int i = 0; i < 100 && !arrived; ++i)
        SleepEx(10, TRUE);
    EXPECT_TRUE(arrived);
    EXPECT_EQ(packet.Length, 60u);

    const int32_t handle = card.AdapterHandle;
    EXPECT_EQ(VBKvCloseAdapter(&card), 1);
    EXPECT_FALSE(W32N_CloseAdapter(handle));  // closed with the adapter
    EXPECT_EQ(VBKvCloseAdapter(&usb), 1);
}

TEST_F(PacketHandle, AnAdapterWhoseInterfaceCannotBeOpenedDoesNotOpen) {
    std::string text(kAdapters);
    const std::string mac = "mac = 02:5A:1C:00:00:07\n";
    text.replace(text.find(mac), mac.size(), mac + "interface = nosuchif0\n");
    useEnvironment(text);
    WLAdapterInfo info = record("0007");
    EXPECT_EQ(VBKvOpenAdapter(&info), 0);
    EXPECT_EQ(info.AdapterHandle, -1);
}

}  // namespace
}  // namespace nicapi::test
