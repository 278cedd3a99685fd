#include "kiss/tnc_port.h"

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
    if (link.open(tncPort, tncBaudrate) == 0) {
        return true;
    }
    if (message) {
        message(kCannotOpenPortText, tncPort);
    }
    tncDisablePort = 1;
    return false;
}

void CloseTncPort(SerialLink& link, int tncPort, int tncDisablePort) {
    if (IsTncPortEnabled(tncDisablePort, tncPort)) {
        link.close();
    }
}

}  // namespace korvale
