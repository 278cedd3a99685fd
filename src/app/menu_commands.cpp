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
    TakeDialog(TcpIpDialog, copy, LivePlaces());
}

void ApplyKissTnc(GatewaySession& session, const DialogCopy& copy) {
    // Nothing is sent: the values reach the TNC with the next re-init.
    TakeDialog(KissTncDialog, copy, LivePlaces(&session.settings()));
}

void ApplyMonitor(GatewaySession& session, const DialogCopy& copy) {
    TakeDialog(MonitorDialog, copy, LivePlaces(&session.settings()));
}

void ApplyUnproto(GatewaySession& session, const DialogCopy& copy) {
    TakeDialog(UnprotoDialog, copy, LivePlaces(&session.settings()));
}

void ApplyBeacon(GatewaySession& session, const DialogCopy& copy) {
    TakeDialog(BeaconDialog, copy, LivePlaces(&session.settings()));
    session.engine().ResetBeaconCountdown();
}

void ApplySerialPort(GatewaySession& session, const DialogCopy& copy) {
    GatewayEngine& engine = session.engine();
    engine.CloseTncPort();
    TakeSerialPort(copy, LivePlaces(&session.settings()));
    engine.OpenTncPort();
}

}  // namespace korvale
