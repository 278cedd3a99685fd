// The driver behind NicDevice: whatever presents the virtual Ethernet adapter
// to the host stack. The program uses the TAP driver (tap_nic_driver.h); unit
// tests use an in-memory fake.
//
// NicDevice checks the open state and argument sizes before it calls any of
// these, so a driver may assume that read, write, speed and pending calls
// only happen between a successful open() and close(). All calls are made
// from one thread and none of them waits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "gateway/neighbour_timers.h"

namespace korvale {

class NicDriver {
  public:
    virtual ~NicDriver() = default;

    // Attaches to the adapter; false when it cannot be reached.
    virtual bool open() = 0;

    // Detaches; false when the release failed and the driver is still open.
    virtual bool close() = 0;

    // Copies the next frame sent by the host into buffer without waiting: the
    // whole frame, or its first buffer.size() bytes when it is longer (the
    // rest is lost). Sets length to the bytes stored, never more than
    // buffer.size(). False, with length untouched, when no frame is waiting
    // or the read failed.
    virtual bool readFrame(std::span<std::uint8_t> buffer, std::size_t& length) = 0;

    // Hands one frame, laid out as the radio-to-adapter path builds it
    // (source hardware address first), to the host stack. True when the
    // whole frame was accepted.
    virtual bool writeFrame(std::span<const std::uint8_t> frame) = 0;

    // The radio link's bit rate, in bits per second.
    virtual bool setLinkSpeed(std::int32_t bitsPerSecond) = 0;

    // Sets count to a non-zero value while a frame from the host is waiting
    // and to 0 when none is. False on failure.
    virtual bool pendingFrames(std::uint32_t& count) = 0;

    // A descriptor that polls readable while a frame from the host is
    // waiting, so the owner can drain the adapter the moment one arrives; -1
    // when the driver has none (its frames are then taken at each tick).
    virtual int readableDescriptor() const { return -1; }

    // Sets the host's neighbour (ARP) timers of the adapter; false when the
    // driver cannot (no such timers, or no right to change them).
    virtual bool setNeighbourTimers(const NeighbourTimers& /*timers*/) { return false; }
};

}  // namespace korvale
