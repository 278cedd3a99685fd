// The five settings dialogs: their fields in exchange order, which refusal
// the user sees first, and which settings OK hands back.
#include "dialogs/settings_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gateway/gateway_globals.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

using DialogFactory = DialogDescription (*)(DialogCopy&);
using TakeFunction = void (*)(Settings&, const DialogCopy&);

// One field as "<kind><id> <label>[ min..max][ ^]", ^ for upper case as typed.
std::string summary(const DialogField& field) {
    std::string text = std::string(1, "NITSL"[static_cast<int>(field.kind)]) +
                       std::to_string(field.controlId) + " " + std::string(field.label);
    if (field.kind == FieldKind::Integer) {
        text += " " + std::to_string(field.minimum) + ".." + std::to_string(field.maximum);
    }
    return field.upperCaseAsTyped ? text + " ^" : text;
}

// Every setting a dialog edits, so that one comparison shows any stray copy.
std::string dump(const Settings& s) {
    std::string text;
    for (int value : {s.m_bFullDup, s.m_iPersist, s.m_iSlottime, s.m_iTxDelay, s.m_iTxTail,
                      s.m_bMonitorHeaders, s.m_bMonitorSABM, s.m_bMonitorUI, s.m_bMonitorRR,
                      s.m_bMonitorI, s.m_bBeaconEnable, s.m_iBeaconInterval}) {
        text += std::to_string(value) + ",";
    }
    for (const Ax25Address* call :
         {&s.m_UnprotoSource, &s.m_UnprotoDest, &s.m_BeaconSource, &s.m_BeaconDest}) {
        text += call->toText() + ",";
    }
    return text + s.m_sInitTncText + "," + s.m_sExitTncText + "," + s.m_sBeaconText + "," +
           s.m_UnprotoDigis.toText() + "," + s.m_BeaconDigis.toText();
}

// The refused field's index and message, or (-1, "") when OK went through.
std::pair<int, std::string> refusal(const DialogDescription& dialog,
                                    const std::vector<FieldState>& states) {
    const auto failure = ExchangeFromControls(dialog.fields, states);
    return failure ? std::pair(static_cast<int>(failure->fieldIndex), failure->message)
                   : std::pair(-1, std::string());
}

std::vector<FieldState> controlsOf(DialogDescription& dialog) {
    std::vector<FieldState> states;
    for (DialogField& field : dialog.fields) {
        states.push_back(FieldToControl(field));
    }
    return states;
}

// Settings that differ from the defaults in every value a dialog edits.
Settings someSettings() {
    Settings s;
    s.m_bFullDup = 1, s.m_iPersist = 100, s.m_iSlottime = 20, s.m_iTxDelay = 300;
    s.m_iTxTail = 30, s.m_sInitTncText = "^027@K^013", s.m_sExitTncText = "^192^255^192 ";
    s.m_bMonitorHeaders = 0, s.m_bMonitorSABM = 0, s.m_bMonitorUI = 0, s.m_bMonitorRR = 0;
    s.m_bMonitorI = 0, s.m_bBeaconEnable = 1, s.m_iBeaconInterval = 60;
    s.m_UnprotoSource.parse("N0CALL-15");
    s.m_UnprotoDest.parse("QST");
    s.m_UnprotoDigis.parse("RELAY WIDE2-2");
    s.m_BeaconSource.parse("DB0ABC-1");
    s.m_BeaconDest.parse("BEACON");
    s.m_BeaconDigis.parse("WIDE1-1");
    s.m_sBeaconText = "Gateway on 438.300";
    return s;
}

TEST(SettingsDialogs, ListTheirFieldsInExchangeOrder) {
    // clang-format off
    const struct {
        DialogFactory dialog;
        std::string_view caption, section;
        std::vector<std::string> fields;
    } rows[] = {
        {TcpIpDialog, "TCP/IP settings", "TcpIp dialog",
         {"N1018 Suppress broadcasts", "S1003 Callsign for TCP/IP ^"}},
        {KissTncDialog, "KISS TNC settings", "TNC dialog",
         {"N1012 Full duplex", "I1006 Persist 0..255", "I1007 SlotTime, ms 0..2550",
          "I1004 TxDelay, ms 0..2550", "I1005 TxTail, ms 0..2550", "T1010 Init command",
          "T1011 Exit command"}},
        {MonitorDialog, "Monitor settings", "Monitor dialog",
         {"N1012 Show headers of IP/ARP packets", "N1009 SABM,DISC,UA,DM,FRMR", "N1010 UI",
          "N1011 RR,RNR,REJ", "N1014 I"}},
        {UnprotoDialog, "Unproto settings", "Unproto dialog",
         {"S1015 Source call ^", "S1016 Dest call ^", "L1017 Digis ^"}},
        {BeaconDialog, "Beacon settings", "Beacon dialog",
         {"N1008 Enable beacon", "I1004 Interval, s 3..1000 ^", "T1007 Text",
          "S1015 Source call ^", "S1016 Dest call ^", "L1017 Digis ^"}}};
    // clang-format on
    for (const auto& row : rows) {
        SCOPED_TRACE(row.caption);
        DialogCopy copy;
        const DialogDescription dialog = row.dialog(copy);
        EXPECT_EQ(dialog.caption, row.caption);
        EXPECT_EQ(dialog.section, row.section);
        std::vector<std::string> fields;
        for (const DialogField& field : dialog.fields) {
            fields.push_back(summary(field));
            // A language file translates the label only if it is listed.
            EXPECT_TRUE(std::ranges::any_of(kUiTexts, [&](const UiText& text) {
                return text.section == dialog.section && text.english == field.label;
            })) << field.label;
        }
        EXPECT_EQ(fields, row.fields);
    }
}

TEST(SettingsDialogs, OkTakesBackOnlyTheDialogsOwnSettings) {
    // The values typed, and the settings they must become. The copy starts
    // from the defaults and the target differs from them in every value, so
    // a setting copied by the wrong dialog shows.
    // clang-format off
    const struct {
        DialogFactory dialog;
        TakeFunction take;
        std::vector<FieldState> typed;
        std::function<void(Settings&)> expected;
    } rows[] = {
        {KissTncDialog, TakeKissTnc,
         {{.checked = false}, {"1"}, {"2"}, {"3"}, {"4"}, {"INIT^013"}, {"EXIT"}},
         [](Settings& s) {
             s.m_bFullDup = 0, s.m_iPersist = 1, s.m_iSlottime = 2, s.m_iTxDelay = 3;
             s.m_iTxTail = 4, s.m_sInitTncText = "INIT^013", s.m_sExitTncText = "EXIT";
         }},
        {MonitorDialog, TakeMonitor,
         {{.checked = true}, {}, {.checked = true}, {}, {.checked = true}},
         [](Settings& s) {
             s.m_bMonitorHeaders = 1, s.m_bMonitorSABM = 0, s.m_bMonitorUI = 1;
             s.m_bMonitorRR = 0, s.m_bMonitorI = 1;
         }},
        {UnprotoDialog, TakeUnproto, {{"src-1"}, {"dst-2"}, {"c b a"}},
         [](Settings& s) {
             s.m_UnprotoSource.parse("SRC-1"), s.m_UnprotoDest.parse("DST-2");
             s.m_UnprotoDigis.parse("C B A");
         }},
        {BeaconDialog, TakeBeacon,
         {{.checked = false}, {"600"}, {"hello"}, {"bsrc"}, {"bdst-15"}, {""}},
         [](Settings& s) {
             s.m_bBeaconEnable = 0, s.m_iBeaconInterval = 600, s.m_sBeaconText = "hello";
             s.m_BeaconSource.parse("BSRC"), s.m_BeaconDest.parse("BDST-15");
             s.m_BeaconDigis.clear();
         }}};
    // clang-format on
    for (const auto& row : rows) {
        DialogCopy copy = MakeDialogCopy(Settings{});
        DialogDescription dialog = row.dialog(copy);
        SCOPED_TRACE(dialog.caption);
        ASSERT_EQ(refusal(dialog, row.typed), std::pair(-1, std::string()));
        Settings target = someSettings();
        Settings expected = someSettings();
        row.take(target, copy);
        row.expected(expected);
        EXPECT_EQ(dump(target), dump(expected));
    }
}

TEST(SettingsDialogs, OkWithoutChangesLeavesEverySettingAsItWas) {
    const Settings before = someSettings();
    const std::pair<DialogFactory, TakeFunction> dialogs[] = {{KissTncDialog, TakeKissTnc},
                                                              {MonitorDialog, TakeMonitor},
                                                              {UnprotoDialog, TakeUnproto},
                                                              {BeaconDialog, TakeBeacon}};
    for (const auto& [makeDialog, take] : dialogs) {
        DialogCopy copy = MakeDialogCopy(before);
        DialogDescription dialog = makeDialog(copy);
        SCOPED_TRACE(dialog.caption);
        const std::vector<FieldState> states = controlsOf(dialog);
        ASSERT_EQ(refusal(dialog, states), std::pair(-1, std::string()));
        Settings after = before;
        take(after, copy);
        EXPECT_EQ(dump(after), dump(before));
    }
}

TEST(SettingsDialogs, TcpIpDialogEditsTheGatewayValuesOnlyOnOk) {
    GatewayOwnAddress.parse("N0CALL-7");
    SuppressBroadcasts = 1;
    DialogCopy copy = MakeDialogCopy(Settings{});
    DialogDescription dialog = TcpIpDialog(copy);
    std::vector<FieldState> states = controlsOf(dialog);
    EXPECT_TRUE(states[0].checked);
    EXPECT_EQ(states[1].text, "N0CALL-7");
    ASSERT_EQ(refusal(dialog, {{}, {"db0gw-3"}}), std::pair(-1, std::string()));
    EXPECT_EQ(GatewayOwnAddress.toText(), "N0CALL-7");  // Cancel would leave it here
    TakeTcpIp(copy);
    EXPECT_EQ(GatewayOwnAddress.toText(), "DB0GW-3");
    EXPECT_EQ(SuppressBroadcasts, 0);
}

TEST(SettingsDialogs, FirstRefusalInExchangeOrderWinsAndEarlierFieldsAreTaken) {
    const Settings before = someSettings();
    DialogCopy kiss = MakeDialogCopy(before);
    DialogDescription kissDialog = KissTncDialog(kiss);
    std::vector<FieldState> states = controlsOf(kissDialog);
    states[0].checked = false;  // Full duplex
    states[1].text = "256";     // Persist
    states[3].text = "2551";    // TxDelay
    EXPECT_EQ(refusal(kissDialog, states),
              std::pair(1, std::string("Please enter an integer between 0 and 255.")));
    EXPECT_EQ(kiss.settings.m_bFullDup, 0);
    EXPECT_EQ(kiss.settings.m_iPersist, before.m_iPersist);

    DialogCopy beacon = MakeDialogCopy(before);
    DialogDescription beaconDialog = BeaconDialog(beacon);
    states = controlsOf(beaconDialog);
    states[0].checked = false;   // Enable beacon
    states[1].text = "2";        // Interval
    states[2].text = "changed";  // Text, after the refusal
    states[3].text = "BAD CALL";
    EXPECT_EQ(refusal(beaconDialog, states),
              std::pair(1, std::string("Please enter an integer between 3 and 1000.")));
    EXPECT_EQ(beacon.settings.m_bBeaconEnable, 0);
    EXPECT_EQ(beacon.settings.m_sBeaconText, before.m_sBeaconText);
}

}  // namespace
}  // namespace korvale
