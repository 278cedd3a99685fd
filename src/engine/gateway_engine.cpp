#include "engine/gateway_engine.h"

#include <algorithm>
#include <array>
#include <climits>

#include "gateway/gateway_globals.h"
#include "gateway/radio_to_adapter.h"
#include "kiss/control_codes.h"
#include "kiss/kiss_encoder.h"
#include "kiss/kiss_protocol.h"
#include "kiss/tnc_port.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"
#include "store/code_pages.h"
#include "store/program_directory.h"

namespace korvale {
namespace {

// Texts handed to the serial port or the monitor end at their first NUL, as
// zero-terminated texts do: a ^000 in the init text ends it there.
std::string_view upToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

GatewayEngine::GatewayEngine(Settings& settings, SerialLink& serial, NicDevice& nic,
                             MonitorView& view)
    : settings_(settings),
      serial_(serial),
      nic_(nic),
      monitor_(view),
      adapterPath_(nic),
      deframer_([this](std::span<const std::uint8_t> frame) { onKissFrame(frame); }),
      air_(nic) {}

bool GatewayEngine::IsTncPortEnabled() const {
    return korvale::IsTncPortEnabled(settings_.m_bTncDisablePort, settings_.m_iTncPort,
                                     settings_.m_sTncTcpAddress);
}

void GatewayEngine::OpenTncPort() {
    korvale::OpenTncPort(
        serial_, settings_.m_iTncPort, settings_.m_iTncBaudrate, settings_.m_sTncTcpAddress,
        settings_.m_bTncDisablePort,
        [this](std::string_view english, int port) { showTncMessage(english, port); });
}

void GatewayEngine::showTncMessage(std::string_view english, int port) {
    if (english == kBadTncAddressText) {
        AppendMonitorText(TranslateMsgWithText(english, settings_.m_sTncTcpAddress));
    } else {
        AppendMonitorText(english == kCannotOpenPortText ? TranslateMsgWithInt(english, port)
                                                         : TranslateMsg(english));
    }
}

void GatewayEngine::CloseTncPort() {
    korvale::CloseTncPort(serial_, settings_.m_iTncPort, settings_.m_sTncTcpAddress,
                          settings_.m_bTncDisablePort);
}

void GatewayEngine::watchTncLink() {
    const LinkChange change = serial_.watch();
    if (change.kind == LinkChange::Kind::OpenFailed) {
        // The port being opened is the one chosen: choosing another closes
        // the link first, and an open given up never reports.
        TncPortOpenFailed(
            settings_.m_iTncPort, settings_.m_bTncDisablePort,
            [this](std::string_view english, int port) { showTncMessage(english, port); });
    } else if (change.kind == LinkChange::Kind::Opened) {
        OnSerialNotification();  // bytes may have come before the link was up
    } else if (change.kind == LinkChange::Kind::Lost) {
        AppendMonitorText(TranslateMsgWithText(kMsgTncLinkDown, change.where));
    } else if (change.kind == LinkChange::Kind::Back) {
        AppendMonitorText(
            TranslateMsgWithText(kMsgTncLinkBack, change.where, change.droppedFrames));
        // A TNC that came back (restarted, plugged in again) has forgotten
        // its set-up; half a frame from before the break is no use either.
        deframer_.Reset();
        InitTnc();
        OnSerialNotification();  // bytes may have come with the line, unannounced
    }
}

void GatewayEngine::SendKissFrame(int command, std::span<const std::uint8_t> payload) {
    if (IsTncPortEnabled()) {
        korvale::SendKissFrame(serial_, command, payload);
    }
}

MonitorFilter GatewayEngine::monitorFilter() const {
    return {settings_.m_bMonitorI,  settings_.m_bMonitorUI,      settings_.m_bMonitorSABM,
            settings_.m_bMonitorRR, settings_.m_bMonitorHeaders, settings_.m_bOemTranslation};
}

void GatewayEngine::ShowFrame(const Ax25Frame& frame) {
    monitor_.ShowFrame(frame, monitorFilter());
}

void GatewayEngine::InitTnc() {
    m_sTncInitPending = std::string(upToNul(ExpandControlCodes(settings_.m_sInitTncText)));
    if (!m_sTncInitPending.empty()) {
        m_bTncInitSending = true;
    } else {
        m_bKissParamsPending = true;
    }
    AppendMonitorText(TranslateMsg(kMsgInitializingTnc));
}

void GatewayEngine::EngineTick() {
    if (m_bFirstTick) {
        startUp();
    }
    GatewayLinkBitRate = settings_.m_iTncBaudrate;
    watchTncLink();
    followKissServerAddress();
    followCaptureFile();
    if (!air_.configure(settings_)) {
        AppendMonitorText(TranslateMsg(kMsgArpTimersNotSet));
    }
    stepTncSetUp();
    drainAdapter();
    // A negative interval can only come from a hand-edited INI file; read as
    // 0 it would put ten beacons a second on the air, so it sends none.
    if (settings_.m_bBeaconEnable != 0 && settings_.m_iBeaconInterval >= 0 && !m_bTncInitSending &&
        !m_bKissParamsPending) {
        if (m_iBeaconCountdown != 0) {
            --m_iBeaconCountdown;
        } else {
            // A huge interval must not overflow the tick count.
            const int interval = std::min(settings_.m_iBeaconInterval, INT_MAX / kTicksPerSecond);
            m_iBeaconCountdown = interval * kTicksPerSecond;
            sendBeacon();
        }
    }
    // What was captured is on disk within a tick.
    if (!capture_.flush()) {
        AppendMonitorText(TranslateMsgWithText(kMsgCaptureFailed, captureFile_));
    }
}

void GatewayEngine::followKissServerAddress() {
    if (kissServer_ == nullptr || settings_.m_sKissServerAddress == kissServerAddress_) {
        return;
    }
    // A new address closes the old listener and drops its clients.
    kissServerAddress_ = settings_.m_sKissServerAddress;
    kissServer_->Close();
    if (kissServerAddress_.empty()) {
        return;
    }
    const std::optional<TncAddress> address = ParseTncAddress(kissServerAddress_);
    if (!address) {
        AppendMonitorText(TranslateMsgWithText(kMsgBadKissServerAddress, kissServerAddress_));
    } else if (!kissServer_->Listen(*address)) {
        AppendMonitorText(TranslateMsgWithText(kMsgKissServerCannotListen, kissServerAddress_));
    }
}

void GatewayEngine::takeKissClientEvents() {
    if (kissServer_ == nullptr) {
        return;
    }
    for (KissClientEvent& event : kissServer_->takeEvents()) {
        switch (event.kind) {
            case KissClientEvent::Kind::Connected:
                AppendMonitorText(TranslateMsgWithText(kMsgKissClientConnected, event.peer));
                break;
            case KissClientEvent::Kind::Disconnected:
                AppendMonitorText(event.droppedFrames == 0
                                      ? TranslateMsgWithText(kMsgKissClientDisconnected, event.peer)
                                      : TranslateMsgWithText(kMsgKissClientDisconnectedDropped,
                                                             event.peer, event.droppedFrames));
                break;
            case KissClientEvent::Kind::ListenFailed:
                AppendMonitorText(
                    TranslateMsgWithText(kMsgKissServerCannotListen, kissServerAddress_));
                break;
            case KissClientEvent::Kind::Frame:
                sendClientFrame(event.client, std::move(event.frame));
                break;
        }
    }
}

// The server passes only frames that decode; they go to the TNC as the client
// sent them, in its own flow while a radio rate is set.
void GatewayEngine::sendClientFrame(int client, std::vector<std::uint8_t> wire) {
    Ax25Frame frame;
    frame.decode(wire);
    if (air_.active() || air_.queuedFrames() > 0) {
        air_.queueFromClient(client, std::move(frame), std::move(wire));
        releaseAirFrames();
        return;
    }
    sendToTnc(frame, wire);
}

void GatewayEngine::followCaptureFile() {
    if (settings_.m_sCaptureFile == captureFile_) {
        return;
    }
    captureFile_ = settings_.m_sCaptureFile;
    capture_.close();
    if (captureFile_.empty()) {
        return;
    }
    // The name is held in the program's code page, like every text setting;
    // the file system spells it in UTF-8.
    const std::string name = AnsiToUtf8(captureFile_);
    const std::string path = name.starts_with('/') ? name : ProgramDirectory + name;
    if (!capture_.open(path)) {
        AppendMonitorText(TranslateMsgWithText(kMsgCaptureFailed, captureFile_));
    }
}

void GatewayEngine::capture(CaptureDirection direction, std::span<const std::uint8_t> frame) {
    if (!capture_.isOpen()) {
        return;
    }
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    if (!capture_.write(direction, frame, now)) {
        AppendMonitorText(TranslateMsgWithText(kMsgCaptureFailed, captureFile_));
    }
}

void GatewayEngine::startUp() {
    if (showWindow_) {
        showWindow_(settings_.m_bInTray == 0);
    }
    if (!nic_.open()) {
        AppendMonitorText(TranslateMsg(kMsgNicOpenFailed));
    }
    OpenTncPort();
    InitTnc();
    m_bFirstTick = false;
}

void GatewayEngine::stepTncSetUp() {
    if (m_bTncInitSending) {
        const std::size_t end = m_sTncInitPending.find('\r');
        const std::size_t length = end == std::string::npos ? m_sTncInitPending.size() : end + 1;
        const std::string piece = m_sTncInitPending.substr(0, length);
        m_sTncInitPending.erase(0, length);
        AppendMonitorText(piece);
        if (IsTncPortEnabled()) {
            // Raw text: the TNC is not in KISS mode yet.
            serial_.write(bytesOf(piece));
        }
        if (m_sTncInitPending.empty()) {
            m_bTncInitSending = false;
            m_bKissParamsPending = true;
        }
    } else if (m_bKissParamsPending) {
        m_bKissParamsPending = false;
        const auto parameters =
            kissParameterCommands(settings_.m_iTxDelay, settings_.m_iPersist, settings_.m_iSlottime,
                                  settings_.m_iTxTail, settings_.m_bFullDup);
        for (const KissParameter& parameter : parameters) {
            const std::array<std::uint8_t, 1> value = {parameter.value};
            SendKissFrame(static_cast<int>(parameter.command), value);
        }
    }
}

void GatewayEngine::drainAdapter() {
    while (auto frame = adapterPath_.takeAdapterFrame()) {
        if (air_.active()) {
            air_.takeFromAdapter(std::move(*frame), clock_());
        } else {
            sendDataFrame(std::move(*frame));
        }
    }
    releaseAirFrames();
}

// With a radio rate set the frame waits its turn in the air path; otherwise,
// and for whatever the queue still holds once the rate is 0, it goes now.
void GatewayEngine::sendDataFrame(Ax25Frame frame) {
    if (air_.active() || air_.queuedFrames() > 0) {
        air_.queue(std::move(frame));
        releaseAirFrames();
        return;
    }
    sendToTnc(frame, frame.encode());
}

void GatewayEngine::sendToTnc(const Ax25Frame& frame, std::span<const std::uint8_t> wire) {
    ShowFrame(frame);
    if (IsTncPortEnabled() &&
        korvale::SendKissFrame(serial_, static_cast<int>(KissCommand::Data), wire)) {
        capture(CaptureDirection::Outbound, wire);
    }
}

void GatewayEngine::releaseAirFrames() {
    const std::int64_t now = clock_();
    while (auto entry = air_.nextForTnc(now)) {
        sendToTnc(entry->frame, entry->wire.empty() ? entry->frame.encode() : entry->wire);
    }
    if (const auto dropped = air_.dropReportDue(now)) {
        AppendMonitorText(TranslateMsgWithInt(kMsgAirQueueDropped, *dropped));
    }
}

void GatewayEngine::OnAdapterReadable() {
    if (!m_bFirstTick) {
        drainAdapter();
    }
}

void GatewayEngine::sendUiFrame(const Ax25Address& source, const Ax25Address& destination,
                                const AddressList& digipeaters, std::string_view text) {
    Ax25Frame frame;
    frame.build(source, destination, digipeaters, 0, FrameKind::Ui, 1, 0, 0, 0, 0x00,
                bytesOf(upToNul(text)));
    sendDataFrame(std::move(frame));
}

void GatewayEngine::sendBeacon() {
    const std::string text = settings_.m_bOemTranslation != 0 ? CharToOem(settings_.m_sBeaconText)
                                                              : settings_.m_sBeaconText;
    sendUiFrame(settings_.m_BeaconSource, settings_.m_BeaconDest, settings_.m_BeaconDigis, text);
}

void GatewayEngine::SendUnprotoLine(std::string_view text) {
    AppendMonitorText(text);
    const std::string toSend =
        settings_.m_bOemTranslation != 0 ? CharToOem(text) : std::string(text);
    sendUiFrame(settings_.m_UnprotoSource, settings_.m_UnprotoDest, settings_.m_UnprotoDigis,
                toSend);
}

void GatewayEngine::OnSerialNotification() {
    if (IsTncPortEnabled()) {
        std::array<std::uint8_t, kReceiveChunkSize> buffer;
        int count = 0;
        do {
            count = serial_.read(buffer);
            deframer_.ProcessKissBytes(
                std::span<const std::uint8_t>(buffer.data(), static_cast<std::size_t>(count)));
        } while (count == static_cast<int>(buffer.size()));
    }
    if (!m_bFirstTick) {
        takeKissClientEvents();
    }
}

void GatewayEngine::onKissFrame(std::span<const std::uint8_t> ax25Bytes) {
    // A frame that fails to decode is shown as far as it was decoded; it is
    // never of a kind the adapter path takes.
    capture(CaptureDirection::Inbound, ax25Bytes);
    if (kissServer_ != nullptr) {
        kissServer_->broadcast(ax25Bytes);
    }
    Ax25Frame frame;
    frame.decode(ax25Bytes);
    ShowFrame(frame);
    if (air_.active()) {
        air_.heard(frame, ax25Bytes.size(), clock_());
    }
    deliverToAdapter(nic_, frame);
}

void GatewayEngine::Shutdown() {
    nic_.close();
    if (!settings_.m_sExitTncText.empty() && IsTncPortEnabled()) {
        const std::string exitText = ExpandControlCodes(settings_.m_sExitTncText);
        serial_.write(bytesOf(upToNul(exitText)));
    }
    CloseTncPort();
    if (kissServer_ != nullptr) {
        kissServer_->Close();
    }
    capture_.close();
}

}  // namespace korvale
