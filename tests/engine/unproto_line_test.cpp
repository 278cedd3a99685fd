// A line typed into the edit line: its echo, its frame line and its frame on
// the serial line, in the code page the peer expects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

const std::string kFrameLine = "NOCALL/RELAY>CQ>UI,C,00:";

class UnprotoLineTest : public EngineTest {
  protected:
    // NOCALL to CQ via RELAY, UI command, PID 0x00, then the info.
    static Bytes unprotoFrame(const Bytes& info) {
        const Bytes destinationSsid = {0xE0};  // reserved bits, C bit
        const Bytes sourceSsid = {0x60};       // reserved bits; a digipeater follows
        const Bytes digipeaterSsid = {0x01};   // last address
        const Bytes controlAndPid = {0x03, 0x00};
        return kissDataFrame(
            concat({wire::kCqCallsign, destinationSsid, wire::kNocallCallsign, sourceSsid,
                    wire::kRelayCallsign, digipeaterSsid, controlAndPid, info}));
    }
};

TEST_F(UnprotoLineTest, TypedLineIsEchoedThenShownAsFrameAndSent) {
    finishSetUp();
    engine->SendUnprotoLine("Hello\r");
    EXPECT_EQ(shown, (std::vector<std::string>{"Hello", kFrameLine, "Hello"}));
    EXPECT_EQ(serial.writes, std::vector<Bytes>{unprotoFrame(bytesOf("Hello\r"))});
}

TEST_F(UnprotoLineTest, EmptyLineSendsLoneCarriageReturn) {
    finishSetUp();
    engine->SendUnprotoLine("\r");
    EXPECT_EQ(shown, (std::vector<std::string>{"", kFrameLine, ""}));
    EXPECT_EQ(serial.writes, std::vector<Bytes>{unprotoFrame({0x0D})});
}

TEST_F(UnprotoLineTest, NonAsciiIsSentInOemCodePageAndEchoedAsTyped) {
    finishSetUp();
    engine->SendUnprotoLine("Gr\xFC\xDF\r");  // Windows-1252 u-umlaut, sharp s
    EXPECT_EQ(serial.writes, std::vector<Bytes>{unprotoFrame({'G', 'r', 0x81, 0xE1, 0x0D})});
    EXPECT_EQ(shown, (std::vector<std::string>{"Gr\xFC\xDF", kFrameLine, "Gr\xFC\xDF"}));
}

TEST_F(UnprotoLineTest, NonAsciiIsSentAsTypedWithoutOemTranslation) {
    settings.m_bOemTranslation = 0;
    finishSetUp();
    engine->SendUnprotoLine("\xE4\r");
    EXPECT_EQ(serial.writes, std::vector<Bytes>{unprotoFrame({0xE4, 0x0D})});
    EXPECT_EQ(shown.front(), "\xE4");
}

TEST_F(UnprotoLineTest, DisabledPortShowsLineTwiceAndSendsNothing) {
    settings.m_bTncDisablePort = 1;
    finishSetUp();
    engine->SendUnprotoLine("Hello\r");
    EXPECT_EQ(shown, (std::vector<std::string>{"Hello", kFrameLine, "Hello"}));
    EXPECT_TRUE(serial.writes.empty());
}

TEST_F(UnprotoLineTest, LineIsSentWhileTncSetUpIsUnderWay) {
    tick();  // the init text's first line has gone; the rest is pending
    serial.writes.clear();
    engine->SendUnprotoLine("now\r");
    EXPECT_EQ(serial.writes, std::vector<Bytes>{unprotoFrame(bytesOf("now\r"))});
}

TEST_F(UnprotoLineTest, UnmonitoredUiFramesLeaveOnlyEcho) {
    settings.m_bMonitorUI = 0;
    finishSetUp();
    engine->SendUnprotoLine("Hello\r");
    EXPECT_EQ(shown, std::vector<std::string>{"Hello"});
    EXPECT_EQ(serial.writes.size(), 1u);
}

TEST_F(UnprotoLineTest, SettingsChangedDuringRunAddressNextLine) {
    finishSetUp();
    settings.m_UnprotoDigis = AddressList{};
    settings.m_UnprotoSource = addressOf("NOCALL-7");
    engine->SendUnprotoLine("x\r");
    const Bytes destinationSsid = {0xE0};
    const Bytes sourceSsid = {0x6F};  // SSID 7, last address
    const Bytes rest = {0x03, 0x00, 'x', 0x0D};
    EXPECT_EQ(serial.writes,
              std::vector<Bytes>{kissDataFrame(concat(
                  {wire::kCqCallsign, destinationSsid, wire::kNocallCallsign, sourceSsid, rest}))});
}

}  // namespace
}  // namespace korvale::testing
