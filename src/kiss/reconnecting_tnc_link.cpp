#include "kiss/reconnecting_tnc_link.h"

#include <unistd.h>

#include <optional>
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
    overTcp_ = !settings_.m_sTncTcpAddress.empty();
    if (overTcp_ && !ParseTncAddress(settings_.m_sTncTcpAddress)) {
        return kComCannotOpen;
    }
    port_ = port;
    baudRate_ = baudRate;
    droppedFrames_ = 0;
    tcpAttempt_ = false;
    where_ = overTcp_ ? settings_.m_sTncTcpAddress : kComLinkPrefix + std::to_string(port);
    ++generation_;
    if (overTcp_ && worker_.outstanding() == 0) {
        // Connecting starts the TCP link's thread and returns; bytes written
        // meanwhile wait in the link.
        if (!connectTcp()) {
            phase_ = Phase::Closed;
            return kComCannotOpen;
        }
        phase_ = Phase::Up;
        return kComOk;
    }
    postOpen();
    phase_ = Phase::Opening;
    return kLinkOpening;
}

bool ReconnectingTncLink::connectTcp() {
    const std::optional<TncAddress> address = ParseTncAddress(where_);
    return address && tcp_.Connect(*address);
}

int ReconnectingTncLink::close() {
    if (phase_ == Phase::Closed) {
        return kComNotOpen;
    }
    worker_.cancel();
    held_.clear();
    heldBytes_ = 0;
    // Whatever the steps before it leave open, this closes.
    postClose();
    ++generation_;
    tcpAttempt_ = false;
    phase_ = Phase::Closed;
    return kComOk;
}

bool ReconnectingTncLink::write(std::span<const std::uint8_t> bytes) {
    const bool frame = !bytes.empty() && bytes.front() == FEND;
    switch (phase_) {
        case Phase::Up: {
            const bool queued = overTcp_ ? tcp_.write(bytes) : serial_.write(bytes);
            // Broken since the last tick: counted as if watch() had seen it.
            if (!queued && frame && lineBroken()) {
                ++droppedFrames_;
            }
            return queued;
        }
        case Phase::Opening:
            if (heldBytes_ + bytes.size() > static_cast<std::size_t>(kComRingCapacity)) {
                return false;
            }
            held_.emplace_back(bytes.begin(), bytes.end());
            heldBytes_ += bytes.size();
            return true;
        case Phase::Down:
            droppedFrames_ += frame ? 1 : 0;
            return false;
        case Phase::Closed:
            break;
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
    // The outcome of this open's step, if one ended; the rest are stale.
    std::optional<int> outcome;
    while (const auto done = worker_.take()) {
        if (done->tag == generation_) {
            outcome = done->result;
        }
    }
    switch (phase_) {
        case Phase::Opening:
            return outcome ? opened(*outcome) : LinkChange{};
        case Phase::Up:
            return lineBroken() ? goDown() : LinkChange{};
        case Phase::Down:
            return tryAgain(outcome);
        case Phase::Closed:
            break;
    }
    return {};
}

LinkChange ReconnectingTncLink::opened(int result) {
    std::deque<std::vector<std::uint8_t>> held = std::exchange(held_, {});
    heldBytes_ = 0;
    if (result == kComOk) {
        phase_ = Phase::Up;
        for (const std::vector<std::uint8_t>& bytes : held) {
            write(bytes);
        }
        return {LinkChange::Kind::Opened, where_, 0};
    }
    phase_ = Phase::Closed;
    // A TCP TNC that cannot be reached never disables the port.
    return overTcp_ ? LinkChange{} : LinkChange{LinkChange::Kind::OpenFailed, where_, 0};
}

bool ReconnectingTncLink::lineBroken() const {
    return overTcp_ ? tcp_.state() == TcpLinkState::Broken : !handler_.DeviceAvailable();
}

LinkChange ReconnectingTncLink::goDown() {
    if (overTcp_) {
        droppedFrames_ += tcp_.UnsentFrames();
    }
    postClose();
    phase_ = Phase::Down;
    ticksToRetry_ = kReconnectTicks;
    return {LinkChange::Kind::Lost, where_, 0};
}

LinkChange ReconnectingTncLink::tryAgain(const std::optional<int>& attempt) {
    if (ticksToRetry_ > 0) {
        --ticksToRetry_;
    }
    if (attempt && *attempt == kComOk) {
        return back();
    }
    // The link's parts are the worker's until its steps have ended.
    if (worker_.outstanding() > 0) {
        return {};
    }
    if (tcpAttempt_) {
        const TcpLinkState state = tcp_.state();
        if (state == TcpLinkState::Connected) {
            return back();
        }
        if (state == TcpLinkState::Broken) {
            tcpAttempt_ = false;
            postClose();
        }
        return {};
    }
    if (ticksToRetry_ == 0) {
        startAttempt();
        ticksToRetry_ = kReconnectTicks;
    }
    return {};
}

LinkChange ReconnectingTncLink::back() {
    tcpAttempt_ = false;
    phase_ = Phase::Up;
    return {LinkChange::Kind::Back, where_, std::exchange(droppedFrames_, 0)};
}

void ReconnectingTncLink::startAttempt() {
    if (overTcp_) {
        tcpAttempt_ = connectTcp();
        return;
    }
    // While the adapter is unplugged there is nothing to open; trying would
    // only spend the handler's three seconds of retries.
    const std::string device = ResolveComDevice(port_, comLinkDirectory_);
    if (!device.empty() && ::access(device.c_str(), F_OK) == 0) {
        postOpen();
    }
}

void ReconnectingTncLink::postOpen() {
    if (overTcp_) {
        worker_.post(generation_,
                     [this](std::stop_token) { return connectTcp() ? kComOk : kComCannotOpen; });
    } else {
        worker_.post(generation_, [this, port = port_, baudRate = baudRate_](std::stop_token stop) {
            return serial_.open(port, baudRate, std::move(stop));
        });
    }
}

void ReconnectingTncLink::postClose() {
    worker_.post(kUntagged, [this, tcp = overTcp_](std::stop_token) {
        if (tcp) {
            tcp_.Close();
        } else {
            serial_.close();
        }
        return kComOk;
    });
}

}  // namespace korvale
