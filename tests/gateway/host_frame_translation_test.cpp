// Frames rewritten as they cross the boundary to the TAP interface (the
// driver against the Linux stack is the end-to-end test's, tests/e2e/run.sh).
#include "gateway/host_frame_translation.h"
#include "gateway/gateway_test_frames.h"

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

}  // namespace
}  // namespace korvale::testing
