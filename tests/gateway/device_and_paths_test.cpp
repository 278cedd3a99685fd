#include "gateway/address_mapping.h"
#include "gateway/gateway_test_frames.h"
#include "gateway/host_frame_translation.h"
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
    // clang-format off
    const OutboundCase cases[] = {
        {"IPv4 to AB1CDE-7", fromHost(kAb1cde7Mac, 40), 1, "NOCALL-7>AB1CDE-7"},
        {"SSID 15 in the last byte", fromHost("82840A363A3E", 4), 1, "NOCALL-7>AB1CDE-15"},
        {"13 bytes", bytes(kAb1cde7Mac + kAdapter + "08"), 1, ""},
        {"14 bytes", fromHost(kAb1cde7Mac, 0), 1, "NOCALL-7>AB1CDE-7"},
        {"4999 bytes", fromHost(kAb1cde7Mac, 4985), 1, "NOCALL-7>AB1CDE-7"},
        {"5000 bytes may be cut", fromHost(kAb1cde7Mac, 4986), 1, ""},
        {"suppressed broadcast", fromHost(kBroadcast, 20), 1, ""},
        {"suppressed multicast", fromHost(kMulticast, 20), 1, ""},
        {"suppressed QST-1, a broadcast to every station", fromHost("A2A67A000000", 20), 1, ""},
        {"broadcast", fromHost(kBroadcast, 20), 0, "NOCALL-7>QST"},
        {"multicast", fromHost(kMulticast, 20), 0, "NOCALL-7>QST"},
        {"ARP request while suppressed", bytes(request), 1, "NOCALL-7>QST",
         ax25Arp("01" + kNocall7Hw + kHostIp + kNoHw + kStationIp)},
        {"ARP reply", bytes(reply), 1, "NOCALL-7>AB1CDE-7",
         ax25Arp("02" + kNocall7Hw + kHostIp + kAb1cde7Hw + kStationIp)},
        {"ARP filled up to 60 bytes", bytes(request + std::string(36, '0')), 0, ""},
        {"ARP of 41 bytes", bytes(request.substr(0, request.size() - 2)), 0, ""}};
    // clang-format on
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
    // As heard; what the adapter is given ("" nothing; for IP the header, then the datagram).
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
        // G7XYZ-2: 'G', '7' shifted, X, Y, Z, NUL six-bit codes, SSID bit 1 in byte 3.
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

// Callsign, SSID, hardware bytes; checked '>' to bytes, '<' to the call, '=' both.
template <typename Hardware>
void expectRows(Hardware (*toBytes)(const Ax25Address&), Ax25Address (*toCall)(const Hardware&),
                std::initializer_list<std::tuple<const char*, int, const char*, char>> rows) {
    for (const auto& [callsign, ssid, hex, way] : rows) {
        SCOPED_TRACE(hex);
        Hardware hardware;
        std::ranges::copy(bytes(hex), hardware.begin());
        EXPECT_TRUE(way == '<' || toBytes(call(callsign, ssid)) == hardware);
        EXPECT_TRUE(way == '>' || toCall(hardware) == call(callsign, ssid));
    }
}

TEST_F(GatewayTest, CallsignsMapToEthernetAndArpHardwareAddressesAndBack) {
    // clang-format off
    expectRows<MacAddress>(callToMac, macToCall, {
        {"QST", 0, "FFFFFFFFFFFF", '='}, {"QST", 9, "FFFFFFFFFFFF", '>'},
        {"QSTX", 0, "A2A678880000", '='}, {"NOCALL", 7, "534D52445256", '='},
        {"NOCALL", 0, "9C9E342C5858", '='}, {"AB1CDE", 7, "82840A363A3C", '='},
        {"AB1CDE", 15, "82840A363A3E", '='}, {"K1", 5, "966202000200", '='},
        {"ABcDEF", 3, "8284023A3C40", '>'}, {"", 7, "00840A363A3C", '<'},
        {"QST", 0, "01005E0000FB", '<'}, {"QST", 0, "000000000000", '<'},
        {"AB1", 5, "82840A943A3C", '<'}, {"AB1CDE", 7, "82840B373B3D", '<'}});
    expectRows<ArpHardwareAddress>(callToArpHardware, arpHardwareToCall, {
        {"QST", 0, "00000000000000", '='}, {"QST", 3, "00000000000000", '>'},
        {"NOCALL", 7, "9C9E86829898 6E", '='}, {"K1", 15, "966240404040 7E", '='},
        {"a-~", 0, "C25AFC404040 60", '='}, {"AB", 1, "82844086888A 62", '<'},
        {"ABC", 1, "828486414040 E3", '<'}, {"A", 0, "821486404040 60", '<'},
        {"", 1, "008240404040 62", '<'}});
    // clang-format on
    EXPECT_EQ(callToArpMac(call("QST", 9)), MacAddress{});
    EXPECT_EQ(callToArpMac(call("NOCALL", 7)), kAdapterMac);
    for (const char* unset : {"", " AB"}) {
        GatewayOwnAddress = call(unset, 5);
        EXPECT_EQ(macToCall(kAdapterMac), call("NOCALL"));
    }
}

TEST(HostFrameTranslation, OnlyAddressFieldsTradeInterfaceAddressAndAdapter) {
    const std::string nic = "EE2A1BA3452D";
    const std::string ip = "0800 45000014 00000000" + nic + "00000000" + kAdapter;
    const std::string arp = ethernetArp(kBroadcast, nic, "01" + nic + kHostIp + nic + kStationIp);
    const std::tuple<const char*, bool, std::string, std::string> cases[] = {
        {"ARP reply from host", false,
         ethernetArp(kAb1cde7Mac, nic, "02" + nic + kStationIp + nic + kHostIp),
         ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAdapter + kStationIp + kAdapter + kHostIp)},
        {"IP from host", false, kAb1cde7Mac + nic + ip, kAb1cde7Mac + kAdapter + ip},
        {"9 bytes from host", false, nic + "EE2A1B", kAdapter + "EE2A1B"},
        {"41-byte ARP from host", false, arp.substr(0, arp.size() - 2),
         kBroadcast + kAdapter + arp.substr(24, arp.size() - 26)},
        {"IP to host", true, kAb1cde7Mac + kAdapter + ip, nic + kAb1cde7Mac + ip},
        {"ARP reply to host", true,
         ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAb1cde7Mac + kStationIp + kAdapter + kHostIp),
         ethernetArp(nic, kAb1cde7Mac, "02" + kAb1cde7Mac + kStationIp + nic + kHostIp)},
        {"13 bytes to host", true, kAb1cde7Mac + kAdapter + "08", kAb1cde7Mac + kAdapter + "08"},
    };
    const MacAddress nicMac = {0xEE, 0x2A, 0x1B, 0xA3, 0x45, 0x2D};
    for (const auto& [what, toHost, in, out] : cases) {
        SCOPED_TRACE(what);
        Bytes frame = bytes(in);
        if (toHost) {
            translateFrameToHost(std::span(frame).first(hostTranslatedPrefixSize(frame)), nicMac);
        } else {
            translateFrameFromHost(frame, nicMac);
        }
        EXPECT_EQ(frame, bytes(out));
    }
}

}  // namespace
}  // namespace korvale::testing
