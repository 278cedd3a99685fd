// What the capture file costs the engine: frames received from the TNC per
// second, each deframed, decoded, shown (in a monitor that keeps nothing) and
// offered to the adapter, with m_sCaptureFile empty and set. The engine ticks
// every 1000 frames, flushing the capture as its ticks do.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ax25/ax25_frame.h"
#include "engine/gateway_engine.h"
#include "engine/line_monitor_view.h"
#include "gateway/nic_device.h"
#include "kiss/kiss_encoder.h"

namespace {

class QuietDriver final : public korvale::NicDriver {
  public:
    bool open() override { return true; }
    bool close() override { return true; }
    bool readFrame(std::span<std::uint8_t>, std::size_t&) override { return false; }
    bool writeFrame(std::span<const std::uint8_t> frame) override {
        benchmark::DoNotOptimize(frame.data());
        return true;
    }
    bool setLinkSpeed(std::int32_t) override { return true; }
    bool pendingFrames(std::uint32_t& count) override {
        count = 0;
        return true;
    }
};

// A TNC that has heard ten frames each time it is read.
class HearingLink final : public korvale::SerialLink {
  public:
    explicit HearingLink(std::vector<std::uint8_t> chunk) : chunk_(std::move(chunk)) {}
    int open(int, int) override { return 0; }
    int close() override { return 0; }
    bool write(std::span<const std::uint8_t>) override { return true; }
    int read(std::span<std::uint8_t> buffer) override {
        if (served_ || buffer.size() < chunk_.size()) {
            served_ = false;
            return 0;
        }
        std::copy(chunk_.begin(), chunk_.end(), buffer.begin());
        served_ = true;
        return static_cast<int>(chunk_.size());
    }

  private:
    std::vector<std::uint8_t> chunk_;
    bool served_ = false;
};

void BM_EngineReceivesFrames(benchmark::State& state) {
    const bool capture = state.range(0) != 0;
    korvale::Ax25Frame heard;
    korvale::Ax25Address from;
    korvale::Ax25Address to;
    from.parse("AB1CDE");
    to.parse("NOCALL");
    // A 70-byte UI frame (an APRS position, say), not IP: the adapter takes none.
    const std::vector<std::uint8_t> info(54, 'x');
    heard.build(from, to, korvale::AddressList(7), 0, korvale::FrameKind::Ui, 1, 0, 0, 0, 0xF0,
                info);
    const std::vector<std::uint8_t> frame =
        korvale::encodeKissFrame(korvale::KissCommand::Data, heard.encode());
    std::vector<std::uint8_t> chunk;
    for (int i = 0; i < 10; ++i) {
        chunk.insert(chunk.end(), frame.begin(), frame.end());
    }
    const std::string path = "/tmp/korvale-capture-bench-" + std::to_string(::getpid()) + ".pcapng";
    korvale::Settings settings;
    settings.m_iTncPort = 1;
    settings.m_sInitTncText.clear();
    settings.m_sCaptureFile = capture ? path : "";
    HearingLink link(chunk);
    korvale::NicDevice nic(std::make_unique<QuietDriver>());
    korvale::LineMonitorView view;
    korvale::GatewayEngine engine(settings, link, nic, view);
    engine.EngineTick();
    std::int64_t frames = 0;
    for (auto _ : state) {
        engine.OnSerialNotification();
        frames += 10;
        if (frames % 1000 == 0) {
            engine.EngineTick();
        }
    }
    state.SetItemsProcessed(frames);
    engine.Shutdown();
    std::remove(path.c_str());
    std::remove((path + ".1").c_str());
}
BENCHMARK(BM_EngineReceivesFrames)->ArgName("capture")->Arg(0)->Arg(1);

}  // namespace
