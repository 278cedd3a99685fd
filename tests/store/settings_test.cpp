#include "store/settings.h"

#include <gtest/gtest.h>

#include "gateway/gateway_globals.h"
#include "lang/interface_language.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"
#include "store/profile_file.h"
#include "store/program_directory.h"
#include "store/temp_directory.h"

namespace korvale::testing {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    // What start-up reads, in its order, into process-wide values as they
    // are at start: the language, the main window's settings, its placement
    // (first laid out at 346 x 180) unless it has no window.
    Settings Load(const std::string& ini, bool window = true) {
        GatewayOwnAddress = Ax25Address{};
        SuppressBroadcasts = 1;
        ProgramDirectory = dir_.directory();
        TheLanguageTable().clear();
        LoadInterfaceLanguage(ini);
        Settings settings;
        LoadSettings(settings, ini);
        if (window) {
            LoadWindowPlacement(settings, ini, 346, 180);
        }
        return settings;
    }

    // Writes the language and then every setting, as the exit sequence does.
    static void Save(const Settings& settings, const std::string& ini) {
        EXPECT_TRUE(StoreInterfaceLanguage(ini));
        EXPECT_TRUE(SaveSettings(settings, ini));
    }

    void Run() { Save(Load(ini_), ini_); }

    TempDirectory dir_;
    std::string ini_ = dir_.file("korvale.ini");
};

TEST_F(SettingsTest, FirstRunCreatesEveryKeyAtItsDefaultInSectionOrderAndTheNextWritesNothing) {
    Run();
    EXPECT_EQ(ReadFileBytes(ini_),
              "[Misc]\nLanguage=English\nm_bOemTranslation=1\n\n"
              "[Dialog]\nLeft=0\nTop=0\nCX=346\nCY=180\nShowInTray=0\n\n"
              "[TCP-IP]\nTcpIpMyCall=NOCALL\nSuppressBroadcasts=1\n\n"
              "[TNC]\nm_iTncPort=0\nm_iTncBaudrate=9600\nm_bTncDisablePort=0\nm_sTncTcpAddress=\n"
              "m_sKissServerAddress=\n\n"
              "[KISS]\nm_iTxDelay=200\nm_iTxTail=0\nm_iPersist=63\nm_iSlottime=10\nm_bFullDup=0\n"
              "m_sInitTncText=KISS ON^013RESTART^013\nm_sExitTncText=^192^255^192\n"
              "m_iAirBaudrate=0\n\n"
              "[Monitor]\nm_bMonitorI=1\nm_bMonitorUI=1\nm_bMonitorSABM=1\nm_bMonitorRR=1\n"
              "m_bMonitorHeaders=1\nm_sCaptureFile=\n\n"
              "[Unproto]\nm_UnprotoSource=NOCALL\nm_UnprotoDest=QST\nm_UnprotoDigis=\n\n"
              "[Beacon]\nm_BeaconSource=NOCALL\nm_BeaconDest=QST\nm_BeaconDigis=\nm_sBeaconText=\n"
              "m_iBeaconInterval=20\nm_bBeaconEnable=0\n");
    const auto stamp = StampOf(ini_);
    Run();
    EXPECT_EQ(StampOf(ini_), stamp) << "the file was written again";
}

TEST_F(SettingsTest, EveryKindOfValueReadsBackAfterSave) {
    // Distinct values everywhere, so that two members swapped show; the
    // extreme integers must not overflow the unequal default of the save, and
    // "default-default" was once the reader's sentinel for a missing key.
    const std::string stored =
        "[Misc]\nLanguage=Deutsch\nm_bOemTranslation=8\n\n"
        "[Dialog]\nLeft=-1280\nTop=40\nCX=800\nCY=600\nShowInTray=9\n\n"
        "[TCP-IP]\nTcpIpMyCall=DL1ABC-10\nSuppressBroadcasts=0\n\n"
        "[TNC]\nm_iTncPort=3\nm_iTncBaudrate=1200\nm_bTncDisablePort=1\n"
        "m_sTncTcpAddress=[fe80::1%eth0]:8001\nm_sKissServerAddress=0.0.0.0:8011\n\n"
        "[KISS]\nm_iTxDelay=2147483647\nm_iTxTail=-2147483648\nm_iPersist=-5\nm_iSlottime=2550\n"
        "m_bFullDup=7\nm_sInitTncText=default-default\nm_sExitTncText=\nm_iAirBaudrate=1200\n\n"
        "[Monitor]\nm_bMonitorI=0\nm_bMonitorUI=2\nm_bMonitorSABM=3\nm_bMonitorRR=4\n"
        "m_bMonitorHeaders=5\nm_sCaptureFile=capture/air.pcapng\n\n"
        "[Unproto]\nm_UnprotoSource=DL1ABC-1\nm_UnprotoDest=CQ\nm_UnprotoDigis=WIDE1-1 RELAY \n\n"
        "[Beacon]\nm_BeaconSource=DL1ABC-15\nm_BeaconDest=ID\nm_BeaconDigis=DB0ABC \n"
        "m_sBeaconText=Korvale = IP \"on air\" "
        "\xC3\xBC\nm_iBeaconInterval=1000\nm_bBeaconEnable=6\n";
    WriteFileBytes(ini_, stored);
    const std::string fresh = dir_.file("fresh.ini");
    Save(Load(ini_), fresh);
    EXPECT_EQ(ReadFileBytes(fresh), stored);
    // A run without a window keeps the placement and the tray choice: it
    // writes nothing.
    const auto stamp = StampOf(ini_);
    Save(Load(ini_, false), ini_);
    EXPECT_EQ(ReadFileBytes(ini_), stored);
    EXPECT_EQ(StampOf(ini_), stamp) << "the file was replaced";
}

TEST_F(SettingsTest, EachStoredValueLoadsByItsRule) {
    for (const std::string name : {"English", "english", "Deutsch"}) {
        WriteFileBytes(dir_.file(name + ".lng"),
                       "[Strings]\n\"Initializing TNC...\\r\"=\"" + name + "\"");
    }
    // Each stored text is loaded and saved into a fresh file, whose line
    // shows the value as loaded.
    const struct {
        const char *fault, *stored, *loadedAs, *message = "Initializing TNC...\r";
    } cases[] = {
        {"two calls", "[Unproto]\nm_UnprotoDigis=WIDE1-1 RELAY", "=WIDE1-1 RELAY \n"},
        {"eight calls", "[Beacon]\nm_BeaconDigis=A B C D E F G H", "=A B C D E F G \n"},
        {"invalid call", "[Unproto]\nm_UnprotoDigis=RELAY WIDE BAD-CALL-99 X", "=RELAY WIDE \n"},
        {"overlong call", "[Unproto]\nm_UnprotoSource=DL1ABCDEF-1", "\nm_UnprotoSource=\n"},
        {"flag in letters", "[Beacon]\nm_bBeaconEnable=yes", "\nm_bBeaconEnable=0\n"},
        {"TNC section", "[KISS]\nm_iTncPort=4\n[TNC]\nm_iTncBaudrate=48", "Port=0\nm_iTncBaud"},
        {"no language means English", "[Misc]", "[Misc]\nLanguage=English\n"},
        {"English reads no file", "[Misc]\nLanguage=English", "Language=English\n"},
        {"other language loads its file", "[Misc]\nLanguage=Deutsch", "=Deutsch\n", "Deutsch"},
        {"case matters", "[Misc]\nLanguage=english", "=english\n", "english"},
        {"missing language file", "[Misc]\nLanguage=Klingon", "=Klingon\n"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        WriteFileBytes(ini_, std::string(c.stored) + "\n");
        const std::string fresh = dir_.file(std::string(c.fault) + ".ini");
        Save(Load(ini_), fresh);
        EXPECT_NE(ReadFileBytes(fresh).find(c.loadedAs), std::string::npos) << ReadFileBytes(fresh);
        EXPECT_EQ(TranslateMsg(kMsgInitializingTnc), c.message);
    }
}

TEST_F(SettingsTest, TextsAreUtf8InTheFileAndWindows1252InTheProgram) {
    // As stored; as the program holds it (Windows-1252); as a save writes it
    // when the program's value changed.
    const struct {
        const char *fault, *stored, *held, *saved;
    } cases[] = {
        {"UTF-8", "Gr\xC3\xBC\xC3\x9F 73", "Gr\xFC\xDF 73", "Gr\xC3\xBC\xC3\x9F 73!"},
        {"written before", "Gr\xFC\xDF 73", "Gr\xFC\xDF 73", "Gr\xC3\xBC\xC3\x9F 73!"},
        {"curly quotes", "\xE2\x80\x9Chi\xE2\x80\x9D", "\x93hi\x94", "\xE2\x80\x9Chi\xE2\x80\x9D!"},
        {"no such character", "\xCE\xA3\xE2\x98\xBA", "S?", "S?!"}};
    Run();  // every key at its default
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        ASSERT_TRUE(WriteProfileText(ini_, "Beacon", "m_sBeaconText", c.stored));
        const std::string before = ReadFileBytes(ini_);
        const auto stamp = StampOf(ini_);
        Settings settings = Load(ini_);
        EXPECT_EQ(settings.m_sBeaconText, c.held);
        Save(settings, ini_);
        EXPECT_EQ(ReadFileBytes(ini_), before);
        EXPECT_EQ(StampOf(ini_), stamp) << "an unchanged run wrote";
        settings.m_sBeaconText += '!';
        Save(settings, ini_);
        EXPECT_NE(ReadFileBytes(ini_).find(std::string("m_sBeaconText=") + c.saved + "\n"),
                  std::string::npos);
    }
}

TEST_F(SettingsTest, SettingsFileThatCannotBeWrittenReportsFailure) {
    EXPECT_FALSE(SaveSettings(Settings{}, dir_.file("missing-dir/korvale.ini")));
    EXPECT_FALSE(StoreInterfaceLanguage(dir_.file("missing-dir/korvale.ini")));
}

}  // namespace
}  // namespace korvale::testing
