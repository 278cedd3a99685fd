// Bringing the links up: the first tick's start-up steps, the init text sent
// to the TNC one line per tick, the five KISS parameter frames, re-init, and
// what the user is told when the port or the adapter is not there.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

const Bytes kDefaultTxDelay = {0xC0, 0x01, 0x14, 0xC0};
const Bytes kDefaultPersist = {0xC0, 0x02, 0x3F, 0xC0};
const Bytes kDefaultSlottime = {0xC0, 0x03, 0x01, 0xC0};
const Bytes kDefaultTxTail = {0xC0, 0x04, 0x00, 0xC0};
const Bytes kDefaultFullDup = {0xC0, 0x05, 0x00, 0xC0};
const std::vector<Bytes> kDefaultParameters = {kDefaultTxDelay, kDefaultPersist, kDefaultSlottime,
                                               kDefaultTxTail, kDefaultFullDup};

using TncSetUpTest = EngineTest;

// --- the default init text, piece by piece ---

TEST_F(TncSetUpTest, FirstTickOpensPortAtSettingsAndSendsFirstInitLine) {
    settings.m_iTncBaudrate = 1200;
    tick();
    EXPECT_EQ(serial.openCalls, 1);
    EXPECT_EQ(serial.openedPort, 3);
    EXPECT_EQ(serial.openedBaudRate, 1200);
    EXPECT_EQ(shown, (std::vector<std::string>{"Initializing TNC...", "KISS ON"}));
    EXPECT_EQ(serial.writes, std::vector<Bytes>{bytesOf("KISS ON\r")});
}

TEST_F(TncSetUpTest, SecondTickSendsRestartAsRawText) {
    tick();
    forgetRecords();
    tick();
    EXPECT_EQ(shown, std::vector<std::string>{"RESTART"});
    EXPECT_EQ(serial.writes, std::vector<Bytes>{bytesOf("RESTART\r")});
}

TEST_F(TncSetUpTest, ThirdTickSendsFiveParameterFramesInOrder) {
    tick(2);
    forgetRecords();
    tick();
    EXPECT_EQ(serial.writes, kDefaultParameters);
    EXPECT_TRUE(shown.empty());
}

TEST_F(TncSetUpTest, SetUpEndsAfterParametersAndLaterTicksSendNothing) {
    tick(3);
    forgetRecords();
    tick(20);
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(serial.openCalls, 1);
}

TEST_F(TncSetUpTest, ParameterValuesComeFromSettingsWithEscapedValues) {
    settings.m_sInitTncText = "";
    settings.m_iTxDelay = 205;  // 10 ms units, remainder dropped
    settings.m_iPersist = 192;  // FEND as a value must be escaped
    settings.m_iSlottime = 2550;
    settings.m_iTxTail = 30;
    settings.m_bFullDup = 1;
    tick();
    EXPECT_EQ(serial.writes, (std::vector<Bytes>{{0xC0, 0x01, 0x14, 0xC0},
                                                 {0xC0, 0x02, 0xDB, 0xDC, 0xC0},
                                                 {0xC0, 0x03, 0xFF, 0xC0},
                                                 {0xC0, 0x04, 0x03, 0xC0},
                                                 {0xC0, 0x05, 0x01, 0xC0}}));
}

// --- other init texts ---

TEST_F(TncSetUpTest, EmptyInitTextSendsParametersInFirstTick) {
    settings.m_sInitTncText = "";
    tick();
    EXPECT_EQ(shown, std::vector<std::string>{"Initializing TNC..."});
    EXPECT_EQ(serial.writes, kDefaultParameters);
    forgetRecords();
    tick();
    EXPECT_TRUE(serial.writes.empty());
}

TEST_F(TncSetUpTest, InitTextWithoutFinalReturnSendsLastPartWhole) {
    settings.m_sInitTncText = "KISS ON^013MYCALL NOCALL";
    tick(2);
    EXPECT_EQ(serial.writes, (std::vector<Bytes>{bytesOf("KISS ON\r"), bytesOf("MYCALL NOCALL")}));
    forgetRecords();
    tick();
    EXPECT_EQ(serial.writes, kDefaultParameters);
}

TEST_F(TncSetUpTest, DoubleReturnSendsLoneReturnInItsOwnTick) {
    settings.m_sInitTncText = "A^013^013B";
    tick();
    EXPECT_EQ(serial.writes, std::vector<Bytes>{bytesOf("A\r")});
    tick();
    EXPECT_EQ(serial.writes.back(), bytesOf("\r"));
    tick();
    EXPECT_EQ(serial.writes.back(), bytesOf("B"));
    EXPECT_EQ(serial.writes.size(), 3u);
    tick();
    EXPECT_EQ(serial.writes.size(), 8u);
    // The text without a final return leaves its last line open.
    EXPECT_EQ(view.text(), "Initializing TNC...\r\nA\r\n\r\nB");
}

TEST_F(TncSetUpTest, NulCodeEndsInitText) {
    settings.m_sInitTncText = "KISS ON^013^000RESTART^013";
    tick();
    EXPECT_EQ(serial.writes, std::vector<Bytes>{bytesOf("KISS ON\r")});
    tick();
    EXPECT_EQ(serial.writes.size(), 6u);
    EXPECT_EQ(std::vector<Bytes>(serial.writes.begin() + 1, serial.writes.end()),
              kDefaultParameters);
    for (const auto& line : shown) {
        EXPECT_EQ(line.find("RESTART"), std::string::npos);
    }
}

TEST_F(TncSetUpTest, InitTextStartingWithNulSendsParametersAtOnce) {
    settings.m_sInitTncText = "^000KISS ON^013";
    tick();
    EXPECT_EQ(serial.writes, kDefaultParameters);
}

TEST_F(TncSetUpTest, ControlCodesReachTncAsBytes) {
    settings.m_sInitTncText = "^027@K^013";
    tick();
    EXPECT_EQ(serial.writes, (std::vector<Bytes>{Bytes{0x1B, '@', 'K', 0x0D}}));
    // The monitor leaves the escape out.
    EXPECT_EQ(shown.back(), "@K");
}

// --- re-init ---

TEST_F(TncSetUpTest, ReinitAfterSetUpRunsWholeSequenceAgain) {
    finishSetUp();
    engine->InitTnc();
    EXPECT_EQ(shown, std::vector<std::string>{"Initializing TNC..."});
    tick(3);
    std::vector<Bytes> expected = {bytesOf("KISS ON\r"), bytesOf("RESTART\r")};
    expected.insert(expected.end(), kDefaultParameters.begin(), kDefaultParameters.end());
    EXPECT_EQ(serial.writes, expected);
    EXPECT_EQ(serial.openCalls, 1);
}

TEST_F(TncSetUpTest, ReinitWhileSendingStartsTextFromItsBeginning) {
    tick();  // KISS ON sent, RESTART pending
    engine->InitTnc();
    tick(3);
    std::vector<Bytes> expected = {bytesOf("KISS ON\r"), bytesOf("KISS ON\r"),
                                   bytesOf("RESTART\r")};
    expected.insert(expected.end(), kDefaultParameters.begin(), kDefaultParameters.end());
    EXPECT_EQ(serial.writes, expected);
}

TEST_F(TncSetUpTest, ReinitWhileParametersPendingSendsTextFirstAndParametersOnce) {
    tick(2);  // parameters now pending
    engine->InitTnc();
    tick(4);
    std::vector<Bytes> expected = {bytesOf("KISS ON\r"), bytesOf("RESTART\r"), bytesOf("KISS ON\r"),
                                   bytesOf("RESTART\r")};
    expected.insert(expected.end(), kDefaultParameters.begin(), kDefaultParameters.end());
    EXPECT_EQ(serial.writes, expected);
}

TEST_F(TncSetUpTest, ReinitUsesInitTextAsChangedSinceStart) {
    finishSetUp();
    settings.m_sInitTncText = "INTFACE KISS^013";
    engine->InitTnc();
    tick();
    EXPECT_EQ(serial.writes, std::vector<Bytes>{bytesOf("INTFACE KISS\r")});
}

// --- port and adapter missing ---

TEST_F(TncSetUpTest, DisabledPortShowsWarningAndInitLinesButWritesNothing) {
    settings.m_bTncDisablePort = 1;
    tick(3);
    EXPECT_EQ(shown, (std::vector<std::string>{"Warning: Serial port is not enabled.",
                                               "Initializing TNC...", "KISS ON", "RESTART"}));
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_EQ(serial.openCalls, 0);
}

TEST_F(TncSetUpTest, NoPortChosenCountsAsDisabled) {
    settings.m_iTncPort = 0;
    tick(3);
    EXPECT_EQ(shown.front(), "Warning: Serial port is not enabled.");
    EXPECT_TRUE(serial.writes.empty());
    EXPECT_EQ(serial.openCalls, 0);
}

TEST_F(TncSetUpTest, OpenFailureDisablesPortAndSaysWhich) {
    serial.openResult = 2;
    tick(3);
    EXPECT_EQ(shown, (std::vector<std::string>{"Error: Cannot open COM3! Port is disabled.",
                                               "Initializing TNC...", "KISS ON", "RESTART"}));
    EXPECT_EQ(settings.m_bTncDisablePort, 1);
    EXPECT_TRUE(serial.writes.empty());
}

TEST_F(TncSetUpTest, NicOpenFailureIsShownAndSetUpGoesOn) {
    nicDriver->openSucceeds = false;
    tick();
    EXPECT_EQ(shown, (std::vector<std::string>{"Error: Failed to open NIC driver!",
                                               "Initializing TNC...", "KISS ON"}));
    EXPECT_EQ(serial.writes, std::vector<Bytes>{bytesOf("KISS ON\r")});
}

TEST_F(TncSetUpTest, StartUpRunsOnlyOnFirstTick) {
    nicDriver->openSucceeds = false;
    std::vector<bool> shownWindow;
    engine->setShowWindowHook([&](bool visible) { shownWindow.push_back(visible); });
    tick(5);
    EXPECT_EQ(shownWindow, std::vector<bool>{true});
    EXPECT_EQ(serial.openCalls, 1);
    int nicErrors = 0;
    for (const auto& line : shown) {
        nicErrors += line == "Error: Failed to open NIC driver!" ? 1 : 0;
    }
    EXPECT_EQ(nicErrors, 1);
}

TEST_F(TncSetUpTest, WindowStaysHiddenWhenKeptInTray) {
    settings.m_bInTray = 1;
    std::vector<bool> shownWindow;
    engine->setShowWindowHook([&](bool visible) { shownWindow.push_back(visible); });
    tick();
    EXPECT_EQ(shownWindow, std::vector<bool>{false});
}

}  // namespace
}  // namespace korvale::testing
