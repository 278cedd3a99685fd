// Cost of one frame through each gateway path, with a driver that hands out
// the same frame again and again and throws written frames away, so only the
// path itself (mapping, copying, building the AX.25 frame) is measured.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "gateway/adapter_to_radio.h"
#include "gateway/address_mapping.h"
#include "gateway/ethernet_layout.h"
#include "gateway/gateway_globals.h"
#include "gateway/host_frame_translation.h"
#include "gateway/radio_to_adapter.h"

namespace {

using korvale::MacAddress;

constexpr MacAddress kStationMac = {0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3C};  // AB1CDE-7
constexpr MacAddress kInterfaceMac = {0xEE, 0x2A, 0x1B, 0xA3, 0x45, 0x2D};

class RepeatingDriver final : public korvale::NicDriver {
  public:
    explicit RepeatingDriver(std::vector<std::uint8_t> frame) : frame_(std::move(frame)) {}
    bool open() override { return true; }
    bool close() override { return true; }
    bool readFrame(std::span<std::uint8_t> buffer, std::size_t& length) override {
        length = std::min(frame_.size(), buffer.size());
        std::copy_n(frame_.begin(), length, buffer.begin());
        return true;
    }
    bool writeFrame(std::span<const std::uint8_t> frame) override {
        benchmark::DoNotOptimize(frame.data());
        return true;
    }
    bool setLinkSpeed(std::int32_t) override { return true; }
    bool pendingFrames(std::uint32_t& count) override {
        count = 1;
        return true;
    }

  private:
    std::vector<std::uint8_t> frame_;
};

void useOwnAddress() {
    korvale::GatewayOwnAddress.parse("NOCALL-7");
    korvale::SuppressBroadcasts = 1;
    korvale::GatewayLinkBitRate = 9600;
}

std::vector<std::uint8_t> hostIpFrame(std::size_t datagramSize) {
    std::vector<std::uint8_t> frame(korvale::kEthernetHeaderSize + datagramSize, 0x45);
    std::copy(kStationMac.begin(), kStationMac.end(), frame.begin());
    std::copy(korvale::kAdapterMac.begin(), korvale::kAdapterMac.end(), frame.begin() + 6);
    frame[12] = 0x08;
    frame[13] = 0x00;
    return frame;
}

// The host asking for 44.0.0.2, as read from the adapter.
std::vector<std::uint8_t> hostArpRequest() {
    return {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 'S',  'M',  'R', 'D', 'R', 'V', 0x08, 0x06,
            0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01, 'S', 'M', 'R', 'D', 'R',  'V',
            44,   0,    0,    1,    0,    0,    0,    0,    0,   0,   44,  0,   0,    2};
}

void BM_TakeAdapterFrameIp(benchmark::State& state) {
    useOwnAddress();
    korvale::NicDevice device(
        std::make_unique<RepeatingDriver>(hostIpFrame(static_cast<std::size_t>(state.range(0)))));
    device.open();
    korvale::AdapterToRadio path(device);
    for (auto _ : state) {
        auto frame = path.takeAdapterFrame();
        benchmark::DoNotOptimize(frame);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TakeAdapterFrameIp)->Arg(20)->Arg(236)->Arg(1480)->Arg(4985);

void BM_TakeAdapterFrameArp(benchmark::State& state) {
    useOwnAddress();
    korvale::NicDevice device(std::make_unique<RepeatingDriver>(hostArpRequest()));
    device.open();
    korvale::AdapterToRadio path(device);
    for (auto _ : state) {
        auto frame = path.takeAdapterFrame();
        benchmark::DoNotOptimize(frame);
    }
}
BENCHMARK(BM_TakeAdapterFrameArp);

void BM_DeliverToAdapterIp(benchmark::State& state) {
    useOwnAddress();
    korvale::NicDevice device(std::make_unique<RepeatingDriver>(std::vector<std::uint8_t>{}));
    device.open();
    korvale::Ax25Frame frame;
    korvale::Ax25Address station;
    station.parse("AB1CDE-7");
    const std::vector<std::uint8_t> datagram(static_cast<std::size_t>(state.range(0)), 0x45);
    frame.build(station, korvale::GatewayOwnAddress, korvale::AddressList{}, 0,
                korvale::FrameKind::Ui, 1, 0, 0, 0, korvale::kPidIp, datagram);
    for (auto _ : state) {
        benchmark::DoNotOptimize(korvale::deliverToAdapter(device, frame));
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_DeliverToAdapterIp)->Arg(20)->Arg(236)->Arg(1480)->Arg(4985);

void BM_TranslateArpFrameBothWays(benchmark::State& state) {
    std::vector<std::uint8_t> frame = hostArpRequest();
    for (auto _ : state) {
        korvale::translateFrameFromHost(frame, kInterfaceMac);
        korvale::translateFrameToHost(frame, kInterfaceMac);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_TranslateArpFrameBothWays);

}  // namespace
