// Private-profile access to an INI file by path: the reads and writes the
// settings store and the language files are built on.
//
// Every call reads the file afresh, line by line (see ProfileDocument for the
// line rules), so files of any size are read in bounded memory: what lies
// beyond the limits of a read (a value's kProfileTextMaxLength, a list's
// size, a line's kProfileLineMaxLength) is skipped, not the file. A write
// reads the file, changes one entry and replaces the whole file through a new
// file renamed over the old one, so a crash or a full disk never leaves a torn
// file. A missing file reads as empty and is created by the first write. A
// file that exists but cannot be read reads as empty; it, and a file larger
// than kMaxProfileFileSize, is never written over. Nothing throws. Callers
// serialise access to one file (the program does all of it on its main
// thread).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/profile_document.h"

namespace korvale {

// Largest file a write edits (in memory, whole): far beyond any settings
// file; a larger one is read but left as it is.
inline constexpr std::size_t kMaxProfileFileSize = 64 * 1024 * 1024;
// Bytes of a line that are read; the rest of a longer line is skipped.
inline constexpr std::size_t kProfileLineMaxLength = 64 * 1024;
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

// One line of a file as ScanProfileFile hands it on: its content without the
// line ending (cut to kProfileLineMaxLength) and, for a header, its name.
struct ProfileLine {
    ProfileLineKind kind = ProfileLineKind::kBlank;
    std::string_view content;
    std::string_view headerName;
};

// Hands each line of the file to visit, in file order, until the file ends or
// visit returns false. A UTF-8 byte-order mark at the start is no part of the
// first line; byteOrderMark (when given) tells whether there was one. Returns
// false when the file is missing or cannot be read.
bool ScanProfileFile(const std::string& path, const std::function<bool(const ProfileLine&)>& visit,
                     bool* byteOrderMark = nullptr);

// Section names in file order, and the entry lines of one section, bounded as
// lists of listSize characters (see ProfileDocument).
std::vector<std::string> ReadProfileSectionNames(const std::string& path, std::size_t listSize);
std::vector<std::string> ReadProfileSection(const std::string& path, std::string_view section,
                                            std::size_t listSize);

}  // namespace korvale
