// Caret codes in the TNC init and exit texts.
//
// A caret followed by three decimal digits worth 0 to 255 stands for the byte
// of that value ("^013" is a carriage return, "^094" a caret). A caret with
// anything else after it stays as typed, together with the three characters
// after it, which are never read as the start of another code ("^^013" stays
// "^^013"); a caret with fewer than three characters after it is dropped.
#pragma once

#include <string>
#include <string_view>

namespace korvale {

// Returns the expanded text; it may contain any byte, NUL included, and is
// never longer than `text`. Stateless; any thread.
std::string ExpandControlCodes(std::string_view text);

}  // namespace korvale
