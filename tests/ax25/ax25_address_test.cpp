// Addresses and address lists: the text form users type, the text the
// monitor shows, and the seven-byte field of an AX.25 frame.
#include "ax25/ax25_address.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>

namespace korvale {
namespace {

Ax25Address addressOf(std::string_view callsign, int ssid) {
    Ax25Address address;
    address.setCallsign(callsign);
    address.ssid = static_cast<std::uint8_t>(ssid);
    return address;
}

std::array<std::uint8_t, kAddressWireSize> wireOf(const Ax25Address& address) {
    std::array<std::uint8_t, kAddressWireSize> field{};
    address.encodeWire(field);
    return field;
}

// ---- Ax25Address::parse ----

TEST(AddressParse, LowerCaseTextIsReadAsUpperCaseCallsignWithSsid) {
    Ax25Address address;
    ASSERT_TRUE(address.parse("nocall-7"));
    EXPECT_EQ(address.callsignText(), "NOCALL");
    EXPECT_EQ(address.ssid, 7);
}

TEST(AddressParse, RejectsMalformedTextAndKeepsPreviousValue) {
    for (const char* text : {"", "NOCALL-16", "NOCALL-", "NOCALL 7", "NOCALL-1X", "-1", "ABCDEFG",
                             "N0CALL-015", "NOCALL+7", "NOCALL--7", "NOCALL-1-", "ABCDEFGHIJ",
                             " NOCALL", "NOC@LL", "NOCALL-99", "NOCALL7-1"}) {
        Ax25Address address = addressOf("KEEP", 3);
        EXPECT_FALSE(address.parse(text)) << '"' << text << '"';
        EXPECT_EQ(address, addressOf("KEEP", 3)) << '"' << text << '"';
    }
}

TEST(AddressParse, AcceptsLeadingZerosAndBoundarySsids) {
    Ax25Address address;
    ASSERT_TRUE(address.parse("NOCALL-05"));
    EXPECT_EQ(address.ssid, 5);
    ASSERT_TRUE(address.parse("NOCALL-00"));
    EXPECT_EQ(address.ssid, 0);
    ASSERT_TRUE(address.parse("N0CALL-15"));
    EXPECT_EQ(address, addressOf("N0CALL", 15));
    ASSERT_TRUE(address.parse("A"));
    EXPECT_EQ(address, addressOf("A", 0));
}

TEST(AddressParse, QstIsAnOrdinaryCallsign) {
    Ax25Address address;
    ASSERT_TRUE(address.parse("QST"));
    EXPECT_EQ(address, addressOf("QST", 0));
}

TEST(AddressParse, ShorterCallsignLeavesNoStaleCharactersBehind) {
    Ax25Address address;
    ASSERT_TRUE(address.parse("ABCDEF-1"));
    ASSERT_TRUE(address.parse("XY"));
    EXPECT_EQ(address, addressOf("XY", 0));
    EXPECT_EQ(address.callsign[2], '\0');
    EXPECT_EQ(address.callsign[5], '\0');
}

TEST(AddressParse, TextEndsAtEmbeddedNul) {
    Ax25Address address;
    ASSERT_TRUE(address.parse(std::string_view("AB1CDE-7\0garbage", 16)));
    EXPECT_EQ(address, addressOf("AB1CDE", 7));
}

TEST(AddressParse, NonAsciiLettersAreNotCallsignCharacters) {
    Ax25Address address;
    EXPECT_FALSE(address.parse("\xC4\x42\x43"));
    EXPECT_FALSE(address.parse("AB\xE4"));
}

// ---- toText ----

TEST(AddressText, SsidZeroHasNoHyphenAndTwoDigitSsidsShowBothDigits) {
    EXPECT_EQ(addressOf("NOCALL", 0).toText(), "NOCALL");
    EXPECT_EQ(addressOf("NOCALL", 7).toText(), "NOCALL-7");
    EXPECT_EQ(addressOf("NOCALL", 10).toText(), "NOCALL-10");
    EXPECT_EQ(addressOf("AB1CDE", 15).toText(), "AB1CDE-15");
    EXPECT_EQ(Ax25Address{}.toText(), "");
}

TEST(AddressText, ParseOfTextFormGivesTheSameAddress) {
    for (int ssid = 0; ssid <= kMaxSsid; ++ssid) {
        const Ax25Address original = addressOf("K9XYZ", ssid);
        Ax25Address parsed;
        ASSERT_TRUE(parsed.parse(original.toText()));
        EXPECT_EQ(parsed, original);
    }
}

// ---- wire form ----

TEST(AddressWire, EncodeShiftsCharactersPadsWithShiftedSpacesAndShiftsSsid) {
    const std::array<std::uint8_t, 7> expected = {'A' << 1, 'B' << 1, '1' << 1, 0x40,
                                                  0x40,     0x40,     11 << 1};
    EXPECT_EQ(wireOf(addressOf("AB1", 11)), expected);
}

TEST(AddressWire, EmptyCallsignEncodesAsSixShiftedSpaces) {
    const std::array<std::uint8_t, 7> expected = {0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x0A};
    EXPECT_EQ(wireOf(addressOf("", 5)), expected);
}

TEST(AddressWire, EncodeSetsNoFlagBitsEvenForOutOfRangeSsid) {
    const auto field = wireOf(addressOf("NOCALL", 0xFF));
    EXPECT_EQ(field[6], 0x1E);
}

TEST(AddressWire, EncodeFillsAllSevenBytesOverwritingOldContent) {
    std::array<std::uint8_t, 7> field;
    field.fill(0xFF);
    addressOf("", 0).encodeWire(field);
    const std::array<std::uint8_t, 7> expected = {0x40, 0x40, 0x40, 0x40, 0x40, 0x40, 0x00};
    EXPECT_EQ(field, expected);
}

TEST(AddressWire, DecodeIgnoresFlagBitsOfSsidByte) {
    const std::array<std::uint8_t, 7> field = {'N' << 1, 'O' << 1, 'C' << 1,       'A' << 1,
                                               'L' << 1, 'L' << 1, 0xE1 | (9 << 1)};
    Ax25Address address;
    address.decodeWire(field);
    EXPECT_EQ(address, addressOf("NOCALL", 9));
}

TEST(AddressWire, DecodeOfLeadingShiftedSpaceGivesEmptyCallsign) {
    const std::array<std::uint8_t, 7> field = {0x40, 'A' << 1, 'B' << 1, 0x40, 0x40, 0x40, 0x00};
    Ax25Address address = addressOf("OLD", 4);
    address.decodeWire(field);
    EXPECT_TRUE(address.empty());
    EXPECT_EQ(address, addressOf("", 0));
}

TEST(AddressWire, DecodePassesLowerCaseAndPunctuationThrough) {
    const std::array<std::uint8_t, 7> field = {'a' << 1, 'b' << 1, '/' << 1, '~' << 1,
                                               'z' << 1, '!' << 1, 0x60};
    Ax25Address address;
    address.decodeWire(field);
    EXPECT_EQ(address.callsignText(), "ab/~z!");
}

TEST(AddressWire, DecodeStopsAtControlCharacterAndClearsTheRest) {
    // 0x0A shifted: a line feed must not reach the monitor as part of a call.
    const std::array<std::uint8_t, 7> field = {'A' << 1, 'B' << 1, 0x0A << 1, 'C' << 1,
                                               'D' << 1, 'E' << 1, 0x00};
    Ax25Address address = addressOf("ZZZZZZ", 0);
    address.decodeWire(field);
    EXPECT_EQ(address.callsignText(), "AB");
    EXPECT_EQ(address, addressOf("AB", 0));
}

TEST(AddressWire, EveryParsedAddressSurvivesTheWire) {
    for (const char* text : {"A", "AB1CDE-15", "N0CALL-1", "QST", "9Z9Z9Z-9"}) {
        Ax25Address original;
        ASSERT_TRUE(original.parse(text));
        Ax25Address decoded;
        decoded.decodeWire(wireOf(original));
        EXPECT_EQ(decoded, original) << text;
    }
}

// ---- setCallsign ----

TEST(AddressSetCallsign, KeepsAtMostSixCharactersAndStopsAtNul) {
    Ax25Address address;
    address.setCallsign("ABCDEFGH");
    EXPECT_EQ(address.callsignText(), "ABCDEF");
    address.setCallsign(std::string_view("XY\0Z", 4));
    EXPECT_EQ(address.callsignText(), "XY");
    EXPECT_EQ(address, addressOf("XY", 0));
}

// ---- AddressList ----

TEST(AddressList, NewListIsEmptyWithItsCapacity) {
    const AddressList list(7);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(list.capacity(), 7);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(list.toText(), "");
}

TEST(AddressList, CapacityBeyondStorageIsHeldToStorage) {
    AddressList list(100);
    EXPECT_EQ(list.capacity(), kAddressListCapacity);
    for (int i = 0; i < kAddressListCapacity; ++i) {
        EXPECT_TRUE(list.append(addressOf("A", i)));
    }
    EXPECT_FALSE(list.append(addressOf("B", 0)));
    EXPECT_EQ(AddressList(-3).capacity(), 0);
}

TEST(AddressList, AppendToFullListFailsAndLeavesListUnchanged) {
    AddressList list(2);
    ASSERT_TRUE(list.append(addressOf("ONE", 1)));
    ASSERT_TRUE(list.append(addressOf("TWO", 2)));
    EXPECT_FALSE(list.append(addressOf("THREE", 3)));
    EXPECT_EQ(list.count(), 2);
    EXPECT_EQ(list.toText(), "ONE-1 TWO-2");
}

TEST(AddressList, AssignOfFullListIntoSameCapacityCopiesEveryAddress) {
    AddressList source(7);
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(source.append(addressOf(std::string(1, static_cast<char>('A' + i)), i + 1)));
    }
    AddressList target(7);
    ASSERT_TRUE(target.append(addressOf("OLD", 0)));
    ASSERT_TRUE(target.assign(source));
    EXPECT_EQ(target.count(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(target[i], source[i]);
    }
    EXPECT_EQ(target, source);
}

TEST(AddressList, AssignOfLongerListFailsAndKeepsTarget) {
    AddressList source(7);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(source.append(addressOf("X", i)));
    }
    AddressList target(2);
    ASSERT_TRUE(target.append(addressOf("KEEP", 1)));
    EXPECT_FALSE(target.assign(source));
    EXPECT_EQ(target.toText(), "KEEP-1");
}

TEST(AddressList, ListsDifferingInOneAddressAreNotEqual) {
    AddressList a;
    AddressList b;
    ASSERT_TRUE(a.append(addressOf("A", 1)));
    ASSERT_TRUE(b.append(addressOf("A", 2)));
    EXPECT_FALSE(a == b);
    b.clear();
    EXPECT_FALSE(a == b);
}

// ---- AddressList::parse ----

TEST(AddressListParse, EmptyOrBlankTextGivesEmptyList) {
    AddressList list;
    ASSERT_TRUE(list.append(addressOf("OLD", 0)));
    EXPECT_EQ(list.parse(""), 0);
    EXPECT_TRUE(list.empty());
    ASSERT_TRUE(list.append(addressOf("OLD", 0)));
    EXPECT_EQ(list.parse("     "), 0);
    EXPECT_TRUE(list.empty());
}

TEST(AddressListParse, ReadsSpaceSeparatedAddressesInOrder) {
    AddressList list;
    EXPECT_EQ(list.parse("  relay  wide2-2 n0call-15 "), 3);
    EXPECT_EQ(list.toText(), "RELAY WIDE2-2 N0CALL-15");
}

TEST(AddressListParse, EightAddressesOverflowKeepingTheFirstSeven) {
    AddressList list;
    EXPECT_EQ(list.parse("A1 A2 A3 A4 A5 A6 A7 A8"), -1);
    EXPECT_EQ(list.count(), 7);
    EXPECT_EQ(list.toText(), "A1 A2 A3 A4 A5 A6 A7");
}

TEST(AddressListParse, LongTokenIsReadFromItsFirstNineCharacters) {
    AddressList list;
    EXPECT_EQ(list.parse("N0CALL-015"), 1);
    EXPECT_EQ(list[0], addressOf("N0CALL", 1));
    EXPECT_EQ(list.parse("NOCALL-150"), 1);
    EXPECT_EQ(list[0], addressOf("NOCALL", 15));
}

TEST(AddressListParse, InvalidTokenFailsKeepingEarlierAddresses) {
    AddressList list;
    EXPECT_EQ(list.parse("RELAY BAD-99 WIDE"), -1);
    EXPECT_EQ(list.toText(), "RELAY");
}

TEST(AddressListParse, TabsAndCommasAreNotSeparators) {
    AddressList list;
    // A tab is outside 0x21..0x7F, so the text ends there.
    EXPECT_EQ(list.parse("RELAY\tWIDE"), 1);
    EXPECT_EQ(list.toText(), "RELAY");
    // A comma is part of the token, which then is not an address.
    EXPECT_EQ(list.parse("RELAY,WIDE"), -1);
    EXPECT_TRUE(list.empty());
}

TEST(AddressListParse, TextEndsAtNulControlOrHighByte) {
    AddressList list;
    EXPECT_EQ(list.parse(std::string_view("ONE\0TWO", 7)), 1);
    EXPECT_EQ(list.parse("ONE \x01TWO"), 1);
    EXPECT_EQ(list.parse("ONE \xC4TWO"), 1);
    EXPECT_EQ(list.parse("ONE TWO\r\nTHREE"), 2);
    EXPECT_EQ(list.toText(), "ONE TWO");
}

TEST(AddressListParse, RespectsSmallerCapacity) {
    AddressList list(1);
    EXPECT_EQ(list.parse("ONE TWO"), -1);
    EXPECT_EQ(list.toText(), "ONE");
}

TEST(AddressListParse, TextFormOfListParsesBackToSameList) {
    AddressList list;
    ASSERT_EQ(list.parse("A-1 BB-2 CCC-3 DDDD-10 EEEEE-11 FFFFFF-15 G"), 7);
    AddressList again;
    EXPECT_EQ(again.parse(list.toText()), 7);
    EXPECT_EQ(again, list);
}

}  // namespace
}  // namespace korvale
