// An in-memory adapter driver for tests of NicDevice, the gateway paths and
// the engine.
//
// Frames "sent by the host" are queued in hostFrames and handed out one per
// readFrame(), cut to the caller's buffer the way a real driver cuts them.
// Written frames, reported link speeds and the number of calls are recorded,
// and each operation can be made to fail. The test keeps a plain pointer or
// reference to the fake while a NicDevice owns it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <span>
#include <vector>

#include "gateway/nic_driver.h"

namespace korvale::testing {

class FakeNicDriver final : public korvale::NicDriver {
  public:
    // closeCount counts close() calls where the test can still see them after
    // the device, and with it this fake, is gone.
    explicit FakeNicDriver(int* closeCount = nullptr) : closeCount_(closeCount) {}

    bool open() override { return called(openSucceeds); }
    bool close() override { return called(closeSucceeds, closeCount_); }

    bool readFrame(std::span<std::uint8_t> buffer, std::size_t& length) override {
        if (!called(!hostFrames.empty())) {
            return false;
        }
        length = std::min(hostFrames.front().size(), buffer.size());
        std::copy_n(hostFrames.front().begin(), length, buffer.begin());
        length += extraLengthClaimed;
        hostFrames.pop_front();
        return true;
    }

    bool writeFrame(std::span<const std::uint8_t> frame) override {
        if (called(writeSucceeds)) {
            written.emplace_back(frame.begin(), frame.end());
        }
        return writeSucceeds;
    }

    bool setLinkSpeed(std::int32_t bitsPerSecond) override {
        speeds.push_back(bitsPerSecond);  // every rate handed over, accepted or not
        return called(speedSucceeds);
    }

    bool setNeighbourTimers(const NeighbourTimers& timers) override {
        neighbourTimers.push_back(timers);
        return called(timersSucceed);
    }

    bool pendingFrames(std::uint32_t& count) override {
        // A failing driver may leave garbage behind.
        count = pendingSucceeds ? static_cast<std::uint32_t>(hostFrames.size()) : 7;
        return called(pendingSucceeds);
    }

    // The descriptor the owner is to watch; the test makes it readable.
    int readableDescriptor() const override { return readable; }

    std::deque<std::vector<std::uint8_t>> hostFrames;
    std::vector<std::vector<std::uint8_t>> written;
    std::vector<std::int32_t> speeds;
    std::vector<NeighbourTimers> neighbourTimers;
    int calls = 0;
    // What each operation reports.
    bool openSucceeds = true, closeSucceeds = true, writeSucceeds = true;
    bool speedSucceeds = true, pendingSucceeds = true, timersSucceed = true;
    // Makes readFrame() claim more bytes than it stored, as a faulty driver
    // might.
    std::size_t extraLengthClaimed = 0;
    int readable = -1;

  private:
    bool called(bool result, int* counter = nullptr) {
        ++calls;
        if (counter != nullptr) {
            ++*counter;
        }
        return result;
    }

    int* closeCount_;
};

}  // namespace korvale::testing
