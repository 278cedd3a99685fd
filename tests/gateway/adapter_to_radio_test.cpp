// The adapter-to-radio path: which Ethernet frames from the host reach the
// radio, and the exact UI frames made from them.
#include "gateway/adapter_to_radio.h"

#include <gtest/gtest.h>

#include "gateway/gateway_test_frames.h"
#include "gateway/radio_to_adapter.h"

namespace korvale::testing {
namespace {

class AdapterToRadioTest : public GatewayTest {};

// A frame from the adapter's address carrying counting bytes.
Bytes fromHost(const std::string& destination, std::size_t payloadSize,
               const std::string& type = "0800") {
    Bytes frame = bytes(destination + kAdapter + type);
    const Bytes payload = counting(payloadSize);
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

struct OutboundCase {
    const char* what;
    Bytes frame;
    int suppress;          // SuppressBroadcasts
    const char* route;     // "SOURCE>DESTINATION" of the UI frame, "" when dropped
    std::string arp = "";  // the AX.25 ARP packet with PID 0xCD; IP carries bytes 14 on
};

TEST_F(AdapterToRadioTest, HostFramesBecomeExactUiFramesOrAreDropped) {
    const std::string request =
        ethernetArp(kBroadcast, kAdapter, "01" + kAdapter + kHostIp + kZero + kStationIp);
    const std::string reply =
        ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAdapter + kHostIp + kAb1cde7Mac + kStationIp);
    const OutboundCase cases[] = {
        {"IPv4 to AB1CDE-7", fromHost(kAb1cde7Mac, 40), 1, "NOCALL-7>AB1CDE-7"},
        {"SSID 15 in the last byte", fromHost("82840A363A3E", 4), 1, "NOCALL-7>AB1CDE-15"},
        {"IPv6 travels as IP", fromHost(kAb1cde7Mac, 40, "86DD"), 1, "NOCALL-7>AB1CDE-7"},
        {"only byte 13 tells ARP", fromHost(kAb1cde7Mac, 3, "1234"), 1, "NOCALL-7>AB1CDE-7"},
        {"13 bytes", bytes(kAb1cde7Mac + kAdapter + "08"), 1, ""},
        {"14 bytes", fromHost(kAb1cde7Mac, 0), 1, "NOCALL-7>AB1CDE-7"},
        {"4999 bytes", fromHost(kAb1cde7Mac, 4985), 1, "NOCALL-7>AB1CDE-7"},
        {"5000 bytes may be cut", fromHost(kAb1cde7Mac, 4986), 1, ""},
        {"cut by the read", fromHost(kAb1cde7Mac, 9000), 1, ""},
        {"suppressed broadcast", fromHost(kBroadcast, 20), 1, ""},
        {"suppressed multicast", fromHost(kMulticast, 20), 1, ""},
        {"suppressed all-zero", fromHost(kZero, 20), 1, ""},
        {"broadcast", fromHost(kBroadcast, 20), 0, "NOCALL-7>QST"},
        {"multicast", fromHost(kMulticast, 20), 0, "NOCALL-7>QST"},
        {"all-zero", fromHost(kZero, 20), 0, "NOCALL-7>QST"},
        {"ARP request while suppressed", bytes(request), 1, "NOCALL-7>QST",
         ax25Arp("01" + kNocall7Hw + kHostIp + kNoHw + kStationIp)},
        {"ARP reply", bytes(reply), 1, "NOCALL-7>AB1CDE-7",
         ax25Arp("02" + kNocall7Hw + kHostIp + kAb1cde7Hw + kStationIp)},
        {"ARP filled up to 60 bytes", bytes(request + std::string(36, '0')), 0, ""},
        {"ARP of 41 bytes", bytes(request.substr(0, request.size() - 2)), 0, ""},
    };
    ASSERT_TRUE(device.open());
    for (const OutboundCase& c : cases) {
        SCOPED_TRACE(c.what);
        SuppressBroadcasts = c.suppress;
        driver.hostFrames.push_back(c.frame);
        const std::optional<Ax25Frame> frame = path.takeAdapterFrame();
        EXPECT_TRUE(driver.hostFrames.empty());  // read even when dropped
        ASSERT_EQ(frame.has_value(), *c.route != '\0');
        if (frame) {
            EXPECT_EQ(route(*frame), c.route);
            EXPECT_EQ(std::tuple(frame->kind, frame->commandResponse, frame->pollFinal,
                                 frame->digipeaters.count(), frame->pid),
                      std::tuple(FrameKind::Ui, 1, 0, 0, c.arp.empty() ? kPidIp : kPidArp));
            EXPECT_EQ(frame->info,
                      c.arp.empty() ? Bytes(c.frame.begin() + 14, c.frame.end()) : bytes(c.arp));
        }
    }
}

TEST_F(AdapterToRadioTest, NothingIsReadWhenClosedOrNotCountedAndBitRateIsReportedOnChange) {
    driver.hostFrames.push_back(fromHost(kAb1cde7Mac, 20));
    EXPECT_FALSE(path.takeAdapterFrame());
    EXPECT_EQ(driver.calls, 0);
    ASSERT_TRUE(device.open());
    driver.pendingSucceeds = false;  // the driver leaves a non-zero count behind
    driver.speedSucceeds = false;    // a refused rate is not retried
    EXPECT_FALSE(path.takeAdapterFrame());
    EXPECT_EQ(driver.hostFrames.size(), 1u);
    GatewayLinkBitRate = 1200;
    path.takeAdapterFrame();
    path.takeAdapterFrame();
    EXPECT_EQ(driver.speeds, (std::vector<std::int32_t>{9600, 1200}));
}

TEST(ProcessWidePaths, FreeFunctionsUseProcessWideDeviceAndEmptyOwnCallLeavesAsNocall) {
    auto owned = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *owned;
    ASSERT_TRUE(theNicDevice().useDriver(std::move(owned)));
    GatewayOwnAddress = {};
    driver.hostFrames.push_back(fromHost(kAb1cde7Mac, 4));
    const Ax25Frame heard = uiFrame("AB1CDE-7", "QST", kPidIp, bytes("45"));
    EXPECT_FALSE(takeAdapterFrame() || deliverToAdapter(heard));
    ASSERT_TRUE(theNicDevice().open());
    const std::optional<Ax25Frame> sent = takeAdapterFrame();
    EXPECT_TRUE(sent && route(*sent) == "NOCALL>AB1CDE-7");
    EXPECT_TRUE(deliverToAdapter(heard));
    EXPECT_EQ(driver.written.size(), 1u);
    ASSERT_TRUE(theNicDevice().close());
}

}  // namespace
}  // namespace korvale::testing
