// Where the TNC link's slow steps run: opening the serial port (seconds of
// retries for a missing device), closing it (the exit text drains first) and
// ending a TCP connection. Steps run one after another, in the order posted,
// on a thread of the worker's own, so the owner's thread never waits for
// them. The owner collects each finished step's tag and result, in posting
// order, when it looks (once a tick); nothing calls the owner back.
//
// cancel() requests a stop on the token of every step posted so far: a step
// that opens gives up at once, one that closes ignores it. The destructor
// waits for every step posted to finish.
//
// post, cancel, take and outstanding are for one owner thread. A step must
// not touch what the owner's thread uses until the owner has taken its
// result; that hand-over (under the worker's lock) orders the two threads.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>

namespace korvale {

class LineWorker {
  public:
    using Step = std::function<int(std::stop_token)>;
    struct Done {
        int tag = 0;
        int result = 0;
    };

    LineWorker() = default;
    ~LineWorker();
    LineWorker(const LineWorker&) = delete;
    LineWorker& operator=(const LineWorker&) = delete;

    // Queues `step`. Should no thread be available, it runs here and now.
    void post(int tag, Step step);
    void cancel();
    // The oldest finished step whose result was not yet taken, if any.
    std::optional<Done> take();
    // Steps posted whose results have not been taken.
    int outstanding() const { return outstanding_; }

  private:
    struct Queued {
        int tag;
        Step step;
        std::stop_token stop;
    };

    void run();

    std::mutex lock_;
    std::condition_variable queuedSignal_;
    std::deque<Queued> queued_;
    std::deque<Done> done_;
    bool ending_ = false;
    std::stop_source stop_;
    int outstanding_ = 0;
    std::thread thread_;
};

}  // namespace korvale
