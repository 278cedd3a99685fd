// Feeds any bytes to LoadLanguageFile through a real file and uses every
// entry it loads the way the windows and messages do.
#include "fuzz_support.h"
#include "lang/language_file.h"
#include "lang/ui_texts.h"

using namespace korvale::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TheLanguageTable().clear();
    LoadLanguageFile(TheLanguageTable(), WriteScratch(".lng", {data, size}), "");
    // Whatever a window text is translated into, its buffer stays terminated.
    for (const LanguageSection& section : TheLanguageTable().sections()) {
        for (const std::string& key : section.keys) {
            std::string buffer = key.substr(0, kTranslationBufferLength - 1);
            buffer.resize(kTranslationBufferLength);
            TranslateBuffer(section.name, buffer, kTranslationBufferSize);
            check(buffer.find('\0') != std::string::npos);
        }
    }
    // A translation that is not a one-integer format must give way to the
    // English message, never reach a formatter.
    const std::string portError = TranslateMsgWithInt(kMsgCannotOpenPort, 4);
    check(HasSingleIntConversion(TranslateMsg(kMsgCannotOpenPort)) ||
          portError == "Error: Cannot open COM4! Port is disabled.\r");
    return 0;
}
