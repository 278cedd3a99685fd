// Frames the host sends through the adapter: how many go out per tick, in
// what order, what they look like on the serial line, and the link speed the
// adapter is told.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

// AB1CDE-7 packed into an Ethernet address by the callsign rule.
const Bytes kAb1cde7Mac = {0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3C};
const Bytes kAdapterMac = bytesOf("SMRDRV");

class AdapterDrainTest : public EngineTest {
  protected:
    // An IPv4 frame from the host to AB1CDE-7.
    void hostSends(const Bytes& payload) {
        const Bytes type = {0x08, 0x00};
        nicDriver->hostFrames.push_back(concat({kAb1cde7Mac, kAdapterMac, type, payload}));
    }

    // The same frame on the serial line: NOCALL-7 (the gateway) to AB1CDE-7,
    // UI command with PID 0xCC and the IP bytes as information.
    static Bytes radioFrame(const Bytes& payload) {
        const Bytes destinationSsid = {0xEE};  // reserved bits, C bit, SSID 7
        const Bytes sourceSsid = {0x6F};       // reserved bits, SSID 7, last address
        const Bytes controlAndPid = {0x03, 0xCC};
        return kissDataFrame(concat({wire::kAb1cdeCallsign, destinationSsid, wire::kNocallCallsign,
                                     sourceSsid, controlAndPid, payload}));
    }
};

TEST_F(AdapterDrainTest, FramesWaitingAtAdapterAllLeaveInOneTickInOrder) {
    finishSetUp();
    hostSends(bytesOf("one"));
    hostSends(bytesOf("two"));
    hostSends(bytesOf("three"));
    tick();
    EXPECT_EQ(serial.writes,
              (std::vector<Bytes>{radioFrame(bytesOf("one")), radioFrame(bytesOf("two")),
                                  radioFrame(bytesOf("three"))}));
    EXPECT_EQ(shown, (std::vector<std::string>{"NOCALL-7>AB1CDE-7>UI,C,CC:", "one",
                                               "NOCALL-7>AB1CDE-7>UI,C,CC:", "two",
                                               "NOCALL-7>AB1CDE-7>UI,C,CC:", "three"}));
    EXPECT_TRUE(nicDriver->hostFrames.empty());
}

TEST_F(AdapterDrainTest, DrainStopsAtDroppedFrameAndGoesOnNextTick) {
    finishSetUp();
    hostSends(bytesOf("one"));
    nicDriver->hostFrames.push_back(Bytes(13, 0x11));  // shorter than a header
    hostSends(bytesOf("three"));
    tick();
    EXPECT_EQ(serial.writes, std::vector<Bytes>{radioFrame(bytesOf("one"))});
    forgetRecords();
    tick();
    EXPECT_EQ(serial.writes, std::vector<Bytes>{radioFrame(bytesOf("three"))});
}

TEST_F(AdapterDrainTest, PayloadBytesNeedingEscapeAreEscapedOnSerialLine) {
    finishSetUp();
    hostSends({0x45, 0xC0, 0xDB, 0x01});
    tick();
    ASSERT_EQ(serial.writes.size(), 1u);
    const Bytes& written = serial.writes[0];
    const Bytes tail(written.end() - 9, written.end());
    EXPECT_EQ(tail, (Bytes{0x03, 0xCC, 0x45, 0xDB, 0xDC, 0xDB, 0xDD, 0x01, 0xC0}));
}

TEST_F(AdapterDrainTest, AdapterFramesGoOutWhileInitTextIsBeingSent) {
    hostSends(bytesOf("early"));
    tick();
    EXPECT_EQ(serial.writes,
              (std::vector<Bytes>{bytesOf("KISS ON\r"), radioFrame(bytesOf("early"))}));
}

TEST_F(AdapterDrainTest, DisabledPortShowsAdapterFramesButWritesNothing) {
    settings.m_bTncDisablePort = 1;
    finishSetUp();
    hostSends(bytesOf("one"));
    tick();
    EXPECT_EQ(shown, (std::vector<std::string>{"NOCALL-7>AB1CDE-7>UI,C,CC:", "one"}));
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_TRUE(nicDriver->hostFrames.empty());
}

TEST_F(AdapterDrainTest, UnmonitoredFramesAreStillSent) {
    settings.m_bMonitorUI = 0;
    finishSetUp();
    hostSends(bytesOf("one"));
    tick();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(serial.writes, std::vector<Bytes>{radioFrame(bytesOf("one"))});
}

TEST_F(AdapterDrainTest, ClosedAdapterGivesNoFrames) {
    nicDriver->openSucceeds = false;
    finishSetUp();
    hostSends(bytesOf("one"));
    tick(3);
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_EQ(nicDriver->hostFrames.size(), 1u);
}

TEST_F(AdapterDrainTest, LinkSpeedFollowsBaudRateOncePerChange) {
    settings.m_iTncBaudrate = 1200;
    tick(3);
    EXPECT_EQ(nicDriver->speeds, std::vector<std::int32_t>{1200});
    settings.m_iTncBaudrate = 4800;
    tick();
    EXPECT_EQ(nicDriver->speeds, (std::vector<std::int32_t>{1200, 4800}));
    tick(5);
    EXPECT_EQ(nicDriver->speeds, (std::vector<std::int32_t>{1200, 4800}));
}

}  // namespace
}  // namespace korvale::testing
