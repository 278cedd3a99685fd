// The monitor of the main window: a MonitorView over a plain-text widget.
// Display text arrives in Windows-1252 with lines ending in CR LF and is
// shown as Unicode; the view keeps the end of the text in sight. The widget
// counts lines as the engine expects: the text after the last line break is
// one line, even when empty. Main thread only; the widget must outlive it.
//
// The caret and the view go to the end once per pass of the event loop, not
// once per append: moving the caret lays its line out at once and every
// scroll repaints, which at hundreds of frames a second cost more than the
// text itself.
#pragma once

#include <string_view>

#include "engine/monitor_view.h"

class QPlainTextEdit;

namespace korvale {

class TextMonitorView final : public MonitorView {
  public:
    explicit TextMonitorView(QPlainTextEdit& widget) : widget_(widget) {}

    void appendText(std::string_view displayText) override;
    int lineCount() const override;
    void removeFirstLines(int count) override;

  private:
    void scrollToEndSoon();
    void scrollToEnd();

    QPlainTextEdit& widget_;
    bool scrollPending_ = false;
};

}  // namespace korvale
