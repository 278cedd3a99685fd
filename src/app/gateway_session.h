// One run of the gateway, shared by the desktop program and the headless
// runner so that the start-up and exit order is written once:
//
//   start:  interface language (and its file), then every setting; the
//           serial port handler and the engine are made, nothing is opened
//           (the engine's first tick opens the adapter and the port);
//   exit:   the language name stored, the adapter closed, the exit text
//           queued for the TNC and the port's closing begun, the settings
//           saved; the session's end waits for the closing (the exit text
//           goes out first; an open still under way gives up at once).
//
// The port opens and closes on the link's own worker thread, never on the
// owner's: a port that takes seconds to fail holds up neither the ticks nor
// the window; the engine reports the failure at a later tick.
//
// The program must have been located first (SetUpProgramDirectory), which
// fixes ProgramDirectory and the INI path. The monitor view and the notify
// callback must outlive the session. The TNC link is the serial port, or TCP
// when m_sTncTcpAddress is set, and comes back by itself when it breaks
// (kiss/reconnecting_tnc_link.h). The notify callback runs on the serial
// reader thread, the TCP link's thread, or the KISS server's thread
// (kiss/kiss_server.h), for each chunk of received bytes or client events:
// it may only wake the owner's thread, which then calls
// engine().OnSerialNotification(). All other calls come from the owner's
// (main) thread.
#pragma once

#include <functional>
#include <memory>

#include "engine/gateway_engine.h"
#include "engine/monitor_view.h"
#include "store/program_directory.h"
#include "store/settings.h"

namespace korvale {

class ComHandler;
class KissServer;
class ReconnectingTncLink;

class GatewaySession {
  public:
    using NotifyCallback = std::function<void()>;

    GatewaySession(const ProgramLocation& location, MonitorView& view, NotifyCallback notify);
    // Runs the exit sequence if Finish() has not.
    ~GatewaySession();

    GatewaySession(const GatewaySession&) = delete;
    GatewaySession& operator=(const GatewaySession&) = delete;

    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    GatewayEngine& engine() { return *engine_; }
    const ProgramLocation& location() const { return location_; }

    // The exit sequence; a second call does nothing. Returns false when the
    // settings could not all be written (the run's changes are then lost).
    bool Finish();

  private:
    ProgramLocation location_;
    Settings settings_;
    std::unique_ptr<ComHandler> handler_;
    std::unique_ptr<ReconnectingTncLink> link_;
    std::unique_ptr<KissServer> kissServer_;
    std::unique_ptr<GatewayEngine> engine_;
    bool finished_ = false;
};

}  // namespace korvale
