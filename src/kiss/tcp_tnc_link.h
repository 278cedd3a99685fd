// The KISS byte stream to a TNC over TCP, as soft-modem TNCs offer it: one
// connection, made and served by a thread of its own, with the same
// non-blocking write and read that the serial port handler gives its owner.
//
// Connect() returns at once; the thread looks the name up, connects without
// blocking (giving up after kTcpConnectTimeout) and then moves bytes both ways
// until the connection breaks or Close() is called. Bytes written while
// connecting wait for the connection. Both directions are bounded: a write
// that does not fit the transmit queue is refused whole (a peer that never
// reads only fills it), and a full receive queue stops reading from the socket
// until the owner reads (a peer that floods only waits). After each chunk of
// received bytes the notify callback runs on the link's thread; it may only
// wake the owner, never call into the link.
//
// Close() lets queued bytes (the TNC's exit text) go out for at most
// kTcpCloseDrain and returns within about kTcpCloseWait: a thread still stuck
// after that (in a name look-up that does not return) is left to end on its
// own, holding only the state it shares with this link, and never calls the
// notify callback again.
//
// Threads: Connect, Close, write, read, state and UnsentFrames are for one
// owner at a time (a thread that hands the link over, as the TNC link's
// worker does, orders its calls before the next owner's).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <thread>

#include "kiss/tnc_address.h"

namespace korvale {

// Bytes each queue holds at most; the same as the serial port handler's rings.
inline constexpr std::size_t kTcpQueueCapacity = 16383;
inline constexpr std::chrono::milliseconds kTcpConnectTimeout{4000};
inline constexpr std::chrono::milliseconds kTcpCloseDrain{500};
inline constexpr std::chrono::milliseconds kTcpCloseWait{1000};

enum class TcpLinkState {
    Closed,      // no connection: before Connect and after Close
    Connecting,  // looking the name up or waiting for the peer to accept
    Connected,
    Broken,  // the connection could not be made, or the peer closed or reset it
};

struct TcpLinkShared;

class TcpTncLink {
  public:
    using NotifyCallback = std::function<void()>;

    explicit TcpTncLink(NotifyCallback notify = {});
    ~TcpTncLink();
    TcpTncLink(const TcpTncLink&) = delete;
    TcpTncLink& operator=(const TcpTncLink&) = delete;

    // Starts connecting to `address`. False (and nothing started) when the
    // link is not closed or no thread could be started.
    bool Connect(const TncAddress& address);

    // Sends what is queued while time allows, then ends the connection.
    // Received bytes not yet read are dropped. Does nothing when closed.
    void Close();

    // Queues all of `bytes` while connecting or connected; false, queuing
    // nothing, otherwise or when they do not fit.
    bool write(std::span<const std::uint8_t> bytes);

    // Moves up to buffer.size() received bytes into `buffer`; returns how many.
    int read(std::span<std::uint8_t> buffer);

    TcpLinkState state() const;

    // The KISS frames (writes that began with FEND) still queued, that is
    // accepted but never sent; meant for a broken link before Close.
    int UnsentFrames() const;

  private:
    NotifyCallback notify_;
    std::shared_ptr<TcpLinkShared> shared_;
    std::thread thread_;
};

}  // namespace korvale
