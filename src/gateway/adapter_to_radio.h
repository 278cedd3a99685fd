// The adapter-to-radio path: Ethernet frames sent by the host through the
// virtual adapter become AX.25 UI frames for the radio. IP (and any EtherType
// other than ARP) travels unchanged with PID 0xCC; a 42-byte Ethernet ARP
// message is rewritten as the 30-byte AX.25 ARP packet with PID 0xCD.
//
// One AdapterToRadio serves one NicDevice, which must outlive it; the engine
// owns the program's one, bound to theNicDevice(). The
// gateway's own address, SuppressBroadcasts and GatewayLinkBitRate
// (gateway_globals.h) are read afresh on every call. Main thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "ax25/ax25_frame.h"
#include "gateway/nic_device.h"

namespace korvale {

// One Ethernet frame; a read that fills it may have been cut and is dropped.
inline constexpr std::size_t kAdapterReadBufferSize = 5000;

// Link speed reported before any: forces the first report.
inline constexpr std::int32_t kNoLinkSpeedReported = -1;

class AdapterToRadio {
  public:
    explicit AdapterToRadio(NicDevice& device) : device_(device) {}

    AdapterToRadio(const AdapterToRadio&) = delete;
    AdapterToRadio& operator=(const AdapterToRadio&) = delete;

    // Reads at most one frame from the adapter and returns the UI frame made
    // from it, owned by the caller. None when the device is closed, nothing
    // is waiting, or the frame read was dropped (13 bytes or shorter, 5000 or
    // longer, ARP of any length but 42, a broadcast or multicast IP frame
    // while SuppressBroadcasts is set). Before reading, reports
    // GatewayLinkBitRate to the device when it differs from the last report.
    std::optional<Ax25Frame> takeAdapterFrame();

    // The bit rate last handed to the device, kNoLinkSpeedReported before.
    std::int32_t reportedLinkSpeed() const { return reportedLinkSpeed_; }

  private:
    NicDevice& device_;
    std::int32_t reportedLinkSpeed_ = kNoLinkSpeedReported;
    std::array<std::uint8_t, kAdapterReadBufferSize> buffer_{};
};

}  // namespace korvale
