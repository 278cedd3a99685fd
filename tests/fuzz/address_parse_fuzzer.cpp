// Arbitrary text through the address and list parsers: parsed addresses are
// clean and survive every form they are written in.
#include <cctype>

#include "fuzz_support.h"
#include "gateway/address_mapping.h"

using namespace korvale::fuzzing;

static void checkParsedAddress(const Ax25Address& address) {
    const auto upperOrDigit = [](unsigned char c) { return std::isupper(c) || std::isdigit(c); };
    check(!address.empty() && std::ranges::all_of(address.callsignText(), upperOrDigit));
    check(address.ssid <= kMaxSsid && address.toText().size() <= kAddressTextMaxLength);
    Ax25Address again;
    check(again.parse(address.toText()) && again == address);
    // QST maps to the broadcast forms by design; every other address must
    // come back from its hardware forms. (The own address, which maps to the
    // adapter's "SMRDRV", stays empty here.)
    if (address.callsignText() != "QST") {
        check(arpHardwareToCall(callToArpHardware(address)) == address);
        check((callToMac(address)[0] & 0x01) == 0 && macToCall(callToMac(address)) == address);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    Ax25Address address;
    if (address.parse(text)) {
        checkParsedAddress(address);
    } else {
        check(address == Ax25Address{});  // a failed parse leaves the address alone
    }
    // A list is read whole or reported as -1; what was read comes back from
    // its text.
    AddressList list;
    const int count = list.parse(text);
    std::ranges::for_each(list, checkParsedAddress);
    AddressList again;
    check(count == -1 ||
          (count == list.count() && again.parse(list.toText()) == count && again == list));
    return 0;
}
