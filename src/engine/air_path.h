// The road of frames to the radio while a radio bit rate is set
// (m_iAirBaudrate): every data frame for the TNC is queued here (air_queue.h)
// and the TNC gets only what it should send next (air_pacer.h), so a
// ping or a typed line passes a bulk transfer; the host's ARP re-probes for
// stations just heard are answered here (arp_responder.h) and repeated
// broadcast requests kept off the air (arp_request_filter.h). With the rate
// 0 nothing of this runs and the engine sends each frame at once.
//
// The engine owns one, on its own thread; the adapter device must outlive
// it. Times are milliseconds on the engine's steady clock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "ax25/ax25_frame.h"
#include "gateway/air_pacer.h"
#include "gateway/air_queue.h"
#include "gateway/arp_request_filter.h"
#include "gateway/arp_responder.h"
#include "gateway/nic_device.h"
#include "store/settings.h"

namespace korvale {

// Frames dropped for the budget are reported at most this often, as one
// monitor line with their count.
inline constexpr std::int64_t kDropReportIntervalMs = 10000;

// A broadcast ARP request is not repeated on the air within at least this.
inline constexpr std::int64_t kMinArpRepeatWindowMs = 3000;

class AirPath {
  public:
    explicit AirPath(NicDevice& nic) : nic_(nic) {}

    AirPath(const AirPath&) = delete;
    AirPath& operator=(const AirPath&) = delete;

    // Takes the radio rate and the KISS timings from the settings; called
    // every tick. When the rate has changed and the adapter is open, gives
    // the adapter the neighbour timers for it (Linux's own for 0). Returns
    // false only when a rate above 0 was just set and the adapter could not
    // take its timers.
    bool configure(const Settings& settings);

    bool active() const { return pacer_.channel().bitsPerSecond > 0; }

    // A frame from the adapter. A unicast ARP request that the responder can
    // answer goes back to the host at once and not on the air; a repeated
    // broadcast request is dropped; every other frame is queued.
    void takeFromAdapter(Ax25Frame frame, std::int64_t nowMs);

    // Any other data frame for the radio (beacon, typed line).
    void queue(Ax25Frame frame);

    // A KISS client's frame, decoded and as the client sent it (`wire`), in
    // the client's own flow.
    void queueFromClient(int client, Ax25Frame frame, std::vector<std::uint8_t> wire);

    // The next frame the TNC may have now, counted as handed to it; none when
    // the queue is empty or the TNC holds enough. Once the rate is 0 again,
    // the queue empties without waiting.
    std::optional<AirQueueEntry> nextForTnc(std::int64_t nowMs);

    // A frame heard on the radio, of that many encoded bytes.
    void heard(const Ax25Frame& frame, std::size_t bytes, std::int64_t nowMs);

    // The count of frames dropped for the budget since the last report, when
    // a report is due: at once after a quiet spell, then at most once every
    // kDropReportIntervalMs.
    std::optional<int> dropReportDue(std::int64_t nowMs);

    std::size_t queuedFrames() const { return queue_.size(); }

  private:
    NicDevice& nic_;
    AirPacer pacer_;
    AirQueue queue_;
    ArpResponder responder_;
    ArpRequestFilter requestFilter_;
    int timersRate_ = 0;  // the rate whose neighbour timers the adapter has
    int droppedSinceReport_ = 0;
    std::optional<std::int64_t> lastReportMs_;
};

}  // namespace korvale
