// Which device a port number names, and the main window's open and close of
// the TNC port with the messages the user sees and the disable rule.
#include "kiss/tnc_port.h"

#include <gtest/gtest.h>

#include <string>

#include "kiss/com_device_name.h"
#include "kiss/pty_pair.h"

namespace korvale {
namespace {

TEST(ComDeviceName, ComLinkInProgramDirectoryWinsElsePortNIsTtySOfNMinusOne) {
    testing::TempDirectory directory;
    const std::string dir = directory.path();
    ASSERT_TRUE(directory.linkPort(1, "/dev/ttyUSB0"));
    // Dangling: an unplugged adapter must not make the program open another line.
    ASSERT_TRUE(directory.linkPort(2, dir + "/no-such-device"));
    struct Row {
        int port;
        std::string directory;
        std::string device;
    };
    const Row rows[] = {
        {1, dir, dir + "/COM1"},
        {1, dir + "/", dir + "/COM1"},
        {2, dir, dir + "/COM2"},
        {9, dir, "/dev/ttyS8"},
        {10, dir, "/dev/ttyS9"},
        {11, dir, "/dev/ttyS10"},
        {0, dir, ""},
        {-1, dir, ""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ResolveComDevice(row.port, row.directory), row.device)
            << "port " << row.port << " in " << row.directory;
    }
}

struct FakeLink final : SerialLink {
    int open(int, int) override {
        ++opens;
        return openResult;
    }
    int close() override {
        ++closes;
        return 0;
    }
    bool write(std::span<const std::uint8_t>) override { return true; }
    int read(std::span<std::uint8_t>) override { return 0; }
    int openResult = 0;
    int opens = 0;
    int closes = 0;
};

TEST(TncPort, OpenShowsWhyThePortIsUnusedAndAPortThatFailedStaysDisabled) {
    const std::string warning = "Warning: Serial port is not enabled.\r";
    const std::string error = "Error: Cannot open COM%i! Port is disabled.\r";
    struct Row {
        const char* what;
        int port, disabled, openResult;
        bool opened;
        std::string shown;
        int disabledAfter;
    };
    const Row rows[] = {
        {"no port chosen", 0, 0, 0, false, warning, 0},
        {"port disabled", 3, 1, 0, false, warning, 1},
        {"port opened", 3, 0, 0, true, "", 0},
        {"port missing", 99, 0, 3, false, error, 1},
        {"any failure code", 5, 0, 5, false, error, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        FakeLink link;
        link.openResult = row.openResult;
        int disabled = row.disabled;
        std::string shown;
        int shownPort = -1;
        const auto show = [&](std::string_view text, int port) {
            shown = text;
            shownPort = port;
        };
        EXPECT_EQ(OpenTncPort(link, row.port, 9600, disabled, show), row.opened);
        EXPECT_EQ(shown, row.shown);
        EXPECT_EQ(shownPort, row.shown.empty() ? -1 : row.port);
        EXPECT_EQ(disabled, row.disabledAfter);
        EXPECT_EQ(link.opens, row.disabled == 0 && row.port != 0 ? 1 : 0);
        EXPECT_EQ(IsTncPortEnabled(disabled, row.port), row.opened);
        CloseTncPort(link, row.port, disabled);
        EXPECT_EQ(link.closes, row.opened ? 1 : 0) << "closed a port that is not enabled";
    }
}

}  // namespace
}  // namespace korvale
