#include "store/profile_file.h"

#include <algorithm>
#include <climits>
#include <unordered_set>

#include "store/file_access.h"

namespace korvale {

namespace {

std::string CutToTextLimit(std::string_view text) {
    return std::string(text.substr(0, kProfileTextMaxLength));
}

}  // namespace

int ParseProfileInt(std::string_view value, int defaultValue) {
    value = TrimBlanks(value);
    if (value.empty()) {
        return defaultValue;
    }
    const bool negative = value.front() == '-';
    if (negative) {
        value.remove_prefix(1);
    }
    // Accumulated as a negative number, whose range reaches INT_MIN.
    long long magnitude = 0;
    for (char c : value) {
        if (c < '0' || c > '9') {
            break;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            magnitude = static_cast<long long>(INT_MAX) + 1;
        }
    }
    if (negative) {
        return static_cast<int>(-magnitude);
    }
    return magnitude > INT_MAX ? INT_MAX : static_cast<int>(magnitude);
}

bool ScanProfileFile(const std::string& path, const std::function<bool(const ProfileLine&)>& visit,
                     bool* byteOrderMark) {
    if (byteOrderMark != nullptr) {
        *byteOrderMark = false;
    }
    std::string line;
    bool firstLine = true;
    bool stopped = false;
    const auto handOn = [&] {
        std::string_view content(line);
        if (firstLine && content.starts_with(kUtf8ByteOrderMark)) {
            content.remove_prefix(kUtf8ByteOrderMark.size());
            if (byteOrderMark != nullptr) {
                *byteOrderMark = true;
            }
        }
        firstLine = false;
        if (content.ends_with('\r')) {
            content.remove_suffix(1);
        }
        ProfileLine scanned;
        scanned.kind = ClassifyProfileLine(content, scanned.headerName);
        scanned.content = content;
        stopped = !visit(scanned);
        line.clear();
        return !stopped;
    };
    const FileReadResult result = ReadFileInPieces(path, [&](std::string_view piece) {
        for (;;) {
            const std::size_t newline = piece.find('\n');
            if (line.size() < kProfileLineMaxLength) {
                line.append(
                    piece.substr(0, std::min(newline, kProfileLineMaxLength - line.size())));
            }
            if (newline == std::string_view::npos) {
                return true;
            }
            piece.remove_prefix(newline + 1);
            if (!handOn()) {
                return false;
            }
        }
    });
    if (result != FileReadResult::kOk) {
        return false;
    }
    if (!stopped && !line.empty()) {
        handOn();
    }
    return true;
}

std::optional<std::string> FindProfileText(const std::string& path, std::string_view section,
                                           std::string_view key) {
    // The first entry of the key in any block of the section, in file order.
    std::optional<std::string> found;
    bool inSection = false;
    const bool read = ScanProfileFile(path, [&](const ProfileLine& line) {
        if (line.kind == ProfileLineKind::kHeader) {
            inSection = EqualIgnoringCase(line.headerName, section);
            return true;
        }
        const std::size_t separator = line.content.find('=');
        if (line.kind != ProfileLineKind::kEntry || !inSection ||
            separator == std::string_view::npos ||
            !EqualIgnoringCase(TrimBlanks(line.content.substr(0, separator)), key)) {
            return true;
        }
        found = CutToTextLimit(TrimBlanks(line.content.substr(separator + 1)));
        return false;
    });
    return read ? found : std::nullopt;
}

int ReadProfileInt(const std::string& path, std::string_view section, std::string_view key,
                   int defaultValue) {
    const std::optional<std::string> value = FindProfileText(path, section, key);
    return value ? ParseProfileInt(*value, defaultValue) : defaultValue;
}

std::string ReadProfileText(const std::string& path, std::string_view section, std::string_view key,
                            std::string_view defaultValue) {
    std::optional<std::string> value = FindProfileText(path, section, key);
    return value ? std::move(*value) : CutToTextLimit(defaultValue);
}

bool WriteProfileText(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view value) {
    std::string text;
    const FileReadResult result = ReadWholeFile(path, kMaxProfileFileSize, text);
    // Only a file that is not there may be started afresh; one that exists
    // but could not be read would be lost by writing over it.
    if (result != FileReadResult::kOk && result != FileReadResult::kMissing) {
        return false;
    }
    ProfileDocument document(std::move(text));
    if (!document.setValue(section, key, value)) {
        return false;
    }
    return ReplaceWholeFile(path, document.text());
}

bool WriteProfileInt(const std::string& path, std::string_view section, std::string_view key,
                     int value) {
    return WriteProfileText(path, section, key, std::to_string(value));
}

std::vector<std::string> ReadProfileSectionNames(const std::string& path, std::size_t listSize) {
    // Distinct names in order of first occurrence, spelt as first written; a
    // name that does not fit whole ends the list.
    std::vector<std::string> names;
    std::unordered_set<std::string> listed;
    std::size_t used = 0;
    const bool read = ScanProfileFile(path, [&](const ProfileLine& line) {
        if (line.kind != ProfileLineKind::kHeader ||
            listed.contains(FoldAsciiCase(line.headerName))) {
            return true;
        }
        if (!FitsInProfileList(used, line.headerName.size(), listSize)) {
            return false;
        }
        used += line.headerName.size() + 1;
        listed.insert(FoldAsciiCase(line.headerName));
        names.emplace_back(line.headerName);
        return true;
    });
    return read ? names : std::vector<std::string>{};
}

std::vector<std::string> ReadProfileSection(const std::string& path, std::string_view section,
                                            std::size_t listSize) {
    // A line that does not fit whole is not handed out cut short (half a line
    // would be taken for a different entry): it ends the list.
    std::vector<std::string> lines;
    std::size_t used = 0;
    bool inSection = false;
    const bool read = ScanProfileFile(path, [&](const ProfileLine& line) {
        if (line.kind == ProfileLineKind::kHeader) {
            inSection = EqualIgnoringCase(line.headerName, section);
        } else if (line.kind == ProfileLineKind::kEntry && inSection) {
            if (!FitsInProfileList(used, line.content.size(), listSize)) {
                return false;
            }
            used += line.content.size() + 1;
            lines.emplace_back(line.content);
        }
        return true;
    });
    return read ? lines : std::vector<std::string>{};
}

}  // namespace korvale
