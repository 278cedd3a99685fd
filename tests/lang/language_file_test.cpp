#include "lang/language_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "app/temp_directory.h"

namespace korvale {
namespace {

using testing::TempDirectory;
using testing::WriteFileBytes;

class LanguageFileTest : public ::testing::Test {
  protected:
    // Writes text as Test.lng in the program directory and loads it by name.
    void Load(std::string_view text) {
        WriteFileBytes(dir_.file("Test.lng"), text);
        LoadLanguageFile(table_, "Test.lng", dir_.directory());
    }

    TempDirectory dir_;
    LanguageTable table_;
};

// --- Splitting one line ---

TEST(SplitLanguageLineTest, BlanksOutsideTheQuotesAreDropped) {
    const auto entry = SplitLanguageLine("  \"Exit\"=\"Beenden\"  \t");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->key, "Exit");
    EXPECT_EQ(entry->text, "Beenden");
}

TEST(SplitLanguageLineTest, BlanksInsideTheQuotesAreKept) {
    const auto entry = SplitLanguageLine("\"Version \"=\" Version \"");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->key, "Version ");
    EXPECT_EQ(entry->text, " Version ");
}

TEST(SplitLanguageLineTest, LineWithoutQuotedSeparatorIsIgnored) {
    EXPECT_FALSE(SplitLanguageLine("Exit=Beenden"));
    EXPECT_FALSE(SplitLanguageLine("\"Exit\" = \"Beenden\""));
    EXPECT_FALSE(SplitLanguageLine(""));
}

TEST(SplitLanguageLineTest, SplitsAtTheFirstSeparator) {
    const auto entry = SplitLanguageLine("\"a\"=\"b\"=\"c\"");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->key, "a");
    EXPECT_EQ(entry->text, "b\"=\"c");
}

TEST(SplitLanguageLineTest, WhateverStandsAtTheQuotePlacesIsRemoved) {
    const auto entry = SplitLanguageLine("xExit\"=\"Endey");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->key, "Exit");
    EXPECT_EQ(entry->text, "Ende");
}

TEST(SplitLanguageLineTest, EmptyTextStaysEmpty) {
    auto entry = SplitLanguageLine("\"Exit\"=\"\"");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->text, "");
    entry = SplitLanguageLine("\"Exit\"=\"");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->key, "Exit");
    EXPECT_EQ(entry->text, "");
}

// --- Escapes ---

TEST(DecodeLanguageEscapesTest, ControlEscapesBecomeTheirCharacters) {
    EXPECT_EQ(DecodeLanguageEscapes("a\\rb\\nc\\td"), "a\rb\nc\td");
}

TEST(DecodeLanguageEscapesTest, DoubledBackslashBeforeNGivesBackslashAndLineFeed) {
    EXPECT_EQ(DecodeLanguageEscapes("C:\\\\new"), "C:\\\new");
}

TEST(DecodeLanguageEscapesTest, DoubledBackslashBeforeQuoteGivesABareQuote) {
    EXPECT_EQ(DecodeLanguageEscapes("say \\\\\"hi"), "say \"hi");
    EXPECT_EQ(DecodeLanguageEscapes("say \\\"hi\\\""), "say \"hi\"");
}

TEST(DecodeLanguageEscapesTest, ReplacedTextIsNotLookedAtAgain) {
    // Four backslashes make two; pass 4 does not see its own output again.
    EXPECT_EQ(DecodeLanguageEscapes("\\\\\\\\x"), "\\\\x");
    EXPECT_EQ(DecodeLanguageEscapes("\\x\\"), "\\x\\");
}

// --- Whole files ---

TEST_F(LanguageFileTest, GermanFileWithEscapesRepeatsAndSeveralSections) {
    const std::string longText(900, 'L');
    Load(
        "; Deutsche Texte\r\n"
        "[Strings]\r\n"
        "\"Initializing TNC...\\r\"=\"TNC wird initialisiert...\\r\"\r\n"
        "\"Control codes:\\n\\n^xxx\"=\"Steuercodes:\\n\\n^xxx \\\"Code\\\"\"\r\n"
        "\"Initializing TNC...\\r\"=\"second, never used\"\r\n"
        "\r\n"
        "[Main dialog]\r\n"
        "\"&View\"=\"&Ansicht\"\r\n"
        "\"E&xit\"=\"&Beenden\"\r\n"
        "Exit=Beenden\r\n"
        "\"Long\"=\"" +
        longText +
        "\"\r\n"
        "[Systray menu]\r\n"
        "  \"Exit\"=\"Beenden\"  \r\n"
        "\"Tray\"=\"\"\r\n"
        "[Strings]\r\n"
        "\"Click to toggle the Korvale window\"=\"Klicken: Fenster zeigen/verbergen\"\r\n"
        "\"Umlaut\"=\"\xDC\x62\x65r \xF6\xE4\xFC\xDF\"\r\n");
    EXPECT_EQ(table_.LookupText("Strings", "Initializing TNC...\r"), "TNC wird initialisiert...\r");
    EXPECT_EQ(table_.LookupText("Strings", "Control codes:\n\n^xxx"),
              "Steuercodes:\n\n^xxx \"Code\"");
    EXPECT_EQ(table_.LookupText("Strings", "Click to toggle the Korvale window"),
              "Klicken: Fenster zeigen/verbergen");
    EXPECT_EQ(table_.LookupText("Strings", "Umlaut"), "\xDC\x62\x65r \xF6\xE4\xFC\xDF");
    EXPECT_EQ(table_.LookupText("Main dialog", "&View"), "&Ansicht");
    EXPECT_EQ(table_.LookupText("Main dialog", "Long"), longText);
    EXPECT_EQ(table_.LookupText("Main dialog", "Exit"), "");
    EXPECT_EQ(table_.LookupText("Systray menu", "Exit"), "Beenden");
    EXPECT_EQ(table_.translate("Systray menu", "Tray"), "Tray");

    ASSERT_EQ(table_.sections().size(), 3u);
    EXPECT_EQ(table_.sections()[0].name, "Strings");
    EXPECT_EQ(table_.sections()[0].keys.size(), 5u) << "both [Strings] blocks, repeat included";
    EXPECT_EQ(table_.sections()[1].name, "Main dialog");
    EXPECT_EQ(table_.sections()[2].name, "Systray menu");
}

TEST_F(LanguageFileTest, LoadingAddsToWhatTheTableHolds) {
    table_.addEntry("Strings", "Exit", "Ende");
    Load("[Strings]\n\"Exit\"=\"Beenden\"\n\"OK\"=\"Gut\"\n");
    EXPECT_EQ(table_.LookupText("Strings", "Exit"), "Ende");
    EXPECT_EQ(table_.LookupText("Strings", "OK"), "Gut");
}

TEST_F(LanguageFileTest, PathWithDirectoryIsUsedAsItStands) {
    TempDirectory other;
    WriteFileBytes(other.file("Other.lng"), "[S]\n\"a\"=\"b\"\n");
    LoadLanguageFile(table_, other.file("Other.lng"), dir_.directory());
    EXPECT_EQ(table_.LookupText("S", "a"), "b");
}

TEST_F(LanguageFileTest, BareNameIsLookedForOnlyInTheProgramDirectory) {
    TempDirectory elsewhere;
    const auto saved = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.directory());
    WriteFileBytes(elsewhere.file("Here.lng"), "[S]\n\"a\"=\"cwd\"\n");
    LoadLanguageFile(table_, "Here.lng", dir_.directory());
    std::filesystem::current_path(saved);
    EXPECT_TRUE(table_.empty());
}

// --- Files that hold nothing usable ---

TEST_F(LanguageFileTest, MissingFileAddsNothing) {
    LoadLanguageFile(table_, "Nowhere.lng", dir_.directory());
    EXPECT_TRUE(table_.empty());
}

TEST_F(LanguageFileTest, BinaryFileDoesNotCrashAndAddsOnlyWhatParses) {
    std::mt19937 random(1234);
    std::string bytes(200000, '\0');
    for (char& byte : bytes) {
        byte = static_cast<char>(random());
    }
    bytes += std::string("\n[S]\n\"a\"=\"b\0c\"\n", 16);
    Load(bytes);
    EXPECT_EQ(table_.LookupText("S", "a"), std::string("b\0c", 3));
}

TEST_F(LanguageFileTest, EnormousFileIsNotRead) {
    const std::string path = dir_.file("Huge.lng");
    WriteFileBytes(path, "[S]\n\"a\"=\"b\"\n");
    // Sparse: costs no disk, yet any attempt to read it whole would take
    // gigabytes of memory and minutes.
    ASSERT_EQ(::truncate(path.c_str(), 8LL << 30), 0);
    LoadLanguageFile(table_, "Huge.lng", dir_.directory());
    EXPECT_TRUE(table_.empty());
}

TEST_F(LanguageFileTest, FifoOrDirectoryNamedLikeALanguageFileIsNotWaitedFor) {
    ASSERT_EQ(::mkfifo(dir_.file("Pipe.lng").c_str(), 0600), 0);
    LoadLanguageFile(table_, "Pipe.lng", dir_.directory());
    std::filesystem::create_directory(dir_.file("Dir.lng"));
    LoadLanguageFile(table_, "Dir.lng", dir_.directory());
    EXPECT_TRUE(table_.empty());
}

// --- The two list limits ---

// Section names "S0000".."S9999" take six characters each with their NUL.
std::string ManySections(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        std::string name = std::to_string(i);
        name = "S" + std::string(4 - name.size(), '0') + name;
        text += "[" + name + "]\n\"k\"=\"" + name + "\"\n";
    }
    return text;
}

TEST_F(LanguageFileTest, SectionNamesBeyond9999CharactersAreNotLoaded) {
    // 1666 names take 9996 characters and the closing NUL makes 9997; one
    // more name would need 10003.
    Load(ManySections(1667));
    EXPECT_EQ(table_.sections().size(), 1666u);
    EXPECT_EQ(table_.LookupText("S1665", "k"), "S1665");
    EXPECT_EQ(table_.LookupText("S1666", "k"), "");
}

TEST_F(LanguageFileTest, EntryLinesBeyond31999CharactersAreNotLoaded) {
    // Lines of 99 characters take 100 with their NUL: 319 lines and the
    // closing NUL make 31901; a last line of 97 characters then fills the
    // list to exactly 31999, and one of 98 no longer fits.
    std::string text = "[S]\n";
    for (int i = 0; i < 319; ++i) {
        std::string key = std::to_string(i);
        key = std::string(3 - key.size(), '0') + key;
        text += "\"" + key + "\"=\"" + std::string(91, 'x') + "\"\n";
    }
    const std::string fits = "\"fit\"=\"" + std::string(89, 'y') + "\"";
    const std::string tooLong = "\"fit\"=\"" + std::string(90, 'y') + "\"";
    ASSERT_EQ(fits.size(), 97u);

    Load(text + fits + "\n");
    EXPECT_EQ(table_.LookupText("S", "318"), std::string(91, 'x'));
    EXPECT_EQ(table_.LookupText("S", "fit"), std::string(89, 'y'));

    table_.clear();
    Load(text + tooLong + "\n\"after\"=\"a\"\n");
    EXPECT_EQ(table_.LookupText("S", "318"), std::string(91, 'x'));
    EXPECT_EQ(table_.LookupText("S", "fit"), "");
    EXPECT_EQ(table_.LookupText("S", "after"), "") << "lines after the limit stay out too";
}

}  // namespace
}  // namespace korvale
