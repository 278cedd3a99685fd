// Expands arbitrary texts: the result is never longer than the text, a text
// without carets comes back unchanged, and any bytes written entirely as
// caret codes come back as those bytes.
#include "fuzz_support.h"
#include "kiss/control_codes.h"

using namespace korvale::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string expanded = ExpandControlCodes(text);
    check(expanded.size() <= text.size());
    check(text.find('^') != std::string_view::npos || expanded == text);
    std::string coded;
    for (const unsigned char byte : text) {
        coded += "^" + std::to_string(1000 + byte).substr(1);  // three digits
    }
    check(ExpandControlCodes(coded) == text);
    return 0;
}
