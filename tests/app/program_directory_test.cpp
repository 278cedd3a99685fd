#include "app/program_directory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/process_environment.h"
#include "app/temp_directory.h"

namespace korvale {
namespace {

class FakeEnvironment : public ProgramEnvironment {
  public:
    std::optional<std::string> current;
    std::optional<std::string> executable;
    std::string existing;  // the one path that names the executable

    std::optional<std::string> currentDirectory() const override { return current; }
    std::optional<std::string> executablePath() const override { return executable; }
    bool sameFile(const std::string& a, const std::string& b) const override {
        return a == existing && b == *executable;
    }
};

TEST(LocateProgramTest, PathWithDirectoryGivesThatDirectoryAndIniBesideIt) {
    FakeEnvironment env;
    env.current = "/home/op";
    env.executable = "/opt/radio/gw.exe";
    const ProgramLocation location = LocateProgram("/opt/radio/gw.exe", env);
    EXPECT_EQ(location.directory, "/opt/radio/");
    EXPECT_EQ(location.baseName, "gw");
    EXPECT_EQ(location.iniPath, "/opt/radio/gw.ini");
}

TEST(LocateProgramTest, RelativePathStaysRightAfterTheDirectoryChange) {
    FakeEnvironment env;
    env.current = "/home/op";
    const ProgramLocation location = LocateProgram("build/korvale", env);
    EXPECT_EQ(location.directory, "/home/op/build/");
    EXPECT_EQ(location.iniPath, "/home/op/build/korvale.ini");
}

TEST(LocateProgramTest, BareNameStartedFromItsOwnDirectoryUsesTheCurrentDirectory) {
    FakeEnvironment env;
    env.current = "/srv/gate";
    env.executable = "/srv/gate/korvale";
    env.existing = "/srv/gate/korvale";
    EXPECT_EQ(LocateProgram("korvale", env).iniPath, "/srv/gate/korvale.ini");
}

TEST(LocateProgramTest, BareNameFoundOnThePathUsesTheExecutablesDirectory) {
    FakeEnvironment env;
    env.current = "/home/op";
    env.executable = "/usr/local/bin/korvale";
    const ProgramLocation location = LocateProgram("korvale", env);
    EXPECT_EQ(location.directory, "/usr/local/bin/");
    EXPECT_EQ(location.iniPath, "/usr/local/bin/korvale.ini");
}

TEST(LocateProgramTest, BareNameWithNothingKnownLeavesTheDirectoryEmpty) {
    FakeEnvironment env;
    const ProgramLocation location = LocateProgram("korvale", env);
    EXPECT_EQ(location.directory, "");
    EXPECT_EQ(location.iniPath, "korvale.ini");
}

TEST(LocateProgramTest, BareNameWithUnknownExecutableFollowsTheCurrentDirectory) {
    FakeEnvironment env;
    env.current = "/srv/gate/";
    EXPECT_EQ(LocateProgram("korvale", env).iniPath, "/srv/gate/korvale.ini");
}

TEST(LocateProgramTest, ExtensionStartsAtTheLastDot) {
    FakeEnvironment env;
    EXPECT_EQ(LocateProgram("/x/my.gate.v2", env).iniPath, "/x/my.gate.ini");
    EXPECT_EQ(LocateProgram("/x/korvale", env).iniPath, "/x/korvale.ini");
    EXPECT_EQ(LocateProgram("/x.d/korvale", env).iniPath, "/x.d/korvale.ini");
}

TEST(LocateProgramTest, EmptyFirstWordFallsBackToTheExecutable) {
    FakeEnvironment env;
    env.current = "/home/op";
    env.executable = "/opt/korvale";
    EXPECT_EQ(LocateProgram("", env).iniPath, "/opt/korvale.ini");
}

class SetUpProgramDirectoryTest : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = std::filesystem::current_path(); }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        ProgramDirectory.clear();
    }
    std::filesystem::path saved_;
};

TEST_F(SetUpProgramDirectoryTest, ProgramDirectoryBecomesTheCurrentDirectory) {
    testing::TempDirectory dir;
    const ProgramLocation location = SetUpProgramDirectory(dir.file("korvale"));
    EXPECT_EQ(ProgramDirectory, dir.directory());
    EXPECT_EQ(location.iniPath, dir.file("korvale.ini"));
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.directory()));
}

TEST_F(SetUpProgramDirectoryTest, BareNameNotInTheCurrentDirectoryFindsTheRunningExecutable) {
    testing::TempDirectory elsewhere;
    std::filesystem::current_path(elsewhere.directory());
    SetUpProgramDirectory("korvale-not-here");
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(ProgramDirectory, self.parent_path().string() + "/");
}

}  // namespace
}  // namespace korvale
