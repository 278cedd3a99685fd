// The TAP driver and both gateway paths against the real Linux stack.
//
// Each test runs on a thread of its own inside a network namespace of its
// own, so the interface it makes (always korvale0, always 44.0.0.1/24) and the
// traffic it causes never touch the machine's network or other tests; the
// namespace and everything in it go away when the thread ends. The test plays
// the far radio station AB1CDE-7 at 44.0.0.2.
#include <gtest/gtest.h>

#include "gateway/tap_test_support.h"

namespace korvale {
namespace {

using namespace korvale::testing;
using namespace std::chrono_literals;

TEST_F(TapIntegrationTest, HostArpRequestLeavesAsAx25ArpFromOwnCallToQst) {
    inNamespace([] {
        Gateway gateway;
        ASSERT_TRUE(gateway.open());
        configureInterface(256);
        sendUdpToStation();
        auto frame = gateway.awaitFrame([](const Ax25Frame& f) { return f.pid == 0xCD; }, false);
        ASSERT_TRUE(frame.has_value()) << "no ARP request came out of the adapter";
        EXPECT_EQ(frame->source.toText(), "NOCALL-7");
        EXPECT_EQ(frame->destination.toText(), "QST");
        EXPECT_EQ(frame->kind, FrameKind::Ui);
        EXPECT_EQ(frame->info,
                  ax25Arp(1, kNocall7ArpHardware, kHostIp, kNoArpHardware, kStationIp));
    });
}

TEST_F(TapIntegrationTest, ArpReplyFromRadioEntersKernelNeighbourTable) {
    inNamespace([] {
        Gateway gateway;
        ASSERT_TRUE(gateway.open());
        configureInterface(256);
        sendUdpToStation();
        ASSERT_TRUE(
            gateway
                .awaitFrame([](const Ax25Frame& f) { return isArpRequestFor(f, kStationIp); },
                            false)
                .has_value());
        ASSERT_TRUE(deliverToAdapter(gateway.device(), stationArpReply()));

        std::string neighbour;
        const auto deadline = std::chrono::steady_clock::now() + kFrameDeadline;
        while (std::chrono::steady_clock::now() < deadline) {
            neighbour = output("ip neigh show 44.0.0.2 dev korvale0");
            if (neighbour.find("lladdr") != std::string::npos) {
                break;
            }
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_NE(neighbour.find("lladdr " + macText(kAb1cde7Mac)), std::string::npos)
            << "ip neigh says: " << neighbour;
    });
}

TEST_F(TapIntegrationTest, EchoRequestFromRadioGetsKernelReplyToSendingStation) {
    inNamespace([] {
        Gateway gateway;
        ASSERT_TRUE(gateway.open());
        configureInterface(256);
        const Bytes data = {'k', 'o', 'r', 'v', 'a', 'l', 'e'};
        ASSERT_TRUE(deliverToAdapter(
            gateway.device(),
            uiFrame("AB1CDE-7", "NOCALL-7", 0xCC, icmpEcho(8, kStationIp, kHostIp, data))));

        auto reply = gateway.awaitFrame(
            [](const Ax25Frame& f) {
                return f.pid == 0xCC && f.info.size() >= 28 && f.info[9] == 1 && f.info[20] == 0;
            },
            true);
        ASSERT_TRUE(reply.has_value()) << "no echo reply came out of the adapter";
        EXPECT_EQ(reply->source.toText(), "NOCALL-7");
        EXPECT_EQ(reply->destination.toText(), "AB1CDE-7");
        const Bytes& ip = reply->info;
        ASSERT_EQ(ip.size(), 20u + 8u + data.size());
        EXPECT_EQ(slice(ip, 12, 4), bytesOf(kHostIp));
        EXPECT_EQ(slice(ip, 16, 4), bytesOf(kStationIp));
        EXPECT_EQ(slice(ip, 24, 4), (Bytes{kEchoIdentifier >> 8, kEchoIdentifier & 0xFF,
                                           kEchoSequence >> 8, kEchoSequence & 0xFF}));
        EXPECT_EQ(slice(ip, 28, data.size()), data);
        EXPECT_EQ(internetChecksum(std::span(ip).subspan(20)), 0) << "ICMP checksum";
    });
}

TEST_F(TapIntegrationTest, HostFramesShowAdapterAddressInsteadOfInterfaceAddress) {
    inNamespace([] {
        auto driver = std::make_unique<TapNicDriver>();
        TapNicDriver& tap = *driver;
        NicDevice device(std::move(driver));
        ASSERT_TRUE(device.open());
        const std::string link = output("ip -o link show korvale0");
        EXPECT_NE(link.find("link/ether " + macText(tap.interfaceMac())), std::string::npos)
            << link;
        configureInterface(256);
        sendUdpToStation();

        std::array<std::uint8_t, kAdapterReadBufferSize> buffer{};
        const auto deadline = std::chrono::steady_clock::now() + kFrameDeadline;
        bool sawArp = false;
        while (!sawArp && std::chrono::steady_clock::now() < deadline) {
            std::uint32_t length = 0;
            if (!device.readFrame(buffer, length)) {
                std::this_thread::sleep_for(5ms);
                continue;
            }
            const Bytes frame(buffer.begin(), buffer.begin() + length);
            if (length == 42 && frame[12] == 0x08 && frame[13] == 0x06) {
                sawArp = true;
                EXPECT_EQ(slice(frame, 6, 6), bytesOf(kAdapterMac));
                EXPECT_EQ(slice(frame, 22, 6), bytesOf(kAdapterMac));
            }
        }
        EXPECT_TRUE(sawArp) << "the host's ARP request never arrived, or not as 42 bytes";
    });
}

TEST_F(TapIntegrationTest, OversizedFrameIsCutToBufferAndLeavesNothingBehind) {
    inNamespace([] {
        NicDevice device(std::make_unique<TapNicDriver>());
        ASSERT_TRUE(device.open());
        configureInterface(9000);
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(fd, 0);
        const int on = 1;
        ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(9);
        to.sin_addr.s_addr = htonl(0x2C0000FF);  // 44.0.0.255
        const std::string big(6000, 'B');
        const std::string marker = "marker";
        ASSERT_EQ(
            ::sendto(fd, big.data(), big.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
            static_cast<ssize_t>(big.size()));
        ASSERT_EQ(::sendto(fd, marker.data(), marker.size(), 0, reinterpret_cast<sockaddr*>(&to),
                           sizeof to),
                  static_cast<ssize_t>(marker.size()));
        ::close(fd);

        // Only IPv4 frames: the kernel's own IPv6 chatter may come in between.
        std::array<std::uint8_t, kAdapterReadBufferSize> buffer{};
        std::vector<std::uint32_t> ipv4Lengths;
        Bytes last;
        const auto deadline = std::chrono::steady_clock::now() + kFrameDeadline;
        while (ipv4Lengths.size() < 2 && std::chrono::steady_clock::now() < deadline) {
            std::uint32_t length = 0;
            if (!device.readFrame(buffer, length)) {
                std::this_thread::sleep_for(5ms);
                continue;
            }
            if (length >= 14 && buffer[12] == 0x08 && buffer[13] == 0x00) {
                ipv4Lengths.push_back(length);
                last.assign(buffer.begin(), buffer.begin() + length);
            }
        }
        ASSERT_EQ(ipv4Lengths.size(), 2u);
        EXPECT_EQ(ipv4Lengths[0], kAdapterReadBufferSize);
        EXPECT_EQ(ipv4Lengths[1], 14u + 20u + 8u + marker.size());
        EXPECT_EQ(Bytes(last.end() - marker.size(), last.end()),
                  Bytes(marker.begin(), marker.end()));
    });
}

TEST_F(TapIntegrationTest, NothingQueuedMeansNoFrameWithoutWaiting) {
    inNamespace([] {
        NicDevice device(std::make_unique<TapNicDriver>());
        ASSERT_TRUE(device.open());  // interface down: the host sends nothing
        std::uint32_t count = 99;
        EXPECT_TRUE(device.pendingFrames(count));
        EXPECT_EQ(count, 0u);
        std::array<std::uint8_t, 64> buffer{};
        std::uint32_t length = 99;
        EXPECT_FALSE(device.readFrame(buffer, length));
        EXPECT_EQ(length, 0u);
    });
}

TEST_F(TapIntegrationTest, AttachesToPersistentTapWithoutNetAdminAndLeavesItInPlace) {
    inNamespace([] {
        ASSERT_EQ(run("ip tuntap add dev korvale0 mode tap user 0"), 0);
        EXPECT_TRUE(opensWithoutNetAdmin());

        NicDevice device(std::make_unique<TapNicDriver>());
        ASSERT_TRUE(device.open());
        ASSERT_TRUE(device.close());
        EXPECT_TRUE(interfaceExists()) << "closing removed the administrator's interface";
        run("ip tuntap del dev korvale0 mode tap");
    });
}

TEST_F(TapIntegrationTest, CannotCreateTapWithoutNetAdmin) {
    inNamespace([] {
        EXPECT_FALSE(opensWithoutNetAdmin());
        EXPECT_FALSE(interfaceExists());
    });
}

TEST_F(TapIntegrationTest, TapCreatedWithPrivilegeGoesAwayOnClose) {
    inNamespace([] {
        NicDevice device(std::make_unique<TapNicDriver>());
        ASSERT_TRUE(device.open());
        EXPECT_TRUE(interfaceExists());
        EXPECT_FALSE(device.open());
        ASSERT_TRUE(device.close());
        EXPECT_FALSE(interfaceExists());
        EXPECT_TRUE(device.open()) << "cannot open again after close";
    });
}

TEST_F(TapIntegrationTest, SecondAttachmentToSameInterfaceIsRefused) {
    inNamespace([] {
        NicDevice first(std::make_unique<TapNicDriver>());
        NicDevice second(std::make_unique<TapNicDriver>());
        ASSERT_TRUE(first.open());
        EXPECT_FALSE(second.open()) << "two programs would be reading each other's frames";
        EXPECT_TRUE(first.isOpen());
    });
}

TEST_F(TapIntegrationTest, RefusesTunInterfaceOfThatName) {
    inNamespace([] {
        // A TUN carries bare IP packets; reading them as Ethernet would be garbage.
        ASSERT_EQ(run("ip tuntap add dev korvale0 mode tun"), 0);
        NicDevice device(std::make_unique<TapNicDriver>());
        EXPECT_FALSE(device.open());
        EXPECT_FALSE(device.isOpen());
    });
}

}  // namespace
}  // namespace korvale
