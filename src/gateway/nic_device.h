// NicDevice: the program's whole contact with the virtual Ethernet adapter.
//
// It owns one driver and an open flag that stands for the device handle.
// Every request fails at once, without reaching the driver, while the device
// is closed; the result values follow the adapter contract exactly (see each
// function). The program uses one process-wide device, theNicDevice(), which
// starts closed with the TAP driver; tests build their own device around a
// fake driver, or give the process-wide one a fake with useDriver().
//
// Main thread only; no request waits.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "gateway/nic_driver.h"

namespace korvale {

class NicDevice {
  public:
    explicit NicDevice(std::unique_ptr<NicDriver> driver);
    ~NicDevice();

    NicDevice(const NicDevice&) = delete;
    NicDevice& operator=(const NicDevice&) = delete;

    // False when already open (the existing attachment is kept) or when the
    // driver cannot be reached.
    bool open();

    // False when not open, or when the driver failed to release the adapter;
    // the device then stays open.
    bool close();

    bool isOpen() const { return open_; }

    // Reads the next frame from the host into buffer. Not open: false with
    // bytesReturned untouched. Empty buffer or failed read (no frame
    // waiting included): false with bytesReturned 0. Otherwise true with
    // bytesReturned the frame's length, at most buffer.size().
    bool readFrame(std::span<std::uint8_t> buffer, std::uint32_t& bytesReturned);

    // Hands one frame to the host. Not open: false with bytesReturned
    // untouched. Empty frame or refused write: false with bytesReturned 0.
    // Otherwise true with bytesReturned the frame's length.
    bool writeFrame(std::span<const std::uint8_t> frame, std::uint32_t& bytesReturned);

    // False when not open or when the driver refused the rate.
    bool setLinkSpeed(std::int32_t bitsPerSecond);

    // False when not open or when the driver could not set the timers.
    bool setNeighbourTimers(const NeighbourTimers& timers) {
        return open_ && driver_->setNeighbourTimers(timers);
    }

    // Not open or failed: false with count 0. Otherwise true with count
    // non-zero while a frame from the host is waiting.
    bool pendingFrames(std::uint32_t& count);

    // The driver's readable descriptor while open, else -1. Valid until the
    // device is closed.
    int readableDescriptor() const { return open_ ? driver_->readableDescriptor() : -1; }

    // Replaces the driver of a closed device; false (driver unchanged) while
    // the device is open.
    bool useDriver(std::unique_ptr<NicDriver> driver);

  private:
    std::unique_ptr<NicDriver> driver_;
    bool open_ = false;
};

// The process-wide adapter device, created closed with the TAP driver on
// first use.
NicDevice& theNicDevice();

}  // namespace korvale
