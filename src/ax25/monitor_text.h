// The one-line (or two-line) monitor text of a frame: addresses, kind,
// sequence numbers, command/response and P/F, PID, then for I and UI frames
// an ARP or IP header summary or the information bytes. Lines end in CR LF,
// and every rendered frame ends a line: its text ends in CR or CR LF.
#pragma once

#include <cstddef>
#include <string>

#include "ax25/ax25_frame.h"

namespace korvale {

// The text never exceeds this many characters; information bytes are cut so
// that the text before the final line end is at most kMonitorTextBodyLimit.
inline constexpr std::size_t kMonitorTextMaxLength = 2047;
inline constexpr std::size_t kMonitorTextBodyLimit = 2045;

// showHeaders is the m_bMonitorHeaders setting: when set, UI frames carrying
// AX.25 ARP (PID 0xCD, 30 bytes) or IPv4 (PID 0xCC, 20 bytes or more) show a
// header summary instead of their bytes. The text is 8-bit: information bytes
// from 0x80 up are copied as they are.
std::string renderMonitorText(const Ax25Frame& frame, bool showHeaders);

}  // namespace korvale
