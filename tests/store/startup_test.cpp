// Start-up: where the program finds its directory and its INI file.
#include <gtest/gtest.h>

#include <filesystem>

#include "store/process_environment.h"
#include "store/temp_directory.h"

namespace korvale {
namespace {

// {} stands for unknown; `link` is the one path that names the executable.
struct FakeEnvironment : ProgramEnvironment {
    FakeEnvironment(std::optional<std::string> c, std::optional<std::string> e, std::string l)
        : current(std::move(c)), executable(std::move(e)), link(std::move(l)) {}
    std::optional<std::string> current, executable;
    std::string link;
    std::optional<std::string> currentDirectory() const override { return current; }
    std::optional<std::string> executablePath() const override { return executable; }
    bool sameFile(const std::string& a, const std::string&) const override { return a == link; }
};

TEST(LocateProgramTest, IniFileLiesBesideTheProgramTheFirstWordNames) {
    const struct {
        const char* fault;
        std::string firstWord;
        std::optional<std::string> current, executable;
        std::string link, iniPath;
    } cases[] = {
        {"path with a directory", "/opt/gw.exe", "/home/op", "/opt/gw.exe", "", "/opt/gw.ini"},
        {"relative path", "build/korvale", "/home/op", {}, "", "/home/op/build/korvale.ini"},
        {"own directory", "korvale", "/srv", "/opt/korvale", "/srv/korvale", "/srv/korvale.ini"},
        {"bare name from the PATH", "korvale", "/home/op", "/opt/korvale", "", "/opt/korvale.ini"},
        {"bare name, nothing known", "korvale", {}, {}, "", "korvale.ini"},
        {"bare name, executable unknown", "korvale", "/srv/", {}, "", "/srv/korvale.ini"},
        {"last dot starts the extension", "/x/my.gate.v2", {}, {}, "", "/x/my.gate.ini"},
        {"dot in a directory name", "/x.d/korvale", {}, {}, "", "/x.d/korvale.ini"},
        {"hidden file", "/x/.korvale", {}, {}, "", "/x/.korvale.ini"},
        {"empty first word", "", "/home/op", "/opt/korvale", "", "/opt/korvale.ini"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const FakeEnvironment env(c.current, c.executable, c.link);
        EXPECT_EQ(LocateProgram(c.firstWord, env).iniPath, c.iniPath);
    }
}

TEST(SetUpProgramDirectoryTest, ProgramDirectoryBecomesTheCurrentDirectory) {
    const std::filesystem::path saved = std::filesystem::current_path();
    testing::TempDirectory dir;
    EXPECT_EQ(SetUpProgramDirectory(dir.file("korvale")).iniPath, dir.file("korvale.ini"));
    EXPECT_EQ(ProgramDirectory, dir.directory());
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.directory()));
    // A bare name not in the current directory was found on the PATH.
    SetUpProgramDirectory("korvale-not-here");
    EXPECT_EQ(ProgramDirectory,
              std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/");
    std::filesystem::current_path(saved);
    ProgramDirectory.clear();
}

}  // namespace
}  // namespace korvale
