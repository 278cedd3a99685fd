// A MonitorView that keeps the monitor's lines in memory, as the GUI's text
// control would, and hands every completed line to a callback as it is
// completed. The headless runner prints those lines; tests read the lines.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "engine/monitor_view.h"

namespace korvale {

// The bytes a terminal is given for one monitor line (Windows-1252, without
// its line break): the line in UTF-8 and a line feed.
std::string TerminalLine(std::string_view line);

class LineMonitorView : public MonitorView {
  public:
    // Called with each completed line, without its line break, in the
    // monitor's character set (Windows-1252).
    using LineCallback = std::function<void(std::string_view line)>;

    explicit LineMonitorView(LineCallback onLine = {});

    void appendText(std::string_view displayText) override;
    int lineCount() const override;
    void removeFirstLines(int count) override;

    // The whole text, lines joined with CR LF, as a text control would hold it.
    std::string text() const;

    // Completes the text after the last line break, if there is any, as a
    // line of its own: at the end of a run, so that no text stays unshown.
    void endPartialLine();

  private:
    LineCallback onLine_;
    std::deque<std::string> completed_;  // lines that ended in CR LF
    std::string current_;                // the text after the last line break
    bool pendingCarriageReturn_ = false;
};

}  // namespace korvale
