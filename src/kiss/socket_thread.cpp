#include "kiss/socket_thread.h"

#include <utility>

namespace korvale {

bool SocketThreadShared::stopRequested() {
    std::lock_guard<std::mutex> hold(lock);
    return stopping;
}

void SocketThreadShared::announce() {
    std::lock_guard<std::mutex> hold(notifyLock);
    if (notify) {
        notify();
    }
}

void SocketThreadShared::setNotify(std::function<void()> callback) {
    std::function<void()> old;  // destroyed after the lock is released
    std::lock_guard<std::mutex> hold(notifyLock);
    old = std::exchange(notify, std::move(callback));
}

void SocketThreadShared::threadEnded() {
    {
        std::lock_guard<std::mutex> hold(lock);
        ended = true;
    }
    endedSignal.notify_all();
}

void StopSocketThread(SocketThreadShared& shared, std::thread& thread,
                      std::chrono::milliseconds wait) {
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        shared.stopping = true;
    }
    shared.wake.signal();
    bool ended = false;
    {
        std::unique_lock<std::mutex> hold(shared.lock);
        ended = shared.endedSignal.wait_for(hold, wait, [&] { return shared.ended; });
    }
    if (ended) {
        thread.join();
    } else {
        shared.setNotify(nullptr);
        thread.detach();
    }
}

}  // namespace korvale
