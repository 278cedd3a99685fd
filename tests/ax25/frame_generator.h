// Seeded generator of AX.25 frame records for round-trip, interoperability
// and decoder-boundary tests. The same seed gives the same frames on every
// run, so a failure names the seed and frame index that reproduce it.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ax25/ax25_frame.h"

namespace korvale::testing {

inline constexpr int kGeneratedKindCount = 11;
inline constexpr std::uint32_t kDefaultSeed = 0x6B6F7276;  // "korv"

class FrameGenerator {
  public:
    explicit FrameGenerator(std::uint32_t seed = kDefaultSeed) : engine_(seed) {}

    int below(int limit) { return static_cast<int>(engine_() % static_cast<std::uint32_t>(limit)); }

    // A callsign of one to six upper-case letters and digits and any SSID:
    // exactly what survives the wire and every address mapping.
    Ax25Address address() {
        static constexpr char kCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        std::string callsign;
        const int length = 1 + below(6);
        for (int i = 0; i < length; ++i) {
            callsign += kCharacters[below(36)];
        }
        Ax25Address result;
        result.setCallsign(callsign);
        result.ssid = static_cast<std::uint8_t>(below(16));
        return result;
    }

    std::vector<std::uint8_t> bytes(int count) {
        std::vector<std::uint8_t> result(static_cast<std::size_t>(count));
        for (auto& byte : result) {
            byte = static_cast<std::uint8_t>(engine_());
        }
        return result;
    }

    // Any kind except Unknown (which has no control byte of its own), any
    // number of digipeaters, any repeatedCount up to that number, P/F,
    // N(R), N(S), PID and an information field of up to maxInfo bytes.
    Ax25Frame frame(int maxInfo = 3000) {
        return frameOfKind(static_cast<FrameKind>(1 + below(kGeneratedKindCount - 1)), maxInfo);
    }

    Ax25Frame frameOfKind(FrameKind kind, int maxInfo = 3000) {
        AddressList digipeaters;
        const int digipeaterCount = below(kMaxDigipeaters + 1);
        for (int i = 0; i < digipeaterCount; ++i) {
            digipeaters.append(address());
        }
        // Short information fields are the interesting ones; long ones are
        // there to cross buffer sizes.
        const int infoLength =
            below(4) == 0 ? below(maxInfo + 1) : below(std::min(maxInfo, 64) + 1);
        Ax25Frame result;
        result.build(address(), address(), digipeaters, below(digipeaterCount + 1), kind, below(3),
                     below(2), below(8), below(8), below(256), bytes(infoLength));
        return result;
    }

  private:
    std::mt19937 engine_;
};

}  // namespace korvale::testing
