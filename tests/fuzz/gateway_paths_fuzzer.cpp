// Feeds arbitrary bytes through both gateway paths and the TAP boundary
// rewrite, on the in-memory driver. The first byte picks the path and its
// settings; the rest is the frame.
//   bits 0-1: 0 adapter-to-radio (rest is an Ethernet frame from the host),
//             1 radio-to-adapter (rest is AX.25 wire bytes),
//             2 radio-to-adapter (rest is kind, PID, information),
//             3 TAP boundary rewrite in both directions
//   bit 2:    SuppressBroadcasts
//   bit 3:    own address empty instead of NOCALL-7
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "../gateway/fake_nic_driver.h"
#include "gateway/adapter_to_radio.h"
#include "gateway/ethernet_layout.h"
#include "gateway/gateway_globals.h"
#include "gateway/host_frame_translation.h"
#include "gateway/radio_to_adapter.h"

namespace {

using korvale::testing::FakeNicDriver;

constexpr korvale::MacAddress kInterfaceMac = {0xEE, 0x2A, 0x1B, 0xA3, 0x45, 0x2D};

void check(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

void adapterToRadio(std::span<const std::uint8_t> bytes) {
    auto fake = std::make_unique<FakeNicDriver>();
    fake->hostFrames.emplace_back(bytes.begin(), bytes.end());
    korvale::NicDevice device(std::move(fake));
    device.open();
    korvale::AdapterToRadio path(device);
    const auto frame = path.takeAdapterFrame();
    if (!frame) {
        return;
    }
    check(frame->kind == korvale::FrameKind::Ui);
    if (frame->pid == korvale::kPidArp) {
        check(bytes.size() == korvale::kEthernetArpFrameSize);
        check(frame->info.size() == korvale::kAx25ArpPacketSize);
    } else {
        check(frame->pid == korvale::kPidIp);
        check(frame->info.size() <= korvale::kMaxIpDatagramSize);
        check(frame->info.size() + korvale::kEthernetHeaderSize == bytes.size());
    }
    const std::vector<std::uint8_t> wire = frame->encode();
    korvale::Ax25Frame decoded;
    check(decoded.decode(wire));
}

void radioToAdapter(const korvale::Ax25Frame& frame) {
    auto fake = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *fake;
    korvale::NicDevice device(std::move(fake));
    device.open();
    const bool delivered = korvale::deliverToAdapter(device, frame);
    check(delivered == !driver.written.empty());
    if (delivered) {
        const auto& written = driver.written.front();
        check(written.size() <= korvale::kMaxAdapterWriteSize);
        check(written.size() >= korvale::kEthernetHeaderSize);
    }
}

void boundaryRewrite(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> frame(bytes.begin(), bytes.end());
    korvale::translateFrameFromHost(frame, kInterfaceMac);
    check(frame.size() == bytes.size());
    std::vector<std::uint8_t> whole(bytes.begin(), bytes.end());
    korvale::translateFrameToHost(whole, kInterfaceMac);
    std::vector<std::uint8_t> prefix(bytes.begin(), bytes.end());
    korvale::translateFrameToHost(std::span(prefix).first(korvale::hostTranslatedPrefixSize(bytes)),
                                  kInterfaceMac);
    check(prefix == whole);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::uint8_t selector = data[0];
    const std::span<const std::uint8_t> rest(data + 1, size - 1);
    korvale::SuppressBroadcasts = (selector & 0x04) != 0 ? 1 : 0;
    korvale::GatewayOwnAddress = korvale::Ax25Address{};
    if ((selector & 0x08) == 0) {
        korvale::GatewayOwnAddress.parse("NOCALL-7");
    }
    korvale::GatewayLinkBitRate = 9600;

    switch (selector & 0x03) {
        case 0:
            adapterToRadio(rest);
            break;
        case 1: {
            korvale::Ax25Frame frame;
            if (frame.decode(rest)) {
                radioToAdapter(frame);
            }
            break;
        }
        case 2: {
            if (rest.size() < 2) {
                break;
            }
            korvale::Ax25Frame frame;
            frame.build(korvale::Ax25Address{}, korvale::Ax25Address{}, korvale::AddressList{}, 0,
                        static_cast<korvale::FrameKind>(rest[0] % 11), 1, 0, 0, 0, rest[1],
                        rest.subspan(2));
            frame.source.parse("AB1CDE-7");
            frame.destination.setCallsign(
                std::string_view(reinterpret_cast<const char*>(rest.data() + 2),
                                 std::min<std::size_t>(rest.size() - 2, 6)));
            radioToAdapter(frame);
            break;
        }
        default:
            boundaryRewrite(rest);
            break;
    }
    return 0;
}
