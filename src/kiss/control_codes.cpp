#include "kiss/control_codes.h"

#include <cstddef>

namespace korvale {

namespace {

constexpr char kCaret = '^';
constexpr std::size_t kCodeDigits = 3;
constexpr int kLargestCode = 255;

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string ExpandControlCodes(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    std::string_view rest = text;
    for (;;) {
        const std::size_t caret = rest.find(kCaret);
        if (caret == std::string_view::npos) {
            break;
        }
        result.append(rest.substr(0, caret));
        rest.remove_prefix(caret + 1);
        if (rest.size() < kCodeDigits) {
            break;
        }
        const std::string_view code = rest.substr(0, kCodeDigits);
        bool expanded = false;
        if (isDecimalDigit(code[0]) && isDecimalDigit(code[1]) && isDecimalDigit(code[2])) {
            const int value = 100 * (code[0] - '0') + 10 * (code[1] - '0') + (code[2] - '0');
            if (value <= kLargestCode) {
                result.push_back(static_cast<char>(static_cast<unsigned char>(value)));
                expanded = true;
            }
        }
        if (!expanded) {
            result.push_back(kCaret);
            result.append(code);
        }
        rest.remove_prefix(kCodeDigits);
    }
    result.append(rest);
    return result;
}

}  // namespace korvale
