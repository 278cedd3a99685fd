// The interface language setting ("Misc" / "Language") at start and at exit.
// Main thread only; the load runs before any window exists. The name is the
// language file's name and is kept byte for byte as the file system spells
// it (UTF-8 on Linux), without the conversion the other texts of the
// settings file undergo.
#pragma once

#include <string>

namespace korvale {

// Reads the language name into CurrentLanguage and, unless it is exactly
// "English" (case-sensitive), loads "<name>.lng" from ProgramDirectory into
// TheLanguageTable(). A missing or unusable file leaves the texts English.
void LoadInterfaceLanguage(const std::string& iniPath);

// Writes CurrentLanguage when the file holds another name or none. Returns
// false when the write failed.
bool StoreInterfaceLanguage(const std::string& iniPath);

}  // namespace korvale
