// The five settings dialogs opened from the Settings menu (TCP/IP, KISS
// TNC, Monitor, Unproto, Beacon): their captions, translation sections and
// fields in exchange order, and what OK takes back into the settings.
//
// Each dialog edits its own copy: the caller copies the settings into a
// DialogCopy, builds the dialog's description over that copy, runs the
// dialog, and on OK calls TakeDialog, which takes back the settings the
// dialog's fields are bound to, row by row of the settings table. Cancel
// changes nothing. Plain logic, main thread only.
#pragma once

#include <string_view>
#include <vector>

#include "dialogs/field_exchange.h"
#include "store/settings.h"
#include "store/settings_table.h"

namespace korvale {

// What one dialog edits: the program's settings, and the two process-wide
// gateway values the TCP/IP dialog edits.
struct DialogCopy {
    Settings settings;
    Ax25Address tcpIpMyCall;     // GatewayOwnAddress
    int suppressBroadcasts = 0;  // SuppressBroadcasts

    SettingsPlaces places() { return {&settings, &tcpIpMyCall, &suppressBroadcasts}; }
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

// On OK: copies every setting the dialog's fields are bound to from the copy
// into `live` (LivePlaces: the settings and the process-wide values, which
// the gateway paths read afresh for every frame). The rest stays as it is,
// also what changed while the dialog was open.
void TakeDialog(DialogDescription (*dialog)(DialogCopy&), const DialogCopy& copy,
                const SettingsPlaces& live);

// The serial port dialog's OK: copies the settings of the kSectionTnc section.
void TakeSerialPort(const DialogCopy& copy, const SettingsPlaces& live);

}  // namespace korvale
