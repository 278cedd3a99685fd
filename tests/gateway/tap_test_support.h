// Helpers for the TAP integration tests: a network namespace of the test's
// own, commands run inside it, the far station's frames, and a child process
// without CAP_NET_ADMIN. Commands started from the namespace thread (ip)
// inherit its namespace.
#pragma once

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

namespace korvale::testing {

using namespace std::chrono_literals;

inline constexpr auto kFrameDeadline = 3s;
inline constexpr std::uint16_t kEchoIdentifier = 0x4B56;
inline constexpr std::uint16_t kEchoSequence = 1;

inline std::string missingPrerequisite() {
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
inline std::string inOwnNetworkNamespace(const std::function<void()>& body) {
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

inline int run(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str());
}

inline std::string output(const std::string& command) {
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

inline std::string macText(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

inline bool interfaceExists() {
    return run("ip link show korvale0") == 0;
}

inline void configureInterface(int mtu) {
    ASSERT_EQ(run("ip addr add 44.0.0.1/24 dev korvale0"), 0);
    ASSERT_EQ(run("ip link set korvale0 mtu " + std::to_string(mtu) + " up"), 0);
}

inline std::uint16_t internetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        sum += (bytes[i] << 8) | (i + 1 < bytes.size() ? bytes[i + 1] : 0);
    }
    while (sum > 0xFFFF) {
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

inline void putChecksum(Bytes& bytes, std::size_t from, std::size_t count, std::size_t at) {
    const std::uint16_t sum = internetChecksum(std::span(bytes).subspan(from, count));
    bytes[at] = static_cast<std::uint8_t>(sum >> 8);
    bytes[at + 1] = static_cast<std::uint8_t>(sum & 0xFF);
}

// An IPv4 datagram holding an ICMP echo request or reply.
inline Bytes icmpEcho(std::uint8_t type, const Ipv4& source, const Ipv4& destination,
                      const Bytes& data) {
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

inline Ax25Frame uiFrame(std::string_view source, std::string_view destination, int pid,
                         const Bytes& info) {
    Ax25Frame frame;
    frame.build(addressOf(source), addressOf(destination), AddressList{}, 0, FrameKind::Ui, 1, 0, 0,
                0, pid, info);
    return frame;
}

inline bool isArpRequestFor(const Ax25Frame& frame, const Ipv4& ip) {
    return frame.pid == 0xCD && frame.info.size() == 30 && frame.info[7] == 1 &&
           slice(frame.info, 26, 4) == bytesOf(ip);
}

// The far station's answer to the host's ARP request for 44.0.0.2.
inline Ax25Frame stationArpReply() {
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
inline void sendUdpToStation() {
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
inline bool opensWithoutNetAdmin() {
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

}  // namespace korvale::testing
