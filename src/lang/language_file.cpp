#include "lang/language_file.h"

#include <array>
#include <unordered_map>
#include <utility>
#include <vector>

#include "store/code_pages.h"
#include "store/profile_file.h"
#include "store/program_directory.h"

namespace korvale {

namespace {

constexpr std::string_view kEntrySeparator = "\"=\"";

// The passes in the order the file format fixes: the letter escapes come
// before "\\", so "\\n" in a file yields a backslash and a line feed.
constexpr std::array<std::pair<std::string_view, std::string_view>, 5> kEscapePasses = {{
    {"\\r", "\r"},
    {"\\n", "\n"},
    {"\\t", "\t"},
    {"\\\\", "\\"},
    {"\\\"", "\""},
}};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    for (std::size_t found = text.find(from); found != std::string_view::npos;
         found = text.find(from, position)) {
        result.append(text.substr(position, found - position));
        result.append(to);
        position = found + from.size();
    }
    result.append(text.substr(position));
    return result;
}

}  // namespace

std::string DecodeLanguageEscapes(std::string_view text) {
    std::string decoded(text);
    for (const auto& [from, to] : kEscapePasses) {
        decoded = ReplaceAll(decoded, from, to);
    }
    return decoded;
}

std::optional<LanguageEntry> SplitLanguageLine(std::string_view line) {
    const std::size_t separator = line.find(kEntrySeparator);
    if (separator == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view key = line.substr(0, separator);
    std::string_view text = line.substr(separator + kEntrySeparator.size());
    // Whatever stands first in the key and last in the text is taken for the
    // quote that closes it, as the format says; only blanks outside are
    // dropped.
    while (!key.empty() && IsBlank(key.front())) {
        key.remove_prefix(1);
    }
    if (!key.empty()) {
        key.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    if (!text.empty()) {
        text.remove_suffix(1);
    }
    return LanguageEntry{DecodeLanguageEscapes(key), DecodeLanguageEscapes(text)};
}

void LoadLanguageFile(LanguageTable& table, std::string_view path,
                      std::string_view programDirectory) {
    std::string fullPath(path);
    if (path.find_first_of("/\\") == std::string_view::npos) {
        fullPath = std::string(programDirectory) + fullPath;
    }
    const std::vector<std::string> names =
        ReadProfileSectionNames(fullPath, kLanguageSectionNamesListSize);
    if (names.empty()) {
        return;
    }
    // One more pass gathers the entry lines of every listed section, each
    // section bounded as its own list: a line that does not fit ends it.
    struct Section {
        std::vector<std::string> lines;
        std::size_t used = 0;
        bool full = false;
    };
    std::vector<Section> sections(names.size());
    std::unordered_map<std::string, std::size_t> indexByName;
    for (std::size_t i = 0; i < names.size(); ++i) {
        indexByName.emplace(FoldAsciiCase(names[i]), i);
    }
    Section* current = nullptr;
    bool utf8 = false;
    const bool read = ScanProfileFile(
        fullPath,
        [&](const ProfileLine& line) {
            if (line.kind == ProfileLineKind::kHeader) {
                const auto found = indexByName.find(FoldAsciiCase(line.headerName));
                current = found == indexByName.end() ? nullptr : &sections[found->second];
            } else if (line.kind == ProfileLineKind::kEntry && current != nullptr &&
                       !current->full) {
                current->full = !FitsInProfileList(current->used, line.content.size(),
                                                   kLanguageSectionLinesListSize);
                if (!current->full) {
                    current->used += line.content.size() + 1;
                    current->lines.emplace_back(line.content);
                }
            }
            return true;
        },
        &utf8);
    if (!read) {
        return;
    }
    // A file that begins with the UTF-8 byte-order mark is UTF-8; the table
    // holds Windows-1252, as every other language file is written.
    const auto asAnsi = [utf8](const std::string& text) { return utf8 ? Utf8ToAnsi(text) : text; };
    for (std::size_t i = 0; i < names.size(); ++i) {
        for (const std::string& line : sections[i].lines) {
            if (std::optional<LanguageEntry> entry = SplitLanguageLine(asAnsi(line))) {
                table.addEntry(asAnsi(names[i]), std::move(entry->key), std::move(entry->text));
            }
        }
    }
}

void LoadLanguageFile(std::string_view path) {
    LoadLanguageFile(TheLanguageTable(), path, ProgramDirectory);
}

}  // namespace korvale
