// Expands arbitrary texts and checks that the result is never longer than
// the text, that a text without carets comes back unchanged, and that any
// bytes written entirely as caret codes come back as those bytes.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "kiss/control_codes.h"

namespace {

void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::string expanded = korvale::ExpandControlCodes(text);
    check(expanded.size() <= text.size());
    if (text.find('^') == std::string_view::npos) {
        check(expanded == text);
    }

    std::string coded;
    for (const unsigned char byte : text) {
        char code[5];
        std::snprintf(code, sizeof code, "^%03u", static_cast<unsigned>(byte));
        coded += code;
    }
    check(korvale::ExpandControlCodes(coded) == text);
    return 0;
}
