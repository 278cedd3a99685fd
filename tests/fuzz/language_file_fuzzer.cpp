// Any bytes as a language file, each entry used as the windows and messages use it.
#include "fuzz_support.h"
#include "lang/language_file.h"
#include "lang/ui_texts.h"

FUZZ_TARGET(0) {
    TheLanguageTable().clear();
    LoadLanguageFile(TheLanguageTable(), WriteScratch(".lng", data), "");
    for (const LanguageSection& section : TheLanguageTable().sections()) {
        for (const std::string& key : section.keys) {
            std::string buffer = key.substr(0, kTranslationBufferLength - 1);
            buffer.resize(kTranslationBufferLength);
            TranslateBuffer(section.name, buffer, kTranslationBufferSize);
            check(buffer.find('\0') != std::string::npos);
        }
    }
    const std::string portError = TranslateMsgWithInt(kMsgCannotOpenPort, 4);
    check(HasSingleIntConversion(TranslateMsg(kMsgCannotOpenPort)) ||
          portError == "Error: Cannot open COM4! Port is disabled.\r");
}
