// The five settings dialogs: their fields in exchange order, which refusal
// the user sees first, and which settings OK hands back.
#include "dialogs/settings_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gateway/gateway_globals.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

// Every value a dialog edits, named, so that one comparison shows any stray copy.
std::vector<std::string> dump(const Settings& s) {
    const auto n = [](int value) { return std::to_string(value); };
    // clang-format off
        return std::vector<std::string>{"FullDup=" + n(s.m_bFullDup), "Persist=" + n(s.m_iPersist),
            "SlotTime=" + n(s.m_iSlottime), "TxDelay=" + n(s.m_iTxDelay), "TxTail=" + n(s.m_iTxTail),
            "Init=" + s.m_sInitTncText, "Exit=" + s.m_sExitTncText, "Air=" + n(s.m_iAirBaudrate),
            "Headers=" + n(s.m_bMonitorHeaders),
            "SABM=" + n(s.m_bMonitorSABM), "UI=" + n(s.m_bMonitorUI), "RR=" + n(s.m_bMonitorRR),
            "I=" + n(s.m_bMonitorI), "Capture=" + s.m_sCaptureFile, "USource=" + s.m_UnprotoSource.toText(),
            "UDest=" + s.m_UnprotoDest.toText(), "UDigis=" + s.m_UnprotoDigis.toText(),
            "Beacon=" + n(s.m_bBeaconEnable), "Interval=" + n(s.m_iBeaconInterval),
            "Text=" + s.m_sBeaconText, "BSource=" + s.m_BeaconSource.toText(),
            "BDest=" + s.m_BeaconDest.toText(), "BDigis=" + s.m_BeaconDigis.toText(),
            "Suppress=" + n(SuppressBroadcasts), "Gateway=" + GatewayOwnAddress.toText()};
    // clang-format on
}

// The values that differ from `a`, as "name=value; ...".
std::string changes(const std::vector<std::string>& a, const Settings& now) {
    const std::vector<std::string> b = dump(now);
    std::string text;
    for (std::size_t i = 0; i < a.size(); ++i) {
        text += a[i] == b[i] ? "" : (text.empty() ? "" : "; ") + b[i];
    }
    return text;
}

// OK with the given control states, the rest as the dialog opens: "" or "<index>:<message>".
std::string pressOk(DialogDescription dialog, std::vector<FieldState> states = {}) {
    for (std::size_t i = states.size(); i < dialog.fields.size(); ++i) {
        states.push_back(FieldToControl(dialog.fields[i]));
    }
    const auto failure = ExchangeFromControls(dialog.fields, states);
    return failure ? std::to_string(failure->fieldIndex) + ":" + failure->message : "";
}

// Differs from the defaults in every value a dialog edits, so a stray copy shows.
Settings someSettings() {
    Settings s;
    s.m_bFullDup = 1, s.m_iPersist = 100, s.m_iSlottime = 20, s.m_iTxDelay = 300;
    s.m_iTxTail = 30, s.m_sInitTncText = "^027@K^013", s.m_sExitTncText = "^192^255^192 ";
    s.m_iAirBaudrate = 9600;
    s.m_bMonitorHeaders = s.m_bMonitorSABM = s.m_bMonitorUI = s.m_bMonitorRR = s.m_bMonitorI = 0;
    s.m_bBeaconEnable = 1, s.m_iBeaconInterval = 60, s.m_sBeaconText = "Gateway on 438.300";
    s.m_UnprotoSource.parse("N0CALL-15"), s.m_UnprotoDest.parse("QST");
    s.m_UnprotoDigis.parse("RELAY WIDE2-2"), s.m_BeaconSource.parse("DB0ABC-1");
    s.m_BeaconDest.parse("BEACON"), s.m_BeaconDigis.parse("WIDE1-1");
    return s;
}

TEST(SettingsDialogs, ListTheirFieldsInExchangeOrderAndTakeBackOnlyTheirOwnSettings) {
    // Fields as "<kind><id> <label>[ min..max][ ^]", ^ for upper case as typed.
    // clang-format off
    const struct {
        DialogDescription (*dialog)(DialogCopy&);
        void (*take)(Settings&, const DialogCopy&);
        std::string_view caption, section;
        std::vector<std::string> fields;
        std::vector<FieldState> typed;
        std::string_view changed;
    } rows[] = {
        {TcpIpDialog, [](Settings&, const DialogCopy& copy) { TakeTcpIp(copy); },
         "TCP/IP settings", "TcpIp dialog", {"N1018 Suppress broadcasts", "S1003 Callsign for TCP/IP ^"},
         {{.checked = true}, {"db0gw-3"}}, "Suppress=1; Gateway=DB0GW-3"},
        {KissTncDialog, TakeKissTnc, "KISS TNC settings", "TNC dialog",
         {"N1012 Full duplex", "I1006 Persist 0..255", "I1007 SlotTime, ms 0..2550",
          "I1004 TxDelay, ms 0..2550", "I1005 TxTail, ms 0..2550", "T1010 Init command", "T1011 Exit command",
          "I1014 Radio bit rate, bit/s (0: off) 0..1000000"},
         {{.checked = false}, {"1"}, {"2"}, {"3"}, {"4"}, {"INIT^013"}, {"EXIT"}, {"1200"}},
         "FullDup=0; Persist=1; SlotTime=2; TxDelay=3; TxTail=4; Init=INIT^013; Exit=EXIT; Air=1200"},
        {MonitorDialog, TakeMonitor, "Monitor settings", "Monitor dialog",
         {"N1012 Show headers of IP/ARP packets", "N1009 SABM,DISC,UA,DM,FRMR", "N1010 UI",
          "N1011 RR,RNR,REJ", "N1014 I", "T1015 Capture file for Wireshark (pcapng)"},
         {{.checked = true}, {}, {.checked = true}, {}, {.checked = true}, {"air.pcapng"}},
         "Headers=1; UI=1; I=1; Capture=air.pcapng"},
        {UnprotoDialog, TakeUnproto, "Unproto settings", "Unproto dialog",
         {"S1015 Source call ^", "S1016 Dest call ^", "L1017 Digis ^"},
         {{"src-1"}, {"dst-2"}, {"c b a"}}, "USource=SRC-1; UDest=DST-2; UDigis=C B A"},
        {BeaconDialog, TakeBeacon, "Beacon settings", "Beacon dialog",
         {"N1008 Enable beacon", "I1004 Interval, s 3..1000 ^", "T1007 Text", "S1015 Source call ^",
          "S1016 Dest call ^", "L1017 Digis ^"},
         {{.checked = false}, {"600"}, {"hello"}, {"bsrc"}, {"bdst-15"}, {""}},
         "Beacon=0; Interval=600; Text=hello; BSource=BSRC; BDest=BDST-15; BDigis="}};
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        GatewayOwnAddress.parse("N0CALL-7");
        SuppressBroadcasts = 0;
        Settings settings = someSettings();
        const std::vector<std::string> before = dump(settings);
        DialogCopy unchanged = MakeDialogCopy(settings);
        DialogDescription dialog = row.dialog(unchanged);
        EXPECT_EQ(dialog.caption, row.caption);
        EXPECT_EQ(dialog.section, row.section);
        std::vector<std::string> fields;
        for (const DialogField& f : dialog.fields) {
            std::string text = std::string(1, "NITSL"[static_cast<int>(f.kind)]) +
                               std::to_string(f.controlId) + " " + std::string(f.label);
            if (f.kind == FieldKind::Integer) {
                text += " " + std::to_string(f.minimum) + ".." + std::to_string(f.maximum);
            }
            fields.push_back(f.upperCaseAsTyped ? text + " ^" : text);
            // A language file translates the label only if it is listed.
            EXPECT_TRUE(std::ranges::any_of(kUiTexts, [&](const UiText& text) {
                return text.section == dialog.section && text.english == f.label;
            })) << f.label;
        }
        EXPECT_EQ(fields, row.fields);
        ASSERT_EQ(pressOk(dialog), "");  // OK as the dialog opens changes nothing
        row.take(settings, unchanged);
        EXPECT_EQ(changes(before, settings), "");
        DialogCopy copy = MakeDialogCopy(Settings{});
        ASSERT_EQ(pressOk(row.dialog(copy), row.typed), "");
        EXPECT_EQ(changes(before, settings), "");  // what Cancel would leave
        row.take(settings, copy);
        EXPECT_EQ(changes(before, settings), row.changed);
    }
}

TEST(SettingsDialogs, FirstRefusalInExchangeOrderWinsAndOnlyEarlierFieldsAreTaken) {
    const Settings before = someSettings();
    DialogCopy copy = MakeDialogCopy(before);
    // Full duplex, Persist, SlotTime, TxDelay (refused too, but later), TxTail, Init.
    EXPECT_EQ(pressOk(KissTncDialog(copy),
                      {{.checked = false}, {"256"}, {"20"}, {"2551"}, {"30"}, {"changed"}}),
              "1:Please enter an integer between 0 and 255.");
    EXPECT_EQ(copy.settings.m_bFullDup, 0);
    EXPECT_EQ(copy.settings.m_iPersist, before.m_iPersist);
    EXPECT_EQ(copy.settings.m_sInitTncText, before.m_sInitTncText);
    // The radio's bit rate is not a KISS time: 0 (off) up to a million.
    EXPECT_EQ(pressOk(KissTncDialog(copy), {{}, {"1"}, {"2"}, {"3"}, {"4"}, {""}, {""}, {"-1"}}),
              "7:Please enter an integer between 0 and 1000000.");
}

}  // namespace
}  // namespace korvale
