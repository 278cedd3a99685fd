#include "lang/translate.h"

#include <optional>
#include <utility>

#include "lang/language_table.h"

namespace korvale {

namespace {

constexpr char kConversionMark = '%';

bool IsIntConversion(char c) {
    return c == 'i' || c == 'd';
}

// How many "%s" and how many "%i" or "%d" a format holds; nothing when it
// holds any other conversion.
std::optional<std::pair<int, int>> TextAndIntConversions(std::string_view format) {
    std::pair<int, int> counts{0, 0};
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != kConversionMark) {
            continue;
        }
        if (++i >= format.size()) {
            return std::nullopt;
        }
        if (format[i] == 's') {
            ++counts.first;
        } else if (IsIntConversion(format[i])) {
            ++counts.second;
        } else if (format[i] != kConversionMark) {
            return std::nullopt;
        }
    }
    return counts;
}

// Puts `text` in place of each "%s" and `value` in place of each "%i" or
// "%d", and turns "%%" into "%".
std::string FormatWithTextAndInt(std::string_view format, std::string_view text, int value) {
    std::string result;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != kConversionMark || i + 1 >= format.size()) {
            result += format[i];
            continue;
        }
        ++i;
        if (format[i] == 's') {
            result += text;
        } else if (IsIntConversion(format[i])) {
            result += std::to_string(value);
        } else {
            result += format[i];
        }
    }
    return result;
}

}  // namespace

std::string LookupText(std::string_view section, std::string_view key) {
    return TheLanguageTable().LookupText(section, key);
}

void TranslateBuffer(std::string_view section, std::span<char> buffer, std::size_t size) {
    TheLanguageTable().TranslateBuffer(section, buffer, size);
}

std::string TranslateMsg(std::string_view text) {
    return TheLanguageTable().translate(kStringsSection, text);
}

bool HasSingleIntConversion(std::string_view format) {
    int conversions = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != kConversionMark) {
            continue;
        }
        if (i + 1 >= format.size()) {
            return false;
        }
        ++i;
        if (IsIntConversion(format[i])) {
            ++conversions;
        } else if (format[i] != kConversionMark) {
            return false;
        }
    }
    return conversions == 1;
}

std::string TranslateMsgWithInt(std::string_view english, int value) {
    const std::string translated = TranslateMsg(english);
    if (HasSingleIntConversion(translated)) {
        return FormatWithTextAndInt(translated, {}, value);
    }
    if (HasSingleIntConversion(english)) {
        return FormatWithTextAndInt(english, {}, value);
    }
    // Only reached for a message that is not a one-integer format at all:
    // shown as it stands rather than guessed at.
    return std::string(english);
}

std::string TranslateMsgWithText(std::string_view english, std::string_view text, int value) {
    const std::string translated = TranslateMsg(english);
    const auto expected = TextAndIntConversions(english);
    if (expected && TextAndIntConversions(translated) == expected) {
        return FormatWithTextAndInt(translated, text, value);
    }
    return FormatWithTextAndInt(english, text, value);
}

MessageAroundText TranslateMsgAroundText(std::string_view english) {
    // A control character no message holds marks where the text goes.
    constexpr char kSlot = '\x01';
    const std::string message = TranslateMsgWithText(english, std::string_view(&kSlot, 1));
    const std::size_t at = message.find(kSlot);
    if (at == std::string::npos) {
        return {message, {}};
    }
    return {message.substr(0, at), message.substr(at + 1)};
}

}  // namespace korvale
