// The fixed rules between callsigns and Ethernet hardware addresses, and the
// seven-byte address of AX.25 ARP, as the host stack and radio peers see them.
#include "gateway/address_mapping.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "gateway/gateway_globals.h"

namespace korvale {
namespace {

Ax25Address addressOf(std::string_view callsign, int ssid) {
    Ax25Address address;
    address.setCallsign(callsign);
    address.ssid = static_cast<std::uint8_t>(ssid);
    return address;
}

// Every test sets the gateway's own address it needs and gets the
// process-wide values back afterwards.
class AddressMapping : public ::testing::Test {
  protected:
    void SetUp() override {
        savedOwnAddress_ = GatewayOwnAddress;
        savedSuppress_ = SuppressBroadcasts;
        GatewayOwnAddress = addressOf("NOCALL", 7);
    }
    void TearDown() override {
        GatewayOwnAddress = savedOwnAddress_;
        SuppressBroadcasts = savedSuppress_;
    }

  private:
    Ax25Address savedOwnAddress_;
    int savedSuppress_ = 1;
};

const MacAddress kZeroMac{};

// ---- callToMac ----

TEST_F(AddressMapping, QstWithAnySsidIsBroadcast) {
    for (int ssid = 0; ssid <= kMaxSsid; ++ssid) {
        EXPECT_EQ(callToMac(addressOf("QST", ssid)), kBroadcastMac) << ssid;
    }
}

TEST_F(AddressMapping, OnlyExactQstIsBroadcast) {
    EXPECT_NE(callToMac(addressOf("QSTX", 0)), kBroadcastMac);
    EXPECT_NE(callToMac(addressOf("QS", 0)), kBroadcastMac);
    EXPECT_NE(callToMac(addressOf("qst", 0)), kBroadcastMac);
}

TEST_F(AddressMapping, OwnAddressMapsToAdapterAddress) {
    EXPECT_EQ(callToMac(addressOf("NOCALL", 7)), kAdapterMac);
    EXPECT_EQ(callToMac(addressOf("NOCALL", 0)),
              (MacAddress{'N' << 1, 'O' << 1, 0x34, 0x2C, 0x58, 0x58}))
        << "another SSID of the own callsign is an ordinary station";
}

TEST_F(AddressMapping, CallsignPacksIntoSixBytesWithSsidBits) {
    EXPECT_EQ(callToMac(addressOf("AB1CDE", 7)), (MacAddress{0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3C}));
    EXPECT_EQ(callToMac(addressOf("AB1CDE", 15)), (MacAddress{0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3E}));
    EXPECT_EQ(callToMac(addressOf("AB1CDE", 0)), (MacAddress{0x82, 0x84, 0x08, 0x34, 0x38, 0x3C}));
}

TEST_F(AddressMapping, ShortCallsignPacksEmptyPositionsAsCodeZero) {
    EXPECT_EQ(callToMac(addressOf("K1", 5)),
              (MacAddress{'K' << 1, '1' << 1, 0x02, 0x00, 0x02, 0x00}));
    EXPECT_EQ(callToMac(addressOf("Z90", 0)), (MacAddress{'Z' << 1, '9' << 1, 0x04, 0, 0, 0}));
}

TEST_F(AddressMapping, MappedCallsignIsAlwaysAnIndividualAddress) {
    std::mt19937 engine(5);
    for (int i = 0; i < 2000; ++i) {
        std::string callsign;
        for (int c = 0; c < 6; ++c) {
            callsign += static_cast<char>(0x21 + engine() % 0x5F);
        }
        const Ax25Address address = addressOf(callsign, static_cast<int>(engine() % 16));
        if (address.callsignText() == "QST") {
            continue;
        }
        EXPECT_EQ(callToMac(address)[0] & 0x01, 0) << callsign;
    }
}

TEST_F(AddressMapping, CharactersWithoutCodeEndTheCallsignOnTheWayBack) {
    // Lower case and punctuation in positions 3 to 6 have no six-bit code.
    EXPECT_EQ(macToCall(callToMac(addressOf("ABcDEF", 3))), addressOf("AB", 3));
    EXPECT_EQ(macToCall(callToMac(addressOf("AB1-EF", 9))), addressOf("AB1", 9));
}

// ---- callToArpMac ----

TEST_F(AddressMapping, ArpBodyUsesZeroAddressForQst) {
    EXPECT_EQ(callToArpMac(addressOf("QST", 0)), kZeroMac);
    EXPECT_EQ(callToArpMac(addressOf("QST", 9)), kZeroMac);
    EXPECT_EQ(callToArpMac(addressOf("NOCALL", 7)), kAdapterMac);
    EXPECT_EQ(callToArpMac(addressOf("AB1CDE", 7)), callToMac(addressOf("AB1CDE", 7)));
}

// ---- macToCall ----

TEST_F(AddressMapping, AdapterAddressGivesOwnAddress) {
    EXPECT_EQ(macToCall(kAdapterMac), addressOf("NOCALL", 7));
    GatewayOwnAddress = addressOf("G4ABC", 12);
    EXPECT_EQ(macToCall(kAdapterMac), addressOf("G4ABC", 12)) << "read afresh on every call";
}

TEST_F(AddressMapping, AdapterAddressGivesNocallWhenOwnAddressIsUnset) {
    GatewayOwnAddress = addressOf("", 5);
    EXPECT_EQ(macToCall(kAdapterMac), addressOf("NOCALL", 0));
    GatewayOwnAddress = addressOf(" AB", 5);
    EXPECT_EQ(macToCall(kAdapterMac), addressOf("NOCALL", 0));
}

TEST_F(AddressMapping, GroupAndZeroAddressesGiveQst) {
    EXPECT_EQ(macToCall(kBroadcastMac), addressOf("QST", 0));
    EXPECT_EQ(macToCall(MacAddress{0x01, 0x00, 0x5E, 0x00, 0x00, 0xFB}), addressOf("QST", 0));
    EXPECT_EQ(macToCall(MacAddress{0x33, 0x33, 0x00, 0x00, 0x00, 0x01}), addressOf("QST", 0));
    EXPECT_EQ(macToCall(kZeroMac), addressOf("QST", 0));
}

TEST_F(AddressMapping, FirstByteZeroGivesEmptyCallsign) {
    const Ax25Address address = macToCall(MacAddress{0x00, 0x84, 0x0A, 0x36, 0x3A, 0x3C});
    EXPECT_TRUE(address.empty());
    EXPECT_EQ(address.ssid, 7);
}

TEST_F(AddressMapping, UncodedSixBitValuesEndTheCallsign) {
    // Code 37 (0x94 >> 2) is past Z.
    EXPECT_EQ(macToCall(MacAddress{0x82, 0x84, 0x0A, 0x94, 0x3A, 0x3C}), addressOf("AB1", 5));
    EXPECT_EQ(macToCall(MacAddress{0x82, 0x84, 0xFC, 0x34, 0x38, 0x3C}), addressOf("AB", 0));
}

TEST_F(AddressMapping, BitZeroOfPackedBytesIsIgnored) {
    EXPECT_EQ(macToCall(MacAddress{0x82, 0x84, 0x0B, 0x37, 0x3B, 0x3D}), addressOf("AB1CDE", 7));
}

TEST_F(AddressMapping, OtherCardsAddressesComeOutAsTheRuleYields) {
    // An ordinary vendor address, read as a packed callsign.
    const Ax25Address address = macToCall(MacAddress{0x52, 0x54, 0x00, 0x12, 0x34, 0x56});
    EXPECT_EQ(address.callsignText(), ")*");  // 0x29, 0x2A, then code 0 ends it
    EXPECT_EQ(address.ssid, 0b1010);          // bit 1 of 0x00, 0x12, 0x34, 0x56
}

TEST_F(AddressMapping, EveryLetterAndDigitCallsignSurvivesWithItsSsid) {
    static constexpr char kCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::mt19937 engine(17);
    for (int i = 0; i < 5000; ++i) {
        std::string callsign;
        const int length = 1 + static_cast<int>(engine() % 6);
        for (int c = 0; c < length; ++c) {
            callsign += kCharacters[engine() % 36];
        }
        const Ax25Address address = addressOf(callsign, static_cast<int>(engine() % 16));
        if (address.callsignText() == "QST" || address == GatewayOwnAddress) {
            continue;
        }
        EXPECT_EQ(macToCall(callToMac(address)), address) << address.toText();
        EXPECT_EQ(macToCall(callToArpMac(address)), address) << address.toText();
    }
}

TEST_F(AddressMapping, EveryCharacterInEveryPositionSurvives) {
    static constexpr std::string_view kCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (std::size_t position = 0; position < 6; ++position) {
        for (char c : kCharacters) {
            std::string callsign = "W1AW9Z";
            callsign[position] = c;
            const Ax25Address address = addressOf(callsign, static_cast<int>(position * 2 + 1));
            EXPECT_EQ(macToCall(callToMac(address)), address) << callsign;
        }
    }
}

// ---- ARP hardware address ----

TEST_F(AddressMapping, ArpHardwareOfQstIsSevenZeroBytes) {
    EXPECT_EQ(callToArpHardware(addressOf("QST", 0)), ArpHardwareAddress{});
    EXPECT_EQ(callToArpHardware(addressOf("QST", 3)), ArpHardwareAddress{});
}

TEST_F(AddressMapping, ArpHardwareIsShiftedCallsignPaddedWithReservedBitsInSsidByte) {
    EXPECT_EQ(callToArpHardware(addressOf("NOCALL", 7)),
              (ArpHardwareAddress{'N' << 1, 'O' << 1, 'C' << 1, 'A' << 1, 'L' << 1, 'L' << 1,
                                  0x60 | (7 << 1)}));
    EXPECT_EQ(callToArpHardware(addressOf("K1", 15)),
              (ArpHardwareAddress{'K' << 1, '1' << 1, 0x40, 0x40, 0x40, 0x40, 0x7E}));
    EXPECT_EQ(callToArpHardware(addressOf("K1", 0))[6], 0x60);
}

TEST_F(AddressMapping, OwnAddressIsNotSpecialInArpHardware) {
    EXPECT_EQ(callToArpHardware(addressOf("NOCALL", 7))[0], 'N' << 1);
}

TEST_F(AddressMapping, ZeroArpHardwareIsQst) {
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{}), addressOf("QST", 0));
}

TEST_F(AddressMapping, ShiftedSpaceWithOrWithoutExtensionBitEndsArpCallsign) {
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{0x82, 0x84, 0x40, 0x86, 0x88, 0x8A, 0x62}),
              addressOf("AB", 1));
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{0x82, 0x84, 0x86, 0x41, 0x40, 0x40, 0xE3}),
              addressOf("ABC", 1));
}

TEST_F(AddressMapping, ArpSsidIsBitsOneToFourOfLastByte) {
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{0x82, 0x40, 0x40, 0x40, 0x40, 0x40, 0xFF}).ssid,
              15);
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{0x82, 0x40, 0x40, 0x40, 0x40, 0x40, 0x01}).ssid,
              0);
}

TEST_F(AddressMapping, ArpHardwareWithControlCodesCannotPutThemInACallsign) {
    // A shifted line feed from a peer's ARP packet must not reach the
    // monitor line; the callsign ends there.
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{0x82, 0x0A << 1, 0x86, 0x40, 0x40, 0x40, 0x60}),
              addressOf("A", 0));
    EXPECT_EQ(arpHardwareToCall(ArpHardwareAddress{0x00, 0x82, 0x40, 0x40, 0x40, 0x40, 0x62}),
              addressOf("", 1));
}

TEST_F(AddressMapping, ArpLowerCaseAndPunctuationPassThrough) {
    EXPECT_EQ(
        arpHardwareToCall(ArpHardwareAddress{'a' << 1, '-' << 1, '~' << 1, 0x40, 0x40, 0x40, 0x60})
            .callsignText(),
        "a-~");
}

TEST_F(AddressMapping, EveryAddressSurvivesArpHardwareForm) {
    std::mt19937 engine(19);
    for (int i = 0; i < 5000; ++i) {
        std::string callsign;
        const int length = 1 + static_cast<int>(engine() % 6);
        for (int c = 0; c < length; ++c) {
            callsign += static_cast<char>(0x21 + engine() % 0x5F);  // printable, no space
        }
        const Ax25Address address = addressOf(callsign, static_cast<int>(engine() % 16));
        const Ax25Address expected =
            address.callsignText() == "QST" ? addressOf("QST", 0) : address;
        EXPECT_EQ(arpHardwareToCall(callToArpHardware(address)), expected) << callsign;
    }
}

}  // namespace
}  // namespace korvale
