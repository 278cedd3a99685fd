// The text of one INI-style profile file, parsed for lookups and edited in
// memory, with the semantics the settings and the language files rely on.
//
// Lines are `[Section]` headers, `Key=Value` entries, blank lines and comment
// lines (first non-blank character ';'); lines before the first header belong
// to no section. A UTF-8 byte-order mark at the start of the text is no part
// of the first line (it is kept in the text). Section and key names match without regard to ASCII
// letter case. A section name that occurs more than once names one section made of all its blocks
// in file order. Bytes are kept as they stand: no character-set conversion, NUL and 8-bit bytes
// included. An edit changes only the line it replaces or adds; every other line keeps its bytes and
// its line ending. Not thread-safe; a document is a plain value.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace korvale {

inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

enum class ProfileLineKind { kBlank, kComment, kHeader, kEntry };

// The kind of one line (its content, without the line ending); for a header,
// headerName receives the name between '[' and the first ']'.
ProfileLineKind ClassifyProfileLine(std::string_view content, std::string_view& headerName);

// Whether one more entry of entryLength characters fits a list of
// NUL-terminated strings of which `used` characters are taken, the list's
// closing NUL included, in listSize characters.
bool FitsInProfileList(std::size_t used, std::size_t entryLength, std::size_t listSize);

class ProfileDocument {
  public:
    ProfileDocument() = default;
    explicit ProfileDocument(std::string text);

    const std::string& text() const { return text_; }

    // Distinct section names in order of first occurrence, spelt as first
    // written. listSize bounds the list as a buffer of NUL-terminated names
    // closed by a further NUL: names that do not fit whole are left out, as
    // is everything after them.
    std::vector<std::string> sectionNames(std::size_t listSize) const;

    // The entry lines of a section, exactly as written (without the line
    // ending), skipping blank and comment lines, bounded like sectionNames.
    std::vector<std::string> sectionLines(std::string_view section, std::size_t listSize) const;

    // The value of the first entry of the key in the section, with blanks at
    // both ends dropped; nothing when the section or key is missing.
    std::optional<std::string_view> findValue(std::string_view section, std::string_view key) const;

    // Replaces the value of the key in place, or adds the key at the end of
    // the section, or adds the section at the end of the text. Returns false,
    // with the text unchanged, for a name or value that cannot be stored
    // without changing the file's structure (line breaks, NUL, ']' in a
    // section name, '=' in a key, a key that is empty, has blanks at its
    // ends or starts with ';' or '[').
    bool setValue(std::string_view section, std::string_view key, std::string_view value);

  private:
    using LineKind = ProfileLineKind;
    struct Line {
        std::size_t begin = 0;       // first byte of the line
        std::size_t contentEnd = 0;  // one past the last byte before the line ending
        std::size_t end = 0;         // one past the line ending
        LineKind kind = LineKind::kBlank;
        int block = -1;  // header line's own block, or enclosing block
    };
    struct Block {
        std::string name;
        std::size_t headerLine = 0;
        std::size_t endLine = 0;  // the next header line, or the line count
    };

    void parse();
    std::string_view content(const Line& line) const;
    std::vector<std::size_t> blocksNamed(std::string_view section) const;
    // The entry lines of every block named `section`, in file order.
    std::vector<std::size_t> entryLines(std::string_view section) const;
    std::optional<std::size_t> findEntryLine(std::string_view section, std::string_view key) const;
    std::string lineEnding() const;
    void terminateLastLine(std::string_view ending);

    std::string text_;
    std::vector<Line> lines_;
    std::vector<Block> blocks_;
    // Blocks of each section by case-folded name, in file order, so that a
    // file of very many sections is still read in linear time.
    std::unordered_map<std::string, std::vector<std::size_t>> blocksByName_;
};

// Drops blanks (space, tab, CR, LF, VT, FF) at both ends.
std::string_view TrimBlanks(std::string_view text);

// ASCII letters compared without regard to case; other bytes exactly.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// The text with its ASCII letters in lower case: names that are equal
// ignoring case fold to the same text.
std::string FoldAsciiCase(std::string_view text);

}  // namespace korvale
