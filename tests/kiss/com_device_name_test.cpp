#include "kiss/com_device_name.h"

#include <gtest/gtest.h>

#include "kiss/pty_pair.h"

namespace korvale {
namespace {

using testing::TempDirectory;

TEST(ComDeviceName, LinkInProgramDirectoryWinsOverBuiltInPort) {
    TempDirectory directory;
    ASSERT_TRUE(directory.linkPort(3, "/dev/ttyUSB0"));
    EXPECT_EQ(ResolveComDevice(3, directory.path()), directory.path() + "/COM3");
}

TEST(ComDeviceName, ProgramDirectoryWithTrailingSlashGetsNoDoubleSlash) {
    TempDirectory directory;
    ASSERT_TRUE(directory.linkPort(3, "/dev/ttyUSB0"));
    EXPECT_EQ(ResolveComDevice(3, directory.path() + "/"), directory.path() + "/COM3");
}

TEST(ComDeviceName, PortWithoutLinkIsTtySOfOneLess) {
    TempDirectory directory;
    EXPECT_EQ(ResolveComDevice(1, directory.path()), "/dev/ttyS0");
    EXPECT_EQ(ResolveComDevice(9, directory.path()), "/dev/ttyS8");
    EXPECT_EQ(ResolveComDevice(10, directory.path()), "/dev/ttyS9");
}

TEST(ComDeviceName, LinkForAnotherNumberIsNotTaken) {
    TempDirectory directory;
    ASSERT_TRUE(directory.linkPort(1, "/dev/ttyUSB0"));
    EXPECT_EQ(ResolveComDevice(10, directory.path()), "/dev/ttyS9");
    EXPECT_EQ(ResolveComDevice(11, directory.path()), "/dev/ttyS10");
}

TEST(ComDeviceName, DanglingLinkIsStillChosenNotTheBuiltInPort) {
    // An unplugged adapter must not make the program open some other line.
    TempDirectory directory;
    ASSERT_TRUE(directory.linkPort(2, directory.path() + "/no-such-device"));
    EXPECT_EQ(ResolveComDevice(2, directory.path()), directory.path() + "/COM2");
}

TEST(ComDeviceName, PortNumberBelowOneNamesNoDevice) {
    TempDirectory directory;
    EXPECT_EQ(ResolveComDevice(0, directory.path()), "");
    EXPECT_EQ(ResolveComDevice(-1, directory.path()), "");
}

}  // namespace
}  // namespace korvale
