#include "app/menu_commands.h"

#include "kiss/tnc_port.h"

namespace korvale {

MenuItemStates CurrentMenuItemStates(const GatewaySession& session, bool trayIconShown) {
    const Settings& settings = session.settings();
    MenuItemStates states;
    states.beaconChecked = settings.m_bBeaconEnable != 0;
    states.oemTranslationChecked = settings.m_bOemTranslation != 0;
    states.reinitEnabled = korvale::IsTncPortEnabled(
        settings.m_bTncDisablePort, settings.m_iTncPort, settings.m_sTncTcpAddress);
    states.hideEnabled = trayIconShown;
    return states;
}

void ToggleBeacon(GatewaySession& session) {
    Settings& settings = session.settings();
    settings.m_bBeaconEnable = settings.m_bBeaconEnable != 0 ? 0 : 1;
    session.engine().ResetBeaconCountdown();
}

void ToggleOemTranslation(GatewaySession& session) {
    Settings& settings = session.settings();
    settings.m_bOemTranslation = settings.m_bOemTranslation != 0 ? 0 : 1;
}

bool ToggleWindowHidden(GatewaySession& session, bool trayIconShown) {
    Settings& settings = session.settings();
    if (settings.m_bInTray != 0) {
        settings.m_bInTray = 0;
        return true;
    }
    if (!trayIconShown) {
        return true;
    }
    settings.m_bInTray = 1;
    return false;
}

bool FirstTickShowsWindow(const Settings& settings, bool trayIconShown) {
    return settings.m_bInTray == 0 || !trayIconShown;
}

void ApplyTcpIp(const DialogCopy& copy) {
    TakeTcpIp(copy);
}

void ApplyKissTnc(GatewaySession& session, const DialogCopy& copy) {
    // Nothing is sent: the values reach the TNC with the next re-init.
    TakeKissTnc(session.settings(), copy);
}

void ApplyMonitor(GatewaySession& session, const DialogCopy& copy) {
    TakeMonitor(session.settings(), copy);
}

void ApplyUnproto(GatewaySession& session, const DialogCopy& copy) {
    TakeUnproto(session.settings(), copy);
}

void ApplyBeacon(GatewaySession& session, const DialogCopy& copy) {
    TakeBeacon(session.settings(), copy);
    session.engine().ResetBeaconCountdown();
}

void ApplySerialPort(GatewaySession& session, int tncPort, int tncBaudrate, int tncDisablePort,
                     const std::string& tncTcpAddress) {
    GatewayEngine& engine = session.engine();
    engine.CloseTncPort();
    Settings& settings = session.settings();
    settings.m_iTncPort = tncPort;
    settings.m_iTncBaudrate = tncBaudrate;
    settings.m_bTncDisablePort = tncDisablePort;
    settings.m_sTncTcpAddress = tncTcpAddress;
    engine.OpenTncPort();
}

}  // namespace korvale
