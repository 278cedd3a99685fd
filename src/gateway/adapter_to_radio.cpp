#include "gateway/adapter_to_radio.h"

#include <algorithm>
#include <span>

#include "ax25/arp_hardware_address.h"
#include "ax25/arp_ip_layout.h"
#include "gateway/address_mapping.h"
#include "gateway/ethernet_layout.h"
#include "gateway/gateway_globals.h"

namespace korvale {
namespace {

constexpr int kCommand = 1;

MacAddress macAt(std::span<const std::uint8_t> frame, std::size_t offset) {
    MacAddress mac{};
    std::copy_n(frame.begin() + offset, kMacSize, mac.begin());
    return mac;
}

std::array<std::uint8_t, kAx25ArpPacketSize> ax25ArpFrom(std::span<const std::uint8_t> frame) {
    std::array<std::uint8_t, kAx25ArpPacketSize> packet{};
    packet[0] = 0;
    packet[1] = kAx25ArpHardwareType;
    packet[2] = 0;
    packet[3] = kPidIp;
    packet[4] = kAx25ArpHardwareAddressLength;
    packet[5] = kIpv4AddressSize;
    std::copy_n(frame.begin() + kEthernetArpOperationOffset, 2,
                packet.begin() + kAx25ArpOperationOffset);
    const ArpHardwareAddress sender =
        callToArpHardware(macToCall(macAt(frame, kEthernetArpSenderHardwareOffset)));
    std::copy(sender.begin(), sender.end(), packet.begin() + kAx25ArpSenderHardwareOffset);
    std::copy_n(frame.begin() + kEthernetArpSenderIpOffset, kIpv4AddressSize,
                packet.begin() + kAx25ArpSenderIpOffset);
    const ArpHardwareAddress target =
        callToArpHardware(macToCall(macAt(frame, kEthernetArpTargetHardwareOffset)));
    std::copy(target.begin(), target.end(), packet.begin() + kAx25ArpTargetHardwareOffset);
    std::copy_n(frame.begin() + kEthernetArpTargetIpOffset, kIpv4AddressSize,
                packet.begin() + kAx25ArpTargetIpOffset);
    return packet;
}

Ax25Frame uiFrame(const Ax25Address& source, const Ax25Address& destination, int pid,
                  std::span<const std::uint8_t> info) {
    Ax25Frame frame;
    frame.build(source, destination, AddressList{}, 0, FrameKind::Ui, kCommand, 0, 0, 0, pid, info);
    return frame;
}

}  // namespace

std::optional<Ax25Frame> AdapterToRadio::takeAdapterFrame() {
    if (!device_.isOpen()) {
        return std::nullopt;
    }
    const std::int32_t bitRate = GatewayLinkBitRate;
    if (bitRate != reportedLinkSpeed_) {
        device_.setLinkSpeed(bitRate);
        reportedLinkSpeed_ = bitRate;
    }
    std::uint32_t pending = 0;
    device_.pendingFrames(pending);
    if (pending == 0) {
        return std::nullopt;
    }
    std::uint32_t length = 0;
    device_.readFrame(buffer_, length);
    if (length < kEthernetHeaderSize) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> frame(buffer_.data(), length);
    const Ax25Address destination = macToCall(macAt(frame, kEthernetDestinationOffset));
    const Ax25Address source = macToCall(macAt(frame, kEthernetSourceOffset));
    const bool arpType = frame[kEtherTypeOffset + 1] == kEtherTypeArpLowByte;

    if (arpType && length == kEthernetArpFrameSize) {
        // The host's ARP must reach the radio even while broadcasts are
        // suppressed, or no station could ever be resolved.
        return uiFrame(source, destination, kPidArp, ax25ArpFrom(frame));
    }
    if (length >= kAdapterReadBufferSize || arpType) {
        return std::nullopt;
    }
    if (SuppressBroadcasts != 0 && isBroadcastStation(destination)) {
        return std::nullopt;
    }
    return uiFrame(source, destination, kPidIp, frame.subspan(kEthernetHeaderSize));
}

}  // namespace korvale
