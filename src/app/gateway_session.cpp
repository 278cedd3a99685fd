#include "app/gateway_session.h"

#include "gateway/nic_device.h"
#include "kiss/com_handler.h"
#include "kiss/kiss_server.h"
#include "kiss/reconnecting_tnc_link.h"
#include "lang/interface_language.h"

namespace korvale {

GatewaySession::GatewaySession(const ProgramLocation& location, MonitorView& view,
                               NotifyCallback notify)
    : location_(location) {
    LoadInterfaceLanguage(location_.iniPath);
    LoadSettings(settings_, location_.iniPath);
    handler_ = std::make_unique<ComHandler>(makePosixSerialPort, ProgramDirectory);
    if (notify) {
        handler_->SetNotifyCallback([notify](int) { notify(); });
    }
    link_ = std::make_unique<ReconnectingTncLink>(settings_, *handler_, ProgramDirectory, notify);
    kissServer_ = std::make_unique<KissServer>(std::move(notify));
    engine_ = std::make_unique<GatewayEngine>(settings_, *link_, theNicDevice(), view);
    engine_->setKissServer(kissServer_.get());
}

GatewaySession::~GatewaySession() {
    Finish();
}

bool GatewaySession::Finish() {
    if (finished_) {
        return true;
    }
    finished_ = true;
    // The language name goes first, so a new settings file begins with it.
    bool saved = StoreInterfaceLanguage(location_.iniPath);
    engine_->Shutdown();
    saved = SaveSettings(settings_, location_.iniPath) && saved;
    return saved;
}

}  // namespace korvale
