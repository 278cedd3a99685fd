// The engine's SerialLink over the serial port handler, opening the port
// with the program's line settings: 8 data bits, no parity, one stop bit,
// DTR raised, RTS/CTS flow control, no XON/XOFF.
#pragma once

#include "kiss/com_handler.h"
#include "kiss/serial_link.h"

namespace korvale {

class ComHandlerLink final : public SerialLink {
  public:
    // The handler must outlive the link.
    explicit ComHandlerLink(ComHandler& handler) : handler_(handler) {}

    int open(int port, int baudRate) override;
    int close() override;
    bool write(std::span<const std::uint8_t> bytes) override;
    int read(std::span<std::uint8_t> buffer) override;

  private:
    ComHandler& handler_;
};

}  // namespace korvale
