// The engine's SerialLink over the serial port handler, opening the port
// with the program's line settings: 8 data bits, no parity, one stop bit,
// DTR raised, RTS/CTS flow control, no XON/XOFF.
#pragma once

#include <stop_token>

#include "kiss/com_handler.h"
#include "kiss/serial_link.h"

namespace korvale {

class ComHandlerLink final : public SerialLink {
  public:
    // The handler must outlive the link.
    explicit ComHandlerLink(ComHandler& handler) : handler_(handler) {}

    int open(int port, int baudRate) override;
    // The same, giving up the tries when `stop` is requested; for a caller
    // that opens from a thread of its own (see ComHandler::Open).
    int open(int port, int baudRate, std::stop_token stop);
    int close() override;
    bool write(std::span<const std::uint8_t> bytes) override;
    int read(std::span<std::uint8_t> buffer) override;

  private:
    ComHandler& handler_;
};

}  // namespace korvale
