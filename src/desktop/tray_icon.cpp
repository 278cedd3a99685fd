#include "desktop/tray_icon.h"

#include <QApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <string>

#include "app/menu_commands.h"
#include "desktop/ansi_text.h"
#include "desktop/window_translation.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

std::function<bool()>& trayAvailability() {
    static std::function<bool()> available;
    return available;
}

bool trayAvailable() {
    return trayAvailability() ? trayAvailability()() : QSystemTrayIcon::isSystemTrayAvailable();
}

QString translatedTip() {
    std::string tip = TranslateMsg(kMsgTrayTip);
    if (tip.size() > static_cast<std::size_t>(kTrayTipMaxLength)) {
        tip.resize(kTrayTipMaxLength);
    }
    return fromAnsi(tip);
}

// The name Qt gives the window that carries an icon in an X11 notification
// area (the XEmbed system tray protocol).
constexpr const char* kX11TrayWindowName = "QSystemTrayIconSys";

}  // namespace

void SetTrayAvailability(std::function<bool()> available) {
    trayAvailability() = std::move(available);
}

CTrayIcon::CTrayIcon(int resourceId, QObject* parent)
    : QObject(parent), iconId_(resourceId), hostPresent_(trayAvailable()), tip_(translatedTip()) {}

CTrayIcon::~CTrayIcon() {
    SetIconResource(0);
}

bool CTrayIcon::SetIconResource(int resourceId) {
    shownResourceId_ = resourceId;
    if (resourceId == 0) {
        if (icon_) {
            icon_->hide();
            icon_.reset();
        }
        return true;
    }
    tip_ = translatedTip();
    if (!trayAvailable()) {
        icon_.reset();
        return false;
    }
    if (!icon_) {
        icon_ = std::make_unique<QSystemTrayIcon>();
        // Where the platform reports clicks itself (a D-Bus notification
        // area); in an X11 one the click window's events are taken instead.
        connect(icon_.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    switch (reason) {
                        case QSystemTrayIcon::Trigger:
                            HandleTrayMessage(iconId_, TrayMouse::LeftButtonUp);
                            break;
                        case QSystemTrayIcon::DoubleClick:
                            HandleTrayMessage(iconId_, TrayMouse::LeftDoubleClick);
                            break;
                        case QSystemTrayIcon::Context:
                            HandleTrayMessage(iconId_, TrayMouse::RightButtonUp);
                            break;
                        default:
                            break;
                    }
                });
    }
    icon_->setIcon(QIcon(QStringLiteral(":/icons/korvale-tray.svg")));
    icon_->setToolTip(tip_);
    icon_->show();
    watchClicks();
    return isShown();
}

bool CTrayIcon::isShown() const {
    return icon_ != nullptr && icon_->isVisible() && trayAvailable();
}

TrayHost CTrayIcon::FollowHost() {
    watchClicks();
    const bool present = trayAvailable();
    if (present == hostPresent_) {
        return TrayHost::Unchanged;
    }
    hostPresent_ = present;
    if (!present) {
        // The platform's window went with the notification area; a new icon
        // is made when one comes.
        icon_.reset();
        return TrayHost::Went;
    }
    if (shownResourceId_ != 0) {
        SetIconResource(shownResourceId_);
    }
    return TrayHost::Came;
}

void CTrayIcon::watchClicks() {
    if (!icon_ || clickWindow_) {
        return;
    }
    // The program shows one tray icon, so the one such window is its own.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String(kX11TrayWindowName)) {
            clickWindow_ = window;
            window->installEventFilter(this);
            return;
        }
    }
}

bool CTrayIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched != clickWindow_) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            return true;  // a press does nothing; a double click is two releases
        case QEvent::MouseButtonRelease: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            // Released away from the icon: the click is called off.
            if (clickWindow_->rect().contains(mouse->position().toPoint())) {
                HandleTrayMessage(iconId_,
                                  mouse->button() == Qt::LeftButton    ? TrayMouse::LeftButtonUp
                                  : mouse->button() == Qt::RightButton ? TrayMouse::RightButtonUp
                                                                       : TrayMouse::Other);
            }
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

void CTrayIcon::buildMenu() {
    menu_ = std::make_unique<QMenu>();
    QMenu* tray = menu_->addMenu(QStringLiteral("Tray"));
    const auto add = [&](const char* text, MenuCommand command) {
        QAction* action = tray->addAction(QString::fromLatin1(text));
        action->setData(static_cast<int>(command));
        connect(action, &QAction::triggered, this, [this, command] {
            if (target_) {
                target_(static_cast<int>(command));
            }
        });
    };
    add("Show/hide window", MenuCommand::HideInTray);
    add("Exit", MenuCommand::Exit);
    TranslateMenu(kSectionSystrayMenu, menu_.get());
}

int CTrayIcon::HandleTrayMessage(int iconId, TrayMouse mouse) {
    if (iconId != iconId_) {
        return 0;
    }
    switch (mouse) {
        case TrayMouse::LeftButtonUp:
        case TrayMouse::LeftDoubleClick:
            if (target_) {
                // The menu's first item: "Show/hide window".
                target_(static_cast<int>(MenuCommand::HideInTray));
            }
            return 1;
        case TrayMouse::RightButtonUp: {
            buildMenu();
            QMenu* tray = menu_->actions().first()->menu();
            if (presenter_) {
                presenter_(*tray);
            } else {
                tray->popup(QCursor::pos());
            }
            return 1;
        }
        case TrayMouse::Other:
            break;
    }
    return 0;
}

}  // namespace korvale
