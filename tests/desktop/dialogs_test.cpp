// The five settings dialogs as the user meets them: what the fields show,
// which refusal comes first and where the focus goes, what OK and Cancel
// leave in the settings, letters typed into callsign fields, and Tab.
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <functional>
#include <vector>

#include "desktop/ansi_text.h"
#include "desktop/dialogs/exchange_dialog.h"
#include "desktop/message_box.h"
#include "lang/language_file.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

struct ShownMessage {
    MessageIcon icon;
    QString text;
};

QLineEdit* edit(ExchangeDialog& dialog, int controlId) {
    return qobject_cast<QLineEdit*>(dialog.control(controlId));
}

void retype(ExchangeDialog& dialog, int controlId, const QString& text) {
    QLineEdit* field = edit(dialog, controlId);
    field->selectAll();
    QTest::keyClicks(field, text);
}

void click(QDialog& dialog, const char* button) {
    QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

// Runs the dialog as the menu command does, with `user` acting inside its
// modal loop; the return value is RunExchangeDialog's.
bool runAsUser(const DialogDescription& description,
               const std::function<void(ExchangeDialog&)>& user) {
    QTimer::singleShot(0, [&user] {
        if (auto* dialog = qobject_cast<ExchangeDialog*>(QApplication::activeModalWidget())) {
            user(*dialog);
            // A failed check inside user() leaves the dialog open; end the run.
            if (dialog->isVisible()) {
                dialog->reject();
            }
        }
    });
    return RunExchangeDialog(nullptr, description);
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    std::vector<ShownMessage> messages_;

  private slots:
    void init() {
        messages_.clear();
        SetMessagePresenter([this](QWidget*, MessageIcon icon, const QString& text) {
            messages_.push_back({icon, text});
        });
    }

    void cleanup() {
        SetMessagePresenter({});
        TheLanguageTable().clear();
    }

    void persistIsRefusedBeforeTheTimesAboveIt() {
        DialogCopy copy = MakeDialogCopy(Settings{});
        ExchangeDialog dialog(KissTncDialog(copy));
        dialog.show();
        retype(dialog, 1004, "2551");  // TxDelay, at the top
        retype(dialog, 1006, "256");   // Persist, below it

        click(dialog, "okButton");
        QCOMPARE(messages_.size(), std::size_t{1});
        QVERIFY(messages_[0].icon == MessageIcon::Exclamation);
        QCOMPARE(messages_[0].text, "Please enter an integer between 0 and 255.");
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.focusWidget(), dialog.control(1006));
        QCOMPARE(edit(dialog, 1006)->selectedText(), "256");

        retype(dialog, 1006, "255");
        click(dialog, "okButton");
        QCOMPARE(messages_.back().text, "Please enter an integer between 0 and 2550.");
        QCOMPARE(dialog.focusWidget(), dialog.control(1004));
        QCOMPARE(edit(dialog, 1004)->selectedText(), "2551");
    }

    void beaconIntervalIsRefusedBeforeTheSourceCall() {
        DialogCopy copy = MakeDialogCopy(Settings{});
        ExchangeDialog dialog(BeaconDialog(copy));
        dialog.show();
        retype(dialog, 1015, "TOOLONGCALL");
        retype(dialog, 1004, "2");

        click(dialog, "okButton");
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].text, "Please enter an integer between 3 and 1000.");
        QCOMPARE(dialog.focusWidget(), dialog.control(1004));
        QCOMPARE(edit(dialog, 1004)->selectedText(), "2");
    }

    void closingAfterARefusedOkTakesNothing_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }

    void closingAfterARefusedOkTakesNothing() {
        QFETCH(int, way);
        Settings settings;
        settings.m_UnprotoDest.parse("QST");
        DialogCopy copy = MakeDialogCopy(settings);
        const bool ok = runAsUser(UnprotoDialog(copy), [&](ExchangeDialog& dialog) {
            retype(dialog, 1015, "N0CALL");
            retype(dialog, 1017, "WIDE1-1 BAD-99");
            click(dialog, "okButton");
            if (way == 0) {
                click(dialog, "cancelButton");
            } else if (way == 1) {
                QTest::keyClick(&dialog, Qt::Key_Escape);
            } else {
                dialog.close();
            }
        });
        QVERIFY(!ok);
        QCOMPARE(messages_.size(), std::size_t{1});
        QCOMPARE(messages_[0].text, "Enter the correct list of calls!");
    }

    void okWithoutChangesKeepsEverySetting() {
        Settings settings;
        settings.m_BeaconSource.parse("AB1CD-15");
        settings.m_BeaconDest.parse("QST");
        settings.m_BeaconDigis.parse("WIDE1-1 RELAY");
        settings.m_sBeaconText = "Hello ^013 world";
        settings.m_iBeaconInterval = 600;
        settings.m_bBeaconEnable = 1;
        DialogCopy copy = MakeDialogCopy(settings);
        QVERIFY(runAsUser(BeaconDialog(copy), [](ExchangeDialog& dialog) {
            QCOMPARE(edit(dialog, 1015)->text(), "AB1CD-15");
            QCOMPARE(edit(dialog, 1016)->text(), "QST");
            QCOMPARE(edit(dialog, 1017)->text(), "WIDE1-1 RELAY ");
            QCOMPARE(edit(dialog, 1004)->text(), "600");
            QVERIFY(qobject_cast<QCheckBox*>(dialog.control(1008))->isChecked());
            QTest::keyClick(edit(dialog, 1007), Qt::Key_Return);  // Enter presses OK
        }));
        Settings taken;
        TakeBeacon(taken, copy);
        QCOMPARE(taken.m_BeaconSource, settings.m_BeaconSource);
        QCOMPARE(taken.m_BeaconDest, settings.m_BeaconDest);
        QVERIFY(taken.m_BeaconDigis == settings.m_BeaconDigis);
        QCOMPARE(taken.m_sBeaconText, settings.m_sBeaconText);
        QCOMPARE(taken.m_iBeaconInterval, 600);
        QCOMPARE(taken.m_bBeaconEnable, 1);
    }

    void callsignFieldsTurnLettersToCapitalsAsTyped() {
        DialogCopy copy = MakeDialogCopy(Settings{});
        ExchangeDialog dialog(BeaconDialog(copy));
        dialog.show();
        for (const int id : {1015, 1016, 1017, 1007}) {
            edit(dialog, id)->clear();
        }
        QTest::keyClicks(edit(dialog, 1015), "ab1cd-5");
        QTest::keyClicks(edit(dialog, 1017), "wide1-1 ");
        QTest::keyClick(edit(dialog, 1017), Qt::Key_Home);
        QTest::keyClicks(edit(dialog, 1017), "relay ");  // in front, the cursor kept
        QTest::keyClicks(edit(dialog, 1007), "Hello from ab1cd");
        QCOMPARE(edit(dialog, 1015)->text(), "AB1CD-5");
        QCOMPARE(edit(dialog, 1017)->text(), "RELAY WIDE1-1 ");
        QCOMPARE(edit(dialog, 1007)->text(), "Hello from ab1cd");
    }

    // The fields in the order they stand; a negative id stands beside the
    // field before it, the others below.
    void tabGoesDownTheFieldsAsTheyStand_data() {
        QTest::addColumn<int>("dialogIndex");
        QTest::addColumn<QList<int>>("layoutOrder");
        QTest::newRow("TCP/IP") << 0 << QList<int>{1003, 1018};
        QTest::newRow("KISS TNC") << 1 << QList<int>{1004, 1005, 1006, 1007, 1012, 1010, 1011};
        QTest::newRow("Monitor") << 2 << QList<int>{1014, -1009, 1010, -1011, 1012};
        QTest::newRow("Unproto") << 3 << QList<int>{1015, 1016, 1017};
        QTest::newRow("Beacon") << 4 << QList<int>{1015, 1016, 1017, 1007, 1004, -1008};
    }

    void tabGoesDownTheFieldsAsTheyStand() {
        QFETCH(int, dialogIndex);
        QFETCH(QList<int>, layoutOrder);
        using Describe = DialogDescription (*)(DialogCopy&);
        const Describe describe[] = {TcpIpDialog, KissTncDialog, MonitorDialog, UnprotoDialog,
                                     BeaconDialog};
        DialogCopy copy = MakeDialogCopy(Settings{});
        ExchangeDialog dialog(describe[dialogIndex](copy));
        dialog.show();
        const auto centre = [&dialog](int id) {
            QWidget* control = dialog.control(std::abs(id));
            return control->mapTo(&dialog, control->rect().center());
        };
        QCOMPARE(dialog.focusWidget(), dialog.control(layoutOrder.front()));
        for (qsizetype i = 1; i < layoutOrder.size(); ++i) {
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
            QCOMPARE(dialog.focusWidget(), dialog.control(std::abs(layoutOrder[i])));
            const QPoint offset = centre(layoutOrder[i]) - centre(layoutOrder[i - 1]);
            if (layoutOrder[i] < 0) {
                QVERIFY(std::abs(offset.y()) <= 3 && offset.x() > 0);
            } else {
                QVERIFY(offset.y() > 3);
            }
        }
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
        QCOMPARE(dialog.focusWidget(), dialog.findChild<QPushButton*>("okButton"));
    }

    void kissHelpShowsTheControlCodesInTheLoadedLanguage() {
        DialogCopy copy = MakeDialogCopy(Settings{});
        ExchangeDialog english(KissTncDialog(copy));
        click(english, "helpButton");
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        ExchangeDialog german(KissTncDialog(copy));
        german.show();
        click(german, "helpButton");

        QCOMPARE(messages_.size(), std::size_t{2});
        QVERIFY(messages_[0].icon == MessageIcon::Information);
        QCOMPARE(messages_[0].text, fromAnsi(kMsgControlCodesHelp));
        QVERIFY(messages_[1].text.startsWith("Steuercodes:\n\n^xxx - Code xxx einf\u00fcgen"));
        QVERIFY(german.isVisible());
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::DialogsTest)
#include "dialogs_test.moc"
