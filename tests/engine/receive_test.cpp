// Bytes heard from the TNC: how a notification reads them, how frames that
// arrive in pieces are put together once, how a frame too short to decode is
// shown, and what reaches the host through the adapter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

const Bytes kAb1cde7Mac = {0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3C};
const Bytes kAdapterMac = bytesOf("SMRDRV");

// RR response from NOCALL to AB1CDE-7 with N(R) 2.
const Bytes kRrFrame =
    concat({wire::kAb1cdeCallsign, Bytes{0x6E}, wire::kNocallCallsign, Bytes{0xE1}, Bytes{0x41}});
const std::string kRrLine = "NOCALL>AB1CDE-7>RR2,R";

// UI command from AB1CDE-7 to NOCALL-7 (the gateway) with the given PID.
Bytes uiFrameToGateway(std::uint8_t pid, const Bytes& info) {
    const Bytes destinationSsid = {0xEE};  // NOCALL-7: reserved bits, C bit, SSID 7
    const Bytes sourceSsid = {0x6F};       // AB1CDE-7: reserved bits, SSID 7, last
    const Bytes controlAndPid = {0x03, pid};
    return concat({wire::kNocallCallsign, destinationSsid, wire::kAb1cdeCallsign, sourceSsid,
                   controlAndPid, info});
}

// What the host receives for an IP frame from AB1CDE-7 to the gateway:
// source address first, as the adapter path writes it.
Bytes ethernetFromStation(const Bytes& ip) {
    const Bytes type = {0x08, 0x00};
    return concat({kAb1cde7Mac, kAdapterMac, type, ip});
}

// Information bytes that fill a KISS frame to `kissSize` bytes on the line
// (FEND, command, 16 header bytes, info, FEND) without needing escapes.
Bytes infoForKissSize(std::size_t kissSize) {
    Bytes info(kissSize - 19);
    for (std::size_t i = 0; i < info.size(); ++i) {
        info[i] = static_cast<std::uint8_t>(0x20 + i % 0x60);
    }
    return info;
}

class ReceiveTest : public EngineTest {
  protected:
    void tncSends(const Bytes& bytes) { serial.receive(bytes); }
};

TEST_F(ReceiveTest, NotificationReadsWaitingBytesInPiecesOf1000) {
    ASSERT_TRUE(nic->open());
    const Bytes info = infoForKissSize(2500);
    tncSends(kissDataFrame(uiFrameToGateway(0xCC, info)));
    engine->OnSerialNotification();
    EXPECT_EQ(serial.readSizes, (std::vector<int>{1000, 1000, 500}));
    EXPECT_EQ(serial.readCapacities, (std::vector<std::size_t>{1000, 1000, 1000}));
    EXPECT_EQ(nicDriver->written, std::vector<Bytes>{ethernetFromStation(info)});
}

TEST_F(ReceiveTest, ExactlyThousandWaitingBytesTakeASecondEmptyRead) {
    ASSERT_TRUE(nic->open());
    const Bytes info = infoForKissSize(1000);
    tncSends(kissDataFrame(uiFrameToGateway(0xCC, info)));
    engine->OnSerialNotification();
    EXPECT_EQ(serial.readSizes, (std::vector<int>{1000, 0}));
    EXPECT_EQ(nicDriver->written, std::vector<Bytes>{ethernetFromStation(info)});
}

TEST_F(ReceiveTest, LaterNotificationFindsRingAlreadyEmptied) {
    tncSends(kissDataFrame(kRrFrame));
    tncSends(kissDataFrame(kRrFrame));
    engine->OnSerialNotification();
    engine->OnSerialNotification();
    EXPECT_EQ(serial.readSizes, (std::vector<int>{36, 0}));
    EXPECT_EQ(shown, (std::vector<std::string>{kRrLine, kRrLine}));
}

TEST_F(ReceiveTest, FrameSplitAcrossNotificationsIsHandledOnce) {
    ASSERT_TRUE(nic->open());
    const Bytes ip = bytesOf("datagram");
    const Bytes kiss = kissDataFrame(uiFrameToGateway(0xCC, ip));
    const std::size_t half = kiss.size() / 2;
    tncSends(Bytes(kiss.begin(), kiss.begin() + static_cast<std::ptrdiff_t>(half)));
    engine->OnSerialNotification();
    EXPECT_TRUE(shown.empty());
    EXPECT_TRUE(nicDriver->written.empty());
    tncSends(Bytes(kiss.begin() + static_cast<std::ptrdiff_t>(half), kiss.end()));
    engine->OnSerialNotification();
    engine->OnSerialNotification();
    EXPECT_EQ(shown, (std::vector<std::string>{"AB1CDE-7>NOCALL-7>UI,C,CC:", "datagram"}));
    EXPECT_EQ(nicDriver->written, std::vector<Bytes>{ethernetFromStation(ip)});
}

TEST_F(ReceiveTest, FrameTooShortToDecodeShowsAsUnknownAndNextFrameIsHandled) {
    ASSERT_TRUE(nic->open());
    tncSends(kissDataFrame({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    tncSends(kissDataFrame(kRrFrame));
    engine->OnSerialNotification();
    EXPECT_EQ(shown, (std::vector<std::string>{">>UNKN,R", kRrLine}));
    EXPECT_TRUE(nicDriver->written.empty());
}

TEST_F(ReceiveTest, IpFrameReachesAdapterWithUiMonitoringOff) {
    settings.m_bMonitorUI = 0;
    ASSERT_TRUE(nic->open());
    const Bytes ip = bytesOf("datagram");
    tncSends(kissDataFrame(uiFrameToGateway(0xCC, ip)));
    engine->OnSerialNotification();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(nicDriver->written, std::vector<Bytes>{ethernetFromStation(ip)});
}

TEST_F(ReceiveTest, TextFrameIsShownButNotGivenToAdapter) {
    ASSERT_TRUE(nic->open());
    tncSends(kissDataFrame(uiFrameToGateway(0xF0, bytesOf("hello\r"))));
    engine->OnSerialNotification();
    EXPECT_EQ(shown, (std::vector<std::string>{"AB1CDE-7>NOCALL-7>UI,C,F0:", "hello"}));
    EXPECT_TRUE(nicDriver->written.empty());
}

TEST_F(ReceiveTest, FramesAreShownInArrivalOrder) {
    tncSends(kissDataFrame(uiFrameToGateway(0xF0, bytesOf("first\r"))));
    tncSends(kissDataFrame(kRrFrame));
    tncSends(kissDataFrame(uiFrameToGateway(0xF0, bytesOf("third\r"))));
    engine->OnSerialNotification();
    EXPECT_EQ(shown, (std::vector<std::string>{"AB1CDE-7>NOCALL-7>UI,C,F0:", "first", kRrLine,
                                               "AB1CDE-7>NOCALL-7>UI,C,F0:", "third"}));
}

TEST_F(ReceiveTest, OemTextIsShownInProgramCodePage) {
    tncSends(kissDataFrame(uiFrameToGateway(0xF0, {0x84, 0x0D})));  // cp437 a-umlaut
    engine->OnSerialNotification();
    EXPECT_EQ(shown.back(), "\xE4");
}

TEST_F(ReceiveTest, TextIsShownUnconvertedWithoutOemTranslation) {
    settings.m_bOemTranslation = 0;
    tncSends(kissDataFrame(uiFrameToGateway(0xF0, {0x84, 0x0D})));
    engine->OnSerialNotification();
    EXPECT_EQ(shown.back(), "\x84");
}

TEST_F(ReceiveTest, DisabledPortNotificationReadsNothing) {
    settings.m_bTncDisablePort = 1;
    tncSends(kissDataFrame(kRrFrame));
    engine->OnSerialNotification();
    EXPECT_TRUE(serial.readCapacities.empty());
    EXPECT_EQ(serial.incoming.size(), kRrFrame.size() + 3);
    EXPECT_TRUE(shown.empty());
}

TEST_F(ReceiveTest, NoPortChosenNotificationReadsNothing) {
    settings.m_iTncPort = 0;
    tncSends(kissDataFrame(kRrFrame));
    engine->OnSerialNotification();
    EXPECT_TRUE(serial.readCapacities.empty());
    EXPECT_TRUE(shown.empty());
}

}  // namespace
}  // namespace korvale::testing
