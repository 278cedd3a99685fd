// The fields of the settings dialogs as the user meets them: what a field
// shows, which texts OK accepts, the message for the rest, and what the
// setting holds afterwards.
#include "dialogs/field_exchange.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <tuple>

namespace korvale {
namespace {

constexpr std::string_view kTaken = "";  // no message: the field was taken

DialogField callsignField(Ax25Address& address) {
    return {.kind = FieldKind::Callsign, .address = &address};
}

TEST(CallsignField, AcceptsOneWholeCallsignAndShowsItsTextForm) {
    // Typed text, the message, what the field shows afterwards.
    // clang-format off
    const std::tuple<std::string_view, std::string_view, std::string_view> rows[] = {
        {"nocall-7", kTaken, "NOCALL-7"}, {"N0CALL-15", kTaken, "N0CALL-15"},
        {"N0CALL-00", kTaken, "N0CALL"}, {"N0CALL-0", kTaken, "N0CALL"}, {"A", kTaken, "A"},
        {"ABCDEFG", kMsgEnterCallsign, "OLD-3"}, {" NOCALL", kMsgEnterCallsign, "OLD-3"},
        {"NOCALL ", kMsgEnterCallsign, "OLD-3"}, {"NOCALL-", kMsgEnterCallsign, "OLD-3"},
        {"NOCALL-16", kMsgEnterCallsign, "OLD-3"}, {"NOCALL-015", kMsgEnterCallsign, "OLD-3"},
        {"N0CALL-15XYZ", kMsgEnterCallsign, "OLD-3"}, {"", kMsgEnterCallsign, "OLD-3"}};
    // clang-format on
    for (const auto& [text, message, shown] : rows) {
        SCOPED_TRACE(text);
        Ax25Address address;
        address.parse("OLD-3");
        DialogField field = callsignField(address);
        EXPECT_EQ(FieldFromControl(field, {.text = std::string(text)}).value_or(""), message);
        EXPECT_EQ(FieldToControl(field).text, shown);
    }
}

TEST(CallListField, ReadsUpToSevenCallsAndStopsQuietlyAtControlAndHighBytes) {
    const std::string kCut(197, ' ');  // with two more characters, the 199th is not read
    // clang-format off
    const std::tuple<std::string, std::string_view, std::string_view> rows[] = {
        {"relay wide2-2", kTaken, "RELAY WIDE2-2 "}, {"  A1   A2  ", kTaken, "A1 A2 "},
        {"", kTaken, ""}, {"   ", kTaken, ""},
        {"A1 A2 A3 A4 A5 A6 A7", kTaken, "A1 A2 A3 A4 A5 A6 A7 "},
        {"A1 A2 A3 A4 A5 A6 A7 A8", kMsgEnterCallList, "OLD-1 OLD-2 "},
        {"RELAY WIDE BAD-99", kMsgEnterCallList, "OLD-1 OLD-2 "},
        {"RELAY,WIDE", kMsgEnterCallList, "OLD-1 OLD-2 "},
        {"N0CALL-15XYZ", kTaken, "N0CALL-15 "}, {"N0CALL-015", kTaken, "N0CALL-1 "},
        {"ONE TWO\tTHREE", kTaken, "ONE TWO "}, {"ONE TWO\xC4THREE", kTaken, "ONE TWO "},
        {"ONE\x01TWO BAD-99", kTaken, "ONE "}, {"ONE TWO\x7F", kMsgEnterCallList, "OLD-1 OLD-2 "},
        {kCut + "AB", kTaken, "A "}, {kCut + " AB", kTaken, ""}};
    // clang-format on
    for (const auto& [text, message, shown] : rows) {
        SCOPED_TRACE(text);
        AddressList list;
        list.parse("OLD-1 OLD-2");
        DialogField field{.kind = FieldKind::CallList, .list = &list};
        EXPECT_EQ(FieldFromControl(field, {.text = text}).value_or(""), message);
        EXPECT_EQ(FieldToControl(field).text, shown);
    }
}

TEST(CallListField, RefusesFewerCallsThanTheMinimumAndKeepsTheList) {
    AddressList list;
    list.parse("OLD");
    EXPECT_FALSE(TakeCallListField("A1", list, 2));
    EXPECT_EQ(list.toText(), "OLD");
    EXPECT_TRUE(TakeCallListField("A1 A2", list, 2));
    EXPECT_EQ(list.toText(), "A1 A2");
}

TEST(IntegerField, AcceptsSignedDecimalWithBlanksAroundWithinItsRange) {
    const std::string kBetween0And255 = IntegerRangeMessage(0, 255);
    EXPECT_EQ(kBetween0And255, "Please enter an integer between 0 and 255.");
    // Text, range, the message, the setting afterwards (it starts at 99).
    // clang-format off
    const std::tuple<std::string, int, int, std::string_view, int> rows[] = {
        {"42", 0, 255, kTaken, 42}, {" \t42\t ", 0, 255, kTaken, 42}, {"+7", 0, 255, kTaken, 7},
        {"-7", -10, 10, kTaken, -7}, {"00", 0, 255, kTaken, 0}, {"0", 0, 255, kTaken, 0},
        {"-0", 0, 255, kMsgEnterInteger, 99}, {"+0", 0, 255, kMsgEnterInteger, 99},
        {"+00", 0, 255, kMsgEnterInteger, 99}, {"", 0, 255, kMsgEnterInteger, 99},
        {" ", 0, 255, kMsgEnterInteger, 99}, {"4 2", 0, 255, kMsgEnterInteger, 99},
        {"1.5", 0, 255, kMsgEnterInteger, 99}, {"0x10", 0, 255, kMsgEnterInteger, 99},
        {"--1", 0, 255, kMsgEnterInteger, 99}, {"12a", 0, 255, kMsgEnterInteger, 99},
        {"\n5", 0, 255, kMsgEnterInteger, 99},
        {"2147483647", INT_MIN, INT_MAX, kTaken, INT_MAX},
        {"-2147483648", INT_MIN, INT_MAX, kTaken, INT_MIN},
        {"2147483648", INT_MIN, INT_MAX, kMsgEnterInteger, 99},
        {"-99999999999999999999", INT_MIN, INT_MAX, kMsgEnterInteger, 99},
        {"256", 0, 255, kBetween0And255, 99}, {"-1", 0, 255, kBetween0And255, 99},
        {"2550", 0, 2550, kTaken, 2550},
        {"2551", 0, 2550, "Please enter an integer between 0 and 2550.", 99},
        {"2", 3, 1000, "Please enter an integer between 3 and 1000.", 99},
        {"3", 3, 1000, kTaken, 3}, {"1000", 3, 1000, kTaken, 1000},
        // Only the first 31 characters are read.
        {"7" + std::string(30, ' ') + "x", 0, 255, kTaken, 7},
        {std::string(31, ' ') + "7", 0, 255, kMsgEnterInteger, 99}};
    // clang-format on
    for (const auto& [text, minimum, maximum, message, after] : rows) {
        SCOPED_TRACE(text);
        int value = 99;
        const DialogField field{
            .kind = FieldKind::Integer, .minimum = minimum, .maximum = maximum, .integer = &value};
        EXPECT_EQ(FieldFromControl(field, {.text = text}).value_or(""), message);
        EXPECT_EQ(value, after);
    }
}

TEST(CheckBoxField, TicksOnOneAndClearsValuesItCannotShow) {
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

TEST(TextField, TakesTheWholeTextAsTyped) {
    std::string text = "old";
    DialogField field{.kind = FieldKind::Text, .text = &text};
    EXPECT_EQ(FieldToControl(field).text, "old");
    EXPECT_EQ(FieldFromControl(field, {.text = " KISS ON^013 "}), std::nullopt);
    EXPECT_EQ(text, " KISS ON^013 ");
}

}  // namespace
}  // namespace korvale
