// Byte helpers shared by the serial link and KISS tests.
#pragma once

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace korvale::testing {

using Bytes = std::vector<std::uint8_t>;

// "C0 00 41" -> {0xC0, 0x00, 0x41}.
inline Bytes bytes(std::string_view hexText) {
    Bytes out;
    std::istringstream in{std::string(hexText)};
    for (unsigned value = 0; in >> std::hex >> value;) {
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return out;
}

// `count` bytes that show loss, duplication and reordering: the sequence
// depends on the position and does not repeat every 256 bytes.
inline Bytes patternBytes(std::size_t count, std::uint32_t seed = 1) {
    Bytes out(count);
    for (auto& byte : out) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    return out;
}

}  // namespace korvale::testing
