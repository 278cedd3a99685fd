// The fixed rules between AX.25 addresses and Ethernet hardware addresses,
// (the seven-byte form inside AX.25 ARP packets is ax25/arp_hardware_address.h).
//
// A callsign of up to six letters and digits with its SSID packs into six
// bytes, so the host's ordinary Ethernet ARP resolves radio stations without
// a table. "QST" is the broadcast station; the gateway's own address maps to
// the adapter's own hardware address "SMRDRV". The process-wide values read
// here live in gateway_globals.h. Main thread only.
#pragma once

#include <array>
#include <cstdint>

#include "ax25/arp_hardware_address.h"
#include "ax25/ax25_address.h"

namespace korvale {

using MacAddress = std::array<std::uint8_t, 6>;

// The adapter's own hardware address as the gateway logic sees it.
inline constexpr MacAddress kAdapterMac = {'S', 'M', 'R', 'D', 'R', 'V'};
inline constexpr MacAddress kBroadcastMac = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

// For Ethernet headers: "QST" gives the broadcast address, the own address
// gives "SMRDRV", anything else the packed callsign.
MacAddress callToMac(const Ax25Address& address);

// For Ethernet ARP bodies: "QST" gives six zero bytes, otherwise callToMac.
MacAddress callToArpMac(const Ax25Address& address);

// "SMRDRV" gives the own address (or NOCALL when that is empty or starts
// with a space); group and all-zero addresses give "QST"; anything else is
// unpacked.
Ax25Address macToCall(const MacAddress& mac);

}  // namespace korvale
