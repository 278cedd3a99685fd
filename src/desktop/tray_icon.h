// CTrayIcon: the icon in the desktop's notification area and its clicks.
// A left click toggles the main window ("Show/hide window"); a double click,
// which arrives as two clicks, leaves it as it was; a right click opens the
// menu "Tray" with "Show/hide window" and "Exit", built and translated under
// "Systray menu" at every click. Pressing a button does nothing; its release
// acts. Clicks reach the main window as menu commands through the notify
// target. The icon stays for the whole run, whether the window is shown or
// hidden, as long as the desktop has a notification area: FollowHost(), once
// a tick, puts it into one that comes and notes one that goes. Main thread
// only.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;
class QWidget;

namespace korvale {

inline constexpr int kTrayIconId = 129;
// Longest tip the notification area is given, in characters.
inline constexpr int kTrayTipMaxLength = 63;

// Whether the desktop has a notification area now. Tests replace the check
// (the offscreen platform has none); an empty function restores it.
void SetTrayAvailability(std::function<bool()> available);

enum class TrayMouse { LeftButtonUp, RightButtonUp, LeftDoubleClick, Other };

// What FollowHost() found: the notification area came, went, or is as it was.
enum class TrayHost { Unchanged, Came, Went };

class CTrayIcon final : public QObject {
    Q_OBJECT

  public:
    using CommandTarget = std::function<void(int command)>;

    explicit CTrayIcon(int resourceId = kTrayIconId, QObject* parent = nullptr);
    // Removes the icon from the notification area.
    ~CTrayIcon() override;

    void SetNotifyTarget(CommandTarget target) { target_ = std::move(target); }

    // A non-zero id shows the icon with its translated tip (or changes it);
    // 0 removes it. Returns whether an icon is shown afterwards for a
    // non-zero id, true for 0. Where the desktop has no notification area
    // no icon can be shown.
    bool SetIconResource(int resourceId);

    bool isShown() const;
    QString tip() const { return tip_; }

    // Follows the desktop's notification area: when one comes, the icon last
    // asked for is shown in it; when it goes, the icon goes with it.
    TrayHost FollowHost();

    // One mouse event on an icon. Acts only on this icon's id and on button
    // releases (a double click counts as a second release); returns 1 when
    // it acted, else 0.
    int HandleTrayMessage(int iconId, TrayMouse mouse);

    // The menu of the last right click, while it is open (tests look at it).
    QMenu* lastMenu() const { return menu_.get(); }
    // Replaces how the right-click menu is shown (tests skip the popup).
    void setMenuPresenter(std::function<void(QMenu&)> presenter) {
        presenter_ = std::move(presenter);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void buildMenu();
    void watchClicks();

    int iconId_;
    int shownResourceId_ = 0;  // the id last given to SetIconResource
    bool hostPresent_ = false;
    QString tip_;
    CommandTarget target_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    // The platform's window for the icon in an X11 notification area, whose
    // mouse events are taken here so that releases, not presses, act.
    QPointer<QWidget> clickWindow_;
    std::unique_ptr<QMenu> menu_;
    std::function<void(QMenu&)> presenter_;
};

}  // namespace korvale
