#include "lang/interface_language.h"

#include "lang/language_file.h"
#include "store/program_directory.h"
#include "store/settings_table.h"

namespace korvale {

void LoadInterfaceLanguage(const std::string& iniPath) {
    for (const SettingRow& row : SettingsTable()) {
        if (row.time == SettingTime::AtStart) {
            LoadSetting(row, LivePlaces(), iniPath);
        }
    }
    if (CurrentLanguage != kBuiltInLanguage) {
        LoadLanguageFile(CurrentLanguage + std::string(kLanguageFileExtension));
    }
}

bool StoreInterfaceLanguage(const std::string& iniPath) {
    bool saved = true;
    for (const SettingRow& row : SettingsTable()) {
        if (row.time == SettingTime::AtStart) {
            saved = SaveSetting(row, LivePlaces(), iniPath) && saved;
        }
    }
    return saved;
}

}  // namespace korvale
