// The main window's three operations on the TNC's serial port: the enable
// rule, and opening and closing with the messages the user sees.
//
// Owner's thread only. The messages go out through `message` as English text,
// with the port number for the "%i" of the error; the caller translates the
// text first and puts the number in afterwards.
#pragma once

#include <functional>
#include <string_view>

#include "kiss/serial_link.h"
#include "lang/ui_texts.h"

namespace korvale {

inline constexpr std::string_view kSerialPortNotEnabledText = kMsgPortNotEnabled;
inline constexpr std::string_view kCannotOpenPortText = kMsgCannotOpenPort;
// With the TNC's address for "%s"; see TranslateMsgWithText.
inline constexpr std::string_view kBadTncAddressText = kMsgBadTncAddress;

using TncMessageCallback = std::function<void(std::string_view englishText, int port)>;

// True when the port is not disabled (m_bTncDisablePort 0) and one is chosen
// (m_iTncPort not 0).
bool IsTncPortEnabled(int tncDisablePort, int tncPort);

// Opens the link on `tncPort` when the port is enabled, or shows the
// warning. On failure shows the error and sets `tncDisablePort` to 1 (see
// TncPortOpenFailed). Returns whether the port is now open; false too while
// the link opens off the caller's thread (kLinkOpening), whose failure then
// comes through the link's watch() and goes to TncPortOpenFailed.
bool OpenTncPort(SerialLink& link, int tncPort, int tncBaudrate, int& tncDisablePort,
                 const TncMessageCallback& message);

// Shows the error for `tncPort` and sets `tncDisablePort` to 1, so the port
// stays disabled (in later runs too, once the settings are saved) until the
// user enables it again.
void TncPortOpenFailed(int tncPort, int& tncDisablePort, const TncMessageCallback& message);

// Closes the link when the port is enabled; otherwise does nothing.
void CloseTncPort(SerialLink& link, int tncPort, int tncDisablePort);

// The same three with the TNC's TCP address (m_sTncTcpAddress). Empty, they
// are the ones above. Set, the link goes over TCP whatever the port number,
// "Disable port" still switches it off, and OpenTncPort opens the link
// (which connects, and reports, by itself) unless the address does not parse:
// then it shows kBadTncAddressText and opens nothing. The port is never
// disabled for a TCP TNC that cannot be reached.
bool IsTncPortEnabled(int tncDisablePort, int tncPort, std::string_view tcpAddress);
bool OpenTncPort(SerialLink& link, int tncPort, int tncBaudrate, std::string_view tcpAddress,
                 int& tncDisablePort, const TncMessageCallback& message);
void CloseTncPort(SerialLink& link, int tncPort, std::string_view tcpAddress, int tncDisablePort);

}  // namespace korvale
