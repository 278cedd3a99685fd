// How much a KISS TNC still has to put on the air, estimated from what it was
// handed and the radio's bit rate, so that the gateway hands it only about a
// second's worth at a time and keeps everything else in a queue it can order
// (air_queue.h). A TNC itself takes every byte at once and sends what it
// holds in one long transmission; there is nothing to ask it, so the estimate
// is all there is, and it errs on the slow side: a radio counted too fast
// lets the TNC's backlog grow without end, one counted too slow only leaves
// a little air unused.
//
// Times are milliseconds on one steady clock, given by the caller. Main
// thread only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace korvale {

// What the TNC is given at most beyond what it is sending: about one second.
inline constexpr std::int64_t kTncBacklogBudgetMs = 1000;

// HDLC adds a 16-bit FCS and a closing flag to each frame, and bit stuffing
// at worst one bit after every five: 9.6 bits for every byte.
inline constexpr std::size_t kHdlcFrameOverheadBytes = 3;
inline constexpr int kStuffedBitsPerTenBytes = 96;

struct AirChannel {
    int bitsPerSecond = 0;  // the radio's rate; 0 or less: not paced
    int txDelayMs = 0;      // key-up time before each transmission
    int txTailMs = 0;       // time the transmitter stays keyed after it
    bool fullDuplex = false;
};

// Air time of one AX.25 frame of frameBytes bytes (as KISS carries it, no
// flags, no FCS) at the given rate, rounded up; 0 for a rate of 0 or less.
std::int64_t frameAirTimeMs(std::size_t frameBytes, int bitsPerSecond);

class AirPacer {
  public:
    void configure(const AirChannel& channel) { channel_ = channel; }
    const AirChannel& channel() const { return channel_; }

    // Air time the TNC still needs for what it holds, as of nowMs.
    std::int64_t backlogMs(std::int64_t nowMs) const;

    // Whether a frame may go to the TNC now: always when the TNC is idle
    // (however long the frame), otherwise when the backlog with it stays
    // within kTncBacklogBudgetMs.
    bool mayHand(std::size_t frameBytes, std::int64_t nowMs) const;

    // A frame handed to the TNC at nowMs. An idle TNC keys up for it (TxDelay
    // and TxTail); one still sending adds it to the same transmission.
    void handed(std::size_t frameBytes, std::int64_t nowMs);

    // A frame of another station heard at nowMs. On a half-duplex channel it
    // held the air for its own length before that, and whatever of our
    // backlog fell in that time had to wait. Full duplex: no effect.
    void heard(std::size_t frameBytes, std::int64_t nowMs);

  private:
    AirChannel channel_;
    bool sending_ = false;
    std::int64_t busyUntilMs_ = 0;  // when the TNC will have sent all it holds
};

}  // namespace korvale
