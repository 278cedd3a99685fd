// Byte layout of the two packets the radio side looks into: the AX.25 ARP
// packet (PID 0xCD) and the IPv4 header (PID 0xCC). Shared by the monitor's
// summaries and by the gateway, which builds, answers and queues them.
// Multi-byte numbers are high byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvale {

inline constexpr std::size_t kIpv4AddressSize = 4;

// AX.25 ARP: hardware type 3, protocol 0x00CC, seven-byte hardware addresses.
inline constexpr std::size_t kAx25ArpPacketSize = 30;
inline constexpr std::size_t kAx25ArpOperationOffset = 6;
inline constexpr std::size_t kAx25ArpSenderHardwareOffset = 8;
inline constexpr std::size_t kAx25ArpSenderIpOffset = 15;
inline constexpr std::size_t kAx25ArpTargetHardwareOffset = 19;
inline constexpr std::size_t kAx25ArpTargetIpOffset = 26;
inline constexpr std::uint16_t kAx25ArpHardwareType = 3;
inline constexpr std::uint8_t kAx25ArpHardwareAddressLength = 7;

// ARP operations (the low byte; the high byte is 0).
inline constexpr std::uint8_t kArpRequest = 1;
inline constexpr std::uint8_t kArpReply = 2;

// IPv4 header fields.
inline constexpr std::size_t kIpv4MinHeaderSize = 20;
inline constexpr std::size_t kIpv4TotalLengthOffset = 2;
inline constexpr std::size_t kIpv4ProtocolOffset = 9;
inline constexpr std::size_t kIpv4SourceOffset = 12;
inline constexpr std::size_t kIpv4DestinationOffset = 16;  // right after the source
inline constexpr std::uint8_t kIpProtocolTcp = 6;
inline constexpr std::uint8_t kIpProtocolUdp = 17;

}  // namespace korvale
