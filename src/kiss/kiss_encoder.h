// Wraps a payload into one KISS frame for the TNC.
//
// The frame is FEND, the command byte, the payload with FEND and FESC escaped,
// FEND; it is built in one pass into a buffer of the worst-case size. The
// command byte is escaped like a payload byte should it ever be FEND or FESC,
// so no command value can end a frame early. Stateless; any thread.
// Whether the TNC port is enabled is the caller's test: these functions always
// build, and SendKissFrame always writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "kiss/byte_sink.h"
#include "kiss/kiss_protocol.h"

namespace korvale {

// Bytes a frame may need: opening FEND, command byte, payload, closing FEND,
// with the command byte and every payload byte possibly doubled.
constexpr std::size_t kissFrameMaxSize(std::size_t payloadSize) {
    return 2 * (payloadSize + 1) + 2;
}

// Writes the frame into `out`, whose size is the space available, and
// returns the number of bytes written, or 0 (nothing usable written) when
// `out` is smaller than kissFrameMaxSize(payload.size()). The low eight bits
// of `command` are the command byte.
std::size_t encodeKissFrameInto(int command, std::span<const std::uint8_t> payload,
                                std::span<std::uint8_t> out);

// The whole frame as a new buffer owned by the caller.
std::vector<std::uint8_t> encodeKissFrame(int command, std::span<const std::uint8_t> payload);
std::vector<std::uint8_t> encodeKissFrame(KissCommand command,
                                          std::span<const std::uint8_t> payload);

// Builds the frame and hands it to `sink` in exactly one write() call, so its
// bytes lie together in the transmit queue. Returns what the sink returned.
bool SendKissFrame(ByteSink& sink, int command, std::span<const std::uint8_t> payload);
bool SendKissFrame(ByteSink& sink, KissCommand command, std::span<const std::uint8_t> payload);

}  // namespace korvale
