// Feeds any bytes to LoadLanguageFile through a real file and uses every
// entry it loads the way the windows and messages do.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_temp_file.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace korvale;
    const std::string& path = fuzzing::ScratchPath(".lng");
    fuzzing::WriteScratch(path, data, size);

    LanguageTable& table = TheLanguageTable();
    table.clear();
    LoadLanguageFile(table, path, "");

    for (const LanguageSection& section : table.sections()) {
        Check(section.keys.size() == section.texts.size());
        for (const std::string& key : section.keys) {
            std::array<char, kTranslationBufferLength> buffer{};
            const std::size_t length = std::min(key.size(), buffer.size() - 1);
            std::copy_n(key.begin(), length, buffer.begin());
            TranslateBuffer(section.name, buffer, kTranslationBufferSize);
            Check(std::find(buffer.begin(), buffer.end(), '\0') != buffer.end());
        }
    }
    for (const UiText& text : kUiTexts) {
        const std::string translated = table.translate(text.section, text.english);
        Check(translated.size() < kTranslationBufferSize || translated == text.english);
    }
    // A translation that is not a one-integer format must give way to the
    // English message, never reach a formatter.
    const std::string portError = TranslateMsgWithInt(kMsgCannotOpenPort, 4);
    if (!HasSingleIntConversion(TranslateMsg(kMsgCannotOpenPort))) {
        Check(portError == "Error: Cannot open COM4! Port is disabled.\r");
    }
    table.clear();
    return 0;
}
