// Typed lines that arrive before the engine's first tick: the serial port
// opens in that tick, so a line sent earlier would be echoed but lost
// (`echo CQ | korvale-headless`). HeldUnprotoLines holds such lines and sends
// them, in order, right after the first tick; later lines go out at once.
// Main thread only.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace korvale {

class HeldUnprotoLines {
  public:
    using Send = std::function<void(const std::string& line)>;

    explicit HeldUnprotoLines(Send send) : send_(std::move(send)) {}

    // Sends the line, or holds it while no tick has run.
    void offer(std::string line);

    // Called after every tick: the first call sends the held lines in order.
    void release();

  private:
    Send send_;
    std::vector<std::string> held_;
    bool released_ = false;
};

}  // namespace korvale
