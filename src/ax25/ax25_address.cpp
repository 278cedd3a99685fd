#include "ax25/ax25_address.h"

#include <algorithm>

namespace korvale {

namespace {

// A callsign character and an empty position both appear as a space
// shifted left by one bit in the wire form.
constexpr std::uint8_t kShiftedSpace = 0x40;
constexpr std::uint8_t kSsidFieldMask = 0x0F;
constexpr char kFirstListByte = 0x21;  // bytes of a list token: 0x21..0x7F
constexpr char kLastListByte = 0x7F;

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

char toUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isTokenByte(char c) {
    return c >= kFirstListByte && c <= kLastListByte;
}

}  // namespace

bool Ax25Address::parse(std::string_view text) {
    // The text form is a C-style string in the settings and dialogs: it ends
    // at a NUL, wherever the view's length says it ends.
    text = text.substr(0, text.find('\0'));
    if (text.empty() || text.size() > kAddressTextMaxLength) {
        return false;
    }
    std::array<char, kCallsignMaxLength + 1> parsed{};
    std::size_t length = 0;
    while (length < text.size() && isAsciiLetterOrDigit(text[length])) {
        if (length == kCallsignMaxLength) {
            return false;
        }
        parsed[length] = toUpperAscii(text[length]);
        ++length;
    }
    if (length == 0) {
        return false;
    }
    const std::string_view rest = text.substr(length);
    int parsedSsid = 0;
    if (!rest.empty()) {
        if (rest.size() != 2 && rest.size() != 3) {
            return false;
        }
        if (rest[0] != '-') {
            return false;
        }
        for (char digit : rest.substr(1)) {
            if (!isDecimalDigit(digit)) {
                return false;
            }
            parsedSsid = parsedSsid * 10 + (digit - '0');
        }
        if (parsedSsid > kMaxSsid) {
            return false;
        }
    }
    callsign = parsed;
    ssid = static_cast<std::uint8_t>(parsedSsid);
    return true;
}

std::string Ax25Address::toText() const {
    std::string text(callsignText());
    if (ssid != 0) {
        text += '-';
        text += std::to_string(ssid);
    }
    return text;
}

std::string_view Ax25Address::callsignText() const {
    const auto end = std::find(callsign.begin(), callsign.end(), '\0');
    return std::string_view(callsign.data(), static_cast<std::size_t>(end - callsign.begin()));
}

void Ax25Address::setCallsign(std::string_view text) {
    callsign.fill('\0');
    for (std::size_t i = 0; i < text.size() && i < kCallsignMaxLength && text[i] != '\0'; ++i) {
        callsign[i] = text[i];
    }
}

void Ax25Address::decodeWire(std::span<const std::uint8_t, kAddressWireSize> field) {
    callsign.fill('\0');
    for (std::size_t i = 0; i < kCallsignMaxLength; ++i) {
        const auto character = static_cast<std::uint8_t>(field[i] >> 1);
        // A shifted space pads the field; control characters cannot be part
        // of a callsign either, and would otherwise corrupt the monitor line.
        if (character <= ' ') {
            break;
        }
        callsign[i] = static_cast<char>(character);
    }
    ssid = static_cast<std::uint8_t>((field[kCallsignMaxLength] >> 1) & kSsidFieldMask);
}

void Ax25Address::encodeWire(std::span<std::uint8_t, kAddressWireSize> field) const {
    std::fill(field.begin(), field.begin() + kCallsignMaxLength, kShiftedSpace);
    for (std::size_t i = 0; i < kCallsignMaxLength && callsign[i] != '\0'; ++i) {
        field[i] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(callsign[i]) << 1);
    }
    field[kCallsignMaxLength] = static_cast<std::uint8_t>((ssid & kSsidFieldMask) << 1);
}

AddressList::AddressList(int capacity)
    // The storage is fixed at the program's one list size; a larger request
    // cannot be honoured, so it is held to what the storage can take.
    : capacity_(std::clamp(capacity, 0, kAddressListCapacity)) {}

bool AddressList::append(const Ax25Address& address) {
    if (count_ >= capacity_) {
        return false;
    }
    items_[static_cast<std::size_t>(count_)] = address;
    ++count_;
    return true;
}

bool AddressList::assign(const AddressList& other) {
    if (other.count_ > capacity_) {
        return false;
    }
    clear();
    for (const Ax25Address& address : other) {
        append(address);
    }
    return true;
}

int AddressList::parse(std::string_view text) {
    clear();
    std::size_t position = 0;
    while (true) {
        while (position < text.size() && text[position] == ' ') {
            ++position;
        }
        if (position >= text.size() || !isTokenByte(text[position])) {
            return count_;
        }
        const std::size_t start = position;
        while (position < text.size() && isTokenByte(text[position])) {
            ++position;
        }
        // A token longer than an address is read from its first nine
        // characters, as the settings have always done.
        const std::string_view token =
            text.substr(start, std::min(position - start, kAddressTextMaxLength));
        Ax25Address address;
        if (!address.parse(token)) {
            return -1;
        }
        if (!append(address)) {
            return -1;
        }
    }
}

std::string AddressList::toText() const {
    std::string text;
    for (int i = 0; i < count_; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += items_[static_cast<std::size_t>(i)].toText();
    }
    return text;
}

bool operator==(const AddressList& a, const AddressList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
}

}  // namespace korvale
