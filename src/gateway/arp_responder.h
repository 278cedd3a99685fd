// Answers the host's ARP re-probes for stations the gateway has just heard,
// without putting them on the air. Linux re-checks a neighbour it has not
// confirmed lately with unicast ARP requests; on a slow channel each costs
// air time and, when the answer is late, the neighbour. A station heard
// using an IPv4 address within the window is answered for here, with the
// reply it would give itself.
//
// Never answered: a broadcast request (an unknown station, or one whose
// address may have moved, is asked on the air), a request for a station not
// heard with that address, or heard longer ago than the window.
//
// Times are milliseconds on the caller's steady clock. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>

#include "ax25/ax25_frame.h"

namespace korvale {

// Addresses remembered at most; the stalest are forgotten first.
inline constexpr std::size_t kArpResponderCapacity = 256;

class ArpResponder {
  public:
    // Learns from a frame heard on the radio: the source address of an IPv4
    // datagram (UI, PID 0xCC) or the sender of an AX.25 ARP packet (PID
    // 0xCD), for the station that sent it. Frames that came through
    // digipeaters teach nothing: the station itself was not heard.
    void noteHeard(const Ax25Frame& frame, std::int64_t nowMs);

    // For a UI frame with PID 0xCD holding an ARP request addressed to a
    // station (not "QST") for an address that station was heard using within
    // windowMs before nowMs: the station's AX.25 ARP reply, from the station
    // to the requester, ready for the radio-to-adapter path. None otherwise.
    std::optional<Ax25Frame> answer(const Ax25Frame& request, std::int64_t nowMs,
                                    std::int64_t windowMs) const;

  private:
    using Ipv4 = std::array<std::uint8_t, 4>;
    struct Heard {
        Ax25Address station;
        std::int64_t atMs = 0;
    };
    void remember(const Ipv4& address, const Ax25Address& station, std::int64_t nowMs);

    std::map<Ipv4, Heard> heard_;
};

}  // namespace korvale
