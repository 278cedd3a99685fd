#include "dialogs/settings_dialogs.h"

#include "lang/ui_texts.h"

namespace korvale {

namespace {

// The KISS times are in milliseconds and go to the TNC in units of 10 ms
// in one byte, hence 2550; persistence is a byte as it is.
constexpr int kMaxKissTimeMs = 2550;
constexpr int kMaxPersist = 255;
// The radio's bit rate; 0 turns pacing off.
constexpr int kMaxAirBaudrate = 1000000;
constexpr int kMinBeaconIntervalS = 3;
constexpr int kMaxBeaconIntervalS = 1000;

DialogField checkBox(int controlId, std::string_view label, int& value) {
    return {.controlId = controlId, .label = label, .kind = FieldKind::CheckBox, .integer = &value};
}

DialogField integerField(int controlId, std::string_view label, int minimum, int maximum,
                         int& value) {
    return {.controlId = controlId,
            .label = label,
            .kind = FieldKind::Integer,
            .minimum = minimum,
            .maximum = maximum,
            .integer = &value};
}

DialogField textField(int controlId, std::string_view label, std::string& value) {
    return {.controlId = controlId, .label = label, .kind = FieldKind::Text, .text = &value};
}

DialogField callsignField(int controlId, std::string_view label, Ax25Address& value) {
    return {.controlId = controlId,
            .label = label,
            .kind = FieldKind::Callsign,
            .address = &value,
            .upperCaseAsTyped = true};
}

DialogField callListField(int controlId, std::string_view label, AddressList& value) {
    return {.controlId = controlId,
            .label = label,
            .kind = FieldKind::CallList,
            .list = &value,
            .upperCaseAsTyped = true};
}

SettingValue boundValue(const DialogField& field) {
    if (field.integer != nullptr) {
        return field.integer;
    }
    if (field.text != nullptr) {
        return field.text;
    }
    if (field.address != nullptr) {
        return field.address;
    }
    if (field.list != nullptr) {
        return field.list;
    }
    return {};
}

}  // namespace

DialogCopy MakeDialogCopy(const Settings& settings) {
    DialogCopy copy;
    copy.settings = settings;
    // The process-wide values; the record's rows are the copy's own already.
    for (const SettingRow& row : SettingsTable()) {
        CopySetting(row, copy.places(), LivePlaces(&copy.settings));
    }
    return copy;
}

DialogDescription TcpIpDialog(DialogCopy& copy) {
    return {"TCP/IP settings",
            kSectionTcpIpDialog,
            {checkBox(1018, "Suppress broadcasts", copy.suppressBroadcasts),
             callsignField(1003, "Callsign for TCP/IP", copy.tcpIpMyCall)}};
}

DialogDescription KissTncDialog(DialogCopy& copy) {
    Settings& s = copy.settings;
    // Exchange order, not layout order (TxDelay, TxTail, Persist, SlotTime,
    // Full duplex, ...): with several wrong values the user is told about
    // Persist first, as the dialog always has.
    return {"KISS TNC settings",
            kSectionTncDialog,
            {checkBox(1012, "Full duplex", s.m_bFullDup),
             integerField(1006, "Persist", 0, kMaxPersist, s.m_iPersist),
             integerField(1007, "SlotTime, ms", 0, kMaxKissTimeMs, s.m_iSlottime),
             integerField(1004, "TxDelay, ms", 0, kMaxKissTimeMs, s.m_iTxDelay),
             integerField(1005, "TxTail, ms", 0, kMaxKissTimeMs, s.m_iTxTail),
             textField(1010, "Init command", s.m_sInitTncText),
             textField(1011, "Exit command", s.m_sExitTncText),
             integerField(1014, "Radio bit rate, bit/s (0: off)", 0, kMaxAirBaudrate,
                          s.m_iAirBaudrate)}};
}

DialogDescription MonitorDialog(DialogCopy& copy) {
    Settings& s = copy.settings;
    return {"Monitor settings",
            kSectionMonitorDialog,
            {checkBox(1012, "Show headers of IP/ARP packets", s.m_bMonitorHeaders),
             checkBox(1009, "SABM,DISC,UA,DM,FRMR", s.m_bMonitorSABM),
             checkBox(1010, "UI", s.m_bMonitorUI), checkBox(1011, "RR,RNR,REJ", s.m_bMonitorRR),
             checkBox(1014, "I", s.m_bMonitorI),
             textField(1015, "Capture file for Wireshark (pcapng)", s.m_sCaptureFile)}};
}

DialogDescription UnprotoDialog(DialogCopy& copy) {
    Settings& s = copy.settings;
    return {"Unproto settings",
            kSectionUnprotoDialog,
            {callsignField(1015, "Source call", s.m_UnprotoSource),
             callsignField(1016, "Dest call", s.m_UnprotoDest),
             callListField(1017, "Digis", s.m_UnprotoDigis)}};
}

DialogDescription BeaconDialog(DialogCopy& copy) {
    Settings& s = copy.settings;
    DialogField interval = integerField(1004, "Interval, s", kMinBeaconIntervalS,
                                        kMaxBeaconIntervalS, s.m_iBeaconInterval);
    interval.upperCaseAsTyped = true;
    return {"Beacon settings",
            kSectionBeaconDialog,
            {checkBox(1008, "Enable beacon", s.m_bBeaconEnable), interval,
             textField(1007, "Text", s.m_sBeaconText),
             callsignField(1015, "Source call", s.m_BeaconSource),
             callsignField(1016, "Dest call", s.m_BeaconDest),
             callListField(1017, "Digis", s.m_BeaconDigis)}};
}

void TakeDialog(DialogDescription (*dialog)(DialogCopy&), const DialogCopy& copy,
                const SettingsPlaces& live) {
    DialogCopy bound = copy;
    for (const DialogField& field : dialog(bound).fields) {
        if (const SettingRow* row = RowHolding(bound.places(), boundValue(field))) {
            CopySetting(*row, live, bound.places());
        }
    }
}

void TakeSerialPort(const DialogCopy& copy, const SettingsPlaces& live) {
    DialogCopy bound = copy;
    for (const SettingRow& row : SettingsTable()) {
        if (row.section == kSectionTnc) {
            CopySetting(row, live, bound.places());
        }
    }
}

}  // namespace korvale
