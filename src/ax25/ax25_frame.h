// One AX.25 frame in decoded form, with its wire encoder and decoder.
//
// The wire form is the frame as KISS carries it: address fields, control,
// then PID and information for I and UI frames; no flags and no FCS.
// decode() recognises I, RR, RNR, REJ, SABM, DISC, UA, DM, FRMR and UI and
// marks anything else as kind 0. encode() handles every kind and always sends
// a frame as a command or a response (never the version 1 form).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "ax25/ax25_address.h"

namespace korvale {

// Shortest frame: two address fields and a control byte.
inline constexpr std::size_t kAx25MinFrameSize = 2 * kAddressWireSize + 1;
inline constexpr int kMaxDigipeaters = kAddressListCapacity;

inline constexpr int kPidNoLayer3 = 0xF0;
inline constexpr int kPidIp = 0xCC;   // ARPA Internet Protocol
inline constexpr int kPidArp = 0xCD;  // ARPA Address Resolution

// The codes are part of the interface: the gateway tests for Ui (10) and the
// monitor filter groups kinds by code.
enum class FrameKind : std::int32_t {
    Unknown = 0,
    Sabm = 1,
    Disc = 2,
    Ua = 3,
    Dm = 4,
    Rr = 5,
    Rnr = 6,
    Rej = 7,
    Frmr = 8,
    I = 9,
    Ui = 10,
};

// "UNKN", "SABM", ..., "UI"; "UNKN" for any value outside 0..10.
std::string_view frameKindName(FrameKind kind);

struct Ax25Frame {
    Ax25Address source;
    Ax25Address destination;
    AddressList digipeaters{kAddressListCapacity};  // in wire order
    std::int32_t repeatedCount = 0;  // digipeaters carrying the H bit, from the first
    FrameKind kind = FrameKind::Unknown;
    std::int32_t commandResponse = 0;  // 1 command, 0 response, 2 neither
    std::int32_t pollFinal = 0;        // 0 or 1
    std::int32_t nr = 0;               // N(R), for I, RR, RNR, REJ
    std::int32_t ns = 0;               // N(S), for I
    std::int32_t pid = 0;              // 0..255, for I and UI
    std::vector<std::uint8_t> info;    // for I and UI

    // Replaces the whole content of the frame. The digipeater list is emptied
    // and the given addresses appended in order (at most kMaxDigipeaters).
    void build(const Ax25Address& source, const Ax25Address& destination,
               const AddressList& digipeaters, int repeatedCount, FrameKind kind,
               int commandResponse, int pollFinal, int nr, int ns, int pid,
               std::span<const std::uint8_t> info);

    // Fills a new frame from the bytes of one AX.25 frame (a used frame is
    // reset first). Returns false for a malformed frame; the frame then keeps
    // what the steps before the failure had set (a buffer shorter than 15
    // bytes leaves it untouched), so it can still be shown in the monitor.
    bool decode(std::span<const std::uint8_t> bytes);

    // The wire bytes of the frame, a new buffer owned by the caller. N(R) and
    // N(S) are sent as their low three bits and the PID as its low byte, so
    // an out-of-range number cannot change other bits of the frame.
    std::vector<std::uint8_t> encode() const;
};

}  // namespace korvale
