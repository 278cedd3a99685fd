// The two socket chores of a TCP server, for the KISS server
// (kiss_server.h): a listening socket at a host:port, and a peer's address as
// the user reads it. Any thread; the look-up may wait on the resolver.
#pragma once

#include <sys/socket.h>

#include <string>

#include "kiss/tnc_address.h"

namespace korvale {

// A non-blocking, close-on-exec socket listening at `address` (the first of
// its look-up's results that binds), or -1.
int OpenTcpListener(const TncAddress& address, int backlog);

// "127.0.0.1:40512", "[::1]:40512"; an IPv4 peer of a listener on [::] shows
// as IPv4. "?" when the address cannot be read.
std::string PeerText(const sockaddr_storage& address, socklen_t length);

}  // namespace korvale
