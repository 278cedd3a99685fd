// The termios port against real pseudo-terminals: what the line settings do
// to the bytes, exclusivity, and the waits that must end.
#include "kiss/posix_serial_port.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <thread>

#include "kiss/pty_pair.h"

namespace korvale {
namespace {

using testing::PtyPair;

class PosixSerialPortTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available"; }

    // The slave's line settings; on Linux the master reports its slave's.
    termios2 slaveLine() const {
        termios2 line{};
        EXPECT_EQ(::ioctl(pty.master(), TCGETS2, &line), 0);
        return line;
    }

    PtyPair pty;
    PosixSerialPort port;
};

TEST_F(PosixSerialPortTest, ControlBytesPassUnchangedBothWays) {
    // A cooked line would turn CR into LF, LF into CR LF, eat ^C, ^D, DEL and
    // XON/XOFF, and echo; the TNC's init text and KISS frames need them all.
    ASSERT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
    const std::vector<std::uint8_t> bytes = {0x0D, 0x0A, 0x03, 0x04, 0x11, 0x13, 0x1A,
                                             0x7F, 0xC0, 0xDB, 0xFF, 0x00, 0x0D};

    ASSERT_TRUE(pty.send(bytes));
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[64];
    while (got.size() < bytes.size()) {
        const PortTransfer read = port.read(buffer, std::chrono::seconds(5));
        ASSERT_FALSE(read.gone);
        ASSERT_GT(read.count, 0u) << "bytes lost on the way in";
        got.insert(got.end(), buffer, buffer + read.count);
    }
    EXPECT_EQ(got, bytes);

    const PortTransfer written = port.write(bytes, std::chrono::seconds(1));
    EXPECT_EQ(written.count, bytes.size());
    EXPECT_EQ(pty.receive(bytes.size() + 1, std::chrono::milliseconds(300)), bytes)
        << "bytes changed on the way out, or echoed";
}

TEST_F(PosixSerialPortTest, RateOutsideClassicTableIsNotRounded) {
    SerialSettings settings;
    settings.baudRate = 12345;
    ASSERT_EQ(port.open(pty.slavePath(), settings), PortOpenResult::Opened);
    const termios2 line = slaveLine();
    EXPECT_EQ(line.c_ospeed, 12345u);
    EXPECT_EQ(line.c_ispeed, 12345u);
}

TEST_F(PosixSerialPortTest, ProgramLineIsEightNoneOneWithHardwareFlowControl) {
    ASSERT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
    const termios2 line = slaveLine();
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB), 0u);
    EXPECT_NE(line.c_cflag & CRTSCTS, 0u);
    EXPECT_NE(line.c_cflag & CLOCAL, 0u) << "a TNC without DCD would block the line";
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(PosixSerialPortTest, ParityStopBitsAndFlowControlFollowTheSettings) {
    // A pseudo-terminal forces eight bits without parity generation (CS8, no
    // PARENB); what it keeps shows the rest reached the driver.
    SerialSettings settings;
    settings.parity = kParityMark;
    settings.stopBits = kStopBitsTwo;
    settings.rtsMode = kLineModeOn;
    ASSERT_EQ(port.open(pty.slavePath(), settings), PortOpenResult::Opened);
    termios2 line = slaveLine();
    EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), static_cast<tcflag_t>(PARODD | CMSPAR));
    EXPECT_NE(line.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(line.c_cflag & CRTSCTS, 0u) << "RTS on is not RTS/CTS handshake";
    EXPECT_EQ(line.c_iflag & INPCK, 0u) << "parity errors must not drop bytes";

    port.close();
    settings.parity = kParityEven;
    ASSERT_EQ(port.open(pty.slavePath(), settings), PortOpenResult::Opened);
    line = slaveLine();
    EXPECT_EQ(line.c_cflag & (PARODD | CMSPAR), 0u) << "odd or mark parity left over";
}

TEST_F(PosixSerialPortTest, XonXoffStopsAndRestartsOutput) {
    SerialSettings settings;
    settings.xonXoff = 1;
    ASSERT_EQ(port.open(pty.slavePath(), settings), PortOpenResult::Opened);
    const std::uint8_t xoff = kXoffCharacter;
    const std::uint8_t xon = kXonCharacter;
    ASSERT_TRUE(pty.send({&xoff, 1}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    const std::vector<std::uint8_t> bytes = {'a', 'b', 'c'};
    EXPECT_EQ(port.write(bytes, std::chrono::milliseconds(100)).count, 0u)
        << "the line took bytes while stopped by XOFF";
    ASSERT_TRUE(pty.send({&xon, 1}));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(port.write(bytes, std::chrono::seconds(1)).count, bytes.size());
    EXPECT_EQ(pty.receive(bytes.size()), bytes);
}

TEST_F(PosixSerialPortTest, InvalidLineSettingsAreRefused) {
    SerialSettings badSize;
    badSize.byteSize = 9;
    EXPECT_EQ(port.open(pty.slavePath(), badSize), PortOpenResult::ConfigurationRefused);
    SerialSettings badParity;
    badParity.parity = 5;
    EXPECT_EQ(port.open(pty.slavePath(), badParity), PortOpenResult::ConfigurationRefused);
    SerialSettings badRate;
    badRate.baudRate = 0;
    EXPECT_EQ(port.open(pty.slavePath(), badRate), PortOpenResult::ConfigurationRefused);
    // A refused open leaves the device free for a good one.
    EXPECT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
}

TEST_F(PosixSerialPortTest, DeviceThatIsNoSerialLineIsRefused) {
    EXPECT_EQ(port.open("/dev/null", SerialSettings{}), PortOpenResult::ConfigurationRefused);
}

TEST_F(PosixSerialPortTest, SecondOpenerIsKeptOutUntilFirstCloses) {
    ASSERT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
    PosixSerialPort second;
    EXPECT_EQ(second.open(pty.slavePath(), SerialSettings{}), PortOpenResult::NotAvailable);
    port.close();
    EXPECT_EQ(second.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
}

TEST_F(PosixSerialPortTest, InterruptEndsAWaitWithoutTimeLimit) {
    ASSERT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
    PortTransfer result{99, true};
    std::thread reader([&] {
        std::uint8_t buffer[16];
        result = port.read(buffer, kWaitForever);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    port.interruptRead();
    reader.join();  // hangs here if the interrupt is lost
    EXPECT_EQ(result.count, 0u);
    EXPECT_FALSE(result.gone);
}

TEST_F(PosixSerialPortTest, InterruptBeforeTheWaitIsNotLost) {
    ASSERT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
    port.interruptRead();
    std::uint8_t buffer[16];
    const PortTransfer result = port.read(buffer, kWaitForever);
    EXPECT_EQ(result.count, 0u);
    EXPECT_FALSE(result.gone);
}

TEST_F(PosixSerialPortTest, HungUpDeviceIsReportedGoneNotAsEmptyRead) {
    ASSERT_EQ(port.open(pty.slavePath(), SerialSettings{}), PortOpenResult::Opened);
    pty.closeMaster();
    std::uint8_t buffer[16];
    EXPECT_TRUE(port.read(buffer, std::chrono::seconds(5)).gone);
    EXPECT_TRUE(port.write(std::vector<std::uint8_t>{1, 2, 3}, std::chrono::seconds(1)).gone);
}

}  // namespace
}  // namespace korvale
