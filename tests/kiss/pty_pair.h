// Test support for the serial link: a pseudo-terminal whose master side plays
// the TNC, and a temporary directory for "COMn" links.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <system_error>
#include <vector>

namespace korvale::testing {

// A directory under /tmp, removed with everything in it.
class TempDirectory {
  public:
    TempDirectory() {
        std::string pattern = "/tmp/korvale-serial-XXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::string& path() const { return path_; }

    // Makes "COM<port>" here a link to `target`.
    bool linkPort(int port, const std::string& target) const {
        const std::string link = path_ + "/COM" + std::to_string(port);
        ::unlink(link.c_str());
        return ::symlink(target.c_str(), link.c_str()) == 0;
    }

  private:
    std::string path_;
};

// The master side of a pseudo-terminal; the slave's path is what the handler
// opens. The master is non-blocking; send() and receive() wait with poll().
class PtyPair {
  public:
    PtyPair() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        char name[128] = {};
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            ::ptsname_r(master_, name, sizeof name) != 0) {
            closeMaster();
            return;
        }
        slavePath_ = name;
        ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() { closeMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return master_ >= 0; }
    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    // Hangs the slave up, as unplugging a USB adapter does.
    void closeMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

    // Sends all of `bytes` to the slave; false if that took over `limit`.
    bool send(std::span<const std::uint8_t> bytes,
              std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t done = ::write(master_, bytes.data() + sent, bytes.size() - sent);
            if (done > 0) {
                sent += static_cast<std::size_t>(done);
                continue;
            }
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            pollfd wait{master_, POLLOUT, 0};
            ::poll(&wait, 1, 10);
        }
        return true;
    }

    // What the slave sent, until `count` bytes have come or `limit` passed.
    std::vector<std::uint8_t> receive(
        std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        std::vector<std::uint8_t> got;
        std::uint8_t buffer[4096];
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                break;
            }
            pollfd wait{master_, POLLIN, 0};
            if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
                continue;
            }
            const std::size_t want = std::min(sizeof buffer, count - got.size());
            const ssize_t done = ::read(master_, buffer, want);
            if (done > 0) {
                got.insert(got.end(), buffer, buffer + done);
            } else if (done == 0 || (errno != EAGAIN && errno != EINTR)) {
                break;
            }
        }
        return got;
    }

  private:
    int master_ = -1;
    std::string slavePath_;
};

// `count` bytes of a pattern that shows loss, duplication and reordering: a
// position-dependent sequence that does not repeat every 256 bytes.
inline std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint32_t seed = 1) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t value = seed;
    for (auto& byte : bytes) {
        value = value * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(value >> 16);
    }
    return bytes;
}

}  // namespace korvale::testing
