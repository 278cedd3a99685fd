// The interface language setting at start and at exit: the rows of the
// settings table (store/settings_table.h) read before any window exists.
// Main thread only. The name is the language file's name and is kept byte
// for byte as the file system spells it (UTF-8 on Linux), without the
// conversion the other texts of the settings file undergo.
#pragma once

#include <string>
#include <string_view>

namespace korvale {

// The language of the program's own texts, which needs no file.
inline constexpr std::string_view kBuiltInLanguage = "English";

// Reads the language name into CurrentLanguage and, unless it is exactly
// "English" (case-sensitive), loads "<name>.lng" from ProgramDirectory into
// TheLanguageTable(). A missing or unusable file leaves the texts English.
void LoadInterfaceLanguage(const std::string& iniPath);

// Writes CurrentLanguage when the file holds another name or none. Returns
// false when the write failed.
bool StoreInterfaceLanguage(const std::string& iniPath);

}  // namespace korvale
