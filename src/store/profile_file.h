// Private-profile access to an INI file by path: the reads and writes the
// settings store and the language files are built on.
//
// Every call reads the file afresh; a write reads the file, changes one entry
// (see ProfileDocument for the line rules) and replaces the whole file through
// a new file renamed over the old one, so a crash or a full disk never leaves
// a torn file. A missing file reads as empty and is created by the first
// write. A file that exists but cannot be read, or is larger than
// kMaxProfileFileSize, reads as empty and is never written over. Nothing
// throws. Callers serialise access to one file (the program does all of it on
// its main thread).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile_document.h"

namespace korvale {

// Largest file read: far beyond any settings or language file, small enough
// that a stray multi-gigabyte file cannot stall the start-up.
inline constexpr std::size_t kMaxProfileFileSize = 1024 * 1024;
// A text read holds at most this many characters (a buffer of 4096 with its
// terminator); longer values are cut.
inline constexpr std::size_t kProfileTextMaxLength = 4095;

// The leading optional minus and decimal digits of a value; an empty value
// gives defaultValue, a value with no leading digits 0. Values beyond the
// 32-bit range are held at its nearest end.
int ParseProfileInt(std::string_view value, int defaultValue);

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue);

// The value with blanks at both ends dropped, cut to kProfileTextMaxLength;
// defaultValue (also cut) when the section or key is missing.
std::string ReadProfileText(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view defaultValue);

// The stored value, or nothing when the key is missing: lets a caller tell a
// missing key from one that holds the default.
std::optional<std::string> FindProfileText(const std::string& path, std::string_view section,
                                           std::string_view key);

// False when the file could not be written or the value cannot be stored
// (see ProfileDocument::setValue); the file is then unchanged.
bool WriteProfileText(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value);
bool WriteProfileInt(const std::string& path, std::string_view section, std::string_view key,
                     int value);

// The whole file parsed once, for callers that make many reads (the language
// loader); nothing when the file is missing, unreadable or too large.
std::optional<ProfileDocument> LoadProfileDocument(const std::string& path);

// Section names in file order, and the entry lines of one section, bounded as
// lists of listSize characters (see ProfileDocument).
std::vector<std::string> ReadProfileSectionNames(const std::string& path, std::size_t listSize);
std::vector<std::string> ReadProfileSection(const std::string& path, std::string_view section,
                                            std::size_t listSize);

}  // namespace korvale
