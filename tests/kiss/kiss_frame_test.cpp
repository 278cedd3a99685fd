// KISS framing both ways: the bytes the TNC gets for each command and
// payload, and which received frames reach the AX.25 decoder.
#include <gtest/gtest.h>

#include <random>

#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"
#include "kiss_test_bytes.h"

namespace korvale {
namespace {

using testing::bytes;
using testing::Bytes;

// Records each write() whole, so a frame split over two writes shows.
struct RecordingSink final : ByteSink {
    bool write(std::span<const std::uint8_t> frame) override {
        writes.emplace_back(frame.begin(), frame.end());
        return true;
    }
    std::vector<Bytes> writes;
};

struct Collector {
    std::vector<Bytes> frames;
    KissDeframer deframer{[this](std::span<const std::uint8_t> frame) {
        frames.emplace_back(frame.begin(), frame.end());
    }};
    void feed(std::span<const std::uint8_t> piece) { deframer.ProcessKissBytes(piece); }
};

TEST(KissEncoder, FramesAreEscapedExactlyAndFitTheWorstCaseBuffer) {
    struct Row {
        const char* what;
        int command;
        const char* payload;
        const char* frame;
    };
    const Row rows[] = {
        {"data frame with both specials", 0, "41 C0 DB 42", "C0 00 41 DB DC DB DD 42 C0"},
        {"empty data frame", 0, "", "C0 00 C0"},
        {"transpose codes stay bare", 0, "DC DD", "C0 00 DC DD C0"},
        {"full duplex on", 5, "01", "C0 05 01 C0"},
        {"persistence 192", 2, "C0", "C0 02 DB DC C0"},
        {"port nibble kept", 0x15, "01", "C0 15 01 C0"},
        {"command FEND cannot end the frame", 0xC0, "41", "C0 DB DC 41 C0"},
        {"command FESC escaped", 0xDB, "41", "C0 DB DD 41 C0"},
        {"only low eight bits of the command", 0x105, "01", "C0 05 01 C0"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes payload = bytes(row.payload);
        EXPECT_EQ(encodeKissFrame(row.command, payload), bytes(row.frame));

        RecordingSink sink;
        EXPECT_TRUE(SendKissFrame(sink, row.command, payload));
        EXPECT_EQ(sink.writes, std::vector<Bytes>{bytes(row.frame)}) << "not one whole write";

        // Into a buffer of exactly the worst case, with guard bytes behind it.
        const std::size_t room = kissFrameMaxSize(payload.size());
        Bytes out(room + 4, 0xEE);
        const std::size_t written = encodeKissFrameInto(row.command, payload, {out.data(), room});
        EXPECT_EQ(Bytes(out.begin(), out.begin() + written), bytes(row.frame));
        EXPECT_EQ(Bytes(out.begin() + room, out.end()), Bytes(4, 0xEE)) << "wrote past its room";
        Bytes small(room - 1, 0xEE);
        EXPECT_EQ(encodeKissFrameInto(row.command, payload, small), 0u);
        EXPECT_EQ(small, Bytes(room - 1, 0xEE)) << "wrote into a buffer too small";
    }
}

TEST(KissParameters, ValuesAreTenMillisecondUnitsSaturatingAtOneByte) {
    struct Row {
        const char* what;
        int txDelay, persist, slotTime, txTail, fullDuplex;
        const char* sent;  // TxDelay, persistence, slot time, TxTail, full duplex
    };
    const Row rows[] = {
        {"defaults", 200, 63, 10, 0, 0, "14 3F 01 00 00"},
        {"remainders dropped", 205, 0, 19, 9, 0, "14 00 01 00 00"},
        {"any non-zero full duplex is 1", 0, 0, 0, 0, -7, "00 00 00 00 01"},
        {"largest dialog values", 2550, 255, 2550, 2550, 1, "FF FF FF FF 01"},
        {"too large saturates, not wraps", 2560, 256, 5000, 100000, 0, "FF FF FF FF 00"},
        {"negative sent as zero", -200, -1, -10, -2550, 0, "00 00 00 00 00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes values;
        int expectedCommand = 1;
        for (const KissParameter& p : kissParameterCommands(row.txDelay, row.persist, row.slotTime,
                                                            row.txTail, row.fullDuplex)) {
            EXPECT_EQ(static_cast<int>(p.command), expectedCommand++) << "sent out of order";
            values.push_back(p.value);
        }
        EXPECT_EQ(values, bytes(row.sent));
    }
}

TEST(KissDeframer, DeliversExactlyTheValidFramesHoweverTheStreamIsSplit) {
    struct Row {
        const char* what;
        const char* stream;
        std::vector<const char*> frames;
    };
    const Row rows[] = {
        {"plain frame", "C0 00 41 42 C0", {"41 42"}},
        {"back-to-back FENDs", "C0 C0 00 41 C0 C0 C0", {"41"}},
        {"command byte only", "C0 00 C0", {}},
        {"escaped specials", "C0 00 DB DC DB DD C0", {"C0 DB"}},
        {"bare transpose codes", "C0 00 DC DD C0", {"DC DD"}},
        {"FESC before an ordinary byte", "C0 00 DB 41 C0", {"41"}},
        {"second FESC keeps the escape", "C0 00 DB DB DC C0", {"C0"}},
        {"frame ending in FESC dropped", "C0 00 41 DB C0 00 42 C0", {"42"}},
        {"TNC port 1", "C0 10 41 C0", {}},
        {"parameter command", "C0 01 14 C0", {}},
        {"leave-KISS command", "C0 FF C0", {}},
        {"escaped command byte", "C0 DB DC 41 C0", {}},
        {"no opening FEND", "00 41 C0", {"41"}},
        {"line noise before the first FEND", "41 42 DB 43 C0 00 44 C0", {"44"}},
        {"unfinished frame", "C0 00 41 42", {}},
        {"shared FEND", "C0 00 47 C0 00 48 C0", {"47", "48"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const Bytes stream = bytes(row.stream);
        std::vector<Bytes> expected;
        for (const char* frame : row.frames) {
            expected.push_back(bytes(frame));
        }
        for (std::size_t split = 0; split <= stream.size(); ++split) {
            Collector rx;
            rx.feed(std::span(stream).first(split));
            rx.feed({});
            rx.feed(std::span(stream).subspan(split));
            EXPECT_EQ(rx.frames, expected) << "split after byte " << split;
        }
        Collector byByte;
        for (const std::uint8_t byte : stream) {
            byByte.feed({&byte, 1});
        }
        EXPECT_EQ(byByte.frames, expected) << "fed byte by byte";
    }
}

TEST(KissDeframer, DeliversUpTo8189BytesAndDropsLongerFramesWhole) {
    struct Row {
        std::size_t size;
        std::uint8_t fill;
        bool delivered;
    };
    // 8189 FENDs arrive as 16378 escaped bytes: the limit counts unescaped ones.
    const Row rows[] = {{8189, 0x41, true},  {8189, FEND, true},  {8190, 0x41, false},
                        {8191, 0x41, false}, {8192, 0x41, false}, {8193, 0x41, false},
                        {20000, FESC, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.size << " bytes of " << int{row.fill});
        Bytes stream = encodeKissFrame(0, Bytes(row.size, row.fill));
        const Bytes next = bytes("C0 00 42 C0");
        stream.insert(stream.end(), next.begin(), next.end());
        Collector rx;
        for (std::size_t at = 0; at < stream.size(); at += 1000) {
            rx.feed(std::span(stream).subspan(at, std::min<std::size_t>(1000, stream.size() - at)));
        }
        std::vector<Bytes> expected{bytes("42")};
        if (row.delivered) {
            expected.insert(expected.begin(), Bytes(row.size, row.fill));
        }
        EXPECT_EQ(rx.frames, expected);
    }
}

TEST(KissDeframer, RandomPayloadsSurviveEncodeAndDeframeInRandomPieces) {
    std::mt19937 rng(20240611);
    std::uniform_int_distribution<int> kind(0, 3), any(0, 255), pieces(1, 1023), sizes(1, 600);
    for (int round = 0; round < 50; ++round) {
        std::vector<Bytes> sent(20);
        Bytes stream;
        for (Bytes& payload : sent) {
            // Rich in the two specials, so escapes fall at every offset.
            payload.resize(static_cast<std::size_t>(sizes(rng)));
            for (auto& byte : payload) {
                const int k = kind(rng);
                byte = k == 0 ? FEND : k == 1 ? FESC : static_cast<std::uint8_t>(any(rng));
            }
            const Bytes frame = encodeKissFrame(KissCommand::Data, payload);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        Collector rx;
        for (std::size_t at = 0; at < stream.size();) {
            const auto n = std::min(static_cast<std::size_t>(pieces(rng)), stream.size() - at);
            rx.feed(std::span(stream).subspan(at, n));
            at += n;
        }
        ASSERT_EQ(rx.frames, sent) << "round " << round;
    }
}

TEST(KissDeframer, BytesFedFromTheCallbackDoNotCorruptTheFrameInHand) {
    std::vector<Bytes> frames;
    KissDeframer* self = nullptr;
    const Bytes arriving = bytes("C0 00 5A 5A 5A C0");
    KissDeframer deframer{[&](std::span<const std::uint8_t> frame) {
        if (frames.empty()) {
            self->ProcessKissBytes(arriving);
        }
        frames.emplace_back(frame.begin(), frame.end());
    }};
    self = &deframer;
    deframer.ProcessKissBytes(bytes("C0 00 41 42 43 C0 00 44 C0"));
    EXPECT_EQ(frames, (std::vector<Bytes>{bytes("41 42 43"), bytes("44"), bytes("5A 5A 5A")}));
}

}  // namespace
}  // namespace korvale
