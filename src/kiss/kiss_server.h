// A KISS server for other programs (APRS clients, terminal programs): they
// connect over TCP as to a TNC of their own and share the one Korvale holds.
//
// Listen() returns at once; a thread of the server's own looks the address up,
// listens, and serves up to kKissServerMaxClients connections with poll() (one
// more is accepted and closed at once). What the thread reads from a client is
// deframed there: data frames for port 0 that decode as AX.25 are queued for
// the owner, as they are; parameter commands, other ports and bad frames are
// dropped. A frame longer than kKissClientMaxFrameSize, more than
// kKissClientBurstBytes beyond kKissClientBytesPerSecond, or a frame the
// owner's queue has no room for costs the client its connection. broadcast()
// copies a frame heard from the TNC to every client; a client with
// kKissClientOutputLimit bytes still unsent misses it (counted, and told in
// its Disconnected event). So no client can make the owner wait or grow
// memory without bound.
//
// After something has been queued for the owner the notify callback runs on
// the server's thread; it may only wake the owner, which then calls
// takeEvents(). Listen, Close, broadcast and takeEvents are for one owner
// thread; none of them waits on a client or a name look-up (Close waits at
// most kKissServerCloseWait for the thread, then leaves it to end alone).
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "kiss/tnc_address.h"

namespace korvale {

inline constexpr int kKissServerMaxClients = 8;
// Unsent bytes a client may have waiting before frames for it are dropped.
inline constexpr std::size_t kKissClientOutputLimit = 64 * 1024;
// The largest AX.25 frame a client may send: ten address fields (source,
// destination, eight digipeaters), a two-byte control, the PID and an
// information field of 2048 bytes, more than any TNC's N1.
inline constexpr std::size_t kKissClientMaxFrameSize = 10 * 7 + 2 + 1 + 2048;
// What a client may send: far more than any radio carries, far less than
// would keep the owner busy.
inline constexpr std::size_t kKissClientBytesPerSecond = 64 * 1024;
inline constexpr std::size_t kKissClientBurstBytes = 128 * 1024;
// Bytes of client frames waiting for the owner.
inline constexpr std::size_t kKissServerInboundLimit = 256 * 1024;
inline constexpr std::chrono::milliseconds kKissServerCloseWait{1000};

struct KissClientEvent {
    enum class Kind {
        Connected,
        Disconnected,  // droppedFrames: frames it missed for not reading
        Frame,         // frame: the AX.25 bytes as the client sent them
        ListenFailed,  // the address could not be looked up or bound
    };
    Kind kind = Kind::Frame;
    int client = 0;    // unique per connection for the server's life
    std::string peer;  // "127.0.0.1:40512", "[::1]:40512"
    int droppedFrames = 0;
    std::vector<std::uint8_t> frame;
};

struct KissServerShared;

class KissServer {
  public:
    using NotifyCallback = std::function<void()>;

    explicit KissServer(NotifyCallback notify = {});
    ~KissServer();
    KissServer(const KissServer&) = delete;
    KissServer& operator=(const KissServer&) = delete;

    // Starts listening at `address` (a previous listener is closed first).
    // False when no thread could be started.
    bool Listen(const TncAddress& address);

    // Closes the listener and every client; events not yet taken are dropped.
    void Close();

    bool listening() const { return shared_ != nullptr; }

    // Queues a KISS data frame for port 0 with these AX.25 bytes for every
    // connected client.
    void broadcast(std::span<const std::uint8_t> ax25Frame);

    // What happened since the last call, in order.
    std::deque<KissClientEvent> takeEvents();

  private:
    NotifyCallback notify_;
    std::shared_ptr<KissServerShared> shared_;
    std::thread thread_;
};

}  // namespace korvale
