#include "ax25/arp_hardware_address.h"

namespace korvale {

namespace {

constexpr std::uint8_t kShiftedSpace = 0x40;
constexpr char kLastNonCallsignCharacter = ' ';  // a shifted space, or any control code
constexpr std::uint8_t kArpSsidBase = 0x30;      // becomes the 0x60 reserved bits once shifted
constexpr std::uint8_t kSsidMask = 0x0F;

}  // namespace

bool isBroadcastStation(const Ax25Address& address) {
    return address.callsignText() == kBroadcastCallsign;
}

Ax25Address broadcastStation() {
    Ax25Address address;
    address.setCallsign(kBroadcastCallsign);
    return address;
}

ArpHardwareAddress callToArpHardware(const Ax25Address& address) {
    if (isBroadcastStation(address)) {
        return ArpHardwareAddress{};
    }
    ArpHardwareAddress hardware{};
    const std::string_view callsign = address.callsignText();
    for (std::size_t i = 0; i < kCallsignMaxLength; ++i) {
        hardware[i] = i < callsign.size()
                          ? static_cast<std::uint8_t>(static_cast<std::uint8_t>(callsign[i]) << 1)
                          : kShiftedSpace;
    }
    hardware[kCallsignMaxLength] =
        static_cast<std::uint8_t>((kArpSsidBase + (address.ssid & kSsidMask)) << 1);
    return hardware;
}

Ax25Address arpHardwareToCall(const ArpHardwareAddress& hardware) {
    if (hardware == ArpHardwareAddress{}) {
        return broadcastStation();
    }
    std::array<char, kCallsignMaxLength> characters{};
    for (std::size_t i = 0; i < kCallsignMaxLength; ++i) {
        // A shifted space (0x40, or 0x41 with the extension bit) pads the
        // field. A shifted control code ends it too: it would otherwise come
        // from the radio straight into the monitor line.
        const auto character = static_cast<char>(hardware[i] >> 1);
        if (character <= kLastNonCallsignCharacter) {
            break;
        }
        characters[i] = character;
    }
    Ax25Address address;
    address.setCallsign(std::string_view(characters.data(), characters.size()));
    address.ssid = static_cast<std::uint8_t>((hardware[kCallsignMaxLength] >> 1) & kSsidMask);
    return address;
}

}  // namespace korvale
