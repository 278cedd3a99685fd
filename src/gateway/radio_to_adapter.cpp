#include "gateway/radio_to_adapter.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "ax25/arp_ip_layout.h"
#include "gateway/address_mapping.h"
#include "gateway/ethernet_layout.h"

namespace korvale {
namespace {

// Source first: the reverse of the frames read from the adapter (see header).
constexpr std::size_t kWrittenSourceOffset = 0;
constexpr std::size_t kWrittenDestinationOffset = 6;
constexpr std::array<std::uint8_t, 2> kEtherTypeIpv4 = {0x08, 0x00};
constexpr std::array<std::uint8_t, 2> kEtherTypeArp = {0x08, 0x06};
// Hardware type Ethernet, protocol IPv4, address lengths 6 and 4.
constexpr std::array<std::uint8_t, 6> kEthernetArpPreamble = {0x00, 0x01, 0x08, 0x00, 0x06, 0x04};

template <std::size_t N>
void put(std::span<std::uint8_t> buffer, std::size_t offset,
         const std::array<std::uint8_t, N>& bytes) {
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + offset);
}

void putBytes(std::span<std::uint8_t> buffer, std::size_t offset,
              std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), buffer.begin() + offset);
}

ArpHardwareAddress arpHardwareAt(std::span<const std::uint8_t> packet, std::size_t offset) {
    ArpHardwareAddress hardware{};
    std::copy_n(packet.begin() + offset, hardware.size(), hardware.begin());
    return hardware;
}

// Bytes 14 to 41 of the Ethernet ARP frame, from the 30-byte AX.25 packet.
void putEthernetArp(std::span<std::uint8_t> buffer, std::span<const std::uint8_t> packet) {
    put(buffer, kEthernetHeaderSize, kEthernetArpPreamble);
    putBytes(buffer, kEthernetArpOperationOffset, packet.subspan(kAx25ArpOperationOffset, 2));
    put(buffer, kEthernetArpSenderHardwareOffset,
        callToArpMac(arpHardwareToCall(arpHardwareAt(packet, kAx25ArpSenderHardwareOffset))));
    putBytes(buffer, kEthernetArpSenderIpOffset,
             packet.subspan(kAx25ArpSenderIpOffset, kIpv4AddressSize));
    put(buffer, kEthernetArpTargetHardwareOffset,
        callToArpMac(arpHardwareToCall(arpHardwareAt(packet, kAx25ArpTargetHardwareOffset))));
    putBytes(buffer, kEthernetArpTargetIpOffset,
             packet.subspan(kAx25ArpTargetIpOffset, kIpv4AddressSize));
}

}  // namespace

bool deliverToAdapter(NicDevice& device, const Ax25Frame& frame) {
    if (!device.isOpen()) {
        return false;
    }
    if ((frame.pid != kPidArp && frame.pid != kPidIp) || frame.kind != FrameKind::Ui) {
        return false;
    }
    const std::span<const std::uint8_t> info(frame.info);
    std::array<std::uint8_t, kMaxAdapterWriteSize> buffer;
    const std::span<std::uint8_t> out(buffer);
    put(out, kWrittenSourceOffset, callToMac(frame.source));
    put(out, kWrittenDestinationOffset, callToMac(frame.destination));

    std::size_t length = 0;
    if (frame.pid == kPidArp) {
        if (info.size() != kAx25ArpPacketSize) {
            return false;
        }
        put(out, kEtherTypeOffset, kEtherTypeArp);
        putEthernetArp(out, info);
        length = kEthernetArpFrameSize;
    } else {
        if (info.size() > kMaxIpDatagramSize) {
            return false;
        }
        put(out, kEtherTypeOffset, kEtherTypeIpv4);
        putBytes(out, kEthernetHeaderSize, info);
        length = kEthernetHeaderSize + info.size();
    }
    std::uint32_t written = 0;
    return device.writeFrame(out.first(length), written);
}

}  // namespace korvale
