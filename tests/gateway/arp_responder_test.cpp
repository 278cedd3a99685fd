#include "gateway/arp_responder.h"
#include "gateway/arp_request_filter.h"
#include "gateway/gateway_test_frames.h"
#include "gateway/neighbour_timers.h"

namespace korvale::testing {
namespace {

const std::string kKv1bHw = "96AC62844040 60";
const std::string kOtherIp = "2C000003";  // 44.0.0.3
constexpr std::int64_t kWindow = 300000;

// The host (44.0.0.1, NOCALL-7) asks `destination` who has `target`.
Ax25Frame request(const char* destination, const std::string& target, const char* op = "01") {
    return uiFrame("NOCALL-7", destination, kPidArp,
                   bytes(ax25Arp(op + kNocall7Hw + kHostIp + kNoHw + target)));
}

// A datagram heard from KV1B with source 44.0.0.2.
Ax25Frame ipFromKv1b() {
    return uiFrame("KV1B", "NOCALL-7", kPidIp,
                   bytes("4500 0014 00000000 4001 0000" + kStationIp + kHostIp));
}

TEST(ArpResponder, AnswersOnlyUnicastRequestsForAStationHeardWithThatAddressInTime) {
    const Ax25Frame viaDigi = [] {
        Ax25Frame frame = ipFromKv1b();
        EXPECT_EQ(frame.digipeaters.parse("RELAY"), 1);
        return frame;
    }();
    const Ax25Frame arpFromKv1b = uiFrame(
        "KV1B", "QST", kPidArp, bytes(ax25Arp("01" + kKv1bHw + kStationIp + kNoHw + kHostIp)));
    // What was heard at 0, the request, when it came, whether it is answered.
    const std::tuple<const char*, Ax25Frame, Ax25Frame, std::int64_t, bool> rows[] = {
        {"heard, unicast, in time", ipFromKv1b(), request("KV1B", kStationIp), kWindow, true},
        {"learned from its ARP", arpFromKv1b, request("KV1B", kStationIp), 10, true},
        {"too long ago", ipFromKv1b(), request("KV1B", kStationIp), kWindow + 1, false},
        {"broadcast request", ipFromKv1b(), request("QST", kStationIp), 10, false},
        {"another station", ipFromKv1b(), request("KV1C", kStationIp), 10, false},
        {"another address", ipFromKv1b(), request("KV1B", kOtherIp), 10, false},
        {"heard only through a digipeater", viaDigi, request("KV1B", kStationIp), 10, false},
        {"not a request", ipFromKv1b(), request("KV1B", kStationIp, "02"), 10, false},
        {"nothing heard", uiFrame("KV1B", "ID", 0xF0, bytes("41")), request("KV1B", kStationIp), 10,
         false}};
    for (const auto& [what, heard, asked, at, answered] : rows) {
        SCOPED_TRACE(what);
        ArpResponder responder;
        responder.noteHeard(heard, 0);
        const auto reply = responder.answer(asked, at, kWindow);
        ASSERT_EQ(reply.has_value(), answered);
        if (answered) {
            EXPECT_EQ(route(*reply), "KV1B>NOCALL-7");
            EXPECT_EQ(reply->pid, kPidArp);
            EXPECT_EQ(reply->info,
                      bytes(ax25Arp("02" + kKv1bHw + kStationIp + kNocall7Hw + kHostIp)));
        }
    }
}

TEST(ArpRequestFilter, BroadcastRequestForAnAddressGoesOnceInEachWindow) {
    ArpRequestFilter filter;
    // Request, when, dropped as a repeat (window 3000 ms).
    const std::tuple<Ax25Frame, std::int64_t, bool> rows[] = {
        {request("QST", kStationIp), 0, false},          {request("QST", kStationIp), 1000, true},
        {request("QST", kOtherIp), 1000, false},         {request("QST", kStationIp), 2999, true},
        {request("QST", kStationIp), 3000, false},       {request("KV1B", kStationIp), 3001, false},
        {request("QST", kStationIp, "02"), 3002, false}, {ipFromKv1b(), 3003, false}};
    for (const auto& [frame, at, repeat] : rows) {
        EXPECT_EQ(filter.isRepeat(frame, at, 3000), repeat) << at;
    }
}

TEST(NeighbourTimers, SlowerRadiosProbeLessOftenAndTrustLonger) {
    // Rate; probe interval and reachable time in ms (probes stay 3 and 3).
    const std::tuple<int, int, int> rows[] = {
        {0, 1000, 30000},      {-5, 1000, 30000},     {1200, 8000, 300000}, {9600, 1000, 37500},
        {300, 32000, 1200000}, {100, 60000, 3600000}, {115200, 1000, 30000}};
    for (const auto& [rate, retrans, reachable] : rows) {
        const NeighbourTimers t = neighbourTimersFor(rate);
        EXPECT_EQ(
            std::tuple(t.retransTimeMs, t.baseReachableTimeMs, t.unicastProbes, t.multicastProbes),
            std::tuple(retrans, reachable, 3, 3))
            << rate;
    }
}

}  // namespace
}  // namespace korvale::testing
