#include "desktop/main_dialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "desktop/ansi_text.h"
#include "desktop/message_box.h"
#include "desktop/window_translation.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"
#include "store/settings.h"

namespace korvale {
namespace {

constexpr const char* kWindowTitle = "Korvale - Monitor/Unproto window";
constexpr const char* kHelpTopic = "main-window";
constexpr int kSettleTickLimit = 10;  // ticks to wait for the window frame

bool isModifierOnly(int key) {
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock ||
           key == Qt::Key_NumLock;
}

}  // namespace

MainDialog::MainDialog(const ProgramLocation& location)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint) {
    createControls();
    view_ = std::make_unique<TextMonitorView>(*monitor_);
    // The serial reader thread only posts; the call runs on this thread.
    session_ = std::make_unique<GatewaySession>(location, *view_, [this] {
        QMetaObject::invokeMethod(
            this, [this] { session_->engine().OnSerialNotification(); }, Qt::QueuedConnection);
    });
    createMenu();

    setWindowTitle(QString::fromLatin1(kWindowTitle));
    TranslateWindow(kSectionMainDialog, this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/korvale.svg")));

    trayIcon_ = std::make_unique<CTrayIcon>(kTrayIconId);
    trayIcon_->SetNotifyTarget([this](int command) { runCommand(command); });
    trayIcon_->SetIconResource(kTrayIconId);
    // Without a tray icon a hidden window could not be reached again.
    session_->engine().setShowWindowHook([this](bool visible) {
        showWindow(FirstTickShowsWindow(session_->settings(), trayIcon_->isShown()) || visible);
    });

    placeWindow();

    timer_ = new QTimer(this);
    timer_->setInterval(kEngineTickMs);
    connect(timer_, &QTimer::timeout, this, &MainDialog::EngineTick);
    timer_->start();
    editLine_->setFocus();
}

MainDialog::~MainDialog() {
    finish();
}

void MainDialog::createControls() {
    monitor_ = new QPlainTextEdit(this);
    monitor_->setObjectName(QStringLiteral("monitor"));
    // Typing goes to the edit line; the monitor only shows and scrolls.
    monitor_->setReadOnly(true);
    monitor_->setUndoRedoEnabled(false);
    monitor_->setLineWrapMode(QPlainTextEdit::NoWrap);
    monitor_->setFont(QFont(QStringLiteral("Monospace")));
    // Wide enough for a status line of the longer translations.
    monitor_->setMinimumSize(480, 220);
    editLine_ = new QLineEdit(this);
    editLine_->setObjectName(QStringLiteral("editLine"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(monitor_, 1);
    layout->addWidget(editLine_);
    setTabOrder(editLine_, monitor_);

    monitor_->installEventFilter(this);
    editLine_->installEventFilter(this);
    installEventFilter(this);
}

QAction* MainDialog::action(MenuCommand command) const {
    const auto found = actions_.find(static_cast<int>(command));
    return found == actions_.end() ? nullptr : found->second;
}

void MainDialog::createMenu() {
    menuBar_ = new QMenuBar(this);
    layout()->setMenuBar(menuBar_);
    QMenu* current = nullptr;
    const auto menu = [&](const char* title) {
        current = menuBar_->addMenu(QString::fromLatin1(title));
        connect(current, &QMenu::aboutToShow, this, [this, m = current] { refreshMenu(m); });
    };
    const auto item = [&](const char* text, MenuCommand command, bool checkable = false) {
        QAction* added = current->addAction(QString::fromLatin1(text));
        added->setData(static_cast<int>(command));
        added->setCheckable(checkable);
        connect(added, &QAction::triggered, this,
                [this, command] { runCommand(static_cast<int>(command)); });
        actions_[static_cast<int>(command)] = added;
    };
    menu("&View");
    item("&Hide in system tray", MenuCommand::HideInTray);
    item("E&xit", MenuCommand::Exit);
    menu("&Settings");
    item("TCP/IP setup...", MenuCommand::TcpIpSetup);
    item("Serial port setup...", MenuCommand::SerialPortSetup);
    item("KISS TNC setup...", MenuCommand::KissTncSetup);
    item("Re-init the TNC now", MenuCommand::ReinitTnc);
    current->addSeparator();
    item("Monitor...", MenuCommand::MonitorSetup);
    item("Unproto...", MenuCommand::UnprotoSetup);
    item("Beacon...", MenuCommand::BeaconSetup);
    item("Enable beacon", MenuCommand::EnableBeacon, true);
    current->addSeparator();
    item("OEM character translation", MenuCommand::OemTranslation, true);
    item("Interface language...", MenuCommand::InterfaceLanguage);
    menu("&Help");
    item("Contents...", MenuCommand::HelpContents);
    item("&About...", MenuCommand::About);
}

void MainDialog::refreshMenu(QMenu* menu) {
    const MenuItemStates states = CurrentMenuItemStates(*session_, trayIcon_->isShown());
    for (QAction* each : menu->actions()) {
        if (each->isSeparator()) {
            continue;
        }
        switch (static_cast<MenuCommand>(each->data().toInt())) {
            case MenuCommand::EnableBeacon:
                each->setChecked(states.beaconChecked);
                break;
            case MenuCommand::OemTranslation:
                each->setChecked(states.oemTranslationChecked);
                break;
            case MenuCommand::ReinitTnc:
                each->setEnabled(states.reinitEnabled);
                break;
            case MenuCommand::HideInTray:
                each->setEnabled(states.hideEnabled);
                break;
            default:
                each->setEnabled(true);
                break;
        }
    }
}

void MainDialog::placeWindow() {
    adjustSize();
    m_iMinCx = width();
    m_iMinCy = height();
    setMinimumSize(m_iMinCx, m_iMinCy);
    Settings& settings = session_->settings();
    LoadWindowPlacement(settings, session_->location().iniPath, m_iMinCx, m_iMinCy);
    move(settings.m_iLeft, settings.m_iTop);
    resize(settings.m_iCx, settings.m_iCy);
}

void MainDialog::EngineTick() {
    session_->engine().EngineTick();
    watchAdapter();
    followTrayHost();
    settlePlacement();
}

void MainDialog::followTrayHost() {
    const TrayHost change = trayIcon_->FollowHost();
    if (session_->settings().m_bInTray == 0) {
        return;
    }
    if (change == TrayHost::Came) {
        // Stored hidden, but shown at the first tick for want of a tray icon.
        showWindow(false);
    } else if (change == TrayHost::Went && !isVisible()) {
        // Nothing else could bring a hidden window back.
        runCommand(static_cast<int>(MenuCommand::HideInTray));
    }
}

void MainDialog::watchAdapter() {
    const int descriptor = session_->engine().adapterDescriptor();
    const int watched = adapterNotifier_ ? static_cast<int>(adapterNotifier_->socket()) : -1;
    if (descriptor == watched) {
        return;
    }
    adapterNotifier_.reset();
    if (descriptor >= 0) {
        adapterNotifier_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
        connect(adapterNotifier_.get(), &QSocketNotifier::activated, this,
                [this] { session_->engine().OnAdapterReadable(); });
    }
}

void MainDialog::showWindow(bool visible) {
    if (!visible) {
        hide();
        return;
    }
    if (isMinimized()) {
        showMinimized();
    } else {
        show();
    }
}

void MainDialog::settlePlacement() {
    if (placementSettled_ || !isVisible() || isMinimized()) {
        return;
    }
    // The stored size is the outer one; the frame the window manager adds is
    // known only once the window is shown.
    const QSize frame = frameGeometry().size() - size();
    if (frame.isEmpty() && ++settleTicks_ < kSettleTickLimit) {
        return;
    }
    const Settings& settings = session_->settings();
    resize(std::max(settings.m_iCx - frame.width(), m_iMinCx),
           std::max(settings.m_iCy - frame.height(), m_iMinCy));
    move(settings.m_iLeft, settings.m_iTop);
    placementSettled_ = true;
    // Nothing may change from here on, and no event would record it: a first
    // run still stores the outer size.
    recordPlacement();
}

void MainDialog::recordPlacement() {
    if (!placementSettled_ || isMinimized() || !isVisible()) {
        return;
    }
    Settings& settings = session_->settings();
    const QRect outer = frameGeometry();
    settings.m_iLeft = outer.x();
    settings.m_iTop = outer.y();
    settings.m_iCx = outer.width();
    settings.m_iCy = outer.height();
}

void MainDialog::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    recordPlacement();
}

void MainDialog::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    recordPlacement();
}

void MainDialog::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

bool MainDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        return true;
    }
    // Modifiers alone, and Alt combinations the menu bar did not take, are
    // not typing: they keep the menu bar's own keyboard handling intact.
    if (isModifierOnly(key->key()) || (key->modifiers() & Qt::AltModifier) != 0) {
        return QWidget::eventFilter(watched, event);
    }
    if (focusWidget() != editLine_) {
        editLine_->setFocus();
        return true;
    }
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        sendEditLine();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MainDialog::sendEditLine() {
    std::string line = toAnsi(editLine_->text());
    editLine_->clear();
    line.push_back('\r');
    session_->engine().SendUnprotoLine(line);
}

void MainDialog::openHelp() {
    const ProgramLocation& location = session_->location();
    const QString path = QDir::cleanPath(
        QFileInfo(QFile::decodeName((location.directory + location.baseName + ".html").c_str()))
            .absoluteFilePath());
    QUrl url = QUrl::fromLocalFile(path);
    url.setFragment(QString::fromLatin1(kHelpTopic));
    std::string_view failure;
    if (!QFileInfo::exists(path)) {
        failure = kMsgHelpFileMissing;
    } else if (!(helpOpener_ ? helpOpener_(url) : QDesktopServices::openUrl(url))) {
        failure = kMsgNoHelpViewer;
    }
    if (!failure.empty()) {
        const MessageAroundText message = TranslateMsgAroundText(failure);
        ShowMessage(
            this, MessageIcon::Exclamation,
            fromAnsi(message.before) + QDir::toNativeSeparators(path) + fromAnsi(message.after));
    }
}

void MainDialog::runCommand(int command) {
    switch (static_cast<MenuCommand>(command)) {
        case MenuCommand::HideInTray:
            showWindow(ToggleWindowHidden(*session_, trayIcon_->isShown()));
            break;
        case MenuCommand::Exit:
            // Queued, as a posted close: the command's own handler returns
            // before the window goes.
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
            break;
        case MenuCommand::ReinitTnc:
            if (session_->engine().IsTncPortEnabled()) {
                session_->engine().InitTnc();
            }
            break;
        case MenuCommand::EnableBeacon:
            ToggleBeacon(*session_);
            break;
        case MenuCommand::OemTranslation:
            ToggleOemTranslation(*session_);
            break;
        case MenuCommand::HelpContents:
            openHelp();
            break;
        default:
            runSettingsDialog(static_cast<MenuCommand>(command));
            break;
    }
}

bool MainDialog::finish() {
    if (finished_) {
        return true;
    }
    finished_ = true;
    timer_->stop();
    // Before the exit sequence closes the descriptor it watches.
    adapterNotifier_.reset();
    const bool saved = session_->Finish();
    trayIcon_->SetIconResource(0);
    return saved;
}

}  // namespace korvale
