// The menu commands on a real session over a temporary program directory.
#include "app/menu_commands.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <tuple>

#include "engine/line_monitor_view.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/nic_device.h"
#include "lang/language_table.h"
#include "store/program_directory.h"
#include "store/temp_directory.h"

namespace korvale {
namespace {

using namespace testing;

class MenuCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProgramDirectory = dir_.directory();
        CurrentLanguage = "English";
        TheLanguageTable().clear();
        theNicDevice().useDriver(std::make_unique<testing::FakeNicDriver>());
    }
    std::unique_ptr<GatewaySession> start() {
        return std::make_unique<GatewaySession>(
            ProgramLocation{dir_.directory(), "korvale", dir_.file("korvale.ini")}, view_, nullptr);
    }

    TempDirectory dir_;
    LineMonitorView view_;
};

TEST_F(MenuCommandsTest, HidingNeedsATrayIconAndAStoredHiddenWindowShowsWithoutOne) {
    // ShowInTray, tray icon shown; shown after the toggle, ShowInTray then;
    // whether the first tick shows the window (without a tray nothing would bring it back).
    const std::tuple<int, bool, bool, int, bool> rows[] = {{0, true, false, 1, true},
                                                           {1, true, true, 0, false},
                                                           {0, false, true, 0, true},
                                                           {1, false, true, 0, true}};
    auto session = start();
    for (const auto& [inTray, trayShown, shownAfter, inTrayAfter, firstTickShows] : rows) {
        session->settings().m_bInTray = inTray;
        EXPECT_EQ(FirstTickShowsWindow(session->settings(), trayShown), firstTickShows);
        EXPECT_EQ(ToggleWindowHidden(*session, trayShown), shownAfter);
        EXPECT_EQ(session->settings().m_bInTray, inTrayAfter);
    }
}

TEST_F(MenuCommandsTest, BeaconIsDueAtTheNextTickAfterEnablingOrConfirmingItsSettings) {
    WriteFileBytes(dir_.file("korvale.ini"),
                   "[KISS]\nm_sInitTncText=\n[Beacon]\nm_iBeaconInterval=20\nm_bBeaconEnable=1\n");
    auto session = start();
    GatewayEngine& engine = session->engine();
    engine.EngineTick();  // the parameters, then the first beacon
    EXPECT_EQ(engine.beaconCountdown(), 200);
    ToggleBeacon(*session);  // off
    ToggleBeacon(*session);  // on again: due at once
    EXPECT_EQ(engine.beaconCountdown(), 0);
    engine.EngineTick();
    DialogCopy copy = MakeDialogCopy(session->settings());
    copy.settings.m_iBeaconInterval = 3;
    ApplyBeacon(*session, copy);
    EXPECT_EQ(engine.beaconCountdown(), 0);
    engine.EngineTick();
    EXPECT_EQ(engine.beaconCountdown(), 30);
}

TEST_F(MenuCommandsTest, SerialPortOkWithNoPortOrABadAddressSaysSoWithoutReinitialisingTheTnc) {
    // The TCP address taken, what the monitor says, whether re-init is offered.
    const std::tuple<std::string, std::string, bool> rows[] = {
        {"", "Warning: Serial port is not enabled.\r\n", false},
        {"tnc.local", "Error: The TNC address tnc.local is not host:port! Not connecting.\r\n",
         true}};
    for (const auto& [address, shown, reinit] : rows) {
        auto session = start();
        session->engine().EngineTick();
        const std::size_t before = view_.text().size();
        DialogCopy copy = MakeDialogCopy(session->settings());
        copy.settings.m_iTncPort = 0, copy.settings.m_iTncBaudrate = 4800;
        copy.settings.m_sTncTcpAddress = address;
        ApplySerialPort(*session, copy);
        EXPECT_EQ(session->settings().m_iTncPort, 0);
        EXPECT_EQ(session->settings().m_iTncBaudrate, 4800);
        EXPECT_EQ(session->settings().m_sTncTcpAddress, address);
        EXPECT_EQ(view_.text().substr(before), shown);
        EXPECT_EQ(CurrentMenuItemStates(*session, true).reinitEnabled, reinit);
    }
}

TEST_F(MenuCommandsTest, PortThatDoesNotOpenHoldsUpNeitherOkNorTheExitWhichStoresOnce) {
    // COM2 names a device that is not there: the handler tries it for about 3 s.
    ASSERT_EQ(::symlink(dir_.file("absent").c_str(), dir_.file("COM2").c_str()), 0);
    auto session = start();
    session->engine().EngineTick();
    DialogCopy copy = MakeDialogCopy(session->settings());
    copy.settings.m_iTncPort = 2;
    ApplySerialPort(*session, copy);
    EXPECT_EQ(view_.text().find("Cannot open COM2"), std::string::npos) << "OK waited";
    // Ended while the port is tried: the open is given up, not failed. The
    // language goes first into the new file; a second exit writes nothing.
    CurrentLanguage = "Deutsch";
    EXPECT_TRUE(session->Finish());
    session->settings().m_iTncPort = 4;
    EXPECT_TRUE(session->Finish());
    const auto exitStart = std::chrono::steady_clock::now();
    session.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - exitStart, std::chrono::seconds(1));
    const std::string saved = ReadFileBytes(dir_.file("korvale.ini"));
    EXPECT_EQ(saved.rfind("[Misc]\nLanguage=Deutsch\n", 0), 0u) << saved;
    EXPECT_NE(saved.find("m_iTncPort=2\n"), std::string::npos);
    EXPECT_NE(saved.find("m_bTncDisablePort=0\n"), std::string::npos);
}

}  // namespace
}  // namespace korvale
