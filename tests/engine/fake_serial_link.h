// An in-memory serial line to the TNC for tests of the engine.
//
// Every write() is recorded as one entry, exactly as handed over, so a test
// sees both the bytes and how they were grouped into writes. Received bytes
// wait in a queue and are served by read() oldest first, as many as the
// caller's buffer holds; the size of every read is recorded. open() returns
// a result the test sets; open and close calls are counted, and the number of
// writes made before the first close is noted so a test can check what was
// queued while the port was still open. Single-threaded, like the engine.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "kiss/serial_link.h"

namespace korvale::testing {

class FakeSerialLink final : public korvale::SerialLink {
  public:
    int open(int port, int baudRate) override {
        ++openCalls;
        openedPort = port;
        openedBaudRate = baudRate;
        return openResult;
    }

    int close() override {
        ++closeCalls;
        if (!writesBeforeClose) {
            writesBeforeClose = writes.size();
        }
        return 0;
    }

    bool write(std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(bytes.begin(), bytes.end());
        return true;
    }

    int read(std::span<std::uint8_t> buffer) override {
        readCapacities.push_back(buffer.size());
        const std::size_t count = std::min(buffer.size(), incoming.size());
        std::copy_n(incoming.begin(), count, buffer.begin());
        incoming.erase(incoming.begin(), incoming.begin() + static_cast<std::ptrdiff_t>(count));
        readSizes.push_back(static_cast<int>(count));
        return static_cast<int>(count);
    }

    // Bytes arriving from the TNC, as the reader thread would add them.
    void receive(std::span<const std::uint8_t> bytes) {
        incoming.insert(incoming.end(), bytes.begin(), bytes.end());
    }

    // Every write, concatenated.
    std::vector<std::uint8_t> allWritten() const {
        std::vector<std::uint8_t> all;
        for (const auto& write : writes) {
            all.insert(all.end(), write.begin(), write.end());
        }
        return all;
    }

    int openResult = 0;
    int openCalls = 0;
    int closeCalls = 0;
    int openedPort = -1;
    int openedBaudRate = -1;
    std::optional<std::size_t> writesBeforeClose;

    std::vector<std::vector<std::uint8_t>> writes;
    std::deque<std::uint8_t> incoming;
    std::vector<std::size_t> readCapacities;  // buffer size offered by each read
    std::vector<int> readSizes;               // bytes returned by each read
};

}  // namespace korvale::testing
