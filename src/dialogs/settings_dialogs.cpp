#include "dialogs/settings_dialogs.h"

#include "gateway/gateway_globals.h"
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

// Only the callsign and the SSID are the dialog's to change.
void copyCallsign(Ax25Address& to, const Ax25Address& from) {
    to.callsign = from.callsign;
    to.ssid = from.ssid;
}

}  // namespace

DialogCopy MakeDialogCopy(const Settings& settings) {
    DialogCopy copy;
    copy.settings = settings;
    copyCallsign(copy.tcpIpMyCall, GatewayOwnAddress);
    copy.suppressBroadcasts = SuppressBroadcasts;
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

void TakeTcpIp(const DialogCopy& copy) {
    copyCallsign(GatewayOwnAddress, copy.tcpIpMyCall);
    SuppressBroadcasts = copy.suppressBroadcasts;
}

void TakeKissTnc(Settings& settings, const DialogCopy& copy) {
    const Settings& s = copy.settings;
    settings.m_bFullDup = s.m_bFullDup;
    settings.m_iPersist = s.m_iPersist;
    settings.m_iSlottime = s.m_iSlottime;
    settings.m_iTxDelay = s.m_iTxDelay;
    settings.m_iTxTail = s.m_iTxTail;
    settings.m_sInitTncText = s.m_sInitTncText;
    settings.m_sExitTncText = s.m_sExitTncText;
    settings.m_iAirBaudrate = s.m_iAirBaudrate;
}

void TakeMonitor(Settings& settings, const DialogCopy& copy) {
    const Settings& s = copy.settings;
    settings.m_bMonitorHeaders = s.m_bMonitorHeaders;
    settings.m_bMonitorSABM = s.m_bMonitorSABM;
    settings.m_bMonitorUI = s.m_bMonitorUI;
    settings.m_bMonitorRR = s.m_bMonitorRR;
    settings.m_bMonitorI = s.m_bMonitorI;
    settings.m_sCaptureFile = s.m_sCaptureFile;
}

void TakeUnproto(Settings& settings, const DialogCopy& copy) {
    const Settings& s = copy.settings;
    copyCallsign(settings.m_UnprotoSource, s.m_UnprotoSource);
    copyCallsign(settings.m_UnprotoDest, s.m_UnprotoDest);
    settings.m_UnprotoDigis.assign(s.m_UnprotoDigis);
}

void TakeBeacon(Settings& settings, const DialogCopy& copy) {
    const Settings& s = copy.settings;
    settings.m_bBeaconEnable = s.m_bBeaconEnable;
    settings.m_iBeaconInterval = s.m_iBeaconInterval;
    settings.m_sBeaconText = s.m_sBeaconText;
    copyCallsign(settings.m_BeaconSource, s.m_BeaconSource);
    copyCallsign(settings.m_BeaconDest, s.m_BeaconDest);
    settings.m_BeaconDigis.assign(s.m_BeaconDigis);
}

}  // namespace korvale
