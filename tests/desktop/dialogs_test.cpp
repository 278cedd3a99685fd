// The five settings dialogs as the user meets them: which refusal comes
// first and where the focus goes, what OK and Cancel leave in the settings,
// Tab and letters typed into callsign fields, and the KISS dialog's help. The
// field rules themselves are tested without windows.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstdlib>
#include <functional>
#include <utility>
#include <vector>

#include "desktop/ansi_text.h"
#include "desktop/dialogs/exchange_dialog.h"
#include "desktop/message_box.h"
#include "lang/language_file.h"
#include "lang/language_table.h"
#include "lang/ui_texts.h"

namespace korvale {
namespace {

using Describe = DialogDescription (*)(DialogCopy&);

QLineEdit* edit(ExchangeDialog& dialog, int controlId) {
    return qobject_cast<QLineEdit*>(dialog.control(controlId));
}

void retype(ExchangeDialog& dialog, int controlId, const QString& text) {
    edit(dialog, controlId)->selectAll();
    QTest::keyClicks(edit(dialog, controlId), text);
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

    QStringList messages_;  // each prefixed with its icon: " ", "i" or "!"

  private slots:
    void init() {
        messages_.clear();
        SetMessagePresenter([this](QWidget*, MessageIcon icon, const QString& text) {
            messages_ << QString(" i!"[static_cast<int>(icon)]) + text;
        });
    }

    void cleanup() {
        SetMessagePresenter({});
        TheLanguageTable().clear();
    }

    // Fields retyped top to bottom; the last one is refused first and keeps
    // the focus with its text selected until the dialog is closed without OK.
    void refusedOkKeepsTheDialogOpenAndClosingTakesNothing() {
        enum CloseWay { kCancel, kEscape, kCloseBox };
        // clang-format off
        const struct {
            Describe dialog;
            std::vector<std::pair<int, QString>> typed;
            QString message;
            CloseWay way;
        } rows[] = {
            {KissTncDialog, {{1004, "2551"}, {1006, "256"}},
             "Please enter an integer between 0 and 255.", kCancel},
            {BeaconDialog, {{1015, "TOOLONGCALL"}, {1004, "2"}},
             "Please enter an integer between 3 and 1000.", kEscape},
            {UnprotoDialog, {{1015, "n0call"}, {1016, "qst"}, {1017, "wide1-1 bad-99"}},
             "Enter the correct list of calls!", kCloseBox}};
        // clang-format on
        for (const auto& row : rows) {
            messages_.clear();
            DialogCopy copy = MakeDialogCopy(Settings{});
            const bool ok = runAsUser(row.dialog(copy), [&row, this](ExchangeDialog& dialog) {
                for (const auto& [id, text] : row.typed) {
                    retype(dialog, id, text);
                }
                click(dialog, "okButton");
                QCOMPARE(messages_, QStringList("!" + row.message));
                QVERIFY(dialog.isVisible());
                const auto& [refused, text] = row.typed.back();
                QCOMPARE(dialog.focusWidget(), dialog.control(refused));
                QCOMPARE(edit(dialog, refused)->selectedText(), text.toUpper());
                if (row.way == kCancel) {
                    click(dialog, "cancelButton");
                } else if (row.way == kEscape) {
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                } else {
                    dialog.close();
                }
            });
            QVERIFY(!ok);
            QCOMPARE(messages_.size(), 1);
        }
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
            QCOMPARE(edit(dialog, 1017)->text(), "WIDE1-1 RELAY ");
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

    // Where Tab goes from the first field, each control marked with where it
    // stands from the one before ("v" below it, ">" beside it on the right)
    // and, for an edit field, "^" when "ab" typed in front of its text shows
    // as "AB".
    void tabGoesDownTheFieldsAsTheyStandAndCallsTurnToCapitals() {
        const std::pair<Describe, QString> rows[] = {
            {TcpIpDialog, "1003^ v1018 vokButton"},
            {KissTncDialog, "1004 v1005 v1006 v1007 v1012 v1010 v1011 vokButton"},
            {MonitorDialog, "1014 >1009 v1010 >1011 v1012 vokButton"},
            {UnprotoDialog, "1015^ v1016^ v1017^ vokButton"},
            {BeaconDialog, "1015^ v1016^ v1017^ v1007 v1004^ >1008 vokButton"}};
        for (const auto& [describe, expected] : rows) {
            Settings settings;
            settings.m_UnprotoDigis.parse("WIDE1-1");
            settings.m_BeaconDigis.parse("WIDE1-1");
            settings.m_sBeaconText = "Hello from";
            DialogCopy copy = MakeDialogCopy(settings);
            ExchangeDialog dialog(describe(copy));
            dialog.show();
            QStringList chain;
            QPoint previous;
            for (QWidget* focus = dialog.focusWidget(); focus != nullptr && chain.size() < 12;
                 focus = dialog.focusWidget()) {
                const QPoint centre = focus->mapTo(&dialog, focus->rect().center());
                const QPoint offset = centre - previous;
                QString where;
                if (!chain.isEmpty()) {
                    where = std::abs(offset.y()) <= 3 && offset.x() > 0 ? ">"
                            : offset.y() > 3                            ? "v"
                                                                        : "?";
                }
                const QVariant id = focus->property("controlId");
                chain << where + (id.isValid() ? id.toString() : focus->objectName());
                if (auto* field = qobject_cast<QLineEdit*>(focus)) {
                    QTest::keyClick(field, Qt::Key_Home);
                    QTest::keyClicks(field, "ab");
                    chain.back() += field->text().startsWith("AB") ? "^" : "";
                }
                if (focus->objectName() == "okButton") {
                    break;
                }
                previous = centre;
                QTest::keyClick(focus, Qt::Key_Tab);
            }
            QCOMPARE(chain.join(' '), expected);
        }
    }

    void kissHelpShowsTheControlCodesInTheLoadedLanguage() {
        DialogCopy copy = MakeDialogCopy(Settings{});
        ExchangeDialog english(KissTncDialog(copy));
        click(english, "helpButton");
        LoadLanguageFile(TheLanguageTable(), KORVALE_SOURCE_DIR "/lang/Deutsch.lng", "");
        ExchangeDialog german(KissTncDialog(copy));
        german.show();
        click(german, "helpButton");
        QCOMPARE(messages_.size(), 2);
        QCOMPARE(messages_[0], "i" + fromAnsi(kMsgControlCodesHelp));
        QVERIFY(messages_[1].startsWith("iSteuercodes:\n\n^xxx - Code xxx einf\u00fcgen"));
        QVERIFY(german.isVisible());
    }
};

}  // namespace korvale

QTEST_MAIN(korvale::DialogsTest)
#include "dialogs_test.moc"
