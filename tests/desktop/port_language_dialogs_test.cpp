// The serial port and language dialogs: the entries shown for what is
// stored, what OK stores, names that must never be translated, and the
// language command's restart message.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include "desktop/dialogs/language_dialog.h"
#include "desktop/dialogs/serial_port_dialog.h"
#include "desktop/message_box.h"
#include "dialogs/language_choices.h"
#include "dialogs/serial_port_choices.h"
#include "lang/language_file.h"
#include "lang/language_table.h"
#include "store/program_directory.h"

namespace korvale {
namespace {

struct ShownMessage {
    MessageIcon icon;
    QString text;
};

void click(QDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

// Acts as the user inside the next modal dialog, and ends it should the
// checks in `user` leave it open.
void whenDialogOpens(std::function<void(QDialog&)> user) {
    QTimer::singleShot(0, [user = std::move(user)] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            user(*dialog);
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
}

void chooseLanguage(QDialog& dialog, const QString& name) {
    auto* list = dialog.findChild<QListWidget*>("languageList");
    const QList<QListWidgetItem*> found = list->findItems(name, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found.front()).center());
}

}  // namespace

class PortLanguageDialogsTest : public QObject {
    Q_OBJECT

    std::vector<ShownMessage> messages_;
    std::unique_ptr<QTemporaryDir> directory_;

  private slots:
    void init() {
        messages_.clear();
        SetMessagePresenter([this](QWidget*, MessageIcon icon, const QString& text) {
            messages_.push_back({icon, text});
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

    void storedValuesShowTheirEntries_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("shownPort");
        QTest::addColumn<QString>("shownRate");
        QTest::addColumn<int>("portAfterOk");
        QTest::addColumn<int>("rateAfterOk");
        QTest::newRow("listed") << 0 << 4800 << "Undefined"
                                << "4800" << 0 << 4800;
        QTest::newRow("between") << 12 << 5000 << "COM12"
                                 << "4800" << 12 << 4800;
        QTest::newRow("below") << 255 << 300 << "COM255"
                               << "1200" << 255 << 1200;
        QTest::newRow("beyond") << 300 << 230400 << ""
                                << "115200" << -1 << 115200;
    }

    // A rate between the listed ones shows and stores the one below it; a
    // port beyond the list shows no entry and stores -1.
    void storedValuesShowTheirEntries() {
        QFETCH(int, port);
        QFETCH(int, rate);
        SerialPortDialog dialog(port, rate, 0);
        auto* ports = dialog.findChild<QComboBox*>("portList");
        QCOMPARE(ports->count(), 256);
        QTEST(ports->currentText(), "shownPort");
        QTEST(dialog.findChild<QComboBox*>("baudRateList")->currentText(), "shownRate");
        click(dialog, "okButton");
        QTEST(dialog.tncPort(), "portAfterOk");
        QTEST(dialog.tncBaudrate(), "rateAfterOk");
    }

    void portNamesStayUntranslated() {
        for (const char* key : {"Port", "Undefined", "COM12", "9600"}) {
            TheLanguageTable().addEntry("Port dialog", key, std::string(key) + " (de)");
        }
        SerialPortDialog dialog(12, 9600, 0);
        const auto* ports = dialog.findChild<QComboBox*>("portList");
        QCOMPARE(ports->itemText(0), "Undefined");
        QCOMPARE(ports->currentText(), "COM12");
        QStringList labels;
        for (const QLabel* label : dialog.findChildren<QLabel*>()) {
            labels << label->text();
        }
        QVERIFY(labels.contains("Port (de)"));
        // The rate's list shows its current entry translated, and OK still
        // stores the rate of its position.
        QCOMPARE(dialog.findChild<QComboBox*>("baudRateList")->currentText(), "9600 (de)");
        click(dialog, "okButton");
        QCOMPARE(dialog.tncBaudrate(), 9600);
        QCOMPARE(dialog.tncPort(), 12);
    }

    void deviceLineFollowsTheChosenPort() {
        QVERIFY(QFile::link("/dev/null", directory_->filePath("COM3")));
        SerialPortDialog dialog(0, 9600, 0);
        const auto* device = dialog.findChild<QLabel*>("portDevice");
        QCOMPARE(device->text(), QString());
        dialog.findChild<QComboBox*>("portList")->setCurrentIndex(3);
        QCOMPARE(device->text(), QFile::decodeName(DescribeComDevice(3, ProgramDirectory).c_str()));
        QVERIFY(device->text().contains("/dev/null"));
    }

    void serialSettingsComeBackOnlyOnOk() {
        int port = 2;
        int rate = 19200;
        int disabled = 1;
        whenDialogOpens([](QDialog& dialog) {
            QVERIFY(dialog.findChild<QCheckBox*>("disablePort")->isChecked());
            dialog.findChild<QComboBox*>("portList")->setCurrentIndex(5);
            click(dialog, "cancelButton");
        });
        QVERIFY(!RunSerialPortDialog(nullptr, port, rate, disabled));
        QCOMPARE(port, 2);

        whenDialogOpens([](QDialog& dialog) {
            dialog.findChild<QComboBox*>("portList")->setCurrentIndex(5);
            dialog.findChild<QComboBox*>("baudRateList")->setCurrentIndex(7);
            dialog.findChild<QCheckBox*>("disablePort")->setChecked(false);
            click(dialog, "okButton");
        });
        QVERIFY(RunSerialPortDialog(nullptr, port, rate, disabled));
        QCOMPARE(port, 5);
        QCOMPARE(rate, 115200);
        QCOMPARE(disabled, 0);
    }

    void languagesAreListedAsTheDirectoryGivesThem() {
        for (const char* name : {"Deutsch.lng", "Fran.cais.lng", ".Hidden.lng", "notes.txt"}) {
            QFile file(directory_->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(directory_->path()).mkdir("Folder.lng"));
        LanguageDialog dialog(LanguageChoices(ProgramDirectory), "Deutsch");
        const auto* list = dialog.findChild<QListWidget*>("languageList");
        QStringList shown;
        for (int row = 0; row < list->count(); ++row) {
            shown << list->item(row)->text();
        }
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown.front(), "English");
        QVERIFY(shown.contains("Deutsch") && shown.contains("Fran.cais"));
        QCOMPARE(list->selectedItems().size(), 1);
        QCOMPARE(list->selectedItems().front()->text(), "Deutsch");
    }

    void theLastEqualNameIsSelectedAndNoneWhenMissing() {
        const std::vector<std::string> choices{"English", "Deutsch", "English"};
        LanguageDialog twice(choices, "English");
        QCOMPARE(twice.findChild<QListWidget*>()->selectedItems().size(), 1);
        QCOMPARE(twice.findChild<QListWidget*>()->currentRow(), 2);
        LanguageDialog missing(choices, "deutsch");
        QVERIFY(missing.findChild<QListWidget*>()->selectedItems().isEmpty());
        click(missing, "selectButton");
        QCOMPARE(missing.chosenName(), "deutsch");
    }

    void selectingShowsTheRestartMessageInTheLoadedLanguage() {
        QFile(directory_->filePath("Deutsch.lng")).open(QIODevice::WriteOnly);
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        CurrentLanguage = "Deutsch";
        whenDialogOpens([](QDialog& dialog) {
            chooseLanguage(dialog, "English");
            click(dialog, "selectButton");
        });
        QVERIFY(RunLanguageSelection(nullptr));
        QCOMPARE(CurrentLanguage, "English");
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].icon == MessageIcon::None);
        QCOMPARE(messages_[0].text,
                 "Die \u00c4nderungen werden erst nach einem Neustart des "
                 "Programms wirksam.");
    }

    void selectWithoutChangeKeepsTheNameAndCancelSaysNothing() {
        QFile(directory_->filePath("Deutsch.lng")).open(QIODevice::WriteOnly);
        whenDialogOpens([](QDialog& dialog) { click(dialog, "selectButton"); });
        QVERIFY(RunLanguageSelection(nullptr));
        QCOMPARE(CurrentLanguage, "English");
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].text, "You need to restart the program for changes to take effect.");

        whenDialogOpens([](QDialog& dialog) {
            chooseLanguage(dialog, "Deutsch");
            click(dialog, "cancelButton");
        });
        QVERIFY(!RunLanguageSelection(nullptr));
        QCOMPARE(CurrentLanguage, "English");
        QCOMPARE(messages_.size(), std::size_t{1});
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::PortLanguageDialogsTest)
#include "port_language_dialogs_test.moc"
