// The boundary to a real TAP interface: frames rewritten as they cross it,
// then the driver and both paths against the Linux stack, on a thread in a
// network namespace of its own (korvale0 44.0.0.1/24; the test plays
// AB1CDE-7 at 44.0.0.2).
#include <sched.h>
#include <unistd.h>

#include <thread>

#include "eventually.h"
#include "gateway/gateway_test_frames.h"
#include "gateway/host_frame_translation.h"
#include "gateway/radio_to_adapter.h"
#include "gateway/tap_nic_driver.h"

namespace korvale::testing {
namespace {

TEST(HostFrameTranslation, OnlyAddressFieldsTradeInterfaceAddressAndAdapter) {
    const std::string nic = "EE2A1BA3452D";
    const std::string ip = "0800 45000014 00000000" + nic + "00000000" + kAdapter;
    const std::string arp = ethernetArp(kBroadcast, nic, "01" + nic + kHostIp + nic + kStationIp);
    // To the host or from it, as it comes, as it goes on.
    const std::tuple<const char*, bool, std::string, std::string> cases[] = {
        {"ARP reply from host", false,
         ethernetArp(kAb1cde7Mac, nic, "02" + nic + kStationIp + nic + kHostIp),
         ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAdapter + kStationIp + kAdapter + kHostIp)},
        {"IP from host", false, kAb1cde7Mac + nic + ip, kAb1cde7Mac + kAdapter + ip},
        {"9 bytes from host", false, nic + "EE2A1B", kAdapter + "EE2A1B"},
        {"41-byte ARP from host", false, arp.substr(0, arp.size() - 2),
         kBroadcast + kAdapter + arp.substr(24, arp.size() - 26)},
        {"IP to host", true, kAb1cde7Mac + kAdapter + ip, nic + kAb1cde7Mac + ip},
        {"ARP reply to host", true,
         ethernetArp(kAb1cde7Mac, kAdapter, "02" + kAb1cde7Mac + kStationIp + kAdapter + kHostIp),
         ethernetArp(nic, kAb1cde7Mac, "02" + kAb1cde7Mac + kStationIp + nic + kHostIp)},
        {"13 bytes to host", true, kAb1cde7Mac + kAdapter + "08", kAb1cde7Mac + kAdapter + "08"},
    };
    const MacAddress nicMac = {0xEE, 0x2A, 0x1B, 0xA3, 0x45, 0x2D};
    for (const auto& [what, toHost, in, out] : cases) {
        SCOPED_TRACE(what);
        Bytes frame = bytes(in);
        if (toHost) {
            translateFrameToHost(std::span(frame).first(hostTranslatedPrefixSize(frame)), nicMac);
        } else {
            translateFrameFromHost(frame, nicMac);
        }
        EXPECT_EQ(frame, bytes(out));
    }
}

int run(const std::string& command) {
    return std::system(("bash -c '" + command + "' >/dev/null 2>&1").c_str());
}

TEST(TapIntegration, HostResolvesStationOverRadioAndAnswersItsEcho) {
    if (::geteuid() != 0 || ::access(kTunControlPath, R_OK | W_OK) != 0 || run("ip -V") != 0) {
        GTEST_SKIP() << "needs root, " << kTunControlPath << ", bash and the ip command";
    }
    ASSERT_TRUE(GatewayOwnAddress.parse("NOCALL-7"));
    SuppressBroadcasts = 1;
    bool unshared = false;
    std::thread([&] {
        unshared = ::unshare(CLONE_NEWNET) == 0;
        if (!unshared) {
            return;
        }
        NicDevice device(std::make_unique<TapNicDriver>());
        AdapterToRadio path(device);
        ASSERT_TRUE(device.open());
        ASSERT_EQ(run("ip addr add 44.0.0.1/24 dev korvale0 && ip link set korvale0 up"), 0);

        std::optional<Ax25Frame> frame;
        run("echo k >/dev/udp/44.0.0.2/9");
        ASSERT_TRUE(eventually([&] {
            return (frame = path.takeAdapterFrame()) && frame->pid == kPidArp;
        })) << "the host's ARP request never came out of the adapter";
        EXPECT_EQ(route(*frame), "NOCALL-7>QST");
        EXPECT_EQ(frame->info, bytes(ax25Arp("01" + kNocall7Hw + kHostIp + kNoHw + kStationIp)));

        const Bytes reply = bytes(ax25Arp("02" + kAb1cde7Hw + kStationIp + kNocall7Hw + kHostIp));
        ASSERT_TRUE(deliverToAdapter(device, uiFrame("AB1CDE-7", "NOCALL-7", kPidArp, reply)));
        EXPECT_TRUE(eventually([] {
            return run("ip neigh show 44.0.0.2 | grep -q \"lladdr 82:84:0a:36:3a:3c\"") == 0;
        })) << "the station's callsign address is not in the neighbour table";

        // Identifier 0x4B56, sequence 1, data "korvale", checksums filled in.
        const Bytes echo = bytes("45000023123440004001D0A3" + kStationIp + kHostIp +
                                 "0800 0856 4B56 0001 6B6F7276616C65");
        ASSERT_TRUE(deliverToAdapter(device, uiFrame("AB1CDE-7", "NOCALL-7", kPidIp, echo)));
        ASSERT_TRUE(eventually([&] {
            return (frame = path.takeAdapterFrame()) && frame->info.size() == 35;
        })) << "no echo reply came out of the adapter";
        EXPECT_EQ(route(*frame), "NOCALL-7>AB1CDE-7");
        const Bytes& ip = frame->info;
        EXPECT_EQ(Bytes(ip.begin() + 12, ip.begin() + 21), bytes(kHostIp + kStationIp + "00"));
        EXPECT_EQ(Bytes(ip.begin() + 24, ip.end()), Bytes(echo.begin() + 24, echo.end()));
    }).join();
    if (!unshared) {
        GTEST_SKIP() << "cannot make a network namespace";
    }
}

}  // namespace
}  // namespace korvale::testing
