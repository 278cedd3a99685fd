#include "desktop/dialogs/about_dialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "desktop/ansi_text.h"
#include "desktop/window_translation.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

constexpr std::string_view kCaption = "About Korvale";
// "Version " and the version text stand apart so that each is looked up on
// its own, as the language files have them.
constexpr std::string_view kVersionLabel = "Version ";
constexpr int kIconSize = 48;

QLabel* namedLabel(const char* name, std::string_view text, QWidget* parent) {
    auto* label = new QLabel(fromAnsi(text), parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(fromAnsi(kCaption));
    auto* icon = new QLabel(this);
    icon->setObjectName("programIcon");
    icon->setPixmap(QIcon(QStringLiteral(":/icons/korvale.svg")).pixmap(kIconSize, kIconSize));
    QLabel* versionLabel = namedLabel("versionLabel", kVersionLabel, this);
    QLabel* versionText = namedLabel("versionText", kProgramVersion, this);
    QLabel* notice = namedLabel("notice", kAboutNotice, this);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);

    auto* version = new QHBoxLayout;
    version->setSpacing(0);
    version->addWidget(versionLabel);
    version->addWidget(versionText);
    version->addStretch();
    auto* texts = new QVBoxLayout;
    texts->addLayout(version);
    texts->addWidget(notice);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    auto* mainLayout = new QVBoxLayout(this);
    mainLayout->setSizeConstraint(QLayout::SetFixedSize);
    mainLayout->addLayout(top);
    mainLayout->addLayout(buttons);
    ok->setFocus();
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    TranslateWindow(kSectionAboutDialog, this);
}

void RunAboutDialog(QWidget* parent) {
    AboutDialog dialog(parent);
    dialog.exec();
}

}  // namespace korvale
