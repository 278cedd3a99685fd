// The serial port dialog: the TNC's COM port, its baud rate and the switch
// that keeps the serial link off. Nothing in it can be refused.
//
// Opens on the three settings m_iTncPort, m_iTncBaudrate and
// m_bTncDisablePort; after OK the accessors give what to store (a port of -1
// when no entry is selected, 9600 when no rate is). The port names are filled
// after the translation and are never translated. Beside the port list a line
// says which device the chosen port opens on this machine. The caller closes
// and reopens the port with the new values. Main thread only.
//
// Controls: "portList", "baudRateList", "disablePort", "portDevice",
// "okButton", "cancelButton".
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;

namespace korvale {

class SerialPortDialog : public QDialog {
    Q_OBJECT

  public:
    SerialPortDialog(int tncPort, int tncBaudrate, int tncDisablePort, QWidget* parent = nullptr);

    // Valid after OK; until then the values the dialog opened with.
    int tncPort() const { return tncPort_; }
    int tncBaudrate() const { return tncBaudrate_; }
    int tncDisablePort() const { return tncDisablePort_; }

  private:
    void showPortDevice(int position);
    void takeControls();

    int tncPort_;
    int tncBaudrate_;
    int tncDisablePort_;
    QComboBox* portList_;
    QComboBox* baudRateList_;
    QCheckBox* disablePort_;
    QLabel* portDevice_;
};

// Runs the dialog modally over the three settings and writes them back on
// OK; true when it was closed with OK.
bool RunSerialPortDialog(QWidget* parent, int& tncPort, int& tncBaudrate, int& tncDisablePort);

}  // namespace korvale
