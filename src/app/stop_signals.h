// The signals that end a run from outside (Ctrl-C, kill, logout): both
// programs block them before any thread starts, so that every thread
// inherits the mask and the signals arrive only through a signalfd that the
// main thread watches; the exit sequence then runs as after a normal close.
#pragma once

#include <signal.h>

namespace korvale {

// Blocks SIGINT, SIGTERM and SIGHUP in the calling thread (call it first in
// main) and ignores SIGPIPE. Returns the blocked set for signalfd().
sigset_t BlockStopSignals();

}  // namespace korvale
