// The program's message boxes: one OK button, the application's name (the
// executable's base name) as caption. Shown modally on the main thread.
//
// Tests replace the presenter to see what would be shown without a modal
// loop; the replacement is process-wide and must be reset afterwards.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace korvale {

enum class MessageIcon { None, Information, Exclamation };

// Shows `text` (Unicode) and returns once the user has closed the box.
void ShowMessage(QWidget* parent, MessageIcon icon, const QString& text);

using MessagePresenter = std::function<void(QWidget* parent, MessageIcon, const QString&)>;

// Replaces how messages are shown; an empty presenter restores the real
// message box.
void SetMessagePresenter(MessagePresenter presenter);

}  // namespace korvale
