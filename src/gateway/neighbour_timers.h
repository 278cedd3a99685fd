// The host's neighbour (ARP) timers for the adapter, chosen for the radio's
// bit rate. Linux re-checks a neighbour with probes one second apart and
// gives up after three; on a 1200 bit/s channel one frame of another station
// can hold the air longer than that, so the host would drop a neighbour that
// is there and flood the channel with broadcast requests. Slower radios get
// proportionally longer probe intervals and longer reachable times.
#pragma once

namespace korvale {

struct NeighbourTimers {
    int retransTimeMs = 1000;         // between two probes
    int baseReachableTimeMs = 30000;  // a confirmed neighbour is trusted this long
    int unicastProbes = 3;            // re-probes of a known neighbour
    int multicastProbes = 3;          // broadcast requests for an unknown one
};

// Linux's own values for a rate of 0 or less; otherwise the probe interval
// is 8 s at 1200 bit/s (between 1 s and 60 s) and the reachable time 5 min at
// 1200 bit/s (between 30 s and 1 h), both scaled inversely with the rate.
NeighbourTimers neighbourTimersFor(int airBitsPerSecond);

}  // namespace korvale
