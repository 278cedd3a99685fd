// MainDialog: the "Monitor/Unproto window", the program's one top-level
// window, and owner of the gateway session for the whole run.
//
// The monitor fills the window above the edit line; the menu bar carries the
// commands; a 100 ms timer runs the engine tick; received bytes announced by
// the serial reader thread arrive as queued calls, one per chunk; a socket
// notifier on the adapter drains each frame from the host as it comes. Keys: Escape
// does nothing, a key pressed anywhere but the edit line moves the focus there
// and is dropped, Enter sends the line. Closing the window (close box, window
// manager, Exit) ends the run: closed() is emitted and the owner ends its
// event loop, then destroys the window, which runs the exit sequence and
// removes the tray icon. Hiding the window to the tray does not end the run.
// Main thread only.
#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>

#include "app/gateway_session.h"
#include "app/menu_commands.h"
#include "desktop/text_monitor_view.h"
#include "desktop/tray_icon.h"

class QAction;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSocketNotifier;
class QTimer;

namespace korvale {

class MainDialog final : public QWidget {
    Q_OBJECT

  public:
    // Loads the language and the settings (through the session) and sets the
    // window up: translated, placed from the settings, tray icon shown, timer
    // started. The first tick shows the window, or keeps it hidden when it
    // was stored hidden and a tray icon is shown.
    explicit MainDialog(const ProgramLocation& location);
    ~MainDialog() override;

    // Runs a menu command, as the menus and the tray icon do.
    void runCommand(int command);

    // The exit sequence (also run by the destructor): settings saved, links
    // closed; then the tray icon goes. Returns false when the settings
    // could not all be written.
    bool finish();

    GatewaySession& session() { return *session_; }
    CTrayIcon& trayIcon() { return *trayIcon_; }
    QLineEdit* editLine() const { return editLine_; }
    QPlainTextEdit* monitor() const { return monitor_; }
    QMenuBar* menuBar() const { return menuBar_; }
    QAction* action(MenuCommand command) const;
    int minimumOuterWidth() const { return m_iMinCx; }
    int minimumOuterHeight() const { return m_iMinCy; }

    // Refreshes the items of a menu just before it opens.
    void refreshMenu(QMenu* menu);

    // Replaces how the help page is opened (tests); returns whether it was.
    void setHelpOpener(std::function<bool(const QUrl&)> opener) { helpOpener_ = std::move(opener); }

  signals:
    void closed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void createControls();
    void createMenu();
    void placeWindow();
    void EngineTick();
    void watchAdapter();
    void followTrayHost();
    void settlePlacement();
    void recordPlacement();
    void showWindow(bool visible);
    void sendEditLine();
    void openHelp();
    void runSettingsDialog(MenuCommand command);

    QPlainTextEdit* monitor_ = nullptr;
    QLineEdit* editLine_ = nullptr;
    QMenuBar* menuBar_ = nullptr;
    QTimer* timer_ = nullptr;
    std::unique_ptr<QSocketNotifier> adapterNotifier_;
    std::map<int, QAction*> actions_;
    std::unique_ptr<TextMonitorView> view_;
    std::unique_ptr<GatewaySession> session_;
    std::unique_ptr<CTrayIcon> trayIcon_;
    std::function<bool(const QUrl&)> helpOpener_;

    int m_iMinCx = 0;
    int m_iMinCy = 0;
    // The stored outer size is applied once the window manager's frame is
    // known; until then nothing is recorded.
    bool placementSettled_ = false;
    int settleTicks_ = 0;
    bool finished_ = false;
};

}  // namespace korvale
