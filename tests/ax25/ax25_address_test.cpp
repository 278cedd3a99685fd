#include <gtest/gtest.h>

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

}  // namespace
}  // namespace korvale
