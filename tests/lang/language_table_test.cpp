#include "lang/language_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "lang/translate.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

using Buffer = std::array<char, kTranslationBufferLength>;

Buffer BufferHolding(std::string_view text) {
    Buffer buffer{};
    std::memcpy(buffer.data(), text.data(), text.size());
    return buffer;
}

std::string TextIn(const Buffer& buffer) {
    return std::string(buffer.data());
}

class LanguageTableTest : public ::testing::Test {
  protected:
    LanguageTable table_;
};

TEST_F(LanguageTableTest, LookupOfMissingSectionOrKeyGivesEmptyText) {
    table_.addEntry("Main dialog", "&View", "&Ansicht");
    EXPECT_EQ(table_.LookupText("Main dialog", "&View"), "&Ansicht");
    EXPECT_EQ(table_.LookupText("Main dialog", "E&xit"), "");
    EXPECT_EQ(table_.LookupText("About dialog", "&View"), "");
}

TEST_F(LanguageTableTest, SectionNamesAndKeysMatchOnlyByteForByte) {
    table_.addEntry("Strings", "Exit", "Beenden");
    EXPECT_EQ(table_.LookupText("strings", "Exit"), "");
    EXPECT_EQ(table_.LookupText("Strings", "exit"), "");
    EXPECT_EQ(table_.LookupText("Strings", "Exit "), "");
}

TEST_F(LanguageTableTest, FirstOfRepeatedKeysWins) {
    table_.addEntry("Strings", "Exit", "Beenden");
    table_.addEntry("Strings", "Exit", "Ende");
    EXPECT_EQ(table_.LookupText("Strings", "Exit"), "Beenden");
    ASSERT_EQ(table_.sections().size(), 1u);
    EXPECT_EQ(table_.sections()[0].keys.size(), 2u);
}

TEST_F(LanguageTableTest, SectionsKeepTheOrderTheyWereFirstMet) {
    table_.addEntry("B", "k", "1");
    table_.addEntry("A", "k", "2");
    table_.addEntry("B", "m", "3");
    ASSERT_EQ(table_.sections().size(), 2u);
    EXPECT_EQ(table_.sections()[0].name, "B");
    EXPECT_EQ(table_.sections()[0].texts, (std::vector<std::string>{"1", "3"}));
    EXPECT_EQ(table_.sections()[1].name, "A");
}

TEST_F(LanguageTableTest, KeyFromAnotherSectionIsNotUsed) {
    table_.addEntry("Beacon dialog", "Source call", "Absender");
    Buffer buffer = BufferHolding("Source call");
    table_.TranslateBuffer("Unproto dialog", buffer, kTranslationBufferSize);
    EXPECT_EQ(TextIn(buffer), "Source call");
    table_.TranslateBuffer("Beacon dialog", buffer, kTranslationBufferSize);
    EXPECT_EQ(TextIn(buffer), "Absender");
}

TEST_F(LanguageTableTest, EmptyTextIsNotLookedUp) {
    table_.addEntry("S", "", "filled");
    Buffer buffer{};
    table_.TranslateBuffer("S", buffer, kTranslationBufferSize);
    EXPECT_EQ(TextIn(buffer), "");
    EXPECT_EQ(table_.translate("S", ""), "");
}

TEST_F(LanguageTableTest, EmptyTranslationKeepsTheEnglishText) {
    table_.addEntry("S", "Exit", "");
    Buffer buffer = BufferHolding("Exit");
    table_.TranslateBuffer("S", buffer, kTranslationBufferSize);
    EXPECT_EQ(TextIn(buffer), "Exit");
}

TEST_F(LanguageTableTest, TranslationOf998CharactersIsAppliedAnd999IsNot) {
    table_.addEntry("S", "fits", std::string(998, 'a'));
    table_.addEntry("S", "long", std::string(999, 'b'));
    Buffer fits = BufferHolding("fits");
    table_.TranslateBuffer("S", fits, kTranslationBufferSize);
    EXPECT_EQ(TextIn(fits), std::string(998, 'a'));
    Buffer tooLong = BufferHolding("long");
    table_.TranslateBuffer("S", tooLong, kTranslationBufferSize);
    EXPECT_EQ(TextIn(tooLong), "long");
    EXPECT_EQ(table_.translate("S", "fits"), std::string(998, 'a'));
    EXPECT_EQ(table_.translate("S", "long"), "long");
}

TEST_F(LanguageTableTest, SizeLargerThanTheBufferDoesNotOverrunIt) {
    table_.addEntry("S", "OK", "0123456789");
    std::array<char, 10> small{'O', 'K', '\0'};
    table_.TranslateBuffer("S", small, kTranslationBufferSize);
    EXPECT_EQ(std::string(small.data()), "OK");
    std::array<char, 11> exact{'O', 'K', '\0'};
    table_.TranslateBuffer("S", exact, kTranslationBufferSize);
    EXPECT_EQ(std::string(exact.data()), "0123456789");
}

TEST_F(LanguageTableTest, BufferWithoutTerminatorIsReadOnlyToItsEnd) {
    table_.addEntry("S", "OK", "Gut");
    std::array<char, 2> unterminated{'O', 'K'};
    table_.TranslateBuffer("S", unterminated, kTranslationBufferSize);
    EXPECT_EQ(std::string(unterminated.data(), 2), "OK");
}

TEST(TranslateMsgTest, EmptyTableLeavesEveryMessageUnchanged) {
    TheLanguageTable().clear();
    for (const UiText& text : kUiTexts) {
        if (text.section == kSectionStrings) {
            EXPECT_EQ(TranslateMsg(text.english), text.english);
        }
    }
}

TEST(TranslateMsgTest, UsesTheStringsSectionOfTheProcessTable) {
    TheLanguageTable().clear();
    TheLanguageTable().addEntry("Main dialog", "Initializing TNC...\r", "wrong section");
    TheLanguageTable().addEntry("Strings", "Initializing TNC...\r", "TNC wird initialisiert...\r");
    EXPECT_EQ(TranslateMsg("Initializing TNC...\r"), "TNC wird initialisiert...\r");
    EXPECT_EQ(LookupText("Main dialog", "Initializing TNC...\r"), "wrong section");
    TheLanguageTable().clear();
}

}  // namespace
}  // namespace korvale
