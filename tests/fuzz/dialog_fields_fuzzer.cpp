// Arbitrary pastes into the settings dialogs' fields. The first byte picks
// the dialog and ticks its boxes; the rest is typed whole into every field
// on its own, and then, split at line feeds, into the dialog's fields for
// one OK. A refused field must leave its setting alone, and whatever a field
// takes must show again as a text the same field takes back unchanged.
#include <charconv>
#include <string_view>

#include "dialogs/settings_dialogs.h"
#include "fuzz_support.h"
#include "gateway/gateway_globals.h"

using namespace korvale::fuzzing;

namespace {

// The setting behind a field, byte for byte, to tell whether it changed.
std::string valueOf(const DialogField& field) {
    switch (field.kind) {
        case FieldKind::CheckBox:
        case FieldKind::Integer:
            return std::to_string(*field.integer);
        case FieldKind::Text:
            return *field.text;
        case FieldKind::Callsign:
            return std::string(field.address->callsign.data(), field.address->callsign.size()) +
                   std::to_string(field.address->ssid);
        case FieldKind::CallList: {
            std::string text = std::to_string(field.list->count());
            for (const Ax25Address& address : *field.list) {
                text += "," + std::string(address.callsign.data(), address.callsign.size()) +
                        std::to_string(address.ssid);
            }
            return text;
        }
    }
    return {};
}

// The integer rule written out another way: blanks and tabs trimmed, an
// optional sign, digits, no signed zero, 32 bits, then the range.
std::optional<int> referenceInteger(std::string_view text, int minimum, int maximum) {
    text = text.substr(0, kIntegerFieldMaxLength);
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    const bool hasSign = text[0] == '+' || text[0] == '-';
    const std::string_view digits = text.substr(hasSign ? 1 : 0);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos ||
        (hasSign && digits.find_first_not_of('0') == std::string_view::npos)) {
        return std::nullopt;
    }
    long long value = 0;
    const std::string_view number = text[0] == '+' ? digits : text;
    if (std::from_chars(number.data(), number.data() + number.size(), value).ec != std::errc() ||
        value < minimum || value > maximum) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// What a field did with one control state, given its setting before.
void checkExchange(const DialogField& field, const FieldState& state, const std::string& before,
                   const std::optional<std::string>& message) {
    if (message) {
        check(valueOf(field) == before);
    }
    switch (field.kind) {
        case FieldKind::CheckBox:
            check(!message && *field.integer == (state.checked ? 1 : 0));
            break;
        case FieldKind::Integer: {
            const auto expected = referenceInteger(state.text, field.minimum, field.maximum);
            check(expected ? !message && *field.integer == *expected
                           : message == std::string(kMsgEnterInteger) ||
                                 message == IntegerRangeMessage(field.minimum, field.maximum));
            break;
        }
        case FieldKind::Text:
            check(!message && *field.text == state.text);
            break;
        case FieldKind::Callsign:
            check(!message || *message == kMsgEnterCallsign);
            if (!message) {
                Ax25Address again;
                check(again.parse(CallsignFieldText(*field.address)) && again == *field.address);
            }
            break;
        case FieldKind::CallList:
            check(!message || *message == kMsgEnterCallList);
            if (!message) {
                AddressList again;
                check(field.list->count() <= kAddressListCapacity &&
                      again.parse(CallListFieldText(*field.list)) == field.list->count() &&
                      again == *field.list);
            }
            break;
    }
}

// Whatever a field holds now, the text it shows is taken back unchanged:
// OK without changes never alters a setting or refuses.
void checkShownTextIsTakenBack(DialogField& field) {
    const FieldState shown = FieldToControl(field);
    const std::string before = valueOf(field);
    check(!FieldFromControl(field, shown) && valueOf(field) == before);
}

DialogCopy startingCopy() {
    Settings settings;
    settings.m_UnprotoSource.parse("N0CALL-15");
    settings.m_UnprotoDest.parse("QST");
    settings.m_UnprotoDigis.parse("RELAY WIDE2-2");
    settings.m_BeaconSource.parse("DB0ABC");
    settings.m_BeaconDest.parse("BEACON-1");
    GatewayOwnAddress.parse("GW1-3");
    return MakeDialogCopy(settings);
}

constexpr DialogDescription (*kDialogs[])(DialogCopy&) = {TcpIpDialog, KissTncDialog, MonitorDialog,
                                                          UnprotoDialog, BeaconDialog};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const unsigned selector = data[0];
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto makeDialog = kDialogs[selector % std::size(kDialogs)];

    // The whole paste into each field on its own.
    DialogCopy single = startingCopy();
    DialogDescription dialog = makeDialog(single);
    for (std::size_t i = 0; i < dialog.fields.size(); ++i) {
        const FieldState state{std::string(text), ((selector >> (i % 8)) & 1) != 0};
        const std::string before = valueOf(dialog.fields[i]);
        checkExchange(dialog.fields[i], state, before, FieldFromControl(dialog.fields[i], state));
        checkShownTextIsTakenBack(dialog.fields[i]);
    }

    // One OK with a line per field: the fields before the first refusal are
    // taken, that one and those after it keep their settings.
    DialogCopy copy = startingCopy();
    dialog = makeDialog(copy);
    std::vector<FieldState> states(dialog.fields.size());
    std::vector<std::string> before;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < states.size(); ++i) {
        const std::size_t lineEnd = std::min(text.find('\n', lineStart), text.size());
        if (lineStart <= text.size()) {
            states[i].text = std::string(text.substr(lineStart, lineEnd - lineStart));
        }
        lineStart = lineEnd + 1;
        states[i].checked = ((selector >> (3 + i % 5)) & 1) != 0;
        before.push_back(valueOf(dialog.fields[i]));
    }
    const std::optional<ExchangeFailure> failure = ExchangeFromControls(dialog.fields, states);
    const std::size_t refused = failure ? failure->fieldIndex : states.size();
    check(refused <= states.size());
    for (std::size_t i = 0; i < states.size(); ++i) {
        if (i < refused) {
            checkExchange(dialog.fields[i], states[i], before[i], std::nullopt);
        } else {
            check(valueOf(dialog.fields[i]) == before[i]);
        }
        checkShownTextIsTakenBack(dialog.fields[i]);
    }
    if (failure) {
        // The message is the one the field gives on its own.
        DialogCopy fresh = startingCopy();
        const DialogDescription again = makeDialog(fresh);
        check(FieldFromControl(again.fields[refused], states[refused]) == failure->message);
    }
    return 0;
}
