// Caret codes: never longer, no caret no change, any bytes written all as codes come back.
#include "fuzz_support.h"
#include "kiss/control_codes.h"

FUZZ_TARGET(0) {
    const std::string_view text = AsText(data);
    const std::string expanded = ExpandControlCodes(text);
    check(expanded.size() <= text.size() && (text.find('^') != text.npos || expanded == text));
    std::string coded;
    for (const unsigned char byte : text) {
        coded += "^" + std::to_string(1000 + byte).substr(1);  // three digits
    }
    check(ExpandControlCodes(coded) == text);
}
