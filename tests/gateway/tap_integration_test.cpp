// The TAP driver and both gateway paths against the real Linux stack.
//
// Each test runs on a thread of its own inside a network namespace of its
// own, so korvale0 (always 44.0.0.1/24) and the traffic it causes never touch
// the machine's network or other tests; the namespace goes away with the
// thread, and commands started from it run inside it. The test plays the far
// radio station AB1CDE-7 at 44.0.0.2.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>

#include "gateway/gateway_test_frames.h"
#include "gateway/radio_to_adapter.h"
#include "gateway/tap_nic_driver.h"

namespace korvale::testing {
namespace {

using namespace std::chrono_literals;

int run(const std::string& command) {
    return std::system(("bash -c '" + command + "' >/dev/null 2>&1").c_str());
}

// Polls done every 5 ms for up to 3 s; whether it came true.
bool eventually(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + 3s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

// Runs body with the gateway open on korvale0, up at 44.0.0.1/24 with the
// given MTU, on a thread that has left for a fresh network namespace.
void withGateway(int mtu, const std::function<void(NicDevice&, AdapterToRadio&)>& body) {
    if (::geteuid() != 0 || ::access(kTunControlPath, R_OK | W_OK) != 0 || run("ip -V") != 0) {
        GTEST_SKIP() << "needs root, " << kTunControlPath << ", bash and the ip command";
    }
    GatewayOwnAddress = addressOf("NOCALL-7");
    SuppressBroadcasts = 1;
    bool unshared = false;
    std::thread([&] {
        unshared = ::unshare(CLONE_NEWNET) == 0;
        if (unshared) {
            NicDevice device(std::make_unique<TapNicDriver>());
            AdapterToRadio path(device);
            ASSERT_TRUE(device.open());
            ASSERT_EQ(run("ip addr add 44.0.0.1/24 dev korvale0 && ip link set korvale0 mtu " +
                          std::to_string(mtu) + " up"),
                      0);
            body(device, path);
        }
    }).join();
    if (!unshared) {
        GTEST_SKIP() << "cannot make a network namespace";
    }
}

std::optional<Ax25Frame> awaitFrame(AdapterToRadio& path,
                                    const std::function<bool(const Ax25Frame&)>& wanted) {
    std::optional<Ax25Frame> frame;
    const bool found = eventually([&] {
        frame = path.takeAdapterFrame();
        return frame && wanted(*frame);
    });
    return found ? frame : std::nullopt;
}

TEST(TapIntegration, HostResolvesStationOverRadioAndAnswersItsEcho) {
    withGateway(256, [](NicDevice& device, AdapterToRadio& path) {
        run("echo k >/dev/udp/44.0.0.2/9");
        const auto arp = awaitFrame(path, [](const Ax25Frame& f) { return f.pid == kPidArp; });
        ASSERT_TRUE(arp) << "the host's ARP request never came out of the adapter";
        EXPECT_EQ(route(*arp), "NOCALL-7>QST");
        EXPECT_EQ(arp->info, bytes(ax25Arp("01" + kNocall7Hw + kHostIp + kNoHw + kStationIp)));

        ASSERT_TRUE(deliverToAdapter(device, uiFrame("AB1CDE-7", "NOCALL-7", kPidArp,
                                                     bytes(ax25Arp("02" + kAb1cde7Hw + kStationIp +
                                                                   kNocall7Hw + kHostIp)))));
        EXPECT_TRUE(eventually([] {
            return run("ip neigh show 44.0.0.2 | grep -q \"lladdr 82:84:0a:36:3a:3c\"") == 0;
        })) << "the station's callsign address is not in the neighbour table";

        // Identifier 0x4B56, sequence 1, data "korvale", checksums filled in.
        const Bytes echo = bytes("45000023123440004001D0A3" + kStationIp + kHostIp +
                                 "0800 0856 4B56 0001 6B6F7276616C65");
        ASSERT_TRUE(deliverToAdapter(device, uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, echo)));
        const auto reply = awaitFrame(path, [](const Ax25Frame& f) { return f.info.size() == 35; });
        ASSERT_TRUE(reply) << "no echo reply came out of the adapter";
        EXPECT_EQ(route(*reply), "NOCALL-7>AB1CDE-7");
        const Bytes& ip = reply->info;
        EXPECT_EQ(Bytes(ip.begin() + 12, ip.begin() + 21), bytes(kHostIp + kStationIp + "00"));
        EXPECT_EQ(Bytes(ip.begin() + 24, ip.end()), Bytes(echo.begin() + 24, echo.end()));
    });
}

TEST(TapIntegration, OversizedFrameIsCutToBufferAndNextFrameArrivesWhole) {
    withGateway(9000, [](NicDevice& device, AdapterToRadio&) {
        ASSERT_EQ(run("ip neigh add 44.0.0.2 lladdr 82:84:0a:36:3a:3c dev korvale0"), 0);
        run("dd if=/dev/zero bs=6000 count=1 >/dev/udp/44.0.0.2/9; echo marker "
            ">/dev/udp/44.0.0.2/9");
        std::array<std::uint8_t, kAdapterReadBufferSize> buffer{};
        std::vector<Bytes> ipv4;  // the kernel's own IPv6 chatter may come in between
        eventually([&] {
            std::uint32_t length = 0;
            if (device.readFrame(buffer, length) && buffer[12] == 0x08 && buffer[13] == 0x00) {
                ipv4.emplace_back(buffer.begin(), buffer.begin() + length);
            }
            return ipv4.size() == 2;
        });
        ASSERT_EQ(ipv4.size(), 2u);
        EXPECT_EQ(ipv4[0].size(), kAdapterReadBufferSize);
        EXPECT_EQ(Bytes(ipv4[1].begin() + 42, ipv4[1].end()), bytes("6D61726B65720A"));
    });
}

TEST(TapIntegration, CloseRemovesInterfaceItCreatedAndOpenWorksAgain) {
    withGateway(256, [](NicDevice& device, AdapterToRadio&) {
        EXPECT_FALSE(device.open());
        ASSERT_TRUE(device.close());
        EXPECT_NE(run("ip link show korvale0"), 0);
        EXPECT_TRUE(device.open());
    });
}

}  // namespace
}  // namespace korvale::testing
