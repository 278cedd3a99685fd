#include "kiss/control_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace korvale {
namespace {

using namespace std::string_literals;

TEST(ControlCodes, DefaultInitTextExpandsCarriageReturns) {
    const std::string expanded = ExpandControlCodes("KISS ON^013RESTART^013");
    EXPECT_EQ(expanded, "KISS ON\rRESTART\r");
    EXPECT_EQ(expanded.size(), 16u);
}

TEST(ControlCodes, DefaultExitTextExpandsToLeaveKissFrame) {
    EXPECT_EQ(ExpandControlCodes("^192^255^192"), "\xC0\xFF\xC0"s);
}

TEST(ControlCodes, CaretCodeForCaretAndLineEnds) {
    EXPECT_EQ(ExpandControlCodes("^094"), "^");
    EXPECT_EQ(ExpandControlCodes("^013^010"), "\r\n");
}

TEST(ControlCodes, CodeZeroIsAKeptNulByte) {
    EXPECT_EQ(ExpandControlCodes("A^000B"), "A\0B"s);
}

TEST(ControlCodes, ValuesAbove255StayAsTyped) {
    EXPECT_EQ(ExpandControlCodes("^256"), "^256");
    EXPECT_EQ(ExpandControlCodes("^999x"), "^999x");
}

TEST(ControlCodes, NonDigitsStayAsTyped) {
    EXPECT_EQ(ExpandControlCodes("^9x9"), "^9x9");
    EXPECT_EQ(ExpandControlCodes("^-12"), "^-12");
    EXPECT_EQ(ExpandControlCodes("^ 12"), "^ 12");
    EXPECT_EQ(ExpandControlCodes("^12a"), "^12a");
}

TEST(ControlCodes, CaretNearEndIsDropped) {
    EXPECT_EQ(ExpandControlCodes("AB^1"), "AB1");
    EXPECT_EQ(ExpandControlCodes("AB^12"), "AB12");
    EXPECT_EQ(ExpandControlCodes("AB^"), "AB");
    EXPECT_EQ(ExpandControlCodes("^"), "");
}

TEST(ControlCodes, CaretInsideRejectedCodeStartsNoCode) {
    EXPECT_EQ(ExpandControlCodes("^^013"), "^^013");
    EXPECT_EQ(ExpandControlCodes("^1^065"), "^1^065");
    EXPECT_EQ(ExpandControlCodes("^^^013"), "^^^013");
}

TEST(ControlCodes, OnlyThreeDigitsBelongToTheCode) {
    EXPECT_EQ(ExpandControlCodes("^0130"), "\r0");
    EXPECT_EQ(ExpandControlCodes("^065^066"), "AB");
}

TEST(ControlCodes, TextWithoutCaretsIsUnchanged) {
    EXPECT_EQ(ExpandControlCodes(""), "");
    EXPECT_EQ(ExpandControlCodes("MYCALL N0CALL\r"), "MYCALL N0CALL\r");
}

TEST(ControlCodes, NonAsciiDigitsAreNotDigits) {
    // U+0663 ARABIC-INDIC DIGIT THREE is two bytes in UTF-8, neither an ASCII digit.
    const std::string text = "^1\xD9\xA3";
    EXPECT_EQ(ExpandControlCodes(text), text);
}

}  // namespace
}  // namespace korvale
