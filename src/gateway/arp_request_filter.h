// Keeps a broadcast ARP request off a slow channel when the same question is
// already on the air: the host asks again when no answer came within its
// probe interval, which on a busy 1200 bit/s channel is often only because
// the answer is still waiting its turn. One broadcast request per target
// address goes out in each window; repeats within it are dropped.
//
// Times are milliseconds on the caller's steady clock. Main thread only.
#pragma once

#include <array>
#include <cstdint>
#include <map>

#include "ax25/ax25_frame.h"

namespace korvale {

class ArpRequestFilter {
  public:
    // True for a UI frame with PID 0xCD holding an ARP request to "QST" whose
    // target address was asked for less than windowMs before nowMs; such a
    // frame is to be dropped. Any other broadcast request is recorded and
    // passes, as do all other frames.
    bool isRepeat(const Ax25Frame& frame, std::int64_t nowMs, std::int64_t windowMs);

  private:
    std::map<std::array<std::uint8_t, 4>, std::int64_t> askedAtMs_;
};

}  // namespace korvale
