// The About box: the program's icon, its version and a notice line, each
// text translated under "About dialog". Edits nothing. Main thread only.
//
// Controls: "programIcon", "versionLabel", "versionText", "notice",
// "okButton".
#pragma once

#include <QDialog>

namespace korvale {

class AboutDialog : public QDialog {
    Q_OBJECT

  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// Shows the About box modally until the user closes it.
void RunAboutDialog(QWidget* parent);

}  // namespace korvale
