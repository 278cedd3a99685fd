// ComHandler over a pseudo-terminal whose master plays the TNC.
#include "kiss/com_handler.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>

#include <thread>

#include "kiss/com_device_name.h"
#include "kiss/com_handler_link.h"
#include "kiss_test_support.h"

namespace korvale {
namespace {

using namespace testing;

constexpr int kPort = 7;

class ComHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.ok()) << "no pseudo-terminal available";
        ASSERT_TRUE(directory.linkPort(kPort, pty.slavePath()));
    }

    // Declared before the handler, whose threads use them until it is gone.
    TempDirectory directory;
    PtyPair pty;
    ComHandler handler{makePosixSerialPort, directory.path()};
};

TEST_F(ComHandlerTest, TncPortRunsEightNoneOneRtsCtsAndCarriesBytesBothWaysUnchanged) {
    ComHandlerLink link(handler);
    ASSERT_EQ(link.open(kPort, 12345), 0);
    EXPECT_EQ(handler.State(), kPort);
    termios2 settings{};
    ASSERT_EQ(::ioctl(pty.fd.get(), TCGETS2, &settings), 0);  // the master tells the slave's
    EXPECT_EQ(settings.c_ospeed, 12345u) << "rate rounded to the classic table";
    EXPECT_EQ(settings.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CLOCAL),
              CS8 | CRTSCTS | CLOCAL);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | INPCK), 0u);

    // Bytes a cooked line would translate, swallow or echo; read as the main window does.
    const std::string line = "C0 00 0D 0A 03 04 11 13 1A 7F DB DC FF 00 0D C0";
    ASSERT_TRUE(pty.send(bytes(line)));
    Bytes got;
    EXPECT_TRUE(eventually([&] {
        std::uint8_t piece[100];
        got.insert(got.end(), piece, piece + handler.Read(piece, 100));
        return got.size() >= bytes(line).size();
    }));
    EXPECT_EQ(got, bytes(line));
    ASSERT_TRUE(link.write(bytes(line)));
    ASSERT_EQ(handler.WriteString("ON\r"), 1);
    const Bytes expected = bytes(line + " 4F 4E 0D");
    EXPECT_EQ(pty.receive(expected.size()), expected) << "changed, reordered or echoed";
}

TEST_F(ComHandlerTest, TransmitRingHolds16383BytesRefusesWhatDoesNotFitAndEmptiesBeforeClose) {
    // XOFF from the TNC stops the line, so the ring keeps what is queued.
    ASSERT_EQ(handler.Open(kPort, 9600, 8, 0, 0, 1, 2, 1), 0);
    ASSERT_TRUE(pty.send(bytes("13")));
    std::this_thread::sleep_for(50ms);
    const Bytes queued = patternBytes(16384, 3);
    EXPECT_EQ(handler.Write(queued), 0) << "took more than the ring holds";
    ASSERT_EQ(handler.Write(queued.data(), 16383), 1);
    EXPECT_EQ(handler.Write(queued.data(), 1), 0) << "overran unsent bytes";

    ASSERT_TRUE(pty.send(bytes("11")));
    EXPECT_TRUE(pty.receive(16383) == Bytes(queued.begin(), queued.end() - 1));
    // Freed, the ring wraps; all, and the exit text queued before Close, reach the TNC.
    const Bytes wrapped = patternBytes(3000, 5);
    EXPECT_TRUE(eventually([&] { return handler.Write(wrapped) == 1; }));
    EXPECT_EQ(handler.WriteString("\xC0\xFF\xC0"), 1);
    EXPECT_EQ(handler.Close(), 0);
    Bytes expected = wrapped;
    expected.insert(expected.end(), {0xC0, 0xFF, 0xC0});
    EXPECT_TRUE(pty.receive(expected.size() + 1) == expected) << "lost at Close";
}

TEST_F(ComHandlerTest, MissingPortIsTriedForThreeSecondsThenRefusedAndTakesNoBytes) {
    ASSERT_NE(::access("/dev/ttyS98", F_OK), 0) << "this machine has a /dev/ttyS98";
    ComHandlerLink link(handler);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(link.open(99, 9600), 3) << "a port that does not exist";
    // Not a speed figure: a shorter time means the 30 tries were not 100 ms apart.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 2900ms);
    EXPECT_EQ(handler.WriteString("x"), 0) << "queued while closed";
}

TEST(ComDeviceName, ComLinkInProgramDirectoryWinsElsePortNIsTtySOfNMinusOne) {
    TempDirectory directory;
    // Dangling: an unplugged adapter must not make the program open another line.
    ASSERT_TRUE(directory.linkPort(1, directory.path() + "/unplugged"));
    EXPECT_EQ(ResolveComDevice(1, directory.path() + "/"), directory.path() + "/COM1");
    EXPECT_EQ(ResolveComDevice(11, directory.path()), "/dev/ttyS10") << "taken for COM1";
    EXPECT_EQ(ResolveComDevice(0, directory.path()), "") << "port 0 names no device";
}

}  // namespace
}  // namespace korvale
