// The fields of the settings dialogs as the user meets them: what a field
// shows, which texts OK accepts, the message for the rest, and what the
// setting holds afterwards. The callsign and call-list grammar itself is
// tested with the address parser.
#include "dialogs/field_exchange.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

namespace korvale {
namespace {

TEST(FieldExchange, TakesWellFormedTextsAndRefusesTheRestWithTheirMessage) {
    using enum FieldKind;
    const std::string kListCut(197, ' ');  // a call list reads 198 characters
    const std::string kBlanks(30, ' ');    // an integer field reads 31
    const std::string kBetween0And255 = IntegerRangeMessage(0, 255);
    ASSERT_EQ(kBetween0And255, "Please enter an integer between 0 and 255.");
    // The text typed, the message, what the field shows afterwards. Every
    // setting starts as OLD-3, "OLD-1 OLD-2", 99 or "old".
    struct Row {
        FieldKind kind;
        std::string typed;
        std::string_view message, shown;
        int minimum = 0, maximum = 255;
    };
    const std::string_view call = kMsgEnterCallsign, list = kMsgEnterCallList,
                           num = kMsgEnterInteger;
    const std::string_view ok = "";  // no message: the field was taken
    // clang-format off
    const Row rows[] = {
        {Callsign, "nocall-7", ok, "NOCALL-7"}, {Callsign, "N0CALL-15", ok, "N0CALL-15"},
        {Callsign, "N0CALL-0", ok, "N0CALL"}, {Callsign, "NOCALL-16", call, "OLD-3"},
        {Callsign, " NOCALL", call, "OLD-3"}, {Callsign, "", call, "OLD-3"},
        {CallList, "relay wide2-2", ok, "RELAY WIDE2-2 "}, {CallList, "  ", ok, ""},
        {CallList, "A1 A2 A3 A4 A5 A6 A7", ok, "A1 A2 A3 A4 A5 A6 A7 "},
        {CallList, "A1 A2 A3 A4 A5 A6 A7 A8", list, "OLD-1 OLD-2 "},
        {CallList, "RELAY BAD-99", list, "OLD-1 OLD-2 "},
        {CallList, "ONE\x01TWO BAD-99", ok, "ONE "},  // the list ends at a control character
        {CallList, kListCut + "AB", ok, "A "}, {CallList, kListCut + " AB", ok, ""},
        {Integer, "42", ok, "42"}, {Integer, " \t42\t ", ok, "42"}, {Integer, "+7", ok, "7"},
        {Integer, "-7", ok, "-7", -10, 10}, {Integer, "00", ok, "0"}, {Integer, "-0", num, "99"},
        {Integer, "+0", num, "99"}, {Integer, "", num, "99"}, {Integer, "4 2", num, "99"},
        {Integer, "1.5", num, "99"}, {Integer, "12a", num, "99"}, {Integer, "\n5", num, "99"},
        {Integer, "2147483647", ok, "2147483647", INT_MIN, INT_MAX},
        {Integer, "-2147483648", ok, "-2147483648", INT_MIN, INT_MAX},
        {Integer, "2147483648", num, "99", INT_MIN, INT_MAX},
        {Integer, "-99999999999999999999", num, "99", INT_MIN, INT_MAX},
        {Integer, "255", ok, "255"}, {Integer, "256", kBetween0And255, "99"},
        {Integer, "-1", kBetween0And255, "99"}, {Integer, "3", ok, "3", 3, 1000},
        {Integer, "2", "Please enter an integer between 3 and 1000.", "99", 3, 1000},
        {Integer, "7" + kBlanks + "x", ok, "7"}, {Integer, " " + kBlanks + "7", num, "99"},
        {Text, " KISS ON^013 ", ok, " KISS ON^013 "}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        int integer = 99;
        std::string text = "old";
        Ax25Address address;
        address.parse("OLD-3");
        AddressList calls;
        calls.parse("OLD-1 OLD-2");
        DialogField field{.kind = row.kind,
                          .minimum = row.minimum,
                          .maximum = row.maximum,
                          .integer = &integer,
                          .text = &text,
                          .address = &address,
                          .list = &calls};
        EXPECT_EQ(FieldFromControl(field, {.text = row.typed}).value_or(""), row.message);
        EXPECT_EQ(FieldToControl(field).text, row.shown);
    }
}

TEST(FieldExchange, CallListRefusesFewerCallsThanTheMinimumAndKeepsTheList) {
    AddressList list;
    list.parse("OLD");
    EXPECT_FALSE(TakeCallListField("A1", list, 2));
    EXPECT_EQ(list.toText(), "OLD");
    EXPECT_TRUE(TakeCallListField("A1 A2", list, 2));
    EXPECT_EQ(list.toText(), "A1 A2");
}

TEST(FieldExchange, CheckBoxTicksOnOneAndClearsValuesItCannotShow) {
    // Stored value, ticked, the value once the box is filled.
    const std::tuple<int, bool, int> rows[] = {
        {0, false, 0}, {1, true, 1}, {2, false, 2}, {3, false, 0}, {-1, false, 0}};
    for (const auto& [stored, ticked, after] : rows) {
        SCOPED_TRACE(stored);
        int value = stored;
        DialogField field{.kind = FieldKind::CheckBox, .integer = &value};
        EXPECT_EQ(FieldToControl(field).checked, ticked);
        EXPECT_EQ(value, after);
        EXPECT_EQ(FieldFromControl(field, {.checked = !ticked}), std::nullopt);
        EXPECT_EQ(value, ticked ? 0 : 1);
    }
}

}  // namespace
}  // namespace korvale
