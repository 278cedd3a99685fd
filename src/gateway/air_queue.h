// The gateway's own queue of frames for the radio, used while a radio bit
// rate is set: the TNC gets only what air_pacer.h allows, and the rest waits
// here, where it can be put in a sensible order.
//
// Order: priority frames (ARP, beacons, typed lines; air_flow.h) first, in
// the order they came. Then the other flows (IP conversations, KISS clients)
// take turns of equal air time (deficit round robin with kAirQueueQuantumMs):
// with frames of one size, one frame each; a flow of short frames (a KISS
// client's APRS packets) sends as many more as its frames are shorter, so it
// gets its share of the air beside a bulk transfer of full frames. A flow that
// had nothing queued is served before the flows that are already waiting, so
// a ping or a keystroke passes another flow's backlog at the next turn.
//
// Budget: when the frames held would take longer than the budget to send,
// the flow with the longest backlog (in air time) loses its oldest frame,
// until the queue fits or no flow holds more than one frame. TCP slows down
// on a loss at once; a backlog of minutes only makes it wait. Each flow stays
// in the order its sender gave: Linux TCP tells a late segment from a lost
// one by that order, and a retransmission put ahead of its flow makes it
// resend the whole window.
//
// Owns its frames. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <vector>

#include "ax25/ax25_frame.h"
#include "gateway/air_flow.h"

namespace korvale {

// Air time the queue may hold before it drops: a minute. A TCP sender starts
// with ten segments and grows its window from there; at 1200 bit/s a
// 256-byte segment takes over two seconds, and a budget much below half a
// minute drops from that first window, leaving a gap the receiver waits on
// for the whole backlog. A minute keeps the round trip well inside TCP's
// two-minute retransmit ceiling, and other flows do not wait behind it.
inline constexpr std::int64_t kAirQueueBudgetMs = 60000;

// Air time a waiting flow is credited with each turn; a flow sends while its
// credit lasts. Shorter than any frame at 1200 bit/s, so that equal frames
// take strict turns.
inline constexpr std::int64_t kAirQueueQuantumMs = 100;

struct AirQueueEntry {
    Ax25Frame frame;
    std::size_t bytes = 0;       // encoded AX.25 size
    std::int64_t airTimeMs = 0;  // what it costs the budget
    // A KISS client's frame goes to the TNC as the client sent it; empty for
    // Korvale's own, which are encoded from `frame`.
    std::vector<std::uint8_t> wire;
};

class AirQueue {
  public:
    explicit AirQueue(std::int64_t budgetMs = kAirQueueBudgetMs) : budgetMs_(budgetMs) {}

    AirQueue(const AirQueue&) = delete;
    AirQueue& operator=(const AirQueue&) = delete;

    // Queues a frame of the given flow; returns how many frames were dropped
    // to stay within the budget (the new one among them when its own flow is
    // the longest).
    int push(const AirFlow& flow, AirQueueEntry entry);

    // The frame that leaves next, or nullptr when the queue is empty. Valid
    // until the next push() or pop().
    const AirQueueEntry* front() const;

    // Whether the frame front() shows should not wait for a turn: a priority
    // frame, or one of a flow that had nothing queued (a ping, a keystroke,
    // a TCP receiver's ACK).
    bool frontIsUrgent() const;

    // Removes and returns the frame front() shows. The queue must not be empty.
    AirQueueEntry pop();

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }
    std::int64_t queuedAirTimeMs() const { return queuedMs_; }

  private:
    struct Flow {
        std::deque<AirQueueEntry> frames;
        std::int64_t airTimeMs = 0;
        std::int64_t creditMs = kAirQueueQuantumMs;
    };
    using FlowMap = std::map<AirFlowKey, Flow>;

    Flow* frontFlow();
    const Flow* frontFlow() const { return const_cast<AirQueue*>(this)->frontFlow(); }
    AirQueueEntry takeHead(Flow& flow);
    bool dropFromLongest();
    // Credits the waiting flows in turn until the first may send.
    void settle();

    std::int64_t budgetMs_;
    Flow priority_;
    FlowMap flows_;
    std::deque<FlowMap::iterator> newFlows_;  // became active, not served yet
    std::deque<FlowMap::iterator> oldFlows_;  // served, still holding frames
    std::size_t count_ = 0;
    std::int64_t queuedMs_ = 0;
};

}  // namespace korvale
