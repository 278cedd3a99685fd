// Arbitrary serial bytes to the KISS deframer, whole and in pieces sized by the
// last byte: the split changes nothing, no frame is empty or over the limit,
// every frame and the input as one payload survive encoding and deframing.
#include "fuzz_support.h"
#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"

using namespace korvale::fuzzing;

// The frames delivered for a stream fed in pieces of the given size.
static std::vector<Bytes> deframe(std::span<const std::uint8_t> stream,
                                  std::size_t piece = SIZE_MAX) {
    std::vector<Bytes> frames;
    KissDeframer deframer([&](auto frame) { frames.emplace_back(frame.begin(), frame.end()); });
    for (std::size_t n = 0; !stream.empty(); stream = stream.subspan(n)) {
        n = std::min(piece, stream.size());
        deframer.ProcessKissBytes(stream.first(n));
    }
    return frames;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<Bytes> frames = deframe({data, size});
    check(size == 0 || deframe({data, size}, data[size - 1] + std::size_t{1}) == frames);
    for (const Bytes& frame : frames) {
        check(!frame.empty() && frame.size() <= kKissMaxDeliveredFrameSize);
        check(deframe(encodeKissFrame(KissCommand::Data, frame)) == std::vector<Bytes>{frame});
    }
    // So does the input itself (as much as fits in a frame), whatever it holds.
    const Bytes payload(data, data + std::min(size, kKissMaxDeliveredFrameSize));
    check(payload.empty() ||
          deframe(encodeKissFrame(KissCommand::Data, payload)) == std::vector<Bytes>{payload});
    return 0;
}
