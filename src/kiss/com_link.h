// What one open of a ComHandler shares with its reader and writer threads:
// the port, both rings, the state word and the notify callback. Internal to
// ComHandler.
//
// The threads hold it by shared_ptr and touch nothing else, so a thread that
// outlives Close (see com_handler.h) never reaches freed memory. Locks:
// `receiveLock` guards the receive ring and is held only while copying;
// `lifeLock` orders the threads' waits and their ends; `notifyLock` is held
// while the callback runs. The transmit ring has no lock: Write is its only
// producer and the writer thread its only consumer, each index written by one
// side, with release stores and acquire loads so the bytes are visible before
// the index that covers them. The writer sleeps on `transmitQueued` until
// bytes are queued or closing begins; the producer takes `lifeLock` only
// when the writer says it is asleep, so a wake-up is never lost and a busy
// writer costs the producer nothing.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>

#include "kiss/com_handler.h"
#include "kiss/serial_port.h"

namespace korvale {

// The writer waits for a blocked line in slices this long, so that it turns
// to Close's shorter drain limit soon after Close begins.
inline constexpr std::chrono::milliseconds kWriteSlice{50};

struct ComLink {
    using Clock = std::chrono::steady_clock;

    std::unique_ptr<SerialPort> port;
    std::atomic<int> state{kComStateClosed};
    std::atomic<bool> deviceLost{false};
    // Until when the writer may keep sending once closing; set before the
    // state leaves "open", so a thread that sees the new state sees it too.
    std::atomic<Clock::rep> drainDeadline{0};

    std::mutex receiveLock;
    std::condition_variable receiveRoom;
    std::array<std::uint8_t, kComRingSize> receiveRing{};
    int receiveWrite = 0;
    int receiveRead = 0;
    bool readerWaitingForRoom = false;

    std::array<std::uint8_t, kComRingSize> transmitRing{};
    std::atomic<int> transmitWrite{0};
    std::atomic<int> transmitRead{0};
    std::condition_variable transmitQueued;
    std::atomic<bool> writerAsleep{false};

    std::mutex lifeLock;
    std::condition_variable lifeChanged;
    bool readerEnded = false;
    bool writerEnded = false;

    std::mutex notifyLock;
    ComHandler::NotifyCallback notify;

    bool isOpen() const { return state.load(std::memory_order_acquire) > 0; }

    // Owner side.
    bool queueTransmit(std::span<const std::uint8_t> bytes);
    int takeReceived(std::uint8_t* destination, int max);
    void setNotify(ComHandler::NotifyCallback callback);
    // Starts closing: the state becomes kComStateClosing and every wait of
    // both threads ends.
    void beginClosing(Clock::time_point drainUntil);
    bool waitForThreadsToEnd(Clock::time_point deadline);
    bool readerHasEnded();
    bool writerHasEnded();

    // Thread side.
    // Sleeps up to `duration`, less when closing begins; returns isOpen().
    bool waitWhileOpen(std::chrono::milliseconds duration);
    // Sleeps, with no time limit, until bytes are queued or closing begins.
    void waitForTransmit();
    void waitUntilClosing();
    // Free room in the receive ring, waiting while it is full; 0 once closing.
    int waitForReceiveRoom();
    void appendReceived(std::span<const std::uint8_t> bytes);
    void announce();
    // The queued bytes that lie together from the read index on.
    std::span<const std::uint8_t> pendingTransmit() const;
    void consumeTransmit(std::size_t count);
    Clock::time_point drainDeadlineTime() const;
    void threadEnded(bool isReader);
};

// The thread bodies; each ends once the link is closing.
void RunComReader(std::shared_ptr<ComLink> link);
void RunComWriter(std::shared_ptr<ComLink> link);

}  // namespace korvale
