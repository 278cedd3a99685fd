// The main window's commands that open a dialog: each dialog edits a copy of
// the settings, and only OK hands the copy back through the menu commands.
#include "desktop/dialogs/about_dialog.h"
#include "desktop/dialogs/exchange_dialog.h"
#include "desktop/dialogs/language_dialog.h"
#include "desktop/dialogs/serial_port_dialog.h"
#include "desktop/main_dialog.h"

namespace korvale {

void MainDialog::runSettingsDialog(MenuCommand command) {
    DialogCopy copy = MakeDialogCopy(session_->settings());
    switch (command) {
        case MenuCommand::TcpIpSetup:
            if (RunExchangeDialog(this, TcpIpDialog(copy))) {
                ApplyTcpIp(copy);
            }
            break;
        case MenuCommand::KissTncSetup:
            if (RunExchangeDialog(this, KissTncDialog(copy))) {
                ApplyKissTnc(*session_, copy);
            }
            break;
        case MenuCommand::MonitorSetup:
            if (RunExchangeDialog(this, MonitorDialog(copy))) {
                ApplyMonitor(*session_, copy);
            }
            break;
        case MenuCommand::UnprotoSetup:
            if (RunExchangeDialog(this, UnprotoDialog(copy))) {
                ApplyUnproto(*session_, copy);
            }
            break;
        case MenuCommand::BeaconSetup:
            if (RunExchangeDialog(this, BeaconDialog(copy))) {
                ApplyBeacon(*session_, copy);
            }
            break;
        case MenuCommand::SerialPortSetup: {
            Settings& settings = copy.settings;
            if (RunSerialPortDialog(this, settings.m_iTncPort, settings.m_iTncBaudrate,
                                    settings.m_bTncDisablePort, settings.m_sTncTcpAddress,
                                    settings.m_sKissServerAddress)) {
                // The engine follows a new server address at its next tick.
                ApplySerialPort(*session_, copy);
            }
            break;
        }
        case MenuCommand::InterfaceLanguage:
            RunLanguageSelection(this);
            break;
        case MenuCommand::About:
            RunAboutDialog(this);
            break;
        default:
            break;
    }
}

}  // namespace korvale
