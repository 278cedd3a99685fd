// The serial link's figures over a pseudo-terminal: how long bytes take from
// Write to the TNC's side and from the TNC to the notification, how long an
// idle Close takes, and how much CPU an open, idle handler uses and how often
// its threads wake up.
//
// Each benchmark runs once; the figures are the counters (milliseconds, or
// percent of one core).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "../tests/kiss/kiss_test_support.h"
#include "kiss/com_handler.h"

namespace korvale {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kPort = 1;
constexpr int kSamples = 300;

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// Median and worst of `samples`, in milliseconds, as counters.
void reportSpread(benchmark::State& state, std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2];
    state.counters["p95_ms"] = samples[samples.size() * 95 / 100];
    state.counters["worst_ms"] = samples.back();
    state.counters["samples"] = static_cast<double>(samples.size());
}

struct OpenLink {
    testing::TempDirectory directory;
    testing::PtyPair pty;
    ComHandler handler{makePosixSerialPort, directory.path()};

    bool open() {
        return pty.fd.valid() && directory.linkPort(kPort, pty.slavePath) &&
               handler.Open(kPort, 9600, 8, 0, 0, 1, 2, 0) == kComOk;
    }
};

void BM_WriteToTncLatency(benchmark::State& state) {
    OpenLink link;
    if (!link.open()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    std::this_thread::sleep_for(kWriterStartDelay + std::chrono::milliseconds(50));
    const std::vector<std::uint8_t> frame(40, 0x55);
    // Writes come at random moments, as the engine's do.
    std::mt19937 random(42);
    std::uniform_int_distribution<int> pause(0, 39);
    std::vector<double> samples;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            const auto start = Clock::now();
            link.handler.Write(frame);
            if (link.pty.receive(frame.size(), std::chrono::seconds(2)).size() != frame.size()) {
                state.SkipWithError("bytes did not arrive");
                return;
            }
            samples.push_back(milliseconds(Clock::now() - start));
        }
    }
    reportSpread(state, samples);
}
BENCHMARK(BM_WriteToTncLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_TncToNotificationLatency(benchmark::State& state) {
    OpenLink link;
    std::mutex lock;
    std::condition_variable notified;
    Clock::time_point notifiedAt;
    link.handler.SetNotifyCallback([&](int) {
        {
            std::lock_guard<std::mutex> hold(lock);
            notifiedAt = Clock::now();
        }
        notified.notify_all();
    });
    if (!link.open()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    std::this_thread::sleep_for(kReaderStartDelay + std::chrono::milliseconds(50));
    const std::vector<std::uint8_t> frame(40, 0x55);
    std::uint8_t sink[1024];
    std::vector<double> samples;
    for (auto _ : state) {
        for (int i = 0; i < kSamples; ++i) {
            std::unique_lock<std::mutex> hold(lock);
            notifiedAt = {};
            const auto start = Clock::now();
            link.pty.send(frame);
            if (!notified.wait_for(hold, std::chrono::seconds(2),
                                   [&] { return notifiedAt != Clock::time_point{}; })) {
                state.SkipWithError("no notification");
                return;
            }
            samples.push_back(milliseconds(notifiedAt - start));
            hold.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            while (link.handler.Read(sink, sizeof sink) > 0) {
            }
        }
    }
    link.handler.SetNotifyCallback(nullptr);
    reportSpread(state, samples);
}
BENCHMARK(BM_TncToNotificationLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_IdleCloseTime(benchmark::State& state) {
    std::vector<double> samples;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            OpenLink link;
            if (!link.open()) {
                state.SkipWithError("cannot open a pseudo-terminal");
                return;
            }
            std::this_thread::sleep_for(kWriterStartDelay + std::chrono::milliseconds(50));
            const auto start = Clock::now();
            link.handler.Close();
            samples.push_back(milliseconds(Clock::now() - start));
        }
    }
    reportSpread(state, samples);
}
BENCHMARK(BM_IdleCloseTime)->Iterations(1)->Unit(benchmark::kMillisecond);

double processCpuSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Times the process's threads went to sleep (voluntary context switches): an
// idle handler whose threads wake up periodically shows here, not in its CPU.
long processSleeps() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream file(task.path() / "status");
        for (std::string line; std::getline(file, line);) {
            if (line.starts_with("voluntary_ctxt_switches:")) {
                total += std::stol(line.substr(24));
            }
        }
    }
    return total;
}

void BM_IdleOpenHandlerCpu(benchmark::State& state) {
    OpenLink link;
    if (!link.open()) {
        state.SkipWithError("cannot open a pseudo-terminal");
        return;
    }
    constexpr auto kWatch = std::chrono::seconds(5);
    std::this_thread::sleep_for(kWriterStartDelay);
    double used = 0;
    long sleeps = 0;
    for (auto _ : state) {
        const double before = processCpuSeconds();
        const long sleepsBefore = processSleeps();
        std::this_thread::sleep_for(kWatch);  // only the handler's threads run
        used = processCpuSeconds() - before;
        sleeps = processSleeps() - sleepsBefore - 1;  // less this thread's own sleep
    }
    const double seconds = std::chrono::duration<double>(kWatch).count();
    state.counters["cpu_percent_of_one_core"] = 100.0 * used / seconds;
    state.counters["cpu_ms_per_s"] = 1000.0 * used / seconds;
    state.counters["wakeups_per_s"] = static_cast<double>(sleeps) / seconds;
}
BENCHMARK(BM_IdleOpenHandlerCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace korvale
