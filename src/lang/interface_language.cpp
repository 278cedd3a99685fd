#include "lang/interface_language.h"

#include "lang/language_file.h"
#include "store/profile_file.h"
#include "store/program_directory.h"
#include "store/settings.h"

namespace korvale {

namespace {

constexpr std::string_view kSectionMisc = "Misc";
constexpr std::string_view kKeyLanguage = "Language";

}  // namespace

void LoadInterfaceLanguage(const std::string& iniPath) {
    CurrentLanguage = ReadProfileText(iniPath, kSectionMisc, kKeyLanguage, kDefaultLanguage);
    if (CurrentLanguage != kDefaultLanguage) {
        LoadLanguageFile(CurrentLanguage + std::string(kLanguageFileExtension));
    }
}

bool StoreInterfaceLanguage(const std::string& iniPath) {
    const std::optional<std::string> stored = FindProfileText(iniPath, kSectionMisc, kKeyLanguage);
    if (stored && *stored == CurrentLanguage) {
        return true;
    }
    return WriteProfileText(iniPath, kSectionMisc, kKeyLanguage, CurrentLanguage);
}

}  // namespace korvale
