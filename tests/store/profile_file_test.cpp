#include "store/profile_file.h"
#include "store/code_pages.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <climits>
#include <filesystem>

#include "store/temp_directory.h"

namespace korvale::testing {
namespace {

TEST(ProfileFileTest, ValuesReadAsThePrivateProfileReaderGivesThemWritesChangeOnlyTheirOwnLine) {
    TempDirectory dir_;
    const std::string path_ = dir_.file("korvale.ini");
    const std::string nul = std::string("Gr\xFC\xDF") + '\0' + "e";
    // clang-format off
    const struct {
        const char* fault;
        std::string file, text;
        int integer;
    } cases[] = {
        {"blanks at the ends", "[A]\nk= \t 77 de  DL1ABC  \t", "77 de  DL1ABC", 77},
        {"empty value is no default", "[A]\nk=", "", 9}, {"minus", "[A]\nk=-40ms", "-40ms", -40},
        {"plus sign", "[A]\nk=+5", "+5", 0}, {"lone minus", "[A]\nk=-", "-", 0},
        {"letters", "[A]\nk=on", "on", 0}, {"missing key", "[A]\nx=1", "default", 9},
        {"beyond 32 bits", "[A]\nk=9999999999", "9999999999", INT_MAX},
        {"below 32 bits", "[A]\nk=-9999999999", "-9999999999", INT_MIN},
        {"cut to 4095", "[A]\nk=" + std::string(5000, 'x'), std::string(4095, 'x'), 0},
        {"names in any case", "[a]\nK=3", "3", 3}, {"8-bit and NUL", "[A]\nk=" + nul, nul, 0},
        {"first of repeated keys", "[A]\nk=1\n[B]\nk=2\n[a]\nk=3", "1", 1},
        {"comments", "k=1\n[A]\n;k=2\n  ; k=3\nk = 4 ", "4", 4},
        {"CR LF", "[B]\r\nx=1\r\n[A]\r\nk=5\r\n", "5", 5}};
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        WriteFileBytes(path_, c.file + "\n");
        EXPECT_EQ(ReadProfileText(path_, "A", "k", "default"), c.text);
        EXPECT_EQ(ReadProfileInt(path_, "A", "k", 9), c.integer);
    }
    const struct {
        const char *fault, *before, *value, *after;
    } writes[] = {
        {"in place", "; c\n[A]\nK = 300\n; n\nz=1\n", "450", "; c\n[A]\nK = 450\n; n\nz=1\n"},
        {"CR LF, new key", "[A]\r\nx=1\r\n", "2", "[A]\r\nx=1\r\nk=2\r\n"},
        {"no final newline, same section", "[A]\nx=1", "2", "[A]\nx=1\nk=2\n"},
        {"byte-order mark", "\xEF\xBB\xBF[A]\nk=1\n", "2", "\xEF\xBB\xBF[A]\nk=2\n"},
        {"value with a line break", "[A]\nk=1\n", "x\n[Evil]\ny=1", "[A]\nk=1\n"}};
    for (const auto& c : writes) {
        SCOPED_TRACE(c.fault);
        WriteFileBytes(path_, c.before);
        EXPECT_EQ(WriteProfileText(path_, "a", "k", c.value), std::string(c.before) != c.after);
        EXPECT_EQ(ReadFileBytes(path_), c.after);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.directory()), {}), 1)
        << "temporary files left behind";
    const std::string target = dir_.file("real.ini");
    WriteFileBytes(target, "[A]\nk=1\n");
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::filesystem::remove(path_);
    std::filesystem::create_symlink(target, path_);
    ASSERT_TRUE(WriteProfileInt(path_, "A", "k", INT_MIN));
    EXPECT_TRUE(std::filesystem::is_symlink(path_));
    EXPECT_EQ(ReadFileBytes(target), "[A]\nk=-2147483648\n");
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
    std::string big = "[A]\nk=v\n";
    for (int i = 0; i < 40000; ++i) {
        big += "; " + std::string(70, 'c') + "\n";
    }
    big += "[B]\nj=" + std::string(kProfileLineMaxLength, 'x') + "\n[C]\nm=1\n";
    WriteFileBytes(path_, big);
    EXPECT_EQ(ReadProfileText(path_, "A", "k", "default"), "v");
    EXPECT_EQ(ReadProfileText(path_, "B", "j", "default"), std::string(kProfileTextMaxLength, 'x'));
    EXPECT_EQ(ReadProfileSectionNames(path_, 9999), (std::vector<std::string>{"A", "B", "C"}));
    ASSERT_TRUE(WriteProfileInt(path_, "C", "m", 2));
    EXPECT_EQ(ReadFileBytes(path_), big.substr(0, big.size() - 2) + "2\n");
}

TEST(CodePages, ConversionsKeepExactCharactersAndFallBackToTheClosest) {
    const struct {
        std::string (*convert)(std::string_view);
        std::string from, to;
    } rows[] = {
        {CharToOem, "Gr\xE4\xDF \xA3", "Gr\x84\xE1 \x9C"},
        {CharToOem, "\xC0\xC8\xD3\xD8 \x93x\x94 \x91y\x92 \x96\x97\x85", "AEOO \"x\" 'y' --."},
        {CharToOem, "\x95 \x80\xB6", "\xF9 ??"},
        {OemToChar, "\x84\xE1\x9C \xE0\xE2\xE3\xE4\xE5\xE7\xE8\xE9\xEA\xEB\xEE",
         "\xE4\xDF\xA3 aGpSstFTOde"},
        {OemToChar, "\xC9\xCD\xBB \xBA\xB3 \xC8\xC4\xD9 \xC5", "+-+ || +-+ +"},
        {OemToChar, "\xF2\xF3\xF7\xFB\xEC\xA9\xF9 \xB0\xDB", "><~v8\xAC\xB7 ??"},
        {Utf8ToAnsi,
         "\xC3\xBC \xCE\xA3 \xE2\x89\xA5 \xE2\x94\x8C \xE2\x82\xAC \xE2\x98\xBA \xC0\xAF",
         "\xFC S > + \x80 ? ??"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        EXPECT_EQ(row.convert(row.from), row.to);
    }
    EXPECT_TRUE(IsAnsiControl('\x81') && !IsAnsiControl('\x80') && !IsAnsiControl('\x93'));
}

}  // namespace
}  // namespace korvale::testing
