// The adapter driver on Linux: a TAP interface named "korvale0" reached
// through /dev/net/tun (IFF_TAP | IFF_NO_PI, one queue).
//
// open() attaches to korvale0 when it already exists as a persistent TAP the
// user may use (made by an administrator with "ip tuntap add dev korvale0
// mode tap user NAME"); that needs no privilege. When there is no such
// interface and the process holds CAP_NET_ADMIN, the kernel creates one that
// lives as long as the driver stays open.
//
// The descriptor is non-blocking: pendingFrames() polls without waiting and
// readFrame() returns false at once when nothing is queued. Frames cross the
// boundary rewritten by host_frame_translation.h, so the interface's real
// hardware address appears to the gateway as "SMRDRV" and frames for the host
// arrive destination first. The real address is read from the interface on
// every frame, so a change made with "ip link set korvale0 address" is
// followed at once.
//
// Owns its descriptor; closing or destroying the driver releases it. One
// thread only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "gateway/address_mapping.h"
#include "gateway/file_descriptor.h"
#include "gateway/nic_driver.h"

namespace korvale {

inline constexpr char kTapInterfaceName[] = "korvale0";
inline constexpr char kTunControlPath[] = "/dev/net/tun";

// A TAP frame is at most 65535 bytes (maximum MTU plus header); whatever of
// it does not fit the caller's buffer is read into this spill area and lost,
// so the read never leaves a piece of a frame behind.
inline constexpr std::size_t kTapSpillSize = 65536;

class TapNicDriver final : public NicDriver {
  public:
    TapNicDriver() = default;
    ~TapNicDriver() override;

    TapNicDriver(const TapNicDriver&) = delete;
    TapNicDriver& operator=(const TapNicDriver&) = delete;

    bool open() override;
    bool close() override;
    bool readFrame(std::span<std::uint8_t> buffer, std::size_t& length) override;
    bool writeFrame(std::span<const std::uint8_t> frame) override;

    // A Linux interface states its speed in whole Mb/s, which cannot express
    // radio rates; the rate is kept (linkSpeed()) but not announced. False
    // for a rate that is not positive.
    bool setLinkSpeed(std::int32_t bitsPerSecond) override;

    // Writes the timers to /proc/sys/net/ipv4/neigh/korvale0/, which takes
    // CAP_NET_ADMIN in the interface's network namespace; false when any of
    // them could not be written.
    bool setNeighbourTimers(const NeighbourTimers& timers) override;

    // Non-zero (1) while at least one frame is queued; the kernel gives no
    // exact count. False when the interface has gone away.
    bool pendingFrames(std::uint32_t& count) override;

    // The TAP descriptor itself.
    int readableDescriptor() const override { return fd_.get(); }

    // The interface's real hardware address, as last read from it.
    const MacAddress& interfaceMac() const { return interfaceMac_; }

    // The last rate accepted by setLinkSpeed(), 0 before any.
    std::int32_t linkSpeed() const { return linkSpeed_; }

  private:
    bool refreshInterfaceMac();

    FileDescriptor fd_;
    MacAddress interfaceMac_{};
    std::int32_t linkSpeed_ = 0;
    std::array<std::uint8_t, kTapSpillSize> spill_{};
};

}  // namespace korvale
