#include "gateway/address_mapping.h"

#include <string_view>

#include "gateway/gateway_globals.h"

namespace korvale {

namespace {

constexpr std::string_view kDefaultOwnCallsign = "NOCALL";

constexpr std::size_t kShiftedCharacters = 2;  // bytes 0 and 1 of a packed callsign
constexpr std::uint8_t kGroupBit = 0x01;       // bit 0 of byte 0: broadcast or multicast
constexpr std::uint8_t kPackedSsidBit = 0x02;  // one SSID bit in each of bytes 2 to 5
constexpr int kPackedCodeShift = 2;
constexpr int kDigitCodeFirst = 1;    // "0" to "9" are 1 to 10
constexpr int kLetterCodeFirst = 11;  // A to Z are 11 to 36
constexpr int kLetterCodeLast = 36;

int sixBitCode(char character) {
    if (character >= '0' && character <= '9') {
        return kDigitCodeFirst + (character - '0');
    }
    if (character >= 'A' && character <= 'Z') {
        return kLetterCodeFirst + (character - 'A');
    }
    return 0;
}

char characterOfCode(int code) {
    if (code >= kDigitCodeFirst && code < kLetterCodeFirst) {
        return static_cast<char>('0' + (code - kDigitCodeFirst));
    }
    if (code >= kLetterCodeFirst && code <= kLetterCodeLast) {
        return static_cast<char>('A' + (code - kLetterCodeFirst));
    }
    return '\0';
}

}  // namespace

MacAddress callToMac(const Ax25Address& address) {
    if (isBroadcastStation(address)) {
        return kBroadcastMac;
    }
    if (address == GatewayOwnAddress) {
        return kAdapterMac;
    }
    // callsign holds NULs after its end, so the six characters are there.
    const auto& characters = address.callsign;
    MacAddress mac{};
    for (std::size_t i = 0; i < kShiftedCharacters; ++i) {
        mac[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(characters[i]) << 1);
    }
    for (std::size_t i = kShiftedCharacters; i < mac.size(); ++i) {
        const int ssidBit = (address.ssid >> (i - kShiftedCharacters)) & 1;
        mac[i] = static_cast<std::uint8_t>((sixBitCode(characters[i]) << kPackedCodeShift) |
                                           (ssidBit << 1));
    }
    return mac;
}

MacAddress callToArpMac(const Ax25Address& address) {
    if (isBroadcastStation(address)) {
        return MacAddress{};
    }
    return callToMac(address);
}

Ax25Address macToCall(const MacAddress& mac) {
    if (mac == kAdapterMac) {
        const Ax25Address own = GatewayOwnAddress;
        if (own.empty() || own.callsign[0] == ' ') {
            Ax25Address fallback;
            fallback.setCallsign(kDefaultOwnCallsign);
            return fallback;
        }
        return own;
    }
    if ((mac[0] & kGroupBit) != 0 || mac == MacAddress{}) {
        return broadcastStation();
    }
    std::array<char, kCallsignMaxLength> characters{};
    int ssid = 0;
    for (std::size_t i = 0; i < kShiftedCharacters; ++i) {
        characters[i] = static_cast<char>(mac[i] >> 1);
    }
    for (std::size_t i = kShiftedCharacters; i < mac.size(); ++i) {
        characters[i] = characterOfCode(mac[i] >> kPackedCodeShift);
        if ((mac[i] & kPackedSsidBit) != 0) {
            ssid |= 1 << (i - kShiftedCharacters);
        }
    }
    Ax25Address address;
    // setCallsign stops at the first NUL, which ends the callsign there.
    address.setCallsign(std::string_view(characters.data(), characters.size()));
    address.ssid = static_cast<std::uint8_t>(ssid);
    return address;
}

}  // namespace korvale
