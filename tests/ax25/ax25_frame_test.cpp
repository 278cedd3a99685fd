#include <gtest/gtest.h>

#include "ax25/monitor_text.h"
#include "ax25_test_support.h"

namespace korvale {
namespace {

using namespace korvale::testing;

// Commands NOCALL-7 to QST (the second with a path to follow), NOCALL to QST, AB1CDE-7 to NOCALL.
const std::string kHead = "A2A6A8404040 E0 9C9E86829898 6F ";
const std::string kHeadPath = "A2A6A8404040 E0 9C9E86829898 6E ";
const std::string kNocall = "A2A6A8404040 E0 9C9E86829898 61 ";
const std::string kPeer = "9C9E86829898 E0 82846286888A 6F ";
// Digipeaters D1-1 to D7-7 with the extension bit on the last.
const std::string kD7 =
    "886240404040 02 886440404040 04 886640404040 06 886840404040 08 "
    "886A40404040 0A 886C40404040 0C 886E40404040 0F ";
// A 20-byte IPv4 header of a TCP segment from 44.1.2.4 to 44.1.2.3, length 40.
const std::string kIpHeader = "45000028 00000000 4006 0000 2C010204 2C010203";
// AX.25 ARP up to the operation, then from NOCALL at 44.1.2.3 to QST at 44.1.2.4.
const std::string kArp = "03 CD 0003 00CC 07 04 ";
const std::string kArpBody = "9C9E86829898 60 2C010203 00000000000000 2C010204";

TEST(AddressParse, AcceptsOnlyWellFormedTextAndKeepsOldValueOnFailure) {
    const std::string_view kKept = "KEEPME-3";  // refused: the old value stays
    // clang-format off
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"nocall-7", "NOCALL-7"}, {"NOCALL-05", "NOCALL-5"}, {"NOCALL-00", "NOCALL"}, {"A", "A"},
        {"N0CALL-15", "N0CALL-15"}, {"QST", "QST"}, {"XY", "XY"},
        {std::string_view("AB1CDE-7\0junk", 13), "AB1CDE-7"}, {"", kKept}, {"NOCALL-16", kKept},
        {"NOCALL-", kKept}, {"NOCALL 7", kKept}, {"-1", kKept}, {"NOCALL-1X", kKept},
        {"ABCDEFG", kKept}, {"N0CALL-015", kKept}, {"NOCALL--7", kKept}, {"NOCALL+7", kKept},
        {" NOCALL", kKept}, {"NOCALL7-1", kKept}, {"NOCALL-99", kKept}, {"\xC4\x42\x43", kKept}};
    // clang-format on
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        Ax25Address address = call("KEEPME", 3);
        EXPECT_EQ(address.parse(text), expected != kKept);
        EXPECT_EQ(address.toText(), expected);
        EXPECT_EQ(address, call(address.callsignText(), address.ssid));
    }
}

TEST(MonitorText, HeardFramesAreReadAndShownExactlyMalformedOnesRefusedAndSummarised) {
    const std::string seven = "NOCALL-7/D1-1/D2-2/D3-3/D4-4/D5-5/D6-6/D7-7";
    std::string noEnd = kHeadPath + kD7;
    noEnd[noEnd.size() - 2] = 'E';  // the seventh digipeater without its extension bit
    // clang-format off
    const std::tuple<const char*, std::string, bool, std::string> rows[] = {
        {"UI via RELAY", "A2A6A8404040 E0 9C9E86829898 60 A48A9882B240 E1 03 00 48656C6C6F",
         true, "NOCALL/RELAY*>QST>UI,C,00:\r\nHello\r\n"},
        {"ARP request", kNocall + kArp + "0001" + kArpBody, true, "NOCALL>QST>UI,C,CD\r\n  ARP: "
         "Request, Sender: 44.1.2.3,NOCALL, Target: 44.1.2.4,QST\r\n"},
        {"ARP reply", kNocall + kArp + "0002 9662404040406E FF008009 00000000000000 0A000001", true,
         "NOCALL>QST>UI,C,CD\r\n  ARP: Reply, Sender: 255.0.128.9,K1-7, Target: 10.0.0.1,QST\r\n"},
        {"IP", kPeer + "03 CC" + kIpHeader, true,
         "AB1CDE-7>NOCALL>UI,C,CC\r\n  IP: TCP, Source: 44.1.2.4, Dest: 44.1.2.3, Len: 40\r\n"},
        {"I", kPeer + "B6 F0 64617461", true, "AB1CDE-7>NOCALL>I53,P,F0:\r\ndata\r\n"},
        {"RR response", "82846286888A 6E 9C9E86829898 E1 41", true, "NOCALL>AB1CDE-7>RR2,R\r\n"},
        {"XID, neither", "9C9E86829898 60 82846286888A 61 AF", true, "AB1CDE>NOCALL>UNKN,?\r\n"},
        {"H on the first two of three", "A2A6A8404040 60 9C9E86829898 E0 886240404040 82 "
         "886440404040 84 886640404040 07 1F", true, "NOCALL/D1-1/D2-2*/D3-3>QST>DM,F\r\n"},
        {"7 digipeaters", kHeadPath + kD7 + "03 F0 6F6B", true, seven + ">QST>UI,C,F0:\r\nok\r\n"},
        {"no extension bit on the seventh", noEnd + "03 F0", false, seven + ">QST>UNKN,R\r\n"},
        {"an eighth digipeater", noEnd + "887040404040 11 03 F0", false, seven + ">QST>UNKN,R\r\n"},
        {"callsigns of any character, ended by a control code or a leading shifted space",
         "C2C45EFCF442 E0 82841486888A 60 408284404040 01 03 F0", true, "AB/>ab/~z!>UI,C,F0:\r\n"},
        {"14 bytes", kHead, false, "OLD-1/X/Y*>OLD-2>UI,C,F0:\r\nzz\r\n"},
        {"UI without PID", kHead + "03", false, "NOCALL-7>QST>UI,C,00:\r\n"},
        {"UI with P/F", kHead + "13 0A", true, "NOCALL-7>QST>UI,P,0A:\r\n"},
        {"S frame type 3", kHead + "0D", true, "NOCALL-7>QST>UNKN,C\r\n"},
        {"UA response", "A2A6A8404040 60 9C9E86829898 EF 73", true, "NOCALL-7>QST>UA,F\r\n"},
        {"both C bits", "A2A6A8404040 E0 9C9E86829898 EF 3F", true, "NOCALL-7>QST>SABM,?\r\n"},
        {"control codes as dots, ending in LF", kHead + "03 F0 61 00 07 1B 09 7F E4 80 FF 0D 0A",
         true, "NOCALL-7>QST>UI,C,F0:\r\na....\x7F\xE4\x80\xFF\r\n"},
        {"ending in CR", kHead + "03 F0 68690D", true, "NOCALL-7>QST>UI,C,F0:\r\nhi\r"},
        {"3000 bytes cut to fit", kHead + "03 F0" + std::string(6000, '7'), true,
         "NOCALL-7>QST>UI,C,F0:\r\n" + std::string(kMonitorTextBodyLimit - 23, 'w') + "\r\n"}};
    // clang-format on
    for (const auto& [what, hex, ok, shown] : rows) {
        SCOPED_TRACE(what);
        Ax25Frame frame = frameOf("OLD-1", "OLD-2", "X Y", 2, Ui, 1, 0, 0, 0, 0xF0, bytes("7A7A"));
        EXPECT_EQ(frame.decode(bytes(hex)), ok);
        EXPECT_EQ(renderMonitorText(frame, true), shown);
    }
    const std::pair<int, std::string> protocols[] = {{1, "ICMP"}, {17, "UDP"}, {255, "255"}};
    Bytes header = bytes(kIpHeader);
    header[2] = 0x01;  // total length 0x0128
    for (const auto& [protocol, name] : protocols) {
        header[9] = static_cast<std::uint8_t>(protocol);
        EXPECT_EQ(
            renderMonitorText(frameOf("A", "B", "", 0, Ui, 1, 0, 0, 0, 0xCC, header), true),
            "A>B>UI,C,CC\r\n  IP: " + name + ", Source: 44.1.2.4, Dest: 44.1.2.3, Len: 296\r\n");
    }
    // clang-format off
    const std::tuple<FrameKind, int, std::size_t, bool> summaries[] = {
        {Ui, 0xCC, 19, true}, {Ui, 0xCD, 29, true}, {Ui, 0xCD, 31, true}, {Ui, 0xCC, 20, false},
        {Ui, 0xCD, 30, false}, {I, 0xCC, 20, true}, {Ui, 0xF0, 30, true}};
    // clang-format on
    for (const auto& [kind, pid, length, showHeaders] : summaries) {
        const Ax25Frame frame = frameOf("A", "B", "", 0, kind, 1, 0, 0, 0, pid, Bytes(length, 'x'));
        const std::string bytesShown = ":\r\n" + std::string(length, 'x') + "\r\n";
        EXPECT_TRUE(renderMonitorText(frame, showHeaders).ends_with(bytesShown)) << length;
    }
}

// Cut at every length up to two information bytes, in a buffer of that size (sanitizers see a
// read past it): refused while path, control or PID is incomplete, else encoded back the same.
TEST(FrameRoundTrip, GeneratedFramesDecodeAsSentAndEveryCutIsRefusedOrReadShort) {
    FrameGenerator generator(0x6B6F7276);
    for (int i = 0; i < 4000 && !HasFailure(); ++i) {
        SCOPED_TRACE(::testing::Message() << "frame " << i);
        const Ax25Frame sent = generator.frame();
        const Bytes encoded = sent.encode();
        const bool withInfo = sent.kind == I || sent.kind == Ui;
        const auto needed = static_cast<std::size_t>(15 + 7 * sent.digipeaters.count() + withInfo);
        Ax25Frame got;
        for (std::size_t length = 0; length <= encoded.size(); ++length) {
            length = length > needed + 2 ? encoded.size() : length;
            const Bytes cut(encoded.begin(), encoded.begin() + static_cast<std::ptrdiff_t>(length));
            ASSERT_EQ(got.decode(cut) ? got.encode() : Bytes{}, length >= needed ? cut : Bytes{})
                << "length " << length;
        }
        EXPECT_EQ(renderMonitorText(got, false), renderMonitorText(sent, false));
        EXPECT_EQ(got.info, withInfo ? sent.info : Bytes{});
    }
}

}  // namespace
}  // namespace korvale
