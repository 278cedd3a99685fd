// The serial line under ComHandler: one open device, its line settings, and
// bounded waits for reading and writing.
//
// ComHandler drives a SerialPort from three threads at once: its reader thread
// calls read() and nothing else, its writer thread calls write() and
// drainOutput(), and the owner's thread calls open(), interruptRead(),
// setDtr(), setRts(), purge() and close(). An implementation must allow that
// split; open() and close() are only called while no read or write runs.
// Every wait is bounded or interruptible, so no call can keep a thread from
// ending when the port is being closed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

namespace korvale {

// Line settings, in the codes the settings and the serial port dialog use.
struct SerialSettings {
    int baudRate = 9600;  // any rate the driver accepts
    int byteSize = 8;     // data bits, 5 to 8
    int parity = 0;       // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int stopBits = 0;     // 0 one, 1 one and a half, 2 two
    int dtrMode = 1;      // 0 DTR off, 1 DTR on, 2 DTR handshake
    int rtsMode = 2;      // 0 RTS off, 1 RTS on, 2 RTS/CTS handshake
    int xonXoff = 0;      // non-zero: XON/XOFF flow control both ways
};

inline constexpr int kParityNone = 0;
inline constexpr int kParityOdd = 1;
inline constexpr int kParityEven = 2;
inline constexpr int kParityMark = 3;
inline constexpr int kParitySpace = 4;
inline constexpr int kStopBitsOne = 0;
inline constexpr int kStopBitsOneAndHalf = 1;
inline constexpr int kStopBitsTwo = 2;
inline constexpr int kLineModeOff = 0;
inline constexpr int kLineModeOn = 1;
inline constexpr int kLineModeHandshake = 2;
inline constexpr std::uint8_t kXonCharacter = 0x11;
inline constexpr std::uint8_t kXoffCharacter = 0x13;

enum class PortOpenResult {
    Opened,
    NotAvailable,          // missing, in use, or no permission; worth retrying
    NoWakeEvent,           // the means to interrupt a read could not be made
    ConfigurationRefused,  // not a serial line, or the settings were rejected
};

// What one read() or write() did: `count` bytes moved, and whether the device
// has gone away (unplugged, hung up). A gone device never comes back; the
// caller stops using it until it closes the port.
struct PortTransfer {
    std::size_t count = 0;
    bool gone = false;
};

// A wait with no time limit; only interruptRead() or data ends it.
inline constexpr std::chrono::milliseconds kWaitForever{-1};

class SerialPort {
  public:
    virtual ~SerialPort() = default;

    // Opens the device at `devicePath` exclusively and applies `settings`.
    virtual PortOpenResult open(const std::string& devicePath, const SerialSettings& settings) = 0;

    // Waits up to `maxWait` (or forever) for received bytes and moves up to
    // buffer.size() of them into `buffer`. Returns a count of 0 when the wait
    // ran out or was interrupted.
    virtual PortTransfer read(std::span<std::uint8_t> buffer,
                              std::chrono::milliseconds maxWait) = 0;

    // Ends the read() that is waiting, or else the next one, at once. Any
    // thread may call it.
    virtual void interruptRead() = 0;

    // Sends as much of `bytes` as the line takes within `maxWait`; the count
    // says how much that was.
    virtual PortTransfer write(std::span<const std::uint8_t> bytes,
                               std::chrono::milliseconds maxWait) = 0;

    // Waits up to `maxWait` until the driver has sent everything it holds.
    // Returns whether it has.
    virtual bool drainOutput(std::chrono::milliseconds maxWait) = 0;

    // Raise (true) or drop a modem control line. Lines a device lacks, as on
    // a pseudo-terminal, are ignored.
    virtual void setDtr(bool raised) = 0;
    virtual void setRts(bool raised) = 0;

    // Discards what the driver holds in both directions.
    virtual void purge() = 0;

    virtual void close() = 0;

  protected:
    SerialPort() = default;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;
};

// Makes a new, closed port; ComHandler calls it once per open.
using SerialPortFactory = std::function<std::unique_ptr<SerialPort>()>;

}  // namespace korvale
