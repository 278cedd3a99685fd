// Callsigns to Ethernet and AX.25 ARP hardware addresses and back.
#include "gateway/address_mapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <utility>

#include "ax25/ax25_test_support.h"
#include "gateway/gateway_globals.h"

namespace korvale {
namespace {

using korvale::testing::call;

struct AddressMapping : ::testing::Test {
    const Ax25Address saved_ = std::exchange(GatewayOwnAddress, call("NOCALL", 7));
    ~AddressMapping() override { GatewayOwnAddress = saved_; }
};

// Callsign, SSID, hardware bytes; checked '>' to bytes, '<' to the call, '=' both.
template <typename Hardware>
void expectRows(Hardware (*toBytes)(const Ax25Address&), Ax25Address (*toCall)(const Hardware&),
                std::initializer_list<std::tuple<const char*, int, const char*, char>> rows) {
    for (const auto& [callsign, ssid, hex, way] : rows) {
        SCOPED_TRACE(hex);
        Hardware hardware{};
        const testing::Bytes parsed = testing::bytes(hex);
        std::copy(parsed.begin(), parsed.end(), hardware.begin());
        EXPECT_TRUE(way == '<' || toBytes(call(callsign, ssid)) == hardware);
        EXPECT_TRUE(way == '>' || toCall(hardware) == call(callsign, ssid));
    }
}

TEST_F(AddressMapping, CallsignsMapToEthernetAndArpHardwareAddressesAndBack) {
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
    // The own address is read afresh on every call; unset, it leaves as NOCALL.
    for (const char* unset : {"", " AB"}) {
        GatewayOwnAddress = call(unset, 5);
        EXPECT_EQ(macToCall(kAdapterMac), call("NOCALL"));
    }
}

}  // namespace
}  // namespace korvale
