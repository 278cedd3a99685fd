#include "desktop/dialogs/serial_port_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <optional>

#include "desktop/ansi_text.h"
#include "desktop/message_box.h"
#include "desktop/window_translation.h"
#include "dialogs/field_exchange.h"
#include "dialogs/serial_port_choices.h"
#include "lang/ui_texts.h"
#include "store/program_directory.h"

namespace korvale {
namespace {

constexpr std::string_view kCaption = "Serial port settings";
constexpr std::string_view kPortLabel = "Port";
constexpr std::string_view kBaudRateLabel = "Baud rate";
constexpr std::string_view kDisablePortLabel = "Disable port";
constexpr std::string_view kTcpAddressLabel = "TNC over TCP (host:port)";
constexpr std::string_view kKissServerLabel = "KISS server for other programs (host:port)";

// The check box follows the settings dialogs' check-box rule.
DialogField disablePortField(int& value) {
    return {.controlId = 1309,
            .label = kDisablePortLabel,
            .kind = FieldKind::CheckBox,
            .integer = &value};
}

}  // namespace

SerialPortDialog::SerialPortDialog(int tncPort, int tncBaudrate, int tncDisablePort,
                                   const std::string& tncTcpAddress,
                                   const std::string& kissServerAddress, QWidget* parent)
    : QDialog(parent),
      tncPort_(tncPort),
      tncBaudrate_(tncBaudrate),
      tncDisablePort_(tncDisablePort),
      tncTcpAddress_(tncTcpAddress),
      kissServerAddress_(kissServerAddress),
      portList_(new QComboBox(this)),
      baudRateList_(new QComboBox(this)),
      disablePort_(new QCheckBox(fromAnsi(kDisablePortLabel), this)),
      portDevice_(new QLabel(this)),
      tcpAddress_(new QLineEdit(this)),
      kissServer_(new QLineEdit(this)) {
    setWindowTitle(fromAnsi(kCaption));
    portList_->setObjectName("portList");
    baudRateList_->setObjectName("baudRateList");
    disablePort_->setObjectName("disablePort");
    portDevice_->setObjectName("portDevice");
    portDevice_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    tcpAddress_->setObjectName("tncTcpAddress");
    kissServer_->setObjectName("kissServerAddress");

    auto* portLabel = new QLabel(fromAnsi(kPortLabel), this);
    portLabel->setBuddy(portList_);
    auto* tcpAddressLabel = new QLabel(fromAnsi(kTcpAddressLabel), this);
    tcpAddressLabel->setBuddy(tcpAddress_);
    auto* kissServerLabel = new QLabel(fromAnsi(kKissServerLabel), this);
    kissServerLabel->setBuddy(kissServer_);
    auto* baudRateLabel = new QLabel(fromAnsi(kBaudRateLabel), this);
    baudRateLabel->setBuddy(baudRateList_);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName("cancelButton");

    auto* grid = new QGridLayout;
    grid->addWidget(portLabel, 0, 0);
    grid->addWidget(portList_, 0, 1);
    grid->addWidget(portDevice_, 1, 1);
    grid->addWidget(tcpAddressLabel, 2, 0);
    grid->addWidget(tcpAddress_, 2, 1);
    grid->addWidget(baudRateLabel, 3, 0);
    grid->addWidget(baudRateList_, 3, 1);
    grid->addWidget(disablePort_, 4, 0, 1, 2);
    grid->addWidget(kissServerLabel, 5, 0);
    grid->addWidget(kissServer_, 5, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* mainLayout = new QVBoxLayout(this);
    mainLayout->setSizeConstraint(QLayout::SetFixedSize);
    mainLayout->addLayout(grid);
    mainLayout->addLayout(buttons);
    setTabOrder(portList_, tcpAddress_);
    setTabOrder(tcpAddress_, baudRateList_);
    setTabOrder(baudRateList_, disablePort_);
    setTabOrder(disablePort_, kissServer_);
    setTabOrder(kissServer_, ok);
    setTabOrder(ok, cancel);
    portList_->setFocus();

    // Rates, the rate's position and the check box first; then the
    // translation; then the port names and the address, which must stay as
    // they are.
    for (const int rate : kBaudRates) {
        baudRateList_->addItem(QString::number(rate));
    }
    baudRateList_->setCurrentIndex(BaudRatePosition(tncBaudrate_));
    DialogField disableField = disablePortField(tncDisablePort_);
    disablePort_->setChecked(FieldToControl(disableField).checked);
    TranslateWindow(kSectionPortDialog, this);
    for (const std::string& name : PortListNames()) {
        portList_->addItem(fromAnsi(name));
    }
    portList_->setCurrentIndex(PortListPosition(tncPort_));
    tcpAddress_->setText(fromAnsi(tncTcpAddress_));
    kissServer_->setText(fromAnsi(kissServerAddress_));
    showPortDevice(portList_->currentIndex());

    connect(portList_, &QComboBox::currentIndexChanged, this, &SerialPortDialog::showPortDevice);
    connect(ok, &QPushButton::clicked, this, &SerialPortDialog::takeControls);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void SerialPortDialog::showPortDevice(int position) {
    const int port = PortFromListPosition(position);
    portDevice_->setText(
        port > 0 ? QString::fromStdString(DescribeComDevice(port, ProgramDirectory)) : QString());
}

void SerialPortDialog::takeControls() {
    const std::optional<std::string> address = TncAddressFromField(toAnsi(tcpAddress_->text()));
    if (!address) {
        ShowMessage(this, MessageIcon::Exclamation, fromAnsi(kTncAddressRefusal));
        tcpAddress_->setFocus();
        tcpAddress_->selectAll();
        return;
    }
    const std::optional<std::string> server = TncAddressFromField(toAnsi(kissServer_->text()));
    if (!server) {
        ShowMessage(this, MessageIcon::Exclamation, fromAnsi(kKissServerAddressRefusal));
        kissServer_->setFocus();
        kissServer_->selectAll();
        return;
    }
    tncTcpAddress_ = *address;
    kissServerAddress_ = *server;
    tncPort_ = PortFromListPosition(portList_->currentIndex());
    tncBaudrate_ = BaudRateAtPosition(baudRateList_->currentIndex());
    FieldState state;
    state.checked = disablePort_->isChecked();
    (void)FieldFromControl(disablePortField(tncDisablePort_), state);
    accept();
}

bool RunSerialPortDialog(QWidget* parent, int& tncPort, int& tncBaudrate, int& tncDisablePort,
                         std::string& tncTcpAddress, std::string& kissServerAddress) {
    SerialPortDialog dialog(tncPort, tncBaudrate, tncDisablePort, tncTcpAddress, kissServerAddress,
                            parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    tncPort = dialog.tncPort();
    tncBaudrate = dialog.tncBaudrate();
    tncDisablePort = dialog.tncDisablePort();
    tncTcpAddress = dialog.tncTcpAddress();
    kissServerAddress = dialog.kissServerAddress();
    return true;
}

}  // namespace korvale
