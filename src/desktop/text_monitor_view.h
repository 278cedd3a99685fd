// The monitor of the main window: a MonitorView over a plain-text widget.
// Display text arrives in Windows-1252 with lines ending in CR LF and is
// shown as Unicode; the view keeps the end of the text in sight. The widget
// counts lines as the engine expects: the text after the last line break is
// one line, even when empty. Main thread only; the widget must outlive it.
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
    void scrollToEnd();

    QPlainTextEdit& widget_;
};

}  // namespace korvale
