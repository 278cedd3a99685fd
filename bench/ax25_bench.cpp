// Cost per frame of the AX.25 codec and the monitor text, for a 256-byte UI
// frame carrying an IPv4 datagram (the gateway's usual traffic).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "ax25/ax25_frame.h"
#include "ax25/monitor_text.h"

namespace korvale {
namespace {

constexpr std::size_t kInfoSize = 256;

Ax25Frame ipUiFrame() {
    Ax25Address source;
    Ax25Address destination;
    source.parse("AB1CDE-7");
    destination.parse("NOCALL");
    std::vector<std::uint8_t> datagram(kInfoSize);
    for (std::size_t i = 0; i < datagram.size(); ++i) {
        datagram[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    const std::uint8_t header[20] = {0x45, 0, 0x01, 0x00, 0, 0, 0,  0, 64, 6,
                                     0,    0, 44,   1,    2, 4, 44, 1, 2,  3};
    std::copy(std::begin(header), std::end(header), datagram.begin());
    Ax25Frame frame;
    frame.build(source, destination, {}, 0, FrameKind::Ui, 1, 0, 0, 0, kPidIp, datagram);
    return frame;
}

void BM_EncodeUi256(benchmark::State& state) {
    const Ax25Frame frame = ipUiFrame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(frame.encode());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EncodeUi256);

void BM_DecodeUi256(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = ipUiFrame().encode();
    for (auto _ : state) {
        Ax25Frame frame;
        benchmark::DoNotOptimize(frame.decode(bytes));
        benchmark::DoNotOptimize(frame);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeUi256);

void BM_MonitorTextIpSummary(benchmark::State& state) {
    const Ax25Frame frame = ipUiFrame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderMonitorText(frame, true));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MonitorTextIpSummary);

// The same frame with headers off: every information byte is copied.
void BM_MonitorTextInfoBytes(benchmark::State& state) {
    const Ax25Frame frame = ipUiFrame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(renderMonitorText(frame, false));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MonitorTextInfoBytes);

}  // namespace
}  // namespace korvale
