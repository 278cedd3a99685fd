// Bytes through both gateway paths and the TAP boundary rewrite. Byte 0: bits 0-1 == 1 radio to
// adapter, else host to radio and back; bit 2 SuppressBroadcasts; bit 3 own address empty.
#include "../gateway/fake_nic_driver.h"
#include "fuzz_support.h"
#include "gateway/adapter_to_radio.h"
#include "gateway/ethernet_layout.h"
#include "gateway/gateway_globals.h"
#include "gateway/host_frame_translation.h"
#include "gateway/radio_to_adapter.h"

constexpr MacAddress kInterfaceMac = {0xEE, 0x2A, 0x1B, 0xA3, 0x45, 0x2D};

FUZZ_TARGET(1) {
    const Input bytes = data.subspan(1);
    const bool fromHost = (data[0] & 0x03) != 1;
    SuppressBroadcasts = data[0] & 0x04;
    GatewayOwnAddress.setCallsign((data[0] & 0x08) != 0 ? "" : "NOCALL");
    auto fake = std::make_unique<testing::FakeNicDriver>();
    testing::FakeNicDriver& driver = *fake;
    NicDevice device(std::move(fake));
    device.open();
    Ax25Frame frame;
    if (fromHost) {
        driver.hostFrames.emplace_back(bytes.begin(), bytes.end());
        frame = AdapterToRadio(device).takeAdapterFrame().value_or(Ax25Frame{});
    } else {
        frame.decode(bytes);
    }
    const bool delivered = deliverToAdapter(device, frame);
    check(delivered == (driver.written.size() == 1));
    check(!delivered ||
          (frame.kind == FrameKind::Ui && (frame.pid == kPidIp || frame.pid == kPidArp) &&
           driver.written[0].size() <= kMaxAdapterWriteSize));
    if (fromHost && frame.kind != FrameKind::Unknown) {
        check(frame.kind == FrameKind::Ui && delivered && Ax25Frame().decode(frame.encode()));
        check(frame.pid == kPidIp || bytes.size() == kEthernetArpFrameSize);
        check(frame.pid == kPidArp ||
              (std::ranges::equal(std::span(driver.written[0]).subspan(kEthernetHeaderSize),
                                  bytes.subspan(kEthernetHeaderSize)) &&
               (SuppressBroadcasts == 0 || !std::ranges::equal(bytes.first(6), kBroadcastMac))));
    }
    Bytes whole(bytes.begin(), bytes.end());
    translateFrameFromHost(whole, kInterfaceMac);
    Bytes prefix = whole;
    translateFrameToHost(whole, kInterfaceMac);
    translateFrameToHost(std::span(prefix).first(hostTranslatedPrefixSize(prefix)), kInterfaceMac);
    check(prefix == whole);
}
