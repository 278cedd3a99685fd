#include "store/profile_document.h"

#include <algorithm>

namespace korvale {

namespace {

constexpr char kCommentMark = ';';
constexpr char kHeaderOpen = '[';
constexpr char kHeaderClose = ']';
constexpr char kKeySeparator = '=';
constexpr std::string_view kUnixLineEnding = "\n";
constexpr std::string_view kDosLineEnding = "\r\n";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char FoldCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

bool HasLineBreakOrNul(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

bool FitsInProfileList(std::size_t used, std::size_t entryLength, std::size_t listSize) {
    // The closing NUL of the list must fit too.
    return used + entryLength + 2 <= listSize;
}

ProfileLineKind ClassifyProfileLine(std::string_view content, std::string_view& headerName) {
    const std::string_view body = TrimLeft(content);
    const std::size_t close = body.find(kHeaderClose);
    if (body.empty()) {
        return ProfileLineKind::kBlank;
    }
    if (body.front() == kCommentMark) {
        return ProfileLineKind::kComment;
    }
    if (body.front() == kHeaderOpen && close != std::string_view::npos) {
        headerName = body.substr(1, close - 1);
        return ProfileLineKind::kHeader;
    }
    return ProfileLineKind::kEntry;
}

std::string_view TrimBlanks(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string FoldAsciiCase(std::string_view text) {
    std::string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
    return folded;
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

ProfileDocument::ProfileDocument(std::string text) : text_(std::move(text)) {
    parse();
}

void ProfileDocument::parse() {
    lines_.clear();
    blocks_.clear();
    blocksByName_.clear();
    std::size_t position = text_.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
    int block = -1;
    while (position < text_.size()) {
        Line line;
        line.begin = position;
        const std::size_t newline = text_.find('\n', position);
        line.end = newline == std::string::npos ? text_.size() : newline + 1;
        line.contentEnd = newline == std::string::npos ? text_.size() : newline;
        if (line.contentEnd > line.begin && text_[line.contentEnd - 1] == '\r') {
            --line.contentEnd;
        }
        position = line.end;

        std::string_view name;
        line.kind = ClassifyProfileLine(content(line), name);
        if (line.kind == LineKind::kHeader) {
            if (block >= 0) {
                blocks_[static_cast<std::size_t>(block)].endLine = lines_.size();
            }
            block = static_cast<int>(blocks_.size());
            Block entry{std::string(name), lines_.size(), 0};
            blocksByName_[FoldAsciiCase(entry.name)].push_back(blocks_.size());
            blocks_.push_back(std::move(entry));
        }
        line.block = block;
        lines_.push_back(line);
    }
    if (block >= 0) {
        blocks_[static_cast<std::size_t>(block)].endLine = lines_.size();
    }
}

std::string_view ProfileDocument::content(const Line& line) const {
    return std::string_view(text_).substr(line.begin, line.contentEnd - line.begin);
}

std::vector<std::size_t> ProfileDocument::blocksNamed(std::string_view section) const {
    const auto found = blocksByName_.find(FoldAsciiCase(section));
    return found == blocksByName_.end() ? std::vector<std::size_t>{} : found->second;
}

std::vector<std::string> ProfileDocument::sectionNames(std::size_t listSize) const {
    std::vector<std::string> names;
    std::size_t used = 0;
    for (std::size_t index = 0; index < blocks_.size(); ++index) {
        const std::string& name = blocks_[index].name;
        if (blocksByName_.at(FoldAsciiCase(name)).front() != index) {
            continue;  // a later block of a section already listed
        }
        if (!FitsInProfileList(used, name.size(), listSize)) {
            break;
        }
        used += name.size() + 1;
        names.push_back(name);
    }
    return names;
}

std::vector<std::string> ProfileDocument::sectionLines(std::string_view section,
                                                       std::size_t listSize) const {
    std::vector<std::string> result;
    std::size_t used = 0;
    for (std::size_t index : entryLines(section)) {
        const std::string_view line = content(lines_[index]);
        // A line that does not fit whole is not handed out cut short: half a
        // line would be taken for a different entry.
        if (!FitsInProfileList(used, line.size(), listSize)) {
            break;
        }
        used += line.size() + 1;
        result.emplace_back(line);
    }
    return result;
}

std::optional<std::size_t> ProfileDocument::findEntryLine(std::string_view section,
                                                          std::string_view key) const {
    for (std::size_t index : entryLines(section)) {
        const std::string_view line = content(lines_[index]);
        const std::size_t separator = line.find(kKeySeparator);
        if (separator != std::string_view::npos &&
            EqualIgnoringCase(TrimBlanks(line.substr(0, separator)), key)) {
            return index;
        }
    }
    return std::nullopt;
}

std::vector<std::size_t> ProfileDocument::entryLines(std::string_view section) const {
    std::vector<std::size_t> indices;
    for (std::size_t block : blocksNamed(section)) {
        for (std::size_t index = blocks_[block].headerLine + 1; index < blocks_[block].endLine;
             ++index) {
            if (lines_[index].kind == LineKind::kEntry) {
                indices.push_back(index);
            }
        }
    }
    return indices;
}

std::optional<std::string_view> ProfileDocument::findValue(std::string_view section,
                                                           std::string_view key) const {
    const auto index = findEntryLine(section, key);
    if (!index) {
        return std::nullopt;
    }
    const std::string_view line = content(lines_[*index]);
    return TrimBlanks(line.substr(line.find(kKeySeparator) + 1));
}

void ProfileDocument::terminateLastLine(std::string_view ending) {
    if (text_.empty() || text_.back() == '\n') {
        return;
    }
    // A final bare CR already ended the line's content; only its LF is due.
    text_ += text_.back() == '\r' ? kUnixLineEnding : ending;
}

std::string ProfileDocument::lineEnding() const {
    const std::size_t newline = text_.find('\n');
    const bool dos = newline != std::string::npos && newline > 0 && text_[newline - 1] == '\r';
    return std::string(dos ? kDosLineEnding : kUnixLineEnding);
}

bool ProfileDocument::setValue(std::string_view section, std::string_view key,
                               std::string_view value) {
    if (HasLineBreakOrNul(section) || section.find(kHeaderClose) != std::string_view::npos ||
        HasLineBreakOrNul(key) || key.find(kKeySeparator) != std::string_view::npos ||
        key.empty() || TrimBlanks(key) != key || key.front() == kCommentMark ||
        key.front() == kHeaderOpen || HasLineBreakOrNul(value)) {
        return false;
    }
    const std::string ending = lineEnding();
    const std::string entry = std::string(key) + kKeySeparator + std::string(value);

    if (const auto index = findEntryLine(section, key)) {
        // Keep the key as written and the blanks after '='; only the value
        // changes, so a hand-edited layout survives.
        const Line& line = lines_[*index];
        const std::string_view body = content(line);
        std::size_t valueStart = body.find(kKeySeparator) + 1;
        while (valueStart < body.size() && (body[valueStart] == ' ' || body[valueStart] == '\t')) {
            ++valueStart;
        }
        text_.replace(line.begin + valueStart, body.size() - valueStart, value);
    } else if (const std::vector<std::size_t> blocks = blocksNamed(section); !blocks.empty()) {
        // After the section's last non-blank line, so that the blank line
        // that parts it from the next section stays where it is.
        const Block& block = blocks_[blocks.front()];
        std::size_t last = block.headerLine;
        for (std::size_t index = block.headerLine + 1; index < block.endLine; ++index) {
            if (lines_[index].kind != LineKind::kBlank) {
                last = index;
            }
        }
        std::size_t insertAt = lines_[last].end;
        if (insertAt == text_.size()) {
            terminateLastLine(ending);
            insertAt = text_.size();
        }
        text_.insert(insertAt, entry + ending);
    } else {
        terminateLastLine(ending);
        if (!lines_.empty() && lines_.back().kind != LineKind::kBlank) {
            text_ += ending;
        }
        text_ += kHeaderOpen + std::string(section) + kHeaderClose + ending + entry + ending;
    }
    parse();
    return true;
}

}  // namespace korvale
