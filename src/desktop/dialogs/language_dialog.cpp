#include "desktop/dialogs/language_dialog.h"

#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/ansi_text.h"
#include "desktop/message_box.h"
#include "desktop/window_translation.h"
#include "dialogs/language_choices.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"
#include "store/program_directory.h"

namespace korvale {
namespace {

constexpr std::string_view kCaption = "Language settings";
constexpr std::string_view kSelectText = "Select";
constexpr std::string_view kCancelText = "Cancel";

}  // namespace

LanguageDialog::LanguageDialog(std::vector<std::string> choices, std::string chosen,
                               QWidget* parent)
    : QDialog(parent),
      choices_(std::move(choices)),
      chosen_(std::move(chosen)),
      list_(new QListWidget(this)) {
    setWindowTitle(fromAnsi(kCaption));
    list_->setObjectName("languageList");
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* select = new QPushButton(fromAnsi(kSelectText), this);
    select->setObjectName("selectButton");
    select->setDefault(true);
    auto* cancel = new QPushButton(fromAnsi(kCancelText), this);
    cancel->setObjectName("cancelButton");

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(select);
    buttons->addWidget(cancel);
    auto* mainLayout = new QVBoxLayout(this);
    mainLayout->addWidget(list_);
    mainLayout->addLayout(buttons);
    list_->setFocus();

    TranslateWindow(kSectionLanguageDialog, this);
    // The names come from file names: shown as the file system spells them,
    // kept as its bytes.
    for (const std::string& name : choices_) {
        list_->addItem(QFile::decodeName(name.c_str()));
    }
    const int selected = LanguageChoiceSelection(choices_, chosen_);
    if (selected >= 0) {
        list_->setCurrentRow(selected);
    }

    connect(list_, &QListWidget::itemSelectionChanged, this, &LanguageDialog::takeSelection);
    connect(select, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void LanguageDialog::takeSelection() {
    const QList<QListWidgetItem*> selected = list_->selectedItems();
    if (!selected.isEmpty()) {
        chosen_ = choices_[static_cast<std::size_t>(list_->row(selected.front()))];
    }
}

bool RunLanguageSelection(QWidget* parent) {
    LanguageDialog dialog(LanguageChoices(ProgramDirectory), CurrentLanguage, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    CurrentLanguage = dialog.chosenName();
    // The table still holds the language this run started with.
    ShowMessage(parent, MessageIcon::None, fromAnsi(TranslateMsg(kMsgRestartNeeded)));
    return true;
}

}  // namespace korvale
