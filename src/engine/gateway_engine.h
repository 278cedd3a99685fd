// The gateway engine: the periodic tick that brings the links up, feeds the
// TNC its init text and KISS parameters, carries frames from the adapter to
// the radio and sends the beacon; the handling of bytes received from the
// TNC; the typed unproto line; and the exit sequence.
//
// The engine owns no window. Its owner (the Qt main window, or the headless
// runner) gives it the settings, the serial link, the adapter device and a
// monitor view, all of which must outlive it, calls EngineTick() every
// kEngineTickMs, calls OnSerialNotification() on its own thread after the
// serial link has announced received bytes, and calls OnAdapterReadable()
// whenever adapterDescriptor() polls readable, so a frame from the host
// leaves at once instead of at the next tick. With a radio bit rate set
// (m_iAirBaudrate), frames for the radio wait in the air path (air_path.h)
// and leave, at a tick or a drain, as the radio can send them. Everything
// here runs on that one thread; nothing waits.
//
// With a KISS server given (setKissServer) and m_sKissServerAddress set, other
// programs share the TNC: every frame heard goes to each of them, and their
// frames, taken at OnSerialNotification() (the server wakes the owner as the
// serial link does), are shown and sent like Korvale's own, each client a
// flow of its own in the air path. With m_sCaptureFile set, every frame sent
// to the TNC and heard from it is also written to that capture file
// (store/capture_file.h). Both settings are looked at every tick, so a
// change in a dialog takes effect at the next one.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "ax25/ax25_frame.h"
#include "engine/air_path.h"
#include "engine/monitor.h"
#include "gateway/adapter_to_radio.h"
#include "gateway/nic_device.h"
#include "kiss/kiss_deframer.h"
#include "kiss/kiss_server.h"
#include "kiss/serial_link.h"
#include "store/capture_file.h"
#include "store/settings.h"

namespace korvale {

inline constexpr int kEngineTickMs = 100;
inline constexpr int kTicksPerSecond = 1000 / kEngineTickMs;

// Received bytes are taken from the serial link in pieces of this size.
inline constexpr std::size_t kReceiveChunkSize = 1000;

class GatewayEngine {
  public:
    GatewayEngine(Settings& settings, SerialLink& serial, NicDevice& nic, MonitorView& view);

    GatewayEngine(const GatewayEngine&) = delete;
    GatewayEngine& operator=(const GatewayEngine&) = delete;

    // Called on the first tick with false when the window is to stay hidden
    // in the tray (m_bInTray), true when it is to be shown.
    void setShowWindowHook(std::function<void(bool visible)> hook) {
        showWindow_ = std::move(hook);
    }

    // One tick: start-up on the first call, then a look at the TNC link
    // (whose open may have failed, which disables the port as a failed open
    // does; which may have gone, or come back and need the set-up again), one step
    // of the TNC set-up, the adapter drained to the radio, and the beacon
    // when due.
    void EngineTick();

    // Starts the TNC set-up sequence anew (first tick, "Re-init the TNC now").
    void InitTnc();

    // Receive handling: reads every byte the serial link holds, in pieces of
    // kReceiveChunkSize, through the KISS deframer; each frame is decoded,
    // shown and offered to the adapter (nothing is read while the port is not
    // enabled). Then takes what the KISS clients sent.
    void OnSerialNotification();

    // The server for KISS clients, or none; it must outlive the engine.
    void setKissServer(KissServer* server) { kissServer_ = server; }

    // Drains the adapter as a tick does: each waiting frame is shown, encoded
    // and sent, until the adapter path returns nothing. Does nothing before
    // the first tick has opened the links.
    void OnAdapterReadable();

    // The adapter's descriptor to watch for OnAdapterReadable(), or -1 while
    // the adapter is closed or cannot be watched. It changes only inside
    // EngineTick() (the first tick opens the adapter) and Shutdown(), so the
    // owner looks again after each of those.
    int adapterDescriptor() const { return nic_.readableDescriptor(); }

    // Echoes a typed line (Windows-1252, ending in a carriage return) and
    // sends it as a UI frame from m_UnprotoSource to m_UnprotoDest.
    void SendUnprotoLine(std::string_view text);

    // The exit sequence up to the settings save, which is the owner's: closes
    // the adapter, queues the expanded exit text when the port is enabled and
    // closes the port.
    void Shutdown();

    // The beacon goes out at the next eligible tick ("Enable beacon" toggled,
    // beacon settings confirmed).
    void ResetBeaconCountdown() { m_iBeaconCountdown = 0; }

    bool IsTncPortEnabled() const;
    void OpenTncPort();
    void CloseTncPort();

    // Monitor output, for the owner's own status lines.
    void AppendMonitorText(std::string_view text) { monitor_.AppendMonitorText(text); }
    void ShowFrame(const Ax25Frame& frame);

    // The steady clock in milliseconds that paces frames for the radio; tests
    // give their own.
    void setClock(std::function<std::int64_t()> clock) { clock_ = std::move(clock); }

    // State, for the owner's menus and for tests.
    bool tncInitSending() const { return m_bTncInitSending; }
    bool kissParamsPending() const { return m_bKissParamsPending; }
    int beaconCountdown() const { return m_iBeaconCountdown; }

  private:
    void startUp();
    // A TNC port message (tnc_port.h), translated, in the monitor.
    void showTncMessage(std::string_view english, int port);
    // Monitor lines when the TNC link goes and comes back, and the TNC set-up
    // again when it is back.
    void watchTncLink();
    void stepTncSetUp();
    void drainAdapter();
    void sendBeacon();
    void sendDataFrame(Ax25Frame frame);
    void releaseAirFrames();
    // Shows the frame and sends its wire bytes to the TNC, and captures them.
    void sendToTnc(const Ax25Frame& frame, std::span<const std::uint8_t> wire);
    void onKissFrame(std::span<const std::uint8_t> ax25Bytes);
    void followKissServerAddress();
    void takeKissClientEvents();
    void sendClientFrame(int client, std::vector<std::uint8_t> wire);
    void followCaptureFile();
    void capture(CaptureDirection direction, std::span<const std::uint8_t> frame);
    void sendUiFrame(const Ax25Address& source, const Ax25Address& destination,
                     const AddressList& digipeaters, std::string_view text);
    void SendKissFrame(int command, std::span<const std::uint8_t> payload);
    MonitorFilter monitorFilter() const;

    Settings& settings_;
    SerialLink& serial_;
    NicDevice& nic_;
    Monitor monitor_;
    AdapterToRadio adapterPath_;
    KissDeframer deframer_;
    std::function<void(bool)> showWindow_;
    AirPath air_;
    std::function<std::int64_t()> clock_ = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };

    KissServer* kissServer_ = nullptr;
    std::string kissServerAddress_;  // the address the server was given
    CaptureFile capture_;
    std::string captureFile_;  // the setting the capture follows

    bool m_bFirstTick = true;
    std::string m_sTncInitPending;
    bool m_bTncInitSending = false;
    bool m_bKissParamsPending = false;
    int m_iBeaconCountdown = 0;
};

}  // namespace korvale
