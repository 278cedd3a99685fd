// Gateway frames as hex text, and a fixture with a device over the fake driver.
#pragma once

#include <gtest/gtest.h>

#include "ax25/ax25_test_support.h"
#include "gateway/adapter_to_radio.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/gateway_globals.h"

namespace korvale::testing {

// AB1CDE-7 (packed by hand), adapter, broadcast, multicast, zero; then AX.25 ARP addresses.
inline const std::string kAb1cde7Mac = "82840A363A3C";
inline const std::string kAdapter = "534D52445256";
inline const std::string kBroadcast = "FFFFFFFFFFFF";
inline const std::string kMulticast = "01005E000001";
inline const std::string kZero = "000000000000";
inline const std::string kAb1cde7Hw = "82846286888A 6E";
inline const std::string kNocall7Hw = "9C9E86829898 6E";
inline const std::string kNoHw = "00000000000000";
inline const std::string kHostIp = "2C000001";     // 44.0.0.1
inline const std::string kStationIp = "2C000002";  // 44.0.0.2

// Ethernet (42 bytes) and AX.25 (30 bytes) ARP; body: operation's low byte, addresses.
inline std::string ethernetArp(const std::string& destination, const std::string& source,
                               const std::string& body) {
    return destination + source + "0806 0001 0800 0604 00" + body;
}

inline std::string ax25Arp(const std::string& body) {
    return "0003 00CC 0704 00" + body;
}

inline Ax25Frame uiFrame(std::string_view source, std::string_view destination, int pid,
                         const Bytes& info, FrameKind kind = Ui) {
    return frameOf(source, destination, "", 0, kind, 1, 0, 0, 0, pid, info);
}

inline std::string route(const Ax25Frame& frame) {
    return frame.source.toText() + ">" + frame.destination.toText();
}

class GatewayTest : public ::testing::Test {
  protected:
    GatewayTest() {
        EXPECT_TRUE(GatewayOwnAddress.parse("NOCALL-7"));
        GatewayLinkBitRate = 9600;
    }

    std::unique_ptr<FakeNicDriver> owned = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *owned;
    NicDevice device{std::move(owned)};
    AdapterToRadio path{device};
};

}  // namespace korvale::testing
