#include "kiss/control_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace korvale {
namespace {

using namespace std::string_literals;

TEST(ControlCodes, CaretCodesExpandAndMalformedOnesStayAsTyped) {
    struct Row {
        std::string text;
        std::string expanded;
    };
    const Row rows[] = {
        {"KISS ON^013RESTART^013", "KISS ON\rRESTART\r"},
        {"^192^255^192", "\xC0\xFF\xC0"},
        {"^094", "^"},
        {"^013^010", "\r\n"},
        {"A^000B", "A\0B"s},
        {"^0130", "\r0"},
        {"^065^066", "AB"},
        {"^256", "^256"},
        {"^999x", "^999x"},
        {"^9x9", "^9x9"},
        {"^-12", "^-12"},
        {"^ 12", "^ 12"},
        {"^12a", "^12a"},
        {"^1\xD9\xA3", "^1\xD9\xA3"},  // a non-ASCII digit is no digit
        {"AB^1", "AB1"},
        {"AB^12", "AB12"},
        {"AB^", "AB"},
        {"^", ""},
        {"^^013", "^^013"},
        {"^1^065", "^1^065"},
        {"^^^013", "^^^013"},
        {"", ""},
        {"MYCALL N0CALL\r", "MYCALL N0CALL\r"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ExpandControlCodes(row.text), row.expanded) << "from \"" << row.text << '"';
    }
}

}  // namespace
}  // namespace korvale
