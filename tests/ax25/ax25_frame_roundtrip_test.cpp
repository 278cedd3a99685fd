// Generated frames through the codec: everything the encoder writes must
// decode back, and every cut or flipped byte at a decoder boundary must be
// refused or read exactly as the layout says.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ax25/ax25_frame.h"
#include "frame_generator.h"

namespace korvale {
namespace {

using Bytes = std::vector<std::uint8_t>;
using testing::FrameGenerator;

constexpr int kGeneratedFrames = 4000;

bool carriesInfo(FrameKind kind) {
    return kind == FrameKind::I || kind == FrameKind::Ui;
}
bool carriesNr(FrameKind kind) {
    return kind == FrameKind::I || kind == FrameKind::Rr || kind == FrameKind::Rnr ||
           kind == FrameKind::Rej;
}

// What a peer decoding our frame must see: the record itself, except that
// the version-1 "neither" goes out as a response, the H bits count only
// existing digipeaters, and fields a kind does not carry are not sent.
void expectDecodesAsSent(const Ax25Frame& sent, const Ax25Frame& received) {
    EXPECT_EQ(received.source, sent.source);
    EXPECT_EQ(received.destination, sent.destination);
    EXPECT_EQ(received.digipeaters, sent.digipeaters);
    EXPECT_EQ(received.repeatedCount, std::clamp(sent.repeatedCount, 0, sent.digipeaters.count()));
    EXPECT_EQ(received.kind, sent.kind);
    EXPECT_EQ(received.commandResponse, sent.commandResponse == 1 ? 1 : 0);
    EXPECT_EQ(received.pollFinal, sent.pollFinal);
    EXPECT_EQ(received.nr, carriesNr(sent.kind) ? sent.nr : 0);
    EXPECT_EQ(received.ns, sent.kind == FrameKind::I ? sent.ns : 0);
    EXPECT_EQ(received.pid, carriesInfo(sent.kind) ? sent.pid : 0);
    EXPECT_EQ(received.info, carriesInfo(sent.kind) ? sent.info : Bytes{});
}

TEST(FrameRoundTrip, GeneratedFramesOfEveryKindDecodeAsSent) {
    FrameGenerator generator;
    for (int i = 0; i < kGeneratedFrames; ++i) {
        SCOPED_TRACE(::testing::Message() << "seed " << testing::kDefaultSeed << " frame " << i);
        const Ax25Frame sent = generator.frame();
        const Bytes bytes = sent.encode();
        const std::size_t header = 15 + 7 * static_cast<std::size_t>(sent.digipeaters.count());
        ASSERT_EQ(bytes.size(), header + (carriesInfo(sent.kind) ? 1 + sent.info.size() : 0));
        Ax25Frame received;
        ASSERT_TRUE(received.decode(bytes));
        expectDecodesAsSent(sent, received);
        ASSERT_EQ(received.encode(), bytes) << "re-encoding a decoded frame changes its bytes";
        if (::testing::Test::HasFailure()) {
            return;
        }
    }
}

TEST(FrameRoundTrip, EveryDigipeaterCountAndRepeatedCountRoundTrips) {
    FrameGenerator generator(7);
    for (int digipeaters = 0; digipeaters <= kMaxDigipeaters; ++digipeaters) {
        for (int repeated = 0; repeated <= digipeaters; ++repeated) {
            AddressList path;
            for (int i = 0; i < digipeaters; ++i) {
                path.append(generator.address());
            }
            Ax25Frame sent;
            sent.build(generator.address(), generator.address(), path, repeated, FrameKind::Ui, 1,
                       0, 0, 0, 0xCC, generator.bytes(20));
            Ax25Frame received;
            ASSERT_TRUE(received.decode(sent.encode()));
            EXPECT_EQ(received.digipeaters, path);
            EXPECT_EQ(received.repeatedCount, repeated) << digipeaters;
        }
    }
}

TEST(FrameRoundTrip, EverySequenceNumberAndPollFinalRoundTrips) {
    for (int nr = 0; nr < 8; ++nr) {
        for (int ns = 0; ns < 8; ++ns) {
            for (int pollFinal = 0; pollFinal < 2; ++pollFinal) {
                for (FrameKind kind :
                     {FrameKind::I, FrameKind::Rr, FrameKind::Rnr, FrameKind::Rej}) {
                    Ax25Frame sent;
                    sent.build(Ax25Address{}, Ax25Address{}, {}, 0, kind, 0, pollFinal, nr, ns,
                               0xF0, Bytes{'x'});
                    Ax25Frame received;
                    ASSERT_TRUE(received.decode(sent.encode()));
                    expectDecodesAsSent(sent, received);
                }
            }
        }
    }
}

TEST(FrameRoundTrip, EveryPidRoundTrips) {
    for (int pid = 0; pid < 256; ++pid) {
        Ax25Frame sent;
        sent.build(Ax25Address{}, Ax25Address{}, {}, 0, FrameKind::Ui, 1, 0, 0, 0, pid, {});
        Ax25Frame received;
        ASSERT_TRUE(received.decode(sent.encode()));
        EXPECT_EQ(received.pid, pid);
    }
}

TEST(FrameRoundTrip, LargeInformationFieldsRoundTrip) {
    FrameGenerator generator(11);
    for (int length : {0, 1, 255, 256, 1500, 4985, 8191}) {
        Ax25Frame sent;
        sent.build(generator.address(), generator.address(), {}, 0, FrameKind::I, 1, 1, 3, 4, 0xF0,
                   generator.bytes(length));
        Ax25Frame received;
        ASSERT_TRUE(received.decode(sent.encode()));
        EXPECT_EQ(received.info, sent.info) << length;
    }
}

// Every prefix of a valid frame: refused while the address path, control
// byte or PID is incomplete; otherwise read with the information cut short.
TEST(FrameDecodeBoundary, EveryTruncationOfValidFramesIsRefusedOrCutCleanly) {
    FrameGenerator generator(23);
    for (int i = 0; i < 300; ++i) {
        SCOPED_TRACE(::testing::Message() << "seed 23 frame " << i);
        const Ax25Frame sent = generator.frame(40);
        const Bytes bytes = sent.encode();
        const std::size_t header = 15 + 7 * static_cast<std::size_t>(sent.digipeaters.count());
        const std::size_t needed = header + (carriesInfo(sent.kind) ? 1 : 0);
        for (std::size_t length = 0; length < bytes.size(); ++length) {
            Ax25Frame received;
            const bool ok = received.decode(std::span<const std::uint8_t>(bytes.data(), length));
            ASSERT_EQ(ok, length >= needed) << "length " << length;
            if (ok) {
                Ax25Frame expected = sent;
                expected.info.resize(length - needed);
                expectDecodesAsSent(expected, received);
            }
        }
    }
}

// A frame decoded from a cut buffer must never be read past its end: the
// sanitizer builds run this over every prefix of a short frame held in a
// buffer of exactly that size.
TEST(FrameDecodeBoundary, ExactSizeBuffersOfEveryLengthAreSafe) {
    FrameGenerator generator(29);
    for (int i = 0; i < 50; ++i) {
        const Bytes bytes = generator.frame(8).encode();
        for (std::size_t length = 0; length <= bytes.size(); ++length) {
            const Bytes exact(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
            Ax25Frame received;
            received.decode(exact);
            EXPECT_LE(received.info.size(), exact.size());
        }
    }
}

// Moving the extension bit in an encoded frame's path changes how many
// digipeaters the decoder reads: it must read exactly up to the moved bit,
// and fail when the bit is gone.
TEST(FrameDecodeBoundary, ExtensionBitMovedThroughPathOfGeneratedFrames) {
    FrameGenerator generator(31);
    for (int i = 0; i < 200; ++i) {
        AddressList path;
        for (int d = 0; d < kMaxDigipeaters; ++d) {
            path.append(generator.address());
        }
        Ax25Frame sent;
        sent.build(generator.address(), generator.address(), path, 0, FrameKind::Ui, 1, 0, 0, 0,
                   0xCC, generator.bytes(generator.below(30)));
        const Bytes original = sent.encode();
        for (int last = -1; last <= kMaxDigipeaters; ++last) {
            // last: -1 none, 0 the source, d the d-th digipeater.
            Bytes bytes = original;
            for (int field = 1; field <= kMaxDigipeaters + 1; ++field) {
                bytes[7 * static_cast<std::size_t>(field) + 6] &= 0xFE;
            }
            if (last >= 0) {
                bytes[7 * static_cast<std::size_t>(last + 1) + 6] |= 0x01;
            }
            Ax25Frame received;
            const bool ok = received.decode(bytes);
            if (last < 0) {
                EXPECT_FALSE(ok);
                continue;
            }
            // A shorter path leaves digipeater bytes where control and PID
            // are expected; the decoder may then see any kind. It must at
            // least have read exactly `last` digipeaters.
            EXPECT_EQ(received.digipeaters.count(), last);
            for (int d = 0; d < last; ++d) {
                EXPECT_EQ(received.digipeaters[d], path[d]);
            }
            if (last == kMaxDigipeaters) {
                EXPECT_TRUE(ok);
                EXPECT_EQ(received.info, sent.info);
            }
        }
    }
}

TEST(FrameDecodeBoundary, RandomBytesNeverCrashAndSuccessIsConsistent) {
    FrameGenerator generator(37);
    for (int i = 0; i < 20000; ++i) {
        const Bytes bytes = generator.bytes(generator.below(80));
        Ax25Frame frame;
        if (!frame.decode(bytes)) {
            continue;
        }
        // Whatever decodes as a known kind must encode into a frame that
        // decodes to the same addresses, path, kind and payload. (Kind 0 has
        // no control byte of its own to send.)
        if (frame.kind == FrameKind::Unknown) {
            continue;
        }
        Ax25Frame again;
        ASSERT_TRUE(again.decode(frame.encode()));
        EXPECT_EQ(again.source, frame.source);
        EXPECT_EQ(again.destination, frame.destination);
        EXPECT_EQ(again.digipeaters, frame.digipeaters);
        EXPECT_EQ(again.repeatedCount, frame.repeatedCount);
        EXPECT_EQ(again.kind, frame.kind);
        EXPECT_EQ(again.pollFinal, frame.pollFinal);
        EXPECT_EQ(again.nr, frame.nr);
        EXPECT_EQ(again.ns, frame.ns);
        EXPECT_EQ(again.info, frame.info);
        EXPECT_EQ(again.pid, frame.pid);
    }
}

}  // namespace
}  // namespace korvale
