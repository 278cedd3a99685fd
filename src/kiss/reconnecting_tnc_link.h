// The engine's link to the TNC as the settings choose it, and one that comes
// back by itself: over TCP when m_sTncTcpAddress is set, otherwise the serial
// port through the serial port handler.
//
// Nothing here waits on the caller's thread. open() on the serial port
// starts opening on the link's worker (line_worker.h) and returns
// kLinkOpening; bytes written meanwhile wait (up to the handler's ring size)
// and go out, in order, once the port is open, and watch() (once a tick)
// reports a port that could not be opened, after the handler's retries, once
// as OpenFailed. open() with a TCP address starts the TCP link's thread and
// returns 0 (after a close still under way, kLinkOpening, and the link opens
// once the close is done); bytes written meanwhile wait for the connection.
// Once open, watch() notices a serial device that has gone or a connection
// that broke or could not be made, reports Lost once, and then tries again
// every kReconnectTicks ticks without reporting, until the line is back,
// which it reports once with the number of KISS frames written while the line
// was down (all of them refused). No attempt is made while the serial device
// is missing.
//
// close() hands the closing to the worker and returns: the exit text already
// queued still goes out before the port closes, an open under way gives up at
// its next try, and what open() held back is dropped. The destructor waits for
// the worker's steps; with an open under way that is one device open, with an
// open line the handler's or the TCP link's close.
//
// The settings, the handler and the notify callback must outlive the link.
// Engine thread only; the notify callback runs on the TCP link's thread, as
// the handler's runs on its reader thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "kiss/com_handler.h"
#include "kiss/com_handler_link.h"
#include "kiss/line_worker.h"
#include "kiss/serial_link.h"
#include "kiss/tcp_tnc_link.h"
#include "store/settings.h"

namespace korvale {

// 5 s in engine ticks of 100 ms.
inline constexpr int kReconnectTicks = 50;

class ReconnectingTncLink final : public SerialLink {
  public:
    ReconnectingTncLink(const Settings& settings, ComHandler& handler, std::string comLinkDirectory,
                        TcpTncLink::NotifyCallback notify);
    ~ReconnectingTncLink() override;
    ReconnectingTncLink(const ReconnectingTncLink&) = delete;
    ReconnectingTncLink& operator=(const ReconnectingTncLink&) = delete;

    // kLinkOpening or 0 as above; kComCannotOpen for a TCP address that does
    // not parse (nothing is tried) or when already open.
    int open(int port, int baudRate) override;
    int close() override;
    // While opening: held for the line. While the line is down (or broken
    // and not yet noticed): false, and a KISS frame is counted as dropped.
    bool write(std::span<const std::uint8_t> bytes) override;
    int read(std::span<std::uint8_t> buffer) override;
    LinkChange watch() override;

    // Whether the line is up (a first TCP connection may still be under way).
    bool up() const { return phase_ == Phase::Up; }

  private:
    enum class Phase { Closed, Opening, Up, Down };
    // The tag of steps whose result nobody waits for.
    static constexpr int kUntagged = 0;

    bool lineBroken() const;
    LinkChange opened(int result);
    LinkChange goDown();
    LinkChange tryAgain(const std::optional<int>& attempt);
    LinkChange back();
    void startAttempt();
    bool connectTcp();
    void postOpen();
    void postClose();

    const Settings& settings_;
    ComHandler& handler_;
    ComHandlerLink serial_;
    TcpTncLink tcp_;
    std::string comLinkDirectory_;

    Phase phase_ = Phase::Closed;
    bool overTcp_ = false;
    int port_ = 0;
    int baudRate_ = 0;
    std::string where_;
    int ticksToRetry_ = 0;
    int droppedFrames_ = 0;
    // A TCP connection under way while the line is down; its state is
    // watched once the step that started it has ended.
    bool tcpAttempt_ = false;
    // Tags the steps of the current open; a close starts a new one, so the
    // outcome of an open given up is never taken for the next one's.
    int generation_ = kUntagged;
    std::deque<std::vector<std::uint8_t>> held_;
    std::size_t heldBytes_ = 0;
    // Last: it goes first, finishing its steps while what they use is alive.
    LineWorker worker_;
};

}  // namespace korvale
