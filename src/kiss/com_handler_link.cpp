#include "kiss/com_handler_link.h"

#include <climits>
#include <utility>

namespace korvale {
int ComHandlerLink::open(int port, int baudRate) {
    return open(port, baudRate, {});
}

int ComHandlerLink::open(int port, int baudRate, std::stop_token stop) {
    const SerialSettings line;  // the program's defaults: 8N1, DTR on, RTS/CTS
    return handler_.Open(port, baudRate, line.byteSize, line.parity, line.stopBits, line.dtrMode,
                         line.rtsMode, line.xonXoff, std::move(stop));
}

int ComHandlerLink::close() {
    return handler_.Close();
}

bool ComHandlerLink::write(std::span<const std::uint8_t> bytes) {
    return handler_.Write(bytes) == 1;
}

int ComHandlerLink::read(std::span<std::uint8_t> buffer) {
    const int max = buffer.size() > INT_MAX ? INT_MAX : static_cast<int>(buffer.size());
    return handler_.Read(buffer.data(), max);
}

}  // namespace korvale
