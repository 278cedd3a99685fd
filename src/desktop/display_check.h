// Whether the desktop program can reach a display, asked before anything
// else so that a run without one changes no file and ends with one line on
// standard error instead of the toolkit aborting the process.
#pragma once

#include <string>

namespace korvale {

// Empty when a display can be reached (or a platform other than X11 is
// chosen through QT_QPA_PLATFORM, which the toolkit then checks itself);
// otherwise why not, in one line.
std::string DisplayUnavailableReason();

}  // namespace korvale
