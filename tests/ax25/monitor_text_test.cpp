// The monitor line of a frame, byte for byte as the user sees it.
#include "ax25/monitor_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "frame_generator.h"
#include "gateway/address_mapping.h"

namespace korvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

Ax25Address addressOf(std::string_view callsign, int ssid) {
    Ax25Address address;
    address.setCallsign(callsign);
    address.ssid = static_cast<std::uint8_t>(ssid);
    return address;
}

AddressList pathOf(const char* text) {
    AddressList path;
    EXPECT_GE(path.parse(text), 0);
    return path;
}

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

Ax25Frame frameOf(const Ax25Address& source, const Ax25Address& destination,
                  const AddressList& path, int repeatedCount, FrameKind kind, int commandResponse,
                  int pollFinal, int nr, int ns, int pid, const Bytes& info) {
    Ax25Frame frame;
    frame.build(source, destination, path, repeatedCount, kind, commandResponse, pollFinal, nr, ns,
                pid, info);
    return frame;
}

Ax25Frame uiCommand(const Ax25Address& source, const Ax25Address& destination, int pid,
                    const Bytes& info) {
    return frameOf(source, destination, {}, 0, FrameKind::Ui, 1, 0, 0, 0, pid, info);
}

// The 30-byte AX.25 ARP packet between two stations.
Bytes arpPacket(int operation, const Ax25Address& sender, std::array<int, 4> senderIp,
                const Ax25Address& target, std::array<int, 4> targetIp) {
    Bytes packet = {0x00,
                    0x03,
                    0x00,
                    0xCC,
                    7,
                    4,
                    static_cast<std::uint8_t>(operation >> 8),
                    static_cast<std::uint8_t>(operation)};
    const auto appendHardware = [&packet](const Ax25Address& address) {
        const ArpHardwareAddress hardware = callToArpHardware(address);
        packet.insert(packet.end(), hardware.begin(), hardware.end());
    };
    const auto appendIp = [&packet](std::array<int, 4> ip) {
        for (int part : ip) {
            packet.push_back(static_cast<std::uint8_t>(part));
        }
    };
    appendHardware(sender);
    appendIp(senderIp);
    appendHardware(target);
    appendIp(targetIp);
    return packet;
}

// A 20-byte IPv4 header; the rest of a datagram is never looked at.
Bytes ipHeader(int protocol, std::array<int, 4> source, std::array<int, 4> destination,
               int totalLength) {
    Bytes header(20, 0);
    header[0] = 0x45;
    header[2] = static_cast<std::uint8_t>(totalLength >> 8);
    header[3] = static_cast<std::uint8_t>(totalLength);
    header[8] = 64;
    header[9] = static_cast<std::uint8_t>(protocol);
    for (int i = 0; i < 4; ++i) {
        header[12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(source[i]);
        header[16 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(destination[i]);
    }
    return header;
}

const Ax25Address kNocall = addressOf("NOCALL", 0);
const Ax25Address kQst = addressOf("QST", 0);
const Ax25Address kPeer = addressOf("AB1CDE", 7);

// ---- the documented lines ----

TEST(MonitorText, UiThroughRepeatingDigipeater) {
    const Ax25Frame frame = frameOf(kNocall, kQst, pathOf("RELAY"), 1, FrameKind::Ui, 1, 0, 0, 0,
                                    0x00, bytesOf("Hello"));
    EXPECT_EQ(renderMonitorText(frame, true), "NOCALL/RELAY*>QST>UI,C,00:\r\nHello\r\n");
}

TEST(MonitorText, ArpRequestSummary) {
    const Ax25Frame frame =
        uiCommand(kNocall, kQst, 0xCD, arpPacket(1, kNocall, {44, 1, 2, 3}, kQst, {44, 1, 2, 4}));
    EXPECT_EQ(renderMonitorText(frame, true),
              "NOCALL>QST>UI,C,CD\r\n  ARP: Request, Sender: 44.1.2.3,NOCALL, Target: "
              "44.1.2.4,QST\r\n");
}

TEST(MonitorText, ArpReplySummaryShowsSsidsAndHighAddressBytes) {
    const Ax25Frame frame = uiCommand(
        kPeer, kNocall, 0xCD, arpPacket(2, kPeer, {255, 0, 128, 9}, kNocall, {10, 0, 0, 1}));
    EXPECT_EQ(renderMonitorText(frame, true),
              "AB1CDE-7>NOCALL>UI,C,CD\r\n  ARP: Reply, Sender: 255.0.128.9,AB1CDE-7, Target: "
              "10.0.0.1,NOCALL\r\n");
}

TEST(MonitorText, IpSummaryForTcp) {
    const Ax25Frame frame =
        uiCommand(kPeer, kNocall, 0xCC, ipHeader(6, {44, 1, 2, 4}, {44, 1, 2, 3}, 40));
    EXPECT_EQ(
        renderMonitorText(frame, true),
        "AB1CDE-7>NOCALL>UI,C,CC\r\n  IP: TCP, Source: 44.1.2.4, Dest: 44.1.2.3, Len: 40\r\n");
}

TEST(MonitorText, IFrameWithPollShowsBothSequenceNumbersAndBytes) {
    const Ax25Frame frame =
        frameOf(kPeer, kNocall, {}, 0, FrameKind::I, 1, 1, 5, 3, 0xF0, bytesOf("data"));
    EXPECT_EQ(renderMonitorText(frame, true), "AB1CDE-7>NOCALL>I53,P,F0:\r\ndata\r\n");
}

TEST(MonitorText, ReceiveReadyResponse) {
    const Ax25Frame frame = frameOf(kNocall, kPeer, {}, 0, FrameKind::Rr, 0, 0, 2, 0, 0, {});
    EXPECT_EQ(renderMonitorText(frame, true), "NOCALL>AB1CDE-7>RR2,R\r\n");
}

TEST(MonitorText, UnknownKindWithEqualCBits) {
    const Ax25Frame frame =
        frameOf(addressOf("AB1CDE", 0), kNocall, {}, 0, FrameKind::Unknown, 2, 0, 0, 0, 0, {});
    EXPECT_EQ(renderMonitorText(frame, false), "AB1CDE>NOCALL>UNKN,?\r\n");
}

// ---- header fields ----

TEST(MonitorText, OnlyTheLastRepeatingDigipeaterIsMarked) {
    const Ax25Frame frame =
        frameOf(kNocall, kQst, pathOf("D1 D2-2 D3"), 2, FrameKind::Dm, 0, 1, 0, 0, 0, {});
    EXPECT_EQ(renderMonitorText(frame, true), "NOCALL/D1/D2-2*/D3>QST>DM,F\r\n");
    const Ax25Frame none =
        frameOf(kNocall, kQst, pathOf("D1 D2-2 D3"), 0, FrameKind::Dm, 0, 1, 0, 0, 0, {});
    EXPECT_EQ(renderMonitorText(none, true), "NOCALL/D1/D2-2/D3>QST>DM,F\r\n");
}

TEST(MonitorText, CommandResponseAndPollFinalLetters) {
    const char* expected[3][2] = {{",R", ",F"}, {",C", ",P"}, {",?", ",?"}};
    for (int commandResponse = 0; commandResponse < 3; ++commandResponse) {
        for (int pollFinal = 0; pollFinal < 2; ++pollFinal) {
            const Ax25Frame frame = frameOf(kNocall, kQst, {}, 0, FrameKind::Sabm, commandResponse,
                                            pollFinal, 0, 0, 0, {});
            EXPECT_EQ(
                renderMonitorText(frame, true),
                std::string("NOCALL>QST>SABM") + expected[commandResponse][pollFinal] + "\r\n");
        }
    }
}

TEST(MonitorText, EveryKindNameAndItsSequenceNumbers) {
    const char* lines[] = {"UNKN,C", "SABM,C", "DISC,C", "UA,C",      "DM,C",    "RR6,C",
                           "RNR6,C", "REJ6,C", "FRMR,C", "I61,C,F0:", "UI,C,F0:"};
    for (int code = 0; code <= 10; ++code) {
        const Ax25Frame frame =
            frameOf(kNocall, kQst, {}, 0, static_cast<FrameKind>(code), 1, 0, 6, 1, 0xF0, {});
        EXPECT_EQ(renderMonitorText(frame, false),
                  std::string("NOCALL>QST>") + lines[code] + "\r\n");
    }
}

TEST(MonitorText, PidIsTwoUpperCaseHexDigits) {
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0x0A, {}), false),
              "NOCALL>QST>UI,C,0A:\r\n");
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xFE, {}), false),
              "NOCALL>QST>UI,C,FE:\r\n");
}

TEST(MonitorText, OutOfRangeNumbersShowAsTheyAreSent) {
    // The encoder sends three bits of N(R)/N(S) and eight of the PID, so the
    // monitor shows the same, and a line keeps its shape.
    const Ax25Frame frame = frameOf(kNocall, kQst, {}, 0, FrameKind::I, 1, 0, 13, -1, 0x1F0, {});
    EXPECT_EQ(renderMonitorText(frame, false), "NOCALL>QST>I57,C,F0:\r\n");
}

// ---- information bytes ----

TEST(MonitorText, ControlBytesShowAsDotsButLineBreaksAndHighBytesPass) {
    const Bytes info = {'a', 0x00, 0x07, 0x1B, 0x09, 0x7F, 0xE4, 0x80, 0xFF, '\r', '\n', 'z'};
    const std::string text = renderMonitorText(uiCommand(kNocall, kQst, 0xF0, info), true);
    EXPECT_EQ(text, std::string("NOCALL>QST>UI,C,F0:\r\na....\x7F\xE4\x80\xFF\r\nz\r\n"));
}

TEST(MonitorText, InformationEndingInLineBreakGetsNoExtraLineEnd) {
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xF0, bytesOf("hi\n")), true),
              "NOCALL>QST>UI,C,F0:\r\nhi\n");
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xF0, bytesOf("hi\r")), true),
              "NOCALL>QST>UI,C,F0:\r\nhi\r");
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xF0, bytesOf("hi.")), true),
              "NOCALL>QST>UI,C,F0:\r\nhi.\r\n");
}

TEST(MonitorText, LongInformationIsCutSoTextEndsAt2047Characters) {
    const Ax25Frame frame = uiCommand(kNocall, kQst, 0xF0, Bytes(3000, 'x'));
    const std::string text = renderMonitorText(frame, true);
    const std::string head = "NOCALL>QST>UI,C,F0:\r\n";
    ASSERT_EQ(text.size(), 2047u);
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_EQ(text.substr(head.size(), 2045 - head.size()), std::string(2045 - head.size(), 'x'));
    EXPECT_EQ(text.substr(2045), "\r\n");
}

TEST(MonitorText, LongestHeaderStillLeavesTheLimitIntact) {
    const Ax25Frame frame =
        frameOf(addressOf("AAAAAA", 15), addressOf("BBBBBB", 15),
                pathOf("C1CCCC-11 C2CCCC-12 C3CCCC-13 C4CCCC-14 C5CCCC-15 C6CCCC-10 C7CCCC-10"), 7,
                FrameKind::I, 1, 1, 7, 7, 0xF0, Bytes(5000, '\n'));
    const std::string text = renderMonitorText(frame, true);
    EXPECT_EQ(text.size(), 2045u) << "ends in the field's own line feed";
    EXPECT_EQ(text.back(), '\n');
}

TEST(MonitorText, InformationOfExactlyTheRoomIsShownWhole) {
    const std::string head = "NOCALL>QST>UI,C,F0:\r\n";
    const std::size_t room = 2045 - head.size();
    const std::string text =
        renderMonitorText(uiCommand(kNocall, kQst, 0xF0, Bytes(room, 'y')), true);
    EXPECT_EQ(text, head + std::string(room, 'y') + "\r\n");
    const std::string shorter =
        renderMonitorText(uiCommand(kNocall, kQst, 0xF0, Bytes(room - 1, 'y')), true);
    EXPECT_EQ(shorter, head + std::string(room - 1, 'y') + "\r\n");
}

// ---- when the summaries apply ----

TEST(MonitorText, ShortIpDatagramShowsItsBytes) {
    Bytes nineteen = ipHeader(6, {1, 2, 3, 4}, {5, 6, 7, 8}, 19);
    nineteen.pop_back();
    const std::string text = renderMonitorText(uiCommand(kNocall, kQst, 0xCC, nineteen), true);
    EXPECT_EQ(text.substr(0, 21), "NOCALL>QST>UI,C,CC:\r\n");
    EXPECT_EQ(text.find("IP:"), std::string::npos);
}

TEST(MonitorText, ArpPacketOfWrongLengthShowsItsBytes) {
    Bytes packet = arpPacket(1, kNocall, {1, 2, 3, 4}, kQst, {5, 6, 7, 8});
    packet.pop_back();
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xCD, packet), true).substr(0, 21),
              "NOCALL>QST>UI,C,CD:\r\n");
    packet.push_back(0);
    packet.push_back(0);
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xCD, packet), true).substr(0, 21),
              "NOCALL>QST>UI,C,CD:\r\n");
}

TEST(MonitorText, SummariesOnlyWithHeadersOnAndOnlyForUi) {
    const Bytes header = ipHeader(17, {1, 2, 3, 4}, {5, 6, 7, 8}, 20);
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xCC, header), false).substr(0, 21),
              "NOCALL>QST>UI,C,CC:\r\n");
    const Ax25Frame iFrame = frameOf(kNocall, kQst, {}, 0, FrameKind::I, 1, 0, 0, 0, 0xCC, header);
    EXPECT_EQ(renderMonitorText(iFrame, true).substr(0, 23), "NOCALL>QST>I00,C,CC:\r\n\x45");
    // The PID decides, not the content.
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xF0, header), true).substr(0, 21),
              "NOCALL>QST>UI,C,F0:\r\n");
}

TEST(MonitorText, IpProtocolNamesAndNumbers) {
    const std::pair<int, const char*> protocols[] = {
        {1, "ICMP"},  {4, "ENCAP"}, {6, "TCP"}, {17, "UDP"}, {73, "RSPF"},
        {93, "AX25"}, {94, "IP"},   {0, "0"},   {47, "47"},  {255, "255"}};
    for (const auto& [number, name] : protocols) {
        const std::string text = renderMonitorText(
            uiCommand(kNocall, kQst, 0xCC,
                      ipHeader(number, {0, 0, 0, 0}, {255, 255, 255, 255}, 65535)),
            true);
        EXPECT_EQ(text, std::string("NOCALL>QST>UI,C,CC\r\n  IP: ") + name +
                            ", Source: 0.0.0.0, Dest: 255.255.255.255, Len: 65535\r\n");
    }
}

TEST(MonitorText, IpSummaryIgnoresEverythingAfterTheHeader) {
    Bytes datagram = ipHeader(1, {44, 0, 0, 1}, {44, 0, 0, 2}, 84);
    datagram.resize(84, 0x00);
    EXPECT_EQ(renderMonitorText(uiCommand(kNocall, kQst, 0xCC, datagram), true),
              "NOCALL>QST>UI,C,CC\r\n  IP: ICMP, Source: 44.0.0.1, Dest: 44.0.0.2, Len: 84\r\n");
}

TEST(MonitorText, UnknownArpOperationShowsItsNumber) {
    for (int operation : {0, 3, 0x0102, 65535}) {
        const std::string text = renderMonitorText(
            uiCommand(kNocall, kQst, 0xCD,
                      arpPacket(operation, kNocall, {1, 2, 3, 4}, kPeer, {5, 6, 7, 8})),
            true);
        EXPECT_EQ(text, "NOCALL>QST>UI,C,CD\r\n  ARP: " + std::to_string(operation) +
                            ", Sender: 1.2.3.4,NOCALL, Target: 5.6.7.8,AB1CDE-7\r\n");
    }
}

TEST(MonitorText, ArpHardwareAddressWithControlBytesStaysOnOneLine) {
    Bytes packet = arpPacket(1, kNocall, {1, 2, 3, 4}, kQst, {5, 6, 7, 8});
    // Shifted line feed and carriage return in the sender's callsign.
    packet[8] = 0x0A << 1;
    packet[9] = 0x0D << 1;
    const std::string text = renderMonitorText(uiCommand(kNocall, kQst, 0xCD, packet), true);
    EXPECT_EQ(text,
              "NOCALL>QST>UI,C,CD\r\n  ARP: Request, Sender: 1.2.3.4,, Target: 5.6.7.8,QST\r\n");
}

// ---- properties over generated frames ----

TEST(MonitorText, GeneratedFramesGiveBoundedLinesEndingInLineBreak) {
    testing::FrameGenerator generator(41);
    for (int i = 0; i < 3000; ++i) {
        Ax25Frame frame = generator.frame();
        if (generator.below(4) == 0) {
            frame.pid = generator.below(2) == 0 ? 0xCC : 0xCD;
            frame.info.resize(generator.below(2) == 0 ? 30 : 20 + generator.below(40));
        }
        for (bool showHeaders : {false, true}) {
            const std::string text = renderMonitorText(frame, showHeaders);
            ASSERT_LE(text.size(), kMonitorTextMaxLength) << i;
            ASSERT_FALSE(text.empty());
            EXPECT_TRUE(text.back() == '\n' || text.back() == '\r') << i;
            EXPECT_EQ(text.find('\0'), std::string::npos) << i;
        }
    }
}

}  // namespace
}  // namespace korvale
