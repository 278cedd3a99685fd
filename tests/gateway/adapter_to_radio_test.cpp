// The adapter-to-radio path: which Ethernet frames from the host reach the
// radio, and the exact UI frames made from them.
#include "gateway/adapter_to_radio.h"

#include <gtest/gtest.h>

#include <memory>

#include "gateway/fake_nic_driver.h"
#include "gateway/gateway_globals.h"
#include "gateway/gateway_test_frames.h"

namespace korvale {
namespace {

using namespace korvale::testing;

class AdapterToRadioTest : public ::testing::Test {
  protected:
    AdapterToRadioTest() {
        GatewayOwnAddress = addressOf("NOCALL-7");
        SuppressBroadcasts = 1;
        GatewayLinkBitRate = 9600;
        auto fake = std::make_unique<FakeNicDriver>();
        driver = fake.get();
        device = std::make_unique<NicDevice>(std::move(fake));
        path = std::make_unique<AdapterToRadio>(*device);
    }

    ~AdapterToRadioTest() override { GatewayOwnAddress = Ax25Address{}; }

    void hostSends(Bytes frame) { driver->hostFrames.push_back(std::move(frame)); }

    // An IPv4 frame from the host (adapter address) to the given address.
    static Bytes ipFrameTo(const MacAddress& destination, std::size_t payloadSize) {
        Bytes payload(payloadSize);
        for (std::size_t i = 0; i < payloadSize; ++i) {
            payload[i] = static_cast<std::uint8_t>(i * 7 + 1);
        }
        return ethernetFrame(destination, kAdapterMac, 0x08, 0x00, payload);
    }

    FakeNicDriver* driver;
    std::unique_ptr<NicDevice> device;
    std::unique_ptr<AdapterToRadio> path;
};

// --- when nothing is read ---

TEST_F(AdapterToRadioTest, ClosedDeviceGivesNoFrameAndTouchesNothing) {
    hostSends(ipFrameTo(kAb1cde7Mac, 20));
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_EQ(driver->calls, 0);
    EXPECT_EQ(path->reportedLinkSpeed(), kNoLinkSpeedReported);
    EXPECT_EQ(driver->hostFrames.size(), 1u);
}

TEST_F(AdapterToRadioTest, EmptyQueueGivesNoFrameWithoutReading) {
    ASSERT_TRUE(device->open());
    driver->readSucceeds = false;  // a read would be visible as a call below
    const int callsBefore = driver->calls;
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    // setLinkSpeed and pendingFrames only.
    EXPECT_EQ(driver->calls - callsBefore, 2);
}

TEST_F(AdapterToRadioTest, FailedReadAfterNonZeroCountGivesNoFrame) {
    ASSERT_TRUE(device->open());
    driver->pendingOverride = 1;
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
}

TEST_F(AdapterToRadioTest, FailedPendingCountGivesNoFrameAndLeavesQueue) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo(kAb1cde7Mac, 20));
    driver->pendingSucceeds = false;
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_EQ(driver->hostFrames.size(), 1u);
}

// --- link speed ---

TEST_F(AdapterToRadioTest, FirstCallReportsBitRateEvenWithNothingQueued) {
    ASSERT_TRUE(device->open());
    path->takeAdapterFrame();
    path->takeAdapterFrame();
    EXPECT_EQ(driver->speeds, (std::vector<std::int32_t>{9600}));
    EXPECT_EQ(path->reportedLinkSpeed(), 9600);
}

TEST_F(AdapterToRadioTest, ChangedBitRateIsReportedOnceOnNextCall) {
    ASSERT_TRUE(device->open());
    path->takeAdapterFrame();
    GatewayLinkBitRate = 1200;
    path->takeAdapterFrame();
    path->takeAdapterFrame();
    EXPECT_EQ(driver->speeds, (std::vector<std::int32_t>{9600, 1200}));
    EXPECT_EQ(path->reportedLinkSpeed(), 1200);
}

TEST_F(AdapterToRadioTest, RefusedBitRateIsNotRetried) {
    ASSERT_TRUE(device->open());
    driver->speedSucceeds = false;
    path->takeAdapterFrame();
    path->takeAdapterFrame();
    EXPECT_EQ(driver->speeds, (std::vector<std::int32_t>{9600}));
    EXPECT_EQ(path->reportedLinkSpeed(), 9600);
}

TEST_F(AdapterToRadioTest, BitRateIsNotReportedWhileClosed) {
    path->takeAdapterFrame();
    ASSERT_TRUE(device->open());
    path->takeAdapterFrame();
    EXPECT_EQ(driver->speeds, (std::vector<std::int32_t>{9600}));
}

// --- length limits ---

TEST_F(AdapterToRadioTest, ThirteenByteFrameIsDropped) {
    ASSERT_TRUE(device->open());
    hostSends(slice(ipFrameTo(kAb1cde7Mac, 0), 0, 13));
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_TRUE(driver->hostFrames.empty());  // read and dropped, not left queued
}

TEST_F(AdapterToRadioTest, FourteenByteFrameGivesEmptyInformation) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo(kAb1cde7Mac, 0));
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->pid, 0xCC);
    EXPECT_TRUE(frame->info.empty());
}

TEST_F(AdapterToRadioTest, FrameOf4999BytesCarries4985BytesUnchanged) {
    ASSERT_TRUE(device->open());
    const Bytes sent = ipFrameTo(kAb1cde7Mac, 4985);
    ASSERT_EQ(sent.size(), 4999u);
    hostSends(sent);
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->info, slice(sent, 14, 4985));
}

TEST_F(AdapterToRadioTest, FrameFillingTheBufferIsDroppedAsPossiblyCut) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo(kAb1cde7Mac, 4986));  // exactly 5000 bytes
    hostSends(ipFrameTo(kAb1cde7Mac, 9000));  // cut by the read to 5000
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_TRUE(driver->hostFrames.empty());
}

TEST_F(AdapterToRadioTest, DroppedFrameEndsOneCallButNextCallGoesOn) {
    ASSERT_TRUE(device->open());
    hostSends(slice(ipFrameTo(kAb1cde7Mac, 0), 0, 13));
    hostSends(ipFrameTo(kAb1cde7Mac, 4));
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->info.size(), 4u);
}

// --- IP frames ---

TEST_F(AdapterToRadioTest, IpFrameBecomesUiCommandWithPidCcAndNoHeader) {
    ASSERT_TRUE(device->open());
    const Bytes sent = ipFrameTo(kAb1cde7Mac, 40);
    hostSends(sent);
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->source.toText(), "NOCALL-7");
    EXPECT_EQ(frame->destination.toText(), "AB1CDE-7");
    EXPECT_EQ(frame->kind, FrameKind::Ui);
    EXPECT_EQ(frame->commandResponse, 1);
    EXPECT_EQ(frame->pollFinal, 0);
    EXPECT_EQ(frame->digipeaters.count(), 0);
    EXPECT_EQ(frame->pid, 0xCC);
    EXPECT_EQ(frame->info, slice(sent, 14, 40));
    // And on the air: NOCALL-7 never goes out as "SMRDRV".
    const Bytes wire = frame->encode();
    ASSERT_GE(wire.size(), 16u);
    EXPECT_EQ(slice(wire, 7, 6), (Bytes{0x9C, 0x9E, 0x86, 0x82, 0x98, 0x98}));
}

TEST_F(AdapterToRadioTest, SsidFifteenIsUnpackedFromLastByte) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo({0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3E}, 4));
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->destination.toText(), "AB1CDE-15");
}

TEST_F(AdapterToRadioTest, Ipv6AndOtherTypesTravelAsIp) {
    ASSERT_TRUE(device->open());
    hostSends(ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x86, 0xDD, Bytes(40, 0x60)));
    // Only byte 13 tells ARP apart; 0x0800's high byte is not checked either.
    hostSends(ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x12, 0x34, Bytes{1, 2, 3}));
    auto v6 = path->takeAdapterFrame();
    auto other = path->takeAdapterFrame();
    ASSERT_TRUE(v6.has_value());
    ASSERT_TRUE(other.has_value());
    EXPECT_EQ(v6->pid, 0xCC);
    EXPECT_EQ(v6->info, Bytes(40, 0x60));
    EXPECT_EQ(other->pid, 0xCC);
    EXPECT_EQ(other->info, (Bytes{1, 2, 3}));
}

TEST_F(AdapterToRadioTest, BroadcastMulticastAndZeroDestinationsDroppedWhileSuppressed) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo(kBroadcastMac, 20));
    hostSends(ipFrameTo(kIpv4MulticastMac, 20));
    hostSends(ipFrameTo(kZeroMac, 20));
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_TRUE(driver->hostFrames.empty());
}

TEST_F(AdapterToRadioTest, BroadcastsGoToQstWhenNotSuppressed) {
    ASSERT_TRUE(device->open());
    SuppressBroadcasts = 0;
    hostSends(ipFrameTo(kBroadcastMac, 20));
    hostSends(ipFrameTo(kIpv4MulticastMac, 20));
    hostSends(ipFrameTo(kZeroMac, 20));
    for (int i = 0; i < 3; ++i) {
        auto frame = path->takeAdapterFrame();
        ASSERT_TRUE(frame.has_value()) << "frame " << i;
        EXPECT_EQ(frame->destination.toText(), "QST");
    }
}

TEST_F(AdapterToRadioTest, SuppressionFlagIsReadPerFrame) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo(kBroadcastMac, 20));
    hostSends(ipFrameTo(kBroadcastMac, 20));
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    SuppressBroadcasts = 0;
    EXPECT_TRUE(path->takeAdapterFrame().has_value());
}

TEST_F(AdapterToRadioTest, OwnAddressIsReadPerFrame) {
    ASSERT_TRUE(device->open());
    hostSends(ipFrameTo(kAb1cde7Mac, 4));
    hostSends(ipFrameTo(kAb1cde7Mac, 4));
    auto first = path->takeAdapterFrame();
    GatewayOwnAddress = addressOf("G7XYZ-2");
    auto second = path->takeAdapterFrame();
    ASSERT_TRUE(first.has_value());
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(first->source.toText(), "NOCALL-7");
    EXPECT_EQ(second->source.toText(), "G7XYZ-2");
}

TEST_F(AdapterToRadioTest, EmptyOwnCallsignLeavesAsNocall) {
    ASSERT_TRUE(device->open());
    GatewayOwnAddress = Ax25Address{};
    hostSends(ipFrameTo(kAb1cde7Mac, 4));
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->source.toText(), "NOCALL");
}

// --- ARP ---

TEST_F(AdapterToRadioTest, HostArpRequestBecomesAx25ArpFromOwnCallToQst) {
    ASSERT_TRUE(device->open());
    ASSERT_EQ(SuppressBroadcasts, 1);
    hostSends(
        ethernetArp(kBroadcastMac, kAdapterMac, 1, kAdapterMac, kHostIp, kZeroMac, kStationIp));
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->source.toText(), "NOCALL-7");
    EXPECT_EQ(frame->destination.toText(), "QST");
    EXPECT_EQ(frame->kind, FrameKind::Ui);
    EXPECT_EQ(frame->commandResponse, 1);
    EXPECT_EQ(frame->pid, 0xCD);
    EXPECT_EQ(frame->info, ax25Arp(1, kNocall7ArpHardware, kHostIp, kNoArpHardware, kStationIp));
}

TEST_F(AdapterToRadioTest, HostArpReplyCarriesStationHardwareAndOperation) {
    ASSERT_TRUE(device->open());
    hostSends(
        ethernetArp(kAb1cde7Mac, kAdapterMac, 2, kAdapterMac, kHostIp, kAb1cde7Mac, kStationIp));
    auto frame = path->takeAdapterFrame();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->destination.toText(), "AB1CDE-7");
    EXPECT_EQ(frame->info,
              ax25Arp(2, kNocall7ArpHardware, kHostIp, kAb1cde7ArpHardware, kStationIp));
}

TEST_F(AdapterToRadioTest, ArpOfAnyOtherLengthIsDropped) {
    ASSERT_TRUE(device->open());
    Bytes padded =
        ethernetArp(kBroadcastMac, kAdapterMac, 1, kAdapterMac, kHostIp, kZeroMac, kStationIp);
    padded.resize(60, 0);
    Bytes shortened = slice(padded, 0, 41);
    hostSends(padded);
    hostSends(shortened);
    SuppressBroadcasts = 0;  // not dropped as a broadcast: dropped as ARP
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_FALSE(path->takeAdapterFrame().has_value());
    EXPECT_TRUE(driver->hostFrames.empty());
}

// --- the process-wide path ---

TEST(ProcessWideAdapterPath, ReadsThroughProcessWideDevice) {
    GatewayOwnAddress = addressOf("NOCALL-7");
    SuppressBroadcasts = 1;
    GatewayLinkBitRate = 1200;
    auto fake = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *fake;
    ASSERT_TRUE(theNicDevice().useDriver(std::move(fake)));
    driver.hostFrames.push_back(
        ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, Bytes{0x45, 0, 0, 20}));

    EXPECT_FALSE(takeAdapterFrame().has_value());  // closed
    ASSERT_TRUE(theNicDevice().open());
    auto frame = takeAdapterFrame();
    ASSERT_TRUE(theNicDevice().close());

    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->destination.toText(), "AB1CDE-7");
    EXPECT_EQ(driver.speeds, (std::vector<std::int32_t>{1200}));
    GatewayOwnAddress = Ax25Address{};
}

}  // namespace
}  // namespace korvale
