// The engine on fakes: settings as the user left them, an in-memory serial
// line, an in-memory adapter driver and a monitor that keeps its lines in
// memory. Tests drive the engine as its owner would (ticks, notifications,
// typed lines, shutdown) and read back what a user sees in the monitor and
// what a peer receives on the serial line or the host stack from the adapter.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/settings.h"
#include "engine/fake_serial_link.h"
#include "engine/gateway_engine.h"
#include "engine/line_monitor_view.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/gateway_globals.h"

namespace korvale::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

inline Bytes concat(std::initializer_list<std::span<const std::uint8_t>> parts) {
    Bytes out;
    for (auto part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// A KISS data frame for port 0 around a payload that needs no escaping; the
// test payloads are chosen so, which keeps the expected bytes readable.
inline Bytes kissDataFrame(const Bytes& payload) {
    for (std::uint8_t byte : payload) {
        EXPECT_TRUE(byte != 0xC0 && byte != 0xDB) << "payload would need escaping";
    }
    const Bytes open = {0xC0, 0x00};
    const Bytes close = {0xC0};
    return concat({open, payload, close});
}

// Callsign fields of AX.25 addresses worked out by hand: each character
// shifted left by one bit, padded with shifted spaces. Tests add the SSID
// byte, whose flag bits depend on the address's place in the frame.
namespace wire {
inline const Bytes kNocallCallsign = {0x9C, 0x9E, 0x86, 0x82, 0x98, 0x98};
inline const Bytes kAb1cdeCallsign = {0x82, 0x84, 0x62, 0x86, 0x88, 0x8A};
inline const Bytes kBeaconCallsign = {0x84, 0x8A, 0x82, 0x86, 0x9E, 0x9C};
inline const Bytes kCqCallsign = {0x86, 0xA2, 0x40, 0x40, 0x40, 0x40};
inline const Bytes kRelayCallsign = {0xA4, 0x8A, 0x98, 0x82, 0xB2, 0x40};
inline const Bytes kWide1Callsign = {0xAE, 0x92, 0x88, 0x8A, 0x62, 0x40};
}  // namespace wire

inline Ax25Address addressOf(std::string_view text) {
    Ax25Address address;
    EXPECT_TRUE(address.parse(text)) << text;
    return address;
}

inline AddressList addressListOf(std::string_view text) {
    AddressList list;
    EXPECT_GE(list.parse(text), 0) << text;
    return list;
}

class EngineTest : public ::testing::Test {
  protected:
    EngineTest() {
        settings.m_iTncPort = 3;
        settings.m_UnprotoSource = addressOf("NOCALL");
        settings.m_UnprotoDest = addressOf("CQ");
        settings.m_UnprotoDigis = addressListOf("RELAY");
        settings.m_BeaconSource = addressOf("NOCALL-1");
        settings.m_BeaconDest = addressOf("BEACON");
        settings.m_BeaconDigis = addressListOf("WIDE1-1");
        settings.m_sBeaconText = "Hi";
        GatewayOwnAddress = addressOf("NOCALL-7");
        SuppressBroadcasts = 1;
        auto driver = std::make_unique<FakeNicDriver>(&nicCloses);
        nicDriver = driver.get();
        nic = std::make_unique<NicDevice>(std::move(driver));
        engine = std::make_unique<GatewayEngine>(settings, serial, *nic, view);
    }

    ~EngineTest() override {
        GatewayOwnAddress = Ax25Address{};
        GatewayLinkBitRate = 0;
        SuppressBroadcasts = 1;
    }

    void tick(int count = 1) {
        for (int i = 0; i < count; ++i) {
            engine->EngineTick();
        }
    }

    // Runs the three ticks of the default set-up and forgets what they
    // showed and wrote, so a test sees only its own traffic.
    void finishSetUp() {
        tick(3);
        ASSERT_FALSE(engine->tncInitSending());
        ASSERT_FALSE(engine->kissParamsPending());
        forgetRecords();
    }

    void forgetRecords() {
        shown.clear();
        serial.writes.clear();
        serial.readSizes.clear();
        serial.readCapacities.clear();
        nicDriver->written.clear();
    }

    // The writes that are KISS data frames (command byte 0).
    std::vector<Bytes> dataFramesWritten() const {
        std::vector<Bytes> frames;
        for (const auto& write : serial.writes) {
            if (write.size() >= 2 && write[0] == 0xC0 && write[1] == 0x00) {
                frames.push_back(write);
            }
        }
        return frames;
    }

    Settings settings;
    FakeSerialLink serial;
    int nicCloses = 0;
    FakeNicDriver* nicDriver = nullptr;
    std::unique_ptr<NicDevice> nic;
    // Every line the monitor completed, in order, whatever the trim removed
    // from the view later.
    std::vector<std::string> shown;
    LineMonitorView view{[this](std::string_view line) { shown.emplace_back(line); }};
    std::unique_ptr<GatewayEngine> engine;
};

}  // namespace korvale::testing
