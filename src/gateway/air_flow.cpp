#include "gateway/air_flow.h"

#include <algorithm>
#include <span>

#include "ax25/arp_ip_layout.h"

namespace korvale {
namespace {

constexpr std::uint8_t kKeyIpv4 = 1;
constexpr std::uint8_t kKeyStations = 2;
constexpr std::uint8_t kKeyKissClient = 3;

}  // namespace

AirFlow airFlowOf(const Ax25Frame& frame) {
    AirFlow flow;
    if (frame.kind != FrameKind::Ui || frame.pid != kPidIp) {
        flow.priority = true;
        return flow;
    }
    const std::span<const std::uint8_t> info(frame.info);
    const std::size_t headerSize = info.empty() ? 0 : static_cast<std::size_t>(info[0] & 0x0F) * 4;
    if (info.size() < kIpv4MinHeaderSize || (info[0] >> 4) != 4 ||
        headerSize < kIpv4MinHeaderSize || headerSize > info.size()) {
        flow.key[0] = kKeyStations;
        std::array<std::uint8_t, kAddressWireSize> field{};
        frame.source.encodeWire(field);
        std::copy(field.begin(), field.end(), flow.key.begin() + 1);
        frame.destination.encodeWire(field);
        std::copy(field.begin(), field.end(), flow.key.begin() + 1 + kAddressWireSize);
        return flow;
    }
    flow.key[0] = kKeyIpv4;
    const std::uint8_t protocol = info[kIpv4ProtocolOffset];
    flow.key[1] = protocol;
    std::copy_n(info.begin() + kIpv4SourceOffset, 2 * kIpv4AddressSize, flow.key.begin() + 2);
    // Later fragments carry no ports; they join the flow without them.
    const bool firstFragment = ((info[6] & 0x1F) | info[7]) == 0;
    if ((protocol == kIpProtocolTcp || protocol == kIpProtocolUdp) && firstFragment &&
        info.size() >= headerSize + 4) {
        std::copy_n(info.begin() + static_cast<std::ptrdiff_t>(headerSize), 4,
                    flow.key.begin() + 10);
    }
    return flow;
}

AirFlow kissClientAirFlow(int client) {
    AirFlow flow;
    flow.key[0] = kKeyKissClient;
    for (std::size_t i = 1; i <= sizeof client; ++i) {
        flow.key[i] = static_cast<std::uint8_t>(static_cast<unsigned>(client) >> (8 * (i - 1)));
    }
    return flow;
}

}  // namespace korvale
