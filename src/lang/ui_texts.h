// Every English text of the user interface that a language file can
// translate, by section: the program's messages ("Strings") and the captions,
// control texts and menu items of each window and menu. Windows and dialogs
// take their texts from here, and the shipped language files are checked
// against this list, so a text added to the program without a translation
// is noticed.
#pragma once

#include <array>
#include <string_view>

#include "lang/translate.h"

namespace korvale {

// Messages translated with TranslateMsg.
inline constexpr std::string_view kMsgNicOpenFailed = "Error: Failed to open NIC driver!\r";
// A format with one integer, the port number; see TranslateMsgWithInt.
inline constexpr std::string_view kMsgCannotOpenPort =
    "Error: Cannot open COM%i! Port is disabled.\r";
inline constexpr std::string_view kMsgPortNotEnabled = "Warning: Serial port is not enabled.\r";
inline constexpr std::string_view kMsgInitializingTnc = "Initializing TNC...\r";
// Formats with "%s", the TNC's device or address (see TranslateMsgWithText);
// the second also with "%i", the frames dropped while the link was down.
inline constexpr std::string_view kMsgTncLinkDown =
    "Warning: No link to the TNC at %s! Trying again every 5 seconds.\r";
inline constexpr std::string_view kMsgTncLinkBack =
    "The link to the TNC at %s is back; frames dropped while it was down: %i.\r";
inline constexpr std::string_view kMsgBadTncAddress =
    "Error: The TNC address %s is not host:port! Not connecting.\r";
// Formats with "%s", a KISS client's address, or the KISS server's; the
// third also with "%i", the frames the client missed for not reading.
inline constexpr std::string_view kMsgKissClientConnected = "KISS client %s connected.\r";
inline constexpr std::string_view kMsgKissClientDisconnected = "KISS client %s disconnected.\r";
inline constexpr std::string_view kMsgKissClientDisconnectedDropped =
    "KISS client %s disconnected; frames dropped because it did not read: %i.\r";
inline constexpr std::string_view kMsgBadKissServerAddress =
    "Error: The KISS server address %s is not host:port! Not listening.\r";
inline constexpr std::string_view kMsgKissServerCannotListen =
    "Error: Cannot listen for KISS clients at %s!\r";
// A format with "%s", the capture file's name as set.
inline constexpr std::string_view kMsgCaptureFailed =
    "Error: Cannot write the capture file %s! Not capturing.\r";
// A format with one integer, the count of frames dropped since the last line.
inline constexpr std::string_view kMsgAirQueueDropped = "Radio queue full, frames dropped: %i\r";
inline constexpr std::string_view kMsgArpTimersNotSet =
    "Warning: Cannot set the adapter's ARP timers for the radio bit rate.\r";
inline constexpr std::string_view kMsgRestartNeeded =
    "You need to restart the program for changes to take effect.";
inline constexpr std::string_view kMsgControlCodesHelp =
    "Control codes:\n\n^xxx - insert code xxx\n\n^013 - carriage return\n^010 - line "
    "feed\n^094 - insert the ^ symbol\n\n";
inline constexpr std::string_view kMsgTrayTip = "Click to toggle the Korvale window";
// The serial port dialog's device line: the device, or the COM link in the
// program directory and where it points, then whether it exists now (see
// TranslateMsgAroundText: the "%s" is a file name).
inline constexpr std::string_view kMsgComLinkInProgramDirectory = "COM%i in the program directory";
inline constexpr std::string_view kMsgDevicePresent = "%s (present)";
inline constexpr std::string_view kMsgDeviceNotPresent = "%s (not present)";
// "Contents...": the help page is missing, or no web browser shows it; the
// "%s" is the page's path.
inline constexpr std::string_view kMsgHelpFileMissing = "The help file %s is missing.";
inline constexpr std::string_view kMsgNoHelpViewer =
    "No web browser could be started to show the help file %s.";

// The About box's version text (the project version, which CMake passes in
// as KORVALE_VERSION) and its notice line.
inline constexpr std::string_view kProgramVersion = KORVALE_VERSION;
inline constexpr std::string_view kAboutNotice = "IP over amateur packet radio through a KISS TNC";

// Section names of the windows and menus.
inline constexpr std::string_view kSectionMainDialog = "Main dialog";
inline constexpr std::string_view kSectionAboutDialog = "About dialog";
inline constexpr std::string_view kSectionTcpIpDialog = "TcpIp dialog";
inline constexpr std::string_view kSectionTncDialog = "TNC dialog";
inline constexpr std::string_view kSectionMonitorDialog = "Monitor dialog";
inline constexpr std::string_view kSectionUnprotoDialog = "Unproto dialog";
inline constexpr std::string_view kSectionBeaconDialog = "Beacon dialog";
inline constexpr std::string_view kSectionPortDialog = "Port dialog";
inline constexpr std::string_view kSectionLanguageDialog = "Language dialog";
inline constexpr std::string_view kSectionSystrayMenu = "Systray menu";
inline constexpr std::string_view kSectionStrings = kStringsSection;

struct UiText {
    std::string_view section;
    std::string_view english;
};

inline constexpr std::array kUiTexts = {
    UiText{kSectionStrings, kMsgNicOpenFailed},
    UiText{kSectionStrings, kMsgCannotOpenPort},
    UiText{kSectionStrings, kMsgPortNotEnabled},
    UiText{kSectionStrings, kMsgInitializingTnc},
    UiText{kSectionStrings, kMsgTncLinkDown},
    UiText{kSectionStrings, kMsgTncLinkBack},
    UiText{kSectionStrings, kMsgBadTncAddress},
    UiText{kSectionStrings, kMsgKissClientConnected},
    UiText{kSectionStrings, kMsgKissClientDisconnected},
    UiText{kSectionStrings, kMsgKissClientDisconnectedDropped},
    UiText{kSectionStrings, kMsgBadKissServerAddress},
    UiText{kSectionStrings, kMsgKissServerCannotListen},
    UiText{kSectionStrings, kMsgCaptureFailed},
    UiText{kSectionStrings, kMsgAirQueueDropped},
    UiText{kSectionStrings, kMsgArpTimersNotSet},
    UiText{kSectionStrings, kMsgRestartNeeded},
    UiText{kSectionStrings, kMsgControlCodesHelp},
    UiText{kSectionStrings, kMsgTrayTip},
    UiText{kSectionStrings, kMsgComLinkInProgramDirectory},
    UiText{kSectionStrings, kMsgDevicePresent},
    UiText{kSectionStrings, kMsgDeviceNotPresent},
    UiText{kSectionStrings, kMsgHelpFileMissing},
    UiText{kSectionStrings, kMsgNoHelpViewer},

    UiText{kSectionMainDialog, "Korvale - Monitor/Unproto window"},
    UiText{kSectionMainDialog, "&View"},
    UiText{kSectionMainDialog, "&Hide in system tray"},
    UiText{kSectionMainDialog, "E&xit"},
    UiText{kSectionMainDialog, "&Settings"},
    UiText{kSectionMainDialog, "TCP/IP setup..."},
    UiText{kSectionMainDialog, "Serial port setup..."},
    UiText{kSectionMainDialog, "KISS TNC setup..."},
    UiText{kSectionMainDialog, "Re-init the TNC now"},
    UiText{kSectionMainDialog, "Monitor..."},
    UiText{kSectionMainDialog, "Unproto..."},
    UiText{kSectionMainDialog, "Beacon..."},
    UiText{kSectionMainDialog, "Enable beacon"},
    UiText{kSectionMainDialog, "OEM character translation"},
    UiText{kSectionMainDialog, "Interface language..."},
    UiText{kSectionMainDialog, "&Help"},
    UiText{kSectionMainDialog, "Contents..."},
    UiText{kSectionMainDialog, "&About..."},

    UiText{kSectionAboutDialog, "About Korvale"},
    UiText{kSectionAboutDialog, "Version "},
    UiText{kSectionAboutDialog, kProgramVersion},
    UiText{kSectionAboutDialog, kAboutNotice},
    UiText{kSectionAboutDialog, "OK"},

    UiText{kSectionTcpIpDialog, "TCP/IP settings"},
    UiText{kSectionTcpIpDialog, "Callsign for TCP/IP"},
    UiText{kSectionTcpIpDialog, "Suppress broadcasts"},
    UiText{kSectionTcpIpDialog, "OK"},
    UiText{kSectionTcpIpDialog, "Cancel"},

    UiText{kSectionTncDialog, "KISS TNC settings"},
    UiText{kSectionTncDialog, "TxDelay, ms"},
    UiText{kSectionTncDialog, "TxTail, ms"},
    UiText{kSectionTncDialog, "Persist"},
    UiText{kSectionTncDialog, "SlotTime, ms"},
    UiText{kSectionTncDialog, "Full duplex"},
    UiText{kSectionTncDialog, "Init command"},
    UiText{kSectionTncDialog, "Exit command"},
    UiText{kSectionTncDialog, "Radio bit rate, bit/s (0: off)"},
    UiText{kSectionTncDialog, "OK"},
    UiText{kSectionTncDialog, "Cancel"},
    UiText{kSectionTncDialog, "Help..."},

    UiText{kSectionMonitorDialog, "Monitor settings"},
    UiText{kSectionMonitorDialog, "Show frames"},
    UiText{kSectionMonitorDialog, "I"},
    UiText{kSectionMonitorDialog, "SABM,DISC,UA,DM,FRMR"},
    UiText{kSectionMonitorDialog, "UI"},
    UiText{kSectionMonitorDialog, "RR,RNR,REJ"},
    UiText{kSectionMonitorDialog, "Show headers of IP/ARP packets"},
    UiText{kSectionMonitorDialog, "Capture file for Wireshark (pcapng)"},
    UiText{kSectionMonitorDialog, "OK"},
    UiText{kSectionMonitorDialog, "Cancel"},

    UiText{kSectionUnprotoDialog, "Unproto settings"},
    UiText{kSectionUnprotoDialog, "Source call"},
    UiText{kSectionUnprotoDialog, "Dest call"},
    UiText{kSectionUnprotoDialog, "Digis"},
    UiText{kSectionUnprotoDialog, "OK"},
    UiText{kSectionUnprotoDialog, "Cancel"},

    UiText{kSectionBeaconDialog, "Beacon settings"},
    UiText{kSectionBeaconDialog, "Source call"},
    UiText{kSectionBeaconDialog, "Dest call"},
    UiText{kSectionBeaconDialog, "Digis"},
    UiText{kSectionBeaconDialog, "Text"},
    UiText{kSectionBeaconDialog, "Interval, s"},
    UiText{kSectionBeaconDialog, "Enable beacon"},
    UiText{kSectionBeaconDialog, "OK"},
    UiText{kSectionBeaconDialog, "Cancel"},

    UiText{kSectionPortDialog, "Serial port settings"},
    UiText{kSectionPortDialog, "Port"},
    UiText{kSectionPortDialog, "Baud rate"},
    UiText{kSectionPortDialog, "Disable port"},
    UiText{kSectionPortDialog, "TNC over TCP (host:port)"},
    UiText{kSectionPortDialog, "KISS server for other programs (host:port)"},
    UiText{kSectionPortDialog, "OK"},
    UiText{kSectionPortDialog, "Cancel"},

    UiText{kSectionLanguageDialog, "Language settings"},
    UiText{kSectionLanguageDialog, "Select"},
    UiText{kSectionLanguageDialog, "Cancel"},

    UiText{kSectionSystrayMenu, "Tray"},
    UiText{kSectionSystrayMenu, "Show/hide window"},
    UiText{kSectionSystrayMenu, "Exit"},
};

}  // namespace korvale
