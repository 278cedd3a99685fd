// The radio-to-adapter path: which frames heard on the radio reach the host,
// and the exact Ethernet frames handed to the device (source address first).
#include "gateway/radio_to_adapter.h"

#include <gtest/gtest.h>

#include <memory>

#include "gateway/adapter_to_radio.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/gateway_globals.h"
#include "gateway/gateway_test_frames.h"

namespace korvale {
namespace {

using namespace korvale::testing;

Ax25Frame uiFrame(std::string_view source, std::string_view destination, int pid, const Bytes& info,
                  FrameKind kind = FrameKind::Ui) {
    Ax25Frame frame;
    frame.build(addressOf(source), addressOf(destination), AddressList{}, 0, kind, 1, 0, 0, 0, pid,
                info);
    return frame;
}

class RadioToAdapterTest : public ::testing::Test {
  protected:
    RadioToAdapterTest() {
        GatewayOwnAddress = addressOf("NOCALL-7");
        SuppressBroadcasts = 1;
        auto fake = std::make_unique<FakeNicDriver>();
        driver = fake.get();
        device = std::make_unique<NicDevice>(std::move(fake));
    }

    ~RadioToAdapterTest() override { GatewayOwnAddress = Ax25Address{}; }

    const Bytes& onlyWritten() const {
        EXPECT_EQ(driver->written.size(), 1u);
        static const Bytes none;
        return driver->written.empty() ? none : driver->written.front();
    }

    FakeNicDriver* driver;
    std::unique_ptr<NicDevice> device;
};

TEST_F(RadioToAdapterTest, IpFromStationToOwnCallIsWrittenSourceFirst) {
    ASSERT_TRUE(device->open());
    const Bytes datagram = {0x45, 0x00, 0x00, 0x1C, 1, 2, 3, 4};
    EXPECT_TRUE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, datagram)));
    const Bytes& written = onlyWritten();
    EXPECT_EQ(written, ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, datagram));
}

TEST_F(RadioToAdapterTest, ArpRequestToQstGivesBroadcastAndZeroTargetHardware) {
    ASSERT_TRUE(device->open());
    const Bytes packet = ax25Arp(1, kAb1cde7ArpHardware, kStationIp, kNoArpHardware, kHostIp);
    EXPECT_TRUE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "QST", 0xCD, packet)));
    const Bytes& written = onlyWritten();
    ASSERT_EQ(written.size(), 42u);
    EXPECT_EQ(written, ethernetArp(kAb1cde7Mac, kBroadcastMac, 1, kAb1cde7Mac, kStationIp, kZeroMac,
                                   kHostIp));
}

TEST_F(RadioToAdapterTest, ArpReplyToOwnCallNamesAdapterAsTarget) {
    ASSERT_TRUE(device->open());
    const Bytes packet = ax25Arp(2, kAb1cde7ArpHardware, kStationIp, kNocall7ArpHardware, kHostIp);
    EXPECT_TRUE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCD, packet)));
    EXPECT_EQ(onlyWritten(), ethernetArp(kAb1cde7Mac, kAdapterMac, 2, kAb1cde7Mac, kStationIp,
                                         kAdapterMac, kHostIp));
}

TEST_F(RadioToAdapterTest, ArpPacketHeaderBytesAreNotExamined) {
    ASSERT_TRUE(device->open());
    Bytes packet = ax25Arp(1, kAb1cde7ArpHardware, kStationIp, kNoArpHardware, kHostIp);
    for (std::size_t i = 0; i < 6; ++i) {
        packet[i] = 0xEE;
    }
    EXPECT_TRUE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "QST", 0xCD, packet)));
    // The Ethernet ARP header is always written for IPv4 over Ethernet.
    EXPECT_EQ(slice(onlyWritten(), 14, 6), (Bytes{0x00, 0x01, 0x08, 0x00, 0x06, 0x04}));
}

TEST_F(RadioToAdapterTest, ArpOf28Or31BytesIsNotDelivered) {
    ASSERT_TRUE(device->open());
    const Bytes packet = ax25Arp(1, kAb1cde7ArpHardware, kStationIp, kNoArpHardware, kHostIp);
    Bytes longer = packet;
    longer.push_back(0);
    EXPECT_FALSE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "QST", 0xCD, slice(packet, 0, 28))));
    EXPECT_FALSE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "QST", 0xCD, longer)));
    EXPECT_TRUE(driver->written.empty());
}

TEST_F(RadioToAdapterTest, Datagram4985BytesGivesFrameOf4999Bytes) {
    ASSERT_TRUE(device->open());
    Bytes datagram(4985);
    for (std::size_t i = 0; i < datagram.size(); ++i) {
        datagram[i] = static_cast<std::uint8_t>(i * 13);
    }
    EXPECT_TRUE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, datagram)));
    const Bytes& written = onlyWritten();
    ASSERT_EQ(written.size(), 4999u);
    EXPECT_EQ(slice(written, 14, 4985), datagram);
}

TEST_F(RadioToAdapterTest, Datagram4986BytesIsNotDelivered) {
    ASSERT_TRUE(device->open());
    EXPECT_FALSE(
        deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, Bytes(4986, 0x45))));
    EXPECT_TRUE(driver->written.empty());
}

TEST_F(RadioToAdapterTest, EmptyDatagramGivesBareHeader) {
    ASSERT_TRUE(device->open());
    EXPECT_TRUE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, {})));
    EXPECT_EQ(onlyWritten(), ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, {}));
}

TEST_F(RadioToAdapterTest, FramesForOtherStationsAndUnrepeatedPathsAreDeliveredAnyway) {
    ASSERT_TRUE(device->open());
    Ax25Frame viaDigipeater = uiFrame("AB1CDE-7", "G7XYZ-2", 0xCC, {0x45});
    AddressList path;
    ASSERT_TRUE(path.append(addressOf("RELAY")));
    viaDigipeater.build(viaDigipeater.source, viaDigipeater.destination, path, 0, FrameKind::Ui, 0,
                        1, 0, 0, 0xCC, Bytes{0x45});
    EXPECT_TRUE(deliverToAdapter(*device, viaDigipeater));
    const Bytes& written = onlyWritten();
    ASSERT_EQ(written.size(), 15u);
    EXPECT_EQ(slice(written, 0, 6), bytesOf(kAb1cde7Mac));
    // G7XYZ-2: 'G' and '7' shifted, then X, Y, Z, NUL as six-bit codes with
    // SSID bit 1 in byte 3.
    EXPECT_EQ(slice(written, 6, 6), (Bytes{0x8E, 0x6E, 0x88, 0x8E, 0x90, 0x00}));
}

TEST_F(RadioToAdapterTest, OnlyUiFramesWithIpOrArpPidAreDelivered) {
    ASSERT_TRUE(device->open());
    EXPECT_FALSE(
        deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, {0x45}, FrameKind::I)));
    EXPECT_FALSE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xF0, {0x45})));
    EXPECT_TRUE(driver->written.empty());
}

TEST_F(RadioToAdapterTest, ClosedDeviceWritesNothing) {
    EXPECT_FALSE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, {0x45})));
    EXPECT_EQ(driver->calls, 0);
}

TEST_F(RadioToAdapterTest, RefusedWriteIsReportedAsFailure) {
    ASSERT_TRUE(device->open());
    driver->writeSucceeds = false;
    EXPECT_FALSE(deliverToAdapter(*device, uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, {0x45})));
}

// A host ARP request that crosses the radio to another Korvale comes out as
// the same message, with only the header's two addresses in written order.
TEST_F(RadioToAdapterTest, ArpSurvivesTheRadioBothWays) {
    ASSERT_TRUE(device->open());
    const Bytes request =
        ethernetArp(kBroadcastMac, kAdapterMac, 1, kAdapterMac, kHostIp, kZeroMac, kStationIp);
    driver->hostFrames.push_back(request);
    AdapterToRadio outbound(*device);
    auto onAir = outbound.takeAdapterFrame();
    ASSERT_TRUE(onAir.has_value());

    Ax25Frame heard;
    ASSERT_TRUE(heard.decode(onAir->encode()));
    EXPECT_TRUE(deliverToAdapter(*device, heard));
    EXPECT_EQ(onlyWritten(), ethernetArp(kAdapterMac, kBroadcastMac, 1, kAdapterMac, kHostIp,
                                         kZeroMac, kStationIp));
}

TEST(ProcessWideRadioPath, WritesThroughProcessWideDevice) {
    GatewayOwnAddress = addressOf("NOCALL-7");
    auto fake = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *fake;
    ASSERT_TRUE(theNicDevice().useDriver(std::move(fake)));
    const Ax25Frame frame = uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, {0x45});
    EXPECT_FALSE(deliverToAdapter(frame));
    ASSERT_TRUE(theNicDevice().open());
    EXPECT_TRUE(deliverToAdapter(frame));
    ASSERT_TRUE(theNicDevice().close());
    ASSERT_EQ(driver.written.size(), 1u);
    EXPECT_EQ(driver.written[0], ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, {0x45}));
    GatewayOwnAddress = Ax25Address{};
}

}  // namespace
}  // namespace korvale
