// The engine on fakes: a serial line that logs every write, an in-memory
// adapter and a monitor that keeps its lines; bytes as hex text ("C0 00").
#pragma once

#include <gtest/gtest.h>

#include "ax25/ax25_test_support.h"
#include "engine/gateway_engine.h"
#include "engine/line_monitor_view.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/gateway_globals.h"

namespace korvale::testing {

using Lines = std::vector<std::string>;

inline std::string hex(std::span<const std::uint8_t> data) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t byte : data) {
        out += {' ', kDigits[byte >> 4], kDigits[byte & 15]};
    }
    return out.empty() ? out : out.substr(1);
}

inline std::string hex(std::string_view text) {
    return hex(Bytes(text.begin(), text.end()));
}

inline std::string kiss(const std::string& ax25) {
    return hex(bytes("C0 00 " + ax25 + " C0"));
}

inline const std::string kParams =
    "C0 01 14 C0 | C0 02 DB DC C0 | C0 03 FF C0 | C0 04 03 C0 | C0 05 01 C0";

// Callsign fields; tests add the SSID byte.
inline const std::string kNocall = " 9C 9E 86 82 98 98 ";
inline const std::string kAb1cde = " 82 84 62 86 88 8A ";
// The unproto frame up to its information: NOCALL via RELAY to CQ, UI, PID 0.
inline const std::string kCq = "86 A2 40 40 40 40 E0" + kNocall + "60 A4 8A 98 82 B2 40 01 03 00 ";

// Unproto NOCALL>CQ via RELAY, beacon NOCALL-1>BEACON via WIDE1-1 ("\xE4"),
// gateway NOCALL-7; as the serial line it opens only port 3 at 9600 baud,
// logs writes and closes (" | ") and serves `incoming`.
struct Rig : SerialLink {
    Rig() {
        settings.m_iTncPort = 3;
        settings.m_sBeaconText = std::string(1, '\xE4');  // a literal: GCC 12 -O3 -Wrestrict
        std::tie(settings.m_iTxDelay, settings.m_iPersist, settings.m_iSlottime, settings.m_iTxTail,
                 settings.m_bFullDup) = std::tuple(205, 192, 2550, 30, 1);  // 192 is FEND
        EXPECT_TRUE(
            settings.m_UnprotoSource.parse("NOCALL") && settings.m_UnprotoDest.parse("CQ") &&
            settings.m_UnprotoDigis.parse("RELAY") == 1 &&
            settings.m_BeaconSource.parse("NOCALL-1") && settings.m_BeaconDest.parse("BEACON") &&
            settings.m_BeaconDigis.parse("WIDE1-1") == 1 && GatewayOwnAddress.parse("NOCALL-7"));
    }

    int open(int port, int baudRate) override { return port == 3 && baudRate == 9600 ? 0 : 2; }
    int close() override { return log("close"), 0; }
    bool write(std::span<const std::uint8_t> data) override { return log(hex(data)), true; }
    int read(std::span<std::uint8_t> buffer) override {
        const auto count = incoming.copy(reinterpret_cast<char*>(buffer.data()), buffer.size());
        incoming.erase(0, count);
        reads.push_back(count);
        return static_cast<int>(count);
    }
    void log(const std::string& entry) { serialLog += (serialLog.empty() ? "" : " | ") + entry; }
    std::string written() { return std::exchange(serialLog, {}); }

    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            engine.EngineTick();
        }
    }
    void tncSends(const std::string& ax25) {
        std::ranges::copy(bytes(kiss(ax25)), std::back_inserter(incoming));
    }

    std::string serialLog, incoming;  // incoming: bytes from the TNC not yet read
    std::vector<std::size_t> reads;   // bytes returned by each read
    Settings settings;
    std::unique_ptr<FakeNicDriver> ownedDriver = std::make_unique<FakeNicDriver>();
    FakeNicDriver& driver = *ownedDriver;
    NicDevice nic{std::move(ownedDriver)};
    Lines shown;  // every line the monitor completed, whatever the trim removed later
    LineMonitorView view{[this](std::string_view line) { shown.emplace_back(line); }};
    GatewayEngine engine{settings, *this, nic, view};
};

}  // namespace korvale::testing
