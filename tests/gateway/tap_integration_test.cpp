// The TAP driver and both gateway paths against the real Linux stack.
//
// Each test runs on a thread of its own inside a network namespace of its
// own, so the interface it makes (always korvale0, always 44.0.0.1/24) and the
// traffic it causes never touch the machine's network or other tests; the
// namespace and everything in it go away when the thread ends. Commands run
// from that thread (ip) inherit its namespace. The test plays the far radio
// station AB1CDE-7 at 44.0.0.2.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "gateway/adapter_to_radio.h"
#include "gateway/gateway_globals.h"
#include "gateway/gateway_test_frames.h"
#include "gateway/radio_to_adapter.h"
#include "gateway/tap_nic_driver.h"

namespace korvale {
namespace {

using namespace korvale::testing;
using namespace std::chrono_literals;

constexpr auto kFrameDeadline = 3s;
constexpr std::uint16_t kEchoIdentifier = 0x4B56;
constexpr std::uint16_t kEchoSequence = 1;

std::string missingPrerequisite() {
    if (::geteuid() != 0) {
        return "needs root to make a network namespace and a TAP interface";
    }
    if (::access(kTunControlPath, R_OK | W_OK) != 0) {
        return std::string(kTunControlPath) + " is missing";
    }
    if (std::system("ip -V >/dev/null 2>&1") != 0) {
        return "the ip command (iproute2) is missing";
    }
    return "";
}

// Runs body on a new thread that has left the machine's network namespace
// for a fresh one. Returns why the namespace could not be made, or "".
std::string inOwnNetworkNamespace(const std::function<void()>& body) {
    std::string error;
    std::thread worker([&] {
        if (::unshare(CLONE_NEWNET) != 0) {
            error = std::string("cannot make a network namespace: ") + std::strerror(errno);
            return;
        }
        body();
    });
    worker.join();
    return error;
}

int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

std::string output(const std::string& command) {
    std::string text;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (pipe == nullptr) {
        return text;
    }
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
        text += chunk;
    }
    ::pclose(pipe);
    return text;
}

std::string macText(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

bool interfaceExists() {
    return run("ip link show korvale0") == 0;
}

void configureInterface(int mtu) {
    ASSERT_EQ(run("ip addr add 44.0.0.1/24 dev korvale0"), 0);
    ASSERT_EQ(run("ip link set korvale0 mtu " + std::to_string(mtu) + " up"), 0);
}

std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        sum += (bytes[i] << 8) | (i + 1 < bytes.size() ? bytes[i + 1] : 0);
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

void putChecksum(Bytes& bytes, std::size_t from, std::size_t count, std::size_t at) {
    const std::uint16_t sum = internetChecksum(std::span(bytes).subspan(from, count));
    bytes[at] = static_cast<std::uint8_t>(sum >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(sum & 0xFF);
}

// An IPv4 datagram holding an ICMP echo request or reply.
Bytes icmpEcho(std::uint8_t type, const Ipv4& source, const Ipv4& destination, const Bytes& data) {
    const std::size_t total = 20 + 8 + data.size();
    Bytes packet = {0x45,
                    0,
                    static_cast<std::uint8_t>(total >> 8),
                    static_cast<std::uint8_t>(total),
                    0x12,
                    0x34,
                    0x40,
                    0,
                    64,
                    1,
                    0,
                    0};
    packet.insert(packet.end(), source.begin(), source.end());
    packet.insert(packet.end(), destination.begin(), destination.end());
    const Bytes icmp = {type,
                        0,
                        0,
                        0,
                        kEchoIdentifier >> 8,
                        kEchoIdentifier & 0xFF,
                        kEchoSequence >> 8,
                        kEchoSequence & 0xFF};
    packet.insert(packet.end(), icmp.begin(), icmp.end());
    packet.insert(packet.end(), data.begin(), data.end());
    putChecksum(packet, 0, 20, 10);
    putChecksum(packet, 20, total - 20, 22);
    return packet;
}

Ax25Frame uiFrame(std::string_view source, std::string_view destination, int pid,
                  const Bytes& info) {
    Ax25Frame frame;
    frame.build(addressOf(source), addressOf(destination), AddressList{}, 0, FrameKind::Ui, 1, 0, 0,
                0, pid, info);
    return frame;
}

bool isArpRequestFor(const Ax25Frame& frame, const Ipv4& ip) {
    return frame.pid == 0xCD && frame.info.size() == 30 && frame.info[7] == 1 &&
           slice(frame.info, 26, 4) == bytesOf(ip);
}

// The far station's answer to the host's ARP request for 44.0.0.2.
Ax25Frame stationArpReply() {
    return uiFrame("AB1CDE-7", "NOCALL-7", 0xCD,
                   ax25Arp(2, kAb1cde7ArpHardware, kStationIp, kNocall7ArpHardware, kHostIp));
}

// The gateway with a real TAP behind it, seen from the radio side.
class Gateway {
  public:
    Gateway() : device_(std::make_unique<TapNicDriver>()), path_(device_) {}

    bool open() { return device_.open(); }
    NicDevice& device() { return device_; }

    // Takes frames from the adapter until one satisfies wanted; the far
    // station answers the host's ARP requests for it along the way when
    // answerArp is set. None when the deadline passes.
    std::optional<Ax25Frame> awaitFrame(const std::function<bool(const Ax25Frame&)>& wanted,
                                        bool answerArp) {
        const auto deadline = std::chrono::steady_clock::now() + kFrameDeadline;
        while (std::chrono::steady_clock::now() < deadline) {
            std::optional<Ax25Frame> frame = path_.takeAdapterFrame();
            if (!frame) {
                std::this_thread::sleep_for(5ms);
                continue;
            }
            if (wanted(*frame)) {
                return frame;
            }
            if (answerArp && isArpRequestFor(*frame, kStationIp)) {
                EXPECT_TRUE(deliverToAdapter(device_, stationArpReply()));
            }
        }
        return std::nullopt;
    }

  private:
    NicDevice device_;
    AdapterToRadio path_;
};

// Makes the host send something to 44.0.0.2, which it must resolve first.
void sendUdpToStation() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(9);
    std::memcpy(&to.sin_addr, kStationIp.data(), kStationIp.size());
    const char byte = 'k';
    EXPECT_EQ(::sendto(fd, &byte, 1, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), 1);
    ::close(fd);
}

// In a child process without CAP_NET_ADMIN (still uid 0): whether the TAP
// driver can open korvale0.
bool opensWithoutNetAdmin() {
    const pid_t child = ::fork();
    if (child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};
        if (::syscall(SYS_capget, &header, data) != 0) {
            ::_exit(2);
        }
        const unsigned bit = 1u << (CAP_NET_ADMIN % 32);
        data[CAP_NET_ADMIN / 32].effective &= ~bit;
        data[CAP_NET_ADMIN / 32].permitted &= ~bit;
        data[CAP_NET_ADMIN / 32].inheritable &= ~bit;
        if (::syscall(SYS_capset, &header, data) != 0) {
            ::_exit(2);
        }
        auto driver = std::make_unique<TapNicDriver>();
        ::_exit(driver->open() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 2) << "could not drop CAP_NET_ADMIN";
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class TapIntegrationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string missing = missingPrerequisite();
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
        GatewayOwnAddress = addressOf("NOCALL-7");
        SuppressBroadcasts = 1;
        GatewayLinkBitRate = 9600;
    }

    void TearDown() override { GatewayOwnAddress = Ax25Address{}; }

    void inNamespace(const std::function<void()>& body) {
        const std::string error = inOwnNetworkNamespace(body);
        if (!error.empty()) {
            GTEST_SKIP() << error;
        }
    }
};

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
