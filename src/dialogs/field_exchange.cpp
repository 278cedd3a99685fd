#include "dialogs/field_exchange.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "store/settings.h"

namespace korvale {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

// The check box's third state (2) is kept; anything else a box cannot show
// is taken as unticked, so the box and its setting agree from the start.
constexpr int kHighestCheckBoxValue = 2;

// Reads "[blanks][sign]digits[blanks]" as a whole; nothing when the text is
// anything else or the value does not fit 32 bits.
std::optional<int> parseInteger(std::string_view text) {
    std::size_t position = 0;
    while (position < text.size() && isBlank(text[position])) {
        ++position;
    }
    bool negative = false;
    bool hasSign = false;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) {
        negative = text[position] == '-';
        hasSign = true;
        ++position;
    }
    const std::size_t digitsStart = position;
    std::int64_t magnitude = 0;
    // One more than the largest int, so that -2147483648 can be read.
    constexpr std::int64_t kLargestMagnitude =
        static_cast<std::int64_t>(std::numeric_limits<int>::max()) + 1;
    while (position < text.size() && isDecimalDigit(text[position])) {
        magnitude = magnitude * 10 + (text[position] - '0');
        if (magnitude > kLargestMagnitude) {
            return std::nullopt;
        }
        ++position;
    }
    if (position == digitsStart) {
        return std::nullopt;
    }
    while (position < text.size() && isBlank(text[position])) {
        ++position;
    }
    if (position != text.size()) {
        return std::nullopt;
    }
    // A zero must be written with its digit first: "-0" and "+0" have never
    // been integers in these dialogs.
    if (magnitude == 0 && hasSign) {
        return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

}  // namespace

std::string IntegerRangeMessage(int minimum, int maximum) {
    return "Please enter an integer between " + std::to_string(minimum) + " and " +
           std::to_string(maximum) + ".";
}

std::string CallsignFieldText(const Ax25Address& address) {
    return address.toText();
}

std::string CallListFieldText(const AddressList& list) {
    return CallListText(list);
}

bool TakeCallsignField(std::string_view fieldText, Ax25Address& address) {
    return address.parse(fieldText.substr(0, kCallsignFieldMaxLength));
}

bool TakeCallListField(std::string_view fieldText, AddressList& list, int minimumCount) {
    // Read into a scratch list so that a refused field leaves the setting
    // as it was; the list parser itself cuts long tokens and ends the text at
    // a control character or a byte from 0x80 up.
    AddressList parsed(list.capacity());
    const int count = parsed.parse(fieldText.substr(0, kCallListFieldMaxLength));
    if (count < 0 || count < minimumCount) {
        return false;
    }
    return list.assign(parsed);
}

IntegerFieldResult ReadIntegerField(std::string_view fieldText, int minimum, int maximum) {
    const std::optional<int> value = parseInteger(fieldText.substr(0, kIntegerFieldMaxLength));
    if (!value) {
        return {std::nullopt, std::string(kMsgEnterInteger)};
    }
    if (*value < minimum || *value > maximum) {
        return {std::nullopt, IntegerRangeMessage(minimum, maximum)};
    }
    return {value, {}};
}

FieldState FieldToControl(DialogField& field) {
    FieldState state;
    switch (field.kind) {
        case FieldKind::CheckBox:
            if (field.integer != nullptr) {
                if (*field.integer < 0 || *field.integer > kHighestCheckBoxValue) {
                    *field.integer = 0;
                }
                state.checked = *field.integer == 1;
            }
            break;
        case FieldKind::Integer:
            if (field.integer != nullptr) {
                state.text = std::to_string(*field.integer);
            }
            break;
        case FieldKind::Text:
            if (field.text != nullptr) {
                state.text = *field.text;
            }
            break;
        case FieldKind::Callsign:
            if (field.address != nullptr) {
                state.text = CallsignFieldText(*field.address);
            }
            break;
        case FieldKind::CallList:
            if (field.list != nullptr) {
                state.text = CallListFieldText(*field.list);
            }
            break;
    }
    return state;
}

std::optional<std::string> FieldFromControl(const DialogField& field, const FieldState& state) {
    switch (field.kind) {
        case FieldKind::CheckBox:
            if (field.integer != nullptr) {
                *field.integer = state.checked ? 1 : 0;
            }
            break;
        case FieldKind::Integer:
            if (field.integer != nullptr) {
                IntegerFieldResult result =
                    ReadIntegerField(state.text, field.minimum, field.maximum);
                if (!result.value) {
                    return std::move(result.message);
                }
                *field.integer = *result.value;
            }
            break;
        case FieldKind::Text:
            if (field.text != nullptr) {
                *field.text = state.text;
            }
            break;
        case FieldKind::Callsign:
            if (field.address != nullptr && !TakeCallsignField(state.text, *field.address)) {
                return std::string(kMsgEnterCallsign);
            }
            break;
        case FieldKind::CallList:
            if (field.list != nullptr && !TakeCallListField(state.text, *field.list)) {
                return std::string(kMsgEnterCallList);
            }
            break;
    }
    return std::nullopt;
}

std::optional<ExchangeFailure> ExchangeFromControls(std::span<const DialogField> fields,
                                                    std::span<const FieldState> states) {
    const std::size_t count = std::min(fields.size(), states.size());
    for (std::size_t index = 0; index < count; ++index) {
        if (std::optional<std::string> message = FieldFromControl(fields[index], states[index])) {
            return ExchangeFailure{index, std::move(*message)};
        }
    }
    return std::nullopt;
}

}  // namespace korvale
