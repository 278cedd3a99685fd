// Process-wide values of the gateway, read afresh on every frame so that a
// change in the settings takes effect with the next frame. They are loaded
// from the settings at start and changed by the TCP/IP settings dialog; all
// access is on the main thread.
#pragma once

#include "ax25/ax25_address.h"

namespace korvale {

// The gateway's own address (INI "TcpIpMyCall"); empty until settings load.
inline Ax25Address GatewayOwnAddress;

// Drop broadcast and multicast IP frames from the host (INI
// "SuppressBroadcasts"); non-zero means on.
inline int SuppressBroadcasts = 1;

// The serial bit rate to report to the adapter as its link speed, a copy of
// m_iTncBaudrate that the engine tick refreshes on every tick.
inline int GatewayLinkBitRate = 0;

}  // namespace korvale
