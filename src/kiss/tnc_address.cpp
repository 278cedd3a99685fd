#include "kiss/tnc_address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace korvale {
namespace {

constexpr std::size_t kMaxHostNameLength = 253;
constexpr std::size_t kMaxLabelLength = 63;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::optional<std::uint16_t> parsePort(std::string_view text) {
    if (text.empty() || text.size() > 5 || !std::ranges::all_of(text, isDigit)) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : text) {
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// An IPv6 address, optionally with a zone ("%eth0") as link-local ones need.
bool isIpv6(std::string_view text) {
    const std::size_t percent = text.find('%');
    const std::string address(text.substr(0, percent));
    if (percent != std::string_view::npos) {
        const std::string_view zone = text.substr(percent + 1);
        const auto zoneCharacter = [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_' ||
                   c == '.';
        };
        if (zone.empty() || !std::ranges::all_of(zone, zoneCharacter)) {
            return false;
        }
    }
    in6_addr parsed{};
    return ::inet_pton(AF_INET6, address.c_str(), &parsed) == 1;
}

// A host name of dot-separated labels of letters, digits, '-' and '_'. A name
// made only of digits and dots must be a dotted IPv4 address, so that a typo
// like 192.168.1.300 is refused rather than looked up as a name.
bool isHostName(std::string_view text) {
    if (text.empty() || text.size() > kMaxHostNameLength) {
        return false;
    }
    bool allNumeric = true;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view label = text.substr(start, dot - start);
        const auto labelCharacter = [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '_';
        };
        if (label.empty() || label.size() > kMaxLabelLength || label.front() == '-' ||
            label.back() == '-' || !std::ranges::all_of(label, labelCharacter)) {
            return false;
        }
        allNumeric = allNumeric && std::ranges::all_of(label, isDigit);
        start = dot + 1;
    }
    if (allNumeric) {
        const std::string address(text);
        in_addr parsed{};
        return ::inet_pton(AF_INET, address.c_str(), &parsed) == 1;
    }
    return true;
}

}  // namespace

std::optional<TncAddress> ParseTncAddress(std::string_view text) {
    std::string_view host;
    std::string_view port;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') {
            return std::nullopt;
        }
        host = text.substr(1, close - 1);
        port = text.substr(close + 2);
        if (!isIpv6(host)) {
            return std::nullopt;
        }
    } else {
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos ||
            text.find(':', colon + 1) != std::string_view::npos) {
            return std::nullopt;  // no port, or an IPv6 address without brackets
        }
        host = text.substr(0, colon);
        port = text.substr(colon + 1);
        if (!isHostName(host)) {
            return std::nullopt;
        }
    }
    const std::optional<std::uint16_t> number = parsePort(port);
    if (!number) {
        return std::nullopt;
    }
    return TncAddress{std::string(host), *number};
}

}  // namespace korvale
