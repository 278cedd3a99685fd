#include "dialogs/settings_dialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gateway/gateway_globals.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

// Every row's value as the file would keep it.
std::vector<std::string> fileTexts(const SettingsPlaces& places) {
    std::vector<std::string> texts;
    for (const SettingRow& row : SettingsTable()) {
        texts.push_back(SettingFileText(row, places));
    }
    return texts;
}

// A value for the field unlike the one it shows.
FieldState changed(DialogField& field) {
    FieldState state = FieldToControl(field);
    switch (field.kind) {
        case FieldKind::CheckBox:
            return {.checked = !state.checked};
        case FieldKind::Integer:
            return {
                std::to_string(*field.integer == field.minimum ? field.maximum : field.minimum)};
        case FieldKind::Callsign:
            return {state.text == "KV9Z-9" ? "kv9y" : "kv9z-9"};
        case FieldKind::CallList:
            return {state.text == "A1 B2 " ? "c3" : "a1 b2"};
        default:
            return {state.text + "\xE9"};
    }
}

// OK with the given control states, the rest as the dialog opens: "" or "<index>:<message>".
std::string pressOk(DialogDescription dialog, std::vector<FieldState> states = {}) {
    for (std::size_t i = states.size(); i < dialog.fields.size(); ++i) {
        states.push_back(FieldToControl(dialog.fields[i]));
    }
    const auto failure = ExchangeFromControls(dialog.fields, states);
    return failure ? std::to_string(failure->fieldIndex) + ":" + failure->message : "";
}

TEST(SettingsDialogs, OkTakesBackTheSettingsOfTheDialogsFieldsAndNothingElse) {
    for (const auto dialog :
         {TcpIpDialog, KissTncDialog, MonitorDialog, UnprotoDialog, BeaconDialog}) {
        Settings settings;  // as a first run loads them
        LoadSettings(settings, "/nonexistent/korvale.ini");
        SettingsPlaces live = LivePlaces(&settings);
        live.language = nullptr;  // chosen in a dialog of its own
        DialogCopy copy = MakeDialogCopy(settings);
        EXPECT_EQ(fileTexts(copy.places()), fileTexts(live));
        DialogDescription description = dialog(copy);
        SCOPED_TRACE(description.caption);
        ASSERT_EQ(pressOk(description), "");  // OK as the dialog opens changes nothing
        EXPECT_EQ(fileTexts(copy.places()), fileTexts(live));
        std::vector<FieldState> typed;
        for (DialogField& field : description.fields) {
            typed.push_back(changed(field));
            // A language file translates the label only if it is listed.
            EXPECT_TRUE(std::ranges::any_of(kUiTexts, [&](const UiText& text) {
                return text.section == description.section && text.english == field.label;
            })) << field.label;
        }
        const std::vector<std::string> opened = fileTexts(copy.places());
        ASSERT_EQ(pressOk(description, typed), "");
        const std::vector<std::string> edited = fileTexts(copy.places());
        for (const SettingRow& row : SettingsTable()) {  // as the program may meanwhile
            const SettingValue value = row.place(live);
            if (int* const* number = std::get_if<int*>(&value)) {
                ++**number;
            } else if (std::string* const* text = std::get_if<std::string*>(&value)) {
                **text += '~';
            } else if (Ax25Address* const* address = std::get_if<Ax25Address*>(&value)) {
                (*address)->ssid = static_cast<std::uint8_t>(((*address)->ssid + 1) % 16);
            } else if (AddressList* const* list = std::get_if<AddressList*>(&value)) {
                (*list)->parse("Z9");
            }
        }
        const std::vector<std::string> meanwhile = fileTexts(live);
        TakeDialog(dialog, copy, live);
        const std::vector<std::string> taken = fileTexts(live);
        std::size_t edits = 0;
        for (std::size_t i = 0; i < taken.size(); ++i) {
            const bool edit = edited[i] != opened[i];
            edits += edit ? 1 : 0;
            EXPECT_EQ(taken[i], edit ? edited[i] : meanwhile[i]) << SettingsTable()[i].key;
        }
        EXPECT_EQ(edits, description.fields.size()) << "each field edits a setting of its own";
    }
}

TEST(SettingsDialogs, FirstRefusalInExchangeOrderWinsOnlyEarlierFieldsAreTakenRadioRateToAMillion) {
    Settings before;
    before.m_bFullDup = 1, before.m_sInitTncText = "^027@K^013";
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
