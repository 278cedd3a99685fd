#include "desktop/window_translation.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <optional>
#include <vector>

#include "desktop/ansi_text.h"
#include "lang/language_table.h"

namespace korvale {
namespace {

// The translation of one text, or nothing when the table keeps it. Keys are
// Windows-1252, so a text that has no exact Windows-1252 form cannot be one;
// leaving it alone also spares it the '?' of the conversion.
std::optional<QString> translated(std::string_view section, const QString& text) {
    if (text.isEmpty()) {
        return std::nullopt;
    }
    const std::string ansi = toAnsi(text);
    if (fromAnsi(ansi) != text) {
        return std::nullopt;
    }
    const std::string result = TheLanguageTable().translate(section, ansi);
    if (result == ansi) {
        return std::nullopt;
    }
    return fromAnsi(result);
}

void translateActions(std::string_view section, const QList<QAction*>& actions) {
    for (QAction* action : actions) {
        if (action->isSeparator()) {
            continue;
        }
        if (const auto text = translated(section, action->text())) {
            // setText leaves the action's data and its submenu in place.
            action->setText(*text);
        }
        TranslateMenu(section, QMenu::menuInAction(action));
    }
}

// Widgets that only hold other controls, as a dialog template has none: a
// plain QWidget or QFrame used for layout, a group box, a button box.
bool holdsControls(const QWidget* widget) {
    const QMetaObject* type = widget->metaObject();
    return type == &QWidget::staticMetaObject || type == &QFrame::staticMetaObject ||
           qobject_cast<const QGroupBox*>(widget) != nullptr ||
           qobject_cast<const QDialogButtonBox*>(widget) != nullptr;
}

void translateControl(std::string_view section, QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        if (const auto text = translated(section, label->text())) {
            label->setText(*text);
        }
    } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        if (const auto text = translated(section, button->text())) {
            button->setText(*text);
        }
    } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        if (const auto text = translated(section, group->title())) {
            group->setTitle(*text);
        }
    } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        if (const auto text = translated(section, edit->text())) {
            edit->setText(*text);
        }
    } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
        if (const auto text = translated(section, combo->currentText())) {
            // A drop-down list shows the text of its current item.
            if (combo->isEditable()) {
                combo->setEditText(*text);
            } else {
                combo->setItemText(combo->currentIndex(), *text);
            }
        }
    }
}

void translateControls(std::string_view section, QWidget* parent,
                       std::vector<QMenuBar*>& menuBars) {
    for (QObject* child : parent->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget == nullptr || widget->isWindow()) {
            continue;
        }
        if (auto* menuBar = qobject_cast<QMenuBar*>(widget)) {
            menuBars.push_back(menuBar);
            continue;
        }
        translateControl(section, widget);
        if (holdsControls(widget)) {
            translateControls(section, widget, menuBars);
        }
    }
}

}  // namespace

void TranslateMenu(std::string_view section, QMenu* menu) {
    if (menu != nullptr) {
        translateActions(section, menu->actions());
    }
}

void TranslateMenu(std::string_view section, QMenuBar* menuBar) {
    if (menuBar != nullptr) {
        translateActions(section, menuBar->actions());
    }
}

void TranslateWindow(std::string_view section, QWidget* window) {
    if (window == nullptr) {
        return;
    }
    if (const auto text = translated(section, window->windowTitle())) {
        window->setWindowTitle(*text);
    }
    // The menu bar comes after the controls, wherever it sits among them.
    std::vector<QMenuBar*> menuBars;
    translateControls(section, window, menuBars);
    for (QMenuBar* menuBar : menuBars) {
        TranslateMenu(section, menuBar);
    }
}

}  // namespace korvale
