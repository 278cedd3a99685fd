// Byte-level helpers for the gateway tests: Ethernet and ARP frames written
// out field by field, so each test states its input in one line.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "ax25/ax25_address.h"
#include "gateway/address_mapping.h"

namespace korvale::testing {

using Bytes = std::vector<std::uint8_t>;
using Ipv4 = std::array<std::uint8_t, 4>;

// AB1CDE-7 packed by the callsign rule, worked out by hand.
inline constexpr MacAddress kAb1cde7Mac = {0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3C};
// AB1CDE-7 in the AX.25 ARP form: shifted characters, 0x60 | (7 << 1).
inline constexpr std::array<std::uint8_t, 7> kAb1cde7ArpHardware = {0x82, 0x84, 0x62, 0x86,
                                                                    0x88, 0x8A, 0x6E};
// NOCALL-7 in the AX.25 ARP form, and the all-zero "QST" form.
inline constexpr std::array<std::uint8_t, 7> kNocall7ArpHardware = {0x9C, 0x9E, 0x86, 0x82,
                                                                    0x98, 0x98, 0x6E};
inline constexpr std::array<std::uint8_t, 7> kNoArpHardware = {0, 0, 0, 0, 0, 0, 0};
inline constexpr MacAddress kZeroMac = {0, 0, 0, 0, 0, 0};
inline constexpr MacAddress kIpv4MulticastMac = {0x01, 0x00, 0x5E, 0x00, 0x00, 0x01};
inline constexpr Ipv4 kHostIp = {44, 0, 0, 1};
inline constexpr Ipv4 kStationIp = {44, 0, 0, 2};

inline Ax25Address addressOf(std::string_view text) {
    Ax25Address address;
    EXPECT_TRUE(address.parse(text)) << text;
    return address;
}

inline Bytes join(std::initializer_list<std::span<const std::uint8_t>> parts) {
    Bytes out;
    for (auto part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

inline Bytes ethernetFrame(const MacAddress& destination, const MacAddress& source,
                           std::uint8_t typeHigh, std::uint8_t typeLow, const Bytes& payload) {
    const std::array<std::uint8_t, 2> type = {typeHigh, typeLow};
    return join({destination, source, type, payload});
}

// An RFC 826 ARP message for IPv4 over Ethernet in a 42-byte frame.
inline Bytes ethernetArp(const MacAddress& destination, const MacAddress& source,
                         std::uint8_t operation, const MacAddress& senderHardware,
                         const Ipv4& senderIp, const MacAddress& targetHardware,
                         const Ipv4& targetIp) {
    const std::array<std::uint8_t, 8> fixed = {0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, operation};
    return ethernetFrame(destination, source, 0x08, 0x06,
                         join({fixed, senderHardware, senderIp, targetHardware, targetIp}));
}

// A 30-byte AX.25 ARP packet.
inline Bytes ax25Arp(std::uint8_t operation, std::span<const std::uint8_t> senderHardware,
                     const Ipv4& senderIp, std::span<const std::uint8_t> targetHardware,
                     const Ipv4& targetIp) {
    const std::array<std::uint8_t, 8> fixed = {0x00, 0x03, 0x00, 0xCC, 0x07, 0x04, 0x00, operation};
    return join({fixed, senderHardware, senderIp, targetHardware, targetIp});
}

inline Bytes slice(const Bytes& bytes, std::size_t offset, std::size_t count) {
    return Bytes(bytes.begin() + offset, bytes.begin() + offset + count);
}

inline Bytes bytesOf(std::span<const std::uint8_t> bytes) {
    return Bytes(bytes.begin(), bytes.end());
}

}  // namespace korvale::testing
