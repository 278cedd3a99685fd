// Language files: INI-style text files of `"English"="translation"` lines
// under section headers, read into a LanguageTable.
//
// Language files are Windows-1252, as they are exchanged between users; one
// that begins with the UTF-8 byte-order mark is read as UTF-8 and converted.
// Files of any size are read; what lies beyond the list limits below is
// skipped. Loading never fails visibly: a missing, unreadable or binary file,
// a section without entries and a malformed line all add nothing.
// Runs on the main thread at start-up, before any window exists.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "lang/language_table.h"

namespace korvale {

// The section names are read as one list of at most this many characters
// (each name and its NUL, then a closing NUL); what lies beyond is not loaded.
inline constexpr std::size_t kLanguageSectionNamesListSize = 9999;
// The same for the entry lines of one section.
inline constexpr std::size_t kLanguageSectionLinesListSize = 31999;
inline constexpr std::string_view kLanguageFileExtension = ".lng";

struct LanguageEntry {
    std::string key;
    std::string text;
};

// Takes one entry line apart at its first `"="`: the key is what comes
// before, with leading blanks and then its first character (the opening
// quote) dropped; the text is what comes after, with trailing blanks and
// then its last character (the closing quote) dropped; both are decoded.
// Nothing for a line without `"="`.
std::optional<LanguageEntry> SplitLanguageLine(std::string_view line);

// Five passes, in this order, each replacing left to right without looking
// again at what it put in: \r, \n, \t, then \\ to one backslash, then \" to
// a double quote.
std::string DecodeLanguageEscapes(std::string_view text);

// Adds every entry of the file to table, section by section and line by line
// in file order. A path with neither '/' nor '\' names a file in
// programDirectory.
void LoadLanguageFile(LanguageTable& table, std::string_view path,
                      std::string_view programDirectory);

// The same into TheLanguageTable(), looking bare names up in ProgramDirectory.
void LoadLanguageFile(std::string_view path);

}  // namespace korvale
