// The serial link to the TNC: opens the port, runs a reader thread that moves
// received bytes into a receive ring and a writer thread that sends the
// transmit ring, and gives the owner non-blocking Write and Read.
//
// Threads: Open, Close, Write, WriteString, Read, SetNotifyCallback and the
// setters are for one owner at a time: the engine's thread, or the link's
// worker while it opens or closes (never both at once). The notify callback
// runs on the reader thread, once per chunk of at most kComMaxChunk received
// bytes, with the state word (the port number); it must only wake the owner's
// thread (post an event), never block, and never call SetNotifyCallback. Once
// SetNotifyCallback or Close has returned, the previous callback is not called
// again.
//
// Knows nothing of KISS: it moves bytes. Write queues a write whole or not at
// all, so frames handed over one per Write are never cut or interleaved. The
// writer sleeps until bytes are queued and sends them at once; while the
// device takes no more it waits for the device to become writable. Neither
// thread wakes up while there is nothing to do. The engine reaches the
// handler through ComHandlerLink (com_handler_link.h).
//
// Ending the threads: every wait of both threads is bounded or interruptible
// (the reader's poll and the writer's sleep are woken by Close, the writer's
// writes and its final draining have time limits), so they end in well under Close's wait. Should
// one still hang inside the driver, Close leaves it, detached, holding the
// only thing it touches: the per-open link state (port, rings, state word),
// which it shares by shared_ptr and which dies with the last thread. Close
// then silences the notify callback and returns; the handler itself carries
// on with a fresh link and may be destroyed.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <thread>

#include "kiss/posix_serial_port.h"
#include "kiss/serial_port.h"

namespace korvale {

// Both rings; one slot stays free to tell full from empty.
inline constexpr int kComRingSize = 16384;
inline constexpr int kComRingCapacity = kComRingSize - 1;
// Most bytes the reader moves, and announces, at a time.
inline constexpr int kComMaxChunk = 1023;
inline constexpr std::chrono::milliseconds kReaderStartDelay{100};
inline constexpr std::chrono::milliseconds kWriterStartDelay{300};
inline constexpr int kOpenAttempts = 30;
inline constexpr std::chrono::milliseconds kOpenRetryInterval{100};
// Close waits this long in all for both threads to end.
inline constexpr int kCloseWaitAttempts = 29;
inline constexpr std::chrono::milliseconds kCloseWaitInterval{100};
// On Close the writer keeps sending what is queued (the exit text) for at
// most this long after Close began.
inline constexpr std::chrono::milliseconds kCloseDrainLimit{2000};
// Time allowed to one write: a constant plus so much per byte; what is not
// sent by then is dropped.
inline constexpr std::chrono::milliseconds kWriteTimeoutConstant{1000};
inline constexpr std::chrono::milliseconds kWriteTimeoutPerByte{1};

// Results of Open and Close.
inline constexpr int kComOk = 0;
inline constexpr int kComNoReadEvent = 1;   // no means to wake the reader
inline constexpr int kComNoWriteEvent = 2;  // kept for the code table; not produced here
inline constexpr int kComCannotOpen = 3;
inline constexpr int kComNoThread = 4;
inline constexpr int kComConfigRefused = 5;
inline constexpr int kComNotOpen = 6;

// The state word; an open port shows its port number (1 or more).
inline constexpr int kComStateClosed = -1;
inline constexpr int kComStateClosing = -2;
inline constexpr int kComStateThreadsEnded = 0;

struct ComLink;

class ComHandler final {
  public:
    using NotifyCallback = std::function<void(int state)>;

    // `makePort` makes the port for each Open; `comLinkDirectory` is where
    // "COMn" links are looked for (the program's directory).
    explicit ComHandler(SerialPortFactory makePort = makePosixSerialPort,
                        std::string comLinkDirectory = {});
    ~ComHandler();
    ComHandler(const ComHandler&) = delete;
    ComHandler& operator=(const ComHandler&) = delete;

    // Opens port `port` (see ResolveComDevice) and starts both threads. Tries
    // kOpenAttempts times, kOpenRetryInterval apart, while the device is
    // missing or busy; a stop requested on `stop` ends the tries at once with
    // kComCannotOpen. Returns kComOk or a failure code; clears both rings
    // either way. Called while already open it returns kComCannotOpen. Since
    // it may take seconds, the owner may call it from a thread of its own,
    // provided no other call runs meanwhile.
    int Open(int port, int baudRate, int byteSize, int parity, int stopBits, int dtrMode,
             int rtsMode, int xonXoff, std::stop_token stop = {});

    // Lets the writer send what is queued, stops both threads, drops DTR and
    // RTS and closes the port; returns within about three seconds. Returns
    // kComOk, or kComNotOpen (doing nothing) when the port is not open.
    // Received bytes not yet read stay readable.
    int Close();

    // Queues `bytes` for the writer and returns 1; returns 0 and queues
    // nothing when the port is not open, the device has gone away, or the
    // bytes do not all fit in the transmit ring.
    int Write(const std::uint8_t* bytes, std::size_t length);
    int Write(std::span<const std::uint8_t> bytes);
    // Write of a zero-terminated text without its terminator.
    int WriteString(const char* text);

    // Moves up to `max` received bytes, oldest first, into `destination`
    // (room for `max` bytes) and returns how many; 0 when there are none.
    int Read(std::uint8_t* destination, int max);

    void SetNotifyCallback(NotifyCallback callback);
    void SetComLinkDirectory(std::string directory);

    // The state word: kComStateClosed, or the port number while open.
    int State() const;
    // False once the device has gone away (unplugged, hung up) while open;
    // the handler then takes no input and queues nothing until Close.
    bool DeviceAvailable() const;
    // Port number and line settings of the last successful Open.
    int PortNumber() const { return portNumber_; }
    const SerialSettings& Settings() const { return settings_; }

  private:
    void stopThreadsAfterFailedStart();

    SerialPortFactory makePort_;
    std::string comLinkDirectory_;
    NotifyCallback notify_;
    int portNumber_ = 0;
    SerialSettings settings_{};
    std::shared_ptr<ComLink> link_;
    std::thread reader_;
    std::thread writer_;
};

}  // namespace korvale
