// The main window's three operations on the TNC's serial port: the enable
// rule, and opening and closing with the messages the user sees.
//
// Owner's thread only. The messages go out through `message` as English text,
// with the port number for the "%i" of the error; the caller translates the
// text first and puts the number in afterwards.
#pragma once

#include <functional>
#include <string_view>

#include "kiss/com_handler.h"

namespace korvale {

inline constexpr std::string_view kSerialPortNotEnabledText =
    "Warning: Serial port is not enabled.\r";
inline constexpr std::string_view kCannotOpenPortText =
    "Error: Cannot open COM%i! Port is disabled.\r";

// The TNC always runs at 8 data bits, no parity, one stop bit, DTR raised and
// RTS/CTS flow control, without XON/XOFF.
inline constexpr int kTncByteSize = 8;
inline constexpr int kTncParity = kParityNone;
inline constexpr int kTncStopBits = kStopBitsOne;
inline constexpr int kTncDtrMode = kLineModeOn;
inline constexpr int kTncRtsMode = kLineModeHandshake;
inline constexpr int kTncXonXoff = 0;

using TncMessageCallback = std::function<void(std::string_view englishText, int port)>;

// True when the port is not disabled (m_bTncDisablePort 0) and one is chosen
// (m_iTncPort not 0).
bool IsTncPortEnabled(int tncDisablePort, int tncPort);

// Opens the handler on `tncPort` when the port is enabled, or shows the
// warning. On failure shows the error and sets `tncDisablePort` to 1, so the
// port stays disabled (in later runs too, once the settings are saved) until
// the user enables it again. The notify callback is the handler's own, set
// beforehand. Returns whether the port is now open.
bool OpenTncPort(ComHandler& handler, int tncPort, int tncBaudrate, int& tncDisablePort,
                 const TncMessageCallback& message);

// Closes the handler when the port is enabled; otherwise does nothing.
void CloseTncPort(ComHandler& handler, int tncPort, int tncDisablePort);

}  // namespace korvale
