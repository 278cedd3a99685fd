// Where monitor text goes: the monitor window of the GUI, or standard output
// of the headless runner. The engine appends display text and trims the view
// to about 50 lines; the view decides how the text is shown.
//
// Display text is Windows-1252 with lines ending in CR LF. All calls come
// from the engine's thread.
#pragma once

#include <string_view>

namespace korvale {

class MonitorView {
  public:
    virtual ~MonitorView() = default;

    // Appends text at the end and keeps the end of the text in view.
    virtual void appendText(std::string_view displayText) = 0;

    // Lines as a text control counts them: the text after the last line
    // break counts as one line, even when it is empty; an empty view has one.
    virtual int lineCount() const = 0;

    // Removes the first `count` lines (with their line breaks).
    virtual void removeFirstLines(int count) = 0;
};

}  // namespace korvale
