// Feeds arbitrary serial bytes to the KISS deframer, whole and in pieces whose
// sizes come from the input, and checks that:
//   - the way the stream is split never changes what is delivered;
//   - no delivered frame is empty or longer than the receive limit;
//   - every delivered frame survives encoding and deframing unchanged;
//   - the input taken as one payload survives encoding and deframing.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"
#include "kiss/kiss_protocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Collector {
    std::vector<Bytes> frames;
    korvale::KissDeframer deframer{[this](std::span<const std::uint8_t> frame) {
        frames.emplace_back(frame.begin(), frame.end());
    }};
};

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    // The last bytes of the input choose up to 16 piece sizes (FuzzedDataProvider
    // takes integers from the end); the bytes before them are the stream.
    const std::size_t pieceCount = provider.ConsumeIntegralInRange<std::size_t>(0, 16);
    std::vector<std::size_t> pieceSizes;
    for (std::size_t i = 0; i < pieceCount; ++i) {
        pieceSizes.push_back(provider.ConsumeIntegralInRange<std::size_t>(0, 9000));
    }
    const Bytes stream = provider.ConsumeRemainingBytes<std::uint8_t>();

    Collector whole;
    whole.deframer.ProcessKissBytes(stream);

    Collector pieces;
    std::size_t at = 0;
    for (const std::size_t pieceSize : pieceSizes) {
        const std::size_t n = std::min(pieceSize, stream.size() - at);
        pieces.deframer.ProcessKissBytes(std::span(stream).subspan(at, n));
        at += n;
    }
    pieces.deframer.ProcessKissBytes(std::span(stream).subspan(at));
    check(pieces.frames == whole.frames);

    Collector again;
    for (const Bytes& frame : whole.frames) {
        check(!frame.empty() && frame.size() < korvale::kKissMaxDeliveredFrameSize + 1);
        again.deframer.ProcessKissBytes(
            korvale::encodeKissFrame(korvale::KissCommand::Data, frame));
    }
    check(again.frames == whole.frames);

    if (!stream.empty() && stream.size() <= korvale::kKissMaxDeliveredFrameSize) {
        Collector roundTrip;
        roundTrip.deframer.ProcessKissBytes(
            korvale::encodeKissFrame(korvale::KissCommand::Data, stream));
        check(roundTrip.frames.size() == 1 && roundTrip.frames[0] == stream);
    }
    return 0;
}
