#include "desktop/message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace korvale {
namespace {

MessagePresenter& presenter() {
    static MessagePresenter current;
    return current;
}

QMessageBox::Icon toQtIcon(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Exclamation:
            return QMessageBox::Warning;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void ShowMessage(QWidget* parent, MessageIcon icon, const QString& text) {
    if (presenter()) {
        presenter()(parent, icon, text);
        return;
    }
    QMessageBox box(toQtIcon(icon), QCoreApplication::applicationName(), text, QMessageBox::Ok,
                    parent);
    box.exec();
}

void SetMessagePresenter(MessagePresenter presenter_) {
    presenter() = std::move(presenter_);
}

}  // namespace korvale
