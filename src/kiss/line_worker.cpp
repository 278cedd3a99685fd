#include "kiss/line_worker.h"

#include <system_error>
#include <utility>

namespace korvale {

LineWorker::~LineWorker() {
    {
        std::lock_guard<std::mutex> hold(lock_);
        ending_ = true;
    }
    queuedSignal_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LineWorker::post(int tag, Step step) {
    ++outstanding_;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            const int result = step(stop_.get_token());
            std::lock_guard<std::mutex> hold(lock_);
            done_.push_back({tag, result});
            return;
        }
    }
    {
        std::lock_guard<std::mutex> hold(lock_);
        queued_.push_back({tag, std::move(step), stop_.get_token()});
    }
    queuedSignal_.notify_one();
}

void LineWorker::cancel() {
    stop_.request_stop();
    stop_ = std::stop_source();
}

std::optional<LineWorker::Done> LineWorker::take() {
    std::lock_guard<std::mutex> hold(lock_);
    if (done_.empty()) {
        return std::nullopt;
    }
    const Done done = done_.front();
    done_.pop_front();
    --outstanding_;
    return done;
}

void LineWorker::run() {
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
        queuedSignal_.wait(hold, [this] { return ending_ || !queued_.empty(); });
        if (queued_.empty()) {
            return;  // ending, with every step done
        }
        Queued next = std::move(queued_.front());
        queued_.pop_front();
        hold.unlock();
        const int result = next.step(next.stop);
        hold.lock();
        done_.push_back({next.tag, result});
    }
}

}  // namespace korvale
