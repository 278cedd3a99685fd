// Arbitrary text through the address and list parsers, and arbitrary bytes
// through the hardware address mappings. Parsed addresses must be clean and
// survive every form they are written in.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ax25/ax25_address.h"
#include "gateway/address_mapping.h"
#include "gateway/gateway_globals.h"

namespace {

using korvale::AddressList;
using korvale::Ax25Address;

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

bool cleanCallsign(const Ax25Address& address) {
    for (char c : address.callsignText()) {
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
            return false;
        }
    }
    return !address.empty();
}

void checkParsedAddress(const Ax25Address& address) {
    check(cleanCallsign(address));
    check(address.ssid <= korvale::kMaxSsid);
    const std::string text = address.toText();
    check(text.size() <= korvale::kAddressTextMaxLength);
    Ax25Address again;
    check(again.parse(text) && again == address);

    std::array<std::uint8_t, korvale::kAddressWireSize> field{};
    address.encodeWire(field);
    Ax25Address fromWire;
    fromWire.decodeWire(field);
    check(fromWire == address);

    if (address.callsignText() != "QST") {
        check(korvale::arpHardwareToCall(korvale::callToArpHardware(address)) == address);
        if (!(address == korvale::GatewayOwnAddress)) {
            const korvale::MacAddress mac = korvale::callToMac(address);
            check((mac[0] & 0x01) == 0);
            check(korvale::macToCall(mac) == address);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    korvale::GatewayOwnAddress.setCallsign("NOCALL");
    korvale::GatewayOwnAddress.ssid = 7;

    Ax25Address address;
    if (address.parse(text)) {
        checkParsedAddress(address);
    } else {
        check(address == Ax25Address{});
    }

    AddressList list;
    const int count = list.parse(text);
    check(count >= -1 && count <= korvale::kAddressListCapacity);
    check(list.count() <= korvale::kAddressListCapacity);
    for (const Ax25Address& item : list) {
        checkParsedAddress(item);
    }
    if (count >= 0) {
        check(count == list.count());
        AddressList again;
        check(again.parse(list.toText()) == count && again == list);
    }

    if (size >= 7) {
        korvale::MacAddress mac{};
        korvale::ArpHardwareAddress hardware{};
        for (std::size_t i = 0; i < 6; ++i) {
            mac[i] = data[i];
        }
        for (std::size_t i = 0; i < 7; ++i) {
            hardware[i] = data[i];
        }
        const Ax25Address fromMac = korvale::macToCall(mac);
        check(fromMac.ssid <= korvale::kMaxSsid);
        const Ax25Address fromArp = korvale::arpHardwareToCall(hardware);
        check(fromArp.ssid <= korvale::kMaxSsid);
        for (char c : fromArp.callsignText()) {
            check(static_cast<unsigned char>(c) > 0x20);
        }
    }
    return 0;
}
