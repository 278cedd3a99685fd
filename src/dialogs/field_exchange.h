// The exchange rules of the settings dialogs' fields: how a setting is shown
// in its control when a dialog opens, and how the control's content is
// checked and taken back when the user presses OK.
//
// Plain logic over texts, with no toolkit in it: the Qt dialogs are a thin
// skin over these functions. Texts are Windows-1252, as the settings hold
// them. A refused field leaves its setting unchanged and gives the message
// to show; the messages are always English. Main thread only.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ax25/ax25_address.h"

namespace korvale {

// How many characters of a field's text the exchange reads; the rest is
// ignored, as if the field had been cut there.
inline constexpr std::size_t kCallsignFieldMaxLength = 18;
inline constexpr std::size_t kCallListFieldMaxLength = 198;
inline constexpr std::size_t kIntegerFieldMaxLength = 31;
// In a call list, a run of more non-blank characters than this is cut to
// its first kCallListTokenMaxLength before it is parsed.
inline constexpr std::size_t kCallListTokenMaxLength = 9;

inline constexpr std::string_view kMsgEnterCallsign = "Enter the correct callsign!";
inline constexpr std::string_view kMsgEnterCallList = "Enter the correct list of calls!";
inline constexpr std::string_view kMsgEnterInteger = "Please enter an integer.";

// "Please enter an integer between <minimum> and <maximum>."
std::string IntegerRangeMessage(int minimum, int maximum);

enum class FieldKind { CheckBox, Integer, Text, Callsign, CallList };

// A control's content: the text of an edit field, or the tick of a box.
struct FieldState {
    std::string text{};
    bool checked = false;
};

// One field of a dialog and the setting it edits. Exactly the binding that
// belongs to the kind is set: `integer` for CheckBox and Integer, `text` for
// Text, `address` for Callsign, `list` for CallList. The bound setting must
// outlive the field.
struct DialogField {
    int controlId = 0;
    std::string_view label{};  // English text of the field's label or check box
    FieldKind kind = FieldKind::Text;
    int minimum = 0;  // Integer fields: the accepted range
    int maximum = 0;
    int* integer = nullptr;
    std::string* text = nullptr;
    Ax25Address* address = nullptr;
    AddressList* list = nullptr;
    // Callsign, call-list and interval fields turn letters to upper case as
    // they are typed.
    bool upperCaseAsTyped = false;
};

// The text of a callsign field: the callsign, then "-" and the SSID when it
// is not 0.
std::string CallsignFieldText(const Ax25Address& address);

// The text of a call-list field: each call followed by one blank.
std::string CallListFieldText(const AddressList& list);

// Reads a callsign field (its first kCallsignFieldMaxLength characters) into
// address. False, with the address unchanged, when the text is not one to
// six letters or digits with an optional "-" and an SSID of 0 to 15.
bool TakeCallsignField(std::string_view fieldText, Ax25Address& address);

// Reads a call-list field (its first kCallListFieldMaxLength characters):
// calls separated by blanks, each token cut to kCallListTokenMaxLength, the
// list ending without error at a control character or a byte from 0x80 up.
// On success the list becomes a copy of what was read (its capacity stays);
// false, with the list unchanged, when a call is wrong, the calls overflow
// the list's capacity or fewer than minimumCount were read.
bool TakeCallListField(std::string_view fieldText, AddressList& list, int minimumCount = 0);

// Reads an integer field: an optional sign and decimal digits, with optional
// blanks or tabs around them; a zero may not carry a sign. The message when
// refused: kMsgEnterInteger for bad syntax (or a value beyond 32 bits),
// IntegerRangeMessage when outside [minimum, maximum].
struct IntegerFieldResult {
    std::optional<int> value;
    std::string message;  // empty when accepted
};
IntegerFieldResult ReadIntegerField(std::string_view fieldText, int minimum, int maximum);

// What the control shows when the dialog opens. A check box is ticked when
// its value is 1; a value outside 0 to 2 is first set to 0 (so the field
// changes its setting).
FieldState FieldToControl(DialogField& field);

// Takes the control's content into the bound setting. Returns the message
// to show when the field refuses it (the setting is then unchanged), or
// nothing when it was taken.
std::optional<std::string> FieldFromControl(const DialogField& field, const FieldState& state);

struct ExchangeFailure {
    std::size_t fieldIndex;  // index into the fields, in exchange order
    std::string message;
};

// OK: takes every field in order and stops at the first refusal. The fields
// before it have been taken; the caller keeps the dialog open, shows the
// message and puts the focus on that field with its text selected.
// `states` holds one entry per field.
std::optional<ExchangeFailure> ExchangeFromControls(std::span<const DialogField> fields,
                                                    std::span<const FieldState> states);

}  // namespace korvale
