// The dialogs as the user meets them; their rules are tested in tests/dialogs.
#include <QtTest>
#include <QtWidgets>
#include <functional>
#include <memory>
#include <vector>

#include "desktop/ansi_text.h"
#include "desktop/dialogs/about_dialog.h"
#include "desktop/dialogs/exchange_dialog.h"
#include "desktop/dialogs/language_dialog.h"
#include "desktop/dialogs/serial_port_dialog.h"
#include "desktop/message_box.h"
#include "desktop/window_translation.h"
#include "dialogs/serial_port_choices.h"
#include "lang/language_file.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"
#include "store/program_directory.h"

namespace korvale {
namespace {

void click(QWidget& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

template <typename Widget = QLineEdit>
Widget* child(QWidget& dialog, const char* name) {
    return dialog.findChild<Widget*>(name);
}

QLineEdit* edit(ExchangeDialog& dialog, int controlId) {
    return qobject_cast<QLineEdit*>(dialog.control(controlId));
}

// Acts as the user in the next modal dialog, then ends it if still open.
template <typename Dialog>
void whenDialogOpens(std::function<void(Dialog&)> user) {
    QTimer::singleShot(0, [user = std::move(user)] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            user(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
}

// Caption, labels, buttons, edit texts and group box titles.
QStringList shownTexts(const QWidget& window) {
    QStringList texts{window.windowTitle()};
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        texts << widget->property("text").toString() << widget->property("title").toString();
    }
    return texts;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    QStringList messages_;  // each prefixed with its icon: " ", "i" or "!"
    std::unique_ptr<QTemporaryDir> directory_;

  private slots:
    void init() {
        messages_.clear();
        SetMessagePresenter([this](QWidget*, MessageIcon icon, const QString& text) {
            messages_ << QString(" i!"[static_cast<int>(icon)]) + text;
        });
        directory_ = std::make_unique<QTemporaryDir>();
        ProgramDirectory = QFile::encodeName(directory_->path() + '/').toStdString();
        CurrentLanguage = "English";
    }

    void cleanup() {
        SetMessagePresenter({});
        TheLanguageTable().clear();
        ProgramDirectory.clear();
    }

    // Fields retyped top to bottom; the last one is refused first.
    void refusedOkKeepsTheDialogOpenAndClosingTakesNothing() {
        // clang-format off
        const struct {
            DialogDescription (*dialog)(DialogCopy&);
            std::vector<std::pair<int, QString>> typed;
            QString message;
            int closeWay;  // 0 Cancel, 1 Escape, 2 close box
        } rows[] = {
            {KissTncDialog, {{1004, "2551"}, {1006, "256"}},
             "Please enter an integer between 0 and 255.", 0},
            {BeaconDialog, {{1015, "TOOLONGCALL"}, {1004, "2"}},
             "Please enter an integer between 3 and 1000.", 1},
            {UnprotoDialog, {{1015, "n0call"}, {1016, "qst"}, {1017, "wide1-1 bad-99"}},
             "Enter the correct list of calls!", 2}};
        // clang-format on
        for (const auto& row : rows) {
            messages_.clear();
            DialogCopy copy = MakeDialogCopy(Settings{});
            whenDialogOpens<ExchangeDialog>([&row, this](ExchangeDialog& dialog) {
                for (const auto& [id, text] : row.typed) {
                    edit(dialog, id)->selectAll();
                    QTest::keyClicks(edit(dialog, id), text);
                }
                click(dialog, "okButton");
                QCOMPARE(messages_, QStringList("!" + row.message));
                QVERIFY(dialog.isVisible());
                const auto& [refused, text] = row.typed.back();
                QCOMPARE(dialog.focusWidget(), dialog.control(refused));
                QCOMPARE(edit(dialog, refused)->selectedText(), text.toUpper());
                if (row.closeWay == 0) {
                    click(dialog, "cancelButton");
                } else if (row.closeWay == 1) {
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                } else {
                    dialog.close();
                }
            });
            QVERIFY(!RunExchangeDialog(nullptr, row.dialog(copy)));
            QCOMPARE(messages_.size(), 1);
        }
    }

    void serialDialogShowsTheStoredEntriesAndReturnsThemOnOk() {
        for (const char* key : {"Port", "COM12", "4800"}) {
            TheLanguageTable().addEntry(kSectionPortDialog, key, std::string(key) + " (de)");
        }
        // A stored rate between two entries shows the lower one.
        SerialPortDialog stored(12, 5000, 1);
        QCOMPARE(child<QComboBox>(stored, "portList")->currentText(), "COM12");
        QCOMPARE(child<QComboBox>(stored, "baudRateList")->currentText(), "4800 (de)");
        QVERIFY(child<QCheckBox>(stored, "disablePort")->isChecked());
        QVERIFY(shownTexts(stored).contains("Port (de)"));
        // The device line translated: the file's code page and the name's UTF-8 show right.
        TheLanguageTable().addEntry(kSectionStrings, std::string(kMsgComLinkInProgramDirectory),
                                    "COM%i hier");
        TheLanguageTable().addEntry(kSectionStrings, std::string(kMsgDeviceNotPresent),
                                    "%s (fehlt, \xE4)");
        QVERIFY(QFile::link(QString::fromUtf8("/dev/null-\u00fc"), directory_->filePath("COM3")));
        SerialPortDialog dialog(0, 9600, 0);
        QCOMPARE(child<QLabel>(dialog, "portDevice")->text(), QString());
        child<QComboBox>(dialog, "portList")->setCurrentIndex(3);
        QCOMPARE(child<QLabel>(dialog, "portDevice")->text(),
                 QString::fromUtf8("COM3 hier -> /dev/null-\u00fc (fehlt, \u00e4)"));
        // An address that does not parse is refused, and the dialog stays.
        int port = 2, rate = 19200, disabled = 1;
        std::string address = "tnc:8001", server = "localhost:8011";
        for (const char* button : {"cancelButton", "okButton"}) {
            messages_.clear();
            whenDialogOpens<QDialog>([button, this](QDialog& dialog) {
                child<QComboBox>(dialog, "portList")->setCurrentIndex(5);
                child<QComboBox>(dialog, "baudRateList")->setCurrentIndex(7);
                child<QCheckBox>(dialog, "disablePort")->setChecked(false);
                auto* tcpAddress = child<QLineEdit>(dialog, "tncTcpAddress");
                QCOMPARE(tcpAddress->text(), "tnc:8001");
                tcpAddress->setText("::1:8001");
                click(dialog, "okButton");
                QCOMPARE(messages_, QStringList("!" + fromAnsi(kTncAddressRefusal)));
                QVERIFY(dialog.isVisible());
                tcpAddress->setText(" [::1]:8001 ");
                auto* kissServer = child<QLineEdit>(dialog, "kissServerAddress");
                QCOMPARE(kissServer->text(), "localhost:8011");
                kissServer->setText("localhost");
                click(dialog, "okButton");
                QCOMPARE(messages_.back(), "!" + fromAnsi(kKissServerAddressRefusal));
                kissServer->setText(" 0.0.0.0:8011 ");
                click(dialog, button);
            });
            const bool ok = RunSerialPortDialog(nullptr, port, rate, disabled, address, server);
            QCOMPARE(QList<int>({ok, port, rate, disabled}),
                     ok ? QList<int>({1, 5, 115200, 0}) : QList<int>({0, 2, 19200, 1}));
            QCOMPARE(address, ok ? "[::1]:8001" : "tnc:8001");
            QCOMPARE(server, ok ? "0.0.0.0:8011" : "localhost:8011");
        }
    }

    void languageChoiceShowsTheRestartMessageInTheLoadedLanguage() {
        QVERIFY(QFile(directory_->filePath("Deutsch.lng")).open(QIODevice::WriteOnly));
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        CurrentLanguage = "Deutsch";
        for (const char* button : {"cancelButton", "selectButton"}) {
            whenDialogOpens<QDialog>([button](QDialog& dialog) {
                auto* list = child<QListWidget>(dialog, "languageList");
                QCOMPARE(list->count(), 2);
                QCOMPARE(list->selectedItems(), QList<QListWidgetItem*>({list->item(1)}));
                QCOMPARE(list->item(0)->text() + list->item(1)->text(), "EnglishDeutsch");
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                                  list->visualItemRect(list->item(0)).center());
                click(dialog, button);
            });
            QCOMPARE(RunLanguageSelection(nullptr), button[0] == 's');
        }
        QCOMPARE(CurrentLanguage, "English");
        QCOMPARE(messages_, QStringList(" Die \u00c4nderungen werden erst nach einem Neustart des "
                                        "Programms wirksam."));
    }

    void deutschTranslatesEveryDialogTextAndTheKissHelp() {
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        TheLanguageTable().addEntry(kSectionBeaconDialog, "CQ de AB1CD", "Hallo von AB1CD");
        Settings settings;
        settings.m_sBeaconText = "CQ de AB1CD";
        DialogCopy copy = MakeDialogCopy(settings);
        std::vector<std::pair<std::string_view, std::unique_ptr<QWidget>>> windows;
        windows.emplace_back(kSectionAboutDialog, std::make_unique<AboutDialog>());
        windows.emplace_back(kSectionPortDialog, std::make_unique<SerialPortDialog>(1, 9600, 0));
        windows.emplace_back(
            kSectionLanguageDialog,
            std::make_unique<LanguageDialog>(std::vector<std::string>{"English"}, "English"));
        for (const auto describe :
             {TcpIpDialog, KissTncDialog, MonitorDialog, UnprotoDialog, BeaconDialog}) {
            windows.emplace_back(describe(copy).section,
                                 std::make_unique<ExchangeDialog>(describe(copy)));
        }
        for (const auto& [name, window] : windows) {
            const QStringList shown = shownTexts(*window);
            int looked = 0;
            for (const UiText& text : kUiTexts) {
                const QString english = fromAnsi(text.english);
                const QString german = fromAnsi(TheLanguageTable().LookupText(name, text.english));
                // A text the file leaves out (the version number) stays as it is.
                if (text.section == name && !german.isEmpty() && german != english) {
                    ++looked;
                    QVERIFY2(shown.contains(german) && !shown.contains(english),
                             qPrintable(english));
                }
            }
            QVERIFY2(looked >= 2, fromAnsi(name).toUtf8());
        }
        auto& beacon = static_cast<ExchangeDialog&>(*windows.back().second);
        QCOMPARE(edit(beacon, 1007)->text(), "Hallo von AB1CD");
        QWidget& kiss = *windows[4].second;  // its help shows the control codes
        kiss.show();
        click(kiss, "helpButton");
        QCOMPARE(messages_.size(), 1);
        QVERIFY(messages_[0].startsWith("iSteuercodes:\n\n^xxx - Code xxx einf\u00fcgen"));
        QVERIFY(kiss.isVisible());
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::DialogsTest)
#include "dialogs_test.moc"
