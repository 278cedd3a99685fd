// Addresses and call lists as users type them, the settings store them and the
// monitor shows them. The seven-byte wire form is checked byte for byte in the
// frame tests.
#include "ax25/ax25_address.h"

#include <gtest/gtest.h>

#include <tuple>

#include "ax25_test_support.h"

namespace korvale {
namespace {

TEST(AddressParse, AcceptsOnlyWellFormedTextAndKeepsOldValueOnFailure) {
    const std::string_view kKept = "KEEPME-3";  // refused: the old value stays
    // clang-format off
    const std::pair<std::string_view, std::string_view> rows[] = {
        {"nocall-7", "NOCALL-7"}, {"NOCALL-05", "NOCALL-5"}, {"NOCALL-00", "NOCALL"}, {"A", "A"},
        {"N0CALL-15", "N0CALL-15"}, {"QST", "QST"}, {"XY", "XY"},
        {std::string_view("AB1CDE-7\0junk", 13), "AB1CDE-7"}, {"", kKept}, {"NOCALL-16", kKept},
        {"NOCALL-", kKept}, {"NOCALL 7", kKept}, {"-1", kKept}, {"NOCALL-1X", kKept},
        {"ABCDEFG", kKept}, {"N0CALL-015", kKept}, {"NOCALL--7", kKept}, {"NOCALL+7", kKept},
        {" NOCALL", kKept}, {"NOCALL7-1", kKept}, {"NOCALL-99", kKept}, {"\xC4\x42\x43", kKept}};
    // clang-format on
    for (const auto& [text, expected] : rows) {
        SCOPED_TRACE(text);
        Ax25Address address = testing::call("KEEPME", 3);
        EXPECT_EQ(address.parse(text), expected != kKept);
        EXPECT_EQ(address.toText(), expected);
        // Nothing of the longer old callsign may stay behind its end either.
        EXPECT_EQ(address, testing::call(address.callsignText(), address.ssid));
    }
}

TEST(AddressListParse, ReadsSpaceSeparatedCallsUpToSevenAndTheTextEnd) {
    // Text, result, the list afterwards.
    // clang-format off
    const std::tuple<std::string_view, int, const char*> rows[] = {
        {"  relay  wide2-2 n0call-15 ", 3, "RELAY WIDE2-2 N0CALL-15"}, {"", 0, ""}, {"   ", 0, ""},
        {"A1 A2 A3 A4 A5 A6 A7 A8", -1, "A1 A2 A3 A4 A5 A6 A7"}, {"RELAY BAD-99 WIDE", -1, "RELAY"},
        {std::string_view("ONE\0TWO", 7), 1, "ONE"}, {"ONE TWO\r\nTHREE", 2, "ONE TWO"},
        {"ONE \x01TWO", 1, "ONE"}, {"ONE \xC4TWO", 1, "ONE"}, {"N0CALL-015", 1, "N0CALL-1"},
        {"NOCALL-150", 1, "NOCALL-15"}, {"RELAY,WIDE", -1, ""}, {"RELAY\tWIDE", 1, "RELAY"}};
    // clang-format on
    for (const auto& [text, result, list] : rows) {
        SCOPED_TRACE(text);
        AddressList parsed;
        ASSERT_TRUE(parsed.append(testing::call("OLD")));
        EXPECT_EQ(parsed.parse(text), result);
        EXPECT_EQ(parsed.toText(), list);
    }
}

}  // namespace
}  // namespace korvale
