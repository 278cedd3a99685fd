// Byte layout of the Ethernet frames exchanged with the virtual adapter and
// of the Ethernet ARP form; the AX.25 ARP packet and the IPv4 header are in
// ax25/arp_ip_layout.h. Frames from the adapter have no frame check sequence
// and no filler; multi-byte numbers are high byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvale {

inline constexpr std::size_t kMacSize = 6;

// Ethernet header: destination, source, EtherType.
inline constexpr std::size_t kEthernetDestinationOffset = 0;
inline constexpr std::size_t kEthernetSourceOffset = 6;
inline constexpr std::size_t kEtherTypeOffset = 12;
inline constexpr std::size_t kEthernetHeaderSize = 14;

// Only the low byte of the EtherType tells ARP (0x0806) from everything else.
inline constexpr std::uint8_t kEtherTypeArpLowByte = 0x06;

// Ethernet ARP for IPv4 (RFC 826) right after the header: 28 bytes.
inline constexpr std::size_t kEthernetArpFrameSize = kEthernetHeaderSize + 28;
inline constexpr std::size_t kEthernetArpOperationOffset = 20;
inline constexpr std::size_t kEthernetArpSenderHardwareOffset = 22;
inline constexpr std::size_t kEthernetArpSenderIpOffset = 28;
inline constexpr std::size_t kEthernetArpTargetHardwareOffset = 32;
inline constexpr std::size_t kEthernetArpTargetIpOffset = 38;

// The largest IP datagram either path carries, and the largest Ethernet
// frame the radio-to-adapter path builds around it.
inline constexpr std::size_t kMaxIpDatagramSize = 4985;
inline constexpr std::size_t kMaxAdapterWriteSize = kEthernetHeaderSize + kMaxIpDatagramSize;

}  // namespace korvale
