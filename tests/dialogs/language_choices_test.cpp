#include "dialogs/language_choices.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>

#include "store/temp_directory.h"

namespace korvale {
namespace {

TEST(LanguageChoices, ListsEnglishThenEveryVisibleLoadableLanguageFile) {
    testing::TempDirectory dir;
    for (const char* name : {"Deutsch.lng", "a.b.lng", ".hidden.lng", "notes.txt", "Upper.LNG",
                             "English.lng", "lng", "Deutsch.lng.bak"}) {
        testing::WriteFileBytes(dir.file(name), "[Strings]\n");
    }
    ASSERT_EQ(::mkdir(dir.file("dir.lng").c_str(), 0700), 0);
    ASSERT_EQ(::symlink(dir.file("Deutsch.lng").c_str(), dir.file("link.lng").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("gone").c_str(), dir.file("dangling.lng").c_str()), 0);
    const std::string withSlash = dir.directory();
    for (const std::string& path : {withSlash, withSlash.substr(0, withSlash.size() - 1)}) {
        std::vector<std::string> choices = LanguageChoices(path);
        ASSERT_FALSE(choices.empty());
        EXPECT_EQ(choices.front(), "English");
        std::sort(choices.begin() + 1, choices.end());  // the file system's order
        EXPECT_EQ(choices,
                  (std::vector<std::string>{"English", "Deutsch", "English", "a.b", "link"}));
    }
    EXPECT_EQ(LanguageChoices("/nonexistent/korvale/"), std::vector<std::string>{"English"});
}

TEST(LanguageChoices, SelectsTheLastEqualEntry) {
    const std::vector<std::string> choices = {"English", "Deutsch", "English", "Nederlands"};
    const std::pair<std::string, int> rows[] = {{"English", 2},  {"Deutsch", 1},  {"Nederlands", 3},
                                                {"deutsch", -1}, {"Removed", -1}, {"", -1}};
    for (const auto& [current, selected] : rows) {
        EXPECT_EQ(LanguageChoiceSelection(choices, current), selected) << current;
    }
}

}  // namespace
}  // namespace korvale
