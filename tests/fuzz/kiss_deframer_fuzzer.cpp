// Feeds arbitrary serial bytes to the KISS deframer, whole and in pieces of
// a size chosen by the input's last byte (1 to 256; that byte is part of the
// stream too), and checks that:
//   - the way the stream is split never changes what is delivered;
//   - no delivered frame is empty or longer than the receive limit;
//   - every delivered frame, and the input taken as one payload, survives
//     encoding and deframing unchanged.
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
