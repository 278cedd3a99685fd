// A byte pattern, bounded transfers over a descriptor, and a pseudo-terminal
// whose master side plays the TNC.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

// Relative: the benchmarks use this header too.
#include "../ax25/ax25_test_support.h"
#include "../eventually.h"
#include "../store/temp_directory.h"

namespace korvale::testing {

using namespace std::chrono_literals;

// Bytes that show loss, duplication and reordering (no 256-byte period).
inline Bytes patternBytes(std::size_t count, std::uint32_t seed = 1) {
    Bytes out(count);
    for (auto& byte : out) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    return out;
}

// Moves up to `size` bytes through the non-blocking `fd` with `move`; stops when
// the peer hangs up or `limit` passes without progress. Returns how many.
template <typename Move>
std::size_t pump(int fd, short events, std::chrono::milliseconds limit, std::size_t size,
                 Move move) {
    std::size_t done = 0;
    for (pollfd ready{fd, events, 0};
         size > done && ::poll(&ready, 1, static_cast<int>(limit.count())) > 0;) {
        const ssize_t n = move(done);
        if (n == 0 || (n < 0 && errno != EAGAIN)) {
            break;  // hung up
        }
        done += static_cast<std::size_t>(n < 0 ? 0 : n);
    }
    return done;
}

// What the peer at `fd` sent, until `count` bytes have come or pump() stopped.
inline Bytes receiveFrom(int fd, std::size_t count, std::chrono::milliseconds limit) {
    Bytes got(count);
    got.resize(pump(fd, POLLIN, limit, count,
                    [&](std::size_t done) { return ::read(fd, got.data() + done, count - done); }));
    return got;
}

// A pseudo-terminal's master side, non-blocking; the handler opens the slave.
class PtyPair {
  public:
    PtyPair() {
        char name[128] = {};
        if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            closeMaster();
        }
        slavePath_ = name;
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Hangs the slave up, as unplugging a USB adapter does.
    void closeMaster() { ::close(std::exchange(master_, -1)); }

    bool send(std::span<const std::uint8_t> data) const {
        return pump(master_, POLLOUT, 10s, data.size(), [&](std::size_t done) {
                   return ::write(master_, data.data() + done, data.size() - done);
               }) == data.size();
    }
    Bytes receive(std::size_t count, std::chrono::milliseconds limit = 10s) const {
        return receiveFrom(master_, count, limit);
    }

  private:
    int master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    std::string slavePath_;
};

}  // namespace korvale::testing
