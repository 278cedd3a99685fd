// Byte helpers shared by the KISS framing tests.
#pragma once

#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "kiss/byte_sink.h"
#include "kiss/kiss_deframer.h"

namespace korvale::kisstest {

using Bytes = std::vector<std::uint8_t>;

// "C0 00 41" -> {0xC0, 0x00, 0x41}.
inline Bytes hex(std::string_view text) {
    Bytes bytes;
    std::istringstream in{std::string(text)};
    unsigned value = 0;
    while (in >> std::hex >> value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
    }
    return bytes;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Records every write() as one entry, so a test can see how a frame was split.
class RecordingSink : public ByteSink {
  public:
    bool write(std::span<const std::uint8_t> bytes) override {
        writes.emplace_back(bytes.begin(), bytes.end());
        return accept;
    }
    std::vector<Bytes> writes;
    bool accept = true;
};

// A deframer whose delivered frames are copied out, in order.
struct CollectingDeframer {
    std::vector<Bytes> frames;
    KissDeframer deframer{[this](std::span<const std::uint8_t> frame) {
        frames.emplace_back(frame.begin(), frame.end());
    }};

    void feed(const Bytes& bytes) { deframer.ProcessKissBytes(bytes); }
};

}  // namespace korvale::kisstest
