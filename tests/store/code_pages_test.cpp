#include "store/code_pages.h"

#include <gtest/gtest.h>

namespace korvale {
namespace {

TEST(CodePages, ConversionsKeepExactCharactersAndFallBackToTheClosest) {
    const struct {
        std::string (*convert)(std::string_view);
        std::string from, to;
    } rows[] = {
        // exact: a-umlaut, sharp s, a pound sign
        {CharToOem, "Gr\xE4\xDF \xA3", "Gr\x84\xE1 \x9C"},
        // A-grave, E-grave, O-acute, O-slash, curly quotes, en and em dash, ellipsis
        {CharToOem, "\xC0\xC8\xD3\xD8 \x93x\x94 \x91y\x92 \x96\x97\x85", "AEOO \"x\" 'y' --."},
        // bullet to the bullet operator, euro and pilcrow have no stand-in
        {CharToOem, "\x95 \x80\xB6", "\xF9 ??"},
        {OemToChar, "\x84\xE1\x9C", "\xE4\xDF\xA3"},
        // box corners, double and single lines, a junction
        {OemToChar, "\xC9\xCD\xBB \xBA\xB3 \xC8\xC4\xD9 \xC5", "+-+ || +-+ +"},
        // Greek letters and signs of the DOS code page
        {OemToChar, "\xE0\xE2\xE3\xE4\xE5\xE7\xE8\xE9\xEA\xEB\xEE", "aGpSstFTOde"},
        {OemToChar, "\xF2\xF3\xF7\xFB\xEC\xA9\xF9", "><~v8\xAC\xB7"},
        // shades and blocks have no stand-in
        {OemToChar, "\xB0\xDB", "??"},
        // an overlong form of '/' is no character
        {Utf8ToAnsi,
         "\xC3\xBC \xCE\xA3 \xE2\x89\xA5 \xE2\x94\x8C \xE2\x82\xAC \xE2\x98\xBA \xC0\xAF",
         "\xFC S > + \x80 ? ??"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.from);
        EXPECT_EQ(row.convert(row.from), row.to);
    }
    // Windows-1252 has a euro sign and quotes among its C1 codes, and gaps.
    EXPECT_TRUE(IsAnsiControl('\x81') && !IsAnsiControl('\x80') && !IsAnsiControl('\x93'));
}

}  // namespace
}  // namespace korvale
