// The language dialog: the interface languages found beside the program,
// for the next start.
//
// The names are listed as given, after the translation and untranslated; the
// entry selected at first follows LanguageChoiceSelection. Each selection by
// the user makes its entry the chosen name. "Select" (the default button)
// closes with OK, "Cancel", Escape and the close box without. Main thread
// only.
//
// Controls: "languageList", "selectButton", "cancelButton".
#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QListWidget;

namespace korvale {

class LanguageDialog : public QDialog {
    Q_OBJECT

  public:
    LanguageDialog(std::vector<std::string> choices, std::string chosen, QWidget* parent = nullptr);

    // The name of the entry last selected, or the name the dialog opened with.
    const std::string& chosenName() const { return chosen_; }

  private:
    void takeSelection();

    std::vector<std::string> choices_;
    std::string chosen_;
    QListWidget* list_;
};

// The whole "Interface language..." command: lists the languages of
// ProgramDirectory, runs the dialog on CurrentLanguage and, on OK, sets
// CurrentLanguage to the chosen name (even when unchanged) and says, in the
// language of this run, that it applies at the next start. True on OK.
bool RunLanguageSelection(QWidget* parent);

}  // namespace korvale
