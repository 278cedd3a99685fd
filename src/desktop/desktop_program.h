// The desktop program's start-up and run: locates the program, checks that a
// display can be reached (before the INI file is touched), then runs the
// main window until it closes and the exit sequence has run.
#pragma once

namespace korvale {

// Returns the process exit code: 0 after a normal run, 1 when no display
// could be reached (said in one line on standard error).
int RunDesktop(int argc, char** argv);

}  // namespace korvale
