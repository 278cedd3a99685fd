#include "gateway/air_pacer.h"

#include <algorithm>

namespace korvale {

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

bool AirPacer::mayHand(std::size_t frameBytes, std::int64_t nowMs) const {
    const std::int64_t backlog = backlogMs(nowMs);
    return backlog == 0 ||
           backlog + frameAirTimeMs(frameBytes, channel_.bitsPerSecond) <= kTncBacklogBudgetMs;
}

void AirPacer::handed(std::size_t frameBytes, std::int64_t nowMs) {
    const std::int64_t airTime = frameAirTimeMs(frameBytes, channel_.bitsPerSecond);
    if (backlogMs(nowMs) == 0) {
        busyUntilMs_ = nowMs + channel_.txDelayMs + airTime + channel_.txTailMs;
        sending_ = true;
    } else {
        busyUntilMs_ += airTime;
    }
}

void AirPacer::heard(std::size_t frameBytes, std::int64_t nowMs) {
    if (channel_.fullDuplex || !sending_) {
        return;
    }
    const std::int64_t airTime = frameAirTimeMs(frameBytes, channel_.bitsPerSecond);
    const std::int64_t overlap = std::min(airTime, busyUntilMs_ - (nowMs - airTime));
    if (overlap > 0) {
        busyUntilMs_ += overlap;
    }
}

}  // namespace korvale
