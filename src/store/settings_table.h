// The table of the settings file: each key once, with its section, where its
// value is held, its kind, its default and how the file keeps it. Loading,
// saving with its unchanged-value check (settings.h, the language name in
// lang/interface_language.h) and the settings dialogs' take-back all walk
// this table, so a new setting is one row here and a member of Settings.
//
// The rows stand in the order a save visits them; the first-run file keeps
// that order by section, after "Misc", whose language name start-up writes
// first. Main thread only.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "ax25/ax25_address.h"

namespace korvale {

struct Settings;

// The section of the serial link's settings, which the serial port dialog
// edits as a whole.
inline constexpr std::string_view kSectionTnc = "TNC";

enum class SettingKind { Integer, Flag, Text, Callsign, CallList, TncAddress };

// How the file keeps a value.
enum class FileForm {
    Decimal,  // integers and flags: decimal digits, a '-' when negative
    // The program's Windows-1252 as UTF-8. A stored value that is not valid
    // UTF-8 was written before in Windows-1252 and loads as it stands.
    Utf8,
    AsItStands,  // the bytes as they are: a file name as the file system spells it
};

// Which load reads a row.
enum class SettingTime {
    AtStart,     // before any window (the language name), written first at exit
    WithRecord,  // LoadSettings
    WithWindow,  // LoadWindowPlacement (and LoadSettings, for a program without a window)
};

// Where one set of values is held: the record and the process-wide values,
// or a dialog's copies of them. A null place holds nothing and its rows are
// passed over.
struct SettingsPlaces {
    Settings* settings = nullptr;
    Ax25Address* ownAddress = nullptr;  // GatewayOwnAddress
    int* suppressBroadcasts = nullptr;  // SuppressBroadcasts
    std::string* language = nullptr;    // CurrentLanguage
};

// The process-wide values, with the record when one is given.
SettingsPlaces LivePlaces(Settings* settings = nullptr);

// A row's value in one set of places; monostate when the places lack it.
using SettingValue = std::variant<std::monostate, int*, std::string*, Ax25Address*, AddressList*>;

struct SettingRow {
    std::string_view section;
    std::string_view key;  // also the member's name, for members of Settings
    SettingKind kind;
    FileForm form;
    SettingTime time;
    SettingValue (*place)(const SettingsPlaces&);
    int number = 0;           // default of integers and flags
    std::string_view text{};  // default of texts and callsigns; call lists default to empty
    // CX and CY: a missing key leaves the value the window was first laid
    // out with (see LoadWindowPlacement), not `number`.
    bool laidOutDefault = false;
};

std::span<const SettingRow> SettingsTable();

// Sets the row's value from the file (its default when the key is missing).
// An invalid callsign leaves the callsign as it was; a call list keeps the
// calls before an invalid one or before it is full.
void LoadSetting(const SettingRow& row, const SettingsPlaces& places, const std::string& iniPath);

// Writes the row's value when it differs from what the file holds: an integer
// compared as a number, a text as the program holds it (blanks at the ends
// aside, which the reader drops), so an unchanged value is never rewritten
// and a missing key always written. False when the write failed.
bool SaveSetting(const SettingRow& row, const SettingsPlaces& places, const std::string& iniPath);

// The value as a save writes it into the file; empty when the places lack it.
std::string SettingFileText(const SettingRow& row, const SettingsPlaces& places);

// Copies the row's value from one set of places to another (a list keeps its
// capacity); nothing when either lacks it.
void CopySetting(const SettingRow& row, const SettingsPlaces& to, const SettingsPlaces& from);

// The row of a value held in the given places, or nullptr.
const SettingRow* RowHolding(const SettingsPlaces& places, SettingValue value);

}  // namespace korvale
