#include "desktop/dialogs/exchange_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <QValidator>
#include <algorithm>
#include <string>

#include "desktop/ansi_text.h"
#include "desktop/dialogs/dialog_layout.h"
#include "desktop/message_box.h"
#include "desktop/window_translation.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

constexpr int kLongFieldCharacters = 40;

constexpr std::string_view kOkText = "OK";
constexpr std::string_view kCancelText = "Cancel";
constexpr std::string_view kHelpText = "Help...";

// Letters become capitals as they are typed or pasted, keeping the cursor:
// the validator may rewrite the input, and mapping character by character
// keeps its length. Text put in by the program is left as it is.
class UpperCaseValidator : public QValidator {
  public:
    using QValidator::QValidator;

    State validate(QString& input, int& /*position*/) const override {
        for (QChar& character : input) {
            character = character.toUpper();
        }
        return Acceptable;
    }
};

// Every field once, in the order the layout shows them; fields the layout
// does not place follow in exchange order, each on its own row.
std::vector<LayoutRow> rowsBelowGroup(const DialogLayout& layout,
                                      const std::vector<DialogField>& fields) {
    std::vector<LayoutRow> rows = layout.rows;
    const auto placed = [&](int id) {
        const auto hasId = [id](const LayoutRow& row) {
            return row.first == id || row.second == id;
        };
        return std::any_of(layout.groupRows.begin(), layout.groupRows.end(), hasId) ||
               std::any_of(layout.rows.begin(), layout.rows.end(), hasId);
    };
    for (const DialogField& field : fields) {
        if (!placed(field.controlId)) {
            rows.push_back({field.controlId});
        }
    }
    return rows;
}

}  // namespace

ExchangeDialog::ExchangeDialog(const DialogDescription& description, QWidget* parent)
    : QDialog(parent), description_(description), controls_(description_.fields.size()) {
    setWindowTitle(fromAnsi(description_.caption));
    const DialogLayout layout = LayoutOfDialog(description_.section);

    auto* mainLayout = new QVBoxLayout(this);
    mainLayout->setSizeConstraint(QLayout::SetFixedSize);
    if (!layout.groupTitle.empty()) {
        auto* group = new QGroupBox(fromAnsi(layout.groupTitle), this);
        mainLayout->addWidget(group);
        addRows(new QGridLayout(group), layout.groupRows);
    }
    auto* grid = new QGridLayout;
    mainLayout->addLayout(grid);  // before the rows, so their widgets are the dialog's
    addRows(grid, rowsBelowGroup(layout, description_.fields));
    auto* buttons = new QHBoxLayout;
    mainLayout->addLayout(buttons);
    addButtons(buttons, layout.helpButton);

    for (std::size_t i = 1; i < tabOrder_.size(); ++i) {
        setTabOrder(tabOrder_[i - 1], tabOrder_[i]);
    }
    // Set before the dialog is shown, this is where the focus starts.
    tabOrder_.front()->setFocus();

    fillControls();
    TranslateWindow(description_.section, this);
}

void ExchangeDialog::addRows(QGridLayout* grid, const std::vector<LayoutRow>& rows) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        addField(grid, static_cast<int>(row), 0, rows[row].first);
        addField(grid, static_cast<int>(row), 2, rows[row].second);
    }
}

void ExchangeDialog::addButtons(QHBoxLayout* buttons, bool withHelp) {
    buttons->addStretch();
    auto* ok = new QPushButton(fromAnsi(kOkText), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ExchangeDialog::takeControls);
    auto* cancel = new QPushButton(fromAnsi(kCancelText), this);
    cancel->setObjectName("cancelButton");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    tabOrder_.push_back(ok);
    tabOrder_.push_back(cancel);
    if (withHelp) {
        auto* help = new QPushButton(fromAnsi(kHelpText), this);
        help->setObjectName("helpButton");
        connect(help, &QPushButton::clicked, this, &ExchangeDialog::showControlCodesHelp);
        buttons->addWidget(help);
        tabOrder_.push_back(help);
    }
}

void ExchangeDialog::addField(QGridLayout* grid, int row, int column, int controlId) {
    const auto& fields = description_.fields;
    const auto found =
        std::find_if(fields.begin(), fields.end(),
                     [controlId](const DialogField& f) { return f.controlId == controlId; });
    if (controlId == 0 || found == fields.end()) {
        return;
    }
    const DialogField& field = *found;
    QWidget* control = nullptr;
    if (field.kind == FieldKind::CheckBox) {
        control = new QCheckBox(fromAnsi(field.label), this);
        grid->addWidget(control, row, column, 1, 2);
    } else {
        auto* label = new QLabel(fromAnsi(field.label), this);
        auto* edit = new QLineEdit(this);
        if (field.upperCaseAsTyped) {
            edit->setValidator(new UpperCaseValidator(edit));
        }
        // Init and exit commands, beacon texts and call lists run long; a
        // field as wide as a callsign would show only their tail.
        if (field.kind == FieldKind::Text || field.kind == FieldKind::CallList) {
            edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * kLongFieldCharacters);
        }
        label->setBuddy(edit);
        grid->addWidget(label, row, column);
        grid->addWidget(edit, row, column + 1);
        control = edit;
    }
    control->setObjectName(QStringLiteral("control%1").arg(controlId));
    control->setProperty("controlId", controlId);
    controls_[static_cast<std::size_t>(found - fields.begin())] = control;
    // Fields are added top to bottom, before the buttons.
    tabOrder_.push_back(control);
}

QWidget* ExchangeDialog::control(int controlId) const {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (description_.fields[i].controlId == controlId) {
            return controls_[i];
        }
    }
    return nullptr;
}

void ExchangeDialog::fillControls() {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const FieldState state = FieldToControl(description_.fields[i]);
        if (auto* box = qobject_cast<QCheckBox*>(controls_[i])) {
            box->setChecked(state.checked);
        } else if (auto* edit = qobject_cast<QLineEdit*>(controls_[i])) {
            edit->setText(fromAnsi(state.text));
            edit->setCursorPosition(0);  // the start of a long text in view
        }
    }
}

void ExchangeDialog::takeControls() {
    std::vector<FieldState> states(controls_.size());
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (auto* box = qobject_cast<QCheckBox*>(controls_[i])) {
            states[i].checked = box->isChecked();
        } else if (auto* edit = qobject_cast<QLineEdit*>(controls_[i])) {
            states[i].text = toAnsi(edit->text());
        }
    }
    const auto failure = ExchangeFromControls(description_.fields, states);
    if (!failure) {
        accept();
        return;
    }
    ShowMessage(this, MessageIcon::Exclamation, fromAnsi(failure->message));
    QWidget* refused = controls_[failure->fieldIndex];
    refused->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(refused)) {
        edit->selectAll();
    }
}

void ExchangeDialog::showControlCodesHelp() {
    ShowMessage(this, MessageIcon::Information, fromAnsi(TranslateMsg(kMsgControlCodesHelp)));
}

bool RunExchangeDialog(QWidget* parent, const DialogDescription& description) {
    ExchangeDialog dialog(description, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace korvale
