#include "kiss/kiss_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "kiss/kiss_protocol.h"
#include "kiss_test_bytes.h"

namespace korvale {
namespace {

using kisstest::Bytes;
using kisstest::hex;
using kisstest::RecordingSink;

TEST(KissEncoder, EscapesFendAndFescInPayload) {
    EXPECT_EQ(encodeKissFrame(KissCommand::Data, hex("41 C0 DB 42")),
              hex("C0 00 41 DB DC DB DD 42 C0"));
}

TEST(KissEncoder, EmptyPayloadGivesBareFrame) {
    EXPECT_EQ(encodeKissFrame(KissCommand::Data, {}), hex("C0 00 C0"));
}

TEST(KissEncoder, TransposeCodesInPayloadAreNotEscaped) {
    EXPECT_EQ(encodeKissFrame(KissCommand::Data, hex("DC DD")), hex("C0 00 DC DD C0"));
}

TEST(KissEncoder, CommandByteCarriesPortNibbleUnchanged) {
    EXPECT_EQ(encodeKissFrame(0x15, hex("01")), hex("C0 15 01 C0"));
}

TEST(KissEncoder, CommandByteThatIsFendOrFescCannotEndFrameEarly) {
    EXPECT_EQ(encodeKissFrame(0xC0, hex("41")), hex("C0 DB DC 41 C0"));
    EXPECT_EQ(encodeKissFrame(0xDB, hex("41")), hex("C0 DB DD 41 C0"));
}

TEST(KissEncoder, OnlyLowEightBitsOfCommandAreSent) {
    EXPECT_EQ(encodeKissFrame(0x105, hex("01")), hex("C0 05 01 C0"));
}

TEST(KissEncoder, AllSpecialPayloadFillsWorstCase) {
    const Bytes payload(1000, FEND);
    const Bytes frame = encodeKissFrame(KissCommand::Data, payload);
    ASSERT_EQ(frame.size(), 2 * payload.size() + 3);
    EXPECT_EQ(frame.front(), FEND);
    EXPECT_EQ(frame.back(), FEND);
    // No FEND anywhere inside, or the TNC would see the frame end early.
    EXPECT_EQ(std::count(frame.begin() + 1, frame.end() - 1, FEND), 0);
}

TEST(KissEncoder, IntoTooSmallBufferWritesNothing) {
    const Bytes payload = hex("41 C0 42");
    Bytes out(kissFrameMaxSize(payload.size()) - 1, 0xEE);
    EXPECT_EQ(encodeKissFrameInto(0, payload, out), 0u);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST(KissEncoder, IntoWorstCaseBufferWritesFrameAndStopsThere) {
    const Bytes payload = hex("41 C0 42");
    Bytes out(kissFrameMaxSize(payload.size()) + 4, 0xEE);
    const std::size_t written =
        encodeKissFrameInto(0, payload, std::span(out).first(kissFrameMaxSize(payload.size())));
    ASSERT_EQ(written, 7u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 7), hex("C0 00 41 DB DC 42 C0"));
    EXPECT_TRUE(std::all_of(out.begin() + 7, out.end(), [](std::uint8_t b) { return b == 0xEE; }));
}

TEST(KissEncoder, SendHandsWholeFrameToSinkInOneWrite) {
    RecordingSink sink;
    const Bytes payload(300, FESC);
    EXPECT_TRUE(SendKissFrame(sink, KissCommand::Data, payload));
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0], encodeKissFrame(KissCommand::Data, payload));
    EXPECT_EQ(sink.writes[0].size(), 603u);
}

TEST(KissEncoder, SendReportsSinkRefusal) {
    RecordingSink sink;
    sink.accept = false;
    EXPECT_FALSE(SendKissFrame(sink, 0, hex("41")));
    EXPECT_EQ(sink.writes.size(), 1u);
}

TEST(KissEncoder, SuccessiveFramesStaySeparateInTheSink) {
    RecordingSink sink;
    SendKissFrame(sink, KissCommand::Data, hex("41"));
    SendKissFrame(sink, KissCommand::TxDelay, hex("14"));
    EXPECT_EQ(sink.writes, (std::vector<Bytes>{hex("C0 00 41 C0"), hex("C0 01 14 C0")}));
}

}  // namespace
}  // namespace korvale
