#include "gateway/arp_request_filter.h"

#include <algorithm>

#include "ax25/arp_hardware_address.h"
#include "ax25/arp_ip_layout.h"

namespace korvale {

bool ArpRequestFilter::isRepeat(const Ax25Frame& frame, std::int64_t nowMs, std::int64_t windowMs) {
    if (frame.kind != FrameKind::Ui || frame.pid != kPidArp ||
        frame.info.size() != kAx25ArpPacketSize || !isBroadcastStation(frame.destination) ||
        frame.info[kAx25ArpOperationOffset] != 0 ||
        frame.info[kAx25ArpOperationOffset + 1] != kArpRequest) {
        return false;
    }
    // Forget what is past its window, so the table holds only live questions.
    std::erase_if(askedAtMs_, [&](const auto& entry) { return nowMs - entry.second >= windowMs; });
    std::array<std::uint8_t, 4> target{};
    std::copy_n(frame.info.begin() + kAx25ArpTargetIpOffset, target.size(), target.begin());
    const auto [position, added] = askedAtMs_.try_emplace(target, nowMs);
    return !added;
}

}  // namespace korvale
