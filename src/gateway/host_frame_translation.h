// The boundary between the gateway's view of the adapter and a real Linux
// network interface.
//
// The gateway logic knows the adapter by the hardware address "SMRDRV", which
// no Linux interface can carry (its first byte has the group bit set). The
// interface keeps its own address, and frames are rewritten as they cross:
// every Ethernet address field (destination, source, and for ARP the sender
// and target hardware addresses) holding one of the two addresses gets the
// other. Frames for the host also have their two address fields exchanged,
// because the radio-to-adapter path writes the source address first and the
// kernel expects an ordinary destination-first frame.
//
// A frame counts as ARP when it is at least 42 bytes long and the low byte
// of its EtherType is 0x06, the same test the adapter-to-radio path applies.
// Fields that lie beyond the end of a short frame are left alone. Pure
// functions over caller-owned bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gateway/address_mapping.h"

namespace korvale {

// For a frame read from the interface: interfaceMac becomes "SMRDRV".
void translateFrameFromHost(std::span<std::uint8_t> frame, const MacAddress& interfaceMac);

// For a frame about to be written to the interface: "SMRDRV" becomes
// interfaceMac, then bytes 0 to 5 and 6 to 11 are exchanged. Frames shorter
// than an Ethernet header are left unchanged.
void translateFrameToHost(std::span<std::uint8_t> frame, const MacAddress& interfaceMac);

// How many leading bytes of a frame translateFrameToHost can change: the 42
// bytes of an ARP frame, else the 14-byte header (or the whole of a shorter
// frame). Lets a writer translate a small copy and send the rest in place.
std::size_t hostTranslatedPrefixSize(std::span<const std::uint8_t> frame);

}  // namespace korvale
