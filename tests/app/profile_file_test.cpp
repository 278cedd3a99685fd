#include "app/profile_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>

#include "app/temp_directory.h"

namespace korvale {
namespace {

using testing::ReadFileBytes;
using testing::StampOf;
using testing::TempDirectory;
using testing::WriteFileBytes;

class ProfileFileTest : public ::testing::Test {
  protected:
    void Store(std::string_view text) { WriteFileBytes(path_, text); }
    std::string Stored() const { return ReadFileBytes(path_); }

    TempDirectory dir_;
    std::string path_ = dir_.file("korvale.ini");
};

// --- Reading integers ---

TEST_F(ProfileFileTest, IntegerTakesLeadingDigitsWithOptionalMinus) {
    Store(
        "[KISS]\nplain=250\nneg=-40\ntail=12ms\nblanks=   77   \nletters=on\n"
        "plus=+5\nminusonly=-\nempty=\n");
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "plain", 9), 250);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "neg", 9), -40);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "tail", 9), 12);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "blanks", 9), 77);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "letters", 9), 0);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "plus", 9), 0);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "minusonly", 9), 0);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "empty", 9), 9);
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "missing", 9), 9);
    EXPECT_EQ(ReadProfileInt(path_, "Nowhere", "plain", 9), 9);
}

TEST_F(ProfileFileTest, IntegerBeyond32BitsIsHeldAtTheRangeEnd) {
    Store(
        "[A]\nbig=99999999999999999999999\nsmall=-99999999999999999999\nmax=2147483647\n"
        "min=-2147483648\n");
    EXPECT_EQ(ReadProfileInt(path_, "A", "big", 0), INT_MAX);
    EXPECT_EQ(ReadProfileInt(path_, "A", "small", 0), INT_MIN);
    EXPECT_EQ(ReadProfileInt(path_, "A", "max", 0), INT_MAX);
    EXPECT_EQ(ReadProfileInt(path_, "A", "min", 0), INT_MIN);
}

TEST_F(ProfileFileTest, MissingFileReadsAsDefaults) {
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "m_iTxDelay", 200), 200);
    EXPECT_EQ(ReadProfileText(path_, "KISS", "m_sInitTncText", "KISS ON"), "KISS ON");
    EXPECT_FALSE(std::filesystem::exists(path_));
}

// --- Reading texts ---

TEST_F(ProfileFileTest, TextDropsBlanksAtBothEndsOnly) {
    Store("[Beacon]\nm_sBeaconText= \t de  DL1ABC  \t\n");
    EXPECT_EQ(ReadProfileText(path_, "Beacon", "m_sBeaconText", "x"), "de  DL1ABC");
}

TEST_F(ProfileFileTest, EmptyTextValueIsNotTheDefault) {
    Store("[Beacon]\nm_sBeaconText=\n");
    EXPECT_EQ(ReadProfileText(path_, "Beacon", "m_sBeaconText", "default"), "");
}

TEST_F(ProfileFileTest, TextLongerThan4095IsCut) {
    const std::string longValue(5000, 'x');
    Store("[B]\nlong=" + longValue + "\nexact=" + std::string(4095, 'y') + "\n");
    EXPECT_EQ(ReadProfileText(path_, "B", "long", ""), std::string(4095, 'x'));
    EXPECT_EQ(ReadProfileText(path_, "B", "exact", ""), std::string(4095, 'y'));
}

TEST_F(ProfileFileTest, SectionAndKeyNamesMatchWithoutRegardToCase) {
    Store("[kiss]\nM_ITXDELAY=300\n");
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "m_iTxDelay", 0), 300);
}

TEST_F(ProfileFileTest, FirstEntryOfARepeatedKeyWins) {
    Store("[A]\nk=first\n[B]\nk=other\n[a]\nk=later\n");
    EXPECT_EQ(ReadProfileText(path_, "A", "k", ""), "first");
}

TEST_F(ProfileFileTest, KeyInALaterBlockOfTheSameSectionIsFound) {
    Store("[A]\nx=1\n[B]\ny=2\n[A]\nz=3\n");
    EXPECT_EQ(ReadProfileInt(path_, "A", "z", 0), 3);
    EXPECT_EQ(ReadProfileInt(path_, "B", "z", 0), 0);
}

TEST_F(ProfileFileTest, CommentAndLinesBeforeAnySectionAreNotEntries) {
    Store("k=outside\n[A]\n;k=comment\n  ; k=indented comment\nk = inside \n");
    EXPECT_EQ(ReadProfileText(path_, "A", "k", ""), "inside");
}

TEST_F(ProfileFileTest, CrLfLinesReadLikeLfLines) {
    Store("[A]\r\nk=v\r\n[B]\r\nn=5\r\n");
    EXPECT_EQ(ReadProfileText(path_, "A", "k", ""), "v");
    EXPECT_EQ(ReadProfileInt(path_, "B", "n", 0), 5);
}

TEST_F(ProfileFileTest, EightBitAndNulBytesAreKeptAsTheyStand) {
    const std::string value = std::string("Gr\xFC\xDF") + '\0' + "e";
    Store("[A]\nk=" + value + "\n");
    EXPECT_EQ(ReadProfileText(path_, "A", "k", ""), value);
}

TEST_F(ProfileFileTest, FifoIsNotWaitedFor) {
    ASSERT_EQ(::mkfifo(path_.c_str(), 0600), 0);
    EXPECT_EQ(ReadProfileText(path_, "A", "k", "default"), "default");
    EXPECT_FALSE(WriteProfileText(path_, "A", "k", "v"));
}

// --- Writing ---

TEST_F(ProfileFileTest, FirstWriteCreatesFileSectionAndKey) {
    ASSERT_TRUE(WriteProfileText(path_, "Misc", "Language", "English"));
    ASSERT_TRUE(WriteProfileInt(path_, "Dialog", "Left", -12));
    ASSERT_TRUE(WriteProfileInt(path_, "Misc", "m_bOemTranslation", 1));
    EXPECT_EQ(Stored(), "[Misc]\nLanguage=English\nm_bOemTranslation=1\n\n[Dialog]\nLeft=-12\n");
}

TEST_F(ProfileFileTest, WriteReplacesValueInPlaceAndKeepsEveryOtherLine) {
    const std::string before =
        "; settings of the gateway\n"
        "[KISS]\n"
        "m_iTxDelay = 300\n"
        "; slot time in ms\n"
        "m_iSlottime=10\n"
        "\n"
        "[Monitor]\n"
        "m_bMonitorI=1\n";
    Store(before);
    ASSERT_TRUE(WriteProfileInt(path_, "kiss", "M_ITXDELAY", 450));
    std::string expected = before;
    expected.replace(expected.find("300"), 3, "450");
    EXPECT_EQ(Stored(), expected);
}

TEST_F(ProfileFileTest, NewKeyGoesAfterTheSectionsLastEntryNotAfterItsBlankLines) {
    Store("[KISS]\nm_iTxDelay=300\n\n[Monitor]\nm_bMonitorI=1\n");
    ASSERT_TRUE(WriteProfileInt(path_, "KISS", "m_iTxTail", 5));
    EXPECT_EQ(Stored(), "[KISS]\nm_iTxDelay=300\nm_iTxTail=5\n\n[Monitor]\nm_bMonitorI=1\n");
}

TEST_F(ProfileFileTest, WriteKeepsTheFilesCrLfLineEndings) {
    Store("[A]\r\nk=1\r\n");
    ASSERT_TRUE(WriteProfileText(path_, "A", "n", "2"));
    ASSERT_TRUE(WriteProfileText(path_, "B", "m", "3"));
    EXPECT_EQ(Stored(), "[A]\r\nk=1\r\nn=2\r\n\r\n[B]\r\nm=3\r\n");
}

TEST_F(ProfileFileTest, WriteAfterALastLineWithoutNewlineDoesNotJoinLines) {
    Store("[A]\nk=1");
    ASSERT_TRUE(WriteProfileText(path_, "A", "n", "2"));
    EXPECT_EQ(Stored(), "[A]\nk=1\nn=2\n");
    Store("[A]\nk=1");
    ASSERT_TRUE(WriteProfileText(path_, "B", "n", "2"));
    EXPECT_EQ(Stored(), "[A]\nk=1\n\n[B]\nn=2\n");
}

TEST_F(ProfileFileTest, ValueWithLineBreakIsRefusedAndFileUnchanged) {
    Store("[A]\nk=1\n");
    EXPECT_FALSE(WriteProfileText(path_, "A", "k", "x\n[Evil]\ny=1"));
    EXPECT_FALSE(WriteProfileText(path_, "A]\n[B", "k", "1"));
    EXPECT_FALSE(WriteProfileText(path_, "A", "k=x", "1"));
    EXPECT_FALSE(WriteProfileText(path_, "A", "", "1"));
    EXPECT_EQ(Stored(), "[A]\nk=1\n");
}

TEST_F(ProfileFileTest, WrittenValueReadsBackExactly) {
    const std::string value = "^192^255^192 = \"quoted\" \xE4";
    ASSERT_TRUE(WriteProfileText(path_, "KISS", "m_sExitTncText", value));
    EXPECT_EQ(ReadProfileText(path_, "KISS", "m_sExitTncText", ""), value);
    ASSERT_TRUE(WriteProfileInt(path_, "KISS", "big", INT_MIN));
    EXPECT_EQ(ReadProfileInt(path_, "KISS", "big", 0), INT_MIN);
}

TEST_F(ProfileFileTest, WriteIntoMissingDirectoryFailsWithoutCrash) {
    EXPECT_FALSE(WriteProfileText(dir_.file("no/such/dir/x.ini"), "A", "k", "v"));
}

TEST_F(ProfileFileTest, OversizedFileIsNeitherReadNorOverwritten) {
    std::string big = "[A]\nk=v\n";
    big.resize(kMaxProfileFileSize + 1, ';');
    Store(big);
    EXPECT_EQ(ReadProfileText(path_, "A", "k", "default"), "default");
    EXPECT_FALSE(WriteProfileText(path_, "A", "k", "new"));
    EXPECT_EQ(Stored(), big);
}

TEST_F(ProfileFileTest, WriteLeavesNoTemporaryFilesBehind) {
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(WriteProfileInt(path_, "A", "k", i));
    }
    int entries = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(dir_.directory())) {
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(ProfileFileTest, WriteKeepsPermissionsAndReplacesTheLinkTarget) {
    const std::string target = dir_.file("real.ini");
    WriteFileBytes(target, "[A]\nk=1\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::create_symlink(target, path_);
    ASSERT_TRUE(WriteProfileInt(path_, "A", "k", 2));
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(ReadFileBytes(target), "[A]\nk=2\n");
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

// --- Section lists ---

TEST_F(ProfileFileTest, SectionNamesComeInFileOrderEachOnce) {
    Store("x=1\n[Strings]\n[Main dialog]\n[STRINGS]\n[]\n[ spaced ]\n[no close\n");
    EXPECT_EQ(ReadProfileSectionNames(path_, 9999),
              (std::vector<std::string>{"Strings", "Main dialog", "", " spaced "}));
}

TEST_F(ProfileFileTest, SectionLinesAreRawAndSkipBlanksAndComments) {
    Store("[S]\n  \"Exit\"=\"Ende\"  \r\n\n; note\nplain\n[T]\nother\n[s]\nlater=1\n");
    EXPECT_EQ(ReadProfileSection(path_, "S", 31999),
              (std::vector<std::string>{"  \"Exit\"=\"Ende\"  ", "plain", "later=1"}));
}

TEST_F(ProfileFileTest, SectionNameListKeepsOnlyNamesThatFitWhole) {
    // Names of 8 characters take 9 with their NUL; the list's closing NUL
    // needs one more.
    std::string text;
    for (int i = 0; i < 10; ++i) {
        text += "[section" + std::to_string(i) + "]\n";
    }
    Store(text);
    EXPECT_EQ(ReadProfileSectionNames(path_, 28).size(), 3u);
    EXPECT_EQ(ReadProfileSectionNames(path_, 27).size(), 2u);
    EXPECT_EQ(ReadProfileSectionNames(path_, 91).size(), 10u);
    EXPECT_EQ(ReadProfileSectionNames(path_, 90).size(), 9u);
}

TEST_F(ProfileFileTest, SectionLineListDropsTheLineThatDoesNotFitWhole) {
    Store("[S]\n12345678\nabcdefgh\nlast\n");
    // 9 + 9 + 5 characters with NULs, plus the closing NUL.
    EXPECT_EQ(ReadProfileSection(path_, "S", 24).size(), 3u);
    const auto cut = ReadProfileSection(path_, "S", 23);
    EXPECT_EQ(cut, (std::vector<std::string>{"12345678", "abcdefgh"}));
}

}  // namespace
}  // namespace korvale
