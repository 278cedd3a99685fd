// The radio-to-adapter path: a UI frame heard on the radio that carries IP
// (PID 0xCC) or AX.25 ARP (PID 0xCD) is written to the virtual adapter as an
// Ethernet frame, whoever it is addressed to and whatever its digipeater
// path; the host stack sorts out what is meant for it.
//
// The frames built here carry the hardware address made from the AX.25
// source in bytes 0 to 5 and the one made from the destination in bytes 6 to
// 11; the device boundary puts them in the order the host expects. The frame
// is assembled in a fixed buffer on the stack: nothing is allocated, queued
// or retried. The own address (gateway_globals.h) is read afresh on every
// call. Main thread only.
#pragma once

#include "ax25/ax25_frame.h"
#include "gateway/nic_device.h"

namespace korvale {

// True when an Ethernet frame was written and the device accepted it; false
// when the device is closed, the frame is not a UI frame with PID 0xCC or
// 0xCD, an ARP packet is not exactly 30 bytes, an IP datagram is longer than
// 4985 bytes, or the write failed.
bool deliverToAdapter(NicDevice& device, const Ax25Frame& frame);

}  // namespace korvale
