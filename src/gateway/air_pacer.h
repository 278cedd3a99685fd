// How much a KISS TNC still has to put on the air, estimated from what it was
// handed and the radio's bit rate, so that the gateway hands it only what it
// should send next and keeps everything else in a queue it can order
// (air_queue.h). A TNC itself takes every byte at once and sends what it
// holds in one long transmission; there is nothing to ask it, so the estimate
// is all there is, and it errs on the slow side: a radio counted too fast
// lets the TNC's backlog grow without end, one counted too slow only leaves
// a little air unused.
//
// Full duplex, the TNC gets about a second's worth beyond what it sends, so
// it never runs dry. Half duplex, every transmission also pays TxDelay and a
// contention for the channel, and one that overlaps another station's is
// lost; so the TNC gets one transmission's worth at a time (several frames
// at once, then nothing until they have left), and after a transmission the
// other stations just heard get a turn before more bulk frames go: they are
// likely to answer (a TCP receiver its ACKs) and their TNCs contend for the
// channel as soon as ours falls silent. The turn ends when one is heard
// taking it, or after turnMs(). Frames that should not wait (air_flow.h,
// air_queue.h) skip that turn, so that none is held longer than an unpaced
// queue would hold it, and a transmission they begin carries no bulk frames,
// so the answer to it waits for none.
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

// Half duplex, a transmission carries frames of at most this many times what
// each transmission costs besides its frames (TxDelay, TxTail and the
// expected wait for a slot), and at least one frame. Measured on a simulated
// shared channel (bench/half_duplex_bench.sh): at 1200 bit/s this is one
// full segment either way (two made the ping's round trip during a transfer
// 3.3 times the quiet one); at 9600 bit/s, 6 (four segments) left a bulk
// transfer at 75 to 90 % of the goodput the unpaced TNC reaches with its
// long transmissions and pings at 2 to 3 times the quiet round trip, 10
// (seven) at 85 to 100 % and 2.7 to 4 times, 14 no more goodput than 10
// but pings slower. A ping waits for the rest of the transmission under way:
// handing it to the TNC during one, to go right after, made it contend with
// the other station's answers and cost goodput without shortening the wait.
inline constexpr int kTransmissionPerOverhead = 10;

// The turn left to other stations after a transmission: slot times enough
// for a TNC with frames waiting to key up 9 times in 10 at our persistence.
inline constexpr double kTurnKeyUpChance = 0.9;

// Other stations count as likely to answer when heard this recently.
inline constexpr std::int64_t kPeerActiveMs = 30000;

struct AirChannel {
    int bitsPerSecond = 0;  // the radio's rate; 0 or less: not paced
    int txDelayMs = 0;      // key-up time before each transmission
    int txTailMs = 0;       // time the transmitter stays keyed after it
    bool fullDuplex = false;
    int persist = 63;  // p-persistence, keys up with (persist + 1) / 256 per slot
    int slotTimeMs = 10;
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

    // Whether a frame may go to the TNC now. Full duplex: always when the TNC
    // is idle (however long the frame), otherwise when the backlog with it
    // stays within kTncBacklogBudgetMs. Half duplex: a frame may start a
    // transmission when the TNC is idle and, unless it is urgent, other
    // stations have had their turn; further frames join it before the TNC
    // can have keyed up, while it stays within transmissionLimitMs(), and
    // only urgent ones when an urgent one began it.
    bool mayHand(std::size_t frameBytes, std::int64_t nowMs, bool urgent = false) const;

    // A frame handed to the TNC at nowMs. An idle TNC keys up for it (TxDelay
    // and TxTail); one still sending adds it to the same transmission.
    void handed(std::size_t frameBytes, std::int64_t nowMs, bool urgent = false);

    // A frame of another station heard at nowMs. Half duplex, a radio that
    // sends hears nothing: a frame that began before our TNC could have sent
    // what it holds (no stuffing counted on either side) shows that it has
    // not keyed up yet; it sends all of it after this frame, and frames
    // handed within half the TxDelay of now still join it. A frame that
    // began later shows our TNC done and starts the other station's turn.
    // Full duplex: no effect.
    void heard(std::size_t frameBytes, std::int64_t nowMs);

    // Half duplex: frames' air time one transmission may carry, and the turn
    // left to other stations after it.
    std::int64_t transmissionLimitMs() const;
    std::int64_t turnMs() const;

  private:
    bool othersTurn(std::int64_t nowMs) const;

    AirChannel channel_;
    bool sending_ = false;
    std::int64_t busyUntilMs_ = 0;             // when the TNC will have sent all it holds
    std::int64_t transmissionAtMs_ = 0;        // when the current transmission was handed
    std::int64_t transmissionMs_ = 0;          // air time of its frames
    bool urgentStart_ = false;                 // its first frame was urgent
    std::int64_t heardAtMs_ = -kPeerActiveMs;  // the last frame of another station
    bool turnTaken_ = false;                   // one heard since our transmission
};

}  // namespace korvale
