// Both gateway paths over the in-memory driver: which frames cross between the
// host and the radio, and the exact bytes they cross as.
#include <tuple>

#include "gateway/gateway_test_frames.h"
#include "gateway/radio_to_adapter.h"

namespace korvale::testing {
namespace {

// A frame from the adapter's address; the payload's length shows a shifted copy.
Bytes fromHost(const std::string& destination, std::size_t size, const char* type = "0800") {
    return bytes(destination + kAdapter + type + std::string(2 * size, '4'));
}

struct OutboundCase {
    const char* what;
    Bytes frame;           // as the host sent it
    int suppress;          // SuppressBroadcasts
    const char* route;     // "SOURCE>DESTINATION" of the UI frame, "" when dropped
    std::string arp = "";  // the AX.25 ARP packet with PID 0xCD; IP carries bytes 14 on
};

TEST_F(GatewayTest, HostFramesBecomeExactUiFramesOrAreDropped) {
    const std::string request =
        ethernetArp(kBroadcast, kAdapter, "01" + kAdapter + kHostIp + kZero + kStationIp);
    const std::string reply =
        ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAdapter + kHostIp + kAb1cde7Mac + kStationIp);
    const OutboundCase cases[] = {
        {"IPv4 to AB1CDE-7", fromHost(kAb1cde7Mac, 40), 1, "NOCALL-7>AB1CDE-7"},
        {"SSID 15 in the last byte", fromHost("82840A363A3E", 4), 1, "NOCALL-7>AB1CDE-15"},
        {"13 bytes", bytes(kAb1cde7Mac + kAdapter + "08"), 1, ""},
        {"14 bytes", fromHost(kAb1cde7Mac, 0), 1, "NOCALL-7>AB1CDE-7"},
        {"4999 bytes", fromHost(kAb1cde7Mac, 4985), 1, "NOCALL-7>AB1CDE-7"},
        {"5000 bytes may be cut", fromHost(kAb1cde7Mac, 4986), 1, ""},
        {"suppressed broadcast", fromHost(kBroadcast, 20), 1, ""},
        {"suppressed multicast", fromHost(kMulticast, 20), 1, ""},
        // Every station hears QST-1 as a broadcast (callToMac), so it is one.
        {"suppressed QST-1", fromHost("A2A67A000000", 20), 1, ""},
        {"broadcast", fromHost(kBroadcast, 20), 0, "NOCALL-7>QST"},
        {"multicast", fromHost(kMulticast, 20), 0, "NOCALL-7>QST"},
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

TEST_F(GatewayTest, HeardFramesBecomeExactEthernetFramesOrNothing) {
    const Bytes request = bytes(ax25Arp("01" + kAb1cde7Hw + kStationIp + kNoHw + kHostIp));
    const Bytes reply = bytes(ax25Arp("02" + kAb1cde7Hw + kStationIp + kNocall7Hw + kHostIp));
    const std::string toAdapter = kAb1cde7Mac + kAdapter + "0800";
    Ax25Frame viaRelay = uiFrame("AB1CDE-7", "G7XYZ-2", kPidIp, Bytes(9, 0x45));
    ASSERT_EQ(viaRelay.digipeaters.parse("RELAY"), 1);  // and not yet repeated
    // The frame as heard on the radio; what the adapter is given: "" when
    // nothing, for IP the header (the datagram follows).
    const std::tuple<const char*, Ax25Frame, std::string> cases[] = {
        {"IP to own call", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, Bytes(20, 0x45)), toAdapter},
        {"ARP request to QST", uiFrame("AB1CDE-7", "QST", kPidArp, request),
         ethernetArp(kAb1cde7Mac, kBroadcast, "01" + kAb1cde7Mac + kStationIp + kZero + kHostIp)},
        {"ARP reply to own call", uiFrame("AB1CDE-7", "NOCALL-7", kPidArp, reply),
         ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAb1cde7Mac + kStationIp + kAdapter + kHostIp)},
        {"ARP of 28 bytes",
         uiFrame("AB1CDE-7", "QST", kPidArp, Bytes(request.begin(), request.end() - 2)), ""},
        {"IP of 4985 bytes", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, Bytes(4985, 0x45)), toAdapter},
        {"IP of 4986 bytes", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, Bytes(4986, 0x45)), ""},
        {"empty IP", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, {}), toAdapter},
        // G7XYZ-2: 'G' and '7' shifted, X, Y, Z and NUL as six-bit codes with
        // SSID bit 1 in byte 3.
        {"for another station via a digipeater", viaRelay, kAb1cde7Mac + "8E6E888E9000 0800"},
        {"I frame", uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, {0x45}, FrameKind::I), ""},
        {"PID F0", uiFrame("AB1CDE-7", "NOCALL-7", kPidNoLayer3, {0x45}), ""},
    };
    const Ax25Frame& toOwnCall = std::get<1>(cases[0]);
    EXPECT_FALSE(deliverToAdapter(device, toOwnCall));  // closed
    ASSERT_TRUE(device.open());
    for (const auto& [what, frame, written] : cases) {
        SCOPED_TRACE(what);
        driver.written.clear();
        EXPECT_EQ(deliverToAdapter(device, frame), !written.empty());
        Bytes expected = bytes(written);
        if (!expected.empty() && frame.pid == kPidIp) {
            expected.insert(expected.end(), frame.info.begin(), frame.info.end());
        }
        EXPECT_EQ(driver.written, std::vector<Bytes>(expected.empty() ? 0 : 1, expected));
    }
    driver.writeSucceeds = false;
    EXPECT_FALSE(deliverToAdapter(device, toOwnCall));
}

}  // namespace
}  // namespace korvale::testing
