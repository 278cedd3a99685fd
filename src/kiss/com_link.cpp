#include "kiss/com_link.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace korvale {

namespace {

using Clock = ComLink::Clock;

int ringUsed(int writeIndex, int readIndex) {
    return (writeIndex - readIndex + kComRingSize) % kComRingSize;
}

// Sends the queued bytes that lie together, at most one chunk per call. What
// the line does not take within the write time limit is dropped, as is
// everything once the device has gone.
void sendPendingOnce(ComLink& link) {
    const std::span<const std::uint8_t> pending = link.pendingTransmit();
    if (pending.empty()) {
        return;
    }
    const auto chunkDeadline = Clock::now() + kWriteTimeoutConstant +
                               kWriteTimeoutPerByte * static_cast<int>(pending.size());
    std::size_t sent = 0;
    while (sent < pending.size() && !link.deviceLost.load(std::memory_order_acquire)) {
        auto deadline = chunkDeadline;
        if (!link.isOpen()) {
            deadline = std::min(deadline, link.drainDeadlineTime());
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= std::chrono::milliseconds::zero()) {
            break;
        }
        const PortTransfer done =
            link.port->write(pending.subspan(sent), std::min(left, kWriteSlice));
        sent += done.count;
        if (done.gone) {
            link.deviceLost.store(true, std::memory_order_release);
        }
    }
    link.consumeTransmit(pending.size());
}

}  // namespace

bool ComLink::queueTransmit(std::span<const std::uint8_t> bytes) {
    const int writeIndex = transmitWrite.load(std::memory_order_relaxed);
    const int readIndex = transmitRead.load(std::memory_order_acquire);
    const int room = kComRingCapacity - ringUsed(writeIndex, readIndex);
    if (bytes.size() > static_cast<std::size_t>(room)) {
        return false;
    }
    const std::size_t first =
        std::min(bytes.size(), static_cast<std::size_t>(kComRingSize - writeIndex));
    std::memcpy(transmitRing.data() + writeIndex, bytes.data(), first);
    std::memcpy(transmitRing.data(), bytes.data() + first, bytes.size() - first);
    transmitWrite.store(static_cast<int>((writeIndex + bytes.size()) % kComRingSize),
                        std::memory_order_seq_cst);
    // Paired with waitForTransmit: either the writer sees the new index
    // before it sleeps, or this sees it asleep and wakes it under the lock.
    if (writerAsleep.load(std::memory_order_seq_cst)) {
        { std::lock_guard<std::mutex> hold(lifeLock); }
        transmitQueued.notify_one();
    }
    return true;
}

std::span<const std::uint8_t> ComLink::pendingTransmit() const {
    const int readIndex = transmitRead.load(std::memory_order_relaxed);
    const int writeIndex = transmitWrite.load(std::memory_order_acquire);
    const int end = writeIndex >= readIndex ? writeIndex : kComRingSize;
    return {transmitRing.data() + readIndex, static_cast<std::size_t>(end - readIndex)};
}

void ComLink::consumeTransmit(std::size_t count) {
    const int readIndex = transmitRead.load(std::memory_order_relaxed);
    transmitRead.store(static_cast<int>((readIndex + count) % kComRingSize),
                       std::memory_order_release);
}

int ComLink::takeReceived(std::uint8_t* destination, int max) {
    bool wakeReader = false;
    int count = 0;
    {
        std::lock_guard<std::mutex> hold(receiveLock);
        count = std::min(max, ringUsed(receiveWrite, receiveRead));
        const int first = std::min(count, kComRingSize - receiveRead);
        std::memcpy(destination, receiveRing.data() + receiveRead, static_cast<std::size_t>(first));
        std::memcpy(destination + first, receiveRing.data(),
                    static_cast<std::size_t>(count - first));
        receiveRead = (receiveRead + count) % kComRingSize;
        wakeReader = count > 0 && readerWaitingForRoom;
    }
    if (wakeReader) {
        receiveRoom.notify_all();
    }
    return count;
}

int ComLink::waitForReceiveRoom() {
    std::unique_lock<std::mutex> hold(receiveLock);
    auto room = [this] { return kComRingCapacity - ringUsed(receiveWrite, receiveRead); };
    readerWaitingForRoom = true;
    receiveRoom.wait(hold, [&] { return room() > 0 || !isOpen(); });
    readerWaitingForRoom = false;
    return isOpen() ? room() : 0;
}

void ComLink::appendReceived(std::span<const std::uint8_t> bytes) {
    std::lock_guard<std::mutex> hold(receiveLock);
    // The reader asks the port for no more than the room it was told of, and
    // only it adds bytes, so they always fit.
    for (const std::uint8_t byte : bytes) {
        receiveRing[static_cast<std::size_t>(receiveWrite)] = byte;
        receiveWrite = (receiveWrite + 1) % kComRingSize;
    }
}

void ComLink::announce() {
    std::lock_guard<std::mutex> hold(notifyLock);
    if (notify) {
        notify(state.load(std::memory_order_acquire));
    }
}

void ComLink::setNotify(ComHandler::NotifyCallback callback) {
    // Swapped out under the lock so that the old callback, and whatever it
    // refers to, is destroyed here and never runs after this returns.
    ComHandler::NotifyCallback old;
    {
        std::lock_guard<std::mutex> hold(notifyLock);
        old = std::exchange(notify, std::move(callback));
    }
}

void ComLink::beginClosing(Clock::time_point drainUntil) {
    drainDeadline.store(drainUntil.time_since_epoch().count(), std::memory_order_relaxed);
    state.store(kComStateClosing, std::memory_order_release);
    // Taking each lock before notifying means a thread that tested the state
    // just before the store is already waiting, and so is woken.
    { std::lock_guard<std::mutex> hold(receiveLock); }
    receiveRoom.notify_all();
    { std::lock_guard<std::mutex> hold(lifeLock); }
    lifeChanged.notify_all();
    transmitQueued.notify_all();
    port->interruptRead();
}

ComLink::Clock::time_point ComLink::drainDeadlineTime() const {
    return Clock::time_point(Clock::duration(drainDeadline.load(std::memory_order_relaxed)));
}

bool ComLink::waitWhileOpen(std::chrono::milliseconds duration) {
    std::unique_lock<std::mutex> hold(lifeLock);
    return !lifeChanged.wait_for(hold, duration, [this] { return !isOpen(); });
}

void ComLink::waitForTransmit() {
    std::unique_lock<std::mutex> hold(lifeLock);
    writerAsleep.store(true, std::memory_order_seq_cst);
    transmitQueued.wait(hold, [this] {
        return !isOpen() || transmitWrite.load(std::memory_order_seq_cst) !=
                                transmitRead.load(std::memory_order_relaxed);
    });
    writerAsleep.store(false, std::memory_order_relaxed);
}

void ComLink::waitUntilClosing() {
    std::unique_lock<std::mutex> hold(lifeLock);
    lifeChanged.wait(hold, [this] { return !isOpen(); });
}

void ComLink::threadEnded(bool isReader) {
    {
        std::lock_guard<std::mutex> hold(lifeLock);
        (isReader ? readerEnded : writerEnded) = true;
        if (readerEnded && writerEnded) {
            state.store(kComStateThreadsEnded, std::memory_order_release);
        } else if (isReader) {
            int closing = kComStateClosing;
            state.compare_exchange_strong(closing, kComStateClosed, std::memory_order_acq_rel);
        }
    }
    lifeChanged.notify_all();
}

bool ComLink::waitForThreadsToEnd(Clock::time_point deadline) {
    std::unique_lock<std::mutex> hold(lifeLock);
    return lifeChanged.wait_until(hold, deadline, [this] { return readerEnded && writerEnded; });
}

bool ComLink::readerHasEnded() {
    std::lock_guard<std::mutex> hold(lifeLock);
    return readerEnded;
}

bool ComLink::writerHasEnded() {
    std::lock_guard<std::mutex> hold(lifeLock);
    return writerEnded;
}

void RunComReader(std::shared_ptr<ComLink> link) {
    link->waitWhileOpen(kReaderStartDelay);
    std::array<std::uint8_t, kComMaxChunk + 1> chunk{};
    while (link->isOpen()) {
        // A full ring is not overwritten: the reader stops taking bytes, and
        // the driver (with RTS/CTS, the TNC) holds the rest until there is room.
        const int room = link->waitForReceiveRoom();
        if (room <= 0) {
            break;
        }
        const auto want = static_cast<std::size_t>(std::min(room, kComMaxChunk));
        const PortTransfer got = link->port->read({chunk.data(), want}, kWaitForever);
        if (got.gone) {
            // Polling a hung-up device would return at once, forever; wait
            // for Close instead.
            link->deviceLost.store(true, std::memory_order_release);
            link->waitUntilClosing();
            break;
        }
        if (got.count > 0) {
            link->appendReceived({chunk.data(), got.count});
            link->announce();
        }
    }
    link->threadEnded(true);
}

void RunComWriter(std::shared_ptr<ComLink> link) {
    link->waitWhileOpen(kWriterStartDelay);
    while (link->isOpen()) {
        sendPendingOnce(*link);
        link->waitForTransmit();
    }
    // Closing: what is still queued, typically the TNC's exit text, goes out
    // before the port is closed, within Close's drain limit.
    const auto deadline = link->drainDeadlineTime();
    while (!link->pendingTransmit().empty() && Clock::now() < deadline) {
        sendPendingOnce(*link);
    }
    if (!link->deviceLost.load(std::memory_order_acquire)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        link->port->drainOutput(std::max(left, std::chrono::milliseconds::zero()));
    }
    link->threadEnded(false);
}

}  // namespace korvale
