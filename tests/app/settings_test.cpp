#include "app/settings.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "app/interface_language.h"
#include "app/profile_file.h"
#include "app/program_directory.h"
#include "app/temp_directory.h"
#include "gateway/gateway_globals.h"
#include "lang/language_table.h"

namespace korvale {
namespace {

using testing::ReadFileBytes;
using testing::StampOf;
using testing::TempDirectory;
using testing::WriteFileBytes;

constexpr int kMinCx = 346;  // the window's first laid-out size
constexpr int kMinCy = 180;

Ax25Address Call(std::string_view text) {
    Ax25Address address;
    EXPECT_TRUE(address.parse(text)) << text;
    return address;
}

class SettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetProcessValues(); }
    void TearDown() override { ResetProcessValues(); }

    void ResetProcessValues() {
        GatewayOwnAddress = Ax25Address{};
        SuppressBroadcasts = 1;
        CurrentLanguage = "English";
        ProgramDirectory = dir_.directory();
        TheLanguageTable().clear();
    }

    // One program run as start-up and exit drive the store: language, the
    // main window's settings, its placement; then the user's changes; then
    // the language and every setting written back.
    Settings Run(const std::function<void(Settings&)>& change = {}) {
        ResetProcessValues();
        LoadInterfaceLanguage(ini_);
        Settings settings;
        LoadSettings(settings, ini_);
        LoadWindowPlacement(settings, ini_, kMinCx, kMinCy);
        if (change) {
            change(settings);
        }
        EXPECT_TRUE(StoreInterfaceLanguage(ini_));
        EXPECT_TRUE(SaveSettings(settings, ini_));
        return settings;
    }

    Settings Load() {
        ResetProcessValues();
        Settings settings;
        LoadSettings(settings, ini_);
        LoadWindowPlacement(settings, ini_, kMinCx, kMinCy);
        return settings;
    }

    TempDirectory dir_;
    std::string ini_ = dir_.file("korvale.ini");
};

// --- First and second run ---

TEST_F(SettingsTest, FirstRunCreatesEveryKeyAtItsDefaultInSectionOrder) {
    Run();
    EXPECT_EQ(ReadFileBytes(ini_),
              "[Misc]\n"
              "Language=English\n"
              "m_bOemTranslation=1\n"
              "\n"
              "[Dialog]\n"
              "Left=0\n"
              "Top=0\n"
              "CX=346\n"
              "CY=180\n"
              "ShowInTray=0\n"
              "\n"
              "[TCP-IP]\n"
              "TcpIpMyCall=NOCALL\n"
              "SuppressBroadcasts=1\n"
              "\n"
              "[TNC]\n"
              "m_iTncPort=0\n"
              "m_iTncBaudrate=9600\n"
              "m_bTncDisablePort=0\n"
              "\n"
              "[KISS]\n"
              "m_iTxDelay=200\n"
              "m_iTxTail=0\n"
              "m_iPersist=63\n"
              "m_iSlottime=10\n"
              "m_bFullDup=0\n"
              "m_sInitTncText=KISS ON^013RESTART^013\n"
              "m_sExitTncText=^192^255^192\n"
              "\n"
              "[Monitor]\n"
              "m_bMonitorI=1\n"
              "m_bMonitorUI=1\n"
              "m_bMonitorSABM=1\n"
              "m_bMonitorRR=1\n"
              "m_bMonitorHeaders=1\n"
              "\n"
              "[Unproto]\n"
              "m_UnprotoSource=NOCALL\n"
              "m_UnprotoDest=QST\n"
              "m_UnprotoDigis=\n"
              "\n"
              "[Beacon]\n"
              "m_BeaconSource=NOCALL\n"
              "m_BeaconDest=QST\n"
              "m_BeaconDigis=\n"
              "m_sBeaconText=\n"
              "m_iBeaconInterval=20\n"
              "m_bBeaconEnable=0\n");
}

TEST_F(SettingsTest, SecondRunThatChangesNothingWritesNothing) {
    Run();
    const std::string bytes = ReadFileBytes(ini_);
    const auto stamp = StampOf(ini_);
    Run();
    EXPECT_EQ(ReadFileBytes(ini_), bytes);
    EXPECT_EQ(StampOf(ini_), stamp) << "the file was replaced";
}

TEST_F(SettingsTest, OnlyTheChangedKeyIsRewrittenInPlace) {
    Run();
    std::string expected = ReadFileBytes(ini_);
    Run([](Settings& s) { s.m_iTxDelay = 350; });
    expected.replace(expected.find("m_iTxDelay=200"), 14, "m_iTxDelay=350");
    EXPECT_EQ(ReadFileBytes(ini_), expected);
}

// --- Values read back ---

TEST_F(SettingsTest, EveryKindOfValueReadsBackAfterSave) {
    const Settings saved = Run([](Settings& s) {
        GatewayOwnAddress = Call("DL1ABC-10");
        SuppressBroadcasts = 0;
        CurrentLanguage = "Deutsch";
        s.m_iTncPort = 3;
        s.m_iTncBaudrate = 1200;
        s.m_bTncDisablePort = 1;
        s.m_iTxDelay = -5;
        s.m_iTxTail = 30;
        s.m_iPersist = 255;
        s.m_iSlottime = 2550;
        s.m_bFullDup = 1;
        s.m_sInitTncText = "^027@K^013";
        s.m_sExitTncText = "";
        s.m_bMonitorI = 0;
        s.m_bMonitorUI = 2;
        s.m_bMonitorSABM = 0;
        s.m_bMonitorRR = 0;
        s.m_bMonitorHeaders = 0;
        s.m_UnprotoSource = Call("DL1ABC-1");
        s.m_UnprotoDest = Call("CQ");
        s.m_UnprotoDigis.parse("WIDE1-1 RELAY");
        s.m_BeaconSource = Call("DL1ABC-15");
        s.m_BeaconDest = Call("ID");
        s.m_BeaconDigis.parse("DB0ABC");
        s.m_sBeaconText = "Korvale = IP \"on air\" \xFC";
        s.m_iBeaconInterval = 1000;
        s.m_bBeaconEnable = 1;
        s.m_bOemTranslation = 0;
        s.m_iLeft = -1280;
        s.m_iTop = 40;
        s.m_iCx = 800;
        s.m_iCy = 600;
        s.m_bInTray = 1;
    });
    const Settings loaded = Load();
    EXPECT_EQ(GatewayOwnAddress, Call("DL1ABC-10"));
    EXPECT_EQ(SuppressBroadcasts, 0);
    EXPECT_EQ(ReadProfileText(ini_, "Misc", "Language", ""), "Deutsch");
    EXPECT_EQ(loaded.m_iTncPort, 3);
    EXPECT_EQ(loaded.m_iTncBaudrate, 1200);
    EXPECT_EQ(loaded.m_bTncDisablePort, 1);
    EXPECT_EQ(loaded.m_iTxDelay, -5);
    EXPECT_EQ(loaded.m_iTxTail, 30);
    EXPECT_EQ(loaded.m_iPersist, 255);
    EXPECT_EQ(loaded.m_iSlottime, 2550);
    EXPECT_EQ(loaded.m_bFullDup, 1);
    EXPECT_EQ(loaded.m_sInitTncText, "^027@K^013");
    EXPECT_EQ(loaded.m_sExitTncText, "");
    EXPECT_EQ(loaded.m_bMonitorI, 0);
    EXPECT_EQ(loaded.m_bMonitorUI, 2);
    EXPECT_EQ(loaded.m_bMonitorSABM, 0);
    EXPECT_EQ(loaded.m_bMonitorRR, 0);
    EXPECT_EQ(loaded.m_bMonitorHeaders, 0);
    EXPECT_EQ(loaded.m_UnprotoSource, saved.m_UnprotoSource);
    EXPECT_EQ(loaded.m_UnprotoDest, saved.m_UnprotoDest);
    EXPECT_EQ(loaded.m_UnprotoDigis, saved.m_UnprotoDigis);
    EXPECT_EQ(loaded.m_UnprotoDigis.count(), 2);
    EXPECT_EQ(loaded.m_BeaconSource, saved.m_BeaconSource);
    EXPECT_EQ(loaded.m_BeaconDest, saved.m_BeaconDest);
    EXPECT_EQ(loaded.m_BeaconDigis, saved.m_BeaconDigis);
    EXPECT_EQ(loaded.m_sBeaconText, "Korvale = IP \"on air\" \xFC");
    EXPECT_EQ(loaded.m_iBeaconInterval, 1000);
    EXPECT_EQ(loaded.m_bBeaconEnable, 1);
    EXPECT_EQ(loaded.m_bOemTranslation, 0);
    EXPECT_EQ(loaded.m_iLeft, -1280);
    EXPECT_EQ(loaded.m_iTop, 40);
    EXPECT_EQ(loaded.m_iCx, 800);
    EXPECT_EQ(loaded.m_iCy, 600);
    EXPECT_EQ(loaded.m_bInTray, 1);
}

TEST_F(SettingsTest, SerialPortKeysAreReadFromTncNotKiss) {
    WriteFileBytes(ini_, "[KISS]\nm_iTncPort=4\n[TNC]\nm_iTncBaudrate=4800\n");
    const Settings loaded = Load();
    EXPECT_EQ(loaded.m_iTncPort, 0);
    EXPECT_EQ(loaded.m_iTncBaudrate, 4800);
}

TEST_F(SettingsTest, ExtremeIntegersSaveWithoutOverflowAndStayPut) {
    Run([](Settings& s) {
        s.m_iTxDelay = INT_MAX;
        s.m_iTxTail = INT_MIN;
    });
    EXPECT_EQ(Load().m_iTxDelay, INT_MAX);
    EXPECT_EQ(Load().m_iTxTail, INT_MIN);
    const auto stamp = StampOf(ini_);
    Run();
    EXPECT_EQ(StampOf(ini_), stamp);
}

// --- Callsign, list and flag quirks ---

TEST_F(SettingsTest, TwoCallDigiListIsSavedWithTrailingBlankAndRewrittenAtEveryExit) {
    WriteFileBytes(ini_, "[Unproto]\nm_UnprotoDigis=WIDE1-1 RELAY\n");
    EXPECT_EQ(Load().m_UnprotoDigis.count(), 2);
    Run();
    EXPECT_EQ(ReadProfileText(ini_, "Unproto", "m_UnprotoDigis", "?"), "WIDE1-1 RELAY");
    EXPECT_NE(ReadFileBytes(ini_).find("m_UnprotoDigis=WIDE1-1 RELAY \n"), std::string::npos);
    const auto stamp = StampOf(ini_);
    Run();
    EXPECT_NE(StampOf(ini_), stamp) << "the blank that the reader drops makes it differ";
}

TEST_F(SettingsTest, EightCallListLoadsItsFirstSeven) {
    WriteFileBytes(ini_, "[Beacon]\nm_BeaconDigis=A1 A2 A3 A4 A5 A6 A7 A8\n");
    const Settings loaded = Load();
    ASSERT_EQ(loaded.m_BeaconDigis.count(), 7);
    EXPECT_EQ(loaded.m_BeaconDigis[6].toText(), "A7");
}

TEST_F(SettingsTest, ListStopsAtItsInvalidEntry) {
    WriteFileBytes(ini_, "[Unproto]\nm_UnprotoDigis=RELAY WIDE BAD-CALL-99 TRACE\n");
    const Settings loaded = Load();
    ASSERT_EQ(loaded.m_UnprotoDigis.count(), 2);
    EXPECT_EQ(CallListText(loaded.m_UnprotoDigis), "RELAY WIDE ");
}

TEST_F(SettingsTest, OverlongCallsignLoadsEmptyAndIsRewrittenEmpty) {
    WriteFileBytes(ini_, "[Unproto]\nm_UnprotoSource=DL1ABCDEF-1\n");
    EXPECT_TRUE(Load().m_UnprotoSource.empty());
    Run();
    EXPECT_NE(ReadFileBytes(ini_).find("m_UnprotoSource=\n"), std::string::npos);
}

TEST_F(SettingsTest, InvalidCallsignKeepsTheValueItHadBefore) {
    WriteFileBytes(ini_, "[TCP-IP]\nTcpIpMyCall=not a call\n[Beacon]\nm_BeaconDest=??\n");
    GatewayOwnAddress = Call("DL1ABC");
    Settings settings;
    settings.m_BeaconDest = Call("BEACON");
    LoadSettings(settings, ini_);
    EXPECT_EQ(GatewayOwnAddress, Call("DL1ABC"));
    EXPECT_EQ(settings.m_BeaconDest, Call("BEACON"));
}

TEST_F(SettingsTest, LowerCaseCallsignLoadsInCapitals) {
    WriteFileBytes(ini_, "[TCP-IP]\nTcpIpMyCall=dl1abc-7\n");
    Load();
    EXPECT_EQ(GatewayOwnAddress.toText(), "DL1ABC-7");
}

TEST_F(SettingsTest, FlagStartingWithALetterReadsOff) {
    WriteFileBytes(ini_, "[Beacon]\nm_bBeaconEnable=yes\n[Misc]\nm_bOemTranslation=true\n");
    const Settings loaded = Load();
    EXPECT_EQ(loaded.m_bBeaconEnable, 0);
    EXPECT_EQ(loaded.m_bOemTranslation, 0);
}

TEST_F(SettingsTest, EmptyIntegerValueReadsAsDefaultAndIsWrittenBack) {
    WriteFileBytes(ini_, "[KISS]\nm_iPersist=\n");
    EXPECT_EQ(Load().m_iPersist, kDefaultPersist);
    Run();
    EXPECT_EQ(ReadProfileText(ini_, "KISS", "m_iPersist", "?"), "63");
}

TEST_F(SettingsTest, TextEqualToTheOldSentinelIsStillSavedWhenItsKeyIsMissing) {
    Run([](Settings& s) { s.m_sBeaconText = "default-default"; });
    EXPECT_EQ(Load().m_sBeaconText, "default-default");
}

TEST_F(SettingsTest, WindowSizeDefaultsToTheFirstLaidOutSize) {
    WriteFileBytes(ini_, "[Dialog]\nLeft=10\n");
    Settings settings;
    LoadWindowPlacement(settings, ini_, 500, 250);
    EXPECT_EQ(settings.m_iLeft, 10);
    EXPECT_EQ(settings.m_iCx, 500);
    EXPECT_EQ(settings.m_iCy, 250);
}

// --- Failures ---

TEST_F(SettingsTest, SettingsFileThatCannotBeWrittenReportsFailure) {
    const std::string unwritable = dir_.file("missing-dir/korvale.ini");
    Settings settings;
    LoadSettings(settings, unwritable);
    EXPECT_FALSE(SaveSettings(settings, unwritable));
    EXPECT_FALSE(StoreInterfaceLanguage(unwritable));
}

TEST_F(SettingsTest, SettingsFileThatIsADirectoryIsLeftAlone) {
    std::filesystem::create_directory(ini_);
    Settings settings;
    LoadSettings(settings, ini_);
    EXPECT_EQ(settings.m_iTxDelay, kDefaultTxDelay);
    EXPECT_FALSE(SaveSettings(settings, ini_));
    EXPECT_TRUE(std::filesystem::is_directory(ini_));
}

}  // namespace
}  // namespace korvale
