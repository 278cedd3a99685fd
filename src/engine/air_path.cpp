#include "engine/air_path.h"

#include <algorithm>
#include <utility>

#include "gateway/air_flow.h"
#include "gateway/neighbour_timers.h"
#include "gateway/radio_to_adapter.h"

namespace korvale {
namespace {

std::size_t encodedSize(const Ax25Frame& frame) {
    // Two addresses, the digipeaters, control and PID, then the information.
    return kAddressWireSize * (2 + static_cast<std::size_t>(frame.digipeaters.count())) + 2 +
           frame.info.size();
}

}  // namespace

bool AirPath::configure(const Settings& settings) {
    const int rate = std::max(settings.m_iAirBaudrate, 0);
    pacer_.configure({.bitsPerSecond = rate,
                      .txDelayMs = std::max(settings.m_iTxDelay, 0),
                      .txTailMs = std::max(settings.m_iTxTail, 0),
                      .fullDuplex = settings.m_bFullDup != 0,
                      .persist = settings.m_iPersist,
                      .slotTimeMs = std::max(settings.m_iSlottime, 0)});
    if (rate == timersRate_ || !nic_.isOpen()) {
        return true;
    }
    timersRate_ = rate;
    return nic_.setNeighbourTimers(neighbourTimersFor(rate)) || rate == 0;
}

void AirPath::takeFromAdapter(Ax25Frame frame, std::int64_t nowMs) {
    const NeighbourTimers timers = neighbourTimersFor(pacer_.channel().bitsPerSecond);
    if (const auto reply = responder_.answer(frame, nowMs, timers.baseReachableTimeMs)) {
        deliverToAdapter(nic_, *reply);
        return;
    }
    const std::int64_t repeatWindow =
        std::max<std::int64_t>(timers.retransTimeMs, kMinArpRepeatWindowMs);
    if (requestFilter_.isRepeat(frame, nowMs, repeatWindow)) {
        return;
    }
    queue(std::move(frame));
}

void AirPath::queue(Ax25Frame frame) {
    const AirFlow flow = airFlowOf(frame);
    const std::size_t bytes = encodedSize(frame);
    const std::int64_t airTime = frameAirTimeMs(bytes, pacer_.channel().bitsPerSecond);
    droppedSinceReport_ += queue_.push(flow, {std::move(frame), bytes, airTime, {}});
}

void AirPath::queueFromClient(int client, Ax25Frame frame, std::vector<std::uint8_t> wire) {
    const std::size_t bytes = wire.size();
    const std::int64_t airTime = frameAirTimeMs(bytes, pacer_.channel().bitsPerSecond);
    droppedSinceReport_ +=
        queue_.push(kissClientAirFlow(client), {std::move(frame), bytes, airTime, std::move(wire)});
}

std::optional<AirQueueEntry> AirPath::nextForTnc(std::int64_t nowMs) {
    const AirQueueEntry* next = queue_.front();
    const bool urgent = queue_.frontIsUrgent();
    if (next == nullptr || (active() && !pacer_.mayHand(next->bytes, nowMs, urgent))) {
        return std::nullopt;
    }
    pacer_.handed(next->bytes, nowMs, urgent);
    return queue_.pop();
}

void AirPath::heard(const Ax25Frame& frame, std::size_t bytes, std::int64_t nowMs) {
    responder_.noteHeard(frame, nowMs);
    pacer_.heard(bytes, nowMs);
}

std::optional<int> AirPath::dropReportDue(std::int64_t nowMs) {
    if (droppedSinceReport_ == 0 ||
        (lastReportMs_ && nowMs - *lastReportMs_ < kDropReportIntervalMs)) {
        return std::nullopt;
    }
    lastReportMs_ = nowMs;
    return std::exchange(droppedSinceReport_, 0);
}

}  // namespace korvale
