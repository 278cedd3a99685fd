#include "kiss/tnc_port.h"

namespace korvale {

bool IsTncPortEnabled(int tncDisablePort, int tncPort) {
    return tncDisablePort == 0 && tncPort != 0;
}

bool OpenTncPort(ComHandler& handler, int tncPort, int tncBaudrate, int& tncDisablePort,
                 const TncMessageCallback& message) {
    if (!IsTncPortEnabled(tncDisablePort, tncPort)) {
        if (message) {
            message(kSerialPortNotEnabledText, tncPort);
        }
        return false;
    }
    const int result = handler.Open(tncPort, tncBaudrate, kTncByteSize, kTncParity, kTncStopBits,
                                    kTncDtrMode, kTncRtsMode, kTncXonXoff);
    if (result == kComOk) {
        return true;
    }
    if (message) {
        message(kCannotOpenPortText, tncPort);
    }
    tncDisablePort = 1;
    return false;
}

void CloseTncPort(ComHandler& handler, int tncPort, int tncDisablePort) {
    if (IsTncPortEnabled(tncDisablePort, tncPort)) {
        handler.Close();
    }
}

}  // namespace korvale
