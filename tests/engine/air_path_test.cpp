// The engine with a radio bit rate, on the test's clock. (ARP re-probes
// answered without the air: the responder's test and tests/e2e/air_run.sh.)
#include "engine/engine_fixture.h"
#include "gateway/neighbour_timers.h"

namespace korvale::testing {
namespace {

// Ethernet from the host (SMRDRV) to AB1CDE-7 with IPv4 from 44.0.0.1 to
// 44.0.0.2: a TCP segment of 200 information bytes (1752 ms at 1200 bit/s), a ping.
const std::string kIp = "82 84 0A 36 3A 3C 53 4D 52 44 52 56 08 00 45 00 00 14 00 00 00 00 40 ";
Bytes bulk(char fill) {
    return bytes(kIp + "06 00 00 2C 00 00 01 2C 00 00 02 1F 41 00 50 " +
                 hex(std::string(176, fill)));
}
const Bytes kPing = bytes(kIp + "01 00 00 2C 00 00 01 2C 00 00 02 08 00 00 00");

struct PacedRig : Rig {
    PacedRig() {
        settings.m_iAirBaudrate = 1200;
        engine.setClock([this] { return now; });
        tick(3);  // the TNC set-up
        written();
        shown.clear();
    }
    // Ticks until the clock reads `until`, one tick every 100 ms.
    void runUntil(std::int64_t until) {
        while (now < until) {
            now += kEngineTickMs;
            tick();
        }
    }
    // The monitor's IP header and typed lines, in the order shown.
    Lines sent() const {
        Lines out;
        for (const std::string& line : shown) {
            if (line.starts_with("  IP:") || line == "hi") {
                out.push_back(line.substr(0, 11));
            }
        }
        return out;
    }
    std::int64_t now = 0;
};

TEST(AirPath, TncGetsFramesAsTheRadioSendsThemAndPingsAndTypedLinesPassTheBacklog) {
    PacedRig r;
    r.driver.hostFrames = {bulk('1'), bulk('2'), bulk('3'), kPing};
    r.tick();
    // Only the first: 205 + 1752 + 30 ms of air for the TNC.
    EXPECT_EQ(r.written(), kiss("82 84 62 86 88 8A EE" + kNocall + "6F 03 CC " +
                                hex(std::span<const std::uint8_t>(bulk('1')).subspan(14))));
    r.engine.SendUnprotoLine("hi\r");
    EXPECT_EQ(r.written(), "");
    // The typed line (232 ms) and the ping (344 ms) fit once 1000 ms or less is left.
    r.runUntil(1200);
    EXPECT_EQ(r.written(), "") << "1987 - 1200 + 232 is more than a second";
    r.runUntil(1300);
    EXPECT_NE(r.written().find(hex("hi\r")), std::string::npos);
    r.runUntil(20000);
    // The echo of the typed line, then the frames in the order they left.
    EXPECT_EQ(r.sent(),
              (Lines{"  IP: TCP, ", "hi", "hi", "  IP: ICMP,", "  IP: TCP, ", "  IP: TCP, "}));
    EXPECT_EQ(r.view.text().find("Radio queue"), std::string::npos);
}

TEST(AirPath, DropsForTheBudgetMakeOneMonitorLineWithTheirCountAtMostEveryTenSeconds) {
    PacedRig r;
    // 40 segments of 1752 ms: 34 fit the budget of a minute.
    for (char fill = 'A'; fill < 'A' + 40; ++fill) {
        r.driver.hostFrames.push_back(bulk(fill));
    }
    r.tick();
    EXPECT_EQ(r.shown.back(), "Radio queue full, frames dropped: 6");
    r.runUntil(5000);  // three have left, at 0, 2000 and 4000
    r.driver.hostFrames = {bulk('w'), bulk('x'), bulk('y'), bulk('z')};
    r.runUntil(9900);
    EXPECT_EQ(std::count(r.shown.begin(), r.shown.end(), "Radio queue full, frames dropped: 1"), 0);
    r.runUntil(10000);
    EXPECT_EQ(r.shown.back(), "Radio queue full, frames dropped: 1");
}

TEST(AirPath, AdapterGetsNeighbourTimersForTheRateAndTheUserHearsWhenItCannot) {
    for (const bool accepted : {true, false}) {
        Rig r;
        r.driver.timersSucceed = accepted;
        r.tick(3);
        EXPECT_TRUE(r.driver.neighbourTimers.empty()) << "rate 0: the host's own timers";
        r.settings.m_iAirBaudrate = 1200;
        r.tick(5);
        r.settings.m_iAirBaudrate = 0;
        r.tick();
        ASSERT_EQ(r.driver.neighbourTimers.size(), 2U);
        EXPECT_EQ(r.driver.neighbourTimers[0].retransTimeMs, 8000);
        EXPECT_EQ(r.driver.neighbourTimers[1].retransTimeMs, neighbourTimersFor(0).retransTimeMs);
        EXPECT_EQ(
            std::count(r.shown.begin(), r.shown.end(),
                       "Warning: Cannot set the adapter's ARP timers for the radio bit rate."),
            accepted ? 0 : 1);
    }
}

}  // namespace
}  // namespace korvale::testing
