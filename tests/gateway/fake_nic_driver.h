// An in-memory adapter driver: hostFrames handed out one per readFrame() (cut to the buffer);
// writes, speeds and timers recorded; open, write and timers can be made to fail.
#pragma once

#include <algorithm>
#include <deque>
#include <vector>

#include "gateway/nic_driver.h"

namespace korvale::testing {

struct FakeNicDriver final : korvale::NicDriver {
    bool open() override { return openSucceeds; }
    bool close() override { return true; }
    bool readFrame(std::span<std::uint8_t> buffer, std::size_t& length) override {
        if (hostFrames.empty()) {
            return false;
        }
        length = std::min(hostFrames.front().size(), buffer.size());
        std::copy_n(hostFrames.front().begin(), length, buffer.begin());
        hostFrames.pop_front();
        return true;
    }
    bool writeFrame(std::span<const std::uint8_t> frame) override {
        if (writeSucceeds) {
            written.emplace_back(frame.begin(), frame.end());
        }
        return writeSucceeds;
    }
    bool setLinkSpeed(std::int32_t bitsPerSecond) override {
        speeds.push_back(bitsPerSecond);
        return true;
    }
    bool setNeighbourTimers(const NeighbourTimers& timers) override {
        neighbourTimers.push_back(timers);
        return timersSucceed;
    }
    bool pendingFrames(std::uint32_t& count) override {
        count = static_cast<std::uint32_t>(hostFrames.size());
        return true;
    }
    int readableDescriptor() const override { return readable; }

    std::deque<std::vector<std::uint8_t>> hostFrames;
    std::vector<std::vector<std::uint8_t>> written;
    std::vector<std::int32_t> speeds;
    std::vector<NeighbourTimers> neighbourTimers;
    bool openSucceeds = true, writeSucceeds = true, timersSucceed = true;
    int readable = -1;  // the descriptor the owner is to watch
};

}  // namespace korvale::testing
