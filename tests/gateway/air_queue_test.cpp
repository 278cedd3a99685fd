#include "gateway/air_queue.h"

#include <gtest/gtest.h>

#include <sstream>

#include "gateway/air_pacer.h"
#include "gateway/gateway_test_frames.h"

namespace korvale::testing {
namespace {

TEST(AirTime, FrameCostsItsBytesWithFcsFlagAndWorstCaseStuffing) {
    // AX.25 bytes, bit rate, milliseconds: (bytes + 3) * 9.6 bits, rounded up.
    const std::tuple<std::size_t, int, std::int64_t> rows[] = {
        {272, 1200, 2200}, {47, 1200, 400}, {272, 9600, 275}, {1, 1200, 32},
        {0, 300, 96},      {1, 1000, 39},   {272, 0, 0},      {272, -1, 0}};
    for (const auto& [bytes, rate, ms] : rows) {
        EXPECT_EQ(frameAirTimeMs(bytes, rate), ms) << bytes << " bytes at " << rate;
    }
}

TEST(AirPacer, HalfDuplexFrameHeardBeforeOurTncCouldHaveSentShowsItStillHoldsAll) {
    // Ours at 0 (TxDelay 200): 400 ms (busy to 600, sent by 533 unstuffed) or
    // 2200 ms (2400, 2033); heard: 400 or 184 ms; then our backlog.
    const std::tuple<bool, std::size_t, std::size_t, std::int64_t, std::int64_t> rows[] = {
        {false, 47, 47, 100, 600},    {false, 47, 47, 700, 600}, {false, 47, 47, 1000, 0},
        {false, 272, 20, 2100, 2400}, {false, 272, 20, 2300, 0}, {true, 47, 47, 100, 500}};
    for (const auto& [fullDuplex, ours, theirs, heardAt, backlog] : rows) {
        AirPacer pacer;
        pacer.configure({.bitsPerSecond = 1200, .txDelayMs = 200, .fullDuplex = fullDuplex});
        pacer.handed(ours, 0);
        pacer.heard(theirs, heardAt);
        EXPECT_EQ(pacer.backlogMs(heardAt), backlog) << heardAt;
    }
}

TEST(AirPacer, HalfDuplexTncGetsATransmissionAtOnceAndOthersJustHeardGetTheirTurnAfterIt) {
    // 1200 bit/s, TxDelay 100, persistence 63 (3 slots expected), slot 50:
    // frames of at most 10 * 250 ms per transmission; a turn of 9 slots.
    AirPacer pacer;
    pacer.configure({.bitsPerSecond = 1200, .txDelayMs = 100, .persist = 63, .slotTimeMs = 50});
    EXPECT_EQ(pacer.transmissionLimitMs(), 2500);
    EXPECT_EQ(pacer.turnMs(), 450);
    // A 2200 ms segment goes alone, over the limit.
    EXPECT_TRUE(pacer.mayHand(272, 0));
    pacer.handed(272, 0);
    EXPECT_FALSE(pacer.mayHand(47, 0, true));
    // 800 ms frames join while the TNC has not keyed up (half the TxDelay),
    // then nothing until they have left, not even urgent ones.
    pacer.handed(97, 10000);
    ASSERT_TRUE(pacer.mayHand(97, 10050, true));
    pacer.handed(97, 10050);
    EXPECT_FALSE(pacer.mayHand(97, 10051, true));
    // A frame of another station that our TNC waited for: it keys up after
    // it, so one more joins, up to the limit.
    pacer.heard(20, 11000);
    ASSERT_TRUE(pacer.mayHand(97, 11050));
    pacer.handed(97, 11050);
    EXPECT_FALSE(pacer.mayHand(20, 11050, true));
    EXPECT_EQ(pacer.backlogMs(11000), 100 + 2400);
    // That station has its turn after us until the turn's time is up or one
    // is heard taking it; urgent frames skip it.
    EXPECT_TRUE(pacer.mayHand(47, 13500 + 449, true));
    EXPECT_FALSE(pacer.mayHand(272, 13500 + 449));
    EXPECT_TRUE(pacer.mayHand(272, 13500 + 450));
    pacer.heard(20, 13800);
    ASSERT_TRUE(pacer.mayHand(47, 13800));
    // A transmission an urgent frame began carries no bulk frames, so the
    // answer waits for none.
    pacer.handed(47, 13800, true);
    EXPECT_FALSE(pacer.mayHand(47, 13800));
    EXPECT_TRUE(pacer.mayHand(47, 13800, true));
}

// Pushes ("A1": flow A, frame 1; "P1" priority; "A1:500" costs 500 ms) and
// pops ("-", "*" for all); gives the frames popped and drops, in order.
std::string run(AirQueue& queue, const std::string& script, std::int64_t airTimeMs = 100) {
    std::istringstream words(script);
    std::string out;
    for (std::string word; words >> word;) {
        if (word == "-" || word == "*") {
            do {
                const AirQueueEntry entry = queue.pop();
                out += std::string(entry.frame.info.begin(), entry.frame.info.end()) + " ";
            } while (word == "*" && !queue.empty());
            continue;
        }
        AirFlow flow{.priority = word[0] == 'P'};
        flow.key[0] = static_cast<std::uint8_t>(word[0]);
        Ax25Frame frame;
        frame.info.assign(word.begin(), word.end());
        const std::size_t colon = word.find(':');
        const std::int64_t cost =
            colon == std::string::npos ? airTimeMs : std::stoll(word.substr(colon + 1));
        frame.info.resize(std::min(colon, word.size()));
        if (const int dropped = queue.push(flow, {std::move(frame), 10, cost, {}})) {
            out += "(dropped " + std::to_string(dropped) + ") ";
        }
    }
    return out;
}

TEST(AirQueue, FlowsTakeTurnsNewFlowsFirstAndPriorityFramesAheadOfAllIp) {
    const std::pair<const char*, const char*> rows[] = {
        {"A1 A2 A3 B1 B2 B3 *", "A1 B1 A2 B2 A3 B3 "},
        {"A1 A2 - B1 - C1 *", "A1 B1 C1 A2 "},
        {"A1 A2 B1 P1 P2 - A3 P3 *", "P1 P2 P3 A1 B1 A2 A3 "},
        {"A1 B1 B2 - - A2 *", "A1 B1 A2 B2 "},  // a flow that ran empty is new again
        // Turns of equal air time: three 100 ms frames for one of 300 ms.
        {"A1:300 A2:300 A3:300 B1 B2 B3 B4 B5 B6 B7 *", "A1 B1 B2 B3 A2 B4 B5 B6 A3 B7 "}};
    for (const auto& [script, order] : rows) {
        AirQueue queue;
        EXPECT_EQ(run(queue, script), order) << script;
        EXPECT_TRUE(queue.empty() && queue.queuedAirTimeMs() == 0) << script;
    }
    // Need not wait for another station's turn: priority, a flow that was empty.
    AirQueue queue;
    for (const auto& [script, urgent] :
         {std::pair{"A1 A2 -", false}, {"B1", true}, {"- P1", true}, {"-", false}}) {
        run(queue, script);
        EXPECT_EQ(queue.frontIsUrgent(), urgent) << script;
    }
}

TEST(AirQueue, OverBudgetTheLongestFlowLosesItsOldestFrame) {
    // Budget 1000 ms; frames 300 ms unless named otherwise.
    const std::pair<const char*, const char*> rows[] = {
        {"A1 A2 A3 B1 *", "(dropped 1) A2 B1 A3 "},
        {"A1:100 A2:100 A3:100 B1:400 B2:400 *", "(dropped 1) A1 B2 A2 A3 "},  // by air time
        {"B1 A1 A2 A3 *", "(dropped 1) B1 A2 A3 "},
        {"A1:5000 B1:5000 P1:5000 *", "P1 A1 B1 "},  // a frame alone in its flow is kept
        {"A1:5000 A2:100 *", "(dropped 1) A2 "},
        {"A1 A2 A3:400 *", "A1 A2 A3 "},  // at the budget
        {"A1 P1:500 P2:500 *", "(dropped 1) P2 A1 "}};
    for (const auto& [script, result] : rows) {
        AirQueue queue(1000);
        EXPECT_EQ(run(queue, script, 300), result) << script;
    }
}

TEST(AirFlow, IpIsKeyedByAddressesProtocolAndPortsEverythingElseGoesFirst) {
    // IPv4 from 44.0.0.1 to 44.0.0.2: protocol, the transport's first bytes, fragment field.
    const auto ip = [](const std::string& protocol, const std::string& rest,
                       const std::string& fragment = "0000") {
        return bytes("4500 0028 0000" + fragment + " 40" + protocol + "0000 2C000001 2C000002" +
                     rest);
    };
    const auto flow = [](const Bytes& info, std::string_view to = "KV1B") {
        return airFlowOf(uiFrame("KV1A", to, kPidIp, info));
    };
    // Same flow: other sequence, "don't fragment"; not: other ports, UDP, a
    // later fragment (no ports), not IPv4 (keyed by stations).
    const AirFlow tcp = flow(ip("06", "1F41 0050 00000000"));
    EXPECT_EQ(tcp.key, flow(ip("06", "1F41 0050 FFFFFFFF", "4000")).key);
    for (const AirFlow& other : {flow(ip("06", "1F42 0050")), flow(ip("11", "1F41 0050")),
                                 flow(ip("06", "1F41 0050", "0010")), flow(bytes("6000 0000"))}) {
        EXPECT_NE(other.key, tcp.key);
        EXPECT_FALSE(other.priority);
    }
    EXPECT_EQ(flow(bytes("6000 0000")).key, flow(bytes("45")).key);
    EXPECT_NE(flow(bytes("6000 0000")).key, flow(bytes("6000 0000"), "KV1C").key);
    // ARP, beacons and typed lines (PID 0), anything not UI: priority.
    for (const Ax25Frame& frame : {uiFrame("KV1A", "QST", kPidArp, bytes(ax25Arp("01" + kNoHw))),
                                   uiFrame("KV1A", "ID", 0x00, bytes("41")),
                                   uiFrame("KV1A", "KV1B", kPidIp, ip("06", ""), FrameKind::I)}) {
        EXPECT_TRUE(airFlowOf(frame).priority);
    }
}

}  // namespace
}  // namespace korvale::testing
