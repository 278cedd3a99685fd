// The monitor as the user reads it: which received frames the filter lets
// through, how program text becomes lines, and the trim that keeps the view
// at about 50 lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

// A frame from NOCALL to AB1CDE-7, sent as a command, with the given control
// byte and whatever follows it.
Bytes frameWithControl(const Bytes& controlAndRest) {
    const Bytes destinationSsid = {0xEE};  // AB1CDE-7: reserved bits, C bit, SSID 7
    const Bytes sourceSsid = {0x61};       // NOCALL: reserved bits, last address
    return concat({wire::kAb1cdeCallsign, destinationSsid, wire::kNocallCallsign, sourceSsid,
                   controlAndRest});
}

struct KindCase {
    const char* name;
    Bytes controlAndRest;
    int Settings::*flag;
    std::string firstLine;
};

const std::vector<KindCase>& kindCases() {
    static const std::vector<KindCase> cases = {
        {"I", {0x00, 0xF0, 'x', 0x0D}, &Settings::m_bMonitorI, "NOCALL>AB1CDE-7>I00,C,F0:"},
        {"UI", {0x03, 0xF0, 'x', 0x0D}, &Settings::m_bMonitorUI, "NOCALL>AB1CDE-7>UI,C,F0:"},
        {"SABM", {0x2F}, &Settings::m_bMonitorSABM, "NOCALL>AB1CDE-7>SABM,C"},
        {"DISC", {0x43}, &Settings::m_bMonitorSABM, "NOCALL>AB1CDE-7>DISC,C"},
        {"UA", {0x63}, &Settings::m_bMonitorSABM, "NOCALL>AB1CDE-7>UA,C"},
        {"DM", {0x0F}, &Settings::m_bMonitorSABM, "NOCALL>AB1CDE-7>DM,C"},
        {"FRMR", {0x87}, &Settings::m_bMonitorSABM, "NOCALL>AB1CDE-7>FRMR,C"},
        {"UNKN", {0xAF}, &Settings::m_bMonitorSABM, "NOCALL>AB1CDE-7>UNKN,C"},  // XID
        {"RR", {0x01}, &Settings::m_bMonitorRR, "NOCALL>AB1CDE-7>RR0,C"},
        {"RNR", {0x05}, &Settings::m_bMonitorRR, "NOCALL>AB1CDE-7>RNR0,C"},
        {"REJ", {0x09}, &Settings::m_bMonitorRR, "NOCALL>AB1CDE-7>REJ0,C"},
    };
    return cases;
}

class MonitorTest : public EngineTest {
  protected:
    void setKindFlags(int value) {
        settings.m_bMonitorI = value;
        settings.m_bMonitorUI = value;
        settings.m_bMonitorSABM = value;
        settings.m_bMonitorRR = value;
    }

    void hear(const Bytes& ax25) {
        serial.receive(kissDataFrame(ax25));
        engine->OnSerialNotification();
    }

    int lineCount() const { return view.lineCount(); }

    std::string firstViewLine() const {
        const std::string text = view.text();
        return text.substr(0, text.find("\r\n"));
    }
};

// --- the filter ---

TEST_F(MonitorTest, EachKindIsShownByItsOwnFlagAlone) {
    for (const KindCase& kind : kindCases()) {
        SCOPED_TRACE(kind.name);
        setKindFlags(0);
        settings.*kind.flag = 1;
        shown.clear();
        hear(frameWithControl(kind.controlAndRest));
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(shown.front(), kind.firstLine);
    }
}

TEST_F(MonitorTest, EachKindIsHiddenByItsOwnFlag) {
    for (const KindCase& kind : kindCases()) {
        SCOPED_TRACE(kind.name);
        setKindFlags(1);
        settings.*kind.flag = 0;
        shown.clear();
        hear(frameWithControl(kind.controlAndRest));
        EXPECT_TRUE(shown.empty());
    }
}

TEST_F(MonitorTest, RrFrameFollowsMonitorRrSetting) {
    const Bytes rr = frameWithControl({0x41});
    settings.m_bMonitorRR = 0;
    hear(rr);
    EXPECT_TRUE(shown.empty());
    settings.m_bMonitorRR = 1;
    hear(rr);
    EXPECT_EQ(shown, std::vector<std::string>{"NOCALL>AB1CDE-7>RR2,C"});
}

TEST_F(MonitorTest, UndecodableFrameFollowsMonitorSabmSetting) {
    const Bytes tooShort = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    settings.m_bMonitorSABM = 0;
    hear(tooShort);
    EXPECT_TRUE(shown.empty());
    settings.m_bMonitorSABM = 1;
    hear(tooShort);
    EXPECT_EQ(shown, std::vector<std::string>{">>UNKN,R"});
}

TEST_F(MonitorTest, HeadersSettingChoosesIpSummaryOrBytes) {
    // An IPv4 header: TCP, total length 40, 44.1.2.4 to 44.1.2.3.
    const Bytes ipHeader = {0x45, 0x00, 0x00, 0x28, 0x00, 0x01, 0x00, 0x00, 0x40, 0x06,
                            0x00, 0x00, 44,   1,    2,    4,    44,   1,    2,    3};
    const Bytes frame = frameWithControl(concat({Bytes{0x03, 0xCC}, ipHeader}));
    hear(frame);
    EXPECT_EQ(shown,
              (std::vector<std::string>{"NOCALL>AB1CDE-7>UI,C,CC",
                                        "  IP: TCP, Source: 44.1.2.4, Dest: 44.1.2.3, Len: 40"}));
    shown.clear();
    settings.m_bMonitorHeaders = 0;
    hear(frame);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0], "NOCALL>AB1CDE-7>UI,C,CC:");
    EXPECT_EQ(shown[1].substr(0, 4), "E..(");
}

// --- text to lines ---

TEST_F(MonitorTest, CarriageReturnsEndLines) {
    engine->AppendMonitorText("A\rB\r");
    EXPECT_EQ(shown, (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(view.text(), "A\r\nB\r\n");
}

TEST_F(MonitorTest, TabsLineFeedsAndOtherControlBytesAreLeftOut) {
    engine->AppendMonitorText("x\ty\nz\x07\x1B!\r");
    EXPECT_EQ(shown, std::vector<std::string>{"xyz!"});
}

TEST_F(MonitorTest, BytesFrom0x80AreShownAsTheyAre) {
    engine->AppendMonitorText("\x80\xE4\xFF\r");
    EXPECT_EQ(shown, std::vector<std::string>{"\x80\xE4\xFF"});
}

TEST_F(MonitorTest, TextWithoutReturnIsContinuedByNextAppend) {
    engine->AppendMonitorText("ab");
    engine->AppendMonitorText("cd\r");
    EXPECT_EQ(shown, std::vector<std::string>{"abcd"});
}

TEST_F(MonitorTest, TextEndsAtNul) {
    engine->AppendMonitorText(std::string_view("ab\0cd\r", 6));
    EXPECT_EQ(view.text(), "ab");
}

// --- the 50-line trim ---

TEST_F(MonitorTest, FiftyLinesAreKeptUntouched) {
    for (int i = 1; i <= 49; ++i) {
        engine->AppendMonitorText("line " + std::to_string(i) + "\r");
    }
    EXPECT_EQ(lineCount(), 50);  // 49 lines and the empty one after them
    EXPECT_EQ(firstViewLine(), "line 1");
}

TEST_F(MonitorTest, LineCountAboveFiftyDropsFirstTenLines) {
    for (int i = 1; i <= 50; ++i) {
        engine->AppendMonitorText("line " + std::to_string(i) + "\r");
    }
    EXPECT_EQ(lineCount(), 41);
    EXPECT_EQ(firstViewLine(), "line 11");
    EXPECT_EQ(view.text().substr(view.text().size() - 9), "line 50\r\n");
}

TEST_F(MonitorTest, LongAppendIsTrimmedByTenLinesPerAppend) {
    std::string many;
    for (int i = 1; i <= 70; ++i) {
        many += "line " + std::to_string(i) + "\r";
    }
    engine->AppendMonitorText(many);
    EXPECT_EQ(lineCount(), 61);
    EXPECT_EQ(firstViewLine(), "line 11");
    engine->AppendMonitorText("more\r");
    EXPECT_EQ(lineCount(), 52);
    EXPECT_EQ(firstViewLine(), "line 21");
}

TEST_F(MonitorTest, FrameLinesCountTowardsTrim) {
    for (int i = 1; i <= 45; ++i) {
        engine->AppendMonitorText("line " + std::to_string(i) + "\r");
    }
    // Each of these frames adds two lines (header and text).
    for (int i = 0; i < 3; ++i) {
        hear(frameWithControl({0x03, 0xF0, 'x', 0x0D}));
    }
    EXPECT_EQ(lineCount(), 42);
    EXPECT_EQ(firstViewLine(), "line 11");
}

}  // namespace
}  // namespace korvale::testing
