// The main window's menu commands as plain operations on the session: their
// ids, the state of each menu item, and what each command and each confirmed
// settings dialog does to the settings and the links. The window only wires
// menus and dialogs to these. Main thread only, between engine ticks.
#pragma once

#include "app/gateway_session.h"
#include "dialogs/settings_dialogs.h"

namespace korvale {

// Command ids of the menu bar and the tray menu (the tray uses the first
// two), kept in each action's data.
enum class MenuCommand : int {
    HideInTray = 32780,  // "&Hide in system tray" / "Show/hide window"
    Exit = 32778,
    TcpIpSetup = 32775,
    SerialPortSetup = 32776,
    KissTncSetup = 32782,
    ReinitTnc = 32783,
    MonitorSetup = 32777,
    UnprotoSetup = 32772,
    BeaconSetup = 32773,
    EnableBeacon = 32774,
    OemTranslation = 32781,
    InterfaceLanguage = 32786,
    HelpContents = 57670,
    About = 16,
};

struct MenuItemStates {
    bool beaconChecked = false;
    bool oemTranslationChecked = false;
    bool reinitEnabled = false;
    // Hiding leaves only the tray icon, so it needs one to be shown.
    bool hideEnabled = false;
};

MenuItemStates CurrentMenuItemStates(const GatewaySession& session, bool trayIconShown);

// "Enable beacon": inverts the flag; an enabled beacon goes out at the next
// eligible tick.
void ToggleBeacon(GatewaySession& session);
void ToggleOemTranslation(GatewaySession& session);

// "Hide in system tray": inverts m_bInTray and returns whether the window is
// now to be shown. With no tray icon shown the window stays shown and the
// setting is left as it is.
bool ToggleWindowHidden(GatewaySession& session, bool trayIconShown);

// Whether the first tick shows the window: always when no tray icon can be
// shown, so the running program can always be reached; the stored
// ShowInTray is kept.
bool FirstTickShowsWindow(const Settings& settings, bool trayIconShown);

// Confirmed settings dialogs.
void ApplyTcpIp(const DialogCopy& copy);
void ApplyKissTnc(GatewaySession& session, const DialogCopy& copy);
void ApplyMonitor(GatewaySession& session, const DialogCopy& copy);
void ApplyUnproto(GatewaySession& session, const DialogCopy& copy);
void ApplyBeacon(GatewaySession& session, const DialogCopy& copy);

// The serial port dialog's OK: closes the port, takes the values of the
// serial link from the copy and opens the port (or the TCP link) again, which
// shows why in the monitor when it does not open (and disables a port that
// fails). The TNC is not initialised again.
void ApplySerialPort(GatewaySession& session, const DialogCopy& copy);

}  // namespace korvale
