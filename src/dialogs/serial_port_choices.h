// The serial port dialog's lists and the rules between them and the
// settings m_iTncPort and m_iTncBaudrate, the rule of its TCP address field
// (m_sTncTcpAddress), and the description of the device a port number opens
// on this machine. Plain logic, main thread only.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvale {

inline constexpr std::array<int, 8> kBaudRates = {1200,  2400,  4800,  9600,
                                                  19200, 38400, 57600, 115200};
inline constexpr int kHighestComPort = 255;
inline constexpr int kNoBaudRateChosen = 9600;  // the rate OK takes with no selection

// The position in the rate list of a stored rate: the highest listed rate
// not above it, and position 0 ("1200") for anything below 2400.
int BaudRatePosition(int baudRate);

// The rate at a list position; kNoBaudRateChosen for -1 (no selection) or
// any position outside the list.
int BaudRateAtPosition(int position);

// The port list: "Undefined" at position 0, then "COM1" to "COM255". These
// names are never translated.
std::vector<std::string> PortListNames();

// The list position that shows a stored port: the port itself from 0 to
// 255, -1 (no selection) otherwise.
int PortListPosition(int tncPort);

// The setting OK takes: the selected position, -1 when none is selected.
int PortFromListPosition(int position);

// One line, in the user's terms, saying which device port n opens: the
// "COMn" link in the program directory and where it points, or
// /dev/ttyS<n-1>, and whether that device exists now. Translated, in UTF-8:
// the language file's texts converted, file names as the file system holds
// them. Empty for port 0.
std::string DescribeComDevice(int tncPort, const std::string& programDirectory);

// What the dialog says when the TCP address field holds no address it can
// use; like the other dialogs' validation messages it stays English.
inline constexpr std::string_view kTncAddressRefusal =
    "Please enter the TNC's TCP address as host:port, for example localhost:8001, "
    "192.168.1.20:8001 or [fe80::1%eth0]:8001 (a name, an IPv4 address or an IPv6 address in "
    "brackets, then a port from 1 to 65535), or leave the field empty to use the serial port.";

// The same for the KISS server field (m_sKissServerAddress), read by the
// same rules; empty: no server.
inline constexpr std::string_view kKissServerAddressRefusal =
    "Please enter the KISS server's address as host:port, for example localhost:8011, "
    "0.0.0.0:8011 or [::]:8011 to listen on every interface, or leave the field empty for no "
    "server.";

// The setting OK takes from the TCP address field: its text without blanks
// at either end (empty: the serial port), or nothing when that is not an
// address (the dialog then refuses OK with kTncAddressRefusal).
std::optional<std::string> TncAddressFromField(std::string_view text);

}  // namespace korvale
