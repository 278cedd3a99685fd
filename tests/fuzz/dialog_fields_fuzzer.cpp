// Pastes into a settings dialog for one OK (byte 0 picks it and ticks its boxes, lines fill its
// fields): fields before the first refusal take their line, the rest keep their settings.
#include "dialogs/settings_dialogs.h"
#include "fuzz_support.h"
#include "gateway/gateway_globals.h"

static std::string valueOf(const DialogField& f) {  // the setting behind a field, byte for byte
    using enum FieldKind;
    return f.kind == Text       ? *f.text
           : f.kind == Callsign ? f.address->toText() + "/" + std::to_string(f.address->ssid)
           : f.kind == CallList ? std::to_string(f.list->count()) + ":" + f.list->toText()
                                : std::to_string(*f.integer);
}

static DialogCopy startingCopy() {
    Settings s;
    s.m_UnprotoSource.parse("N0CALL-15"), s.m_UnprotoDest.parse("QST");
    s.m_UnprotoDigis.parse("RELAY WIDE2-2"), s.m_BeaconSource.parse("DB0ABC");
    s.m_BeaconDest.parse("BEACON-1"), GatewayOwnAddress.parse("GW1-3");
    return MakeDialogCopy(s);
}

constexpr DialogDescription (*kDialogs[])(DialogCopy&) = {TcpIpDialog, KissTncDialog, MonitorDialog,
                                                          UnprotoDialog, BeaconDialog};

FUZZ_TARGET(1) {
    const std::string_view text = AsText(data.subspan(1));
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
        using enum FieldKind;
        DialogField& field = dialog.fields[i];
        check(i >= refused             ? valueOf(field) == before[i]  // refused or not reached
              : field.kind == CheckBox ? *field.integer == (states[i].checked ? 1 : 0)
              : field.kind == Text     ? *field.text == states[i].text
              : field.kind == Integer
                  ? *field.integer >= field.minimum && *field.integer <= field.maximum
                  : field.kind != CallList || field.list->count() <= 7);
        const std::string now = valueOf(field);  // shows as a text it takes back unchanged
        check(!FieldFromControl(field, FieldToControl(field)) && valueOf(field) == now);
    }
    if (failure) {
        DialogCopy fresh = startingCopy();
        DialogDescription again = makeDialog(fresh);
        DialogField& field = again.fields[refused];
        const std::string was = valueOf(field);
        check(FieldFromControl(field, states[refused]) == failure->message &&
              valueOf(field) == was &&
              (field.kind != FieldKind::Integer || failure->message == kMsgEnterInteger ||
               failure->message == IntegerRangeMessage(field.minimum, field.maximum)));
    }
}
