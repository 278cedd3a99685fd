#include "dialogs/field_exchange.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace korvale {
namespace {

TEST(FieldExchange, TakesWellFormedTextsAndRefusesTheRestKeepingTheSetting) {
    using enum FieldKind;
    ASSERT_EQ(IntegerRangeMessage(0, 255), "Please enter an integer between 0 and 255.");
    const std::string cut198(197, ' '), cut31(30, ' ');
    const std::string ok, call(kMsgEnterCallsign), list(kMsgEnterCallList), num(kMsgEnterInteger);
    // Kind, typed, message, shown afterwards; settings start OLD-3, "OLD-1 OLD-2", 99, "old".
    struct Row {
        FieldKind kind;
        std::string typed, message;
        std::string_view shown;
        int minimum = 0, maximum = 255;
    };
    // clang-format off
    const Row rows[] = {
        {Callsign, "nocall-7", ok, "NOCALL-7"}, {Callsign, "N0CALL-0", ok, "N0CALL"},
        {Callsign, "NOCALL-16", call, "OLD-3"}, {Callsign, "", call, "OLD-3"},
        {CallList, "relay wide2-2", ok, "RELAY WIDE2-2 "}, {CallList, "  ", ok, ""},
        {CallList, "A1 A2 A3 A4 A5 A6 A7 A8", list, "OLD-1 OLD-2 "},
        {CallList, "RELAY BAD-99", list, "OLD-1 OLD-2 "}, {CallList, "ONE\x80TWO BAD-99", ok, "ONE "},
        {CallList, cut198 + "AB", ok, "A "}, {CallList, cut198 + " AB", ok, ""},
        {Integer, " \t42\t ", ok, "42"}, {Integer, "+7", ok, "7"}, {Integer, "-7", ok, "-7", -10, 10},
        {Integer, "-0", num, "99"}, {Integer, "+0", num, "99"}, {Integer, "", num, "99"},
        {Integer, "4 2", num, "99"}, {Integer, "12a", num, "99"},
        {Integer, "-2147483648", ok, "-2147483648", INT_MIN, INT_MAX},
        {Integer, "2147483648", num, "99", INT_MIN, INT_MAX},
        {Integer, "255", ok, "255"}, {Integer, "256", IntegerRangeMessage(0, 255), "99"},
        {Integer, "-1", IntegerRangeMessage(0, 255), "99"}, {Integer, "3", ok, "3", 3, 1000},
        {Integer, "7" + cut31 + "x", ok, "7"}, {Integer, " " + cut31 + "7", num, "99"},
        {Text, " KISS ON^013 ", ok, " KISS ON^013 "}};
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        int integer = 99;
        std::string text = "old";
        Ax25Address address;
        AddressList calls;
        address.parse("OLD-3"), calls.parse("OLD-1 OLD-2");
        DialogField field{.kind = row.kind, .minimum = row.minimum, .maximum = row.maximum};
        field.integer = &integer, field.text = &text, field.address = &address, field.list = &calls;
        EXPECT_EQ(FieldFromControl(field, {.text = row.typed}).value_or(""), row.message);
        EXPECT_EQ(FieldToControl(field).text, row.shown);
    }
    AddressList calls;
    calls.parse("OLD");
    EXPECT_FALSE(TakeCallListField("A1", calls, 2));  // fewer calls than the minimum
    EXPECT_EQ(calls.toText(), "OLD");
    EXPECT_TRUE(TakeCallListField("A1 A2", calls, 2));
    EXPECT_EQ(calls.toText(), "A1 A2");
}

TEST(FieldExchange, CheckBoxTicksOnOneAndClearsValuesItCannotShow) {
    // Stored value, ticked, the value once the box is filled.
    const int rows[][3] = {{0, 0, 0}, {1, 1, 1}, {2, 0, 2}, {3, 0, 0}, {-1, 0, 0}};
    for (const auto& [stored, ticked, after] : rows) {
        int value = stored;
        DialogField field{.kind = FieldKind::CheckBox, .integer = &value};
        EXPECT_EQ(FieldToControl(field).checked, ticked != 0) << stored;
        EXPECT_EQ(value, after) << stored;
        EXPECT_EQ(FieldFromControl(field, {.checked = ticked == 0}), std::nullopt);
        EXPECT_EQ(value, 1 - ticked) << stored;
    }
}

}  // namespace
}  // namespace korvale
