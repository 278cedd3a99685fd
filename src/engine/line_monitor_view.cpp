#include "engine/line_monitor_view.h"

#include <utility>

#include "store/code_pages.h"

namespace korvale {

std::string TerminalLine(std::string_view line) {
    return AnsiToUtf8(line) + "\n";
}

LineMonitorView::LineMonitorView(LineCallback onLine) : onLine_(std::move(onLine)) {}

void LineMonitorView::appendText(std::string_view displayText) {
    for (char c : displayText) {
        if (c == '\r') {
            pendingCarriageReturn_ = true;
            continue;
        }
        if (c == '\n' && pendingCarriageReturn_) {
            pendingCarriageReturn_ = false;
            if (onLine_) {
                onLine_(current_);
            }
            completed_.push_back(std::move(current_));
            current_.clear();
            continue;
        }
        if (pendingCarriageReturn_) {
            // A lone CR is not a line break; keep it as text.
            current_.push_back('\r');
            pendingCarriageReturn_ = false;
        }
        current_.push_back(c);
    }
}

int LineMonitorView::lineCount() const {
    return static_cast<int>(completed_.size()) + 1;
}

void LineMonitorView::removeFirstLines(int count) {
    for (; count > 0 && !completed_.empty(); --count) {
        completed_.pop_front();
    }
    if (count > 0) {
        current_.clear();
    }
}

void LineMonitorView::endPartialLine() {
    pendingCarriageReturn_ = false;
    if (current_.empty()) {
        return;
    }
    if (onLine_) {
        onLine_(current_);
    }
    completed_.push_back(std::move(current_));
    current_.clear();
}

std::string LineMonitorView::text() const {
    std::string all;
    for (const auto& line : completed_) {
        all += line;
        all += "\r\n";
    }
    return all + current_;
}

}  // namespace korvale
