// Arbitrary pastes into the settings dialogs' fields. The first byte picks the
// dialog and ticks its boxes; the rest, split at line feeds, fills the fields
// for one OK. Fields before the first refusal take their line, the rest keep
// their settings; whatever a field holds shows as a text it takes back unchanged.
#include <string_view>

#include "dialogs/settings_dialogs.h"
#include "fuzz_support.h"
#include "gateway/gateway_globals.h"

using namespace korvale::fuzzing;

namespace {

// The setting behind a field, byte for byte.
std::string valueOf(const DialogField& f) {
    using enum FieldKind;
    return f.kind == Text       ? *f.text
           : f.kind == Callsign ? f.address->toText() + "/" + std::to_string(f.address->ssid)
           : f.kind == CallList ? std::to_string(f.list->count()) + ":" + f.list->toText()
                                : std::to_string(*f.integer);
}

DialogCopy startingCopy() {
    Settings settings;
    settings.m_UnprotoSource.parse("N0CALL-15"), settings.m_UnprotoDest.parse("QST");
    settings.m_UnprotoDigis.parse("RELAY WIDE2-2"), settings.m_BeaconSource.parse("DB0ABC");
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
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto makeDialog = kDialogs[data[0] % std::size(kDialogs)];
    DialogCopy copy = startingCopy();
    DialogDescription dialog = makeDialog(copy);
    std::vector<FieldState> states(dialog.fields.size());
    std::vector<std::string> before;
    for (std::size_t i = 0, start = 0; i < states.size(); ++i) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        states[i] = {start <= text.size() ? std::string(text.substr(start, end - start)) : "",
                     ((data[0] >> (3 + i % 5)) & 1) != 0};
        start = end + 1;
        before.push_back(valueOf(dialog.fields[i]));
    }
    const std::optional<ExchangeFailure> failure = ExchangeFromControls(dialog.fields, states);
    const std::size_t refused = failure ? failure->fieldIndex : states.size();
    check(refused <= states.size());
    for (std::size_t i = 0; i < states.size(); ++i) {
        DialogField& field = dialog.fields[i];
        if (i >= refused) {
            check(valueOf(field) == before[i]);  // refused or never reached: unchanged
        } else if (field.kind == FieldKind::CheckBox) {
            check(*field.integer == (states[i].checked ? 1 : 0));
        } else if (field.kind == FieldKind::Text) {
            check(*field.text == states[i].text);
        } else if (field.kind == FieldKind::Integer) {
            check(*field.integer >= field.minimum && *field.integer <= field.maximum);
        } else if (field.kind == FieldKind::CallList) {
            check(field.list->count() <= 7);
        }
        const FieldState shown = FieldToControl(field);
        const std::string now = valueOf(field);
        check(!FieldFromControl(field, shown) && valueOf(field) == now);
    }
    if (failure) {
        // The field refuses on its own too, with the same message, and keeps its setting.
        DialogCopy fresh = startingCopy();
        DialogDescription again = makeDialog(fresh);
        DialogField& field = again.fields[refused];
        const std::string was = valueOf(field);
        check(FieldFromControl(field, states[refused]) == failure->message &&
              valueOf(field) == was);
        check(field.kind != FieldKind::Integer || failure->message == kMsgEnterInteger ||
              failure->message == IntegerRangeMessage(field.minimum, field.maximum));
    }
    return 0;
}
