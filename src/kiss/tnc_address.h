// The address of a TNC reached over TCP, as the setting m_sTncTcpAddress
// holds it: "host:port", the host a name, an IPv4 address or an IPv6 address
// in brackets ("[fe80::1%eth0]:8001"), the port 1 to 65535. Plain logic, any
// thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvale {

// The port soft-modem TNCs usually offer KISS on.
inline constexpr std::uint16_t kUsualKissTcpPort = 8001;

struct TncAddress {
    std::string host;  // a name or an address, without brackets
    std::uint16_t port = 0;
};

// The address, or nothing when `text` is not host:port by the rules above
// (blanks anywhere, an IPv6 address without brackets, a missing or bad port,
// a malformed name or dotted address).
std::optional<TncAddress> ParseTncAddress(std::string_view text);

}  // namespace korvale
