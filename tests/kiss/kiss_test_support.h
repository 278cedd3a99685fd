// Test support for the serial link and KISS tests: bytes from hex text, a
// byte pattern, a pseudo-terminal whose master side plays the TNC, and a
// temporary directory for "COMn" links.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace korvale::testing {

using Bytes = std::vector<std::uint8_t>;

// "C0 00 41" -> {0xC0, 0x00, 0x41}.
inline Bytes bytes(const std::string& hexText) {
    Bytes out;
    std::istringstream in{hexText};
    for (unsigned value = 0; in >> std::hex >> value;) {
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return out;
}

// `count` bytes that show loss, duplication and reordering: the sequence
// depends on the position and does not repeat every 256 bytes.
inline Bytes patternBytes(std::size_t count, std::uint32_t seed = 1) {
    Bytes out(count);
    for (auto& byte : out) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(seed >> 16);
    }
    return out;
}

// A directory under /tmp, removed with everything in it.
class TempDirectory {
  public:
    ~TempDirectory() { std::filesystem::remove_all(path_, ignored_); }
    const std::string& path() const { return path_; }

    // Makes "COM<port>" here a link to `target`.
    bool linkPort(int port, const std::string& target) const {
        const std::string link = path_ + "/COM" + std::to_string(port);
        ::unlink(link.c_str());
        return ::symlink(target.c_str(), link.c_str()) == 0;
    }

  private:
    char pattern_[32] = "/tmp/korvale-serial-XXXXXX";
    std::string path_ = ::mkdtemp(pattern_) != nullptr ? pattern_ : "";
    std::error_code ignored_;
};

// The master side of a pseudo-terminal, non-blocking; the handler opens the
// slave. send() and receive() give up once `limit` passes without progress.
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

    // Sends all of `data` to the slave, or says it could not.
    bool send(std::span<const std::uint8_t> data,
              std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        return pump(POLLOUT, limit, data.size(), [&](std::size_t done) {
                   return ::write(master_, data.data() + done, data.size() - done);
               }) == data.size();
    }

    // What the slave sent, until `count` bytes have come or it hung up.
    Bytes receive(std::size_t count,
                  std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        Bytes got(count);
        got.resize(pump(POLLIN, limit, count, [&](std::size_t done) {
            return ::read(master_, got.data() + done, count - done);
        }));
        return got;
    }

  private:
    // Moves `size` bytes with `move`, as far as the line lets it, and says how many.
    template <typename Move>
    std::size_t pump(short events, std::chrono::milliseconds limit, std::size_t size,
                     Move move) const {
        std::size_t done = 0;
        for (pollfd ready{master_, events, 0};
             size > done && ::poll(&ready, 1, static_cast<int>(limit.count())) > 0;) {
            const ssize_t n = move(done);
            if (n == 0 || (n < 0 && errno != EAGAIN)) {
                break;  // hung up
            }
            done += static_cast<std::size_t>(n < 0 ? 0 : n);
        }
        return done;
    }

    int master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    std::string slavePath_;
};

}  // namespace korvale::testing
