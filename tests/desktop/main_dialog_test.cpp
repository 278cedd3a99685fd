// The main window's wiring; its rules are tested in tests/app, the real window in e2e.
#include <sys/eventfd.h>
#include <unistd.h>
#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <tuple>

#include "desktop/ansi_text.h"
#include "desktop/main_dialog.h"
#include "desktop/message_box.h"
#include "gateway/fake_nic_driver.h"
#include "gateway/file_descriptor.h"
#include "gateway/nic_device.h"
#include "lang/language_file.h"
#include "lang/translate.h"
#include "lang/ui_texts.h"
#include "store/program_directory.h"
#include "store/temp_directory.h"

using namespace korvale;
using namespace korvale::testing;

namespace {

QMenu* trayMenu(MainDialog& window) {
    QMenu* shown = nullptr;
    window.trayIcon().setMenuPresenter([&](QMenu& menu) { shown = &menu; });
    window.trayIcon().HandleTrayMessage(kTrayIconId, TrayMouse::RightButtonUp);
    return shown;
}

}  // namespace

class MainDialogTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDirectory> dir_;
    bool trayAvailable_ = false;

    std::unique_ptr<MainDialog> start() {
        theNicDevice().useDriver(std::make_unique<FakeNicDriver>());
        return std::make_unique<MainDialog>(
            ProgramLocation{dir_->directory(), "korvale", dir_->file("korvale.ini")});
    }
    std::string ini() const { return ReadFileBytes(dir_->file("korvale.ini")); }
    void writeIni(const char* text) const { WriteFileBytes(dir_->file("korvale.ini"), text); }
    // The first tick shows "Initializing TNC..."; the set-up is over two later.
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

    void itemStatesFollowTheSettingsWhenAMenuOpens() {
        writeIni(
            "[TNC]\r\nm_iTncPort=7\r\nm_bTncDisablePort=1\r\n[Beacon]\r\nm_bBeaconEnable=0\r\n");
        auto window = start();
        using enum MenuCommand;
        const auto states = [&] {
            for (QAction* menu : window->menuBar()->actions()) {
                window->refreshMenu(menu->menu());
            }
            return QList<bool>({window->action(ReinitTnc)->isEnabled(),
                                window->action(HideInTray)->isEnabled(),
                                window->action(EnableBeacon)->isChecked(),
                                window->action(OemTranslation)->isChecked()});
        };
        // Port 7 is disabled; no tray icon to come back from.
        QCOMPARE(states(), QList<bool>({false, false, false, true}));
        window->runCommand(static_cast<int>(EnableBeacon));
        window->runCommand(static_cast<int>(OemTranslation));
        window->session().settings().m_bTncDisablePort = 0;
        QCOMPARE(states(), QList<bool>({true, false, true, false}));
    }

    void keysGoToTheEditLineEnterSendsTheLineAndTheMonitorIsTrimmed() {
        writeIni("[Unproto]\r\nm_UnprotoSource=KV1A\r\nm_UnprotoDest=QST\r\n");
        auto window = start();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        waitForFirstTick(*window);
        window->monitor()->setFocus();
        QTest::keyClick(window->monitor(), Qt::Key_A);
        QCOMPARE(window->focusWidget(), window->editLine());
        QCOMPARE(window->editLine()->text(), QString());  // the key itself is dropped
        window->editLine()->insert(QString::fromUtf8("Gr\u00fc\u00dfe"));
        QTest::keyClick(window->editLine(), Qt::Key_Return);
        QTest::keyClick(window->editLine(), Qt::Key_Enter);  // an empty line goes out too
        QVERIFY2(
            window->monitor()->toPlainText().endsWith(QString::fromUtf8(
                "\nGr\u00fc\u00dfe\nKV1A>QST>UI,C,00:\nGr\u00fc\u00dfe\n\nKV1A>QST>UI,C,00:\n\n")),
            qPrintable(window->monitor()->toPlainText()));

        for (int i = 0; i < 120; ++i) {  // the monitor keeps about 50 lines, its end in view
            window->session().engine().AppendMonitorText("line " + std::to_string(i) + "\r");
        }
        QPlainTextEdit* view = window->monitor();
        QTRY_COMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
        QVERIFY(view->blockCount() <= 51 && view->blockCount() > 40);
        QVERIFY(view->toPlainText().endsWith("line 119\n"));
        QCOMPARE(view->textCursor().position(), view->document()->characterCount() - 1);
        // "CX" and "CY" are the outer size from the first run on.
        const QSize outer = window->frameGeometry().size();
        QVERIFY(outer != window->size() && window->finish());
        QVERIFY2(ini().find("CX=" + std::to_string(outer.width()) +
                            "\r\nCY=" + std::to_string(outer.height())) != std::string::npos,
                 ini().c_str());
    }

    void serialPortOkTakesThePortWithoutWaitingForItsOpen() {
        // COM2 names a device that is not there: the handler tries it for about 3 s.
        QVERIFY(::symlink(dir_->file("absent").c_str(), dir_->file("COM2").c_str()) == 0);
        auto window = start();
        waitForFirstTick(*window);
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            QVERIFY(dialog);
            dialog->findChild<QComboBox*>("portList")->setCurrentIndex(2);
            QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        window->runCommand(static_cast<int>(MenuCommand::SerialPortSetup));
        QCOMPARE(window->session().settings().m_iTncPort, 2);
        const QString error = "Error: Cannot open COM2! Port is disabled.";
        QVERIFY2(!window->monitor()->toPlainText().contains(error), "OK waited for the open");
        // The ticks go on and report the failure.
        QTRY_VERIFY_WITH_TIMEOUT(window->monitor()->toPlainText().contains(error), 20000);
    }

    void trayClicksHideTheWindowAndTheTrayMenusExitEndsIt() {
        trayAvailable_ = true;
        auto window = start();
        QSignalSpy closed(window.get(), &MainDialog::closed);
        waitForFirstTick(*window);
        QVERIFY(window->isVisible() && window->trayIcon().isShown());
        QCOMPARE(window->trayIcon().HandleTrayMessage(kTrayIconId, TrayMouse::LeftDoubleClick), 1);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->trayIcon().HandleTrayMessage(kTrayIconId + 1, TrayMouse::LeftButtonUp), 0);
        QCOMPARE(window->trayIcon().HandleTrayMessage(kTrayIconId, TrayMouse::Other), 0);
        QVERIFY(!window->isVisible());
        trayMenu(*window)->actions()[1]->trigger();
        QTRY_COMPARE(closed.count(), 1);
        QVERIFY(window->finish());
        QVERIFY(ini().find("ShowInTray=1") != std::string::npos);
    }

    void placementIsKeptAcrossRunsButNotWhileMinimisedAndWithoutATrayNeverHidden() {
        writeIni("[Dialog]\nShowInTray=1\n");
        int minimumWidth = 0;
        {
            auto window = start();
            minimumWidth = window->minimumOuterWidth();
            QTRY_VERIFY(window->isVisible());
            QVERIFY(QTest::qWaitForWindowExposed(window.get()));
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
        QVERIFY2(saved.find("ShowInTray=1") != std::string::npos, "the stored choice is kept");

        auto next = start();
        QTRY_VERIFY(next->isVisible());
        QTRY_COMPARE(next->frameGeometry().topLeft(), QPoint(40, 50));
        QTRY_COMPARE(next->frameGeometry().width(), minimumWidth + 100);
        next->resize(10, 10);
        QVERIFY2(next->width() >= next->minimumOuterWidth(), "never below the first size");
        trayAvailable_ = true;
        QTRY_VERIFY(next->trayIcon().isShown() && !next->isVisible());
    }

    void deutschTranslatesTheWindowTheMenusAndTheTrayMenu() {
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        trayAvailable_ = true;
        auto window = start();
        QMenu* tray = trayMenu(*window);
        QVERIFY(tray != nullptr);
        const std::tuple<QString, std::string_view, const char*> rows[] = {
            {window->windowTitle(), kSectionMainDialog, "Korvale - Monitor/Unproto window"},
            {window->action(MenuCommand::Exit)->text(), kSectionMainDialog, "E&xit"},
            {tray->actions()[1]->text(), kSectionSystrayMenu, "Exit"}};
        for (const auto& [shown, section, english] : rows) {
            QCOMPARE(shown, fromAnsi(LookupText(section, english)));
            QVERIFY2(shown != QString(english), english);
        }
        QCOMPARE(window->trayIcon().tip(), fromAnsi(TranslateMsg(kMsgTrayTip)).left(63));
    }

    void contentsOpensTheHelpOrSaysWhetherThePageOrABrowserIsMissing() {
        theNicDevice().useDriver(std::make_unique<FakeNicDriver>());
        // As started by "./korvale": the page's path is shown without "/./".
        MainDialog window({dir_->directory() + "./", "korvale", dir_->file("korvale.ini")});
        QList<QUrl> opened;
        QStringList messages;
        bool browser = false;
        window.setHelpOpener([&](const QUrl& url) { return opened.append(url), browser; });
        SetMessagePresenter([&](QWidget*, MessageIcon, const QString& text) { messages << text; });
        for (int i = 0; i < 3; ++i) {  // no page, no browser, both
            window.runCommand(static_cast<int>(MenuCommand::HelpContents));
            WriteFileBytes(dir_->file("korvale.html"), "<html></html>");
            browser = i == 1;
        }
        SetMessagePresenter({});
        const QString page = QString::fromStdString(dir_->file("korvale.html"));
        QCOMPARE(messages, QStringList({"The help file " + page + " is missing.",
                                        "No web browser could be started to show the help file " +
                                            page + "."}));
        QCOMPARE(opened.size(), 2);
        QCOMPARE(opened[1].toLocalFile(), page);
        QCOMPARE(opened[1].fragment(), QString("main-window"));
    }

    void aFrameFromTheHostLeavesAsSoonAsTheAdapterIsReadable() {
        auto owned = std::make_unique<FakeNicDriver>();
        FakeNicDriver& driver = *owned;
        const FileDescriptor readable(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        driver.readable = readable.get();
        theNicDevice().useDriver(std::move(owned));
        MainDialog window({dir_->directory(), "korvale", dir_->file("korvale.ini")});
        waitForFirstTick(window);
        for (QTimer* timer : window.findChildren<QTimer*>()) {
            timer->stop();  // no tick drains the adapter from here on
        }
        // IPv4 from the host to AB1CDE-7, whose address the callsign rule makes.
        driver.hostFrames = {
            {0x82, 0x84, 0x0A, 0x36, 0x3A, 0x3C, 'S', 'M', 'R', 'D', 'R', 'V', 0x08, 0x00, '!'}};
        const std::uint64_t one = 1;
        QCOMPARE(::write(readable.get(), &one, sizeof one), ssize_t(sizeof one));
        QTRY_VERIFY(window.monitor()->toPlainText().contains(">AB1CDE-7>UI,C,CC:\n!"));
        QVERIFY(driver.hostFrames.empty());
    }
};

QTEST_MAIN(MainDialogTest)
#include "main_dialog_test.moc"