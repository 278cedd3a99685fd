// The serial port dialog: the TNC's COM port, its baud rate, the TCP address
// of a TNC reached over the network instead, the switch that keeps the link
// off, and the address of the KISS server for other programs. Only an address
// that does not parse is refused (a message box, and the dialog stays open).
//
// Opens on the four settings m_iTncPort, m_iTncBaudrate, m_bTncDisablePort
// and m_sTncTcpAddress; after OK the accessors give what to store (a port of
// -1 when no entry is selected, 9600 when no rate is, the address without
// blanks at its ends). The port names are filled after the translation and
// are never translated. Beside the port list a line says which device the
// chosen port opens on this machine. The caller closes and reopens the link
// with the new values. Main thread only.
//
// Controls: "portList", "baudRateList", "disablePort", "portDevice",
// "tncTcpAddress", "kissServerAddress", "okButton", "cancelButton".
#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace korvale {

class SerialPortDialog : public QDialog {
    Q_OBJECT

  public:
    SerialPortDialog(int tncPort, int tncBaudrate, int tncDisablePort,
                     const std::string& tncTcpAddress = {},
                     const std::string& kissServerAddress = {}, QWidget* parent = nullptr);

    // Valid after OK; until then the values the dialog opened with.
    int tncPort() const { return tncPort_; }
    int tncBaudrate() const { return tncBaudrate_; }
    int tncDisablePort() const { return tncDisablePort_; }
    const std::string& tncTcpAddress() const { return tncTcpAddress_; }
    const std::string& kissServerAddress() const { return kissServerAddress_; }

  private:
    void showPortDevice(int position);
    void takeControls();

    int tncPort_;
    int tncBaudrate_;
    int tncDisablePort_;
    std::string tncTcpAddress_;
    std::string kissServerAddress_;
    QComboBox* portList_;
    QComboBox* baudRateList_;
    QCheckBox* disablePort_;
    QLabel* portDevice_;
    QLineEdit* tcpAddress_;
    QLineEdit* kissServer_;
};

// Runs the dialog modally over the five settings and writes them back on
// OK; true when it was closed with OK.
bool RunSerialPortDialog(QWidget* parent, int& tncPort, int& tncBaudrate, int& tncDisablePort,
                         std::string& tncTcpAddress, std::string& kissServerAddress);

}  // namespace korvale
