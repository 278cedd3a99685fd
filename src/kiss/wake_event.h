// A wake-up that one thread gives and another waits for in poll(): an
// eventfd counter. signal() may be called from any thread and never blocks;
// the waiting thread polls descriptor() for POLLIN and then calls clear().
// Signals given before the wait are not lost: they keep the descriptor
// readable until cleared.
#pragma once

#include "gateway/file_descriptor.h"

namespace korvale {

class WakeEvent {
  public:
    WakeEvent();

    // False when the kernel could not make the eventfd; nothing works then.
    bool valid() const { return fd_.valid(); }
    int descriptor() const { return fd_.get(); }

    void signal();
    // Takes every signal given so far; returns whether there was any.
    bool clear();

  private:
    FileDescriptor fd_;
};

}  // namespace korvale
