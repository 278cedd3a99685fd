// Translation of the program's own messages through the process-wide
// LanguageTable, section "Strings". Main thread only (the table is read-only
// once start-up has loaded it).
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace korvale {

inline constexpr std::string_view kStringsSection = "Strings";

// LanguageTable operations on the process-wide table.
std::string LookupText(std::string_view section, std::string_view key);
void TranslateBuffer(std::string_view section, std::span<char> buffer, std::size_t size);

// The "Strings" translation of one of the program's messages, or the message
// itself when there is none (or none short enough for the message buffer).
std::string TranslateMsg(std::string_view text);

// Whether format, used as a format with one integer argument, reads exactly
// that integer: one "%i" or "%d" and otherwise only "%%".
bool HasSingleIntConversion(std::string_view format);

// Translates a message holding one "%i" and puts value in its place. A
// translation that does not pass HasSingleIntConversion is not used (it
// would read arguments that are not there); the English format is used
// instead. Formatting is done here, never by printf on file text.
std::string TranslateMsgWithInt(std::string_view english, int value);

// Translates a message that holds "%s" (put `text` in its place) and may hold
// one "%i" (`value`). A translation is used only when it holds the same
// conversions as the English, and nothing else but "%%".
std::string TranslateMsgWithText(std::string_view english, std::string_view text, int value = 0);

// The translation of a message that holds one "%s" and no "%i", as the texts
// before and after the "%s" (chosen as TranslateMsgWithText chooses), for a
// caller whose text is in another encoding than the language file, such as a
// file name.
struct MessageAroundText {
    std::string before;
    std::string after;
};
MessageAroundText TranslateMsgAroundText(std::string_view english);

}  // namespace korvale
