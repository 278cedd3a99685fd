// The engine's link to the TNC as the settings choose it, and one that comes
// back by itself: over TCP when m_sTncTcpAddress is set, otherwise the serial
// port through the serial port handler.
//
// open() on the serial port opens it at once, as the serial port handler does
// (a port that fails is reported to the caller). open() with a TCP address
// starts connecting and returns 0; bytes written meanwhile wait for the
// connection. Once open, watch() (once a tick) notices a serial device that
// has gone or a connection that broke or could not be made, reports Lost once,
// and then tries again every kReconnectTicks ticks without reporting, until
// the line is back, which it reports once with the number of KISS frames
// written while the line was down (all of them refused). Attempts never block
// the caller: a TCP attempt runs on the TCP link's thread, a serial one on a
// thread of its own, and none is made while the serial device is missing.
//
// close() ends the line or the attempt under way; it waits for a serial
// attempt to finish (one open, a few seconds at most), for TCP at most about
// a second.
//
// The settings, the handler and the notify callback must outlive the link.
// Engine thread only; the notify callback runs on the TCP link's thread, as
// the handler's runs on its reader thread.
#pragma once

#include <functional>
#include <future>
#include <string>

#include "kiss/com_handler.h"
#include "kiss/com_handler_link.h"
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

    // 0, or the serial port handler's failure code; kComCannotOpen for a TCP
    // address that does not parse (nothing is tried) or when already open.
    int open(int port, int baudRate) override;
    int close() override;
    // While the line is down (or broken and not yet noticed): false, and a
    // KISS frame is counted as dropped.
    bool write(std::span<const std::uint8_t> bytes) override;
    int read(std::span<std::uint8_t> buffer) override;
    LinkChange watch() override;

    // Whether the line is up (a first TCP connection may still be under way).
    bool up() const { return phase_ == Phase::Up; }

  private:
    enum class Phase { Closed, Up, Down };

    bool lineBroken() const;
    LinkChange goDown();
    LinkChange tryAgain();
    bool startAttempt();
    void closeLine();

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
    bool tcpAttempt_ = false;
    std::future<int> serialAttempt_;
};

}  // namespace korvale
