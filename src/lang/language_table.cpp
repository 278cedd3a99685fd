#include "lang/language_table.h"

#include <algorithm>
#include <cstring>

namespace korvale {

const LanguageSection* LanguageTable::findSection(std::string_view name) const {
    const auto found = std::find_if(sections_.begin(), sections_.end(),
                                    [name](const LanguageSection& s) { return s.name == name; });
    return found == sections_.end() ? nullptr : &*found;
}

void LanguageTable::addEntry(std::string_view section, std::string key, std::string text) {
    // A file adds its entries section by section, so the section of the last
    // entry is tried first; this keeps loading a file of thousands of
    // sections linear.
    if (lastSection_ >= sections_.size() || sections_[lastSection_].name != section) {
        const auto found =
            std::find_if(sections_.begin(), sections_.end(),
                         [section](const LanguageSection& s) { return s.name == section; });
        lastSection_ = static_cast<std::size_t>(found - sections_.begin());
        if (lastSection_ == sections_.size()) {
            sections_.push_back(LanguageSection{std::string(section), {}, {}});
        }
    }
    sections_[lastSection_].keys.push_back(std::move(key));
    sections_[lastSection_].texts.push_back(std::move(text));
}

std::string LanguageTable::LookupText(std::string_view section, std::string_view key) const {
    const LanguageSection* found = findSection(section);
    if (found == nullptr) {
        return {};
    }
    const auto entry = std::find(found->keys.begin(), found->keys.end(), key);
    if (entry == found->keys.end()) {
        return {};
    }
    return found->texts[static_cast<std::size_t>(entry - found->keys.begin())];
}

void LanguageTable::TranslateBuffer(std::string_view section, std::span<char> buffer,
                                    std::size_t size) const {
    const auto terminator = std::find(buffer.begin(), buffer.end(), '\0');
    const std::string_view text(buffer.data(),
                                static_cast<std::size_t>(terminator - buffer.begin()));
    if (text.empty()) {
        return;
    }
    const std::string translation = LookupText(section, text);
    const std::size_t limit = std::min(size, buffer.size());
    if (translation.empty() || translation.size() >= limit) {
        return;
    }
    std::memcpy(buffer.data(), translation.data(), translation.size());
    buffer[translation.size()] = '\0';
}

std::string LanguageTable::translate(std::string_view section, std::string_view text) const {
    if (text.empty()) {
        return std::string(text);
    }
    std::string translation = LookupText(section, text);
    if (translation.empty() || translation.size() >= kTranslationBufferSize) {
        return std::string(text);
    }
    return translation;
}

LanguageTable& TheLanguageTable() {
    static LanguageTable table;
    return table;
}

}  // namespace korvale
