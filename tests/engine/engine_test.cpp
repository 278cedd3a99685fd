#include "engine/engine_fixture.h"

namespace korvale::testing {
namespace {

TEST(TncSetUp, InitTextGoesOutOneLinePerTickThenParameterFramesOnce) {
    // The init text (null: the default), what each tick writes, the monitor.
    const std::tuple<const char*, Lines, std::string> rows[] = {
        {nullptr, {hex("KISS ON\r"), hex("RESTART\r"), kParams, ""}, "KISS ON\r\nRESTART\r\n"},
        {"", {kParams, ""}, ""},
        {"A^013^013B", {hex("A\r"), hex("\r"), hex("B"), kParams, ""}, "A\r\n\r\nB"},
        // Control codes reach the TNC, not the monitor; ^000 ends the text.
        {"^027@^009K^010^013^000X^013", {"1B 40 09 4B 0A 0D", kParams, ""}, "@K\r\n"}};
    for (const auto& [initText, writesPerTick, monitor] : rows) {
        SCOPED_TRACE(initText != nullptr ? initText : "default");
        Rig r;
        r.settings.m_sInitTncText = initText != nullptr ? initText : r.settings.m_sInitTncText;
        for (const std::string& expected : writesPerTick) {
            r.tick();
            EXPECT_EQ(r.written(), expected);
        }
        EXPECT_EQ(r.view.text(), "Initializing TNC...\r\n" + monitor);
    }
}

TEST(TncSetUp, StartUpReportsMissingLinksAndExitTextGoesOutBeforeThePortCloses) {
    // What differs, what the user is told first, what the exit writes.
    const std::tuple<void (*)(Rig&), std::string, std::string> rows[] = {
        {[](Rig& r) { r.settings.m_bInTray = 1; }, "", "C0 FF C0 | close"},
        {[](Rig& r) { r.settings.m_bTncDisablePort = 1; },
         "Warning: Serial port is not enabled.\r\n", ""},
        {[](Rig& r) { r.driver.openSucceeds = false; }, "Error: Failed to open NIC driver!\r\n",
         "C0 FF C0 | close"},
        {[](Rig& r) { r.settings.m_sExitTncText = "^192^255^192OFF^013"; }, "",
         "C0 FF C0 4F 46 46 0D | close"}};
    for (const auto& [prepare, complaint, exitWrites] : rows) {
        SCOPED_TRACE(complaint + exitWrites);
        Rig r;
        prepare(r);
        std::vector<bool> windowShown;
        r.engine.setShowWindowHook([&](bool visible) { windowShown.push_back(visible); });
        r.tick(3);
        EXPECT_EQ(windowShown, std::vector<bool>{r.settings.m_bInTray == 0});
        EXPECT_EQ(r.view.text(), complaint + "Initializing TNC...\r\nKISS ON\r\nRESTART\r\n");
        EXPECT_EQ(r.written().empty(), exitWrites.empty());
        r.engine.Shutdown();
        EXPECT_EQ(r.written(), exitWrites);
        EXPECT_FALSE(r.nic.isOpen());
    }
}

// Ethernet between AB1CDE-7 and the adapter, IPv4 (source first to the host);
// on the air NOCALL-7 to AB1CDE-7, UI, PID 0xCC.
const std::string kEther = "82 84 0A 36 3A 3C 53 4D 52 44 52 56 08 00 ";
const std::string kToPeer = kAb1cde + "EE" + kNocall + "6F 03 CC ";

TEST(AdapterDrain, WaitingFramesAreShownAndSentInOrderEachTickUpToADroppedOne) {
    Rig r;
    r.driver.hostFrames = {
        bytes(kEther + "31"), bytes(kEther + "32"), {0x11}, bytes(kEther + "33")};
    r.tick();  // drained while the init text is still being sent
    EXPECT_EQ(r.written(),
              hex("KISS ON\r") + " | " + kiss(kToPeer + "31") + " | " + kiss(kToPeer + "32"));
    r.settings.m_iTncBaudrate = 4800;  // after the default 9600
    r.tick(2);
    EXPECT_EQ(r.written(), hex("RESTART\r") + " | " + kiss(kToPeer + "33") + " | " + kParams);
    const std::string ui = "NOCALL-7>AB1CDE-7>UI,C,CC:";
    EXPECT_EQ(r.shown,
              (Lines{"Initializing TNC...", "KISS ON", ui, "1", ui, "2", "RESTART", ui, "3"}));
    EXPECT_EQ(r.driver.speeds, (std::vector<std::int32_t>{9600, 4800}));
}

TEST(Beacon, SentEveryIntervalTimesTenPlusOneTicks) {
    // A setting, the ticks to run, the ticks that send (the first after set-up).
    const std::tuple<int Settings::*, int, int, std::vector<int>> rows[] = {
        {&Settings::m_iBeaconInterval, 20, 700, {3, 204, 405, 606}},
        {&Settings::m_iBeaconInterval, 0, 5, {3, 4, 5}},
        // 2^32 + 4 ticks: a count-down wrapped to 32 bits would send again.
        {&Settings::m_iBeaconInterval, 429496730, 1000, {3}},
        {&Settings::m_iBeaconInterval, -5, 300, {}},  // from an edited INI file
        {&Settings::m_bBeaconEnable, 0, 300, {}},
        {&Settings::m_bTncDisablePort, 1, 405, {3, 204, 405}}};
    // NOCALL-1 via WIDE1-1 to BEACON, UI, PID 0; written if the port is enabled.
    const std::string frame =
        kiss("84 8A 82 86 9E 9C E0" + kNocall + "62 AE 92 88 8A 62 40 03 03 00 84");
    for (const auto& [setting, value, ticks, sentAt] : rows) {
        SCOPED_TRACE(value);
        Rig r;
        r.settings.m_bBeaconEnable = 1;
        r.settings.*setting = value;
        std::vector<int> shownAt;
        for (int tick = 1; tick <= ticks; ++tick) {
            r.shown.clear();
            r.tick();
            const auto shown = std::ranges::count(r.shown, "NOCALL-1/WIDE1-1>BEACON>UI,C,00:");
            shownAt.insert(shownAt.end(), shown, tick);
            EXPECT_EQ(r.written().find(frame) != std::string::npos,
                      shown > 0 && r.engine.IsTncPortEnabled())
                << "tick " << tick;
        }
        EXPECT_EQ(shownAt, sentAt);
    }
}

// AB1CDE-7 to NOCALL-7 (the gateway), UI command, up to the PID.
const std::string kToGateway = kNocall + "EE" + kAb1cde + "6F 03 ";

TEST(Receive, NotificationReadsAllWaitingInPiecesOf1000AndFramesJoinAcrossNotifications) {
    const std::string ip = hex(std::string(2481, 'A'));  // a KISS frame of 2500 bytes
    const Bytes frame = bytes(kiss(kToGateway + "CC " + ip));
    // Bytes there for the first notification; the reads of it and of the next.
    using Row = std::pair<std::ptrdiff_t, std::vector<std::size_t>>;
    for (const auto& [first, reads] :
         {Row{2500, {1000, 1000, 500, 0}}, Row{1000, {1000, 0, 1000, 500}}}) {
        SCOPED_TRACE(first);
        Rig r;
        ASSERT_TRUE(r.nic.open());
        r.settings.m_bMonitorUI = 0;  // handed on all the same
        r.incoming.assign(frame.begin(), frame.begin() + first);
        r.engine.OnSerialNotification();
        r.incoming.assign(frame.begin() + first, frame.end());
        r.engine.OnSerialNotification();
        EXPECT_EQ(r.reads, reads);
        EXPECT_EQ(r.driver.written, std::vector<Bytes>{bytes(kEther + ip)});
    }
}

TEST(Receive, EachFrameKindIsShownByItsOwnFlagInArrivalOrder) {
    // The one setting on, the lines shown without their addresses.
    const std::pair<int Settings::*, std::string> rows[] = {
        {&Settings::m_bMonitorI, "I00,C,F0: "},
        {&Settings::m_bMonitorUI, "UI,C,F0: UI,C,CC: E..(....@...,...,... "},  // headers off
        {&Settings::m_bMonitorSABM, "UNKN,R SABM,C DISC,C UA,C DM,C FRMR,C UNKN,C "},
        {&Settings::m_bMonitorRR, "RR2,C RNR0,C REJ0,C "},
        {&Settings::m_bTncDisablePort, ""}};  // nothing is even read then
    for (const auto& [setting, seen] : rows) {
        SCOPED_TRACE(seen);
        Rig r;
        std::tie(r.settings.m_bMonitorI, r.settings.m_bMonitorUI, r.settings.m_bMonitorSABM,
                 r.settings.m_bMonitorRR, r.settings.m_bMonitorHeaders) = std::tuple(0, 0, 0, 0, 0);
        r.settings.*setting = 1;
        // Too short; NOCALL to AB1CDE-7: I, UI, SABM, DISC, UA, DM, FRMR, XID,
        // RR, RNR, REJ; IPv4 to the gateway.
        r.tncSends("01 02 03 04 05 06 07 08 09 0A");
        for (const char* control :
             {"00 F0", "03 F0", "2F", "43", "63", "0F", "87", "AF", "41", "05", "09"}) {
            r.tncSends(kAb1cde + "EE" + kNocall + "61 " + control);
        }
        r.tncSends(kToGateway + "CC 45 00 00 28 00 01 00 00 40 06 00 00 2C 01 02 04 2C 01 02 03");
        r.engine.OnSerialNotification();
        std::string lines;
        for (const std::string& line : r.shown) {
            lines += line.substr(line.rfind('>') + 1) + " ";
        }
        EXPECT_EQ(lines, seen);
        EXPECT_EQ(r.reads.empty(), seen.empty());
    }
}

TEST(Monitor, AppendPastFiftyLinesTrimsTheFirstTenOnce) {
    Rig r;
    const auto append = [&](int from, int to) {
        std::string text;
        for (int i = from; i <= to; ++i) {
            text += "line " + std::to_string(i) + "\r";
        }
        r.engine.AppendMonitorText(text);
        const std::string all = r.view.text();
        return std::to_string(r.view.lineCount()) + " from " + all.substr(0, all.find('\r'));
    };
    EXPECT_EQ(append(1, 49), "50 from line 1");  // and the empty line after them
    EXPECT_EQ(append(50, 50), "41 from line 11");
    EXPECT_EQ(append(51, 80), "61 from line 21");  // 71 lines, but one trim per append
}

TEST(UnprotoLine, TypedLineIsEchoedShownAsFrameAndSentInOemCodePage) {
    // A setting, the typed line, the information sent (null: none), the line shown.
    const std::tuple<int Settings::*, int, std::string, const char*, std::string> rows[] = {
        {&Settings::m_bOemTranslation, 1, std::string("\r\0x", 3), "0D", ""},
        // u-umlaut and sharp s: sent in code page 437, echoed as typed
        {&Settings::m_bOemTranslation, 1, "Gr\xFC\xDF\r", "47 72 81 E1 0D", "Gr\xFC\xDF"},
        {&Settings::m_bOemTranslation, 0, "\xE4\r", "E4 0D", "\xE4"},
        {&Settings::m_bTncDisablePort, 1, "Hi\r", nullptr, "Hi"}};
    for (const auto& [setting, value, typed, info, text] : rows) {
        SCOPED_TRACE(hex(typed));
        Rig r;
        r.settings.*setting = value;
        r.engine.SendUnprotoLine(typed);
        EXPECT_EQ(r.shown, (Lines{text, "NOCALL/RELAY>CQ>UI,C,00:", text}));
        EXPECT_EQ(r.written(), info == nullptr ? "" : kiss(kCq + info));
    }
}

}  // namespace
}  // namespace korvale::testing
