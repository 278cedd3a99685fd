#include <gtest/gtest.h>

#include <array>
#include <tuple>

#include "kiss/control_codes.h"
#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"
#include "kiss_test_support.h"

namespace korvale {
namespace {

using namespace testing;

// Keeps each write() and each delivered frame whole, in order.
struct Collector final : ByteSink {
    std::vector<Bytes> frames;
    bool write(std::span<const std::uint8_t> frame) override {
        frames.emplace_back(frame.begin(), frame.end());
        return true;
    }
    KissDeframer deframer{[this](std::span<const std::uint8_t> frame) { write(frame); }};
};

TEST(KissEncoder, FramesAreEscapedExactlyAndNeverOutgrowTheirBuffer) {
    const std::tuple<const char*, int, const char*, const char*> rows[] = {
        {"data frame with both specials", 0, "41 C0 DB 42", "C0 00 41 DB DC DB DD 42 C0"},
        {"empty data frame", 0, "", "C0 00 C0"},
        {"port nibble kept", 0x15, "01", "C0 15 01 C0"},
        {"command FEND cannot end the frame", 0xC0, "41", "C0 DB DC 41 C0"},
        {"command FESC escaped", 0xDB, "41", "C0 DB DD 41 C0"},
        {"only the low eight bits of the command", 0x105, "01", "C0 05 01 C0"}};
    for (const auto& [what, command, payloadHex, frame] : rows) {
        SCOPED_TRACE(what);
        const Bytes payload = bytes(payloadHex);
        Collector sink;
        EXPECT_TRUE(SendKissFrame(sink, command, payload));
        EXPECT_EQ(sink.frames, std::vector<Bytes>{bytes(frame)}) << "not one whole write";
        Bytes small(kissFrameMaxSize(payload.size()) - 1, 0xEE);
        EXPECT_EQ(encodeKissFrameInto(command, payload, small), 0u);
        EXPECT_EQ(small, Bytes(small.size(), 0xEE)) << "wrote into a buffer too small";
    }
}

TEST(KissParameters, ValuesAreTenMillisecondUnitsSaturatingAtOneByte) {
    // TxDelay, persistence, slot time, TxTail, full duplex; as sent.
    const std::tuple<const char*, std::array<int, 5>, const char*> rows[] = {
        {"cut to 10 ms; saturated", {205, 256, 19, 100000, 0}, "01 14 02 FF 03 01 04 FF 05 00"},
        {"2560 ms not wrapped to 0", {2560, 255, 2550, 2550, 1}, "01 FF 02 FF 03 FF 04 FF 05 01"},
        {"negative; full duplex -7", {-200, -1, -10, -2550, -7}, "01 00 02 00 03 00 04 00 05 01"}};
    for (const auto& [what, v, expected] : rows) {
        Bytes sent;
        for (const KissParameter& p : kissParameterCommands(v[0], v[1], v[2], v[3], v[4])) {
            sent.insert(sent.end(), {static_cast<std::uint8_t>(p.command), p.value});
        }
        EXPECT_EQ(sent, bytes(expected)) << what;
    }
}

TEST(KissDeframer, DeliversExactlyTheValidFramesHoweverTheStreamIsSplit) {
    const std::tuple<const char*, const char*, std::vector<Bytes>> rows[] = {
        {"back-to-back FENDs, command byte only", "C0 C0 00 C0 00 41 C0 C0", {bytes("41")}},
        {"escaped specials", "C0 00 DB DC DB DD C0", {bytes("C0 DB")}},
        {"FESC before an ordinary byte", "C0 00 DB 41 C0", {bytes("41")}},
        {"second FESC keeps the escape", "C0 00 DB DB DC C0", {bytes("C0")}},
        {"frame ending in FESC dropped", "C0 00 41 DB C0 00 42 C0", {bytes("42")}},
        {"TNC port 1, parameter and leave-KISS commands", "C0 10 41 C0 01 14 C0 FF C0", {}},
        {"escaped command byte", "C0 DB DC 41 C0", {}},
        {"line noise before the first FEND", "41 42 DB 43 C0 00 44 C0", {bytes("44")}},
        {"unfinished frame", "C0 00 41 42", {}},
        {"shared FEND", "C0 00 47 C0 00 48 C0", {bytes("47"), bytes("48")}}};
    for (const auto& [what, streamHex, expected] : rows) {
        SCOPED_TRACE(what);
        const Bytes stream = bytes(streamHex);
        for (std::size_t split = 0; split <= stream.size(); ++split) {
            Collector rx;
            rx.deframer.ProcessKissBytes(std::span(stream).first(split));
            rx.deframer.ProcessKissBytes({});
            rx.deframer.ProcessKissBytes(std::span(stream).subspan(split));
            EXPECT_EQ(rx.frames, expected) << "split after byte " << split;
        }
    }
}

TEST(ControlCodes, CaretCodesExpandAndMalformedOnesStayAsTyped) {
    // clang-format off
    const std::string rows[][2] = {{"KISS ON^013RESTART^013", "KISS ON\rRESTART\r"},
        {"^192^255^192", "\xC0\xFF\xC0"}, {"N^1\xD9\xA3", "N^1\xD9\xA3"} /* non-ASCII digit */,
        {"A^000B", std::string("A\0B", 3)}, {"^0130", "\r0"}, {"^256", "^256"},
        {"^9x9", "^9x9"}, {"^-12", "^-12"}, {"AB^12", "AB12"}, {"AB^", "AB"}, {"^^013", "^^013"},
        {"^1^065", "^1^065"}, {"", ""}};
    // clang-format on
    for (const auto& [typed, expanded] : rows) {
        EXPECT_EQ(ExpandControlCodes(typed), expanded) << "from \"" << typed << '"';
    }
}

}  // namespace
}  // namespace korvale
