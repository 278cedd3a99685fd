#include "kiss/kiss_deframer.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <random>

#include "kiss/kiss_encoder.h"
#include "kiss/kiss_protocol.h"
#include "kiss_test_bytes.h"

namespace korvale {
namespace {

using kisstest::Bytes;
using kisstest::CollectingDeframer;
using kisstest::concat;
using kisstest::hex;

std::vector<Bytes> deframeWhole(const Bytes& stream) {
    CollectingDeframer rx;
    rx.feed(stream);
    return rx.frames;
}

// A frame of `size` AX.25 bytes, as it is sent: FEND, 00, payload, FEND.
Bytes dataFrameOfSize(std::size_t size, std::uint8_t fill = 0x41) {
    return encodeKissFrame(KissCommand::Data, Bytes(size, fill));
}

TEST(KissDeframer, DeliversPlainDataFrame) {
    EXPECT_EQ(deframeWhole(hex("C0 00 41 42 C0")), std::vector<Bytes>{hex("41 42")});
}

TEST(KissDeframer, BackToBackFendsDeliverNothing) {
    EXPECT_EQ(deframeWhole(hex("C0 C0 00 41 C0")), std::vector<Bytes>{hex("41")});
    EXPECT_TRUE(deframeWhole(hex("C0 C0 C0 C0")).empty());
}

TEST(KissDeframer, FrameWithOnlyCommandByteDeliversNothing) {
    EXPECT_TRUE(deframeWhole(hex("C0 00 C0")).empty());
}

TEST(KissDeframer, UnescapesTransposedBytes) {
    EXPECT_EQ(deframeWhole(hex("C0 00 DB DC DB DD C0")), std::vector<Bytes>{hex("C0 DB")});
}

TEST(KissDeframer, KeepsTransposeCodesWithoutEscape) {
    EXPECT_EQ(deframeWhole(hex("C0 00 DC DD C0")), std::vector<Bytes>{hex("DC DD")});
}

TEST(KissDeframer, EscapeBeforeOrdinaryByteYieldsThatByteAlone) {
    EXPECT_EQ(deframeWhole(hex("C0 00 DB 41 C0")), std::vector<Bytes>{hex("41")});
}

TEST(KissDeframer, SecondEscapeInARowKeepsEscapePending) {
    EXPECT_EQ(deframeWhole(hex("C0 00 DB DB DC C0")), std::vector<Bytes>{hex("C0")});
}

TEST(KissDeframer, DropsFrameEndingInEscapeAndDeliversTheNext) {
    EXPECT_EQ(deframeWhole(hex("C0 00 41 DB C0 00 42 C0")), std::vector<Bytes>{hex("42")});
}

TEST(KissDeframer, DropsFramesForOtherPortsAndCommands) {
    EXPECT_TRUE(deframeWhole(hex("C0 10 41 C0")).empty());
    EXPECT_TRUE(deframeWhole(hex("C0 01 14 C0")).empty());
    EXPECT_TRUE(deframeWhole(hex("C0 FF C0")).empty());
    // An escaped command byte is still not a data frame for port 0.
    EXPECT_TRUE(deframeWhole(hex("C0 DB DC 41 C0")).empty());
}

TEST(KissDeframer, FirstFrameWithoutOpeningFendIsStillDelivered) {
    EXPECT_EQ(deframeWhole(hex("00 41 C0")), std::vector<Bytes>{hex("41")});
}

TEST(KissDeframer, LineNoiseBeforeFirstFendIsDropped) {
    EXPECT_EQ(deframeWhole(hex("41 42 DB 43 C0 00 44 C0")), std::vector<Bytes>{hex("44")});
}

TEST(KissDeframer, UnfinishedFrameIsNotDelivered) {
    CollectingDeframer rx;
    rx.feed(hex("C0 00 41 42"));
    EXPECT_TRUE(rx.frames.empty());
}

TEST(KissDeframer, FrameSplitOverTwoDeliveriesIsJoined) {
    CollectingDeframer rx;
    rx.feed(hex("C0 00 41"));
    rx.feed(hex("42 C0"));
    EXPECT_EQ(rx.frames, std::vector<Bytes>{hex("41 42")});
}

TEST(KissDeframer, EscapeAtEndOfDeliveryAppliesToNextDelivery) {
    CollectingDeframer rx;
    rx.feed(hex("C0 00 DB"));
    rx.feed(hex("DC C0"));
    EXPECT_EQ(rx.frames, std::vector<Bytes>{hex("C0")});
}

TEST(KissDeframer, EmptyDeliveryChangesNothing) {
    CollectingDeframer rx;
    rx.feed(hex("C0 00 41"));
    rx.feed({});
    rx.feed(hex("C0"));
    EXPECT_EQ(rx.frames, std::vector<Bytes>{hex("41")});
}

// A stream that exercises every rule, with the frames it must deliver.
struct MixedStream {
    Bytes bytes;
    std::vector<Bytes> expected;
};

MixedStream mixedStream() {
    MixedStream s;
    s.bytes = concat({
        hex("C0 00 41 42 C0"),           // plain
        hex("C0 C0"),                    // empty
        hex("C0 00 DB DC DB DD 43 C0"),  // escapes
        hex("C0 10 44 C0"),              // port 1
        hex("C0 00 45 DB C0"),           // ends in escape
        hex("C0 00 DC DD C0"),           // bare transpose codes
        hex("C0 01 14 C0"),              // parameter command
        hex("C0 00 DB 46 DB DB DD C0"),  // stray escapes
        hex("C0 00 C0"),                 // command byte only
        hex("C0 00 47 C0 00 48 C0"),     // shared FEND
    });
    s.expected = {hex("41 42"), hex("C0 DB 43"), hex("DC DD"), hex("46 DB"), hex("47"), hex("48")};
    return s;
}

TEST(KissDeframer, MixedStreamDeliversExactlyTheValidFrames) {
    const MixedStream s = mixedStream();
    EXPECT_EQ(deframeWhole(s.bytes), s.expected);
}

TEST(KissDeframer, SplitAtAnyPositionDeliversTheSameFrames) {
    const MixedStream s = mixedStream();
    for (std::size_t split = 0; split <= s.bytes.size(); ++split) {
        CollectingDeframer rx;
        rx.feed(Bytes(s.bytes.begin(), s.bytes.begin() + static_cast<std::ptrdiff_t>(split)));
        rx.feed(Bytes(s.bytes.begin() + static_cast<std::ptrdiff_t>(split), s.bytes.end()));
        EXPECT_EQ(rx.frames, s.expected) << "split after byte " << split;
    }
}

TEST(KissDeframer, ByteByByteDeliversTheSameFrames) {
    const MixedStream s = mixedStream();
    CollectingDeframer rx;
    for (const std::uint8_t byte : s.bytes) {
        rx.feed(Bytes{byte});
    }
    EXPECT_EQ(rx.frames, s.expected);
}

TEST(KissDeframer, LargestFrameOf8189BytesIsDelivered) {
    CollectingDeframer rx;
    rx.feed(concat({dataFrameOfSize(kKissMaxDeliveredFrameSize), hex("C0 00 42 C0")}));
    ASSERT_EQ(rx.frames.size(), 2u);
    EXPECT_EQ(rx.frames[0], Bytes(8189, 0x41));
    EXPECT_EQ(rx.frames[1], hex("42"));
}

TEST(KissDeframer, LargestFrameMadeOfEscapedBytesIsDelivered) {
    // 8189 unescaped bytes arrive as 16378 escaped ones; the limit counts the former.
    CollectingDeframer rx;
    rx.feed(dataFrameOfSize(8189, FEND));
    ASSERT_EQ(rx.frames.size(), 1u);
    EXPECT_EQ(rx.frames[0], Bytes(8189, FEND));
}

class KissDeframerOverlong : public ::testing::TestWithParam<std::size_t> {};

TEST_P(KissDeframerOverlong, OverlongFrameIsDroppedWholeAndNextFrameDelivered) {
    CollectingDeframer rx;
    rx.feed(concat({dataFrameOfSize(GetParam()), hex("C0 00 42 C0")}));
    EXPECT_EQ(rx.frames, std::vector<Bytes>{hex("42")});
}

// 8190 and 8191 AX.25 bytes fit the buffer but are over the limit; from 8192
// on the buffer is full and further bytes are thrown away.
INSTANTIATE_TEST_SUITE_P(AtAndBeyondTheBuffer, KissDeframerOverlong,
                         ::testing::Values(8190u, 8191u, 8192u, 8193u, 20000u));

TEST(KissDeframer, OverlongFrameSplitAcrossDeliveriesIsDropped) {
    const Bytes stream = concat({dataFrameOfSize(8190), hex("C0 00 42 C0")});
    CollectingDeframer rx;
    for (std::size_t at = 0; at < stream.size(); at += 1000) {
        rx.feed(Bytes(
            stream.begin() + static_cast<std::ptrdiff_t>(at),
            stream.begin() + static_cast<std::ptrdiff_t>(std::min(at + 1000, stream.size()))));
    }
    EXPECT_EQ(rx.frames, std::vector<Bytes>{hex("42")});
}

// Payloads rich in the two special values, so escapes sit at every offset.
Bytes randomPayload(std::mt19937& rng, std::size_t size) {
    std::uniform_int_distribution<int> kind(0, 3);
    std::uniform_int_distribution<int> any(0, 255);
    Bytes payload(size);
    for (auto& byte : payload) {
        const int k = kind(rng);
        byte = static_cast<std::uint8_t>(k == 0 ? FEND : k == 1 ? FESC : any(rng));
    }
    return payload;
}

TEST(KissDeframer, RandomPayloadsSurviveEncodeAndDeframeInRandomPieces) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<std::size_t> sizes(1, 600);
    for (int round = 0; round < 50; ++round) {
        std::vector<Bytes> sent;
        Bytes stream;
        for (int i = 0; i < 20; ++i) {
            sent.push_back(randomPayload(rng, sizes(rng)));
            const Bytes frame = encodeKissFrame(KissCommand::Data, sent.back());
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        CollectingDeframer rx;
        std::uniform_int_distribution<std::size_t> pieces(1, 1023);
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t n = std::min(pieces(rng), stream.size() - at);
            rx.feed(Bytes(stream.begin() + static_cast<std::ptrdiff_t>(at),
                          stream.begin() + static_cast<std::ptrdiff_t>(at + n)));
            at += n;
        }
        ASSERT_EQ(rx.frames, sent) << "round " << round;
    }
}

TEST(KissDeframer, CallbackFeedingMoreBytesDoesNotCorruptTheFrameInHand) {
    std::vector<Bytes> frames;
    KissDeframer* self = nullptr;
    const Bytes injected = hex("C0 00 5A 5A 5A C0");
    bool injectedOnce = false;
    KissDeframer deframer{[&](std::span<const std::uint8_t> frame) {
        if (!injectedOnce) {
            injectedOnce = true;
            // Further serial data arriving while the first frame is handled.
            self->ProcessKissBytes(injected);
        }
        frames.emplace_back(frame.begin(), frame.end());
    }};
    self = &deframer;
    const Bytes stream = hex("C0 00 41 42 43 C0 00 44 C0");
    deframer.ProcessKissBytes(stream);
    // The injected bytes arrived after the whole outer delivery.
    EXPECT_EQ(frames, (std::vector<Bytes>{hex("41 42 43"), hex("44"), hex("5A 5A 5A")}));
}

}  // namespace
}  // namespace korvale
