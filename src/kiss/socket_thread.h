// A thread that serves sockets for an owner on the engine's thread (the TCP
// TNC link, the KISS server): what the two share with it, how it starts, and
// how it stops without the owner waiting on a name look-up.
//
// `lock` guards `stopping`, `ended` and whatever the owner adds under it;
// `notifyLock` is held while the callback runs, so that clearing the
// callback waits for a call under way.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "kiss/wake_event.h"

namespace korvale {

struct SocketThreadShared {
    WakeEvent wake;

    std::mutex lock;
    std::condition_variable endedSignal;
    bool stopping = false;
    bool ended = false;

    std::mutex notifyLock;
    std::function<void()> notify;

    bool stopRequested();
    // Runs the callback, if any, on the calling (socket) thread.
    void announce();
    void setNotify(std::function<void()> callback);
    // The thread's last step: wakes StopSocketThread.
    void threadEnded();
};

// Runs `run(shared)` on `thread`; false, starting nothing, when the wake
// event or the thread cannot be made.
template <class Shared>
bool StartSocketThread(const std::shared_ptr<Shared>& shared, std::thread& thread,
                       void (*run)(std::shared_ptr<Shared>)) {
    if (!shared->wake.valid()) {
        return false;
    }
    try {
        thread = std::thread(run, shared);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

// Sets `stopping`, wakes the thread and waits up to `wait` for it to end.
// A thread still stuck (in a name look-up) is detached with its callback
// cleared: it ends by itself later, without a word.
void StopSocketThread(SocketThreadShared& shared, std::thread& thread,
                      std::chrono::milliseconds wait);

}  // namespace korvale
