#include "gateway/host_frame_translation.h"

#include <algorithm>
#include <array>

#include "gateway/ethernet_layout.h"

namespace korvale {
namespace {

constexpr std::array<std::size_t, 2> kHeaderAddressOffsets = {kEthernetDestinationOffset,
                                                              kEthernetSourceOffset};
constexpr std::array<std::size_t, 2> kArpAddressOffsets = {kEthernetArpSenderHardwareOffset,
                                                           kEthernetArpTargetHardwareOffset};

bool hasArpLayout(std::span<const std::uint8_t> frame) {
    return frame.size() >= kEthernetArpFrameSize &&
           frame[kEtherTypeOffset + 1] == kEtherTypeArpLowByte;
}

void replaceAddress(std::span<std::uint8_t> frame, std::size_t offset, const MacAddress& from,
                    const MacAddress& to) {
    if (offset + kMacSize > frame.size()) {
        return;
    }
    auto field = frame.subspan(offset, kMacSize);
    if (std::equal(field.begin(), field.end(), from.begin())) {
        std::copy(to.begin(), to.end(), field.begin());
    }
}

void replaceEverywhere(std::span<std::uint8_t> frame, const MacAddress& from,
                       const MacAddress& to) {
    for (std::size_t offset : kHeaderAddressOffsets) {
        replaceAddress(frame, offset, from, to);
    }
    if (hasArpLayout(frame)) {
        for (std::size_t offset : kArpAddressOffsets) {
            replaceAddress(frame, offset, from, to);
        }
    }
}

}  // namespace

void translateFrameFromHost(std::span<std::uint8_t> frame, const MacAddress& interfaceMac) {
    replaceEverywhere(frame, interfaceMac, kAdapterMac);
}

void translateFrameToHost(std::span<std::uint8_t> frame, const MacAddress& interfaceMac) {
    if (frame.size() < kEthernetHeaderSize) {
        return;
    }
    replaceEverywhere(frame, kAdapterMac, interfaceMac);
    std::swap_ranges(frame.begin() + kEthernetDestinationOffset,
                     frame.begin() + kEthernetDestinationOffset + kMacSize,
                     frame.begin() + kEthernetSourceOffset);
}

std::size_t hostTranslatedPrefixSize(std::span<const std::uint8_t> frame) {
    if (hasArpLayout(frame)) {
        return kEthernetArpFrameSize;
    }
    return std::min(frame.size(), kEthernetHeaderSize);
}

}  // namespace korvale
