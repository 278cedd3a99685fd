// The test's end of a socket or pseudo-terminal: transfers stop on hang-up or an idle limit.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <span>
#include <string>

#include "../ax25/ax25_test_support.h"
#include "../store/temp_directory.h"
#include "gateway/file_descriptor.h"

namespace korvale::testing {

using namespace std::chrono_literals;

// Bytes that show loss, duplication and reordering (no 256-byte period).
inline Bytes patternBytes(std::size_t count, std::uint32_t seed = 1) {
    Bytes out(count);
    std::ranges::generate(
        out, [&] { return static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16); });
    return out;
}

struct Peer {
    FileDescriptor fd;

    std::size_t pump(short events, std::chrono::milliseconds limit, std::size_t size,
                     auto move) const {
        std::size_t done = 0;
        for (pollfd ready{fd.get(), events, 0};
             size > done && ::poll(&ready, 1, static_cast<int>(limit.count())) > 0;) {
            const ssize_t n = move(done);
            if (n == 0 || (n < 0 && errno != EAGAIN)) {
                break;  // hung up
            }
            done += static_cast<std::size_t>(n < 0 ? 0 : n);
        }
        return done;
    }
    bool send(std::span<const std::uint8_t> data) const {
        return pump(POLLOUT, 10s, data.size(), [&](std::size_t done) {
                   // No SIGPIPE from a socket; a terminal takes write().
                   const auto n = ::send(fd.get(), &data[done], data.size() - done, MSG_NOSIGNAL);
                   return n < 0 && errno == ENOTSOCK
                              ? ::write(fd.get(), &data[done], data.size() - done)
                              : n;
               }) == data.size();
    }
    Bytes receive(std::size_t count, std::chrono::milliseconds limit = 10s) const {
        Bytes got(count);
        got.resize(pump(POLLIN, limit, count, [&](std::size_t done) {
            return ::read(fd.get(), got.data() + done, count - done);
        }));
        return got;
    }
    bool hungUp() const {
        std::uint8_t sink[4096];
        for (pollfd ready{fd.get(), POLLIN, 0}; ::poll(&ready, 1, 10000) > 0;) {
            const ssize_t n = ::read(fd.get(), sink, sizeof sink);
            if (n == 0 || (n < 0 && errno != EAGAIN)) {
                return true;
            }
        }
        return false;
    }
};

// Closing the master hangs the slave up, as unplugging a USB adapter does.
struct PtyPair : Peer {
    PtyPair() : Peer{FileDescriptor(::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))} {
        char name[128] = {};
        if (::grantpt(fd.get()) != 0 || ::unlockpt(fd.get()) != 0 ||
            ::ptsname_r(fd.get(), name, sizeof name) != 0) {
            fd.reset();
        }
        slavePath = name;
    }

    std::string slavePath;
};

}  // namespace korvale::testing
