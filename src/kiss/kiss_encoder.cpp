#include "kiss/kiss_encoder.h"

namespace korvale {

namespace {

// Writes `byte` escaped at `out`, returns the position after it.
inline std::uint8_t* putEscaped(std::uint8_t* out, std::uint8_t byte) {
    if (byte == FEND) {
        *out++ = FESC;
        *out++ = TFEND;
    } else if (byte == FESC) {
        *out++ = FESC;
        *out++ = TFESC;
    } else {
        *out++ = byte;
    }
    return out;
}

}  // namespace

std::size_t encodeKissFrameInto(int command, std::span<const std::uint8_t> payload,
                                std::span<std::uint8_t> out) {
    if (out.size() < kissFrameMaxSize(payload.size())) {
        return 0;
    }
    std::uint8_t* const begin = out.data();
    std::uint8_t* cursor = begin;
    *cursor++ = FEND;
    cursor = putEscaped(cursor, static_cast<std::uint8_t>(command & 0xFF));
    for (const std::uint8_t byte : payload) {
        cursor = putEscaped(cursor, byte);
    }
    *cursor++ = FEND;
    return static_cast<std::size_t>(cursor - begin);
}

std::vector<std::uint8_t> encodeKissFrame(int command, std::span<const std::uint8_t> payload) {
    std::vector<std::uint8_t> frame(kissFrameMaxSize(payload.size()));
    frame.resize(encodeKissFrameInto(command, payload, frame));
    return frame;
}

std::vector<std::uint8_t> encodeKissFrame(KissCommand command,
                                          std::span<const std::uint8_t> payload) {
    return encodeKissFrame(static_cast<int>(command), payload);
}

bool SendKissFrame(ByteSink& sink, int command, std::span<const std::uint8_t> payload) {
    const std::vector<std::uint8_t> frame = encodeKissFrame(command, payload);
    return sink.write(frame);
}

bool SendKissFrame(ByteSink& sink, KissCommand command, std::span<const std::uint8_t> payload) {
    return SendKissFrame(sink, static_cast<int>(command), payload);
}

}  // namespace korvale
