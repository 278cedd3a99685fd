#include "store/settings.h"

#include <gtest/gtest.h>

#include "gateway/gateway_globals.h"
#include "lang/interface_language.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"
#include "store/process_environment.h"
#include "store/profile_file.h"
#include "store/program_directory.h"
#include "store/settings_table.h"
#include "store/temp_directory.h"

namespace korvale::testing {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    // As start-up reads it, into values as they are at start (laid out at 346 x 180).
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

    static void Save(const Settings& settings, const std::string& ini) {
        EXPECT_TRUE(StoreInterfaceLanguage(ini) && SaveSettings(settings, ini));
    }

    TempDirectory dir_;
    std::string ini_ = dir_.file("korvale.ini");
};

const std::string kDefaults =
    "[Misc]\nLanguage=English\nm_bOemTranslation=1\n\n[Dialog]\nLeft=0\nTop=0\nCX=346\nCY=180\n"
    "ShowInTray=0\n\n[TCP-IP]\nTcpIpMyCall=NOCALL\nSuppressBroadcasts=1\n\n[TNC]\nm_iTncPort=0\n"
    "m_iTncBaudrate=9600\nm_bTncDisablePort=0\nm_sTncTcpAddress=\nm_sKissServerAddress=\n\n[KISS]\n"
    "m_iTxDelay=200\nm_iTxTail=0\nm_iPersist=63\nm_iSlottime=10\nm_bFullDup=0\n"
    "m_sInitTncText=KISS ON^013RESTART^013\nm_sExitTncText=^192^255^192\nm_iAirBaudrate=0\n\n"
    "[Monitor]\nm_bMonitorI=1\nm_bMonitorUI=1\nm_bMonitorSABM=1\nm_bMonitorRR=1\n"
    "m_bMonitorHeaders=1\nm_sCaptureFile=\n\n[Unproto]\nm_UnprotoSource=NOCALL\nm_UnprotoDest=QST\n"
    "m_UnprotoDigis=\n\n[Beacon]\nm_BeaconSource=NOCALL\nm_BeaconDest=QST\nm_BeaconDigis=\n"
    "m_sBeaconText=\nm_iBeaconInterval=20\nm_bBeaconEnable=0\n";

// Per row a value unlike its default and every other row's, as held and as kept; texts non-ASCII.
std::pair<std::string, std::string> ValueFor(const SettingRow& row, int index) {
    const std::string n = std::to_string(index);
    std::string same = n;
    if (row.kind == SettingKind::Integer && index < 2) {
        same = index == 0 ? "-2147483648" : "2147483647";  // no overflow in the save's check
    } else if (row.kind == SettingKind::Callsign) {
        same = "KV" + n + "-" + std::to_string(index % 15 + 1);
    } else if (row.kind == SettingKind::CallList) {
        same = "A" + n + " B" + n + " ";
    } else if (row.place(LivePlaces()) == SettingValue(&CurrentLanguage)) {
        same = "D\xC3\xA9" + n;  // a file name, as the file system spells it
    } else if (row.kind == SettingKind::Text || row.kind == SettingKind::TncAddress) {
        return {"Gr\xFC\xDF \x93" + n + "\x94",
                "Gr\xC3\xBC\xC3\x9F \xE2\x80\x9C" + n + "\xE2\x80\x9D"};
    }
    return {same, same};
}

TEST_F(SettingsTest, FirstRunWritesDefaultsEveryRowLoadsByItsRuleAndStaysByteForByteRunAfterRun) {
    Save(Load(ini_), ini_);
    EXPECT_EQ(ReadFileBytes(ini_), kDefaults);
    const auto first = StampOf(ini_);
    Save(Load(ini_), ini_);
    EXPECT_EQ(StampOf(ini_), first) << "the defaults were written again";
    const std::span<const SettingRow> rows = SettingsTable();
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        ASSERT_TRUE(
            WriteProfileText(ini_, rows[i].section, rows[i].key, ValueFor(rows[i], i).second));
    }
    const std::string stored = ReadFileBytes(ini_);
    const std::string fresh = dir_.file("fresh.ini");
    Settings loaded = Load(ini_);
    Save(loaded, fresh);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const auto [held, kept] = ValueFor(rows[i], i);
        std::string line(1, '\n');
        line.append(rows[i].key).append("=").append(kept).append("\n");
        EXPECT_NE(ReadFileBytes(fresh).find(line), std::string::npos) << line;
        const SettingValue value = rows[i].place(LivePlaces(&loaded));
        if (std::string* const* text = std::get_if<std::string*>(&value)) {
            EXPECT_EQ(**text, held);
        }
    }
    for (int run = 0; run < 3; ++run) {  // one without a window
        const auto stamp = StampOf(ini_);
        Save(Load(ini_, run != 1), ini_);
        EXPECT_EQ(ReadFileBytes(ini_), stored);
        EXPECT_EQ(StampOf(ini_), stamp) << "run " << run << " wrote";
    }
    ASSERT_TRUE(WriteProfileText(ini_, "Beacon", "m_sBeaconText", "\xCE\xA3\xE2\x98\xBA"));
    const std::string before = ReadFileBytes(ini_);
    Settings settings = Load(ini_);
    EXPECT_EQ(settings.m_sBeaconText, "S?");
    Save(settings, ini_);
    EXPECT_EQ(ReadFileBytes(ini_), before);
    EXPECT_FALSE(SaveSettings(settings, dir_.file("missing-dir/korvale.ini")));
    EXPECT_FALSE(StoreInterfaceLanguage(dir_.file("missing-dir/korvale.ini")));
    for (const std::string name : {"English", "english", "Deutsch"}) {
        WriteFileBytes(dir_.file(name + ".lng"),
                       "[Strings]\n\"Initializing TNC...\\r\"=\"" + name + "\"");
    }
    const struct {
        const char *fault, *stored, *loadedAs, *message = "Initializing TNC...\r";
    } cases[] = {
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

// {} stands for unknown; `link` is the one path that names the executable.
struct FakeEnvironment : ProgramEnvironment {
    FakeEnvironment(std::optional<std::string> c, std::optional<std::string> e, std::string l)
        : current(std::move(c)), executable(std::move(e)), link(std::move(l)) {}
    std::optional<std::string> current, executable;
    std::string link;
    std::optional<std::string> currentDirectory() const override { return current; }
    std::optional<std::string> executablePath() const override { return executable; }
    bool sameFile(const std::string& a, const std::string&) const override { return a == link; }
};

TEST(LocateProgramTest, IniFileLiesBesideTheProgramTheFirstWordNamesWhichIsMadeCurrent) {
    const struct {
        const char* fault;
        std::string firstWord;
        std::optional<std::string> current, executable;
        std::string link, iniPath;
    } cases[] = {
        {"path with a directory", "/opt/gw.exe", "/home/op", "/opt/gw.exe", "", "/opt/gw.ini"},
        {"relative path", "build/korvale", "/home/op", {}, "", "/home/op/build/korvale.ini"},
        {"own directory", "korvale", "/srv", "/opt/korvale", "/srv/korvale", "/srv/korvale.ini"},
        {"bare name from the PATH", "korvale", "/home/op", "/opt/korvale", "", "/opt/korvale.ini"},
        {"bare name, nothing known", "korvale", {}, {}, "", "korvale.ini"},
        {"bare name, executable unknown", "korvale", "/srv/", {}, "", "/srv/korvale.ini"},
        {"last dot starts the extension", "/x/my.gate.v2", {}, {}, "", "/x/my.gate.ini"},
        {"dot in a directory name", "/x.d/korvale", {}, {}, "", "/x.d/korvale.ini"},
        {"hidden file", "/x/.korvale", {}, {}, "", "/x/.korvale.ini"},
        {"empty first word", "", "/home/op", "/opt/korvale", "", "/opt/korvale.ini"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        const FakeEnvironment env(c.current, c.executable, c.link);
        EXPECT_EQ(LocateProgram(c.firstWord, env).iniPath, c.iniPath);
    }
    const std::filesystem::path saved = std::filesystem::current_path();
    TempDirectory dir;
    EXPECT_EQ(SetUpProgramDirectory(dir.file("korvale")).iniPath, dir.file("korvale.ini"));
    EXPECT_EQ(ProgramDirectory, dir.directory());
    EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), dir.directory()));
    SetUpProgramDirectory("korvale-not-here");
    EXPECT_EQ(ProgramDirectory,
              std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/");
    std::filesystem::current_path(saved);
    ProgramDirectory.clear();
}

}  // namespace
}  // namespace korvale::testing
