#include "app/held_unproto_lines.h"

#include <utility>

namespace korvale {

void HeldUnprotoLines::offer(std::string line) {
    if (released_) {
        send_(line);
    } else {
        held_.push_back(std::move(line));
    }
}

void HeldUnprotoLines::release() {
    if (released_) {
        return;
    }
    released_ = true;
    for (const std::string& line : std::exchange(held_, {})) {
        send_(line);
    }
}

}  // namespace korvale
