// The exit sequence: the exit text that takes the TNC out of KISS mode must be
// queued while the port is still open, and the adapter must be released.
#include <gtest/gtest.h>

#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

using ShutdownTest = EngineTest;

TEST_F(ShutdownTest, DefaultExitTextIsWrittenAsRawBytesBeforePortCloses) {
    finishSetUp();
    engine->Shutdown();
    EXPECT_EQ(serial.writes, (std::vector<Bytes>{Bytes{0xC0, 0xFF, 0xC0}}));
    EXPECT_EQ(serial.closeCalls, 1);
    ASSERT_TRUE(serial.writesBeforeClose.has_value());
    EXPECT_EQ(*serial.writesBeforeClose, 1u);
}

TEST_F(ShutdownTest, AdapterIsClosed) {
    finishSetUp();
    ASSERT_TRUE(nic->isOpen());
    engine->Shutdown();
    EXPECT_FALSE(nic->isOpen());
    EXPECT_EQ(nicCloses, 1);
}

TEST_F(ShutdownTest, ExitTextControlCodesAndPlainTextAreBothSent) {
    settings.m_sExitTncText = "^192^255^192KISS OFF^013";
    finishSetUp();
    engine->Shutdown();
    EXPECT_EQ(serial.allWritten(), concat({Bytes{0xC0, 0xFF, 0xC0}, bytesOf("KISS OFF\r")}));
}

TEST_F(ShutdownTest, EmptyExitTextSendsNothingButClosesPort) {
    settings.m_sExitTncText = "";
    finishSetUp();
    engine->Shutdown();
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_EQ(serial.closeCalls, 1);
}

TEST_F(ShutdownTest, DisabledPortSendsNothingAndIsNotClosed) {
    settings.m_bTncDisablePort = 1;
    finishSetUp();
    engine->Shutdown();
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_EQ(serial.closeCalls, 0);
    EXPECT_FALSE(nic->isOpen());
}

TEST_F(ShutdownTest, PortThatFailedToOpenGetsNoExitText) {
    serial.openResult = 1;
    finishSetUp();
    engine->Shutdown();
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_EQ(serial.closeCalls, 0);
}

}  // namespace
}  // namespace korvale::testing
