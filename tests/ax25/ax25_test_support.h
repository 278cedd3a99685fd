// Bytes as hex text, frames made in one call, a seeded generator of frames.
#pragma once

#include <algorithm>
#include <random>

#include "ax25/ax25_frame.h"

namespace korvale::testing {

using Bytes = std::vector<std::uint8_t>;
using enum FrameKind;

// "C0 00 41" or "C00041": two hex digits a byte; spaces only separate.
inline Bytes bytes(std::string hex) {
    std::erase(hex, ' ');
    Bytes result(hex.size() / 2);
    for (std::size_t i = 0; i < result.size(); ++i) {
        result[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    }
    return result;
}

inline Ax25Address call(std::string_view callsign, int ssid = 0) {
    Ax25Address address;
    address.setCallsign(callsign);
    address.ssid = static_cast<std::uint8_t>(ssid);
    return address;
}

inline Ax25Frame frameOf(std::string_view source, std::string_view destination,
                         std::string_view path, int repeatedCount, FrameKind kind,
                         int commandResponse, int pollFinal, int nr, int ns, int pid,
                         const Bytes& info = {}) {
    Ax25Address from, to;
    AddressList digipeaters;
    from.parse(source), to.parse(destination), digipeaters.parse(path);
    Ax25Frame frame;
    // Built over other content: build replaces all of a used frame.
    frame.build(to, from, digipeaters, 1, Sabm, 2, 1, 1, 1, 1, Bytes{1, 2});
    frame.build(from, to, digipeaters, repeatedCount, kind, commandResponse, pollFinal, nr, ns, pid,
                info);
    return frame;
}

struct FrameGenerator {
    explicit FrameGenerator(std::uint32_t seed) : engine_(seed) {}
    int below(int limit) { return static_cast<int>(engine_() % static_cast<std::uint32_t>(limit)); }

    Ax25Address address() {
        std::string callsign(static_cast<std::size_t>(1 + below(6)), ' ');
        std::ranges::generate(callsign,
                              [&] { return "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789"[below(36)]; });
        return call(callsign, below(16));
    }

    // Any kind but Unknown, fields and path; a quarter with up to 3000 information bytes.
    Ax25Frame frame() {
        AddressList path;
        for (int i = below(kMaxDigipeaters + 1); i > 0; --i) {
            path.append(address());
        }
        Bytes info(static_cast<std::size_t>(below(below(4) == 0 ? 3001 : 65)));
        std::ranges::generate(info, [&] { return static_cast<std::uint8_t>(engine_()); });
        Ax25Frame frame;
        frame.build(address(), address(), path, below(path.count() + 1),
                    static_cast<FrameKind>(1 + below(10)), below(2), below(2), below(8), below(8),
                    below(256), info);
        return frame;
    }

    std::mt19937 engine_;
};

}  // namespace korvale::testing
