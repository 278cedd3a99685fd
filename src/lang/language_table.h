// The table of translations: sections, each mapping English texts (the keys)
// to texts of the interface language.
//
// The process-wide table (TheLanguageTable()) is filled once on the main
// thread before any window exists and only read afterwards. All strings are
// 8-bit text exactly as the language file holds them; every comparison is
// byte-wise and case-sensitive. Keys may repeat; a lookup finds the first.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace korvale {

// Buffers of the window and message translation hold 1,000 characters and
// are offered with a size of 999, so a translation of 998 characters at most
// is applied.
inline constexpr std::size_t kTranslationBufferLength = 1000;
inline constexpr std::size_t kTranslationBufferSize = 999;

struct LanguageSection {
    std::string name;
    std::vector<std::string> keys;
    std::vector<std::string> texts;  // texts[n] translates keys[n]
};

class LanguageTable {
  public:
    // Appends a pair to the named section, creating the section at the end
    // when the table has none of that name.
    void addEntry(std::string_view section, std::string key, std::string text);

    // The text of the first equal key in the first section of that name;
    // empty when there is none (or the text found is empty).
    std::string LookupText(std::string_view section, std::string_view key) const;

    // Translates the NUL-terminated text in buffer in place. Nothing happens
    // for an empty text; otherwise the translation replaces the text when it
    // is not empty and shorter than size (and than the buffer). A buffer
    // without a NUL is taken as a text filling the whole buffer.
    void TranslateBuffer(std::string_view section, std::span<char> buffer, std::size_t size) const;

    // The same rule for a text held as a string: the translation when it is
    // not empty and shorter than kTranslationBufferSize, else the text.
    std::string translate(std::string_view section, std::string_view text) const;

    const std::vector<LanguageSection>& sections() const { return sections_; }
    bool empty() const { return sections_.empty(); }
    void clear() {
        sections_.clear();
        lastSection_ = 0;
    }

  private:
    const LanguageSection* findSection(std::string_view name) const;

    std::vector<LanguageSection> sections_;
    std::size_t lastSection_ = 0;  // where the last entry went
};

// The one table of the process.
LanguageTable& TheLanguageTable();

}  // namespace korvale
