// An in-memory SerialPort for the handler's timing-independent behaviour:
// the test plays the driver through a FakeLine it shares with the port the
// handler owns, and can outlive.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "kiss/serial_port.h"

namespace korvale::testing {

struct FakeLine {
    std::mutex lock;
    std::condition_variable changed;

    // Set by the test.
    PortOpenResult openResult = PortOpenResult::Opened;
    std::deque<std::uint8_t> input;  // what the TNC has sent, not yet read
    bool gone = false;               // the device has disappeared
    bool writesHang = false;         // write() hangs, ignoring its time limit

    // Seen by the test.
    int openAttempts = 0;
    std::string device;
    SerialSettings settings;
    std::vector<std::uint8_t> sent;
    std::vector<std::size_t> writeSizes;  // bytes offered per write() call
    std::vector<std::size_t> readSizes;   // bytes handed out per read() call
    std::size_t handedOut = 0;
    int readCalls = 0;
    // Order of the calls that matter for closing: "write", "dtr 0", "rts 0",
    // "purge", "close" and so on.
    std::vector<std::string> events;
    bool portDestroyed = false;

    void push(const std::vector<std::uint8_t>& bytes) {
        {
            std::lock_guard<std::mutex> hold(lock);
            input.insert(input.end(), bytes.begin(), bytes.end());
        }
        changed.notify_all();
    }

    // Waits until `done()` holds (called under the lock) or `limit` passes.
    template <typename Predicate>
    bool waitFor(Predicate done, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, limit, done);
    }
};

class FakeSerialPort final : public SerialPort {
  public:
    explicit FakeSerialPort(std::shared_ptr<FakeLine> line) : line_(std::move(line)) {}
    ~FakeSerialPort() override {
        {
            std::lock_guard<std::mutex> hold(line_->lock);
            line_->portDestroyed = true;
        }
        line_->changed.notify_all();
    }

    PortOpenResult open(const std::string& devicePath, const SerialSettings& settings) override {
        std::lock_guard<std::mutex> hold(line_->lock);
        ++line_->openAttempts;
        line_->device = devicePath;
        line_->settings = settings;
        line_->events.push_back("open");
        return line_->openResult;
    }

    PortTransfer read(std::span<std::uint8_t> buffer, std::chrono::milliseconds maxWait) override {
        std::unique_lock<std::mutex> hold(line_->lock);
        ++line_->readCalls;
        auto ready = [&] { return interrupted_ || line_->gone || !line_->input.empty(); };
        if (maxWait < std::chrono::milliseconds::zero()) {
            line_->changed.wait(hold, ready);
        } else {
            line_->changed.wait_for(hold, maxWait, ready);
        }
        if (interrupted_) {
            interrupted_ = false;
            return {};
        }
        if (line_->gone) {
            return {0, true};
        }
        std::size_t count = 0;
        while (count < buffer.size() && !line_->input.empty()) {
            buffer[count++] = line_->input.front();
            line_->input.pop_front();
        }
        line_->readSizes.push_back(count);
        line_->handedOut += count;
        line_->changed.notify_all();
        return {count, false};
    }

    void interruptRead() override {
        {
            std::lock_guard<std::mutex> hold(line_->lock);
            interrupted_ = true;
        }
        line_->changed.notify_all();
    }

    PortTransfer write(std::span<const std::uint8_t> bytes, std::chrono::milliseconds) override {
        std::unique_lock<std::mutex> hold(line_->lock);
        line_->changed.wait(hold, [&] { return !line_->writesHang; });
        if (line_->gone) {
            return {0, true};
        }
        line_->writeSizes.push_back(bytes.size());
        line_->sent.insert(line_->sent.end(), bytes.begin(), bytes.end());
        line_->events.push_back("write");
        line_->changed.notify_all();
        return {bytes.size(), false};
    }

    bool drainOutput(std::chrono::milliseconds) override {
        record("drain");
        return true;
    }
    void setDtr(bool raised) override { record(raised ? "dtr 1" : "dtr 0"); }
    void setRts(bool raised) override { record(raised ? "rts 1" : "rts 0"); }
    void purge() override { record("purge"); }
    void close() override { record("close"); }

  private:
    void record(const char* event) {
        {
            std::lock_guard<std::mutex> hold(line_->lock);
            line_->events.push_back(event);
        }
        line_->changed.notify_all();
    }

    std::shared_ptr<FakeLine> line_;
    bool interrupted_ = false;  // guarded by line_->lock
};

inline SerialPortFactory fakePortFactory(const std::shared_ptr<FakeLine>& line) {
    return [line] { return std::make_unique<FakeSerialPort>(line); };
}

}  // namespace korvale::testing
