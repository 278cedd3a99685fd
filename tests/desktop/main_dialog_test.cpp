// The main window on the offscreen platform: its menus and their states, the
// key rules, the tray clicks, placement across runs and the hidden state,
// all through the real window over a session whose adapter is a fake.
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "desktop/ansi_text.h"
#include "desktop/display_check.h"
#include "desktop/main_dialog.h"
#include "desktop/message_box.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/nic_device.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"
#include "store/program_directory.h"
#include "store/temp_directory.h"

using namespace korvale;
using namespace korvale::testing;

namespace {

struct MenuRow {
    QString text;
    int command;  // 0 for a separator
};

QList<MenuRow> rowsOf(QMenu* menu) {
    QList<MenuRow> rows;
    for (QAction* action : menu->actions()) {
        rows.append({action->isSeparator() ? QString() : action->text(),
                     action->isSeparator() ? 0 : action->data().toInt()});
    }
    return rows;
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

  private:
    std::unique_ptr<TempDirectory> dir_;
    bool trayAvailable_ = false;

    ProgramLocation location() const {
        return {dir_->directory(), "korvale", dir_->file("korvale.ini")};
    }
    std::unique_ptr<MainDialog> start() {
        theNicDevice().useDriver(std::make_unique<FakeNicDriver>());
        return std::make_unique<MainDialog>(location());
    }
    std::string ini() const { return ReadFileBytes(dir_->file("korvale.ini")); }
    // The first tick shows "Initializing TNC..."; the set-up is over two
    // ticks later.
    static void waitForFirstTick(MainDialog& window) {
        QTRY_VERIFY(window.monitor()->toPlainText().contains("Initializing TNC..."));
        QTRY_VERIFY(!window.session().engine().tncInitSending() &&
                    !window.session().engine().kissParamsPending());
    }

  private slots:
    void init() {
        dir_ = std::make_unique<TempDirectory>();
        ProgramDirectory = dir_->directory();
        CurrentLanguage = "English";
        TheLanguageTable().clear();
        trayAvailable_ = false;
        SetTrayAvailability([this] { return trayAvailable_; });
    }
    void cleanup() {
        SetTrayAvailability({});
        TheLanguageTable().clear();
    }

    void menuBarHoldsEveryCommandInOrder() {
        auto window = start();
        const QList<QAction*> menus = window->menuBar()->actions();
        QCOMPARE(menus.size(), 3);
        QCOMPARE(menus[0]->text(), QString("&View"));
        QCOMPARE(menus[1]->text(), QString("&Settings"));
        QCOMPARE(menus[2]->text(), QString("&Help"));
        const QList<MenuRow> view = rowsOf(menus[0]->menu());
        QCOMPARE(view.size(), 2);
        QCOMPARE(view[0].text, QString("&Hide in system tray"));
        QCOMPARE(view[0].command, 32780);
        QCOMPARE(view[1].text, QString("E&xit"));
        QCOMPARE(view[1].command, 32778);
        const QList<MenuRow> settings = rowsOf(menus[1]->menu());
        const QList<int> commands = {32775, 32776, 32782, 32783, 0,     32777,
                                     32772, 32773, 32774, 0,     32781, 32786};
        QCOMPARE(settings.size(), commands.size());
        for (int i = 0; i < commands.size(); ++i) {
            QCOMPARE(settings[i].command, commands[i]);
        }
        QCOMPARE(settings[3].text, QString("Re-init the TNC now"));
        QCOMPARE(settings[11].text, QString("Interface language..."));
        const QList<MenuRow> help = rowsOf(menus[2]->menu());
        QCOMPARE(help.size(), 2);
        QCOMPARE(help[0].command, 57670);
        QCOMPARE(help[1].text, QString("&About..."));
        QCOMPARE(help[1].command, 16);
    }

    void itemStatesFollowTheSettingsWhenAMenuOpens() {
        WriteFileBytes(dir_->file("korvale.ini"),
                       "[TNC]\r\nm_iTncPort=7\r\nm_bTncDisablePort=1\r\n"
                       "[Beacon]\r\nm_bBeaconEnable=0\r\n");
        auto window = start();
        QMenu* settings = window->menuBar()->actions()[1]->menu();
        QMenu* view = window->menuBar()->actions()[0]->menu();
        window->refreshMenu(settings);
        window->refreshMenu(view);
        QVERIFY(!window->action(MenuCommand::ReinitTnc)->isEnabled());
        QVERIFY(!window->action(MenuCommand::EnableBeacon)->isChecked());
        QVERIFY(window->action(MenuCommand::OemTranslation)->isChecked());
        QVERIFY2(!window->action(MenuCommand::HideInTray)->isEnabled(),
                 "hiding without a tray icon would leave the window unreachable");

        window->session().settings().m_bTncDisablePort = 0;
        window->runCommand(static_cast<int>(MenuCommand::EnableBeacon));
        window->runCommand(static_cast<int>(MenuCommand::OemTranslation));
        window->refreshMenu(settings);
        QVERIFY(window->action(MenuCommand::ReinitTnc)->isEnabled());
        QVERIFY(window->action(MenuCommand::EnableBeacon)->isChecked());
        QVERIFY(!window->action(MenuCommand::OemTranslation)->isChecked());
        QCOMPARE(window->session().engine().beaconCountdown(), 0);

        window->session().settings().m_iTncPort = 0;
        window->refreshMenu(settings);
        QVERIFY(!window->action(MenuCommand::ReinitTnc)->isEnabled());
    }

    void keysGoToTheEditLineAndEnterSendsTheLine() {
        WriteFileBytes(dir_->file("korvale.ini"),
                       "[Unproto]\r\nm_UnprotoSource=KV1A\r\nm_UnprotoDest=QST\r\n");
        auto window = start();
        QSignalSpy closed(window.get(), &MainDialog::closed);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        waitForFirstTick(*window);

        window->monitor()->setFocus();
        QTest::keyClick(window->monitor(), Qt::Key_A);
        QCOMPARE(window->focusWidget(), window->editLine());
        QCOMPARE(window->editLine()->text(), QString());

        QTest::keyClicks(window->editLine(), "Gr");
        window->editLine()->insert(QString::fromUtf8("\u00fc\u00dfe 73"));
        QTest::keyClick(window->editLine(), Qt::Key_Escape);
        QTest::keyClick(window->editLine(), Qt::Key_Return);
        QCOMPARE(window->editLine()->text(), QString());
        QCOMPARE(closed.count(), 0);
        QVERIFY(window->isVisible());
        const QString monitor = window->monitor()->toPlainText();
        QVERIFY2(monitor.contains(QString::fromUtf8(
                     "\nGr\u00fc\u00dfe 73\nKV1A>QST>UI,C,00:\nGr\u00fc\u00dfe 73\n")),
                 qPrintable(monitor));

        QTest::keyClick(window->editLine(), Qt::Key_Enter);
        QVERIFY(window->monitor()->toPlainText().endsWith("\n\nKV1A>QST>UI,C,00:\n\n"));
    }

    void monitorKeepsAboutFiftyLinesInWindows1252AndItsEndInView() {
        auto window = start();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        for (int i = 0; i < 120; ++i) {
            window->session().engine().AppendMonitorText("line " + std::to_string(i) +
                                                         " gr\xFC\xDF\r");
        }
        QTRY_COMPARE(window->monitor()->verticalScrollBar()->value(),
                     window->monitor()->verticalScrollBar()->maximum());
        QPlainTextEdit* monitor = window->monitor();
        QVERIFY(monitor->blockCount() <= 51 && monitor->blockCount() > 40);
        QVERIFY(monitor->toPlainText().endsWith(QString::fromUtf8("line 119 gr\u00fc\u00df\n")));
        QCOMPARE(monitor->textCursor().position(), monitor->document()->characterCount() - 1);
    }

    void trayClicksToggleTheWindowAndRightClickOffersTheMenu() {
        trayAvailable_ = true;
        auto window = start();
        waitForFirstTick(*window);
        QVERIFY(window->isVisible());
        CTrayIcon& tray = window->trayIcon();
        QVERIFY(tray.isShown());
        QCOMPARE(tray.tip(), QString("Click to toggle the Korvale window"));

        QCOMPARE(tray.HandleTrayMessage(kTrayIconId, TrayMouse::LeftButtonUp), 1);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->session().settings().m_bInTray, 1);
        QVERIFY(tray.isShown());
        QCOMPARE(tray.HandleTrayMessage(kTrayIconId, TrayMouse::LeftButtonUp), 1);
        QVERIFY(window->isVisible());

        tray.HandleTrayMessage(kTrayIconId, TrayMouse::LeftButtonUp);
        tray.HandleTrayMessage(kTrayIconId, TrayMouse::LeftDoubleClick);
        QVERIFY2(window->isVisible(), "a double click toggles twice");

        QCOMPARE(tray.HandleTrayMessage(kTrayIconId + 1, TrayMouse::LeftButtonUp), 0);
        QCOMPARE(tray.HandleTrayMessage(kTrayIconId, TrayMouse::Other), 0);
        QVERIFY(window->isVisible());

        QMenu* shown = nullptr;
        tray.setMenuPresenter([&](QMenu& menu) { shown = &menu; });
        QCOMPARE(tray.HandleTrayMessage(kTrayIconId, TrayMouse::RightButtonUp), 1);
        QVERIFY(shown != nullptr);
        QCOMPARE(shown->title(), QString("Tray"));
        const QList<MenuRow> rows = rowsOf(shown);
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].text, QString("Show/hide window"));
        QCOMPARE(rows[0].command, 32780);
        QCOMPARE(rows[1].text, QString("Exit"));
        QCOMPARE(rows[1].command, 32778);
    }

    void exitFromTheTrayMenuWhileHiddenStartsTheNextRunHidden() {
        trayAvailable_ = true;
        {
            auto window = start();
            QSignalSpy closed(window.get(), &MainDialog::closed);
            waitForFirstTick(*window);
            window->trayIcon().HandleTrayMessage(kTrayIconId, TrayMouse::LeftButtonUp);
            QMenu* shown = nullptr;
            window->trayIcon().setMenuPresenter([&](QMenu& menu) { shown = &menu; });
            window->trayIcon().HandleTrayMessage(kTrayIconId, TrayMouse::RightButtonUp);
            shown->actions()[1]->trigger();
            QTRY_COMPARE(closed.count(), 1);
            QVERIFY(window->finish());
        }
        QVERIFY(ini().find("ShowInTray=1") != std::string::npos);
        auto next = start();
        waitForFirstTick(*next);
        QVERIFY(!next->isVisible());
        QVERIFY(next->trayIcon().isShown());
    }

    void withoutATrayTheWindowIsNeverHidden() {
        WriteFileBytes(dir_->file("korvale.ini"), "[Dialog]\r\nShowInTray=1\r\n");
        auto window = start();
        waitForFirstTick(*window);
        QVERIFY2(window->isVisible(), "no tray icon: a hidden window could not be reached");
        QVERIFY(window->finish());
        QVERIFY2(ini().find("ShowInTray=1") != std::string::npos, "the stored choice is kept");
    }

    void placementIsKeptAcrossRunsButNotWhileMinimised() {
        int minimumWidth = 0;
        {
            auto window = start();
            minimumWidth = window->minimumOuterWidth();
            QTRY_VERIFY(window->isVisible());
            QTest::qWait(1200);  // lets the window settle its frame
            window->move(40, 50);
            window->resize(minimumWidth + 100 - window->frameGeometry().width() + window->width(),
                           window->minimumOuterHeight() + 80);
            window->showMinimized();
            window->move(300, 300);
            QVERIFY(window->finish());
        }
        const std::string saved = ini();
        QVERIFY2(saved.find("Left=40\nTop=50\n") != std::string::npos, saved.c_str());
        QVERIFY(saved.find("CX=" + std::to_string(minimumWidth + 100)) != std::string::npos);

        auto next = start();
        QTRY_VERIFY(next->isVisible());
        QTRY_COMPARE(next->frameGeometry().topLeft(), QPoint(40, 50));
        QTRY_COMPARE(next->frameGeometry().width(), minimumWidth + 100);
        next->resize(10, 10);
        QVERIFY2(next->width() >= next->minimumOuterWidth(), "never below the first size");
    }

    void deutschTranslatesTheWindowTheMenusAndTheTrayMenu() {
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        trayAvailable_ = true;
        auto window = start();
        const auto expected = [](std::string_view section, const char* english) {
            const std::string translated = LookupText(section, english);
            return translated.empty() ? QString::fromLatin1(english) : fromAnsi(translated);
        };
        QCOMPARE(window->windowTitle(),
                 expected(kSectionMainDialog, "Korvale - Monitor/Unproto window"));
        QVERIFY(window->windowTitle() != QString("Korvale - Monitor/Unproto window"));
        int translatedItems = 0;
        for (QAction* top : window->menuBar()->actions()) {
            for (QAction* item : top->menu()->actions()) {
                if (!item->isSeparator() && item->data().toInt() != 0) {
                    ++translatedItems;
                }
            }
        }
        QCOMPARE(translatedItems, 14);
        QCOMPARE(window->action(MenuCommand::Exit)->text(), expected(kSectionMainDialog, "E&xit"));
        QVERIFY(window->action(MenuCommand::Exit)->text() != QString("E&xit"));
        QCOMPARE(window->menuBar()->actions()[1]->text(),
                 expected(kSectionMainDialog, "&Settings"));
        QCOMPARE(window->trayIcon().tip(), fromAnsi(TranslateMsg(kMsgTrayTip)).left(63));

        QMenu* shown = nullptr;
        window->trayIcon().setMenuPresenter([&](QMenu& menu) { shown = &menu; });
        window->trayIcon().HandleTrayMessage(kTrayIconId, TrayMouse::RightButtonUp);
        QCOMPARE(shown->title(), expected(kSectionSystrayMenu, "Tray"));
        QCOMPARE(shown->actions()[1]->text(), expected(kSectionSystrayMenu, "Exit"));
        QVERIFY(shown->actions()[1]->text() != QString("Exit"));
        QCOMPARE(shown->actions()[1]->data().toInt(), 32778);
    }

    void contentsOpensTheHelpBesideTheProgramAtTheWindowsTopic() {
        auto window = start();
        QList<QUrl> opened;
        window->setHelpOpener([&](const QUrl& url) {
            opened.append(url);
            return true;
        });
        QStringList messages;
        SetMessagePresenter([&](QWidget*, MessageIcon, const QString& text) { messages << text; });
        window->runCommand(static_cast<int>(MenuCommand::HelpContents));
        QCOMPARE(opened.size(), 0);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains("korvale.html"));

        WriteFileBytes(dir_->file("korvale.html"), "<html></html>");
        window->runCommand(static_cast<int>(MenuCommand::HelpContents));
        SetMessagePresenter({});
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened[0].toLocalFile(), QString::fromStdString(dir_->file("korvale.html")));
        QCOMPARE(opened[0].fragment(), QString("main-window"));
    }

    void noDisplayIsReportedBeforeAnythingElse() {
        const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
        const QByteArray display = qgetenv("DISPLAY");
        qunsetenv("QT_QPA_PLATFORM");
        qunsetenv("DISPLAY");
        const std::string noDisplay = DisplayUnavailableReason();
        qputenv("DISPLAY", ":4711");
        const std::string unreachable = DisplayUnavailableReason();
        qputenv("QT_QPA_PLATFORM", "offscreen");
        const std::string offscreen = DisplayUnavailableReason();
        qputenv("QT_QPA_PLATFORM", platform);
        display.isNull() ? qunsetenv("DISPLAY") : qputenv("DISPLAY", display);
        QVERIFY(!noDisplay.empty());
        QVERIFY(unreachable.find(":4711") != std::string::npos);
        QVERIFY(offscreen.empty());
    }
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"
