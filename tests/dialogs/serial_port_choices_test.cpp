#include "dialogs/serial_port_choices.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <tuple>
#include <utility>

#include "kiss/tnc_address.h"
#include "store/temp_directory.h"

namespace korvale {
namespace {

TEST(SerialPortChoices, StoredRatesAndPortsShowTheirEntriesAndOkStoresThem) {
    // Stored rate, the rate shown and stored again by OK; -1 and 8 select nothing.
    const std::pair<int, int> rates[] = {{0, 1200},    {2399, 1200},   {2400, 2400},
                                         {9600, 9600}, {57599, 38400}, {115200, 115200}};
    for (const auto& [stored, shown] : rates) {
        EXPECT_EQ(BaudRateAtPosition(BaudRatePosition(stored)), shown) << stored;
    }
    EXPECT_EQ(BaudRateAtPosition(-1), 9600);
    EXPECT_EQ(BaudRateAtPosition(8), 9600);
    const std::vector<std::string> names = PortListNames();
    ASSERT_EQ(names.size(), 256u);
    const std::pair<int, std::string_view> ports[] = {
        {0, "Undefined"}, {1, "COM1"}, {255, "COM255"}, {256, ""}, {-5, ""}};
    for (const auto& [stored, shown] : ports) {
        const int position = PortListPosition(stored);
        EXPECT_EQ(position < 0 ? "" : names[static_cast<std::size_t>(position)], shown) << stored;
        EXPECT_EQ(PortFromListPosition(position), position < 0 ? -1 : stored);
    }
}

TEST(SerialPortChoices, TcpAddressFieldTakesHostColonPortOrNothingAndRefusesTheRest) {
    // Field text; what OK stores; the host and port connected to.
    const std::tuple<const char*, const char*, const char*, int> taken[] = {
        {" localhost:8001\t", "localhost:8001", "localhost", 8001},
        {"[::1]:65535", "[::1]:65535", "::1", 65535},
        {"[fe80::1%eth0]:1", "[fe80::1%eth0]:1", "fe80::1%eth0", 1},
        {"tnc_pi.my-net.example:8001", "tnc_pi.my-net.example:8001", "tnc_pi.my-net.example", 8001},
        {"   ", "", "", 0}};
    for (const auto& [field, stored, host, port] : taken) {
        EXPECT_EQ(TncAddressFromField(field), std::optional<std::string>(stored)) << field;
        const std::optional<TncAddress> address = ParseTncAddress(stored);
        EXPECT_EQ(address ? address->host + ":" + std::to_string(address->port) : ":0",
                  std::string(host) + ":" + std::to_string(port));
    }
    for (const char* refused :
         {"localhost", "localhost:0", "localhost:65536", "localhost:+80", ":8001", "::1:8001",
          "[::1]8001", "[::g]:8001", "[192.168.1.1]:8001", "[fe80::1%]:8001", "1.2.3:8001",
          "my host:8001", "-pi.example:8001", "pi.example-:8001", "pi..example:8001"}) {
        EXPECT_EQ(TncAddressFromField(refused), std::nullopt) << refused;
    }
    EXPECT_NE(kTncAddressRefusal.find("host:port"), std::string_view::npos);
}

TEST(SerialPortChoices, DeviceLineNamesTheLinkInTheProgramDirectoryOrTheBuiltInPort) {
    testing::TempDirectory dir;
    const std::string device = dir.file("ttyFAKE0");
    testing::WriteFileBytes(device, "");
    ASSERT_EQ(::symlink(device.c_str(), dir.file("COM3").c_str()), 0);
    ASSERT_EQ(::symlink("/dev/korvale-unplugged", dir.file("COM4").c_str()), 0);
    ASSERT_EQ(::symlink("ttyFAKE0", dir.file("COM5").c_str()), 0);
    const std::pair<int, std::string> rows[] = {
        {3, "COM3 in the program directory -> " + device + " (present)"},
        {4, "COM4 in the program directory -> /dev/korvale-unplugged (not present)"},
        {5, "COM5 in the program directory -> " + device + " (present)"},
        {255, "/dev/ttyS254 (not present)"},
        {0, ""},
        {-1, ""}};
    for (const auto& [port, line] : rows) {
        EXPECT_EQ(DescribeComDevice(port, dir.directory()), line) << port;
    }
}

}  // namespace
}  // namespace korvale
