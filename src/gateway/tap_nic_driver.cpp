#include "gateway/tap_nic_driver.h"

#include <fcntl.h>
#include <linux/if.h>
#include <linux/if_tun.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "gateway/ethernet_layout.h"
#include "gateway/host_frame_translation.h"

namespace korvale {
namespace {

ifreq interfaceRequest() {
    ifreq request{};
    std::strncpy(request.ifr_name, kTapInterfaceName, IFNAMSIZ - 1);
    return request;
}

}  // namespace

TapNicDriver::~TapNicDriver() = default;

bool TapNicDriver::open() {
    if (fd_.valid()) {
        return false;
    }
    FileDescriptor device(::open(kTunControlPath, O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (!device.valid()) {
        return false;
    }
    ifreq request = interfaceRequest();
    request.ifr_flags = IFF_TAP | IFF_NO_PI;
    // Attaches to an existing TAP of that name when the caller owns it, and
    // creates one only when the caller has CAP_NET_ADMIN.
    if (::ioctl(device.get(), TUNSETIFF, &request) < 0) {
        return false;
    }
    fd_ = std::move(device);
    if (!refreshInterfaceMac()) {
        fd_.reset();
        return false;
    }
    return true;
}

bool TapNicDriver::close() {
    if (!fd_.valid()) {
        return false;
    }
    // Linux releases the descriptor even when close() reports an error, so
    // keeping it for a retry would later touch a number that may have been
    // reused; the driver is closed in every case.
    fd_.reset();
    return true;
}

bool TapNicDriver::readFrame(std::span<std::uint8_t> buffer, std::size_t& length) {
    if (!fd_.valid() || buffer.empty()) {
        return false;
    }
    iovec parts[2] = {{buffer.data(), buffer.size()}, {spill_.data(), spill_.size()}};
    const ssize_t read = ::readv(fd_.get(), parts, 2);
    if (read <= 0) {
        return false;
    }
    const std::size_t stored = std::min(static_cast<std::size_t>(read), buffer.size());
    refreshInterfaceMac();
    translateFrameFromHost(buffer.first(stored), interfaceMac_);
    length = stored;
    return true;
}

bool TapNicDriver::writeFrame(std::span<const std::uint8_t> frame) {
    if (!fd_.valid() || frame.size() < kEthernetHeaderSize) {
        return false;
    }
    refreshInterfaceMac();
    // Only the header (and an ARP body) changes, so translate a copy of those
    // bytes and send the payload from where it lies.
    std::array<std::uint8_t, kEthernetArpFrameSize> head{};
    const std::size_t headSize = hostTranslatedPrefixSize(frame);
    std::copy_n(frame.begin(), headSize, head.begin());
    translateFrameToHost(std::span(head).first(headSize), interfaceMac_);
    // iovec has no const form; writev only reads through it.
    iovec parts[2] = {
        {head.data(), headSize},
        {const_cast<std::uint8_t*>(frame.data()) + headSize, frame.size() - headSize}};
    const ssize_t written = ::writev(fd_.get(), parts, 2);
    return written == static_cast<ssize_t>(frame.size());
}

bool TapNicDriver::setLinkSpeed(std::int32_t bitsPerSecond) {
    if (!fd_.valid() || bitsPerSecond <= 0) {
        return false;
    }
    linkSpeed_ = bitsPerSecond;
    return true;
}

bool TapNicDriver::setNeighbourTimers(const NeighbourTimers& timers) {
    if (!fd_.valid()) {
        return false;
    }
    const std::string directory =
        std::string("/proc/sys/net/ipv4/neigh/") + kTapInterfaceName + "/";
    const std::pair<const char*, int> values[] = {
        {"retrans_time_ms", timers.retransTimeMs},
        {"base_reachable_time_ms", timers.baseReachableTimeMs},
        {"ucast_solicit", timers.unicastProbes},
        {"mcast_solicit", timers.multicastProbes}};
    bool allSet = true;
    for (const auto& [name, value] : values) {
        const std::string path = directory + name;
        const std::string text = std::to_string(value) + "\n";
        // A value an administrator has already set needs no right to keep.
        std::array<char, 32> current{};
        const FileDescriptor reader(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
        const ssize_t length =
            reader.valid() ? ::read(reader.get(), current.data(), current.size() - 1) : -1;
        if (length > 0 && text == std::string(current.data(), static_cast<std::size_t>(length))) {
            continue;
        }
        const FileDescriptor writer(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
        allSet =
            writer.valid() &&
            ::write(writer.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
            allSet;
    }
    return allSet;
}

bool TapNicDriver::pendingFrames(std::uint32_t& count) {
    if (!fd_.valid()) {
        return false;
    }
    pollfd entry{fd_.get(), POLLIN, 0};
    if (::poll(&entry, 1, 0) < 0 || (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
        return false;
    }
    count = (entry.revents & POLLIN) != 0 ? 1 : 0;
    return true;
}

bool TapNicDriver::refreshInterfaceMac() {
    ifreq request = interfaceRequest();
    if (::ioctl(fd_.get(), SIOCGIFHWADDR, &request) < 0) {
        return false;
    }
    std::copy_n(reinterpret_cast<const std::uint8_t*>(request.ifr_hwaddr.sa_data), kMacSize,
                interfaceMac_.begin());
    return true;
}

}  // namespace korvale
