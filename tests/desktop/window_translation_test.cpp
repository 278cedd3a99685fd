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

void loadDeutsch() {
    LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
}

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
    for (const auto describe :
         {TcpIpDialog, KissTncDialog, MonitorDialog, UnprotoDialog, BeaconDialog}) {
        if (describe(copy).section == section) {
            return std::make_unique<ExchangeDialog>(describe(copy));
        }
    }
    return nullptr;
}

}  // namespace

class WindowTranslationTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { TheLanguageTable().clear(); }

    // With an empty table every text stays as built; with Deutsch.lng, and
    // with a table that marks every text of the section (some German texts
    // equal the English ones), each text shows its translation.
    void everyDialogTextIsTranslatedUnderItsSection() {
        for (const std::string_view name :
             {kSectionAboutDialog, kSectionTcpIpDialog, kSectionTncDialog, kSectionMonitorDialog,
              kSectionUnprotoDialog, kSectionBeaconDialog, kSectionPortDialog,
              kSectionLanguageDialog}) {
            DialogCopy copy = MakeDialogCopy(Settings{});
            TheLanguageTable().clear();
            const QStringList english = shownTexts(*makeWindow(name, copy));
            for (const bool marked : {false, true}) {
                TheLanguageTable().clear();
                if (!marked) {
                    loadDeutsch();
                }
                for (const UiText& text : kUiTexts) {
                    if (marked) {
                        TheLanguageTable().addEntry(text.section, std::string(text.english),
                                                    std::string(text.english) + " (de)");
                    }
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
                    const QByteArray where = fromAnsi(name).toUtf8() + ": " + original.toUtf8();
                    QVERIFY2(english.contains(original), where);
                    QVERIFY2(translated.contains(translation), where);
                    QVERIFY2(translation == original || !translated.contains(original), where);
                }
                QVERIFY2(looked >= 3, fromAnsi(name).toUtf8());
            }
        }
    }

    void editContentIsTranslatedButNotAKeyOfAnotherSection() {
        TheLanguageTable().addEntry(kSectionBeaconDialog, "Source call", "Quelle");
        TheLanguageTable().addEntry(kSectionBeaconDialog, "CQ de AB1CD", "Hallo von AB1CD");
        Settings settings;
        settings.m_sBeaconText = "CQ de AB1CD";
        DialogCopy copy = MakeDialogCopy(settings);
        QVERIFY(shownTexts(*makeWindow(kSectionUnprotoDialog, copy)).contains("Source call"));
        ExchangeDialog beacon(BeaconDialog(copy));
        QVERIFY(shownTexts(beacon).contains("Quelle"));
        QCOMPARE(qobject_cast<QLineEdit*>(beacon.control(1007))->text(), "Hallo von AB1CD");
    }

    void labelTakesOnlyAUsableTranslation() {
        // The label's text, the table's key and translation (Windows-1252),
        // and the text shown afterwards.
        const QByteArray longest(998, 'x');
        // clang-format off
        const struct {
            QString shown;
            QByteArray key, translation;
            QString expected;
        } rows[] = {
            {"Text", "Text", longest, QString(longest)}, {"Text", "Text", longest + 'x', "Text"},
            {"Gr\u00f6\u00dfe", "Gr\xf6\xdf" "e", "Size", "Size"},
            {"\u03a9", "?", "Omega", "\u03a9"}};  // beyond Windows-1252
        // clang-format on
        for (const auto& row : rows) {
            TheLanguageTable().clear();
            TheLanguageTable().addEntry("Test window", row.key.toStdString(),
                                        row.translation.toStdString());
            QWidget window;
            auto* label = new QLabel(row.shown, &window);
            TranslateWindow("Test window", &window);
            QCOMPARE(label->text(), row.expected);
        }
    }

    // Controls inside the central widget are translated, a window of its own
    // is not; menu items keep their command ids and submenus; the tray menu
    // uses its own section only.
    void windowAndTrayMenusKeepCommandsAndSubmenus() {
        loadDeutsch();
        QMainWindow window;
        window.setWindowTitle("Korvale - Monitor/Unproto window");
        window.setCentralWidget(new QWidget);
        auto* nested = new QLabel("Beacon...", window.centralWidget());
        QDialog owned(&window);
        auto* ownedLabel = new QLabel("Beacon...", &owned);
        QMenu* view = window.menuBar()->addMenu("&View");
        view->addAction("&Hide in system tray")->setData(32771);
        view->addSeparator();
        QMenu* settings = view->addMenu("&Settings");
        settings->addAction("Enable beacon")->setData(32790);
        QMenu tray;
        tray.addAction("Beacon...");
        tray.addAction("Exit")->setData(2);

        TranslateWindow(kSectionMainDialog, &window);
        TranslateMenu(kSectionSystrayMenu, &tray);
        TranslateMenu(kSectionSystrayMenu, static_cast<QMenu*>(nullptr));

        QCOMPARE(window.windowTitle(), "Korvale - Monitor/Unproto-Fenster");
        QCOMPARE(nested->text(), "Bake...");
        QCOMPARE(ownedLabel->text(), "Beacon...");
        QCOMPARE(window.menuBar()->actions().front()->text(), "&Ansicht");
        QCOMPARE(QMenu::menuInAction(window.menuBar()->actions().front()), view);
        const QList<QAction*> items = view->actions();
        QCOMPARE(items.size(), 3);
        QCOMPARE(items[0]->text(), "Im Infobereich &verbergen");
        QCOMPARE(items[0]->data().toInt(), 32771);
        QVERIFY(items[1]->isSeparator() && items[1]->text().isEmpty());
        QCOMPARE(items[2]->text(), "&Einstellungen");
        QCOMPARE(QMenu::menuInAction(items[2]), settings);
        QCOMPARE(settings->actions().front()->text(), "Bake einschalten");
        QCOMPARE(settings->actions().front()->data().toInt(), 32790);
        QCOMPARE(tray.actions()[0]->text(), "Beacon...");
        QCOMPARE(tray.actions()[1]->text(), "Beenden");
        QCOMPARE(tray.actions()[1]->data().toInt(), 2);
    }

    void aboutBoxShowsTheProgramIcon() {
        AboutDialog about;
        QVERIFY(!about.findChild<QLabel*>("programIcon")->pixmap().isNull());
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::WindowTranslationTest)
#include "window_translation_test.moc"
