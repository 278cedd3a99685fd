// The headless runner: the gateway engine without a window, for machines
// without a display. Monitor lines go to standard output as UTF-8, one line
// each, written as they happen; each line read from standard input (UTF-8)
// is sent as a typed unproto line; SIGINT or SIGTERM runs the exit sequence
// (exit text to the TNC, port closed, settings saved) and ends the run.
// End of standard input is not an end of the run.
//
// Everything runs on the calling thread in one poll loop: the 100 ms tick
// timer, the serial handler's notification (an eventfd that its reader
// thread signals), the adapter's descriptor (drained as soon as the host
// sends a frame), standard input and the signals.
#pragma once

#include <string>

namespace korvale {

// Runs start-up from the first word of the command line (program directory,
// INI file beside the executable, language file), then the engine until a
// signal ends it. Returns the process exit code.
int RunHeadless(const char* firstWord);

}  // namespace korvale
