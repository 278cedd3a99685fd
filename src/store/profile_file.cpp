#include "store/profile_file.h"

#include <climits>

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

std::optional<ProfileDocument> LoadProfileDocument(const std::string& path) {
    std::string text;
    if (ReadWholeFile(path, kMaxProfileFileSize, text) != FileReadResult::kOk) {
        return std::nullopt;
    }
    return ProfileDocument(std::move(text));
}

std::optional<std::string> FindProfileText(const std::string& path, std::string_view section,
                                           std::string_view key) {
    const std::optional<ProfileDocument> document = LoadProfileDocument(path);
    if (!document) {
        return std::nullopt;
    }
    const std::optional<std::string_view> value = document->findValue(section, key);
    if (!value) {
        return std::nullopt;
    }
    return CutToTextLimit(*value);
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
    const std::optional<ProfileDocument> document = LoadProfileDocument(path);
    return document ? document->sectionNames(listSize) : std::vector<std::string>{};
}

std::vector<std::string> ReadProfileSection(const std::string& path, std::string_view section,
                                            std::size_t listSize) {
    const std::optional<ProfileDocument> document = LoadProfileDocument(path);
    return document ? document->sectionLines(section, listSize) : std::vector<std::string>{};
}

}  // namespace korvale
