// An in-memory adapter driver for tests of NicDevice and the gateway paths.
//
// Frames "sent by the host" are queued in hostFrames and handed out one per
// readFrame(), cut to the caller's buffer the way a real driver would cut
// them. Written frames, reported link speeds and every call are recorded, and
// each operation can be made to fail. The test keeps a plain pointer or
// reference to the fake while a NicDevice owns it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "gateway/nic_driver.h"

namespace korvale::testing {

class FakeNicDriver final : public korvale::NicDriver {
  public:
    // Counts close() calls where the test can still see them after the
    // device (and with it this fake) is gone.
    explicit FakeNicDriver(int* closeCount = nullptr) : closeCount_(closeCount) {}

    bool open() override {
        ++calls;
        return openSucceeds;
    }

    bool close() override {
        ++calls;
        if (closeCount_ != nullptr) {
            ++*closeCount_;
        }
        return closeSucceeds;
    }

    bool readFrame(std::span<std::uint8_t> buffer, std::size_t& length) override {
        ++calls;
        if (!readSucceeds || hostFrames.empty()) {
            return false;
        }
        const std::vector<std::uint8_t>& frame = hostFrames.front();
        const std::size_t stored = std::min(frame.size(), buffer.size());
        std::copy_n(frame.begin(), stored, buffer.begin());
        length = stored + extraLengthClaimed;
        hostFrames.pop_front();
        return true;
    }

    bool writeFrame(std::span<const std::uint8_t> frame) override {
        ++calls;
        if (!writeSucceeds) {
            return false;
        }
        written.emplace_back(frame.begin(), frame.end());
        return true;
    }

    bool setLinkSpeed(std::int32_t bitsPerSecond) override {
        ++calls;
        speeds.push_back(bitsPerSecond);
        return speedSucceeds;
    }

    bool pendingFrames(std::uint32_t& count) override {
        ++calls;
        if (!pendingSucceeds) {
            count = 7;  // garbage a failing driver might leave behind
            return false;
        }
        count = pendingOverride.value_or(static_cast<std::uint32_t>(hostFrames.size()));
        return true;
    }

    std::deque<std::vector<std::uint8_t>> hostFrames;
    std::vector<std::vector<std::uint8_t>> written;
    std::vector<std::int32_t> speeds;  // every rate handed over, accepted or not
    int calls = 0;

    bool openSucceeds = true;
    bool closeSucceeds = true;
    bool readSucceeds = true;
    bool writeSucceeds = true;
    bool speedSucceeds = true;
    bool pendingSucceeds = true;
    std::optional<std::uint32_t> pendingOverride;
    // Makes readFrame() claim more bytes than it stored, as a faulty driver
    // might.
    std::size_t extraLengthClaimed = 0;

  private:
    int* closeCount_;
};

}  // namespace korvale::testing
