#include "store/settings_table.h"

#include <array>
#include <climits>
#include <optional>

#include "gateway/gateway_globals.h"
#include "store/code_pages.h"
#include "store/profile_file.h"
#include "store/program_directory.h"
#include "store/settings.h"

namespace korvale {

namespace {

using Place = SettingValue (*)(const SettingsPlaces&);

template <auto Member>
SettingValue inRecord(const SettingsPlaces& places) {
    if (places.settings == nullptr) {
        return {};
    }
    return &(places.settings->*Member);
}

template <auto Value>
SettingValue processWide(const SettingsPlaces& places) {
    if (places.*Value == nullptr) {
        return {};
    }
    return places.*Value;
}

constexpr SettingRow number(std::string_view section, std::string_view key, SettingKind kind,
                            Place place, int value, SettingTime time = SettingTime::WithRecord) {
    return {section, key, kind, FileForm::Decimal, time, place, value};
}

constexpr SettingRow text(std::string_view section, std::string_view key, SettingKind kind,
                          Place place, std::string_view value = {}) {
    return {section, key, kind, FileForm::Utf8, SettingTime::WithRecord, place, 0, value};
}

constexpr SettingRow laidOutSize(std::string_view key, Place place) {
    SettingRow row = number("Dialog", key, SettingKind::Integer, place, 0, SettingTime::WithWindow);
    row.laidOutDefault = true;
    return row;
}

using enum SettingKind;
constexpr SettingTime kWindow = SettingTime::WithWindow;

// clang-format off
constexpr std::array kTable = {
    number("Dialog", "Left", Integer, inRecord<&Settings::m_iLeft>, 0, kWindow),
    number("Dialog", "Top", Integer, inRecord<&Settings::m_iTop>, 0, kWindow),
    laidOutSize("CX", inRecord<&Settings::m_iCx>),
    laidOutSize("CY", inRecord<&Settings::m_iCy>),
    number("Dialog", "ShowInTray", Flag, inRecord<&Settings::m_bInTray>, 0, kWindow),
    text("TCP-IP", "TcpIpMyCall", Callsign, processWide<&SettingsPlaces::ownAddress>, "NOCALL"),
    number("TCP-IP", "SuppressBroadcasts", Flag, processWide<&SettingsPlaces::suppressBroadcasts>, 1),
    number(kSectionTnc, "m_iTncPort", Integer, inRecord<&Settings::m_iTncPort>, 0),  // no port
    number(kSectionTnc, "m_iTncBaudrate", Integer, inRecord<&Settings::m_iTncBaudrate>, 9600),
    number(kSectionTnc, "m_bTncDisablePort", Flag, inRecord<&Settings::m_bTncDisablePort>, 0),
    text(kSectionTnc, "m_sTncTcpAddress", TncAddress, inRecord<&Settings::m_sTncTcpAddress>),
    text(kSectionTnc, "m_sKissServerAddress", TncAddress, inRecord<&Settings::m_sKissServerAddress>),
    number("KISS", "m_iTxDelay", Integer, inRecord<&Settings::m_iTxDelay>, 200),
    number("KISS", "m_iTxTail", Integer, inRecord<&Settings::m_iTxTail>, 0),
    number("KISS", "m_iPersist", Integer, inRecord<&Settings::m_iPersist>, 63),
    number("KISS", "m_iSlottime", Integer, inRecord<&Settings::m_iSlottime>, 10),
    number("KISS", "m_bFullDup", Flag, inRecord<&Settings::m_bFullDup>, 0),
    text("KISS", "m_sInitTncText", Text, inRecord<&Settings::m_sInitTncText>, "KISS ON^013RESTART^013"),
    text("KISS", "m_sExitTncText", Text, inRecord<&Settings::m_sExitTncText>, "^192^255^192"),
    number("KISS", "m_iAirBaudrate", Integer, inRecord<&Settings::m_iAirBaudrate>, 0),  // no pacing
    number("Monitor", "m_bMonitorI", Flag, inRecord<&Settings::m_bMonitorI>, 1),
    number("Monitor", "m_bMonitorUI", Flag, inRecord<&Settings::m_bMonitorUI>, 1),
    number("Monitor", "m_bMonitorSABM", Flag, inRecord<&Settings::m_bMonitorSABM>, 1),
    number("Monitor", "m_bMonitorRR", Flag, inRecord<&Settings::m_bMonitorRR>, 1),
    number("Monitor", "m_bMonitorHeaders", Flag, inRecord<&Settings::m_bMonitorHeaders>, 1),
    text("Monitor", "m_sCaptureFile", Text, inRecord<&Settings::m_sCaptureFile>),
    text("Unproto", "m_UnprotoSource", Callsign, inRecord<&Settings::m_UnprotoSource>, "NOCALL"),
    text("Unproto", "m_UnprotoDest", Callsign, inRecord<&Settings::m_UnprotoDest>, "QST"),
    text("Unproto", "m_UnprotoDigis", CallList, inRecord<&Settings::m_UnprotoDigis>),
    text("Beacon", "m_BeaconSource", Callsign, inRecord<&Settings::m_BeaconSource>, "NOCALL"),
    text("Beacon", "m_BeaconDest", Callsign, inRecord<&Settings::m_BeaconDest>, "QST"),
    text("Beacon", "m_BeaconDigis", CallList, inRecord<&Settings::m_BeaconDigis>),
    text("Beacon", "m_sBeaconText", Text, inRecord<&Settings::m_sBeaconText>),
    number("Beacon", "m_iBeaconInterval", Integer, inRecord<&Settings::m_iBeaconInterval>, 20),  // s
    number("Beacon", "m_bBeaconEnable", Flag, inRecord<&Settings::m_bBeaconEnable>, 0),
    SettingRow{"Misc", "Language", Text, FileForm::AsItStands, SettingTime::AtStart,
               processWide<&SettingsPlaces::language>, 0, "English"},
    number("Misc", "m_bOemTranslation", Flag, inRecord<&Settings::m_bOemTranslation>, 1),
};
// clang-format on

// The program's form of a stored text.
std::string fromFile(FileForm form, std::string stored) {
    return form == FileForm::Utf8 && IsValidUtf8(stored) ? Utf8ToAnsi(stored) : stored;
}

std::string toFile(FileForm form, std::string_view text) {
    return form == FileForm::Utf8 ? AnsiToUtf8(text) : std::string(text);
}

// A text-kind value as the program writes it out.
std::string programText(const SettingValue& value) {
    if (std::string* const* text = std::get_if<std::string*>(&value)) {
        return **text;
    }
    if (Ax25Address* const* address = std::get_if<Ax25Address*>(&value)) {
        return (*address)->toText();
    }
    if (AddressList* const* list = std::get_if<AddressList*>(&value)) {
        return CallListText(**list);
    }
    return {};
}

}  // namespace

std::span<const SettingRow> SettingsTable() {
    return kTable;
}

SettingsPlaces LivePlaces(Settings* settings) {
    return {settings, &GatewayOwnAddress, &SuppressBroadcasts, &CurrentLanguage};
}

void LoadSetting(const SettingRow& row, const SettingsPlaces& places, const std::string& iniPath) {
    const SettingValue value = row.place(places);
    if (std::holds_alternative<std::monostate>(value)) {
        return;
    }
    const std::optional<std::string> stored = FindProfileText(iniPath, row.section, row.key);
    if (int* const* number = std::get_if<int*>(&value)) {
        const int fallback = row.laidOutDefault ? **number : row.number;
        **number = stored ? ParseProfileInt(*stored, fallback) : fallback;
        return;
    }
    const std::string text = stored ? fromFile(row.form, *stored) : std::string(row.text);
    if (std::string* const* held = std::get_if<std::string*>(&value)) {
        **held = text;
    } else if (Ax25Address* const* address = std::get_if<Ax25Address*>(&value)) {
        // parse() changes the address only on success.
        (*address)->parse(text);
    } else if (AddressList* const* list = std::get_if<AddressList*>(&value)) {
        AddressList loaded(kAddressListCapacity);
        loaded.parse(text);
        **list = loaded;
    }
}

bool SaveSetting(const SettingRow& row, const SettingsPlaces& places, const std::string& iniPath) {
    const SettingValue value = row.place(places);
    if (std::holds_alternative<std::monostate>(value)) {
        return true;
    }
    if (int* const* number = std::get_if<int*>(&value)) {
        // Read with a default that cannot equal the value, so that a missing
        // or empty key is always written (value + 1 would overflow at
        // INT_MAX).
        const int unlike = **number == INT_MAX ? **number - 1 : **number + 1;
        return ReadProfileInt(iniPath, row.section, row.key, unlike) == **number ||
               WriteProfileInt(iniPath, row.section, row.key, **number);
    }
    // Compared as the program holds it, so a file written before in
    // Windows-1252 is not rewritten while its values stay the same; the
    // reader drops blanks at the ends, so a call list, stored with a blank
    // after each call, is not written again at every exit.
    const std::string text = programText(value);
    const std::optional<std::string> stored = FindProfileText(iniPath, row.section, row.key);
    return (stored && fromFile(row.form, *stored) == TrimBlanks(text)) ||
           WriteProfileText(iniPath, row.section, row.key, toFile(row.form, text));
}

std::string SettingFileText(const SettingRow& row, const SettingsPlaces& places) {
    const SettingValue value = row.place(places);
    if (int* const* number = std::get_if<int*>(&value)) {
        return std::to_string(**number);
    }
    return toFile(row.form, programText(value));
}

void CopySetting(const SettingRow& row, const SettingsPlaces& to, const SettingsPlaces& from) {
    const SettingValue target = row.place(to);
    const SettingValue source = row.place(from);
    if (target.index() != source.index() || target == source) {
        return;
    }
    if (int* const* number = std::get_if<int*>(&target)) {
        **number = *std::get<int*>(source);
    } else if (std::string* const* text = std::get_if<std::string*>(&target)) {
        **text = *std::get<std::string*>(source);
    } else if (Ax25Address* const* address = std::get_if<Ax25Address*>(&target)) {
        **address = *std::get<Ax25Address*>(source);
    } else if (AddressList* const* list = std::get_if<AddressList*>(&target)) {
        (*list)->assign(*std::get<AddressList*>(source));
    }
}

const SettingRow* RowHolding(const SettingsPlaces& places, SettingValue value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return nullptr;
    }
    for (const SettingRow& row : kTable) {
        if (row.place(places) == value) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace korvale
