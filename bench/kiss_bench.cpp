// KISS framing throughput: the deframer on a realistic receive stream and the
// encoder on the same frames. Reports bytes per second of serial-line data.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"
#include "kiss/kiss_protocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFrameSize = 256;
constexpr std::size_t kFrameCount = 256;
// The serial reader hands over at most 1000 bytes at a time.
constexpr std::size_t kPieceSize = 1000;

// 256-byte AX.25-sized payloads of random bytes; about one byte in 128 is a
// FEND or FESC by chance, as in real IP traffic.
std::vector<Bytes> makePayloads() {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<Bytes> payloads(kFrameCount, Bytes(kFrameSize));
    for (Bytes& payload : payloads) {
        for (std::uint8_t& b : payload) {
            b = static_cast<std::uint8_t>(byte(rng));
        }
    }
    return payloads;
}

Bytes makeStream(const std::vector<Bytes>& payloads) {
    Bytes stream;
    for (const Bytes& payload : payloads) {
        const Bytes frame = korvale::encodeKissFrame(korvale::KissCommand::Data, payload);
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    return stream;
}

void BM_KissDeframer(benchmark::State& state) {
    const Bytes stream = makeStream(makePayloads());
    std::size_t delivered = 0;
    korvale::KissDeframer deframer{
        [&delivered](std::span<const std::uint8_t> frame) { delivered += frame.size(); }};
    for (auto _ : state) {
        for (std::size_t at = 0; at < stream.size(); at += kPieceSize) {
            const std::size_t n = std::min(kPieceSize, stream.size() - at);
            deframer.ProcessKissBytes(std::span(stream).subspan(at, n));
        }
        benchmark::DoNotOptimize(delivered);
    }
    if (delivered != state.iterations() * kFrameCount * kFrameSize) {
        state.SkipWithError("deframer lost frames");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}
BENCHMARK(BM_KissDeframer);

void BM_KissEncoder(benchmark::State& state) {
    const std::vector<Bytes> payloads = makePayloads();
    std::int64_t encodedBytes = 0;
    for (auto _ : state) {
        for (const Bytes& payload : payloads) {
            const Bytes frame = korvale::encodeKissFrame(korvale::KissCommand::Data, payload);
            encodedBytes += static_cast<std::int64_t>(frame.size());
            benchmark::DoNotOptimize(frame.data());
        }
    }
    state.SetBytesProcessed(encodedBytes);
}
BENCHMARK(BM_KissEncoder);

// The same, writing into a buffer reused from frame to frame.
void BM_KissEncoderIntoBuffer(benchmark::State& state) {
    const std::vector<Bytes> payloads = makePayloads();
    Bytes buffer(korvale::kissFrameMaxSize(kFrameSize));
    std::int64_t encodedBytes = 0;
    for (auto _ : state) {
        for (const Bytes& payload : payloads) {
            encodedBytes +=
                static_cast<std::int64_t>(korvale::encodeKissFrameInto(0, payload, buffer));
            benchmark::DoNotOptimize(buffer.data());
        }
    }
    state.SetBytesProcessed(encodedBytes);
}
BENCHMARK(BM_KissEncoderIntoBuffer);

}  // namespace
