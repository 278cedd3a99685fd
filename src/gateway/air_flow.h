// Which flow a frame for the radio belongs to, for the air queue
// (air_queue.h): IP datagrams by their addresses, protocol and (TCP, UDP)
// ports, so each conversation waits only behind its own backlog; everything
// that is not IP (ARP, beacons, typed lines) goes ahead of all IP traffic.
#pragma once

#include <array>
#include <cstdint>

#include "ax25/ax25_frame.h"

namespace korvale {

// Bytes that tell one flow from another; equal keys, same flow.
using AirFlowKey = std::array<std::uint8_t, 16>;

struct AirFlow {
    bool priority = false;  // not IP: never queued behind IP traffic
    AirFlowKey key{};       // IP only
};

// A UI frame with PID 0xCC carrying IPv4 is keyed by source and destination
// address, protocol and, for an unfragmented or first-fragment TCP or UDP
// datagram, both ports; any other PID 0xCC frame by its AX.25 source and
// destination. Every other frame is priority.
AirFlow airFlowOf(const Ax25Frame& frame);

// Every frame from one KISS client (kiss_server.h) is one flow, taking turns
// with the IP flows.
AirFlow kissClientAirFlow(int client);

}  // namespace korvale
