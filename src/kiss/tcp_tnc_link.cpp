#include "kiss/tcp_tnc_link.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <linux/sockios.h>
#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <deque>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "gateway/file_descriptor.h"
#include "kiss/kiss_protocol.h"
#include "kiss/socket_thread.h"

namespace korvale {

namespace {

using Clock = std::chrono::steady_clock;

// A peer that vanishes without a word (a machine switched off, a cable
// pulled) is noticed by TCP keep-alive after about a minute.
constexpr int kKeepAliveIdleSeconds = 30;
constexpr int kKeepAliveIntervalSeconds = 10;
constexpr int kKeepAliveProbes = 3;
// How often the closing thread looks whether the peer has taken everything.
constexpr std::chrono::milliseconds kDrainPollInterval{10};
constexpr std::size_t kReceiveChunk = 4096;

int millisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

}  // namespace

// What the link shares with its thread; `lock` also guards the queues and
// `drainUntil`.
struct TcpLinkShared : SocketThreadShared {
    TncAddress address;
    std::atomic<TcpLinkState> state{TcpLinkState::Connecting};

    Clock::time_point drainUntil{};
    // One entry per write, so that what is left unsent can be told in frames.
    std::deque<std::vector<std::uint8_t>> transmit;
    std::size_t frontSent = 0;    // bytes of transmit.front() already sent
    std::size_t queuedBytes = 0;  // unsent bytes in transmit
    std::deque<std::uint8_t> receive;

    // Sends what the socket takes now, without waiting. False when the
    // connection is broken.
    bool sendQueued(int fd) {
        std::lock_guard<std::mutex> hold(lock);
        while (!transmit.empty()) {
            const std::vector<std::uint8_t>& front = transmit.front();
            const ssize_t n =
                ::send(fd, front.data() + frontSent, front.size() - frontSent, MSG_NOSIGNAL);
            if (n < 0) {
                return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
            }
            frontSent += static_cast<std::size_t>(n);
            queuedBytes -= static_cast<std::size_t>(n);
            if (frontSent < front.size()) {
                return true;
            }
            transmit.pop_front();
            frontSent = 0;
        }
        return true;
    }
};

namespace {

// Waits for a non-blocking connect to finish; false when it failed, the
// deadline passed or closing began.
bool waitConnected(TcpLinkShared& shared, int fd, Clock::time_point deadline) {
    for (;;) {
        std::array<pollfd, 2> fds = {{{fd, POLLOUT, 0}, {shared.wake.descriptor(), POLLIN, 0}}};
        const int ready = ::poll(fds.data(), fds.size(), millisecondsUntil(deadline));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (fds[1].revents != 0) {
            shared.wake.clear();  // a write while connecting, or Close
        }
        if (shared.stopRequested() || Clock::now() >= deadline) {
            return false;
        }
        if (fds[0].revents != 0) {
            int error = 0;
            socklen_t length = sizeof error;
            return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
}

// A connected socket to the peer, or -1. Tries each address the name has.
int connectToPeer(TcpLinkShared& shared) {
    const auto deadline = Clock::now() + kTcpConnectTimeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(shared.address.port);
    if (::getaddrinfo(shared.address.host.c_str(), port.c_str(), &hints, &found) != 0) {
        return -1;
    }
    int connected = -1;
    for (const addrinfo* at = found; at != nullptr && connected < 0; at = at->ai_next) {
        if (shared.stopRequested()) {
            break;
        }
        const int fd = ::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                at->ai_protocol);
        if (fd < 0) {
            continue;
        }
        if (::connect(fd, at->ai_addr, at->ai_addrlen) == 0 ||
            (errno == EINPROGRESS && waitConnected(shared, fd, deadline))) {
            connected = fd;
        } else {
            ::close(fd);
        }
    }
    ::freeaddrinfo(found);
    return connected;
}

void setSocketOptions(int fd) {
    const int on = 1;
    // KISS frames are small and each should leave at once.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &kKeepAliveIdleSeconds, sizeof(int));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &kKeepAliveIntervalSeconds, sizeof(int));
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &kKeepAliveProbes, sizeof(int));
}

// Moves bytes both ways until the connection breaks (false) or closing begins
// (true).
bool serveConnection(TcpLinkShared& shared, int fd) {
    std::array<std::uint8_t, kReceiveChunk> buffer{};
    for (;;) {
        bool wantRead = false;
        bool wantWrite = false;
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            if (shared.stopping) {
                return true;
            }
            wantRead = shared.receive.size() < kTcpQueueCapacity;
            wantWrite = !shared.transmit.empty();
        }
        const short events =
            static_cast<short>((wantRead ? POLLIN : 0) | (wantWrite ? POLLOUT : 0));
        std::array<pollfd, 2> fds = {{{fd, events, 0}, {shared.wake.descriptor(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (fds[1].revents != 0) {
            shared.wake.clear();
        }
        const short got = fds[0].revents;
        // A hang-up with the receive queue full cannot be read to its end
        // now, and would wake poll() at once for ever.
        if ((got & (POLLERR | POLLNVAL)) != 0 || ((got & POLLHUP) != 0 && !wantRead)) {
            return false;
        }
        if (wantRead && (got & (POLLIN | POLLHUP)) != 0) {
            std::size_t room = 0;
            {
                std::lock_guard<std::mutex> hold(shared.lock);
                room = kTcpQueueCapacity - shared.receive.size();
            }
            const ssize_t n = ::recv(fd, buffer.data(), std::min(room, buffer.size()), 0);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                return false;  // the peer closed or reset the connection
            }
            if (n > 0) {
                {
                    std::lock_guard<std::mutex> hold(shared.lock);
                    shared.receive.insert(shared.receive.end(), buffer.begin(), buffer.begin() + n);
                }
                shared.announce();
            }
        }
        if (wantWrite && (got & POLLOUT) != 0 && !shared.sendQueued(fd)) {
            return false;
        }
    }
}

// Closing: what is queued (the exit text) goes out until the peer's kernel
// has it or the drain time is up. Bytes still arriving are read and dropped,
// since closing a socket with unread bytes resets the connection and throws
// away what was not yet sent.
void drainConnection(TcpLinkShared& shared, int fd) {
    Clock::time_point deadline;
    {
        std::lock_guard<std::mutex> hold(shared.lock);
        deadline = shared.drainUntil;
    }
    std::array<std::uint8_t, kReceiveChunk> discard{};
    while (Clock::now() < deadline) {
        if (!shared.sendQueued(fd)) {
            return;
        }
        while (::recv(fd, discard.data(), discard.size(), 0) > 0) {
        }
        bool queued = false;
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            queued = !shared.transmit.empty();
        }
        int unsent = 0;
        if (!queued && (::ioctl(fd, SIOCOUTQ, &unsent) != 0 || unsent == 0)) {
            break;
        }
        pollfd ready{fd, static_cast<short>(POLLIN | (queued ? POLLOUT : 0)), 0};
        ::poll(&ready, 1,
               std::min(millisecondsUntil(deadline), static_cast<int>(kDrainPollInterval.count())));
    }
    ::shutdown(fd, SHUT_WR);
}

void RunTcpLink(std::shared_ptr<TcpLinkShared> shared) {
    FileDescriptor socket(connectToPeer(*shared));
    bool closing = shared->stopRequested();
    if (socket.valid() && !closing) {
        setSocketOptions(socket.get());
        shared->state.store(TcpLinkState::Connected, std::memory_order_release);
        closing = serveConnection(*shared, socket.get());
        if (closing) {
            drainConnection(*shared, socket.get());
        }
    }
    if (!closing) {
        shared->state.store(TcpLinkState::Broken, std::memory_order_release);
    }
    shared->threadEnded();
}

}  // namespace

TcpTncLink::TcpTncLink(NotifyCallback notify) : notify_(std::move(notify)) {}

TcpTncLink::~TcpTncLink() {
    Close();
}

bool TcpTncLink::Connect(const TncAddress& address) {
    if (shared_) {
        return false;
    }
    auto shared = std::make_shared<TcpLinkShared>();
    shared->address = address;
    shared->notify = notify_;
    if (!StartSocketThread(shared, thread_, RunTcpLink)) {
        return false;
    }
    shared_ = std::move(shared);
    return true;
}

void TcpTncLink::Close() {
    if (!shared_) {
        return;
    }
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        shared_->drainUntil = Clock::now() + kTcpCloseDrain;
    }
    StopSocketThread(*shared_, thread_, kTcpCloseWait);
    shared_.reset();
}

bool TcpTncLink::write(std::span<const std::uint8_t> bytes) {
    const TcpLinkState now = state();
    if (now != TcpLinkState::Connecting && now != TcpLinkState::Connected) {
        return false;
    }
    if (bytes.empty()) {
        return true;
    }
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        if (shared_->queuedBytes + bytes.size() > kTcpQueueCapacity) {
            return false;
        }
        shared_->transmit.emplace_back(bytes.begin(), bytes.end());
        shared_->queuedBytes += bytes.size();
    }
    shared_->wake.signal();
    return true;
}

int TcpTncLink::read(std::span<std::uint8_t> buffer) {
    if (!shared_) {
        return 0;
    }
    std::size_t count = 0;
    bool wasFull = false;
    {
        std::lock_guard<std::mutex> hold(shared_->lock);
        std::deque<std::uint8_t>& receive = shared_->receive;
        wasFull = receive.size() >= kTcpQueueCapacity;
        count = std::min(buffer.size(), receive.size());
        std::copy_n(receive.begin(), count, buffer.begin());
        receive.erase(receive.begin(), receive.begin() + static_cast<std::ptrdiff_t>(count));
    }
    if (wasFull && count > 0) {
        shared_->wake.signal();  // it stopped reading the socket for want of room
    }
    return static_cast<int>(count);
}

TcpLinkState TcpTncLink::state() const {
    return shared_ ? shared_->state.load(std::memory_order_acquire) : TcpLinkState::Closed;
}

int TcpTncLink::UnsentFrames() const {
    if (!shared_) {
        return 0;
    }
    std::lock_guard<std::mutex> hold(shared_->lock);
    return static_cast<int>(std::ranges::count_if(shared_->transmit, [](const auto& write) {
        return !write.empty() && write.front() == FEND;
    }));
}

}  // namespace korvale
