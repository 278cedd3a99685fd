// Which device file stands for COM port number n.
//
// The user names a port by its number, as on the settings dialog. A link (or
// device node) called "COMn" in the program's directory wins, so that
// `ln -s /dev/ttyUSB0 COM3` or a link to a soft-modem TNC's pseudo-terminal
// gives the port any number; without one, port n is /dev/ttyS<n-1>, the
// mapping common Windows-compatibility layers use. Pure file-system look-up,
// any thread.
#pragma once

#include <string>

namespace korvale {

inline constexpr const char* kComLinkPrefix = "COM";
inline constexpr const char* kBuiltInSerialPrefix = "/dev/ttyS";

// The path to open for port `portNumber`, looking for the "COMn" link in
// `directory` (with or without a trailing '/'; empty means the current
// directory). A dangling link is still chosen: the adapter it points at may
// be plugged in while the open is retried. Returns an empty string for a port
// number below 1, which names no device.
std::string ResolveComDevice(int portNumber, const std::string& directory);

}  // namespace korvale
