// The radio-to-adapter path: which frames heard on the radio reach the host,
// and the exact Ethernet frames handed to the device (source address first).
#include "gateway/radio_to_adapter.h"

#include <gtest/gtest.h>

#include "gateway/gateway_test_frames.h"

namespace korvale::testing {
namespace {

class RadioToAdapterTest : public GatewayTest {};

struct InboundCase {
    const char* what;
    Ax25Frame frame;
    std::string written;  // "" when nothing is; for IP the header, the datagram follows
};

TEST_F(RadioToAdapterTest, HeardFramesBecomeExactEthernetFramesOrNothing) {
    const Bytes request = bytes(ax25Arp("01" + kAb1cde7Hw + kStationIp + kNoHw + kHostIp));
    const Bytes reply = bytes(ax25Arp("02" + kAb1cde7Hw + kStationIp + kNocall7Hw + kHostIp));
    const std::string toAdapter = kAb1cde7Mac + kAdapter + "0800";
    Ax25Frame viaRelay = uiFrame("AB1CDE-7", "G7XYZ-2", kPidIp, counting(9));
    ASSERT_EQ(viaRelay.digipeaters.parse("RELAY"), 1);  // and not yet repeated
    viaRelay.commandResponse = 0;
    viaRelay.pollFinal = 1;
    const InboundCase cases[] = {
        {"IP to own call", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, counting(20)), toAdapter},
        {"ARP request to QST", uiFrame("AB1CDE-7", "QST", kPidArp, request),
         ethernetArp(kAb1cde7Mac, kBroadcast, "01" + kAb1cde7Mac + kStationIp + kZero + kHostIp)},
        {"ARP reply to own call", uiFrame("AB1CDE-7", "NOCALL-7", kPidArp, reply),
         ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAb1cde7Mac + kStationIp + kAdapter + kHostIp)},
        {"ARP of 28 bytes",
         uiFrame("AB1CDE-7", "QST", kPidArp, Bytes(request.begin(), request.end() - 2)), ""},
        {"ARP of 31 bytes", uiFrame("AB1CDE-7", "QST", kPidArp, counting(31)), ""},
        {"IP of 4985 bytes", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, counting(4985)), toAdapter},
        {"IP of 4986 bytes", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, counting(4986)), ""},
        {"empty IP", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, {}), toAdapter},
        // G7XYZ-2: 'G' and '7' shifted, X, Y, Z and NUL as six-bit codes with
        // SSID bit 1 in byte 3.
        {"for another station via a digipeater", viaRelay, kAb1cde7Mac + "8E6E888E9000 0800"},
        {"I frame", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, {0x45}, FrameKind::I), ""},
        {"PID F0", uiFrame("AB1CDE-7", "NOCALL-7", kPidNoLayer3, {0x45}), ""},
    };
    ASSERT_TRUE(device.open());
    for (const InboundCase& c : cases) {
        SCOPED_TRACE(c.what);
        driver.written.clear();
        EXPECT_EQ(deliverToAdapter(device, c.frame), !c.written.empty());
        Bytes expected = bytes(c.written);
        if (!expected.empty() && c.frame.pid == kPidIp) {
            expected.insert(expected.end(), c.frame.info.begin(), c.frame.info.end());
        }
        EXPECT_EQ(driver.written, std::vector<Bytes>(expected.empty() ? 0 : 1, expected));
    }
}

TEST_F(RadioToAdapterTest, ClosedDeviceOrRefusedWriteReportsFailure) {
    const Ax25Frame frame = uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, {0x45});
    EXPECT_FALSE(deliverToAdapter(device, frame));
    EXPECT_EQ(driver.calls, 0);
    ASSERT_TRUE(device.open());
    driver.writeSucceeds = false;
    EXPECT_FALSE(deliverToAdapter(device, frame));
}

}  // namespace
}  // namespace korvale::testing
