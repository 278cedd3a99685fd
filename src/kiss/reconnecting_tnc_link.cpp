#include "kiss/reconnecting_tnc_link.h"

#include <unistd.h>

#include <chrono>
#include <system_error>
#include <utility>

#include "kiss/com_device_name.h"
#include "kiss/kiss_protocol.h"
#include "kiss/tnc_address.h"

namespace korvale {

ReconnectingTncLink::ReconnectingTncLink(const Settings& settings, ComHandler& handler,
                                         std::string comLinkDirectory,
                                         TcpTncLink::NotifyCallback notify)
    : settings_(settings),
      handler_(handler),
      serial_(handler),
      tcp_(std::move(notify)),
      comLinkDirectory_(std::move(comLinkDirectory)) {}

ReconnectingTncLink::~ReconnectingTncLink() {
    close();
}

int ReconnectingTncLink::open(int port, int baudRate) {
    if (phase_ != Phase::Closed) {
        return kComCannotOpen;
    }
    port_ = port;
    baudRate_ = baudRate;
    droppedFrames_ = 0;
    overTcp_ = !settings_.m_sTncTcpAddress.empty();
    if (overTcp_) {
        const std::optional<TncAddress> address = ParseTncAddress(settings_.m_sTncTcpAddress);
        if (!address || !tcp_.Connect(*address)) {
            return kComCannotOpen;
        }
        where_ = settings_.m_sTncTcpAddress;
        phase_ = Phase::Up;
        return kComOk;
    }
    where_ = kComLinkPrefix + std::to_string(port);
    const int result = serial_.open(port, baudRate);
    if (result == kComOk) {
        phase_ = Phase::Up;
    }
    return result;
}

int ReconnectingTncLink::close() {
    if (phase_ == Phase::Closed) {
        return kComNotOpen;
    }
    if (serialAttempt_.valid() && serialAttempt_.get() == kComOk) {
        serial_.close();
    }
    if (phase_ == Phase::Up || tcpAttempt_) {
        closeLine();
    }
    tcpAttempt_ = false;
    phase_ = Phase::Closed;
    return kComOk;
}

bool ReconnectingTncLink::write(std::span<const std::uint8_t> bytes) {
    const bool frame = !bytes.empty() && bytes.front() == FEND;
    if (phase_ == Phase::Up) {
        const bool queued = overTcp_ ? tcp_.write(bytes) : serial_.write(bytes);
        // Broken since the last tick: counted as if watch() had seen it.
        if (!queued && frame && lineBroken()) {
            ++droppedFrames_;
        }
        return queued;
    }
    if (phase_ == Phase::Down && frame) {
        ++droppedFrames_;
    }
    return false;
}

int ReconnectingTncLink::read(std::span<std::uint8_t> buffer) {
    if (phase_ != Phase::Up) {
        return 0;
    }
    return overTcp_ ? tcp_.read(buffer) : serial_.read(buffer);
}

LinkChange ReconnectingTncLink::watch() {
    if (phase_ == Phase::Up) {
        return lineBroken() ? goDown() : LinkChange{};
    }
    if (phase_ == Phase::Down) {
        return tryAgain();
    }
    return {};
}

bool ReconnectingTncLink::lineBroken() const {
    return overTcp_ ? tcp_.state() == TcpLinkState::Broken : !handler_.DeviceAvailable();
}

void ReconnectingTncLink::closeLine() {
    if (overTcp_) {
        tcp_.Close();
    } else {
        serial_.close();
    }
}

LinkChange ReconnectingTncLink::goDown() {
    if (overTcp_) {
        droppedFrames_ += tcp_.UnsentFrames();
    }
    // The line is gone, so closing it does not wait on the peer or the driver.
    closeLine();
    phase_ = Phase::Down;
    ticksToRetry_ = kReconnectTicks;
    return {LinkChange::Kind::Lost, where_, 0};
}

LinkChange ReconnectingTncLink::tryAgain() {
    if (ticksToRetry_ > 0) {
        --ticksToRetry_;
    }
    bool back = false;
    if (tcpAttempt_) {
        const TcpLinkState state = tcp_.state();
        back = state == TcpLinkState::Connected;
        if (state == TcpLinkState::Broken) {
            tcp_.Close();
            tcpAttempt_ = false;
        }
    } else if (serialAttempt_.valid() &&
               serialAttempt_.wait_for(std::chrono::seconds(0)) == std::future_status::ready) {
        back = serialAttempt_.get() == kComOk;
    }
    if (back) {
        tcpAttempt_ = false;
        phase_ = Phase::Up;
        return {LinkChange::Kind::Back, where_, std::exchange(droppedFrames_, 0)};
    }
    if (ticksToRetry_ == 0 && !tcpAttempt_ && !serialAttempt_.valid()) {
        startAttempt();
        ticksToRetry_ = kReconnectTicks;
    }
    return {};
}

bool ReconnectingTncLink::startAttempt() {
    if (overTcp_) {
        const std::optional<TncAddress> address = ParseTncAddress(where_);
        tcpAttempt_ = address && tcp_.Connect(*address);
        return tcpAttempt_;
    }
    // While the adapter is unplugged there is nothing to open; trying would
    // only spend the handler's three seconds of retries.
    const std::string device = ResolveComDevice(port_, comLinkDirectory_);
    if (device.empty() || ::access(device.c_str(), F_OK) != 0) {
        return false;
    }
    try {
        serialAttempt_ =
            std::async(std::launch::async, [this] { return serial_.open(port_, baudRate_); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

}  // namespace korvale
