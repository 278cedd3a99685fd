// The five settings dialogs opened from the Settings menu (TCP/IP, KISS
// TNC, Monitor, Unproto, Beacon): their captions, translation sections and
// fields in exchange order, and what OK takes back into the settings.
//
// Each dialog edits its own copy: the caller copies the settings into a
// DialogCopy, builds the dialog's description over that copy, runs the
// dialog, and on OK calls the matching Take... function. Cancel changes
// nothing. Plain logic, main thread only.
#pragma once

#include <string_view>
#include <vector>

#include "dialogs/field_exchange.h"
#include "store/settings.h"

namespace korvale {

// What one dialog edits: the program's settings, and the two process-wide
// gateway values the TCP/IP dialog edits.
struct DialogCopy {
    Settings settings;
    Ax25Address tcpIpMyCall;     // GatewayOwnAddress
    int suppressBroadcasts = 1;  // SuppressBroadcasts
};

// The copy a dialog starts from: the settings and the current gateway values.
DialogCopy MakeDialogCopy(const Settings& settings);

struct DialogDescription {
    std::string_view caption;  // English; translated with the section
    std::string_view section;
    std::vector<DialogField> fields;  // exchange order
};

// Control ids, as the fields are known in tests and in the translation walk.
// Kept from the original dialog templates so that the same id always names
// the same kind of control.
DialogDescription TcpIpDialog(DialogCopy& copy);
DialogDescription KissTncDialog(DialogCopy& copy);
DialogDescription MonitorDialog(DialogCopy& copy);
DialogDescription UnprotoDialog(DialogCopy& copy);
DialogDescription BeaconDialog(DialogCopy& copy);

// On OK: copy back what each dialog edits. Callsigns are copied as callsign
// and SSID. TakeTcpIp writes GatewayOwnAddress and SuppressBroadcasts, which
// the gateway paths read afresh for every frame.
void TakeTcpIp(const DialogCopy& copy);
void TakeKissTnc(Settings& settings, const DialogCopy& copy);
void TakeMonitor(Settings& settings, const DialogCopy& copy);
void TakeUnproto(Settings& settings, const DialogCopy& copy);
// The caller also resets the engine's beacon count-down.
void TakeBeacon(Settings& settings, const DialogCopy& copy);

}  // namespace korvale
