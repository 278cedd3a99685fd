#include "kiss/tnc_port.h"

#include "kiss/tnc_address.h"

namespace korvale {

bool IsTncPortEnabled(int tncDisablePort, int tncPort) {
    return tncDisablePort == 0 && tncPort != 0;
}

bool OpenTncPort(SerialLink& link, int tncPort, int tncBaudrate, int& tncDisablePort,
                 const TncMessageCallback& message) {
    if (!IsTncPortEnabled(tncDisablePort, tncPort)) {
        if (message) {
            message(kSerialPortNotEnabledText, tncPort);
        }
        return false;
    }
    const int result = link.open(tncPort, tncBaudrate);
    if (result != 0 && result != kLinkOpening) {
        TncPortOpenFailed(tncPort, tncDisablePort, message);
    }
    return result == 0;
}

void TncPortOpenFailed(int tncPort, int& tncDisablePort, const TncMessageCallback& message) {
    if (message) {
        message(kCannotOpenPortText, tncPort);
    }
    tncDisablePort = 1;
}

void CloseTncPort(SerialLink& link, int tncPort, int tncDisablePort) {
    if (IsTncPortEnabled(tncDisablePort, tncPort)) {
        link.close();
    }
}

bool IsTncPortEnabled(int tncDisablePort, int tncPort, std::string_view tcpAddress) {
    return tcpAddress.empty() ? IsTncPortEnabled(tncDisablePort, tncPort) : tncDisablePort == 0;
}

bool OpenTncPort(SerialLink& link, int tncPort, int tncBaudrate, std::string_view tcpAddress,
                 int& tncDisablePort, const TncMessageCallback& message) {
    if (tcpAddress.empty() || tncDisablePort != 0) {
        return OpenTncPort(link, tncPort, tncBaudrate, tncDisablePort, message);
    }
    if (!ParseTncAddress(tcpAddress)) {
        if (message) {
            message(kBadTncAddressText, tncPort);
        }
        return false;
    }
    return link.open(tncPort, tncBaudrate) == 0;
}

void CloseTncPort(SerialLink& link, int tncPort, std::string_view tcpAddress, int tncDisablePort) {
    if (IsTncPortEnabled(tncDisablePort, tncPort, tcpAddress)) {
        link.close();
    }
}

}  // namespace korvale
