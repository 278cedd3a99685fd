// A settings dialog built from a DialogDescription (TCP/IP, KISS TNC,
// Monitor, Unproto, Beacon): one control per field, placed as
// LayoutOfDialog says, with "OK" (the default button) and "Cancel".
//
// Construction fills the controls from the bound settings in exchange order,
// then translates the dialog under its section. OK takes every field back in
// exchange order; the first refusal shows its message, puts the focus on its
// field with the text selected and keeps the dialog open, the settings before
// it having been taken. Cancel, Escape and the close box take nothing. The
// settings the description binds must outlive the dialog. Main thread only.
//
// Controls are named "control<id>" and carry the property "controlId"; the
// buttons are "okButton", "cancelButton" and, in the KISS TNC dialog,
// "helpButton".
#pragma once

#include <QDialog>
#include <cstddef>
#include <vector>

#include "desktop/dialogs/dialog_layout.h"
#include "dialogs/field_exchange.h"
#include "dialogs/settings_dialogs.h"

class QGridLayout;
class QHBoxLayout;

namespace korvale {

class ExchangeDialog : public QDialog {
    Q_OBJECT

  public:
    explicit ExchangeDialog(const DialogDescription& description, QWidget* parent = nullptr);

    // The control of the field with this id; null when the dialog has none.
    QWidget* control(int controlId) const;

  private:
    void addRows(QGridLayout* grid, const std::vector<LayoutRow>& rows);
    void addField(QGridLayout* grid, int row, int column, int controlId);
    void addButtons(QHBoxLayout* buttons, bool withHelp);
    void fillControls();
    void takeControls();
    void showControlCodesHelp();

    DialogDescription description_;
    std::vector<QWidget*> controls_;  // per field, in exchange order
    std::vector<QWidget*> tabOrder_;  // controls top to bottom, then the buttons
};

// Runs the dialog modally over the description's settings; true when it was
// closed with OK, after which the caller takes the copy back.
bool RunExchangeDialog(QWidget* parent, const DialogDescription& description);

}  // namespace korvale
