#include "kiss/com_handler.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <system_error>
#include <utility>

#include "kiss/com_device_name.h"
#include "kiss/com_link.h"

namespace korvale {

namespace {

int openResultCode(PortOpenResult result) {
    switch (result) {
        case PortOpenResult::Opened:
            return kComOk;
        case PortOpenResult::NoWakeEvent:
            return kComNoReadEvent;
        case PortOpenResult::ConfigurationRefused:
            return kComConfigRefused;
        case PortOpenResult::NotAvailable:
            break;
    }
    return kComCannotOpen;
}

// Sleeps for `interval`; returns early, and true, when a stop is requested.
bool waitUnlessStopped(std::chrono::milliseconds interval, std::stop_token stop) {
    std::mutex lock;
    std::condition_variable_any wakeUp;
    std::unique_lock<std::mutex> hold(lock);
    return wakeUp.wait_for(hold, stop, interval, [] { return false; }) || stop.stop_requested();
}

}  // namespace

ComHandler::ComHandler(SerialPortFactory makePort, std::string comLinkDirectory)
    : makePort_(std::move(makePort)),
      comLinkDirectory_(std::move(comLinkDirectory)),
      link_(std::make_shared<ComLink>()) {}

ComHandler::~ComHandler() {
    Close();
}

int ComHandler::Open(int port, int baudRate, int byteSize, int parity, int stopBits, int dtrMode,
                     int rtsMode, int xonXoff, std::stop_token stop) {
    if (link_->state.load(std::memory_order_acquire) != kComStateClosed) {
        return kComCannotOpen;
    }
    // A fresh link: both rings empty, no thread of an earlier open attached.
    auto link = std::make_shared<ComLink>();
    link->notify = notify_;
    link_ = link;
    link->port = makePort_ ? makePort_() : nullptr;
    if (!link->port) {
        return kComNoReadEvent;
    }

    const SerialSettings settings{baudRate, byteSize, parity, stopBits, dtrMode, rtsMode, xonXoff};
    PortOpenResult result = PortOpenResult::NotAvailable;
    for (int attempt = 0; attempt < kOpenAttempts && !stop.stop_requested(); ++attempt) {
        if (attempt > 0 && waitUnlessStopped(kOpenRetryInterval, stop)) {
            break;
        }
        // Looked up each time: the user may plug the adapter in meanwhile.
        const std::string device = ResolveComDevice(port, comLinkDirectory_);
        if (!device.empty()) {
            result = link->port->open(device, settings);
        }
        if (result != PortOpenResult::NotAvailable) {
            break;
        }
    }
    if (result != PortOpenResult::Opened) {
        link->port->close();
        return openResultCode(result);
    }

    // Open before the threads start, so that they never see a closed state
    // by mistake; their start delays remain as the line's settling time.
    link->state.store(port, std::memory_order_release);
    try {
        writer_ = std::thread(RunComWriter, link);
    } catch (const std::system_error&) {
        link->state.store(kComStateClosed, std::memory_order_release);
        link->port->close();
        return kComNoThread;
    }
    try {
        reader_ = std::thread(RunComReader, link);
    } catch (const std::system_error&) {
        stopThreadsAfterFailedStart();
        return kComNoThread;
    }

    link->port->setDtr(dtrMode != kLineModeOff);
    link->port->setRts(rtsMode != kLineModeOff);
    portNumber_ = port;
    settings_ = settings;
    return kComOk;
}

void ComHandler::stopThreadsAfterFailedStart() {
    {
        std::lock_guard<std::mutex> hold(link_->lifeLock);
        link_->readerEnded = true;
    }
    link_->beginClosing(ComLink::Clock::now());
    writer_.join();
    link_->port->close();
    link_->state.store(kComStateClosed, std::memory_order_release);
}

int ComHandler::Close() {
    ComLink& link = *link_;
    if (link.state.load(std::memory_order_acquire) <= 0) {
        return kComNotOpen;
    }
    const auto start = ComLink::Clock::now();
    link.beginClosing(start + kCloseDrainLimit);
    const bool ended = link.waitForThreadsToEnd(start + kCloseWaitAttempts * kCloseWaitInterval);

    // Only now, with the exit text sent: dropping DTR may reset a TNC, and
    // the purge would discard what the driver still held.
    link.port->setDtr(false);
    link.port->setRts(false);
    link.port->purge();

    if (ended) {
        reader_.join();
        writer_.join();
        link.port->close();
        link.state.store(kComStateClosed, std::memory_order_release);
        return kComOk;
    }

    // A thread is stuck in the driver. It keeps the link, and with it the
    // port, alive until it returns; it must not call the owner back.
    link.setNotify(nullptr);
    if (link.readerHasEnded()) {
        reader_.join();
    } else {
        reader_.detach();
    }
    if (link.writerHasEnded()) {
        writer_.join();
    } else {
        writer_.detach();
    }
    link_ = std::make_shared<ComLink>();
    return kComOk;
}

int ComHandler::Write(const std::uint8_t* bytes, std::size_t length) {
    if (bytes == nullptr && length > 0) {
        return 0;
    }
    return Write(std::span<const std::uint8_t>(bytes, length));
}

int ComHandler::Write(std::span<const std::uint8_t> bytes) {
    ComLink& link = *link_;
    if (!link.isOpen() || link.deviceLost.load(std::memory_order_acquire)) {
        return 0;
    }
    return link.queueTransmit(bytes) ? 1 : 0;
}

int ComHandler::WriteString(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    return Write(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text));
}

int ComHandler::Read(std::uint8_t* destination, int max) {
    if (destination == nullptr || max <= 0) {
        return 0;
    }
    return link_->takeReceived(destination, max);
}

void ComHandler::SetNotifyCallback(NotifyCallback callback) {
    notify_ = callback;
    link_->setNotify(std::move(callback));
}

void ComHandler::SetComLinkDirectory(std::string directory) {
    comLinkDirectory_ = std::move(directory);
}

int ComHandler::State() const {
    return link_->state.load(std::memory_order_acquire);
}

bool ComHandler::DeviceAvailable() const {
    return !link_->deviceLost.load(std::memory_order_acquire);
}

}  // namespace korvale
