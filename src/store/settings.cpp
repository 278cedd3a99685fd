#include "store/settings.h"

#include "store/settings_table.h"

namespace korvale {

namespace {

void loadRows(SettingTime time, Settings& settings, const std::string& iniPath) {
    const SettingsPlaces places = LivePlaces(&settings);
    for (const SettingRow& row : SettingsTable()) {
        if (row.time == time) {
            LoadSetting(row, places, iniPath);
        }
    }
}

}  // namespace

Settings::Settings() {
    const SettingsPlaces places{.settings = this};
    for (const SettingRow& row : SettingsTable()) {
        const SettingValue value = row.place(places);
        if (int* const* number = std::get_if<int*>(&value)) {
            **number = row.number;
        } else if (std::string* const* text = std::get_if<std::string*>(&value)) {
            **text = row.text;
        }
    }
}

std::string CallListText(const AddressList& list) {
    std::string text;
    for (const Ax25Address& address : list) {
        text += address.toText();
        text += ' ';
    }
    return text;
}

void LoadSettings(Settings& settings, const std::string& iniPath) {
    loadRows(SettingTime::WithRecord, settings, iniPath);
    loadRows(SettingTime::WithWindow, settings, iniPath);
}

void LoadWindowPlacement(Settings& settings, const std::string& iniPath, int minCx, int minCy) {
    settings.m_iCx = minCx;
    settings.m_iCy = minCy;
    loadRows(SettingTime::WithWindow, settings, iniPath);
}

bool SaveSettings(const Settings& settings, const std::string& iniPath) {
    Settings record = settings;  // the places are read only
    const SettingsPlaces places = LivePlaces(&record);
    bool saved = true;
    for (const SettingRow& row : SettingsTable()) {
        if (row.time != SettingTime::AtStart) {
            saved = SaveSetting(row, places, iniPath) && saved;
        }
    }
    return saved;
}

}  // namespace korvale
