#include "gateway/neighbour_timers.h"

#include <algorithm>
#include <cstdint>

namespace korvale {
namespace {

constexpr std::int64_t kReferenceRate = 1200;
constexpr std::int64_t kRetransAtReferenceMs = 8000;
constexpr std::int64_t kReachableAtReferenceMs = 300000;

int scaled(std::int64_t atReference, int rate, std::int64_t low, std::int64_t high) {
    return static_cast<int>(std::clamp(atReference * kReferenceRate / rate, low, high));
}

}  // namespace

NeighbourTimers neighbourTimersFor(int airBitsPerSecond) {
    NeighbourTimers timers;
    if (airBitsPerSecond > 0) {
        timers.retransTimeMs = scaled(kRetransAtReferenceMs, airBitsPerSecond, 1000, 60000);
        timers.baseReachableTimeMs =
            scaled(kReachableAtReferenceMs, airBitsPerSecond, 30000, 3600000);
    }
    return timers;
}

}  // namespace korvale
