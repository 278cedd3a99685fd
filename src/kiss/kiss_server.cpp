#include "kiss/kiss_server.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <map>
#include <mutex>
#include <utility>

#include "ax25/ax25_frame.h"
#include "gateway/file_descriptor.h"
#include "kiss/kiss_deframer.h"
#include "kiss/kiss_encoder.h"
#include "kiss/socket_thread.h"
#include "kiss/tcp_listener.h"

namespace korvale {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kReceiveChunk = 4096;
constexpr int kListenBacklog = 16;

// Bytes a client may send without a FEND: the largest frame, every byte
// escaped.
constexpr std::size_t kMaxUnframedRun = kissFrameMaxSize(kKissClientMaxFrameSize);

KissClientEvent eventOf(KissClientEvent::Kind kind, int client, std::string peer = {},
                        int droppedFrames = 0) {
    KissClientEvent event;
    event.kind = kind;
    event.client = client;
    event.peer = std::move(peer);
    event.droppedFrames = droppedFrames;
    return event;
}

}  // namespace

// What the server shares with its thread; `lock` also guards the outputs
// and events.
struct KissServerShared : SocketThreadShared {
    struct Output {
        std::vector<std::uint8_t> bytes;  // unsent, from `sent` on
        std::size_t sent = 0;
        int dropped = 0;
    };

    TncAddress address;
    std::map<int, Output> outputs;  // by client, while connected
    std::deque<KissClientEvent> events;
    std::size_t eventBytes = 0;

    // False, queuing nothing, when a frame does not fit the owner's queue.
    bool push(KissClientEvent event) {
        std::lock_guard<std::mutex> hold(lock);
        if (eventBytes + event.frame.size() > kKissServerInboundLimit) {
            return false;
        }
        eventBytes += event.frame.size();
        events.push_back(std::move(event));
        return true;
    }

    // Sends what the client's socket takes now, without waiting; false when
    // the connection is broken. Held under the lock: a non-blocking send of
    // at most kKissClientOutputLimit bytes is a copy, never a wait.
    bool sendQueued(int client, int fd) {
        std::lock_guard<std::mutex> hold(lock);
        Output& out = outputs[client];
        while (out.sent < out.bytes.size()) {
            const ssize_t n = ::send(fd, out.bytes.data() + out.sent, out.bytes.size() - out.sent,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n < 0) {
                out.bytes.erase(out.bytes.begin(),
                                out.bytes.begin() + static_cast<std::ptrdiff_t>(out.sent));
                out.sent = 0;
                return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
            }
            out.sent += static_cast<std::size_t>(n);
        }
        out.bytes.clear();
        out.sent = 0;
        return true;
    }

    bool hasOutput(int client) {
        std::lock_guard<std::mutex> hold(lock);
        return !outputs[client].bytes.empty();
    }
};

namespace {

// One connection, as the server's thread sees it.
struct Client {
    Client(int fd, int id, std::string peer, KissServerShared& shared)
        : socket(fd),
          id(id),
          peer(std::move(peer)),
          deframer([this, &shared](auto bytes) { onFrame(shared, bytes); }) {}

    void onFrame(KissServerShared& shared, std::span<const std::uint8_t> bytes) {
        if (bytes.size() > kKissClientMaxFrameSize) {
            doomed = true;
            return;
        }
        Ax25Frame frame;
        if (!frame.decode(bytes)) {
            return;  // too short or a bad address field: dropped
        }
        KissClientEvent event = eventOf(KissClientEvent::Kind::Frame, id);
        event.frame.assign(bytes.begin(), bytes.end());
        doomed = doomed || !shared.push(std::move(event));
        queued = true;
    }

    // Takes received bytes; false when they cost the client its connection.
    bool take(std::span<const std::uint8_t> bytes) {
        const Clock::time_point now = Clock::now();
        const double seconds = std::chrono::duration<double>(now - refilled).count();
        refilled = now;
        budget = std::min(budget + seconds * kKissClientBytesPerSecond,
                          static_cast<double>(kKissClientBurstBytes)) -
                 static_cast<double>(bytes.size());
        if (budget < 0) {
            return false;  // a flood
        }
        for (const std::uint8_t byte : bytes) {
            unframed = byte == FEND ? 0 : unframed + 1;
            if (unframed > kMaxUnframedRun) {
                return false;  // a frame without an end, or garbage
            }
        }
        deframer.ProcessKissBytes(bytes);
        return !doomed;
    }

    FileDescriptor socket;
    int id;
    std::string peer;
    KissDeframer deframer;
    std::size_t unframed = 0;
    double budget = kKissClientBurstBytes;
    Clock::time_point refilled = Clock::now();
    bool doomed = false;
    bool queued = false;  // a frame was queued for the owner in this pass
};

class ServerLoop {
  public:
    ServerLoop(KissServerShared& shared, int listener) : shared_(shared), listener_(listener) {}

    void run() {
        std::array<std::uint8_t, kReceiveChunk> buffer{};
        for (;;) {
            {
                std::lock_guard<std::mutex> hold(shared_.lock);
                if (shared_.stopping) {
                    return;
                }
            }
            std::vector<pollfd> fds = {{shared_.wake.descriptor(), POLLIN, 0},
                                       {listener_.get(), POLLIN, 0}};
            for (const auto& client : clients_) {
                const bool output = shared_.hasOutput(client->id);
                fds.push_back(
                    {client->socket.get(), static_cast<short>(POLLIN | (output ? POLLOUT : 0)), 0});
            }
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) {
                return;
            }
            if (fds[0].revents != 0) {
                shared_.wake.clear();
            }
            bool announce = false;
            const std::size_t polled = clients_.size();
            for (std::size_t i = 0; i < polled; ++i) {
                Client& client = *clients_[i];
                const short got = fds[i + 2].revents;
                bool keep = (got & (POLLERR | POLLNVAL)) == 0;
                if (keep && (got & (POLLIN | POLLHUP)) != 0) {
                    const ssize_t n =
                        ::recv(client.socket.get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
                    keep = n > 0
                               ? client.take(std::span(buffer.data(), static_cast<std::size_t>(n)))
                               : n < 0 && (errno == EAGAIN || errno == EINTR);
                }
                if (keep && (got & POLLOUT) != 0) {
                    keep = shared_.sendQueued(client.id, client.socket.get());
                }
                announce = std::exchange(client.queued, false) || announce;
                client.doomed = client.doomed || !keep;
            }
            announce = dropDoomedClients() || announce;
            if (fds[1].revents != 0) {
                announce = acceptClients() || announce;
            }
            if (announce) {
                shared_.announce();
            }
        }
    }

  private:
    bool acceptClients() {
        bool announce = false;
        for (;;) {
            sockaddr_storage address{};
            socklen_t length = sizeof address;
            const int fd = ::accept4(listener_.get(), reinterpret_cast<sockaddr*>(&address),
                                     &length, SOCK_NONBLOCK | SOCK_CLOEXEC);
            if (fd < 0) {
                return announce;
            }
            if (clients_.size() >= static_cast<std::size_t>(kKissServerMaxClients)) {
                ::close(fd);  // one too many
                continue;
            }
            const int on = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            // The kernel holds no more for a client than we do.
            const int sendBuffer = static_cast<int>(kKissClientOutputLimit);
            ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &sendBuffer, sizeof sendBuffer);
            const int id = nextId_++;
            std::string peer = PeerText(address, length);
            {
                std::lock_guard<std::mutex> hold(shared_.lock);
                shared_.outputs[id];
            }
            shared_.push(eventOf(KissClientEvent::Kind::Connected, id, peer));
            clients_.push_back(std::make_unique<Client>(fd, id, std::move(peer), shared_));
            announce = true;
        }
    }

    bool dropDoomedClients() {
        bool announce = false;
        std::erase_if(clients_, [&](const std::unique_ptr<Client>& client) {
            if (!client->doomed) {
                return false;
            }
            int dropped = 0;
            {
                std::lock_guard<std::mutex> hold(shared_.lock);
                dropped = shared_.outputs[client->id].dropped;
                shared_.outputs.erase(client->id);
            }
            shared_.push(
                eventOf(KissClientEvent::Kind::Disconnected, client->id, client->peer, dropped));
            announce = true;
            return true;
        });
        return announce;
    }

    KissServerShared& shared_;
    FileDescriptor listener_;
    std::vector<std::unique_ptr<Client>> clients_;
    int nextId_ = 1;
};

void RunKissServer(std::shared_ptr<KissServerShared> shared) {
    const int listener = OpenTcpListener(shared->address, kListenBacklog);
    if (listener < 0) {
        shared->push(eventOf(KissClientEvent::Kind::ListenFailed, 0));
        shared->announce();
    } else {
        ServerLoop(*shared, listener).run();
    }
    shared->threadEnded();
}

}  // namespace

KissServer::KissServer(NotifyCallback notify) : notify_(std::move(notify)) {}

KissServer::~KissServer() {
    Close();
}

bool KissServer::Listen(const TncAddress& address) {
    Close();
    auto shared = std::make_shared<KissServerShared>();
    shared->address = address;
    shared->notify = notify_;
    if (!StartSocketThread(shared, thread_, RunKissServer)) {
        return false;
    }
    shared_ = std::move(shared);
    return true;
}

void KissServer::Close() {
    if (shared_) {
        StopSocketThread(*shared_, thread_, kKissServerCloseWait);
        shared_.reset();
    }
}

void KissServer::broadcast(std::span<const std::uint8_t> ax25Frame) {
    if (!shared_) {
        return;
    }
    const std::vector<std::uint8_t> frame = encodeKissFrame(KissCommand::Data, ax25Frame);
    bool queued = false;
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        for (auto& [client, out] : shared_->outputs) {
            if (out.bytes.size() - out.sent + frame.size() > kKissClientOutputLimit) {
                ++out.dropped;
                continue;
            }
            out.bytes.insert(out.bytes.end(), frame.begin(), frame.end());
            queued = true;
        }
    }
    if (queued) {
        shared_->wake.signal();
    }
}

std::deque<KissClientEvent> KissServer::takeEvents() {
    if (!shared_) {
        return {};
    }
    std::lock_guard<std::mutex> hold(shared_->lock);
    shared_->eventBytes = 0;
    return std::exchange(shared_->events, {});
}

}  // namespace korvale
