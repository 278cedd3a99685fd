// Rewriting frames at the boundary to a real Linux interface: its address and
// "SMRDRV" trade places in exactly the address fields, nowhere else.
#include "gateway/host_frame_translation.h"

#include <gtest/gtest.h>

#include "gateway/gateway_test_frames.h"

namespace korvale {
namespace {

using namespace korvale::testing;

constexpr MacAddress kInterfaceMac = {0xEE, 0x2A, 0x1B, 0xA3, 0x45, 0x2D};

TEST(TranslateFromHost, InterfaceAddressBecomesAdapterInHeaderAndArpSender) {
    Bytes frame =
        ethernetArp(kBroadcastMac, kInterfaceMac, 1, kInterfaceMac, kHostIp, kZeroMac, kStationIp);
    translateFrameFromHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, ethernetArp(kBroadcastMac, kAdapterMac, 1, kAdapterMac, kHostIp, kZeroMac,
                                 kStationIp));
}

TEST(TranslateFromHost, InterfaceAddressAsArpTargetBecomesAdapter) {
    Bytes frame =
        ethernetArp(kAb1cde7Mac, kInterfaceMac, 2, kAb1cde7Mac, kStationIp, kInterfaceMac, kHostIp);
    translateFrameFromHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, ethernetArp(kAb1cde7Mac, kAdapterMac, 2, kAb1cde7Mac, kStationIp, kAdapterMac,
                                 kHostIp));
}

TEST(TranslateFromHost, IpPayloadHoldingInterfaceAddressIsLeftAlone) {
    // The address sits where an ARP body would hold its hardware fields.
    Bytes payload(40, 0);
    std::copy(kInterfaceMac.begin(), kInterfaceMac.end(), payload.begin() + 8);
    std::copy(kInterfaceMac.begin(), kInterfaceMac.end(), payload.begin() + 18);
    Bytes frame = ethernetFrame(kAb1cde7Mac, kInterfaceMac, 0x08, 0x00, payload);
    translateFrameFromHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, payload));
}

TEST(TranslateFromHost, OtherStationsAddressesAreLeftAlone) {
    const Bytes original = ethernetArp(kInterfaceMac, kAb1cde7Mac, 2, kAb1cde7Mac, kStationIp,
                                       kIpv4MulticastMac, kHostIp);
    Bytes frame = original;
    translateFrameFromHost(frame, {1, 2, 3, 4, 5, 6});
    EXPECT_EQ(frame, original);
}

TEST(TranslateFromHost, ShortFramesAreNotOverrun) {
    // Nine bytes: only the destination field is whole.
    Bytes frame = slice(ethernetFrame(kInterfaceMac, kInterfaceMac, 0x08, 0x06, {}), 0, 9);
    translateFrameFromHost(frame, kInterfaceMac);
    EXPECT_EQ(slice(frame, 0, 6), bytesOf(kAdapterMac));
    EXPECT_EQ(slice(frame, 6, 3), (Bytes{0xEE, 0x2A, 0x1B}));

    // An ARP type too short to hold the target field keeps its body.
    Bytes arp = ethernetArp(kBroadcastMac, kInterfaceMac, 1, kInterfaceMac, kHostIp, kInterfaceMac,
                            kStationIp);
    arp.resize(41);
    translateFrameFromHost(arp, kInterfaceMac);
    EXPECT_EQ(slice(arp, 6, 6), bytesOf(kAdapterMac));
    EXPECT_EQ(slice(arp, 22, 6), bytesOf(kInterfaceMac));
}

TEST(TranslateToHost, AdapterBecomesInterfaceAddressAndFieldsAreExchanged) {
    // As the radio path writes it: station first, then the adapter.
    const Bytes datagram = {0x45, 0, 0, 20, 'S', 'M', 'R', 'D', 'R', 'V'};
    Bytes frame = ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, datagram);
    translateFrameToHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, ethernetFrame(kInterfaceMac, kAb1cde7Mac, 0x08, 0x00, datagram));
}

TEST(TranslateToHost, ArpReplyGetsInterfaceAddressAsTarget) {
    Bytes frame =
        ethernetArp(kAb1cde7Mac, kAdapterMac, 2, kAb1cde7Mac, kStationIp, kAdapterMac, kHostIp);
    translateFrameToHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, ethernetArp(kInterfaceMac, kAb1cde7Mac, 2, kAb1cde7Mac, kStationIp,
                                 kInterfaceMac, kHostIp));
}

TEST(TranslateToHost, BroadcastArpRequestKeepsBroadcastDestination) {
    Bytes frame =
        ethernetArp(kAb1cde7Mac, kBroadcastMac, 1, kAb1cde7Mac, kStationIp, kZeroMac, kHostIp);
    translateFrameToHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, ethernetArp(kBroadcastMac, kAb1cde7Mac, 1, kAb1cde7Mac, kStationIp, kZeroMac,
                                 kHostIp));
}

TEST(TranslateToHost, FrameShorterThanHeaderIsLeftUnchanged) {
    const Bytes original = slice(ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, {}), 0, 13);
    Bytes frame = original;
    translateFrameToHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, original);
}

TEST(TranslateToHost, TranslatingPrefixEqualsTranslatingWholeFrame) {
    const Bytes arp =
        ethernetArp(kAb1cde7Mac, kAdapterMac, 2, kAb1cde7Mac, kStationIp, kAdapterMac, kHostIp);
    const Bytes ip = ethernetFrame(kAb1cde7Mac, kAdapterMac, 0x08, 0x00, Bytes(100, 0x53));
    EXPECT_EQ(hostTranslatedPrefixSize(arp), 42u);
    EXPECT_EQ(hostTranslatedPrefixSize(ip), 14u);
    EXPECT_EQ(hostTranslatedPrefixSize(slice(ip, 0, 10)), 10u);

    for (const Bytes& original : {arp, ip}) {
        Bytes whole = original;
        translateFrameToHost(whole, kInterfaceMac);
        Bytes pieced = original;
        translateFrameToHost(std::span(pieced).first(hostTranslatedPrefixSize(original)),
                             kInterfaceMac);
        EXPECT_EQ(pieced, whole);
    }
}

TEST(TranslateBothWays, HostFrameReturnsToItsOriginalAddresses) {
    const Bytes fromHost =
        ethernetArp(kBroadcastMac, kInterfaceMac, 1, kInterfaceMac, kHostIp, kZeroMac, kStationIp);
    Bytes frame = fromHost;
    translateFrameFromHost(frame, kInterfaceMac);
    // The radio path writes source first; bring it into that order first.
    std::swap_ranges(frame.begin(), frame.begin() + 6, frame.begin() + 6);
    translateFrameToHost(frame, kInterfaceMac);
    EXPECT_EQ(frame, fromHost);
}

}  // namespace
}  // namespace korvale
