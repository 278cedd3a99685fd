// The frame codec on hand-made bytes: the exact layout the encoder writes and
// what the decoder makes of each control byte and address path.
#include "ax25/ax25_frame.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace korvale {
namespace {

using Bytes = std::vector<std::uint8_t>;

Ax25Address addressOf(std::string_view callsign, int ssid) {
    Ax25Address address;
    address.setCallsign(callsign);
    address.ssid = static_cast<std::uint8_t>(ssid);
    return address;
}

// Appends one address field with the given flag bits (C/H 0x80, reserved
// 0x60, extension 0x01) in its SSID byte.
void appendField(Bytes& bytes, std::string_view callsign, int ssid, std::uint8_t flags) {
    std::array<std::uint8_t, kAddressWireSize> field{};
    addressOf(callsign, ssid).encodeWire(field);
    field[6] |= flags;
    bytes.insert(bytes.end(), field.begin(), field.end());
}

// Destination and source with the usual command C bits; the source carries
// the extension bit when no digipeater follows.
Bytes header(bool lastAddress = true) {
    Bytes bytes;
    appendField(bytes, "QST", 0, 0xE0);
    appendField(bytes, "NOCALL", 7, static_cast<std::uint8_t>(0x60 | (lastAddress ? 1 : 0)));
    return bytes;
}

Bytes withTail(Bytes bytes, std::initializer_list<std::uint8_t> tail) {
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

Ax25Frame decoded(const Bytes& bytes) {
    Ax25Frame frame;
    EXPECT_TRUE(frame.decode(bytes));
    return frame;
}

Ax25Frame uiFrame(const Ax25Address& source, const Ax25Address& destination,
                  const AddressList& digipeaters, int repeatedCount, int pid, const Bytes& info) {
    Ax25Frame frame;
    frame.build(source, destination, digipeaters, repeatedCount, FrameKind::Ui, 1, 0, 0, 0, pid,
                info);
    return frame;
}

// ---- kind names ----

TEST(FrameKindName, EveryCodeHasItsNameAndOutOfRangeIsUnknown) {
    const char* names[] = {"UNKN", "SABM", "DISC", "UA", "DM", "RR",
                           "RNR",  "REJ",  "FRMR", "I",  "UI"};
    for (int code = 0; code <= 10; ++code) {
        EXPECT_EQ(frameKindName(static_cast<FrameKind>(code)), names[code]);
    }
    EXPECT_EQ(frameKindName(static_cast<FrameKind>(11)), "UNKN");
    EXPECT_EQ(frameKindName(static_cast<FrameKind>(-1)), "UNKN");
}

// ---- new record and build ----

TEST(FrameRecord, NewFrameIsEmptyOfKindZero) {
    const Ax25Frame frame;
    EXPECT_TRUE(frame.source.empty());
    EXPECT_TRUE(frame.destination.empty());
    EXPECT_EQ(frame.digipeaters.count(), 0);
    EXPECT_EQ(frame.digipeaters.capacity(), 7);
    EXPECT_EQ(frame.kind, FrameKind::Unknown);
    EXPECT_EQ(frame.repeatedCount, 0);
    EXPECT_EQ(frame.commandResponse, 0);
    EXPECT_EQ(frame.pollFinal, 0);
    EXPECT_EQ(frame.pid, 0);
    EXPECT_TRUE(frame.info.empty());
}

TEST(FrameRecord, BuildReplacesPreviousPathAndInformation) {
    AddressList longPath;
    ASSERT_EQ(longPath.parse("A B C D"), 4);
    Ax25Frame frame =
        uiFrame(addressOf("OLD", 1), addressOf("OLDER", 2), longPath, 4, 0xF0, Bytes(100, 'x'));

    AddressList shortPath;
    ASSERT_EQ(shortPath.parse("RELAY"), 1);
    frame.build(addressOf("NEW", 3), addressOf("QST", 0), shortPath, 1, FrameKind::Sabm, 0, 1, 2, 3,
                4, {});
    EXPECT_EQ(frame.source, addressOf("NEW", 3));
    EXPECT_EQ(frame.destination, addressOf("QST", 0));
    EXPECT_EQ(frame.digipeaters, shortPath);
    EXPECT_EQ(frame.repeatedCount, 1);
    EXPECT_EQ(frame.kind, FrameKind::Sabm);
    EXPECT_EQ(frame.commandResponse, 0);
    EXPECT_EQ(frame.pollFinal, 1);
    EXPECT_EQ(frame.nr, 2);
    EXPECT_EQ(frame.ns, 3);
    EXPECT_EQ(frame.pid, 4);
    EXPECT_TRUE(frame.info.empty());
}

TEST(FrameRecord, BuildCopiesInformationSoCallerBufferMayChange) {
    Bytes info = {'a', 'b', 'c'};
    const Ax25Frame frame = uiFrame(addressOf("A", 0), addressOf("B", 0), {}, 0, 0xF0, info);
    info[0] = 'z';
    EXPECT_EQ(frame.info, (Bytes{'a', 'b', 'c'}));
}

// ---- encoder layout ----

TEST(FrameEncode, GatewayUiCommandHasTheDocumentedAddressBytes) {
    const Ax25Frame frame =
        uiFrame(addressOf("NOCALL", 7), addressOf("AB1CDE", 3), {}, 0, 0xCC, {0x45, 0x00});
    Bytes expected;
    appendField(expected, "AB1CDE", 0, 0);
    expected[6] = 0xE0 | (3 << 1);
    appendField(expected, "NOCALL", 0, 0);
    expected[13] = 0x61 | (7 << 1);
    expected.insert(expected.end(), {0x03, 0xCC, 0x45, 0x00});
    EXPECT_EQ(frame.encode(), expected);
}

TEST(FrameEncode, RepeatedDigipeaterHasHBitAndOnlyLastHasExtensionBit) {
    AddressList path;
    ASSERT_EQ(path.parse("RELAY-1 WIDE2-2"), 2);
    const Bytes bytes =
        uiFrame(addressOf("NOCALL", 0), addressOf("QST", 0), path, 1, 0xF0, {}).encode();
    ASSERT_EQ(bytes.size(), 7u * 2 + 15 + 1);
    EXPECT_EQ(bytes[13] & 0x01, 0) << "source must not end the address path";
    EXPECT_EQ(bytes[20], 0x80 | (1 << 1)) << "first digipeater: H, no 0x60, no extension";
    EXPECT_EQ(bytes[27], 0x01 | (2 << 1)) << "second digipeater: extension only";
    EXPECT_EQ(bytes[28], 0x03);
    EXPECT_EQ(bytes[29], 0xF0);
}

TEST(FrameEncode, CommandResponseSetsExactlyOneCBit) {
    for (int commandResponse : {0, 1, 2}) {
        Ax25Frame frame;
        frame.build(addressOf("A", 0), addressOf("B", 0), {}, 0, FrameKind::Ua, commandResponse, 0,
                    0, 0, 0, {});
        const Bytes bytes = frame.encode();
        const bool destinationC = (bytes[6] & 0x80) != 0;
        const bool sourceC = (bytes[13] & 0x80) != 0;
        EXPECT_EQ(destinationC, commandResponse == 1) << commandResponse;
        EXPECT_EQ(sourceC, commandResponse != 1) << commandResponse;
        EXPECT_EQ(bytes[6] & 0x60, 0x60);
        EXPECT_EQ(bytes[13] & 0x60, 0x60);
    }
}

TEST(FrameEncode, EveryKindWritesItsControlByteWithAndWithoutPollFinal) {
    struct Case {
        FrameKind kind;
        std::uint8_t control;
    };
    // N(R) 5 and N(S) 3 where the kind carries them.
    const Case cases[] = {
        {FrameKind::Unknown, 0x00}, {FrameKind::Sabm, 0x2F}, {FrameKind::Disc, 0x43},
        {FrameKind::Ua, 0x63},      {FrameKind::Dm, 0x0F},   {FrameKind::Rr, 0xA1},
        {FrameKind::Rnr, 0xA5},     {FrameKind::Rej, 0xA9},  {FrameKind::Frmr, 0x87},
        {FrameKind::I, 0xA6},       {FrameKind::Ui, 0x03}};
    for (const Case& test : cases) {
        for (int pollFinal : {0, 1}) {
            Ax25Frame frame;
            frame.build(addressOf("A", 0), addressOf("B", 0), {}, 0, test.kind, 1, pollFinal, 5, 3,
                        0xF0, {});
            const Bytes bytes = frame.encode();
            ASSERT_GE(bytes.size(), 15u);
            EXPECT_EQ(bytes[14], test.control | (pollFinal ? 0x10 : 0))
                << frameKindName(test.kind) << " P/F " << pollFinal;
        }
    }
}

TEST(FrameEncode, OnlyIAndUiCarryPidAndInformation) {
    for (int code = 0; code <= 10; ++code) {
        const auto kind = static_cast<FrameKind>(code);
        Ax25Frame frame;
        frame.build(addressOf("A", 0), addressOf("B", 0), {}, 0, kind, 1, 0, 0, 0, 0xF0,
                    Bytes{1, 2, 3});
        const bool carries = kind == FrameKind::I || kind == FrameKind::Ui;
        const Bytes bytes = frame.encode();
        EXPECT_EQ(bytes.size(), carries ? 19u : 15u) << frameKindName(kind);
        if (carries) {
            EXPECT_EQ(bytes[15], 0xF0);
            EXPECT_EQ(Bytes(bytes.begin() + 16, bytes.end()), (Bytes{1, 2, 3}));
        }
    }
}

TEST(FrameEncode, OutOfRangeSequenceNumbersDoNotSpillIntoOtherControlBits) {
    Ax25Frame frame;
    // N(S) 8 unmasked would set the P/F bit; N(S) 19 would also change N(R).
    frame.build(addressOf("A", 0), addressOf("B", 0), {}, 0, FrameKind::I, 1, 0, 2, 8, 0xF0, {});
    EXPECT_EQ(frame.encode()[14], 0x40);
    frame.ns = 19;
    EXPECT_EQ(frame.encode()[14], (2 << 5) | (3 << 1));
    frame.ns = -1;
    frame.nr = -1;
    EXPECT_EQ(frame.encode()[14], 0xEE) << "N(R) 7, N(S) 7, P/F still clear";

    frame.build(addressOf("A", 0), addressOf("B", 0), {}, 0, FrameKind::Rr, 1, 0, 9, 0, 0, {});
    const Ax25Frame back = decoded(frame.encode());
    EXPECT_EQ(back.kind, FrameKind::Rr);
    EXPECT_EQ(back.nr, 1);
    EXPECT_EQ(back.pollFinal, 0);
}

TEST(FrameEncode, OutOfRangePidIsSentAsItsLowByte) {
    const Bytes bytes = uiFrame(addressOf("A", 0), addressOf("B", 0), {}, 0, 0x1CC, {}).encode();
    EXPECT_EQ(bytes[15], 0xCC);
}

TEST(FrameEncode, RepeatedCountBeyondPathMarksEveryDigipeaterAndNegativeMarksNone) {
    AddressList path;
    ASSERT_EQ(path.parse("R1 R2"), 2);
    const Bytes all = uiFrame(addressOf("A", 0), addressOf("B", 0), path, 9, 0xF0, {}).encode();
    EXPECT_EQ(all[20] & 0x80, 0x80);
    EXPECT_EQ(all[27] & 0x80, 0x80);
    const Bytes none = uiFrame(addressOf("A", 0), addressOf("B", 0), path, -2, 0xF0, {}).encode();
    EXPECT_EQ(none[20] & 0x80, 0);
    EXPECT_EQ(none[27] & 0x80, 0);
}

TEST(FrameEncode, UnknownKindIsBareControlAndDoesNotDecodeBack) {
    // Kind 0 has no control byte of its own; the P/F bit alone reads as an
    // I frame, which then lacks its PID.
    Ax25Frame frame;
    frame.build(addressOf("A", 0), addressOf("B", 0), {}, 0, FrameKind::Unknown, 1, 1, 0, 0, 0, {});
    const Bytes bytes = frame.encode();
    ASSERT_EQ(bytes.size(), 15u);
    EXPECT_EQ(bytes[14], 0x10);
    Ax25Frame back;
    EXPECT_FALSE(back.decode(bytes));
    EXPECT_EQ(back.kind, FrameKind::I);
}

// ---- decoder: lengths ----

TEST(FrameDecode, FourteenBytesFailAndLeaveFrameUntouched) {
    Ax25Frame frame = uiFrame(addressOf("KEEP", 1), addressOf("ME", 2), {}, 0, 0xF0, {'x'});
    const Bytes bytes = header();
    ASSERT_EQ(bytes.size(), 14u);
    EXPECT_FALSE(frame.decode(bytes));
    EXPECT_EQ(frame.source, addressOf("KEEP", 1));
    EXPECT_EQ(frame.kind, FrameKind::Ui);
    EXPECT_EQ(frame.info, Bytes{'x'});
    EXPECT_FALSE(frame.decode({}));
}

TEST(FrameDecode, FifteenByteSabmHasNoPid) {
    const Ax25Frame frame = decoded(withTail(header(), {0x2F}));
    EXPECT_EQ(frame.kind, FrameKind::Sabm);
    EXPECT_EQ(frame.destination, addressOf("QST", 0));
    EXPECT_EQ(frame.source, addressOf("NOCALL", 7));
    EXPECT_EQ(frame.commandResponse, 1);
    EXPECT_EQ(frame.pollFinal, 0);
    EXPECT_EQ(frame.pid, 0);
    EXPECT_TRUE(frame.info.empty());
}

TEST(FrameDecode, UiOfSixteenBytesHasEmptyInformation) {
    const Ax25Frame frame = decoded(withTail(header(), {0x03, 0xCC}));
    EXPECT_EQ(frame.kind, FrameKind::Ui);
    EXPECT_EQ(frame.pid, 0xCC);
    EXPECT_TRUE(frame.info.empty());
}

TEST(FrameDecode, UiWithoutPidFailsButKeepsAddressesAndKind) {
    Ax25Frame frame;
    EXPECT_FALSE(frame.decode(withTail(header(), {0x03})));
    // Receive handling still shows such a frame, so what was read must stay.
    EXPECT_EQ(frame.kind, FrameKind::Ui);
    EXPECT_EQ(frame.source, addressOf("NOCALL", 7));
    EXPECT_EQ(frame.destination, addressOf("QST", 0));
    EXPECT_EQ(frame.commandResponse, 1);
}

TEST(FrameDecode, IFrameWithoutPidFails) {
    Ax25Frame frame;
    EXPECT_FALSE(frame.decode(withTail(header(), {0xB6})));
    EXPECT_EQ(frame.kind, FrameKind::I);
    EXPECT_EQ(frame.nr, 5);
}

TEST(FrameDecode, NonInformationKindsIgnoreTrailingBytes) {
    const Ax25Frame frame = decoded(withTail(header(), {0x43, 0xF0, 'j', 'u', 'n', 'k'}));
    EXPECT_EQ(frame.kind, FrameKind::Disc);
    EXPECT_EQ(frame.pid, 0);
    EXPECT_TRUE(frame.info.empty());
}

TEST(FrameDecode, DecodingIntoUsedFrameDoesNotKeepOldPathOrInformation) {
    AddressList path;
    ASSERT_EQ(path.parse("R1 R2 R3 R4 R5 R6 R7"), 7);
    Ax25Frame frame = uiFrame(addressOf("A", 0), addressOf("B", 0), path, 7, 0xF0, Bytes(9, 'q'));
    ASSERT_TRUE(frame.decode(withTail(header(), {0x2F})));
    EXPECT_EQ(frame.digipeaters.count(), 0);
    EXPECT_EQ(frame.repeatedCount, 0);
    EXPECT_TRUE(frame.info.empty());
    EXPECT_EQ(frame.pid, 0);
}

// ---- decoder: address path ----

// "D1" to "D9"; built by hand because g++ 12 at -O2 warns falsely about
// "D" + std::to_string(i).
std::string digipeaterName(int i) {
    return {'D', static_cast<char>('0' + i)};
}

// extensionOn: 0 for the source, i for the i-th digipeater, -1 for none.
Bytes pathFrame(int digipeaters, int extensionOn, std::uint8_t hBitsMask = 0) {
    Bytes bytes = header(extensionOn == 0);
    for (int i = 1; i <= digipeaters; ++i) {
        std::uint8_t flags = (i == extensionOn) ? 0x01 : 0x00;
        if ((hBitsMask >> (i - 1)) & 1) {
            flags |= 0x80;
        }
        appendField(bytes, digipeaterName(i), i, flags);
    }
    return withTail(bytes, {0x03, 0xF0, 'o', 'k'});
}

TEST(FrameDecode, RepeatedCountCountsHBitsWhereverTheyAre) {
    // Second digipeater has repeated, first has not: still one H bit.
    const Ax25Frame frame = decoded(pathFrame(2, 2, 0b10));
    EXPECT_EQ(frame.repeatedCount, 1);
    ASSERT_EQ(frame.digipeaters.count(), 2);
    const Bytes again = frame.encode();
    EXPECT_EQ(again[20] & 0x80, 0x80) << "re-encoding marks the first digipeater";
    EXPECT_EQ(again[27] & 0x80, 0);
}

TEST(FrameDecode, SevenDigipeatersDecode) {
    const Ax25Frame frame = decoded(pathFrame(7, 7, 0x7F));
    ASSERT_EQ(frame.digipeaters.count(), 7);
    EXPECT_EQ(frame.digipeaters[6], addressOf("D7", 7));
    EXPECT_EQ(frame.repeatedCount, 7);
    EXPECT_EQ(frame.kind, FrameKind::Ui);
    EXPECT_EQ(frame.info, (Bytes{'o', 'k'}));
}

TEST(FrameDecode, SeventhDigipeaterWithoutExtensionBitFails) {
    Ax25Frame frame;
    EXPECT_FALSE(frame.decode(pathFrame(7, -1)));
    EXPECT_EQ(frame.digipeaters.count(), 7);
    // An eighth field with the extension bit does not help: the limit is 7.
    Ax25Frame eight;
    EXPECT_FALSE(eight.decode(pathFrame(8, 8)));
}

TEST(FrameDecode, ExtensionBitInEveryPositionDecidesWherePathEnds) {
    // Nine address fields follow each other; the extension bit is moved
    // through all of them. The destination's bit is never looked at.
    for (int position = 0; position <= 7; ++position) {
        Bytes bytes = header(position == 0);
        for (int i = 1; i <= 7; ++i) {
            appendField(bytes, digipeaterName(i), i, i == position ? 0x01 : 0x00);
        }
        bytes.insert(bytes.end(), {0x03, 0xF0});
        Ax25Frame frame;
        ASSERT_TRUE(frame.decode(bytes)) << position;
        EXPECT_EQ(frame.digipeaters.count(), position);
        // Whatever follows the last address is control, PID and information.
        const std::size_t control = 14 + 7 * static_cast<std::size_t>(position);
        EXPECT_EQ(frame.kind, control == bytes.size() - 2 ? FrameKind::Ui : FrameKind::I)
            << position;
        EXPECT_EQ(frame.info.size(), bytes.size() - control - 2) << position;
    }
    Bytes onlyDestination = header(false);
    onlyDestination[6] |= 0x01;
    onlyDestination.insert(onlyDestination.end(), {0x03, 0xF0});
    Ax25Frame frame;
    EXPECT_FALSE(frame.decode(onlyDestination)) << "a destination extension bit ends nothing";
}

TEST(FrameDecode, PathRunningPastEndFails) {
    Bytes bytes = header(false);
    appendField(bytes, "R1", 0, 0x00);  // no extension bit, nothing follows
    Ax25Frame frame;
    EXPECT_FALSE(frame.decode(bytes));
    Bytes partial = header(false);
    partial.insert(partial.end(), {0x82, 0x84, 0x86});
    EXPECT_FALSE(frame.decode(partial));
}

TEST(FrameDecode, PathWithoutControlByteFails) {
    Bytes bytes = header(false);
    appendField(bytes, "R1", 0, 0x01);
    ASSERT_EQ(bytes.size(), 21u);
    Ax25Frame frame;
    EXPECT_FALSE(frame.decode(bytes));
    EXPECT_EQ(frame.digipeaters.count(), 1);
    EXPECT_TRUE(frame.decode(withTail(bytes, {0x63})));
    EXPECT_EQ(frame.kind, FrameKind::Ua);
}

// ---- decoder: C bits and control byte ----

TEST(FrameDecode, CommandResponseFromTheTwoCBits) {
    const std::pair<std::uint8_t, std::uint8_t> bits[] = {
        {0x80, 0x00}, {0x00, 0x80}, {0x80, 0x80}, {0x00, 0x00}};
    const int expected[] = {1, 0, 2, 2};
    for (int i = 0; i < 4; ++i) {
        Bytes bytes;
        appendField(bytes, "QST", 0, bits[i].first);
        appendField(bytes, "NOCALL", 0, static_cast<std::uint8_t>(bits[i].second | 0x01));
        EXPECT_EQ(decoded(withTail(bytes, {0x2F})).commandResponse, expected[i]) << i;
    }
}

TEST(FrameDecode, EveryControlByteGetsTheDocumentedKind) {
    for (int control = 0; control < 256; ++control) {
        const auto c = static_cast<std::uint8_t>(control);
        FrameKind expected = FrameKind::Unknown;
        if ((c & 0x01) == 0) {
            expected = FrameKind::I;
        } else if ((c & 0x02) == 0) {
            const FrameKind sKinds[] = {FrameKind::Rr, FrameKind::Rnr, FrameKind::Rej,
                                        FrameKind::Unknown};
            expected = sKinds[(c & 0x0C) >> 2];
        } else {
            switch (c & 0xEC) {
                case 0x2C:
                    expected = FrameKind::Sabm;
                    break;
                case 0x40:
                    expected = FrameKind::Disc;
                    break;
                case 0x60:
                    expected = FrameKind::Ua;
                    break;
                case 0x0C:
                    expected = FrameKind::Dm;
                    break;
                case 0x84:
                    expected = FrameKind::Frmr;
                    break;
                case 0x00:
                    expected = FrameKind::Ui;
                    break;
                default:
                    break;
            }
        }
        const Ax25Frame frame = decoded(withTail(header(), {c, 0xF0}));
        EXPECT_EQ(frame.kind, expected) << "control 0x" << std::hex << control;
        EXPECT_EQ(frame.pollFinal, (c >> 4) & 1) << "control 0x" << std::hex << control;
    }
}

TEST(FrameDecode, NamedControlBytes) {
    const Ax25Frame ui = decoded(withTail(header(), {0x13, 0xF0}));
    EXPECT_EQ(ui.kind, FrameKind::Ui);
    EXPECT_EQ(ui.pollFinal, 1);
    EXPECT_EQ(decoded(withTail(header(), {0xAF})).kind, FrameKind::Unknown) << "XID";
    EXPECT_EQ(decoded(withTail(header(), {0xE3})).kind, FrameKind::Unknown) << "TEST";
    EXPECT_EQ(decoded(withTail(header(), {0x0D})).kind, FrameKind::Unknown) << "S type 3";
}

TEST(FrameDecode, IFrameSequenceNumbersAndPoll) {
    const Ax25Frame frame = decoded(withTail(header(), {0xB6, 0xF0, 'h', 'i'}));
    EXPECT_EQ(frame.kind, FrameKind::I);
    EXPECT_EQ(frame.nr, 5);
    EXPECT_EQ(frame.ns, 3);
    EXPECT_EQ(frame.pollFinal, 1);
    EXPECT_EQ(frame.pid, 0xF0);
    EXPECT_EQ(frame.info, (Bytes{'h', 'i'}));
}

TEST(FrameDecode, SupervisoryFramesCarryNrButNoNs) {
    const Ax25Frame frame = decoded(withTail(header(), {0xE9}));
    EXPECT_EQ(frame.kind, FrameKind::Rej);
    EXPECT_EQ(frame.nr, 7);
    EXPECT_EQ(frame.ns, 0);
    EXPECT_EQ(frame.pollFinal, 0);
}

TEST(FrameDecode, UnnumberedFramesLeaveSequenceNumbersZero) {
    const Ax25Frame frame = decoded(withTail(header(), {0x73}));
    EXPECT_EQ(frame.kind, FrameKind::Ua);
    EXPECT_EQ(frame.nr, 0);
    EXPECT_EQ(frame.ns, 0);
}

}  // namespace
}  // namespace korvale
