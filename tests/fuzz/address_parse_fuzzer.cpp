// Text through the address and list parsers: what parses is clean and survives every form of it.
#include <cctype>

#include "fuzz_support.h"
#include "gateway/address_mapping.h"

static void checkParsedAddress(const Ax25Address& address) {
    const auto upperOrDigit = [](unsigned char c) { return std::isupper(c) || std::isdigit(c); };
    check(!address.empty() && std::ranges::all_of(address.callsignText(), upperOrDigit));
    check(address.ssid <= kMaxSsid && address.toText().size() <= kAddressTextMaxLength);
    Ax25Address again;
    check(again.parse(address.toText()) && again == address);
    check(address.callsignText() == "QST" ||
          (arpHardwareToCall(callToArpHardware(address)) == address &&
           (callToMac(address)[0] & 0x01) == 0 && macToCall(callToMac(address)) == address));
}

FUZZ_TARGET(0) {
    Ax25Address address;  // a failed parse leaves it alone
    address.parse(AsText(data)) ? checkParsedAddress(address) : check(address == Ax25Address{});
    AddressList list, again;
    const int count = list.parse(AsText(data));
    std::ranges::for_each(list, checkParsedAddress);
    check(count == -1 ||
          (count == list.count() && again.parse(list.toText()) == count && again == list));
}
