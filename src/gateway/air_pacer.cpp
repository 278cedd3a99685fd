#include "gateway/air_pacer.h"

#include <algorithm>
#include <cmath>

namespace korvale {
namespace {

// Air time without the worst-case bit stuffing frameAirTimeMs() counts: the
// least the radio can take.
constexpr int kUnstuffedBitsPerTenBytes = 80;
std::int64_t unstuffedMs(std::int64_t airTimeMs) {
    return airTimeMs * kUnstuffedBitsPerTenBytes / kStuffedBitsPerTenBytes;
}

}  // namespace

std::int64_t frameAirTimeMs(std::size_t frameBytes, int bitsPerSecond) {
    if (bitsPerSecond <= 0) {
        return 0;
    }
    const auto tenthBits =
        static_cast<std::int64_t>(frameBytes + kHdlcFrameOverheadBytes) * kStuffedBitsPerTenBytes;
    const std::int64_t divisor = static_cast<std::int64_t>(bitsPerSecond) * 10;
    return (tenthBits * 1000 + divisor - 1) / divisor;
}

std::int64_t AirPacer::backlogMs(std::int64_t nowMs) const {
    return sending_ ? std::max<std::int64_t>(busyUntilMs_ - nowMs, 0) : 0;
}

std::int64_t AirPacer::transmissionLimitMs() const {
    const std::int64_t slots = 256 / (std::clamp(channel_.persist, 0, 255) + 1) - 1;
    return kTransmissionPerOverhead *
           (channel_.txDelayMs + channel_.txTailMs + slots * channel_.slotTimeMs);
}

std::int64_t AirPacer::turnMs() const {
    const double keyUp = (std::clamp(channel_.persist, 0, 255) + 1) / 256.0;
    if (keyUp >= 1) {
        return channel_.slotTimeMs;
    }
    const double slots = std::ceil(std::log(1 - kTurnKeyUpChance) / std::log(1 - keyUp));
    return static_cast<std::int64_t>(slots) * channel_.slotTimeMs;
}

bool AirPacer::mayHand(std::size_t frameBytes, std::int64_t nowMs, bool urgent) const {
    const std::int64_t backlog = backlogMs(nowMs);
    const std::int64_t airTime = frameAirTimeMs(frameBytes, channel_.bitsPerSecond);
    if (channel_.fullDuplex) {
        return backlog == 0 || backlog + airTime <= kTncBacklogBudgetMs;
    }
    // A frame handed within half the TxDelay of the first is with the TNC
    // before its transmitter has keyed up for them. A transmission begun by
    // an urgent frame carries only urgent ones, so that the answer to it
    // waits for no bulk frame.
    if (backlog > 0) {
        return nowMs - transmissionAtMs_ <= channel_.txDelayMs / 2 && (urgent || !urgentStart_) &&
               transmissionMs_ + airTime <= transmissionLimitMs();
    }
    return urgent || !othersTurn(nowMs);
}

// Other stations heard lately have their turn once our TNC falls silent;
// hearing one after that shows the turn taken, and our TNC waits for its
// carrier to end.
bool AirPacer::othersTurn(std::int64_t nowMs) const {
    return !turnTaken_ && heardAtMs_ + kPeerActiveMs > busyUntilMs_ &&
           nowMs < busyUntilMs_ + turnMs();
}

void AirPacer::handed(std::size_t frameBytes, std::int64_t nowMs, bool urgent) {
    const std::int64_t airTime = frameAirTimeMs(frameBytes, channel_.bitsPerSecond);
    if (backlogMs(nowMs) == 0) {
        urgentStart_ = urgent;
        busyUntilMs_ = nowMs + channel_.txDelayMs + airTime + channel_.txTailMs;
        sending_ = true;
        transmissionAtMs_ = nowMs;
        transmissionMs_ = airTime;
        turnTaken_ = false;
    } else {
        busyUntilMs_ += airTime;
        transmissionMs_ += airTime;
    }
}

void AirPacer::heard(std::size_t frameBytes, std::int64_t nowMs) {
    if (channel_.fullDuplex) {
        return;
    }
    heardAtMs_ = nowMs;
    // A radio that sends hears nothing. When the frame began before our TNC
    // could have sent all it holds (counting no stuffing for either), the
    // TNC has not keyed up yet: it sends the whole transmission after this
    // frame, and frames handed now still join it. A frame that began later
    // most likely answers what our TNC sent.
    const std::int64_t airTime = frameAirTimeMs(frameBytes, channel_.bitsPerSecond);
    const std::int64_t earliestEnd =
        transmissionAtMs_ + channel_.txDelayMs + unstuffedMs(transmissionMs_);
    if (sending_ && nowMs - unstuffedMs(airTime) < earliestEnd) {
        transmissionAtMs_ = nowMs;
        busyUntilMs_ = std::max(busyUntilMs_,
                                nowMs + channel_.txDelayMs + transmissionMs_ + channel_.txTailMs);
    } else {
        busyUntilMs_ = std::min(busyUntilMs_, nowMs);
        turnTaken_ = true;
    }
}

}  // namespace korvale
