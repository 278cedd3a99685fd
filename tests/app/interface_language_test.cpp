#include "app/interface_language.h"

#include <gtest/gtest.h>

#include "app/profile_file.h"
#include "app/program_directory.h"
#include "app/temp_directory.h"
#include "lang/language_table.h"
#include "lang/translate.h"

namespace korvale {
namespace {

using testing::ReadFileBytes;
using testing::StampOf;
using testing::TempDirectory;
using testing::WriteFileBytes;

class InterfaceLanguageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProgramDirectory = dir_.directory();
        CurrentLanguage = "English";
        TheLanguageTable().clear();
        WriteFileBytes(dir_.file("English.lng"), "[Strings]\n\"Initializing TNC...\\r\"=\"EN\"\n");
        WriteFileBytes(dir_.file("english.lng"), "[Strings]\n\"Initializing TNC...\\r\"=\"en\"\n");
        WriteFileBytes(dir_.file("Deutsch.lng"),
                       "[Strings]\n\"Initializing TNC...\\r\"=\"TNC wird initialisiert...\\r\"\n");
    }
    void TearDown() override {
        TheLanguageTable().clear();
        CurrentLanguage = "English";
        ProgramDirectory.clear();
    }

    TempDirectory dir_;
    std::string ini_ = dir_.file("korvale.ini");
};

TEST_F(InterfaceLanguageTest, EnglishReadsNoFileEvenWhenEnglishLngExists) {
    WriteFileBytes(ini_, "[Misc]\nLanguage=English\n");
    LoadInterfaceLanguage(ini_);
    EXPECT_EQ(CurrentLanguage, "English");
    EXPECT_TRUE(TheLanguageTable().empty());
    EXPECT_EQ(TranslateMsg("Initializing TNC...\r"), "Initializing TNC...\r");
}

TEST_F(InterfaceLanguageTest, MissingSettingMeansEnglish) {
    LoadInterfaceLanguage(ini_);
    EXPECT_EQ(CurrentLanguage, "English");
    EXPECT_TRUE(TheLanguageTable().empty());
}

TEST_F(InterfaceLanguageTest, OtherNameLoadsItsFileFromTheProgramDirectory) {
    WriteFileBytes(ini_, "[Misc]\nLanguage=Deutsch\n");
    LoadInterfaceLanguage(ini_);
    EXPECT_EQ(CurrentLanguage, "Deutsch");
    EXPECT_EQ(TranslateMsg("Initializing TNC...\r"), "TNC wird initialisiert...\r");
}

TEST_F(InterfaceLanguageTest, NameDifferingFromEnglishOnlyInCaseIsAnOrdinaryLanguage) {
    WriteFileBytes(ini_, "[Misc]\nLanguage=english\n");
    LoadInterfaceLanguage(ini_);
    EXPECT_EQ(TranslateMsg("Initializing TNC...\r"), "en");
}

TEST_F(InterfaceLanguageTest, MissingLanguageFileLeavesEnglishTexts) {
    WriteFileBytes(ini_, "[Misc]\nLanguage=Klingon\n");
    LoadInterfaceLanguage(ini_);
    EXPECT_EQ(CurrentLanguage, "Klingon");
    EXPECT_TRUE(TheLanguageTable().empty());
}

TEST_F(InterfaceLanguageTest, LanguageIsWrittenOnlyWhenItChanged) {
    WriteFileBytes(ini_, "[Misc]\nLanguage=Deutsch\n");
    CurrentLanguage = "Deutsch";
    const auto stamp = StampOf(ini_);
    EXPECT_TRUE(StoreInterfaceLanguage(ini_));
    EXPECT_EQ(StampOf(ini_), stamp);
    CurrentLanguage = "English";
    EXPECT_TRUE(StoreInterfaceLanguage(ini_));
    EXPECT_EQ(ReadFileBytes(ini_), "[Misc]\nLanguage=English\n");
}

}  // namespace
}  // namespace korvale
