// Serial bytes through the KISS deframer, whole and in pieces of 1-256 bytes (the last byte says).
#include "fuzz_support.h"
#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"

static std::vector<Bytes> deframe(Input stream, std::size_t piece = SIZE_MAX) {
    std::vector<Bytes> frames;
    KissDeframer deframer([&](auto frame) { frames.emplace_back(frame.begin(), frame.end()); });
    for (std::size_t n = 0; !stream.empty(); stream = stream.subspan(n)) {
        n = std::min(piece, stream.size());
        deframer.ProcessKissBytes(stream.first(n));
    }
    return frames;
}

static bool survives(const Bytes& frame) {
    return deframe(encodeKissFrame(KissCommand::Data, frame)) == std::vector<Bytes>{frame};
}

FUZZ_TARGET(0) {
    const std::vector<Bytes> frames = deframe(data);
    check(data.empty() || deframe(data, data.back() + std::size_t{1}) == frames);
    for (const Bytes& frame : frames) {
        check(!frame.empty() && frame.size() <= kKissMaxDeliveredFrameSize && survives(frame));
    }
    const Bytes payload(data.begin(),
                        data.begin() + std::min(data.size(), kKissMaxDeliveredFrameSize));
    check(payload.empty() || survives(payload));
}
