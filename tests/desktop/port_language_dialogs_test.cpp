// The serial port and language dialogs: the entries shown for what is
// stored, what OK stores, names that must never be translated, and the
// language command's restart message. The list rules themselves are tested
// without windows.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "desktop/dialogs/language_dialog.h"
#include "desktop/dialogs/serial_port_dialog.h"
#include "desktop/message_box.h"
#include "dialogs/serial_port_choices.h"
#include "lang/language_file.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"
#include "store/program_directory.h"

namespace korvale {
namespace {

void click(QDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

template <typename Widget>
Widget* child(QDialog& dialog, const char* name) {
    return dialog.findChild<Widget*>(name);
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

// The language list's entries, the selected one marked with "*".
QStringList languages(QDialog& dialog) {
    QStringList shown;
    const auto* list = child<QListWidget>(dialog, "languageList");
    for (int row = 0; row < list->count(); ++row) {
        shown << list->item(row)->text() + (list->item(row)->isSelected() ? "*" : "");
    }
    return shown;
}

void chooseLanguage(QDialog& dialog, int row) {
    auto* list = child<QListWidget>(dialog, "languageList");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(row)).center());
}

}  // namespace

class PortLanguageDialogsTest : public QObject {
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

    // The table translates every port name, rate and label: the port names
    // stay as they are, the rate list shows its current entry translated and
    // OK stores the rate of its position. A rate between the listed ones
    // shows the one below it; a port beyond the list shows no entry and
    // stores -1.
    void storedValuesShowTheirEntriesAndOkStoresThem() {
        for (const char* key : {"Port", "Undefined", "COM12", "COM255", "1200", "4800", "115200"}) {
            TheLanguageTable().addEntry(kSectionPortDialog, key, std::string(key) + " (de)");
        }
        const struct {
            int port, rate;
            QString shownPort, shownRate;
        } rows[] = {{0, 4800, "Undefined", "4800 (de)"},
                    {12, 5000, "COM12", "4800 (de)"},
                    {255, 300, "COM255", "1200 (de)"},
                    {300, 230400, "", "115200 (de)"}};
        for (const auto& row : rows) {
            SerialPortDialog dialog(row.port, row.rate, 0);
            const auto* ports = child<QComboBox>(dialog, "portList");
            QCOMPARE(ports->count(), 256);
            QCOMPARE(ports->itemText(0), "Undefined");
            QCOMPARE(ports->currentText(), row.shownPort);
            QCOMPARE(child<QComboBox>(dialog, "baudRateList")->currentText(), row.shownRate);
            QStringList labels;
            for (const QLabel* label : dialog.findChildren<QLabel*>()) {
                labels << label->text();
            }
            QVERIFY(labels.contains("Port (de)"));
            click(dialog, "okButton");
            QCOMPARE(dialog.tncPort(), row.shownPort.isEmpty() ? -1 : row.port);
            QCOMPARE(dialog.tncBaudrate(), row.shownRate.split(' ').front().toInt());
        }
    }

    void deviceLineFollowsTheChosenPort() {
        QVERIFY(QFile::link("/dev/null", directory_->filePath("COM3")));
        SerialPortDialog dialog(0, 9600, 0);
        QCOMPARE(child<QLabel>(dialog, "portDevice")->text(), QString());
        child<QComboBox>(dialog, "portList")->setCurrentIndex(3);
        QCOMPARE(child<QLabel>(dialog, "portDevice")->text(),
                 QFile::decodeName(DescribeComDevice(3, ProgramDirectory).c_str()));
    }

    // A hand-edited flag shows as every check box does: ticked for 1 only.
    void disableBoxIsTickedForOneOnly() {
        for (const int stored : {0, 1, 2, 7}) {
            SerialPortDialog dialog(1, 9600, stored);
            QCOMPARE(child<QCheckBox>(dialog, "disablePort")->isChecked(), stored == 1);
        }
    }

    void serialSettingsComeBackOnlyOnOk() {
        int port = 2, rate = 19200, disabled = 1;
        for (const char* button : {"cancelButton", "okButton"}) {
            whenDialogOpens([button](QDialog& dialog) {
                QVERIFY(child<QCheckBox>(dialog, "disablePort")->isChecked());
                child<QComboBox>(dialog, "portList")->setCurrentIndex(5);
                child<QComboBox>(dialog, "baudRateList")->setCurrentIndex(7);
                child<QCheckBox>(dialog, "disablePort")->setChecked(false);
                click(dialog, button);
            });
            const bool ok = RunSerialPortDialog(nullptr, port, rate, disabled);
            QCOMPARE(QList<int>({ok, port, rate, disabled}),
                     ok ? QList<int>({1, 5, 115200, 0}) : QList<int>({0, 2, 19200, 1}));
        }
    }

    // The current language selected, another chosen: the message comes in
    // the language the program runs in until it is restarted.
    void selectingShowsTheRestartMessageInTheLoadedLanguage() {
        QVERIFY(QFile(directory_->filePath("Deutsch.lng")).open(QIODevice::WriteOnly));
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        TheLanguageTable().addEntry(kSectionLanguageDialog, "Deutsch", "German");
        CurrentLanguage = "Deutsch";
        whenDialogOpens([](QDialog& dialog) {
            QCOMPARE(languages(dialog), QStringList({"English", "Deutsch*"}));
            chooseLanguage(dialog, 0);
            click(dialog, "selectButton");
        });
        QVERIFY(RunLanguageSelection(nullptr));
        QCOMPARE(CurrentLanguage, "English");
        QCOMPARE(messages_, QStringList(" Die \u00c4nderungen werden erst nach einem Neustart des "
                                        "Programms wirksam."));
    }

    // The last equal name is selected, none when it is missing; Select
    // without a change keeps the name, Cancel keeps it and says nothing.
    void selectWithoutChangeKeepsTheNameAndCancelSaysNothing() {
        QVERIFY(QFile(directory_->filePath("English.lng")).open(QIODevice::WriteOnly));
        whenDialogOpens([](QDialog& dialog) {
            QCOMPARE(languages(dialog), QStringList({"English", "English*"}));
            click(dialog, "selectButton");
        });
        QVERIFY(RunLanguageSelection(nullptr));
        QCOMPARE(CurrentLanguage, "English");
        CurrentLanguage = "english";
        whenDialogOpens([](QDialog& dialog) {
            QCOMPARE(languages(dialog), QStringList({"English", "English"}));
            chooseLanguage(dialog, 0);
            click(dialog, "cancelButton");
        });
        QVERIFY(!RunLanguageSelection(nullptr));
        QCOMPARE(CurrentLanguage, "english");
        QCOMPARE(messages_,
                 QStringList(" You need to restart the program for changes to take effect."));
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::PortLanguageDialogsTest)
#include "port_language_dialogs_test.moc"
