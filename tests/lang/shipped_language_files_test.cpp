// Checks the language files shipped beside the program against the texts
// the program really asks for.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "app/temp_directory.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

constexpr std::size_t kTrayTipMaxLength = 63;

class GermanLanguageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        LoadLanguageFile(table_, path_, "");
        ASSERT_FALSE(table_.empty()) << "cannot load " << path_;
    }

    const std::string path_ = std::string(KORVALE_SOURCE_DIR) + "/lang/Deutsch.lng";
    LanguageTable table_;
};

TEST_F(GermanLanguageFileTest, TranslatesEveryTextOfEverySection) {
    for (const UiText& text : kUiTexts) {
        const std::string translation = table_.LookupText(text.section, text.english);
        EXPECT_FALSE(translation.empty()) << text.section << ": " << text.english;
        EXPECT_LT(translation.size(), kTranslationBufferSize) << text.english;
    }
}

TEST_F(GermanLanguageFileTest, HoldsNoKeyTheProgramNeverAsksFor) {
    std::set<std::pair<std::string, std::string>> known;
    for (const UiText& text : kUiTexts) {
        known.emplace(text.section, text.english);
    }
    for (const LanguageSection& section : table_.sections()) {
        for (const std::string& key : section.keys) {
            EXPECT_TRUE(known.count({section.name, key}))
                << "[" << section.name << "] \"" << key << "\" never matches";
        }
    }
}

TEST_F(GermanLanguageFileTest, MessagesKeepTheirLineEndings) {
    for (const UiText& text : kUiTexts) {
        if (text.section != kSectionStrings) {
            continue;
        }
        const std::string translation = table_.LookupText(text.section, text.english);
        EXPECT_EQ(translation.ends_with('\r'), text.english.ends_with('\r')) << text.english;
        EXPECT_EQ(translation.ends_with("\n\n"), text.english.ends_with("\n\n")) << text.english;
    }
}

TEST_F(GermanLanguageFileTest, PortErrorStaysAOneIntegerFormat) {
    EXPECT_TRUE(HasSingleIntConversion(table_.LookupText(kSectionStrings, kMsgCannotOpenPort)));
}

TEST_F(GermanLanguageFileTest, TrayTipFitsTheNotificationArea) {
    EXPECT_LE(table_.LookupText(kSectionStrings, kMsgTrayTip).size(), kTrayTipMaxLength);
}

TEST_F(GermanLanguageFileTest, IsWindows1252NotUtf8) {
    const std::string bytes = testing::ReadFileBytes(path_);
    EXPECT_NE(bytes.find('\xFC'), std::string::npos) << "no cp1252 u-umlaut";
    EXPECT_EQ(bytes.find('\xC3'), std::string::npos) << "UTF-8 lead byte found";
}

TEST_F(GermanLanguageFileTest, MenuMnemonicsStayUniqueInTheMenuBar) {
    // The three menu bar titles each keep one ampersand, on distinct letters.
    std::set<char> letters;
    for (std::string_view title : {"&View", "&Settings", "&Help"}) {
        const std::string translated = table_.LookupText(kSectionMainDialog, title);
        const std::size_t amp = translated.find('&');
        ASSERT_NE(amp, std::string::npos) << title;
        ASSERT_LT(amp + 1, translated.size());
        EXPECT_TRUE(letters.insert(static_cast<char>(std::tolower(translated[amp + 1]))).second)
            << translated;
    }
}

}  // namespace
}  // namespace korvale
