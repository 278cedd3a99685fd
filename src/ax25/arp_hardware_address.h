// The seven-byte station address inside AX.25 ARP packets: the callsign's
// characters shifted left by one, padded with shifted spaces, and a last
// byte holding the SSID. "QST", the broadcast station, is seven zero bytes.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "ax25/ax25_address.h"

namespace korvale {

using ArpHardwareAddress = std::array<std::uint8_t, 7>;

inline constexpr std::string_view kBroadcastCallsign = "QST";

// Whether the address is "QST" (any SSID), and "QST" itself.
bool isBroadcastStation(const Ax25Address& address);
Ax25Address broadcastStation();

// "QST" gives seven zero bytes; otherwise shifted characters padded with
// shifted spaces and 0x60 | (SSID << 1).
ArpHardwareAddress callToArpHardware(const Ax25Address& address);

// Seven zero bytes give "QST"; otherwise shifted characters, where a shifted
// space (0x40 or 0x41) or a shifted control code ends the callsign.
Ax25Address arpHardwareToCall(const ArpHardwareAddress& hardware);

}  // namespace korvale
