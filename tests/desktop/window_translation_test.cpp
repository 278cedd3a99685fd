// Windows and menus through the language table: every text of every dialog
// under its own section, edit contents, length and character-set limits, and
// menus that keep their commands and submenus.
#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>
#include <functional>
#include <memory>

#include "desktop/ansi_text.h"
#include "desktop/dialogs/about_dialog.h"
#include "desktop/dialogs/exchange_dialog.h"
#include "desktop/dialogs/language_dialog.h"
#include "desktop/dialogs/serial_port_dialog.h"
#include "desktop/window_translation.h"
#include "lang/language_file.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

// What the user reads in a window: its caption and its labels, buttons and
// group box titles.
QStringList shownTexts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QLabel* label : window.findChildren<QLabel*>()) {
        texts << label->text();
    }
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
        texts << button->text();
    }
    for (const QGroupBox* group : window.findChildren<QGroupBox*>()) {
        texts << group->title();
    }
    return texts;
}

std::unique_ptr<QWidget> makeWindow(std::string_view section, DialogCopy& copy) {
    if (section == kSectionPortDialog) {
        return std::make_unique<SerialPortDialog>(1, 9600, 0);
    }
    if (section == kSectionLanguageDialog) {
        return std::make_unique<LanguageDialog>(std::vector<std::string>{"English"}, "English");
    }
    if (section == kSectionAboutDialog) {
        return std::make_unique<AboutDialog>();
    }
    using Describe = DialogDescription (*)(DialogCopy&);
    for (const Describe describe :
         {TcpIpDialog, KissTncDialog, MonitorDialog, UnprotoDialog, BeaconDialog}) {
        if (describe(copy).section == section) {
            return std::make_unique<ExchangeDialog>(describe(copy));
        }
    }
    return nullptr;
}

QMenu* addMenu(QWidget* parent, const QString& title, QList<QAction*>& into) {
    auto* menu = new QMenu(title, parent);
    into << menu->menuAction();
    return menu;
}

}  // namespace

class WindowTranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { TheLanguageTable().clear(); }

    void everyDialogTextIsTranslatedUnderItsSection_data() {
        QTest::addColumn<QString>("section");
        for (const std::string_view section :
             {kSectionAboutDialog, kSectionTcpIpDialog, kSectionTncDialog, kSectionMonitorDialog,
              kSectionUnprotoDialog, kSectionBeaconDialog, kSectionPortDialog,
              kSectionLanguageDialog}) {
            QTest::newRow(std::string(section).c_str()) << fromAnsi(section);
        }
    }

    // With an empty table every text stays as built; with Deutsch.lng, and
    // with a table that marks every text of the section (some German texts
    // equal the English ones), each text shows its translation.
    void everyDialogTextIsTranslatedUnderItsSection() {
        QFETCH(QString, section);
        const std::string name = toAnsi(section);
        DialogCopy copy = MakeDialogCopy(Settings{});
        const QStringList english = shownTexts(*makeWindow(name, copy));
        for (const bool marked : {false, true}) {
            TheLanguageTable().clear();
            if (marked) {
                for (const UiText& text : kUiTexts) {
                    TheLanguageTable().addEntry(text.section, std::string(text.english),
                                                std::string(text.english) + " (de)");
                }
            } else {
                LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
            }
            const QStringList translated = shownTexts(*makeWindow(name, copy));
            int looked = 0;
            for (const UiText& text : kUiTexts) {
                if (text.section != name) {
                    continue;
                }
                ++looked;
                const QString original = fromAnsi(text.english);
                const QString translation =
                    fromAnsi(TheLanguageTable().LookupText(name, text.english));
                QVERIFY2(english.contains(original), qPrintable(original));
                QVERIFY2(translated.contains(translation), qPrintable(translation));
                if (translation != original) {
                    QVERIFY2(!translated.contains(original), qPrintable(original));
                }
            }
            QVERIFY(looked >= 3);
        }
    }

    void aKeyUnderAnotherSectionIsNotUsed() {
        TheLanguageTable().addEntry(kSectionBeaconDialog, "Source call", "Quelle");
        DialogCopy copy = MakeDialogCopy(Settings{});
        QVERIFY(shownTexts(*makeWindow(kSectionUnprotoDialog, copy)).contains("Source call"));
        QVERIFY(shownTexts(*makeWindow(kSectionBeaconDialog, copy)).contains("Quelle"));
    }

    void editContentEqualToAKeyIsTranslated() {
        TheLanguageTable().addEntry(kSectionBeaconDialog, "CQ de AB1CD", "Hallo von AB1CD");
        Settings settings;
        settings.m_sBeaconText = "CQ de AB1CD";
        DialogCopy copy = MakeDialogCopy(settings);
        ExchangeDialog dialog(BeaconDialog(copy));
        QCOMPARE(qobject_cast<QLineEdit*>(dialog.control(1007))->text(), "Hallo von AB1CD");
    }

    void labelTakesOnlyAUsableTranslation_data() {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("translation");
        QTest::addColumn<QString>("expected");
        const QByteArray longest(998, 'x');
        QTest::newRow("998 characters")
            << "Text" << QByteArray("Text") << longest << QString(longest);
        QTest::newRow("999 characters") << "Text" << QByteArray("Text") << longest + 'x' << "Text";
        QTest::newRow("Windows-1252 key") << "Gr\u00f6\u00dfe"
                                          << QByteArray(
                                                 "Gr\xf6\xdf"
                                                 "e")
                                          << QByteArray("Size") << "Size";
        QTest::newRow("text beyond Windows-1252")
            << "\u03a9" << QByteArray("?") << QByteArray("Omega") << "\u03a9";
    }

    void labelTakesOnlyAUsableTranslation() {
        QFETCH(QString, shown);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, translation);
        QFETCH(QString, expected);
        TheLanguageTable().addEntry("Test window", key.toStdString(), translation.toStdString());
        QWidget window;
        auto* label = new QLabel(shown, &window);
        TranslateWindow("Test window", &window);
        QCOMPARE(label->text(), expected);
    }

    void windowWithMenuBarKeepsCommandsAndSubmenus_data() {
        QTest::addColumn<bool>("loaded");
        QTest::newRow("English") << false;
        QTest::newRow("Deutsch") << true;
    }

    void windowWithMenuBarKeepsCommandsAndSubmenus() {
        QFETCH(bool, loaded);
        if (loaded) {
            LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        }
        QMainWindow window;
        window.setWindowTitle("Korvale - Monitor/Unproto window");
        auto* central = new QWidget(&window);
        auto* nested = new QLabel("Beacon...", central);
        window.setCentralWidget(central);
        QDialog owned(&window);  // a window of its own, translated by itself
        auto* ownedLabel = new QLabel("Beacon...", &owned);
        QList<QAction*> top;
        QMenu* view = addMenu(&window, "&View", top);
        view->addAction("&Hide in system tray")->setData(32771);
        QAction* separator = view->addSeparator();
        QList<QAction*> inner;
        QMenu* settings = addMenu(view, "&Settings", inner);
        view->addActions(inner);
        settings->addAction("Enable beacon")->setData(32790);
        window.menuBar()->addActions(top);

        TranslateWindow(kSectionMainDialog, &window);

        const auto text = [loaded](const char* english, const char* german) {
            return loaded ? QString::fromUtf8(german) : QString(english);
        };
        QCOMPARE(window.windowTitle(),
                 text("Korvale - Monitor/Unproto window", "Korvale - Monitor/Unproto-Fenster"));
        QCOMPARE(nested->text(), text("Beacon...", "Bake..."));
        QCOMPARE(ownedLabel->text(), "Beacon...");
        QCOMPARE(window.menuBar()->actions().front()->text(), text("&View", "&Ansicht"));
        QCOMPARE(QMenu::menuInAction(window.menuBar()->actions().front()), view);
        const QList<QAction*> items = view->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), text("&Hide in system tray", "Im Infobereich &verbergen"));
        QCOMPARE(items[0]->data().toInt(), 32771);
        QVERIFY(items[1] == separator && separator->isSeparator() && separator->text().isEmpty());
        QCOMPARE(items[2]->text(), text("&Settings", "&Einstellungen"));
        QCOMPARE(QMenu::menuInAction(items[2]), settings);
        QCOMPARE(settings->actions().front()->text(), text("Enable beacon", "Bake einschalten"));
        QCOMPARE(settings->actions().front()->data().toInt(), 32790);
    }

    void trayMenuIsTranslatedUnderItsOwnSection() {
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        QMenu tray;
        tray.addAction("Show/hide window")->setData(1);
        tray.addAction("Beacon...");  // a main window text only
        tray.addAction("Exit")->setData(2);
        TranslateMenu(kSectionSystrayMenu, &tray);
        TranslateMenu(kSectionSystrayMenu, static_cast<QMenu*>(nullptr));
        const QList<QAction*> items = tray.actions();
        QCOMPARE(items[0]->text(), "Fenster zeigen/verbergen");
        QCOMPARE(items[1]->text(), "Beacon...");
        QCOMPARE(items[2]->text(), "Beenden");
        QCOMPARE(items[2]->data().toInt(), 2);
    }

    void aboutBoxShowsTheProgramIcon() {
        AboutDialog about;
        const auto* icon = about.findChild<QLabel*>("programIcon");
        QVERIFY(!icon->pixmap().isNull());
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::WindowTranslationTest)
#include "window_translation_test.moc"
