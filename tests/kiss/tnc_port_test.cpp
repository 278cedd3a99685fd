// The main window's open and close of the TNC port, with the messages the
// user sees and the disable rule.
#include "kiss/tnc_port.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <string>
#include <vector>

#include "kiss/com_handler_link.h"
#include "kiss/fake_serial_port.h"
#include "kiss/pty_pair.h"

namespace korvale {
namespace {

using testing::FakeLine;
using testing::fakePortFactory;

struct ShownMessage {
    std::string text;
    int port;
    bool operator==(const ShownMessage&) const = default;
};

class TncPortTest : public ::testing::Test {
  protected:
    TncMessageCallback show = [this](std::string_view text, int port) {
        shown.push_back({std::string(text), port});
    };
    std::vector<ShownMessage> shown;
};

TEST_F(TncPortTest, PortZeroOrDisabledPortIsNotEnabled) {
    EXPECT_FALSE(IsTncPortEnabled(0, 0));
    EXPECT_FALSE(IsTncPortEnabled(1, 3));
    EXPECT_TRUE(IsTncPortEnabled(0, 3));
}

TEST_F(TncPortTest, NotEnabledPortShowsWarningAndOpensNothing) {
    auto line = std::make_shared<FakeLine>();
    ComHandler handler(fakePortFactory(line));
    ComHandlerLink link(handler);
    int disabled = 1;
    EXPECT_FALSE(OpenTncPort(link, 3, 9600, disabled, show));
    int noPortDisabled = 0;
    EXPECT_FALSE(OpenTncPort(link, 0, 9600, noPortDisabled, show));
    EXPECT_EQ(line->openAttempts, 0);
    EXPECT_EQ(shown, (std::vector<ShownMessage>{{"Warning: Serial port is not enabled.\r", 3},
                                                {"Warning: Serial port is not enabled.\r", 0}}));
    EXPECT_EQ(noPortDisabled, 0) << "the warning must not disable the port";
}

TEST_F(TncPortTest, PortThatCannotBeOpenedShowsErrorAndStaysDisabled) {
    ASSERT_EQ(::access("/dev/ttyS98", F_OK), -1) << "this machine has a /dev/ttyS98";
    testing::TempDirectory directory;
    ComHandler handler(makePosixSerialPort, directory.path());
    ComHandlerLink link(handler);
    int disabled = 0;
    EXPECT_FALSE(OpenTncPort(link, 99, 9600, disabled, show));
    EXPECT_EQ(disabled, 1);
    EXPECT_FALSE(IsTncPortEnabled(disabled, 99));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], (ShownMessage{"Error: Cannot open COM%i! Port is disabled.\r", 99}));

    // From now on the port is left alone: a warning, no new 3 s attempt.
    EXPECT_FALSE(OpenTncPort(link, 99, 9600, disabled, show));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].text, kSerialPortNotEnabledText);
}

TEST_F(TncPortTest, OpenedPortRunsEightNoneOneWithRtsCtsAtTheChosenRate) {
    testing::PtyPair pty;
    ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
    testing::TempDirectory directory;
    ASSERT_TRUE(directory.linkPort(5, pty.slavePath()));
    ComHandler handler(makePosixSerialPort, directory.path());
    ComHandlerLink link(handler);
    int disabled = 0;
    ASSERT_TRUE(OpenTncPort(link, 5, 38400, disabled, show));
    EXPECT_TRUE(shown.empty());

    termios2 line{};
    ASSERT_EQ(::ioctl(pty.master(), TCGETS2, &line), 0);
    EXPECT_EQ(line.c_ospeed, 38400u);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_NE(line.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);

    CloseTncPort(link, 5, disabled);
    EXPECT_EQ(handler.State(), kComStateClosed);
}

TEST_F(TncPortTest, CloseLeavesHandlerAloneWhenPortIsNotEnabled) {
    auto line = std::make_shared<FakeLine>();
    ComHandler handler(fakePortFactory(line));
    ComHandlerLink link(handler);
    ASSERT_EQ(handler.Open(3, 9600, 8, 0, 0, 1, 2, 0), kComOk);
    CloseTncPort(link, 3, 1);
    EXPECT_EQ(handler.State(), 3);
    CloseTncPort(link, 3, 0);
    EXPECT_EQ(handler.State(), kComStateClosed);
}

}  // namespace
}  // namespace korvale
