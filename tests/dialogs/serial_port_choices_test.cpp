// The serial port dialog's lists: which entry a stored rate and port show,
// what OK stores, and the line that names the device a port opens.
#include "dialogs/serial_port_choices.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <utility>

#include "store/temp_directory.h"

namespace korvale {
namespace {

TEST(BaudRateList, ShowsTheHighestListedRateNotAboveTheStoredOne) {
    // Stored rate, the rate shown (and stored again by OK).
    const std::pair<int, int> rows[] = {
        {300, 1200},  {0, 1200},    {1200, 1200},   {2399, 1200},     {2400, 2400},    {4800, 4800},
        {5000, 4800}, {9600, 9600}, {57599, 38400}, {115200, 115200}, {230400, 115200}};
    for (const auto& [stored, shown] : rows) {
        SCOPED_TRACE(stored);
        EXPECT_EQ(BaudRateAtPosition(BaudRatePosition(stored)), shown);
    }
    EXPECT_EQ(BaudRateAtPosition(-1), 9600);  // nothing selected
    EXPECT_EQ(BaudRateAtPosition(8), 9600);
}

TEST(PortList, ShowsStoredPortsUpTo255AndNothingBeyond) {
    const std::vector<std::string> names = PortListNames();
    ASSERT_EQ(names.size(), 256u);
    // Stored port, the entry shown ("" for no selection).
    const std::pair<int, std::string_view> rows[] = {{0, "Undefined"}, {1, "COM1"}, {12, "COM12"},
                                                     {255, "COM255"},  {256, ""},   {300, ""},
                                                     {-5, ""}};
    for (const auto& [stored, shown] : rows) {
        SCOPED_TRACE(stored);
        const int position = PortListPosition(stored);
        EXPECT_EQ(position < 0 ? "" : names[static_cast<std::size_t>(position)], shown);
        EXPECT_EQ(PortFromListPosition(position), position < 0 ? -1 : stored);
    }
}

TEST(ComDevice, NamesTheLinkInTheProgramDirectoryOrTheBuiltInPort) {
    testing::TempDirectory directory;
    const std::string device = directory.file("ttyFAKE0");
    testing::WriteFileBytes(device, "");
    ASSERT_EQ(::symlink(device.c_str(), directory.file("COM3").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/korvale-unplugged", directory.file("COM4").c_str()), 0);
    ASSERT_EQ(::symlink("ttyFAKE0", directory.file("COM5").c_str()), 0);
    // clang-format off
    const std::pair<int, std::string> rows[] = {
        {3, "COM3 in the program directory -> " + device + " (present)"},
        {4, "COM4 in the program directory -> /dev/korvale-unplugged (not present)"},
        {5, "COM5 in the program directory -> " + device + " (present)"},
        {255, "/dev/ttyS254 (not present)"}, {0, ""}, {-1, ""}};
    // clang-format on
    for (const auto& [port, line] : rows) {
        EXPECT_EQ(DescribeComDevice(port, directory.directory()), line);
    }
}

}  // namespace
}  // namespace korvale
