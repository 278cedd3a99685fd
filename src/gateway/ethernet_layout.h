// Byte layout of the Ethernet frames exchanged with the virtual adapter and
// of the two ARP forms carried between it and the radio. Frames from the
// adapter have no frame check sequence and no filler; multi-byte numbers are
// high byte first.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvale {

inline constexpr std::size_t kMacSize = 6;
inline constexpr std::size_t kIpv4AddressSize = 4;

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

// AX.25 ARP: hardware type 3, protocol 0x00CC, seven-byte hardware addresses.
inline constexpr std::size_t kAx25ArpPacketSize = 30;
inline constexpr std::size_t kAx25ArpOperationOffset = 6;
inline constexpr std::size_t kAx25ArpSenderHardwareOffset = 8;
inline constexpr std::size_t kAx25ArpSenderIpOffset = 15;
inline constexpr std::size_t kAx25ArpTargetHardwareOffset = 19;
inline constexpr std::size_t kAx25ArpTargetIpOffset = 26;
inline constexpr std::uint16_t kAx25ArpHardwareType = 3;
inline constexpr std::uint8_t kAx25ArpHardwareAddressLength = 7;

// IPv4 header fields the radio queue and the ARP responder look at.
inline constexpr std::size_t kIpv4MinHeaderSize = 20;
inline constexpr std::size_t kIpv4ProtocolOffset = 9;
inline constexpr std::size_t kIpv4SourceOffset = 12;  // the destination follows
inline constexpr std::uint8_t kIpProtocolTcp = 6;
inline constexpr std::uint8_t kIpProtocolUdp = 17;

// The largest IP datagram either path carries, and the largest Ethernet
// frame the radio-to-adapter path builds around it.
inline constexpr std::size_t kMaxIpDatagramSize = 4985;
inline constexpr std::size_t kMaxAdapterWriteSize = kEthernetHeaderSize + kMaxIpDatagramSize;

}  // namespace korvale
