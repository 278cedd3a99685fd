#include "gateway/arp_responder.h"

#include <algorithm>
#include <span>

#include "ax25/arp_hardware_address.h"
#include "ax25/arp_ip_layout.h"

namespace korvale {
namespace {

bool isArpPacket(const Ax25Frame& frame) {
    return frame.kind == FrameKind::Ui && frame.pid == kPidArp &&
           frame.info.size() == kAx25ArpPacketSize;
}

template <std::size_t N>
std::array<std::uint8_t, N> bytesAt(const std::vector<std::uint8_t>& info, std::size_t offset) {
    std::array<std::uint8_t, N> out{};
    std::copy_n(info.begin() + static_cast<std::ptrdiff_t>(offset), N, out.begin());
    return out;
}

}  // namespace

void ArpResponder::noteHeard(const Ax25Frame& frame, std::int64_t nowMs) {
    if (frame.kind != FrameKind::Ui || !frame.digipeaters.empty()) {
        return;
    }
    const std::vector<std::uint8_t>& info = frame.info;
    if (frame.pid == kPidIp && info.size() >= kIpv4MinHeaderSize && (info[0] >> 4) == 4) {
        remember(bytesAt<4>(info, kIpv4SourceOffset), frame.source, nowMs);
    } else if (isArpPacket(frame)) {
        const Ax25Address sender =
            arpHardwareToCall(bytesAt<7>(info, kAx25ArpSenderHardwareOffset));
        if (sender == frame.source) {
            remember(bytesAt<4>(info, kAx25ArpSenderIpOffset), sender, nowMs);
        }
    }
}

void ArpResponder::remember(const Ipv4& address, const Ax25Address& station, std::int64_t nowMs) {
    if (address == Ipv4{} || isBroadcastStation(station)) {
        return;
    }
    heard_[address] = {station, nowMs};
    if (heard_.size() > kArpResponderCapacity) {
        heard_.erase(std::min_element(
            heard_.begin(), heard_.end(),
            [](const auto& a, const auto& b) { return a.second.atMs < b.second.atMs; }));
    }
}

std::optional<Ax25Frame> ArpResponder::answer(const Ax25Frame& request, std::int64_t nowMs,
                                              std::int64_t windowMs) const {
    if (!isArpPacket(request) || isBroadcastStation(request.destination)) {
        return std::nullopt;
    }
    const std::vector<std::uint8_t>& info = request.info;
    if (info[kAx25ArpOperationOffset] != 0 || info[kAx25ArpOperationOffset + 1] != kArpRequest) {
        return std::nullopt;
    }
    const auto found = heard_.find(bytesAt<4>(info, kAx25ArpTargetIpOffset));
    if (found == heard_.end() || !(found->second.station == request.destination) ||
        nowMs - found->second.atMs > windowMs) {
        return std::nullopt;
    }
    // The reply the station would send: its own addresses as sender, the
    // requester's as target.
    std::vector<std::uint8_t> reply(info.begin(), info.begin() + kAx25ArpSenderHardwareOffset);
    reply[kAx25ArpOperationOffset + 1] = kArpReply;
    const ArpHardwareAddress station = callToArpHardware(request.destination);
    reply.insert(reply.end(), station.begin(), station.end());
    reply.insert(reply.end(), info.begin() + kAx25ArpTargetIpOffset, info.end());
    reply.insert(reply.end(), info.begin() + kAx25ArpSenderHardwareOffset,
                 info.begin() + kAx25ArpTargetHardwareOffset);
    Ax25Frame frame;
    frame.build(request.destination, request.source, AddressList{kAddressListCapacity}, 0,
                FrameKind::Ui, 1, 0, 0, 0, kPidArp, reply);
    return frame;
}

}  // namespace korvale
