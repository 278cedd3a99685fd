// SerialPort over a Linux tty: a serial adapter, a built-in UART or the slave
// side of a pseudo-terminal.
//
// The device is opened non-blocking, without becoming the controlling
// terminal, and locked against a second opener twice over: flock() (which
// holds even against root) and TIOCEXCL (which keeps out programs that do not
// use flock). The line is raw, at any rate the driver accepts (termios2 with
// BOTHER), so every byte passes unchanged both ways. A read waits in poll()
// on the device and on an eventfd that interruptRead() signals, so closing
// never waits for the line. Thread use as in serial_port.h.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "gateway/file_descriptor.h"
#include "kiss/serial_port.h"
#include "kiss/wake_event.h"

namespace korvale {

// A driver keeps counting bytes as unsent until they are in the UART, which
// then still holds up to this many in its transmit FIFO; drainOutput() allows
// for them before it reports the line empty.
inline constexpr int kUartFifoBytes = 64;
// Start, eight data, parity and stop bits: the most a character can take.
inline constexpr int kBitsPerCharacter = 11;
// How often drainOutput() asks the driver how much it still holds.
inline constexpr std::chrono::milliseconds kDrainPollInterval{5};

class PosixSerialPort final : public SerialPort {
  public:
    PosixSerialPort() = default;
    ~PosixSerialPort() override;

    PortOpenResult open(const std::string& devicePath, const SerialSettings& settings) override;
    PortTransfer read(std::span<std::uint8_t> buffer, std::chrono::milliseconds maxWait) override;
    void interruptRead() override;
    PortTransfer write(std::span<const std::uint8_t> bytes,
                       std::chrono::milliseconds maxWait) override;
    bool drainOutput(std::chrono::milliseconds maxWait) override;
    void setDtr(bool raised) override;
    void setRts(bool raised) override;
    void purge() override;
    void close() override;

  private:
    void setModemLine(int line, bool raised);

    FileDescriptor device_;
    WakeEvent wake_;
    int baudRate_ = 0;
    // When the last byte went to the driver; only the writer thread uses it.
    std::chrono::steady_clock::time_point lastWrite_{};
};

std::unique_ptr<SerialPort> makePosixSerialPort();

}  // namespace korvale
