// AX.25 station addresses and bounded address lists.
//
// An Ax25Address is a callsign of at most six characters plus an SSID of 0 to
// 15. It converts between the text users type ("NOCALL-7"), the text shown in
// the monitor, and the seven-byte shifted field of an AX.25 frame. Addresses
// made by parse() hold only A-Z and 0-9; addresses decoded from the wire or
// from an Ethernet address may hold other characters and are never rejected.
//
// An AddressList is a list with a capacity fixed at creation (always 7 in this
// program); it carries digipeater paths and the call lists of the settings.
// Nothing here throws: failures are return values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvale {

inline constexpr std::size_t kCallsignMaxLength = 6;     // characters, without the NUL
inline constexpr std::size_t kAddressTextMaxLength = 9;  // "ABCDEF-15"
inline constexpr std::size_t kAddressWireSize = 7;       // six shifted characters, SSID byte
inline constexpr int kMaxSsid = 15;
inline constexpr int kAddressListCapacity = 7;  // every list in the program

struct Ax25Address {
    // NUL-terminated; every byte after the terminator is NUL too, so two
    // addresses compare equal exactly when their callsign strings and SSIDs do.
    std::array<char, kCallsignMaxLength + 1> callsign{};
    std::uint8_t ssid = 0;

    // Reads the text form ("nocall-7" gives NOCALL, SSID 7); the text ends at
    // the view's end or at a NUL. On failure the address keeps its previous
    // value.
    bool parse(std::string_view text);

    // Callsign, then "-" and the SSID in decimal when the SSID is not 0.
    std::string toText() const;

    // The callsign as a view of its characters up to the NUL.
    std::string_view callsignText() const;

    // Sets the callsign from at most six characters (stopping at a NUL), with
    // no validation; used by decoders and by tests.
    void setCallsign(std::string_view text);

    // Sets the address from an AX.25 address field; flag bits are ignored.
    void decodeWire(std::span<const std::uint8_t, kAddressWireSize> field);

    // Writes the address as an AX.25 address field without any flag bits:
    // shifted characters padded with shifted spaces, SSID << 1 in byte 6.
    void encodeWire(std::span<std::uint8_t, kAddressWireSize> field) const;

    bool empty() const { return callsign[0] == '\0'; }
    friend bool operator==(const Ax25Address&, const Ax25Address&) = default;
};

class AddressList {
  public:
    // An empty list of the program's one capacity; not explicit, so that
    // "{}" passes an empty path.
    AddressList() : AddressList(kAddressListCapacity) {}
    // A capacity above kAddressListCapacity is held to it (the storage is
    // fixed); a negative one is taken as 0.
    explicit AddressList(int capacity);

    int count() const { return count_; }
    int capacity() const { return capacity_; }
    bool empty() const { return count_ == 0; }

    // Index must be in [0, count()).
    const Ax25Address& operator[](int index) const { return items_[index]; }
    const Ax25Address* begin() const { return items_.data(); }
    const Ax25Address* end() const { return items_.data() + count_; }

    void clear() { count_ = 0; }

    // Adds a copy at the end; false with the list unchanged when full.
    bool append(const Ax25Address& address);

    // Makes this list a copy of other; false with the list unchanged when
    // other holds more addresses than this list's capacity.
    bool assign(const AddressList& other);

    // Reads a list of addresses separated by spaces (0x20 only); the text ends
    // at the first byte outside 0x21..0x7F that is not a space. Returns the
    // number read, or -1 when a token is not an address or the list
    // overflows; the list then keeps the addresses read before the failure.
    int parse(std::string_view text);

    // The text forms joined by single spaces ("" for an empty list).
    std::string toText() const;

    friend bool operator==(const AddressList& a, const AddressList& b);

  private:
    std::array<Ax25Address, kAddressListCapacity> items_{};
    int capacity_;
    int count_ = 0;
};

}  // namespace korvale
