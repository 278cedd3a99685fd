// The beacon: its exact frame on the serial line, its spacing in ticks, its
// pause while the TNC is being set up, and its text's code page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

class BeaconTest : public EngineTest {
  protected:
    BeaconTest() { settings.m_bBeaconEnable = 1; }

    // NOCALL-1 to BEACON via WIDE1-1, UI command, PID 0x00, then the info.
    static Bytes beaconFrame(const Bytes& info) {
        const Bytes destinationSsid = {0xE0};  // reserved bits, C bit
        const Bytes sourceSsid = {0x62};       // reserved bits, SSID 1
        const Bytes digipeaterSsid = {0x03};   // SSID 1, last address
        const Bytes controlAndPid = {0x03, 0x00};
        return kissDataFrame(
            concat({wire::kBeaconCallsign, destinationSsid, wire::kNocallCallsign, sourceSsid,
                    wire::kWide1Callsign, digipeaterSsid, controlAndPid, info}));
    }

    // Runs ticks and returns the numbers (from 1) of those that wrote a
    // beacon frame.
    std::vector<int> beaconTicks(int ticks) {
        std::vector<int> sentAt;
        for (int i = 1; i <= ticks; ++i) {
            const std::size_t before = dataFramesWritten().size();
            tick();
            const std::size_t after = dataFramesWritten().size();
            EXPECT_LE(after - before, 1u) << "tick " << i;
            if (after > before) {
                sentAt.push_back(i);
            }
        }
        return sentAt;
    }
};

TEST_F(BeaconTest, BeaconFrameCarriesSettingsAddressesAndPidZero) {
    settings.m_sInitTncText = "";
    tick();
    EXPECT_EQ(dataFramesWritten(), std::vector<Bytes>{beaconFrame(bytesOf("Hi"))});
    EXPECT_EQ(shown.back(), "Hi");
    EXPECT_EQ(shown[shown.size() - 2], "NOCALL-1/WIDE1-1>BEACON>UI,C,00:");
}

TEST_F(BeaconTest, BeaconFollowsParametersInSameTick) {
    tick(2);
    EXPECT_TRUE(dataFramesWritten().empty());
    tick();
    ASSERT_EQ(serial.writes.size(), 2u + 5u + 1u);
    EXPECT_EQ(serial.writes.back(), beaconFrame(bytesOf("Hi")));
}

TEST_F(BeaconTest, BeaconRepeatsEvery201TicksForTwentySeconds) {
    settings.m_sInitTncText = "";
    EXPECT_EQ(beaconTicks(700), (std::vector<int>{1, 202, 403, 604}));
}

TEST_F(BeaconTest, IntervalSetsSpacing) {
    settings.m_sInitTncText = "";
    settings.m_iBeaconInterval = 3;
    EXPECT_EQ(beaconTicks(70), (std::vector<int>{1, 32, 63}));
}

TEST_F(BeaconTest, ZeroIntervalSendsEveryTick) {
    settings.m_sInitTncText = "";
    settings.m_iBeaconInterval = 0;
    EXPECT_EQ(beaconTicks(3), (std::vector<int>{1, 2, 3}));
}

TEST_F(BeaconTest, HugeIntervalFromEditedIniDoesNotWrapCountdown) {
    // interval x 10 ticks is 2^32 + 4: a count-down that wrapped to 32 bits
    // would send the beacon again five ticks later.
    settings.m_sInitTncText = "";
    settings.m_iBeaconInterval = 429496730;
    EXPECT_EQ(beaconTicks(1000), std::vector<int>{1});
}

TEST_F(BeaconTest, NegativeIntervalFromEditedIniSendsNoBeacon) {
    settings.m_sInitTncText = "";
    settings.m_iBeaconInterval = -5;
    EXPECT_TRUE(beaconTicks(300).empty());
}

TEST_F(BeaconTest, DisabledBeaconSendsNothing) {
    settings.m_bBeaconEnable = 0;
    settings.m_sInitTncText = "";
    EXPECT_TRUE(beaconTicks(300).empty());
}

TEST_F(BeaconTest, ReinitPausesCountdownWhichThenContinues) {
    settings.m_sInitTncText = "X^013";
    // Tick 1 sends the init line; tick 2 the parameters and the first
    // beacon, which would make tick 203 the next one.
    std::vector<int> sentAt = beaconTicks(52);
    EXPECT_EQ(sentAt, std::vector<int>{2});
    const int remaining = engine->beaconCountdown();
    settings.m_sInitTncText = "A^013B^013C^013";
    engine->InitTnc();
    // Ticks 53 to 55 send the three lines: the count-down stands still.
    tick(3);
    EXPECT_EQ(engine->beaconCountdown(), remaining);
    EXPECT_EQ(dataFramesWritten().size(), 1u);
    // Tick 56 sends the parameters and counts down again, so the beacon is
    // three ticks later than it would have been: tick 206.
    sentAt = beaconTicks(300);
    ASSERT_FALSE(sentAt.empty());
    EXPECT_EQ(55 + sentAt.front(), 206);
}

TEST_F(BeaconTest, ResetCountdownSendsAtNextTick) {
    settings.m_sInitTncText = "";
    tick(10);
    engine->ResetBeaconCountdown();
    EXPECT_EQ(beaconTicks(1), std::vector<int>{1});
}

TEST_F(BeaconTest, EmptyBeaconTextSendsFrameEndingInPid) {
    settings.m_sInitTncText = "";
    settings.m_sBeaconText = "";
    tick();
    EXPECT_EQ(dataFramesWritten(), std::vector<Bytes>{beaconFrame({})});
}

TEST_F(BeaconTest, BeaconTextSentInOemCodePage) {
    settings.m_sInitTncText = "";
    settings.m_sBeaconText = "\xE4";  // a-umlaut in Windows-1252
    tick();
    EXPECT_EQ(dataFramesWritten(), std::vector<Bytes>{beaconFrame({0x84})});
    // The monitor shows the frame back in the program's own code page.
    EXPECT_EQ(shown.back(), "\xE4");
}

TEST_F(BeaconTest, BeaconTextSentUnchangedWithoutOemTranslation) {
    settings.m_sInitTncText = "";
    settings.m_bOemTranslation = 0;
    settings.m_sBeaconText = "\xE4";
    tick();
    EXPECT_EQ(dataFramesWritten(), std::vector<Bytes>{beaconFrame({0xE4})});
}

TEST_F(BeaconTest, BeaconTextEndsAtNul) {
    settings.m_sInitTncText = "";
    settings.m_sBeaconText = std::string("Hi\0there", 8);
    tick();
    EXPECT_EQ(dataFramesWritten(), std::vector<Bytes>{beaconFrame(bytesOf("Hi"))});
}

TEST_F(BeaconTest, DisabledPortShowsBeaconButWritesNothing) {
    settings.m_sInitTncText = "";
    settings.m_bTncDisablePort = 1;
    int beaconLines = 0;
    for (int i = 0; i < 403; ++i) {
        tick();
    }
    for (const auto& line : shown) {
        beaconLines += line == "NOCALL-1/WIDE1-1>BEACON>UI,C,00:" ? 1 : 0;
    }
    EXPECT_EQ(beaconLines, 3);  // ticks 1, 202 and 403
    EXPECT_TRUE(serial.writes.empty());
}

}  // namespace
}  // namespace korvale::testing
